// The device manager's current USB mount record: the last successful mount fills it, any unmount
// clears its flag, and every change is announced to all applications as DM_BRDCST_MSG_USB_MNT.
#pragma once

#include <cstdint>

constexpr uint32_t DM_BRDCST_MSG_USB_MNT = 0x10002;  // payload: one u32, DmUsbMntEvent

enum DmUsbMntEvent : uint32_t {
    DM_USB_UNMOUNTED = 0,
    DM_USB_MOUNTED = 1,
    DM_USB_MEDIUM_CHANGED = 2,
};

enum DmFsCode : uint32_t {
    DM_FS_VFAT = 0,
    DM_FS_EXT = 2,  // ext2, ext3 or ext4
    DM_FS_TEXFAT = 3,
};

constexpr uint32_t DM_MNT_PATH_LEN = 96;

struct DmMntInfo {
    uint8_t bMnt;  // 1 mounted, 0 not
    uint32_t ui4FsCode;
    char acMntPath[DM_MNT_PATH_LEN];  // at most 95 characters and a NUL
};
static_assert(sizeof(DmMntInfo) == 104, "mount record is 104 bytes");

enum DmResult : int32_t {
    DMR_OK = 0,
    DMR_INV_ARG = -5,
    DMR_NOT_MOUNTED = -7,
    DMR_LOCK_FAIL = -12,
};

// Copies the current record when a medium is mounted.
// @return DMR_OK; DMR_INV_ARG when out is null; DMR_LOCK_FAIL; DMR_NOT_MOUNTED (out untouched).
int32_t uDmGetMntInfo(DmMntInfo* out);

// Records a mount (bMnt 1, rec copied) or an unmount (bMnt 0, rec ignored) and has
// DM_BRDCST_MSG_USB_MNT (bMnt == 1) broadcast through dmSendMntMsgToNfyThread.
void dmModifyMntInfo(uint8_t bMnt, const DmMntInfo* rec);

// Posts the mount notice {0, bMnt == 1} to the device manager's notify thread, which broadcasts it,
// unless gUmntDone is set. Without a running device manager the notice is broadcast at once.
void dmSendMntMsgToNfyThread(uint8_t bMnt);

// gUmntDone: cleared when a mount or unmount thread starts, set by an unmount that leaves another
// partition mounted; while it is set, mount notices are not posted.
void dmSetUmntDone(uint32_t value);
uint32_t dmGetUmntDone(void);

// The FUSE exFAT mount's report: stores bMnt and, for a mount with its directory given, the code
// DM_FS_TEXFAT and that path (so readers never get an earlier mount's path), then posts the notice
// to the device manager's notify thread, which broadcasts it.
void dmModifyMntInfoForExternal(uint32_t bMnt, const char* mntPath = nullptr);

// Run by the device manager's start: an empty record, and its lock. 0, or DMR_LOCK_FAIL.
int32_t dmMntTableCreate(void);
