#include "main/upgrade/upg_seg.h"

#include "main/cli/dbg_level.h"
#include "main/upgrade/upg_download.h"
#include "main/upgrade/upg_log.h"
#include "main/upgrade/upg_pkg.h"
#include "platform/quorid/quorid.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace {

constexpr size_t kCallbackError = static_cast<size_t>(-1);
constexpr size_t kCmdLen = 256;  // 255 characters and the terminator
constexpr uint16_t kZipStored = 0;

// Only stored entries can be flashed unit by unit, and only names of the partition map may reach
// the flashing program's command line.
int32_t upgDlSegCheckImages(const UpgDlControl* ctrl)
{
    for (uint32_t i = 0; i < ctrl->mImgCount; ++i) {
        const UpgDlImageRec& img = ctrl->mImg[i];
        if (img.mHeader.comp_method != kZipStored || img.mHeader.comp_size == 0) {
            upgLog(DBG_LEVEL_ERROR, "%s: compression method %u, size %u: only stored images can be flashed in units\n",
                   img.mName, img.mHeader.comp_method, img.mHeader.comp_size);
            return -1;
        }
        if (!upgDlIsMappedImageName(img.mName)) {
            upgLog(DBG_LEVEL_ERROR, "%s: not an image name of the partition map\n", img.mName);
            return -1;
        }
    }
    return 0;
}

int32_t endFetching(UpgDlControl* ctrl, int32_t result)
{
    upgDlCurlClean(ctrl);
    return result;
}

}  // namespace

int32_t upgDlSegGetPackage(const char* save_dir, int32_t size, uint32_t image_count)
{
    UpgDlControl* ctrl = &gDlControl;
    int32_t result = upgDlCtrlInit(ctrl, save_dir, size, 1);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlCtrlInit failed");
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
    if (result == 0 && (result = upgDlSegCheckImages(ctrl)) != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlSegCheckImages failed");
    }
    if (result == 0 && (result = upgDlSegSetFlashUnitSize(ctrl)) != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlSegSetFlashUnitSize failed");
    }
    if (result == 0 && (result = upgDlSegGetPkgData(ctrl)) != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlSegGetPkgData failed");
    }
    upgDlCtrlClean(ctrl);
    return result;
}

int32_t upgDlSegSetFlashUnitSize(UpgDlControl* ctrl)
{
    for (uint32_t i = 0; i < ctrl->mImgCount; ++i) {
        UpgDlImageRec& img = ctrl->mImg[i];
        // Without an erase size there is no unit, and a unit of 0 bytes would never finish the image.
        if (img.mEraseSize == 0) {
            upgLog(DBG_LEVEL_ERROR, "%s: erase size 0\n", img.mName);
            return -1;
        }
        const uint64_t blocks = (static_cast<uint64_t>(UPG_SEG_MIN_UNIT) + img.mEraseSize - 1) / img.mEraseSize;
        const uint64_t unit = blocks * img.mEraseSize;
        if (unit > static_cast<uint64_t>(INT32_MAX)) {
            upgLog(DBG_LEVEL_ERROR, "%s: erase size %u too large\n", img.mName, img.mEraseSize);
            return -1;
        }
        img.mFlashUnit = static_cast<int32_t>(unit);
        upgLog(DBG_LEVEL_INFO, "%s: flash unit size:%d\n", img.mName, img.mFlashUnit);
    }
    return 0;
}

int32_t upgDlSegGetPkgData(UpgDlControl* ctrl)
{
    if (upgDlCurlInit(ctrl, upgDlSegGetPkgCallback) != 0) {
        return -1;
    }
    for (uint32_t i = 0; i < ctrl->mImgCount; ++i) {
        ctrl->mCurImgIdx = static_cast<uint8_t>(i);
        UpgDlImageRec& img = ctrl->mImg[i];
        int32_t budget = UPG_SEG_RETRY_BUDGET;
        while (!img.mDone) {
            upgDlCtrlReset(ctrl);
            if (upgDlReopenPkgSaveFile(ctrl) != 0) {
                upgLog(DBG_LEVEL_ERROR, "upgDlReopenPkgSaveFile failed");
                return endFetching(ctrl, -1);
            }
            img.mDownloaded = img.mFlashed;
            const uint32_t offset = img.mDataOffset + static_cast<uint32_t>(img.mFlashed);
            const int64_t left = static_cast<int64_t>(img.mHeader.comp_size) - img.mDownloaded;
            ctrl->mRequestSize = static_cast<uint32_t>(std::min<int64_t>(img.mFlashUnit, left));
            int32_t result = upgDlGetPkgFromOffset(ctrl, offset, ctrl->mRequestSize);
            if (result != 0) {
                upgLog(DBG_LEVEL_ERROR, "upgDlGetPkgFromOffset failed");
                return endFetching(ctrl, result);
            }
            if (!upgDlGetFlag(ctrl, &ctrl->mIsRequestDone)) {
                // A unit that keeps arriving short spends the image's budget like a bad one.
                upgLog(DBG_LEVEL_ERROR, "upgDlGetPkgFromOffset return but request not done, re-request this unit");
                if (--budget == 0) {
                    return endFetching(ctrl, -1);
                }
                continue;
            }
            result = upgDlVerifyDataSha256(ctrl);
            if (result != 0) {
                img.mDone = 0;
                upgLog(DBG_LEVEL_ERROR, "upgDlVerifyDataSha256 failed, re-request this unit %d\n", budget);
                if (--budget == 0) {
                    return endFetching(ctrl, result);
                }
                continue;
            }
            upgDlSetFlag(ctrl, &img.mUnitFlashed, 0);
            result = upgDlRequestFlashData(ctrl);
            if (result != 0) {
                upgDlSetFlag(ctrl, &img.mUnitFlashed, 1);
                upgLog(DBG_LEVEL_ERROR, "ERROR: LowMemMode: upgDlRequestFlashData failed");
                return endFetching(ctrl, result);
            }
            upgDownloadWait(ctrl, &img.mUnitFlashed);
            // A failed flash cancels the attempt: nothing more is fetched.
            if (upgDlCheckStatus() != 0) {
                return endFetching(ctrl, -1);
            }
        }
    }
    return endFetching(ctrl, 0);
}

size_t upgDlSegGetPkgCallback(char* data, size_t size, size_t nmemb, void* userp)
{
    UpgDlControl* ctrl = static_cast<UpgDlControl*>(userp);
    UpgDlImageRec& img = ctrl->mImg[ctrl->mCurImgIdx];
    const size_t n = size * nmemb;
    if (upgCtrlGetStatus() == UPG_STATUS_CANCELLED) {
        upgLog(DBG_LEVEL_ERROR, "check upg status failed, download may be cancelled");
        return kCallbackError;
    }
    if (ctrl->mSaveFp == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "package save path not inited");
        return kCallbackError;
    }
    const uint64_t arrived = static_cast<uint64_t>(ctrl->mDownloadedSize) + n;
    size_t k = n;
    if (arrived >= ctrl->mRequestSize) {
        k = ctrl->mDownloadedSize >= ctrl->mRequestSize ? 0 : ctrl->mRequestSize - ctrl->mDownloadedSize;
    }
    if (k > 0 && fwrite(data, 1, k, ctrl->mSaveFp) != k) {
        upgLog(DBG_LEVEL_ERROR, "ERROR: write size:%u failed\n", static_cast<uint32_t>(k));
        return kCallbackError;
    }
    fflush(ctrl->mSaveFp);
    fsync(fileno(ctrl->mSaveFp));
    ctrl->mDownloadedSize = static_cast<uint32_t>(std::min<uint64_t>(arrived, UINT32_MAX));
    img.mDownloaded += static_cast<int32_t>(k);
    if (img.mDownloaded - img.mFlashed < img.mFlashUnit && ctrl->mDownloadedSize < ctrl->mRequestSize) {
        return n;
    }
    upgLog(DBG_LEVEL_INFO, "LowMemMode:%s, downloaded(%d)/total(%u) --- %0.2f%%\n", img.mName, img.mDownloaded,
           img.mHeader.comp_size, img.mHeader.comp_size == 0 ? 0.0 : img.mDownloaded * 100.0 / img.mHeader.comp_size);
    if (ctrl->mDownloadedSize >= ctrl->mRequestSize) {
        upgDlSetFlag(ctrl, &ctrl->mIsRequestDone, 1);
        if (static_cast<uint32_t>(img.mDownloaded) >= img.mHeader.comp_size) {
            img.mDone = 1;
        }
        return kCallbackError;
    }
    upgLog(DBG_LEVEL_ERROR, "LowMemMode: WARNING: mIsrequestNoDone");
    return n;
}

int32_t upgCtrlSegFlashPkgData(UpgDlControl* ctrl)
{
    if (ctrl->mCurImgIdx >= ctrl->mImgCount) {
        upgLog(DBG_LEVEL_ERROR, "no image %u to flash\n", ctrl->mCurImgIdx);
        upgCtrlSetStatus(UPG_STATUS_CANCELLED);
        upgDownloadWakeUp(ctrl, &ctrl->mImg[0].mUnitFlashed);
        return -1;
    }
    UpgDlImageRec& img = ctrl->mImg[ctrl->mCurImgIdx];
    const int32_t pending = img.mDownloaded - img.mFlashed;
    int32_t status = 0;
    if (pending >= img.mFlashUnit || img.mDone) {
        uint8_t last = 0;
        if (img.mDone) {
            last = (ctrl->mCurImgIdx + 1 == ctrl->mImgCount) ? 1 : 0;
        }
        const int32_t length = std::min(img.mFlashUnit, pending);
        status = upgCtrlSegCallQuellipProgram(&img, length, last);
        if (status != 0) {
            upgLog(DBG_LEVEL_ERROR, "upgCtrlSegCallQuellipProgram failed, cancel download");
            upgCtrlSetStatus(UPG_STATUS_CANCELLED);
        } else {
            img.mFlashed += length;
        }
    } else {
        upgLog(DBG_LEVEL_INFO, "request more data, data size:%d, unit size:%d\n", pending, img.mFlashUnit);
    }
    upgLog(DBG_LEVEL_INFO, "updating %s total(%u)/downloaded(%d)/updated(%d)\n", img.mName, img.mHeader.comp_size,
           img.mDownloaded, img.mFlashed);
    upgDownloadWakeUp(ctrl, &img.mUnitFlashed);
    return status;
}

int32_t upgCtrlSegCallQuellipProgram(UpgDlImageRec* img, int32_t length, uint8_t last)
{
    if (!upgDlIsMappedImageName(img->mName)) {
        upgLog(DBG_LEVEL_ERROR, "refuse to flash image %.65s: not in the partition map\n", img->mName);
        return -1;
    }
    char cmd[kCmdLen];
    const int n = snprintf(cmd, sizeof cmd, "quellip '%s' %d %d %d", img->mName, img->mFlashed, length, last);
    if (n < 0 || static_cast<size_t>(n) >= sizeof cmd) {
        upgLog(DBG_LEVEL_ERROR, "quellip command too long");
        return -1;
    }
    upgLog(DBG_LEVEL_INFO, "call quellip program: %s\n", cmd);
    const int status = quorid_exec(cmd, 0);
    upgLog(DBG_LEVEL_INFO, "quellip return: %d\n", status);
    return status;
}
