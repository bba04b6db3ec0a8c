#include "main/device_mngr/dm_mount.h"

#include "main/am/amb/amb.h"
#include "main/cli/dbg_level.h"
#include "main/mw/rwlock/rwlock.h"

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

constexpr uint16_t kLevel = DBG_LEVEL_ERROR | DBG_LAYER_APP;

// The lock is made on first use, so readers that come before the device manager find a record.
handle_t mountLock()
{
    std::call_once(g.lockOnce, [] { g.lockResult = uRwlCreateLock(&g.lock); });
    return g.lockResult == 0 ? g.lock : 0;
}

void announce(uint8_t bMnt)
{
    am_broadcast_msg_t msg{};
    msg.ui4MsgId = DM_BRDCST_MSG_USB_MNT;
    const uint32_t event = bMnt == 1 ? DM_USB_MOUNTED : DM_USB_UNMOUNTED;
    std::memcpy(msg.aui1Data, &event, sizeof(event));
    msg.ui4Size = sizeof(event);
    if (u_amb_broadcast_msg(&msg, 0) != 0)
        DBG_ERROR(kLevel, "<DM>", "send msg to close nfy thread failed!\n");
}

}  // namespace

int32_t uDmGetMntInfo(DmMntInfo* out)
{
    if (out == nullptr) {
        DBG_ERROR(kLevel, "<DM>", "pMntInfo can't be null!\n");
        return DMR_INV_ARG;
    }
    const handle_t lock = mountLock();
    if (lock == 0 || uRwlReadLock(lock, RWL_OPTION_WAIT) != RWLR_OK) {
        DBG_ERROR(kLevel, "<DM>", "<read lock> mnt info's rwlock failed!\n");
        return DMR_LOCK_FAIL;
    }
    const bool mounted = g.info.bMnt != 0;
    if (mounted)
        *out = g.info;
    uRwlReleaseLock(lock);
    if (!mounted) {
        DBG_ERROR(kLevel, "<DM>", "mnt info is not mount!\n");
        return DMR_NOT_MOUNTED;
    }
    return DMR_OK;
}

void dmModifyMntInfo(uint8_t bMnt, const DmMntInfo* rec)
{
    const handle_t lock = mountLock();
    if (lock == 0 || uRwlWriteLock(lock, RWL_OPTION_WAIT) != RWLR_OK) {
        DBG_ERROR(kLevel, "<DM>", "<write lock> mnt info's rwlock failed!\n");
        return;
    }
    if (bMnt != 0 && rec != nullptr) {
        g.info = *rec;
        g.info.acMntPath[DM_MNT_PATH_LEN - 1] = '\0';
    }
    g.info.bMnt = bMnt;
    uRwlReleaseLock(lock);
    announce(bMnt);
}
