// The file manager: path labels, partition discovery, directories, and mounting with a fixed list
// of file systems. It keeps the list of the partitions it mounted (or tried to), which tells
// whether a partition is mounted and where.
#pragma once

#include "main/device_mngr/dm_mount.h"
#include "main/mw/handle/handle.h"

#include <cstdint>
#include <string>

// Results of the file manager.
enum FmResult : int32_t {
    FMR_OK = 0,
    FMR_ARG = -1,            // bad argument, or (where said) a failed action
    FMR_HANDLE = -2,         // bad handle
    FMR_INVAL = -3,          // handle of another type, or nothing to work on
    FMR_CORE = -4,           // no memory, lock failure
    FMR_NAME_TOO_LONG = -10  // a path over its limit
};

// A directory label: a handle naming an absolute directory; 0 means "no base directory".
constexpr handle_type FMT_DIR_LABEL = 321;
constexpr uint32_t FM_DIR_PATH_SIZE = 260;  // label buffer, the final '/' included
constexpr uint32_t FM_ABS_PATH_MAX = 96;    // characters of an absolute path
constexpr uint32_t FM_CMD_SIZE = 64;        // a shell command line with its NUL

struct FmDirLabel {
    char acPath[FM_DIR_PATH_SIZE];  // always ends in '/'
    uint16_t ui2Len;
};

// What the file manager knows of one partition.
struct FM_PART_INFO_T {
    uint8_t bRecorded;  // 1 in records made by uFmMount
    uint8_t bMounted;
    char ps_part_name[64];  // "sda1"
    char pPartPath[96];     // "/dev/", shorter than 32 characters
    char pMntPath[96];      // "/data/mnt/sda1", no final '/'
};
static_assert(sizeof(FM_PART_INFO_T) == 258, "a partition record is 258 bytes");

// The mount lock and the partition list; 0, or FMR_CORE. Later calls keep what exists.
int32_t uFmInit(void);

// A new label for base + path; its handle in *label.
int32_t uFmSetDirPath(handle_t base, const char* path, handle_t* label);
// Frees a label; FMR_HANDLE for anything else.
int32_t uFmClose(handle_t handle);
// The label of a handle: handle 0 gives none (nullptr), FMR_HANDLE unknown, FMR_INVAL another type.
int32_t fmGetDirLabel(handle_t handle, const FmDirLabel** label);
// The label's directory joined with `rel` (or `rel` alone without a label), at most
// FM_ABS_PATH_MAX characters; FMR_INVAL without a label and without rel.
int32_t fmGetAbsolutePath(const FmDirLabel* label, const char* rel, std::string* out);
// The label handle's free function: lets the handle go (uFmClose frees the label).
int32_t fmHandleFreeFct(handle_t handle, handle_type type, void* obj, uint32_t tag, uint8_t reason);

// How many entries of "/proc/diskstats" belong to the device: a partition or a lone disk 1, a disk
// with two partitions 3, an unknown name 0.
int32_t uFmGetPartNs(handle_t base, const char* path, uint32_t* count);
int32_t fmGetPartNs(const char* path, uint32_t* count, uint32_t* minimum);

// The record of a partition (index 0: the path itself); an unknown one gets its name and directory
// with both flags 0.
int32_t uFmGetPartInfo(handle_t base, const char* path, uint32_t index, FM_PART_INFO_T* out);
int32_t fmGetPartInfo(const char* path, uint32_t index, FM_PART_INFO_T* out);

// Directories through the shell-command daemon ("mkdir -p", "chmod", "rmdir") and directly.
int32_t uFmCreateDirFdr(handle_t base, const char* path, uint32_t mode);
int32_t uFmCreateDir(handle_t base, const char* path, uint32_t mode);
int32_t uFmDeleteDirFdr(handle_t base, const char* path);
int32_t uFmDeleteDir(handle_t base, const char* path);

// Mounts the device on the directory with the first file system that takes it, one mount at a
// time in the process, and records the partition; 0 mounted (out filled), FMR_ARG not mounted.
int32_t uFmMount(handle_t devBase, const char* devPath, handle_t mntBase, const char* mntPath, DmMntInfo* out);
// Unmounts (plain, then lazy, retried) and drops the record; FMR_ARG when the directory stayed
// mounted (its record is then kept).
int32_t uFmUmount(handle_t base, const char* path);

int32_t fmStorePartInfo(const FM_PART_INFO_T* info);
int32_t fmRemovePartInfo(const char* mntPath);
// The newest partition still recorded as mounted (code 5); FMR_INVAL when none.
int32_t uFmGetNewMntPath(DmMntInfo* out);
