// The idle picture and the status texts (source, mute, Bluetooth, subwoofer link, USB): what the
// front panel falls back to when no timed text runs.
#include "main/gui/gui_widget_disp.h"
#include "main/gui/gui_widget_disp_priv.h"

#include "main/gui/gui_manager.h"
#include "main/gui/gui_ops.h"
#include "main/gui/gui_widget.h"
#include "main/gui/gui_widget_core.h"
#include "main/timerd/gui_log.h"
#include "main/timerd/gui_timer.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr uint32_t kBlinkMs = 500;
constexpr uint16_t kScrollMs = 350;
constexpr uint16_t kHoldMs = 1000;
constexpr uint16_t kLongMs = 5000;
constexpr uint16_t kPairingBlinks = 5;
constexpr uint16_t kFileIdxMs = 500;
constexpr uint32_t kBtMuteDispMs = 3000;
constexpr uint32_t kUsbMuteDispMs = 1000;
constexpr uint32_t kShopDispMs = 3000;
constexpr uint32_t kWaitStepMs = 100;
constexpr int kWaitTries = 30;

constexpr uint32_t kSrcArc = 0;
constexpr uint32_t kSrcBt = 3;
constexpr uint32_t kSrcUsb = 5;
constexpr const char* kSrcNames[] = {" ARC", "HDIN", " OPT", "  BT", " AUX", " USB"};

constexpr uint32_t kMusicStopped = 1;
constexpr uint32_t kMusicPlaying = 2;
constexpr uint32_t kMusicPaused = 3;
constexpr uint32_t kBtConnected = 4;
constexpr uint32_t kBtPaused = 5;
constexpr uint32_t kBtPlaying = 6;
constexpr uint32_t kPairing = 1;

struct Sleep {
    GuiWidgetDispSleepFct fct = nullptr;
    std::mutex lock;
};

Sleep& sleeper()
{
    static Sleep s;
    return s;
}

GuiWidgetSetting snapshot()
{
    std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
    return guiWidgetRecord();
}

void startTimer(GuiWidgetTimer timer, uint32_t ms)
{
    guiTimerSet(guiWidgetTimerGet(timer), ms, 0);
}

// Blinks for ever; while the subwoofer pairs, five times and then its blink comes back.
void blinkUntilReplaced(const char* text, const GuiWidgetSetting& w)
{
    if (w.wireless_aud_sts == kPairing) {
        guiOpsDispBlinkOnceStr(text, kPairingBlinks, kBlinkMs, kBlinkMs, guiWidgetDispHistory);
    } else {
        guiOpsDispBlinkStr(text, kBlinkMs, kBlinkMs);
    }
}

void showMuteStatic(const GuiWidgetSetting& w)
{
    if (w.wireless_aud_sts == kPairing) {
        guiOpsDispStaticOnceStr("MUTE", 1, kLongMs, guiWidgetDispHistory);
    } else {
        guiOpsDispAdaptiveStr("MUTE", guiWidgetDispHome);
    }
}

// The wrapper answers 0 or 2 for eARC; anything else is plain ARC.
void showArc()
{
    uint8_t sts = 1;
    guiWidgetSlotCall(GUI_WIDGET_CBK_HDMI_EARC_STS_GET, &sts);
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        guiWidgetRecord().eArc_sts = sts;
    }
    guiOpsDispAdaptiveStr(sts == 0 || sts == 2 ? "EARC" : " ARC", guiWidgetDispHistory);
}

void showPlayTime(uint32_t minutes, uint32_t seconds)
{
    char text[16] = {};
    snprintf(text, sizeof(text), "%02u:%02u", static_cast<unsigned>(minutes), static_cast<unsigned>(seconds));
    guiOpsDispAdaptiveStr(text, guiWidgetDispHistory);
}

void showFileIdx(uint32_t fileIdx)
{
    char text[16] = {};
    snprintf(text, sizeof(text), "%04u", static_cast<unsigned>(fileIdx));
    guiOpsDispStaticOnceStr(text, 1, kFileIdxMs, guiWidgetDispHistory);
}

bool timedModeShowing()
{
    const uint32_t mode = guiOpsDispModeGet();
    return mode == GUI_OPS_DISP_MODE_STATIC_ONCE || mode == GUI_OPS_DISP_MODE_BLINK_ONCE ||
           mode == GUI_OPS_DISP_MODE_SCROLL_ONCE;
}

}  // namespace

void guiWidgetDispSleepSet(GuiWidgetDispSleepFct fct)
{
    std::lock_guard<std::mutex> lock(sleeper().lock);
    sleeper().fct = fct;
}

void guiWidgetDispSleep(uint32_t ms)
{
    GuiWidgetDispSleepFct fct = nullptr;
    {
        std::lock_guard<std::mutex> lock(sleeper().lock);
        fct = sleeper().fct;
    }
    if (fct != nullptr) {
        fct(ms);
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

void guiWidgetDispHome(void)
{
    const GuiWidgetSetting w = snapshot();
    if (w.shop_mode_en != 0) {
        guiWidgetDispShopMode(1);
        return;
    }
    if (w.mute_sts != 0) {
        guiWidgetDispMute(1);
        return;
    }
    const uint32_t state = guiManagerAppStateGet();
    if (state == GUI_SYS_STATE_PDT) {
        guiWidgetPdtModeKeyLedProcess();
        return;
    }
    if (state == GUI_SYS_STATE_IDLE) {
        return;
    }
    switch (w.aud_src) {
    case kSrcArc:
        showArc();
        break;
    case kSrcBt:
        if (w.bt_sts == kBtPlaying) {
            guiOpsDispAdaptiveStr("  BT", guiWidgetDispHistory);
        } else if (w.bt_sts == kBtConnected || w.bt_sts == kBtPaused) {
            guiOpsDispAdaptiveStr("PAUS", guiWidgetDispHistory);
        } else {
            blinkUntilReplaced("  BT", w);
        }
        break;
    case kSrcUsb:
        if (w.udisk_sts == 0) {
            guiOpsDispAdaptiveStr("NO USB", guiWidgetDispHistory);
        } else if (w.music_sts == kMusicPlaying) {
            showPlayTime(w.play_min, w.play_sec);
        } else if (w.music_sts == kMusicPaused) {
            guiOpsDispAdaptiveStr("PAUS", guiWidgetDispHistory);
        } else if (w.music_sts == kMusicStopped) {
            guiOpsDispAdaptiveStr(" USB", guiWidgetDispHistory);
        }
        break;
    default:
        if (w.aud_src < sizeof(kSrcNames) / sizeof(kSrcNames[0])) {
            guiOpsDispAdaptiveStr(kSrcNames[w.aud_src], guiWidgetDispHistory);
        }
        break;
    }
}

void guiWidgetDispHistory(void)
{
    const GuiWidgetSetting w = snapshot();
    if (w.wireless_aud_sts == kPairing && w.wireless_last_aud_sts <= 2) {
        guiWidgetDispWirelessAudioSts(1);
    }
}

void guiWidgetVolDispHistory(void)
{
    guiWidgetDispWirelessAudioSts(1);
}

void guiWidgetDispMute(uint8_t mute)
{
    const GuiWidgetSetting w = snapshot();
    if (mute == 0) {
        guiWidgetVolDispHistorySet(w.vol, kLongMs);
        return;
    }
    if (w.music_sts == kMusicPaused || w.bt_sts == kBtPaused) {
        blinkUntilReplaced("MUTE", w);
    } else {
        showMuteStatic(w);
    }
}

void guiWidgetDispSrc(uint32_t source)
{
    guiOpsCleanDispBuf();
    if (source == kSrcArc) {
        showArc();
        return;
    }
    if (source >= sizeof(kSrcNames) / sizeof(kSrcNames[0])) {
        return;
    }
    const GuiWidgetSetting w = snapshot();
    if (source == kSrcBt && w.bt_sts < kBtConnected) {
        blinkUntilReplaced("  BT", w);
        return;
    }
    guiOpsDispAdaptiveStr(kSrcNames[source], guiWidgetDispHistory);
}

void guiWidgetDispBtSts(uint32_t btSts)
{
    const uint32_t state = guiManagerAppStateGet();
    if ((state & (GUI_SYS_STATE_SRC_BT | GUI_SYS_STATE_BYPASS | GUI_SYS_STATE_STANDARD_TEST)) == 0) {
        GUI_LOG_INFO("sys_state=0x%x!", static_cast<unsigned>(state));
        return;
    }
    const GuiWidgetSetting w = snapshot();
    const bool muted = w.mute_sts != 0;
    if (btSts == w.bt_sts && muted) {
        GUI_LOG_INFO("No display music status in mute status!");
        return;
    }
    const bool connectionChange =
        btSts != w.bt_sts && (btSts == 2 || (w.bt_sts < kBtConnected) != (btSts < kBtConnected));
    if (connectionChange) {
        if (muted) {
            startTimer(GUI_WIDGET_TIMER_MUTE_DISP, kBtMuteDispMs);
        }
    } else if (!muted) {
        for (int i = 0; i < kWaitTries && timedModeShowing(); ++i) {
            GUI_LOG_INFO("disp_mode=%d, try again!", static_cast<int>(guiOpsDispModeGet()));
            guiWidgetDispSleep(kWaitStepMs);
        }
    } else if (btSts != kBtPaused && btSts != kBtPlaying) {
        GUI_LOG_INFO("No display music status in mute status!");
        return;
    }
    if (w.shop_mode_en != 0) {
        GUI_LOG_INFO("No display music status in shop status!");
        return;
    }
    if (btSts < kBtConnected) {
        blinkUntilReplaced("  BT", w);
    } else if (btSts == kBtConnected) {
        guiOpsDispAdaptiveStr("  BT", guiWidgetDispHistory);
    } else if (btSts == kBtPaused) {
        if (muted) {
            blinkUntilReplaced("MUTE", w);
        } else if (w.bt_sts == kBtPlaying) {
            guiOpsDispAdaptiveStr("PAUS", guiWidgetDispHistory);
        }
    } else if (btSts == kBtPlaying) {
        if (muted) {
            showMuteStatic(w);
        } else {
            guiOpsDispAdaptiveStr("  BT", guiWidgetDispHistory);
        }
    }
}

void guiWidgetDispWirelessAudioSts(uint32_t status)
{
    const GuiWidgetSetting w = snapshot();
    if (w.shop_mode_en != 0) {
        GUI_LOG_INFO("No display music status in shop status!");
        return;
    }
    switch (status) {
    case 1:
        guiOpsDispBlinkStr(" SUB", kBlinkMs, kBlinkMs);
        break;
    case 2:
        guiWidgetDispHome();
        if (!(w.aud_src == kSrcUsb && w.music_sts == kMusicPlaying)) {
            uint8_t ignored = 0;
            guiWidgetSlotCall(GUI_WIDGET_CBK_MUSIC_AUTO_SCREENSAVER_ENTER, &ignored);
        }
        break;
    case 4:
        if (w.wireless_last_aud_sts == 1 || w.wireless_last_aud_sts == 3) {
            guiOpsDispStaticOnceStr(" SUB", 1, kLongMs, guiWidgetDispHome);
        }
        break;
    case 5:
        guiWidgetDispHome();
        break;
    default:
        break;
    }
}

void guiWidgetDispWirelessAudioPairingSts(void)
{
    if (snapshot().shop_mode_en == 0) {
        guiOpsDispBlinkStr(" SUB", kBlinkMs, kBlinkMs);
    }
}

void guiWidgetDispUDiskHotplugSts(uint8_t plugged)
{
    const GuiWidgetSetting w = snapshot();
    if (plugged > 1 || w.aud_src != kSrcUsb) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    if (w.mute_sts != 0) {
        GUI_LOG_INFO("No display usb status in mute status!");
        return;
    }
    if (w.shop_mode_en != 0) {
        GUI_LOG_INFO("No display usb status in shop status!");
        return;
    }
    if (plugged != 0) {
        guiOpsDispAdaptiveStr(" USB", guiWidgetDispHistory);
    } else if (w.wireless_aud_sts == kPairing) {
        guiOpsDispScrollOnceStr("NO USB", 3, kScrollMs, kHoldMs, guiWidgetDispHistory);
    } else {
        guiOpsDispAdaptiveStr("NO USB", nullptr);
    }
}

void guiWidgetDispUDiskMusicSts(uint32_t fileIdx, uint32_t musicSts)
{
    const GuiWidgetSetting w = snapshot();
    const bool muted = w.mute_sts != 0;
    if (muted) {
        if (musicSts == kMusicPlaying) {
            showMuteStatic(w);
            return;
        }
        if (musicSts != kMusicPaused) {
            GUI_LOG_INFO("mute sts priority!");
            return;
        }
        GUI_LOG_INFO("continue process!");
    }
    if (w.shop_mode_en != 0) {
        if (musicSts != kMusicPlaying || (w.music_sts != kMusicPlaying && fileIdx == w.last_usb_file_idx)) {
            GUI_LOG_INFO("Forbid display music status in shop status!");
            return;
        }
        GUI_LOG_INFO("Allow display music status in shop status!");
        startTimer(GUI_WIDGET_TIMER_SHOP_DISP, kShopDispMs);
    }
    if (musicSts == kMusicStopped) {
        guiOpsDispAdaptiveStr(" USB", guiWidgetDispHistory);
    } else if (musicSts == kMusicPlaying) {
        if (fileIdx != w.last_usb_file_idx) {
            {
                std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
                guiWidgetRecord().last_usb_file_idx = fileIdx;
            }
            showFileIdx(fileIdx);
        } else if (w.music_sts == kMusicPaused) {
            // Resuming: the counter has moved on by the time the text shows. A second past 59
            // carries into the minutes.
            const uint32_t seconds = w.play_sec + 1;
            showPlayTime(w.play_min + seconds / 60, seconds % 60);
        } else if (w.wireless_aud_sts == kPairing) {
            guiWidgetDispHistory();
        }
    } else if (musicSts == kMusicPaused) {
        if (muted) {
            blinkUntilReplaced("MUTE", w);
        } else {
            guiOpsDispAdaptiveStr("PAUS", guiWidgetDispHistory);
        }
    }
}

void guiWidgetDispUDiskMusicPlaying(void)
{
    const GuiWidgetSetting w = snapshot();
    guiWidgetDispUDiskMusicSts(w.usb_file_idx, kMusicPlaying);
    if (w.mute_sts != 0) {
        startTimer(GUI_WIDGET_TIMER_MUTE_DISP, kUsbMuteDispMs);
    }
}
