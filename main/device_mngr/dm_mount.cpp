#include "main/device_mngr/dm_mount.h"

#include "main/cli/dbg_level.h"
#include "main/device_mngr/dm_brdcst.h"
#include "main/device_mngr/dm_core.h"
#include "main/device_mngr/dm_log.h"
#include "main/mw/rwlock/rwlock.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

struct MountTable {
    std::once_flag lockOnce;
    handle_t lock = 0;
    int32_t lockResult = -1;
    DmMntInfo info{};
};
MountTable g;


// The lock is made on first use, so readers that come before the device manager find a record.
handle_t mountLock()
{
    std::call_once(g.lockOnce, [] { g.lockResult = uRwlCreateLock(&g.lock); });
    return g.lockResult == 0 ? g.lock : 0;
}

std::atomic<uint32_t> gUmntDone{0};

}  // namespace

int32_t uDmGetMntInfo(DmMntInfo* out)
{
    if (out == nullptr) {
        DBG_ERROR(dmGetDbgLevel(), "<DM>", "pMntInfo can't be null!\n");
        return DMR_INV_ARG;
    }
    const handle_t lock = mountLock();
    if (lock == 0 || uRwlReadLock(lock, RWL_OPTION_WAIT) != RWLR_OK) {
        DBG_ERROR(dmGetDbgLevel(), "<DM>", "<read lock> mnt info's rwlock failed!\n");
        return DMR_LOCK_FAIL;
    }
    const bool mounted = g.info.bMnt != 0;
    if (mounted)
        *out = g.info;
    uRwlReleaseLock(lock);
    if (!mounted) {
        DBG_ERROR(dmGetDbgLevel(), "<DM>", "mnt info is not mount!\n");
        return DMR_NOT_MOUNTED;
    }
    return DMR_OK;
}

void dmModifyMntInfo(uint8_t bMnt, const DmMntInfo* rec)
{
    DBG_INFO(dmGetDbgLevel(), "<DM>", "dmModifyMntInfo IN,bMnt=%d.\n", bMnt);
    const handle_t lock = mountLock();
    if (lock == 0 || uRwlWriteLock(lock, RWL_OPTION_WAIT) != RWLR_OK) {
        DBG_ERROR(dmGetDbgLevel(), "<DM>", "<write lock> mnt info's rwlock failed!\n");
        return;
    }
    DBG_INFO(dmGetDbgLevel(), "<DM>", "notify current mount info is %d \n", bMnt);
    if (bMnt != 0 && rec != nullptr) {
        g.info = *rec;
        g.info.acMntPath[DM_MNT_PATH_LEN - 1] = '\0';
    }
    g.info.bMnt = bMnt;
    const uint8_t stored = g.info.bMnt;
    uRwlReleaseLock(lock);
    dmSendMntMsgToNfyThread(bMnt);
    DBG_INFO(dmGetDbgLevel(), "<DM>", "dmModifyMntInfo OUT,gDmMntInfo.t_mnt_info.bMnt=%d.\n", stored);
}

void dmSendMntMsgToNfyThread(uint8_t bMnt)
{
    if (gUmntDone.load() != 0) {
        return;
    }
    const DmNfyReqMsg msg{DM_NFY_REQ_MNT, bMnt == 1 ? 1u : 0u};
    if (!dmNfyThreadUp()) {
        // A record written while the device manager is not running is still announced.
        if (dmBroadcastWord(DM_BRDCST_MSG_USB_MNT, msg.value, 0) != 0) {
            DBG_ERROR(dmGetDbgLevel(), "<DM>", "send msg to close nfy thread failed!\n");
        }
        return;
    }
    if (dmPostNfyReq(msg) != 0) {
        DBG_ERROR(dmGetDbgLevel(), "<DM>", "send msg to close nfy thread failed!\n");
    }
}

void dmSetUmntDone(uint32_t value)
{
    gUmntDone.store(value);
}

uint32_t dmGetUmntDone(void)
{
    return gUmntDone.load();
}

void dmModifyMntInfoForExternal(uint32_t bMnt, const char* mntPath)
{
    const handle_t lock = mountLock();
    if (lock == 0 || uRwlWriteLock(lock, RWL_OPTION_WAIT) != RWLR_OK) {
        DBG_ERROR(dmGetDbgLevel(), "<DM>", "<write lock> mnt info's rwlock failed!\n");
        return;
    }
    g.info.bMnt = static_cast<uint8_t>(bMnt);
    if (bMnt == 1 && mntPath != nullptr) {
        g.info.ui4FsCode = DM_FS_TEXFAT;
        std::snprintf(g.info.acMntPath, sizeof(g.info.acMntPath), "%s", mntPath);
    }
    const uint8_t stored = g.info.bMnt;
    uRwlReleaseLock(lock);
    if (dmPostNfyReq({DM_NFY_REQ_MNT, bMnt == 1 ? 1u : 0u}) != 0) {
        DBG_ERROR(dmGetDbgLevel(), "<DM>", "send msg to close nfy thread failed!\n");
    }
    DBG_INFO(dmGetDbgLevel(), "<DM>", "dmModifyMntInfo OUT,gDmMntInfo.t_mnt_info.bMnt=%d.\n", stored);
}

int32_t dmMntTableCreate(void)
{
    const handle_t lock = mountLock();
    if (lock == 0 || uRwlWriteLock(lock, RWL_OPTION_WAIT) != RWLR_OK) {
        return DMR_LOCK_FAIL;
    }
    g.info = DmMntInfo{};
    uRwlReleaseLock(lock);
    gUmntDone.store(0);
    return DMR_OK;
}
