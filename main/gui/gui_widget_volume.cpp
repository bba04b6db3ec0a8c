// The volume and mute widgets: volume keys, volume set events and the Bluetooth module's volume
// change the widget record, show the level for five seconds, store it and reach the wrapper table's
// VolSet (or, while a prompt tone plays, the volume timer that waits for it); the mute events change
// the mute state the same way through MuteSet. They run on the GUI manager's thread.
#include "main/timerd/gui_log.h"
#include "main/gui/gui_ops.h"
#include "main/gui/gui_tracking.h"
#include "main/gui/gui_widget.h"
#include "main/gui/gui_widget_core.h"
#include "main/gui/gui_widget_disp.h"
#include "main/gui/gui_widget_volume_priv.h"
#include "main/gui/tone/gui_tone.h"
#include "main/timerd/gui_timer.h"

#include <mutex>
#include <tuple>

namespace {

constexpr uint16_t kVolDispMs = 5000;
constexpr uint32_t kVolDeferMs = 500;
constexpr uint32_t kBlinkMs = 500;
constexpr uint16_t kMuteBlinkTimes = 5;
constexpr uint32_t kAudSrcBt = 3;
constexpr uint32_t kMusicPaused = 3;
constexpr uint32_t kBtPaused = 5;
constexpr uint32_t kWirelessPairing = 1;
constexpr uint32_t kTrackMute = 4;
constexpr uint32_t kTrackUnmute = 5;

template <typename F>
auto withRecord(F&& f)
{
    std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
    return f(guiWidgetRecord());
}

void timerStop(GuiWidgetTimer timer)
{
    const uint32_t handle = guiWidgetTimerGet(timer);
    if (handle != 0 && guiTimerActiveStsGet(handle) != 0) {
        guiTimerSet(handle, 0, 0);
    }
}

void stopVolumeTimers()
{
    for (GuiWidgetTimer t :
         {GUI_WIDGET_TIMER_VOL, GUI_WIDGET_TIMER_VOL_SYNC, GUI_WIDGET_TIMER_VOL_BT, GUI_WIDGET_TIMER_VOL_WIRELESS}) {
        timerStop(t);
    }
}

void callByteSlot(GuiWidgetCbkSlot slot, uint8_t value)
{
    uint8_t copy = value;
    guiWidgetSlotCall(slot, &copy);
}

void showVolume(uint8_t vol)
{
    guiWidgetVolDispHistorySet(vol, kVolDispMs);
}

void showMute(uint8_t mute)
{
    const auto [vol, paused, pairing] = withRecord([](const GuiWidgetSetting& s) {
        return std::make_tuple(s.vol, s.music_sts == kMusicPaused || s.bt_sts == kBtPaused,
                               s.wireless_aud_sts == kWirelessPairing);
    });
    if (mute == 0) {
        showVolume(vol);
    } else if (paused) {
        if (pairing) {
            guiOpsDispBlinkOnceStr("MUTE", kMuteBlinkTimes, kBlinkMs, kBlinkMs, guiWidgetDispHistory);
        } else {
            guiOpsDispBlinkStr("MUTE", kBlinkMs, kBlinkMs);
        }
    } else if (pairing) {
        guiOpsDispStaticOnceStr("MUTE", 1, kVolDispMs, guiWidgetDispHistory);
    } else {
        guiOpsDispAdaptiveStr("MUTE", guiWidgetDispHome);
    }
}

// The unmute step the volume keys share with the sound modes.
void muteOff(bool withBtPlay)
{
    const uint32_t audSrc = withRecord([](GuiWidgetSetting& s) {
        s.mute_sts = 0;
        return s.aud_src;
    });
    guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_MUTE);
    guiOpsCleanDispBuf();
    callByteSlot(GUI_WIDGET_CBK_MUTE_SET, 0);
    if (withBtPlay && audSrc == kAudSrcBt) {
        guiWidgetSlotCall(GUI_WIDGET_CBK_BT_PLAY, nullptr);
    }
}

// The current volume and its day or night copy; the setting id that stores it.
GuiWrapperSettingId storeVolume(GuiWidgetSetting& s, uint8_t v)
{
    s.vol = v;
    if (s.eq_mode == GUI_EQ_MODE_NIGHT) {
        s.night_vol = v;
        return GUI_WRAPPER_SETTING_NIGHT_VOL;
    }
    s.day_vol = v;
    return GUI_WRAPPER_SETTING_VOL;
}

// Send now, or once the playing prompt tone has ended (the volume timer sends the then current
// volume).
void sendVolume(GuiWidgetCbkSlot slot, GuiWidgetTimer timer, uint8_t v)
{
    if (guiTonePlayDoneGet() != 0) {
        callByteSlot(slot, v);
    } else {
        guiTimerSet(guiWidgetTimerGet(timer), kVolDeferMs, 0);
    }
}

// Show; when the value changed, store it and send it.
void showStoreSend(uint8_t v)
{
    showVolume(v);
    bool changed = false;
    GuiWrapperSettingId id = GUI_WRAPPER_SETTING_VOL;
    withRecord([&](GuiWidgetSetting& s) {
        changed = s.vol != v;
        if (changed) {
            id = storeVolume(s, v);
        }
        return 0;
    });
    if (!changed) {
        return;
    }
    guiWidgetSlotSettingSet(id);
    sendVolume(GUI_WIDGET_CBK_VOL_SET, GUI_WIDGET_TIMER_VOL, v);
}

struct MuteView {
    uint8_t muted;
    uint8_t vol;
};

MuteView muteView()
{
    return withRecord([](const GuiWidgetSetting& s) { return MuteView{s.mute_sts, guiWidgetVolClamp(s.vol)}; });
}

void stopMuteTimers()
{
    const uint32_t unmute = guiWidgetTimerGet(GUI_WIDGET_TIMER_UNMUTE);
    if (unmute != 0 && guiTimerActiveStsGet(unmute) != 0) {
        GUI_LOG_INFO("timer_unmute_fd is active!");
        guiTimerSet(unmute, 0, 0);
    }
    timerStop(GUI_WIDGET_TIMER_MUTE_TOGGLE);
    stopVolumeTimers();
    timerStop(GUI_WIDGET_TIMER_USB_CTRL);
}

}  // namespace

void guiWidgetVolumeSetProcess(uint8_t level)
{
    stopVolumeTimers();
    // The volume tables end at 100: a larger value never reaches the record.
    level = guiWidgetVolClamp(level);
    const MuteView m = muteView();
    if (m.muted != 0 && guiWidgetVolSetUnmutes(level, m.vol)) {
        muteOff(true);
    }
    showStoreSend(level);
}

void guiWidgetVolumeOnceProcess(uint8_t dir)
{
    if (dir > GUI_WIDGET_VOL_DIR_DOWN) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    stopVolumeTimers();
    const MuteView m = muteView();
    bool atLimit = false;
    const uint8_t v = guiWidgetVolOnceStep(m.vol, dir, &atLimit);
    if (atLimit) {
        GUI_LOG_INFO("%s", dir == GUI_WIDGET_VOL_DIR_UP ? "Volume is Max!" : "Volume is Min!");
    }
    if (m.muted != 0 && guiWidgetVolKeyUnmutes(dir, v)) {
        muteOff(true);
    }
    showStoreSend(v);
}

void guiWidgetVolumeRepeatProcess(uint8_t dir, uint8_t step)
{
    if (dir > GUI_WIDGET_VOL_DIR_DOWN) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    stopVolumeTimers();
    const MuteView m = muteView();
    const uint8_t v = guiWidgetVolRepeatStep(m.vol, dir, step);
    if (m.muted != 0 && guiWidgetVolKeyUnmutes(dir, v)) {
        muteOff(true);
    }
    showStoreSend(v);
}

void guiWidgetBtVolProcess(uint8_t level)
{
    const uint32_t audSrc = withRecord([](const GuiWidgetSetting& s) { return s.aud_src; });
    if (audSrc != kAudSrcBt) {
        GUI_LOG_INFO("aud_src=%u!", static_cast<unsigned>(audSrc));
        return;
    }
    guiToneStop();
    level = guiWidgetVolClamp(level);
    const MuteView m = muteView();
    if (m.muted != 0 && guiWidgetVolBtUnmutes(level, m.vol)) {
        muteOff(false);
    }
    showVolume(level);
    const GuiWrapperSettingId id = withRecord([&](GuiWidgetSetting& s) { return storeVolume(s, level); });
    guiWidgetSlotSettingSet(id);
    sendVolume(GUI_WIDGET_CBK_VOL_SYNC, GUI_WIDGET_TIMER_VOL_SYNC, level);
}

void guiWidgetMuteSetProcess(uint8_t mute)
{
    stopMuteTimers();
    const uint8_t muted = mute != 0 ? 1 : 0;
    withRecord([&](GuiWidgetSetting& s) { return s.mute_sts = muted; });
    showMute(muted);
    guiTrackingPrint(muted != 0 ? kTrackMute : kTrackUnmute, 0);
    guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_MUTE);
    withRecord([&](GuiWidgetSetting& s) { return s.mute_toggle_play = muted != 0 ? 0 : 1; });
    callByteSlot(GUI_WIDGET_CBK_MUTE_SET, muted);
}

void guiWidgetMuteToggleProcess(void)
{
    stopMuteTimers();
    const uint8_t muted = withRecord([](GuiWidgetSetting& s) { return s.mute_sts = s.mute_sts != 0 ? 0 : 1; });
    showMute(muted);
    if (muted != 0) {
        guiToneStop();
        guiTrackingPrint(kTrackMute, 0);
    } else {
        guiTrackingPrint(kTrackUnmute, 0);
    }
    guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_MUTE);
    callByteSlot(GUI_WIDGET_CBK_MUTE_SET, muted);
}
