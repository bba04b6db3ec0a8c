#include "main/upgrade/upg_pkg.h"

#include "common/support/support.h"
#include "main/cli/dbg_level.h"
#include "main/upgrade/upg_log.h"
#include "platform/sbroot/sb_root.h"

#include <array>
#include <cstring>
#include <sys/statfs.h>

namespace {

constexpr size_t kMtdLineLen = 128;
constexpr uint32_t kPartNameLen = 64;
constexpr size_t kCallbackError = static_cast<size_t>(-1);

struct ImgMapRow {
    const char* image;
    const char* partition;
};

constexpr std::array<ImgMapRow, 5> gImgMap{{
    {"bl2.img", "bl2"},
    {"boot.img", "boot_a"},
    {"tee.img", "tee_a"},
    {"system.ubi", "system_a"},
    {"recovery.ubi", "recovery"},
}};

}  // namespace

size_t upgDlGetHeaderCallback(char* data, size_t size, size_t nmemb, void* userp)
{
    UpgDlControl* ctrl = static_cast<UpgDlControl*>(userp);
    const size_t n = size * nmemb;
    if (upgDlCheckStatus() != 0) {
        upgLog(DBG_LEVEL_ERROR, "check upg status failed, download may be cancelled");
        return kCallbackError;
    }
    if (!ctrl->mRequestHeader || ctrl->mPkgHeaderBuf == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "upgDlGetHeaderCallback err: mRequestHeader:%d && mPkgHeaderBuf:%p\n",
               ctrl->mRequestHeader, static_cast<void*>(ctrl->mPkgHeaderBuf));
        upgDlSetStatus(UPG_STATUS_CANCELLED);
        return kCallbackError;
    }
    if (ctrl->mDownloadedSize >= ctrl->mRequestSize) {
        return kCallbackError;
    }
    const uint32_t room = ctrl->mRequestSize - ctrl->mDownloadedSize;
    if (n < room) {
        memcpy(ctrl->mPkgHeaderBuf + ctrl->mDownloadedSize, data, n);
        ctrl->mDownloadedSize += static_cast<uint32_t>(n);
        return n;
    }
    memcpy(ctrl->mPkgHeaderBuf + ctrl->mDownloadedSize, data, room);
    upgLog(DBG_LEVEL_INFO, "Pkg header downloaded(%u)/requested(%u)\n",
           static_cast<uint32_t>(ctrl->mDownloadedSize + n), ctrl->mRequestSize);
    ctrl->mDownloadedSize += room;
    upgDlSetFlag(ctrl, &ctrl->mIsRequestDone, 1);
    return kCallbackError;
}

void upgUtlParseZipHeader(const uint8_t* buf, UpgZipLocalHeader* hdr)
{
    hdr->signature = sb::loadLe32(buf + 0);
    hdr->version = sb::loadLe16(buf + 4);
    hdr->gp_bit_flag = sb::loadLe16(buf + 6);
    hdr->comp_method = sb::loadLe16(buf + 8);
    hdr->mod_time = sb::loadLe16(buf + 10);
    hdr->mod_date = sb::loadLe16(buf + 12);
    hdr->crc32 = sb::loadLe32(buf + 14);
    hdr->comp_size = sb::loadLe32(buf + 18);
    hdr->uncomp_size = sb::loadLe32(buf + 22);
    hdr->name_len = sb::loadLe16(buf + 26);
    hdr->ext_field_length = sb::loadLe16(buf + 28);
}

int32_t upgDlParseImgHeader(const uint8_t* buf, UpgZipLocalHeader* hdr, char* name_out)
{
    upgUtlParseZipHeader(buf, hdr);
    if (hdr->signature != UPG_ZIP_LOCAL_SIG) {
        upgLog(DBG_LEVEL_ERROR, "upgUtlParseZipHeader failed, header signature not match");
        return -1;
    }
    // The name must lie within the fetched bytes and fit the record with its terminator.
    if (hdr->name_len == 0 || hdr->name_len > UPG_IMG_NAME_LEN - 1 ||
        UPG_ZIP_LOCAL_HDR_LEN + hdr->name_len > UPG_PKG_HEADER_FETCH) {
        upgLog(DBG_LEVEL_ERROR, "image name length %u not supported\n", hdr->name_len);
        return -1;
    }
    memset(name_out, 0, UPG_IMG_NAME_LEN);
    memcpy(name_out, buf + UPG_ZIP_LOCAL_HDR_LEN, hdr->name_len);
    if (strlen(name_out) != hdr->name_len) {
        upgLog(DBG_LEVEL_ERROR, "image name holds a NUL byte");
        return -1;
    }
    upgLog(DBG_LEVEL_INFO, "Image header info:");
    upgLog(DBG_LEVEL_INFO, " file_name:%s", name_out);
    upgLog(DBG_LEVEL_INFO, " comp_size:%u", hdr->comp_size);
    upgLog(DBG_LEVEL_INFO, " uncomp_size:%u", hdr->uncomp_size);
    upgLog(DBG_LEVEL_INFO, " name_len:%d", hdr->name_len);
    upgLog(DBG_LEVEL_INFO, " comp_method:%d", hdr->comp_method);
    upgLog(DBG_LEVEL_INFO, " signature:%x", hdr->signature);
    upgLog(DBG_LEVEL_INFO, " version:%d", hdr->version);
    upgLog(DBG_LEVEL_INFO, " gp_bit_flag:%d", hdr->gp_bit_flag);
    upgLog(DBG_LEVEL_INFO, " ext_field_length:%d", hdr->ext_field_length);
    return 0;
}

int32_t upgDlGetImgHeaderInfo(UpgDlControl* ctrl, uint32_t image_count_in_id)
{
    if (upgDlCurlInit(ctrl, upgDlGetHeaderCallback) != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlCurlInit failed");
        return -1;
    }
    uint64_t offset = 0;
    uint32_t index = 0;
    bool walked = false;
    std::array<uint8_t, UPG_PKG_HEADER_FETCH> buf{};
    for (;;) {
        upgDlCtrlReset(ctrl);
        buf.fill(0);
        ctrl->mRequestSize = UPG_PKG_HEADER_FETCH;
        ctrl->mRequestHeader = 1;
        ctrl->mPkgHeaderBuf = buf.data();
        if (upgDlGetPkgFromOffset(ctrl, static_cast<uint32_t>(offset), UPG_PKG_HEADER_FETCH) != 0) {
            upgLog(DBG_LEVEL_ERROR, "upgDlGetPkgFromOffset failed");
            break;
        }
        if (sb::loadLe32(buf.data()) != UPG_ZIP_LOCAL_SIG) {
            ctrl->mImgCount = static_cast<uint8_t>(index);
            upgLog(DBG_LEVEL_INFO, "get img headinfo done! img num:%u\n", index);
            walked = true;
            break;
        }
        if (index >= UPG_MAX_IMAGES) {
            upgLog(DBG_LEVEL_ERROR, "request imgs num: %u, only support %u images\n", index + 1, UPG_MAX_IMAGES);
            break;
        }
        UpgDlImageRec& img = ctrl->mImg[index];
        if (upgDlParseImgHeader(buf.data(), &img.mHeader, img.mName) != 0) {
            upgLog(DBG_LEVEL_ERROR, "upgDlParseImgHeader failed");
            break;
        }
        const uint64_t dataOffset =
            offset + UPG_ZIP_LOCAL_HDR_LEN + img.mHeader.name_len + img.mHeader.ext_field_length;
        const uint64_t next = dataOffset + img.mHeader.comp_size;
        // The image's data must lie within the package.
        if (ctrl->mPkgSize <= 0 || next > static_cast<uint64_t>(ctrl->mPkgSize)) {
            upgLog(DBG_LEVEL_ERROR, "%s: data end %llu beyond package size %d\n", img.mName,
                   static_cast<unsigned long long>(next), ctrl->mPkgSize);
            break;
        }
        img.mDataOffset = static_cast<uint32_t>(dataOffset);
        offset = next;
        ++index;
    }
    ctrl->mRequestHeader = 0;
    ctrl->mPkgHeaderBuf = nullptr;
    int32_t result = walked ? 0 : -1;
    if (ctrl->mImgCount == 0) {
        upgLog(DBG_LEVEL_ERROR, "no image need to be updated");
        result = -1;
    } else if (image_count_in_id != ctrl->mImgCount) {
        upgLog(DBG_LEVEL_ERROR, "Image number incorrect, ImgCnt in ID:%u, ImgCnt in pkg:%u\n", image_count_in_id,
               ctrl->mImgCount);
        result = -1;
    }
    upgDlCurlClean(ctrl);
    return result;
}

int32_t upgDlMapPartitionName(const char* image_name, char* out, uint32_t size)
{
    for (const ImgMapRow& row : gImgMap) {
        if (strncmp(image_name, row.image, strlen(row.image)) == 0) {
            snprintf(out, size, "%s", row.partition);
            upgLog(DBG_LEVEL_INFO, "Image name:%s map to partition name:%s \n", image_name, out);
            return 0;
        }
    }
    upgLog(DBG_LEVEL_ERROR, "Mapping %s to partition failed unsupported image", image_name);
    return -1;
}

bool upgDlIsMappedImageName(const char* image_name)
{
    for (const ImgMapRow& row : gImgMap) {
        if (strcmp(image_name, row.image) == 0) {
            return true;
        }
    }
    return false;
}

int32_t upgUtlGetPartInfoByName(const char* partition, UpgDlImageRec* rec)
{
    FILE* fp = fopen(sb::path(PROC_MTD_PATH).c_str(), "r");
    if (fp == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "upgUtlGetPartInfoByName open PROC_MTD_PATH failed");
        return -1;
    }
    const size_t want = strlen(partition);
    char line[kMtdLineLen];
    while (fgets(line, sizeof line, fp) != nullptr) {
        int num = 0;
        unsigned int size = 0;
        unsigned int erase = 0;
        char name[64] = {};
        if (sscanf(line, "mtd%d: %x %x \"%63[^\"]", &num, &size, &erase, name) != 4) {
            continue;
        }
        if (strncmp(name, partition, want) == 0) {
            fclose(fp);
            upgLog(DBG_LEVEL_INFO, "mtd name:%s, mtd num:%d, mtd erase size=%u\n", name, num, erase);
            rec->mEraseSize = erase;
            rec->mPartSize = size;
            return 0;
        }
    }
    fclose(fp);
    upgLog(DBG_LEVEL_ERROR, "upgUtlGetPartInfoByName get %s mtd number failed\n", partition);
    return -1;
}

int32_t upgDlGetPartInfo(UpgDlControl* ctrl)
{
    for (uint32_t i = 0; i < ctrl->mImgCount; ++i) {
        char partition[kPartNameLen] = {};
        if (upgDlMapPartitionName(ctrl->mImg[i].mName, partition, sizeof partition) != 0) {
            upgLog(DBG_LEVEL_ERROR, "upgDlMapPartitionName failed");
            return -1;
        }
        const int32_t result = upgUtlGetPartInfoByName(partition, &ctrl->mImg[i]);
        if (result != 0) {
            upgLog(DBG_LEVEL_ERROR, "upgUtlGetPartInfoByName failed");
            return result;
        }
    }
    return 0;
}

int32_t upgDlCheckPartSize(UpgDlControl* ctrl)
{
    for (uint32_t i = 0; i < ctrl->mImgCount; ++i) {
        const UpgDlImageRec& img = ctrl->mImg[i];
        // Unsigned: an image of 2 GiB or more must not pass as a negative size.
        if (img.mHeader.uncomp_size > img.mPartSize) {
            upgLog(DBG_LEVEL_ERROR, "%s: Image size:%u > Partition size:%u\n", img.mName, img.mHeader.uncomp_size,
                   img.mPartSize);
            return -1;
        }
        upgLog(DBG_LEVEL_INFO, "%s: Image size:%u, Partition size:%u\n", img.mName, img.mHeader.uncomp_size,
               img.mPartSize);
    }
    return 0;
}

int64_t upgDlGetFreeStorageSize(const char* path)
{
    struct statfs st {};
    if (statfs(sb::path(path).c_str(), &st) != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlGetFreeStorageSize failed");
        return -1;
    }
    upgLog(DBG_LEVEL_INFO, "%s block size:%ld, total block:%llu, free block:%llu, available block:%llu \n", path,
           static_cast<long>(st.f_bsize), static_cast<unsigned long long>(st.f_blocks),
           static_cast<unsigned long long>(st.f_bfree), static_cast<unsigned long long>(st.f_bavail));
    return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_bsize);
}

int32_t upgDlCheckStorageSize(UpgDlControl* ctrl)
{
    const int64_t free = upgDlGetFreeStorageSize(UPG_PKG_DIR);
    if (free >= ctrl->mPkgSize) {
        return 0;
    }
    upgLog(DBG_LEVEL_ERROR, "check free size failed, available size:%lld, pkg size:%d\n", static_cast<long long>(free),
           ctrl->mPkgSize);
    return -1;
}
