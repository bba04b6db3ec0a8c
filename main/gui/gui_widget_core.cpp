#include "main/gui/gui_widget_core.h"

#include "main/gui/gui_ops.h"
#include "main/gui/gui_widget.h"
#include "main/gui/gui_widget_source.h"
#include "main/gui/tone/gui_tone.h"
#include "main/timerd/gui_log.h"
#include "main/timerd/gui_timer.h"

#include <array>
#include <cstring>
#include <mutex>

namespace {

struct TimerRow {
    GuiTimerCbk callback;
    const char* created;
};

// The callbacks belong to the widgets that arm the timers; until those exist a firing is logged.
void timerNotBuilt(uint32_t)
{
    GUI_LOG_ERR("widget timer callback not built yet");
}

constexpr TimerRow kTimers[GUI_WIDGET_TIMERS] = {
    {timerNotBuilt, "Timer Version Disp Create Success!"},
    {guiWidgetSrcSelTimeoutCbk, "Timer Src Toggle Create Success!"},
    {guiWidgetSrcBtTimeoutCbk, "Timer Src Bt Create Success!"},
    {timerNotBuilt, "Timer Mute Toggle Create Success!"},
    {guiWidgetMuteDispTimeoutCbk, "Timer Mute Disp Create Success!"},
    {guiWidgetUnMuteTimeoutCbk, "Timer Unmute Create Success!"},
    {timerNotBuilt, "Timer Unmute Hdmi Create Success!"},
    {timerNotBuilt, "Timer Vol Create Success!"},
    {timerNotBuilt, "Timer Vol sync Create Success!"},
    {timerNotBuilt, "Timer Vol bt Create Success!"},
    {timerNotBuilt, "Timer Vol wireless Create Success!"},
    {guiWidgetShopDispTimeoutCbk, "Timer Shop Disp Create Success!"},
    {timerNotBuilt, "Timer Udisk Play/Previous/Next Create Success!"},
    {timerNotBuilt, "Timer Udisk Music Play Create Success!"},
    {timerNotBuilt, "Timer Udisk offline Create Success!"},
    {timerNotBuilt, "Timer wireless pair Create Success!"},
};

// The record is written on the GUI thread and copied by other threads (the phone-app link).
struct GuiWidget {
    std::mutex lock;
    uint8_t init = 0;
    std::array<uint32_t, GUI_WIDGET_TIMERS> timers{};
    GuiWidgetSetting setting{};
    GuiWidgetCbkTable cbk{};
};

GuiWidget& widget()
{
    static GuiWidget* w = new GuiWidget;  // timer threads may still run while the process ends
    return *w;
}

void stopTimer(uint32_t handle)
{
    if (guiTimerActiveStsGet(handle) != 0) {
        guiTimerSet(handle, 0, 0);
    }
}

}  // namespace

void guiWidgetInit(void)
{
    GuiWidget& w = widget();
    std::lock_guard<std::mutex> lock(w.lock);
    if (w.init != 0) {
        return;
    }
    if (w.cbk.slot[GUI_WIDGET_CBK_WIDGET_SETTING_GET] != nullptr) {
        GUI_LOG_INFO("setting_get_cbk!");
        w.cbk.slot[GUI_WIDGET_CBK_WIDGET_SETTING_GET](&w.setting);
    }
    for (uint32_t i = 0; i < GUI_WIDGET_TIMERS; ++i) {
        w.timers[i] = guiTimerCreate(kTimers[i].callback, 0);
        if (w.timers[i] != 0) {
            GUI_LOG_INFO("%s", kTimers[i].created);
        }
    }
    w.init = 1;
}

void guiWidgetExit(void)
{
    GuiWidget& w = widget();
    std::array<uint32_t, GUI_WIDGET_TIMERS> timers{};
    {
        std::lock_guard<std::mutex> lock(w.lock);
        timers = w.timers;
        w.timers.fill(0);
        w.init = 0;
    }
    for (uint32_t handle : timers) {
        if (handle != 0) {
            guiTimerDelete(handle);
        }
    }
}

void guiWidgetRegisterCbk(const GuiWidgetCbkTable* table)
{
    if (table == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(widget().lock);
    widget().cbk = *table;
}

namespace {

// The wrapper layer, below the widgets, hands its table to the widget core when it starts.
[[maybe_unused]] const bool gCbkReceiverNamed = (guiWrapperCbkReceiverSet(guiWidgetRegisterCbk), true);

}  // namespace

void guiWidgetSettingGet(GuiWidgetSetting* out)
{
    if (out == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    std::lock_guard<std::mutex> lock(widget().lock);
    *out = widget().setting;
}

void guiWidgetEvtCusProcess(const GuiMsg* msg)
{
    if (msg == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    if (msg->msg_id < GUI_USR_EVT_FIRST || msg->msg_id > GUI_USR_EVT_LAST) {
        return;
    }
    GuiWidget& w = widget();
    uint32_t verTimer = 0;
    {
        std::lock_guard<std::mutex> lock(w.lock);
        if (w.setting.ver_sts < 1 || w.setting.ver_sts > 9) {
            return;
        }
        w.setting.ver_disp_reset = 0;
        w.setting.ver_sts = 0;
        verTimer = w.timers[GUI_WIDGET_TIMER_VER_DISP - 1];
    }
    stopTimer(verTimer);
}

uint8_t guiWidgetMuteStsGet(void)
{
    std::lock_guard<std::mutex> lock(widget().lock);
    return widget().setting.mute_sts;
}

void guiWidgetShopDispTimerStop(void)
{
    stopTimer(guiWidgetTimerGet(GUI_WIDGET_TIMER_SHOP_DISP));
}

void guiWidgetDispPlayerStop(void)
{
    GUI_LOG_INFO("Disp Player Stop!");
    guiManagerAppMsgSndStop();
    guiToneStop();
    if (guiOpsDispModeGet() > GUI_OPS_DISP_MODE_STATIC) {
        GUI_LOG_INFO("No Dynamic disp when powering off!");
        guiOpsCleanDispBuf();
    }
    GuiWidget& w = widget();
    std::array<uint32_t, GUI_WIDGET_TIMERS> timers{};
    GuiWidgetCbkTable cbk{};
    uint32_t audSrc = 0;
    {
        std::lock_guard<std::mutex> lock(w.lock);
        timers = w.timers;
        cbk = w.cbk;
        audSrc = w.setting.aud_src;
        w.setting.src_gst_sts = 0;
    }
    for (uint32_t i = 0; i < GUI_WIDGET_TIMERS; ++i) {
        if (i + 1 != GUI_WIDGET_TIMER_SHOP_DISP) {
            stopTimer(timers[i]);
        }
    }
    if (cbk.slot[GUI_WIDGET_CBK_MUSIC_POWER_OFF] != nullptr) {
        cbk.slot[GUI_WIDGET_CBK_MUSIC_POWER_OFF](nullptr);
    }
    if (cbk.slot[GUI_WIDGET_CBK_FORCE_SRC_IN_CLR] != nullptr) {
        cbk.slot[GUI_WIDGET_CBK_FORCE_SRC_IN_CLR](&audSrc);
    }
}

uint32_t guiWidgetTimerGet(GuiWidgetTimer timer)
{
    if (timer < 1 || timer > GUI_WIDGET_TIMERS) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(widget().lock);
    return widget().timers[timer - 1];
}

GuiWidgetSetting& guiWidgetRecord(void)
{
    return widget().setting;
}

std::mutex& guiWidgetRecordLock(void)
{
    return widget().lock;
}

GuiWidgetCbkTable guiWidgetCbkGet(void)
{
    std::lock_guard<std::mutex> lock(widget().lock);
    return widget().cbk;
}

void guiWidgetSettingRefresh(void)
{
    GuiWidget& w = widget();
    std::lock_guard<std::mutex> lock(w.lock);
    if (w.cbk.slot[GUI_WIDGET_CBK_WIDGET_SETTING_GET] != nullptr) {
        GUI_LOG_INFO("setting_get_cbk!");
        w.cbk.slot[GUI_WIDGET_CBK_WIDGET_SETTING_GET](&w.setting);
    }
}

int32_t guiWidgetSlotCall(GuiWidgetCbkSlot slot, void* arg)
{
    const GuiWidgetCbkTable cbk = guiWidgetCbkGet();
    if (slot >= GUI_WIDGET_CBK_SLOTS || cbk.slot[slot] == nullptr) {
        return 0;
    }
    return cbk.slot[slot](arg);
}

void guiWidgetSlotSettingSet(GuiWrapperSettingId id)
{
    const GuiWidgetCbkTable cbk = guiWidgetCbkGet();
    if (cbk.WidgetSettingSet == nullptr) {
        return;
    }
    GuiWidgetSetting copy{};
    guiWidgetSettingGet(&copy);
    cbk.WidgetSettingSet(id, &copy);
}
