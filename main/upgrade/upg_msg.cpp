#include "main/upgrade/upg_msg.h"

#include "main/cli/dbg_level.h"
#include "main/upgrade/upg_log.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<uint32_t> gStatus{UPG_STATUS_IDLE};

}  // namespace

void upgCtrlMsgEncode(const upg_ctrl_msg* msg, uint8_t* out, uint32_t size)
{
    memset(out, 0, size);
    memcpy(out, &msg->ui4_sender_id, sizeof msg->ui4_sender_id);
    memcpy(out + 4, &msg->ui4_msg_type, sizeof msg->ui4_msg_type);
    if (size >= UPG_DL_MSG_SIZE) {
        memcpy(out + UPG_CTRL_MSG_SIZE, &msg->prDlCtrl, sizeof msg->prDlCtrl);
    }
}

bool upgCtrlMsgDecode(const void* data, uint32_t size, upg_ctrl_msg* msg)
{
    if (data == nullptr || size < UPG_CTRL_MSG_SIZE) {
        return false;
    }
    const uint8_t* in = static_cast<const uint8_t*>(data);
    memcpy(&msg->ui4_sender_id, in, sizeof msg->ui4_sender_id);
    memcpy(&msg->ui4_msg_type, in + 4, sizeof msg->ui4_msg_type);
    msg->prDlCtrl = nullptr;
    if (size >= UPG_DL_MSG_SIZE) {
        memcpy(&msg->prDlCtrl, in + UPG_CTRL_MSG_SIZE, sizeof msg->prDlCtrl);
    }
    return true;
}

void upgCtrlSetStatus(uint32_t status)
{
    const uint32_t last = gStatus.exchange(status);
    upgLog(DBG_LEVEL_INFO, "set status:%u, last status:%u\n", status, last);
}

uint32_t upgCtrlGetStatus(void)
{
    return gStatus.load();
}

bool upgCtrlClaimAttempt(bool refuseDone, uint32_t* seen)
{
    *seen = gStatus.load();
    for (;;) {
        if (*seen == UPG_STATUS_UPGRADING || (refuseDone && *seen == UPG_STATUS_DONE)) {
            return false;
        }
        if (gStatus.compare_exchange_weak(*seen, UPG_STATUS_UPGRADING)) {
            upgLog(DBG_LEVEL_INFO, "set status:%u, last status:%u\n", static_cast<uint32_t>(UPG_STATUS_UPGRADING),
                   *seen);
            return true;
        }
    }
}

void upgCtrlResetStatus(void)
{
    gStatus.store(UPG_STATUS_IDLE);
}
