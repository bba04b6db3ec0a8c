#include "main/gui/msg/gui_msg.h"

#include "main/am/aee/aee.h"
#include "main/am/am.h"
#include "main/timerd/gui_log.h"
#include "main/timerd/gui_timer.h"

#include <atomic>
#include <mutex>
#include <shared_mutex>

namespace {

struct GuiManagerMsg {
    std::shared_mutex stateLock;
    uint32_t ui4SysState = GUI_SYS_STATE_OFF;

    // The delayed slot is written by any thread and posted by the timer's thread: its copy and
    // its post happen under one lock, so a post never sends a half-written message.
    std::mutex slotLock;
    GuiMsg tDelayed{};
    std::atomic<uint32_t> ui4DelayTimer{0};
};

GuiManagerMsg gGuiManagerMsg;

void guiManagerMsgTimeoutCbk(uint32_t)
{
    guiManagerMsgSlotPost();
}

}  // namespace

void guiManagerMsgInit(void)
{
    GuiManagerMsg& m = gGuiManagerMsg;
    {
        std::lock_guard<std::mutex> lock(m.slotLock);
        m.tDelayed = GuiMsg{};
    }
    guiManagerAppStateSet(GUI_SYS_STATE_OFF);
    if (m.ui4DelayTimer.load() == 0) {
        m.ui4DelayTimer = guiTimerCreate(guiManagerMsgTimeoutCbk, 0);
        if (m.ui4DelayTimer.load() != 0) {
            GUI_LOG_INFO("Timer Msg Create Success!");
        }
    }
}

void guiManagerMsgExit(void)
{
    const uint32_t timer = gGuiManagerMsg.ui4DelayTimer.exchange(0);
    if (timer != 0) {
        guiTimerDelete(timer);
    }
}

void guiManagerMsgSlotPost(void)
{
    GuiManagerMsg& m = gGuiManagerMsg;
    std::lock_guard<std::mutex> lock(m.slotLock);
    GUI_LOG_INFO("msg_id = 0x%x, msg_size = %d", m.tDelayed.msg_id, m.tDelayed.msg_size);
    guiManagerAppMsgSnd(&m.tDelayed);
}

int32_t guiManagerAppMsgSnd(const GuiMsg* msg)
{
    if (msg == nullptr) {
        return 0;
    }
    handle_t gui = 0;
    int32_t ret = u_am_get_app_handle_from_name(&gui, GUI_MANAGER_APP_NAME);
    // The post is tried also when the lookup failed (it then fails); the first failure is logged.
    const int32_t sent = u_app_send_appmsg(gui, E_APP_MSG_TYPE_GUI, 0, 0, msg, sizeof(*msg));
    if (ret == 0) {
        ret = sent;
    }
    if (ret != 0) {
        GUI_LOG_ERR("Send Msg To GUI Manager Failed, ret[%ld]", static_cast<long>(ret));
    }
    return 0;
}

int32_t guiManagerAppMsgSndDly(const GuiMsg* msg, uint16_t delayMs)
{
    if (msg == nullptr) {
        return 0;
    }
    GuiManagerMsg& m = gGuiManagerMsg;
    std::lock_guard<std::mutex> lock(m.slotLock);
    m.tDelayed = *msg;
    guiTimerSet(m.ui4DelayTimer.load(), delayMs, 0);
    return 0;
}

int32_t guiManagerAppMsgSndCancel(const GuiMsg* msg)
{
    if (msg == nullptr) {
        return 0;
    }
    GUI_LOG_INFO("msg_id = 0x%x", msg->msg_id);
    return guiManagerAppMsgSndStop();
}

int32_t guiManagerAppMsgSndStop(void)
{
    const uint32_t timer = gGuiManagerMsg.ui4DelayTimer.load();
    if (guiTimerActiveStsGet(timer) != 0) {
        guiTimerSet(timer, 0, 0);
    }
    return 0;
}

uint32_t guiManagerAppStateGet(void)
{
    std::shared_lock<std::shared_mutex> lock(gGuiManagerMsg.stateLock);
    return gGuiManagerMsg.ui4SysState;
}

void guiManagerAppStateSet(uint32_t state)
{
    std::unique_lock<std::shared_mutex> lock(gGuiManagerMsg.stateLock);
    gGuiManagerMsg.ui4SysState = state;
}
