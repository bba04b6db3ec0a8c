// What a package holds, learnt without fetching it whole: its zip local headers are walked with
// 128-byte ranged fetches, each image is mapped to its flash partition, the partition's size and
// erase block size come from "/proc/mtd", and every image must fit its partition (and, in normal
// mode, the package the free space of "/data/misc/").
#pragma once

#include "main/upgrade/upg_dl_ctrl.h"

#include <cstddef>
#include <cstdint>

constexpr uint32_t UPG_ZIP_LOCAL_SIG = 0x04034b50;
constexpr uint32_t UPG_ZIP_LOCAL_HDR_LEN = 30;  // the fixed part, before the name
constexpr uint32_t UPG_PKG_HEADER_FETCH = 128;
#define PROC_MTD_PATH "/proc/mtd"

// The write callback of a header fetch. @return the bytes taken, or -1 (as size_t) to end it.
size_t upgDlGetHeaderCallback(char* data, size_t size, size_t nmemb, void* ctrl);
// Walks the local headers from offset 0 up to the central directory. @return 0 when the package
// holds 1 to 4 images, as many as the ID file counts, each named within what the fetch holds; -1.
int32_t upgDlGetImgHeaderInfo(UpgDlControl* ctrl, uint32_t image_count_in_id);
// @return 0; -1 for a buffer that is not a local header or whose name does not fit UpgDlImageRec.
// buf holds UPG_PKG_HEADER_FETCH bytes; name_out holds UPG_IMG_NAME_LEN bytes.
int32_t upgDlParseImgHeader(const uint8_t* buf, UpgZipLocalHeader* hdr, char* name_out);
// Copies the header fields from buf (little-endian, zip local header layout).
void upgUtlParseZipHeader(const uint8_t* buf, UpgZipLocalHeader* hdr);
// The partition of the first map row whose image name begins `image_name`, copied into out.
// @return 0 or -1.
int32_t upgDlMapPartitionName(const char* image_name, char* out, uint32_t size);
// True when `image_name` is exactly one of the map's image names: only such a name may go into the
// flashing program's command line.
bool upgDlIsMappedImageName(const char* image_name);
// Size and erase block size of the first "/proc/mtd" partition whose name begins `partition`.
// @return 0 or -1.
int32_t upgUtlGetPartInfoByName(const char* partition, UpgDlImageRec* rec);
int32_t upgDlGetPartInfo(UpgDlControl* ctrl);
int32_t upgDlCheckPartSize(UpgDlControl* ctrl);
// Bytes available to an unprivileged writer under the system path, or -1.
int64_t upgDlGetFreeStorageSize(const char* path);
int32_t upgDlCheckStorageSize(UpgDlControl* ctrl);
