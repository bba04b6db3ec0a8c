#include "main/upgrade/upg_download.h"

#include "main/cli/dbg_level.h"
#include "main/upgrade/upg_id.h"
#include "main/upgrade/upg_log.h"
#include "main/upgrade/upg_pkg.h"
#include "main/upgrade/upg_seg.h"
#include "platform/sbroot/sb_root.h"

#include <cstring>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <unistd.h>

namespace {

constexpr size_t kShaBlock = 512;
constexpr uint32_t kSha256Len = 32;
constexpr size_t kCallbackError = static_cast<size_t>(-1);

}  // namespace

void upgDownloadThread(void*)
{
    upgCtrlLoggingInit();
    upgLog(DBG_LEVEL_INFO, "upgDownloadThread ENTRY");
    const int32_t result = upgDownloadFirmware();
    if (result != 0 || upgDlCheckStatus() != 0) {
        if (upgDlNotifyUpgradeFailed() != 0) {
            upgLog(DBG_LEVEL_ERROR, "upgDlNotifyUpgradeFailed failed");
        }
    } else if (upgDlNotifyUpgradeDone() != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlNotifyUpgradeDone failed");
    }
    upgLog(DBG_LEVEL_INFO, "upgDownloadThread EXIT");
}

int32_t upgDownloadFirmware(void)
{
    upg_id_info info{};
    int32_t result = upgDlGetIdInfo(&info, UPG_ID_SRC_FETCHED);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlGetIdInfo from temp failed");
        return result;
    }
    const uint32_t count = info.Image_Count < 0 ? 0 : static_cast<uint32_t>(info.Image_Count);
    if (info.Low_Memory == 1) {
        result = upgDlSegGetPackage(UPG_SEG_PKG_DIR, info.File_Size, count);
        if (result != 0) {
            upgLog(DBG_LEVEL_ERROR, "upgDlSegGetPackage failed");
        }
    } else {
        result = upgDlGetPackage(UPG_PKG_DIR, info.File_Size, count);
        if (result != 0) {
            upgLog(DBG_LEVEL_ERROR, "upgDlGetPackage failed");
        }
    }
    return result;
}

int32_t upgDlGetPackage(const char* save_dir, int32_t size, uint32_t image_count)
{
    UpgDlControl* ctrl = &gDlControl;
    int32_t result = upgDlCtrlInit(ctrl, save_dir, size, 0);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlCtrlInit failed");
    }
    if (result == 0 && (result = upgDlCheckStorageSize(ctrl)) != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlCheckStorageSize failed");
    }
    if (result == 0 && (result = upgDlGetImgHeaderInfo(ctrl, image_count)) != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlGetImgHeaderInfo failed");
    }
    if (result == 0 && (result = upgDlGetPartInfo(ctrl)) != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlGetPartInfo failed");
    }
    if (result == 0 && (result = upgDlCheckPartSize(ctrl)) != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlCheckPartSize failed");
    }
    if (result == 0 && (result = upgDlReopenPkgSaveFile(ctrl)) != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlReopenPkgSaveFile failed");
    }
    if (result == 0 && (result = upgDlGetPkgData(ctrl)) != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlGetPkgData failed");
    }
    upgDlCtrlClean(ctrl);
    return result;
}

int32_t upgDlGetPkgData(UpgDlControl* ctrl)
{
    if (upgDlCurlInit(ctrl, upgDlGetPkgCallback) != 0) {
        return -1;
    }
    upgDlCtrlReset(ctrl);
    while (ctrl->mPkgSize > 0 && ctrl->mDownloadedSize < static_cast<uint32_t>(ctrl->mPkgSize)) {
        const uint32_t before = ctrl->mDownloadedSize;
        const int32_t result =
            upgDlGetPkgFromOffset(ctrl, ctrl->mDownloadedSize, static_cast<uint32_t>(ctrl->mPkgSize));
        if (result != 0) {
            upgLog(DBG_LEVEL_ERROR, "upgDlGetPkgFromOffset failed");
            return result;
        }
        // A server that ends the package early would otherwise be asked again without end.
        if (ctrl->mDownloadedSize == before) {
            upgLog(DBG_LEVEL_ERROR, "package ends at %u, short of %d\n", before, ctrl->mPkgSize);
            return -1;
        }
    }
    int32_t result = upgDlVerifyDataSha256(ctrl);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlVerifyDataSha256 failed, wait for next triggering");
        return result;
    }
    upgDlSetFlag(ctrl, &ctrl->mIsRequestDone, 0);
    result = upgDlRequestFlashData(ctrl);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, "ERROR: Normal Mode: upgDlRequestFlashData failed");
        return result;
    }
    upgDownloadWait(ctrl, &ctrl->mIsRequestDone);
    return 0;
}

size_t upgDlGetPkgCallback(char* data, size_t size, size_t nmemb, void* userp)
{
    UpgDlControl* ctrl = static_cast<UpgDlControl*>(userp);
    const size_t n = size * nmemb;
    if (ctrl->mSaveFp == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "package save path not inited");
        return kCallbackError;
    }
    if (upgCtrlGetStatus() == UPG_STATUS_CANCELLED) {
        upgLog(DBG_LEVEL_ERROR, "check upg status failed, download may be cancelled");
        return kCallbackError;
    }
    const size_t written = fwrite(data, 1, n, ctrl->mSaveFp);
    if (written != n) {
        upgLog(DBG_LEVEL_ERROR, "ERROR: write size:%u, but return:%u,\n", static_cast<uint32_t>(n),
               static_cast<uint32_t>(written));
        return kCallbackError;
    }
    // What mDownloadedSize counts must be on disk when a fetch resumes from that count.
    fflush(ctrl->mSaveFp);
    fsync(fileno(ctrl->mSaveFp));
    ctrl->mDownloadedSize += static_cast<uint32_t>(n);
    upgLog(DBG_LEVEL_INFO, "Normal Mode: downloaded(%u)/requested(%u) --- %0.2f%%\n", ctrl->mDownloadedSize,
           ctrl->mRequestSize, ctrl->mRequestSize == 0 ? 0.0 : ctrl->mDownloadedSize * 100.0 / ctrl->mRequestSize);
    return n;
}

int32_t upgDlVerifyDataSha256(UpgDlControl* ctrl)
{
    UpgDlChecksumRec rec{};
    if (ctrl->mLowMemMode) {
        const UpgDlImageRec& img = ctrl->mImg[ctrl->mCurImgIdx];
        snprintf(rec.name, sizeof rec.name, "%.63s", img.mName);
        rec.offset = img.mFlashed;
        rec.end = img.mDownloaded - 1;
    } else {
        snprintf(rec.name, sizeof rec.name, "%s", UPG_PKG_NAME);
        rec.offset = 0;
        rec.end = static_cast<int32_t>(ctrl->mDownloadedSize) - 1;
    }
    if (ctrl->mSaveFp != nullptr) {
        fflush(ctrl->mSaveFp);
    }
    if (upgDlGetFileSha256Str(ctrl->mSavePath, rec.sha256) != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlGetFileSha256Str failed");
        return -1;
    }
    upgLog(DBG_LEVEL_INFO, "%s offset:%d end:%d\n", rec.name, rec.offset, rec.end);
    upgLog(DBG_LEVEL_INFO, "%s sha256sum:%s\n", rec.name, rec.sha256);
    const int32_t result = upgDlCmpChecksum(&rec);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlCmpChecksum failed");
    }
    return result;
}

int32_t upgDlGetFileSha256Str(const char* path, char out[65])
{
    uint8_t digest[kSha256Len];
    const int32_t result = upgUtlGetFileSha256Checksum(path, digest);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgUtlGetFileSha256Checksum failed");
        return result;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    for (uint32_t i = 0; i < kSha256Len; ++i) {
        out[2 * i] = kHex[digest[i] >> 4];
        out[2 * i + 1] = kHex[digest[i] & 0x0f];
    }
    out[2 * kSha256Len] = '\0';
    return 0;
}

int32_t upgUtlGetFileSha256Checksum(const char* path, uint8_t digest[32])
{
    FILE* fp = fopen(sb::path(path).c_str(), "rb");
    if (fp == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "open %s failed\n", path);
        return -1;
    }
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    bool ok = md != nullptr && EVP_DigestInit_ex(md, EVP_sha256(), nullptr) == 1;
    uint8_t block[kShaBlock];
    size_t got = 0;
    while (ok && (got = fread(block, 1, sizeof block, fp)) > 0) {
        ok = EVP_DigestUpdate(md, block, got) == 1;
    }
    ok = ok && ferror(fp) == 0;
    unsigned int len = 0;
    ok = ok && EVP_DigestFinal_ex(md, digest, &len) == 1 && len == kSha256Len;
    EVP_MD_CTX_free(md);
    OPENSSL_cleanse(block, sizeof block);
    fclose(fp);
    return ok ? 0 : -1;
}
