// Segment (low-memory) mode: the package "update.bin" is never stored whole. Each image is fetched
// one flash unit at a time into "/tmp/update/update.bin", the unit is checked against its own
// SHA-256 line and handed to the flashing program with the image name, its offset in the image, its
// length and the last-unit flag; only then is the next unit fetched.
#pragma once

#include "main/upgrade/upg_dl_ctrl.h"

#include <cstddef>
#include <cstdint>

constexpr int32_t UPG_SEG_MIN_UNIT = 2097152;  // a unit is the smallest multiple of the erase size from 2 MiB
constexpr int32_t UPG_SEG_RETRY_BUDGET = 30;   // failed units per image

// @return 0 or the failing step's error.
int32_t upgDlSegGetPackage(const char* save_dir, int32_t size, uint32_t image_count);
int32_t upgDlSegSetFlashUnitSize(UpgDlControl* ctrl);
int32_t upgDlSegGetPkgData(UpgDlControl* ctrl);
size_t upgDlSegGetPkgCallback(char* data, size_t size, size_t nmemb, void* ctrl);
// Application thread: flashes the unit that arrived, then wakes the download thread.
// @return 0 or the flashing program's status.
int32_t upgCtrlSegFlashPkgData(UpgDlControl* ctrl);
// @return the flashing program's status; -1 for an image name outside the partition map.
int32_t upgCtrlSegCallQuellipProgram(UpgDlImageRec* img, int32_t length, uint8_t last);
