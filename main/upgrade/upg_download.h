// The download thread "upg_download": one network upgrade attempt from the fetched ID file to its
// result message, in normal mode (the whole "update.zip" saved to "/data/misc/", verified and
// flashed whole) or in segment mode (upg_seg.h); and the SHA-256 functions both modes use.
#pragma once

#include "main/upgrade/upg_dl_ctrl.h"

#include <cstddef>
#include <cstdint>

constexpr const char* UPG_DL_THREAD_NAME = "upg_download";

// Thread entry: runs the attempt and reports UPG_MSG_DONE or UPG_MSG_FAILED.
void upgDownloadThread(void* arg);
// @return 0 or the failing step's error.
int32_t upgDownloadFirmware(void);
int32_t upgDlGetPackage(const char* save_dir, int32_t size, uint32_t image_count);
int32_t upgDlGetPkgData(UpgDlControl* ctrl);
size_t upgDlGetPkgCallback(char* data, size_t size, size_t nmemb, void* ctrl);
// The save file against the ID file's checksum line for what it holds. @return 0 or an error.
int32_t upgDlVerifyDataSha256(UpgDlControl* ctrl);
// 64 lower-case hexadecimal digits and a terminator. @return 0 or the error.
int32_t upgDlGetFileSha256Str(const char* path, char out[65]);
int32_t upgUtlGetFileSha256Checksum(const char* path, uint8_t digest[32]);
