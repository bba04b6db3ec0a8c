// The time-driven half of the music wrapper: the music thread that turns raised events into GUI
// messages, the one-second music timer (inactivity, screensaver, countdowns, format display,
// volume save, menu), the energy reports with their signal flags and auto wake, and the AUX noise
// detector.
#include "main/gui/link/wrapper_wireless.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/wrapper/wrapper_bt.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/gui/wrapper/wrapper_music_cbk_priv.h"
#include "main/gui/wrapper/wrapper_music_priv.h"
#include "main/gui/wrapper/wrapper_nand.h"
#include "main/gui/wrapper/wrapper_usb.h"
#include "main/timerd/gui_timer.h"

#include <array>
#include <cstring>
#include <system_error>
#include <vector>

#define MUSIC_LOG(fmt, ...) WRAPPER_LOG_ERR("<MUSIC>", fmt, ##__VA_ARGS__)

namespace {

constexpr uint32_t kThresholdOff = 0xFFFFFFFF;
// Auto standby after this many seconds without play, by setting 0..7 (8: off).
constexpr std::array<uint32_t, 9> kAutoStandbyTicks{900, 1800, 3600, 14400, 28800, 43200, 86400, 172800, kThresholdOff};
// Screensaver (or, in idle, power off) after this many seconds, by setting 0..2 (3: off).
constexpr std::array<uint32_t, 4> kScreensaverTicks{5, 30, 60, kThresholdOff};
constexpr uint32_t kScreensaverBtTicks = 180;
constexpr uint32_t kBtStsConnected = 16;
constexpr uint32_t kPdtSeconds = 60;
constexpr uint32_t kErpTicks = 5;
constexpr uint32_t kMenuTicks = 5;
constexpr uint32_t kEnergyCountMax = 2;     // reports absorbed before a signal flag changes
constexpr uint32_t kPopUnmuteEnergy = 4;    // reports above this count towards the pop unmute
constexpr uint32_t kPopUnmuteReports = 4;   // counted reports before the one that unmutes
constexpr uint32_t kPopUnmuteEffectMs = 1000;
constexpr uint32_t kFmtShowEnergy = 4;
// Formats shown without waiting for signal energy: unsupported (0) and the first DTS format (7).
constexpr uint32_t kAudFmtNone = 0;
constexpr uint32_t kAudFmtDts = 7;
constexpr uint32_t kAuxNoiseEnergy = 15;
constexpr uint32_t kAuxSignalEnergy = 50;
constexpr uint16_t kNoiseLimit = 50;
constexpr uint16_t kWeakSignalLimit = 4;
constexpr uint16_t kSignalLimit = 1;
constexpr uint32_t kBusyStates = GUI_SYS_STATE_OFF | GUI_SYS_STATE_TRANSIT | GUI_SYS_STATE_IDLE | GUI_SYS_STATE_PDT |
                                 GUI_SYS_STATE_UPGRADE | GUI_SYS_STATE_BYPASS | GUI_SYS_STATE_PCBA_TEST;
constexpr uint32_t kSleepStates = GUI_SYS_STATE_OFF | GUI_SYS_STATE_IDLE;
constexpr uint32_t kUsbPlaying = 2;
constexpr uint8_t kBtPlaying = 1;

using EnergyHandler = void (*)(uint8_t signal);

struct SrcEnergy {
    uint16_t threshold;
    EnergyHandler handler;
};

GuiWrapperMusicObj& obj()
{
    return guiWrapperMusicObj();
}

void guiWrapperMusicSrcOtherEnergyProcess(uint8_t signal)
{
    if (signal == 1 && obj().auto_wake.load() == 1 && (guiManagerAppStateGet() & kSleepStates) != 0) {
        MUSIC_LOG("Energy Power Up");
        guiWrapperMusicEvtRaise(E_GUI_WRAPPER_MUSIC_EVT_AUTO_WAKEUP);
    }
}

void guiWrapperMusicSrcAuxEnergyProcess(uint8_t signal)
{
    guiWrapperMusicSrcOtherEnergyProcess(signal);
}

// By source 0..4; Bluetooth never reports energy.
constexpr std::array<SrcEnergy, 5> gGuiWrapperMusicSrcEnergy{{
    {10, guiWrapperMusicSrcOtherEnergyProcess},
    {5, guiWrapperMusicSrcOtherEnergyProcess},
    {10, guiWrapperMusicSrcOtherEnergyProcess},
    {0, nullptr},
    {15, guiWrapperMusicSrcAuxEnergyProcess},
}};

// Counts `cnt` up to `limit`; true on the tick it reaches it (then it starts again from 0).
bool countTo(std::atomic<uint32_t>& cnt, uint32_t limit)
{
    if (++cnt >= limit) {
        cnt = 0;
        return true;
    }
    return false;
}

// Counts `cnt` down; true on the tick it reaches 0.
bool countDown(std::atomic<uint32_t>& cnt)
{
    uint32_t v = cnt.load();
    while (v != 0 && !cnt.compare_exchange_weak(v, v - 1)) {
    }
    return v == 1;
}

void guiWrapperMusicEvtPost(uint16_t guiMsgId, const uint8_t* param)
{
    GuiMsg msg{};
    msg.msg_id = guiMsgId;
    if (param != nullptr) {
        msg.msg_size = 1;
        msg.data[0] = *param;
    }
    guiManagerAppMsgSnd(&msg);
}

void postEvent(uint32_t evt, uint8_t param)
{
    GuiWrapperMusicObj& o = obj();
    switch (evt) {
        case E_GUI_WRAPPER_MUSIC_EVT_ALLOW_TIMEOUT:
            guiWrapperMusicEvtPost(E_GUI_SYS_EVT_ALLOW_TIMEOUT, nullptr);
            break;
        case E_GUI_WRAPPER_MUSIC_EVT_AUTO_STANDBY:
            guiWrapperMusicEvtPost(E_GUI_SYS_EVT_AUTO_STANDBY, nullptr);
            break;
        case E_GUI_WRAPPER_MUSIC_EVT_AUTO_WAKEUP:
            guiWrapperMusicEvtPost(E_GUI_SYS_EVT_SYS_POWER_ON, &param);
            break;
        case E_GUI_WRAPPER_MUSIC_EVT_AUTO_POWEROFF:
            guiWrapperMusicEvtPost(E_GUI_USR_EVT_POWER_OFF, nullptr);
            break;
        case E_GUI_WRAPPER_MUSIC_EVT_SCREENSAVER_ENTER:
            o.auto_screensaver_en = 1;
            guiWrapperMusicEvtPost(E_GUI_SYS_EVT_AUTO_SCREENSAVER_ON, nullptr);
            break;
        case E_GUI_WRAPPER_MUSIC_EVT_SCREENSAVER_EXIT:
            o.auto_screensaver_en = 0;
            guiWrapperMusicEvtPost(E_GUI_SYS_EVT_AUTO_SCREENSAVER_OFF, nullptr);
            break;
        case E_GUI_WRAPPER_MUSIC_EVT_MENU_TIMEOUT:
            guiWrapperMusicEvtPost(E_GUI_SYS_EVT_EXIT_MENU_MODE, nullptr);
            break;
        case E_GUI_WRAPPER_MUSIC_EVT_PDT_TIMEOUT:
            guiWrapperMusicEvtPost(E_GUI_SYS_EVT_PDT_MODE_EXIT, nullptr);
            break;
        case E_GUI_WRAPPER_MUSIC_EVT_AUD_FMT_SHOW:
            guiWrapperMusicEvtPost(E_GUI_SYS_EVT_DECODER_AUD_FMT_SHOW, &param);
            break;
        default:
            break;
    }
}

// Every raised event is posted, in order: the queue is looked at under the lock before waiting.
void guiWrapperMusicProcessThread()
{
    GuiWrapperMusicObj& o = obj();
    std::unique_lock<std::mutex> guard(o.evt_lock);
    while (o.run.load() != 0) {
        if (o.evts.empty()) {
            o.evt_cond.wait(guard);
            continue;
        }
        const GuiWrapperMusicObj::RaisedEvt raised = o.evts.front();
        o.evts.pop_front();
        guard.unlock();
        postEvent(raised.evt, raised.param);
        guard.lock();
    }
}

bool sourcePlaying()
{
    const uint32_t src = obj().aud_src.load();
    if (src == GUI_WRAPPER_MUSIC_SRC_USB) {
        uint32_t sts = 0;
        guiWrapperUsbMusicStsGet(&sts);
        return sts == kUsbPlaying;
    }
    if (src == GUI_WRAPPER_MUSIC_SRC_BT) {
        uint8_t sts = 0;
        guiWrapperBtPlayStsGet(&sts);
        return sts == kBtPlaying;
    }
    return false;
}

}  // namespace

void guiWrapperMusicEvtRaise(uint32_t evt)
{
    GuiWrapperMusicObj& o = obj();
    uint8_t param = 0;
    if (evt == E_GUI_WRAPPER_MUSIC_EVT_AUTO_WAKEUP) {
        param = static_cast<uint8_t>(o.aud_src.load());
    } else if (evt == E_GUI_WRAPPER_MUSIC_EVT_AUD_FMT_SHOW) {
        param = static_cast<uint8_t>(o.aud_fmt.load());
    }
    std::lock_guard<std::mutex> guard(o.evt_lock);
    o.evts.push_back({evt, param});
    o.evt_cond.notify_one();
}

void guiWrapperMusicThreadStart(void)
{
    GuiWrapperMusicObj& o = obj();
    {
        std::lock_guard<std::mutex> guard(o.evt_lock);
        o.evts.clear();
    }
    o.run = 1;
    try {
        o.thread = std::thread(guiWrapperMusicProcessThread);
    } catch (const std::system_error&) {
        o.run = 0;
        MUSIC_LOG("Create guiOpsWriteThread failed!");
    }
}

void guiWrapperMusicThreadStop(void)
{
    GuiWrapperMusicObj& o = obj();
    {
        std::lock_guard<std::mutex> guard(o.evt_lock);
        o.run = 0;
        o.evt_cond.notify_all();
    }
    if (o.thread.joinable()) {
        o.thread.join();
    }
}

void guiWrapperMusicAutoStandbyTimeoutCbk(void)
{
    GuiWrapperMusicObj& o = obj();
    const uint32_t setting = o.auto_standby.load();
    if (setting >= kAutoStandbyTicks.size() - 1) {
        return;
    }
    if (!sourcePlaying() && (guiManagerAppStateGet() & kBusyStates) == 0) {
        if (countTo(o.timer_cnt, kAutoStandbyTicks[setting])) {
            guiWrapperMusicEvtRaise(E_GUI_WRAPPER_MUSIC_EVT_AUTO_STANDBY);
        }
        return;
    }
    o.timer_cnt = 0;
}

void guiWrapperMusicAutoScreensaverTimeoutCbk(void)
{
    GuiWrapperMusicObj& o = obj();
    const uint32_t setting = o.auto_screensaver.load();
    if (setting >= kScreensaverTicks.size() - 1) {
        return;
    }
    const uint32_t state = guiManagerAppStateGet();
    if (state == GUI_SYS_STATE_IDLE) {
        // The idle soundbar powers itself off after the screensaver time.
        if (countTo(o.screensaver_timer_cnt, kScreensaverTicks[setting])) {
            guiWrapperMusicEvtRaise(E_GUI_WRAPPER_MUSIC_EVT_AUTO_POWEROFF);
        }
        return;
    }
    uint32_t pairing = 0;
    guiWrapperWirelessAudStsGet(&pairing);
    if ((state & (GUI_SYS_STATE_PDT | GUI_SYS_STATE_UPGRADE)) == 0 && o.auto_screensaver_en.load() == 0 &&
        o.auto_screensaver_lock.load() == 0 && pairing != 1 && pairing != 3) {
        uint32_t limit = kScreensaverTicks[setting];
        if (o.aud_src.load() == GUI_WRAPPER_MUSIC_SRC_BT) {
            uint32_t bt = 0xFF;
            guiWrapperBtStsGet(&bt);
            if (bt < kBtStsConnected) {
                limit = kScreensaverBtTicks;
            }
        }
        if (countTo(o.screensaver_timer_cnt, limit)) {
            guiWrapperMusicEvtRaise(E_GUI_WRAPPER_MUSIC_EVT_SCREENSAVER_ENTER);
        }
        return;
    }
    o.screensaver_timer_cnt = 0;
}

void guiWrapperMusicTimeoutCbk(uint32_t)
{
    GuiWrapperMusicObj& o = obj();
    guiWrapperMusicAutoStandbyTimeoutCbk();
    guiWrapperMusicAutoScreensaverTimeoutCbk();
    const uint32_t state = guiManagerAppStateGet();
    if (state <= GUI_SYS_STATE_ON) {
        return;
    }
    if (countDown(o.allow_cnt)) {
        guiWrapperMusicEvtRaise(E_GUI_WRAPPER_MUSIC_EVT_ALLOW_TIMEOUT);
    }
    if (countDown(o.pdt_cnt)) {
        guiWrapperMusicEvtRaise(E_GUI_WRAPPER_MUSIC_EVT_PDT_TIMEOUT);
    }
    if (GuiWrapperMusicCbk cbk = guiWrapperMusicCbkGet(); cbk != nullptr) {
        cbk();
    }
    if (o.show_dly.load() != 0) {
        const uint32_t fmt = o.aud_fmt.load();
        if (!(o.energy.load() < kFmtShowEnergy && fmt != kAudFmtNone && fmt != kAudFmtDts)) {
            guiWrapperMusicTimerReset(0);
            uint16_t v = o.show_dly.load();
            if (v != 0) {
                o.show_dly = --v;
            }
            if (v == 0) {
                if (o.mute_sts.load() != 0) {
                    MUSIC_LOG("In Mute, format show return");
                    return;
                }
                guiWrapperMusicEvtRaise(E_GUI_WRAPPER_MUSIC_EVT_AUD_FMT_SHOW);
            }
        }
    }
    uint32_t saveDly = o.nand_save_dly.load();
    if (saveDly != 0 && o.nand_save_dly.compare_exchange_strong(saveDly, saveDly - 1) && saveDly == 1) {
        uint32_t rec[GUI_WRAPPER_NAND_REC_WORDS] = {};
        rec[GUI_WRAPPER_NAND_ITEM_VOLUME] = guiWrapperMusicVolGet();
        guiWrapperNandParamSet(GUI_WRAPPER_NAND_ITEM_VOLUME, rec);
    }
    if (state == GUI_SYS_STATE_MENU) {
        if (++o.menu_timer_cnt > kMenuTicks) {
            o.menu_timer_cnt = 0;
            guiWrapperMusicEvtRaise(E_GUI_WRAPPER_MUSIC_EVT_MENU_TIMEOUT);
        }
    } else {
        o.menu_timer_cnt = 0;
    }
    if (state == GUI_SYS_STATE_PDT && o.enter_en.load() != 0 && countDown(o.erp_timer_cnt)) {
        guiWrapperMusicEvtRaise(E_GUI_WRAPPER_MUSIC_EVT_PDT_TIMEOUT);
    }
}

uint8_t guiWrapperMusicTimerReset(uint8_t clr)
{
    GuiWrapperMusicObj& o = obj();
    o.timer_cnt = 0;
    o.screensaver_timer_cnt = 0;
    if (clr != 0) {
        o.menu_timer_cnt = 0;
    }
    if (o.auto_screensaver_en.load() == 1) {
        MUSIC_LOG("other event wakeup screensaver!");
        guiWrapperMusicEvtRaise(E_GUI_WRAPPER_MUSIC_EVT_SCREENSAVER_EXIT);
        return 1;
    }
    return 0;
}

void __guiWrapperMusicTimerReset(const uint8_t* clr)
{
    guiWrapperMusicTimerReset(clr != nullptr ? *clr : 0);
}

void guiWrapperMusicAutoStandbySet(uint32_t value)
{
    if (value >= kAutoStandbyTicks.size()) {
        MUSIC_LOG("Param Error!");
        return;
    }
    if (obj().auto_standby.exchange(value) != value) {
        obj().timer_cnt = 0;
    }
}

void guiWrapperMusicAutoStandbyGet(uint32_t* out)
{
    if (out != nullptr) {
        *out = obj().auto_standby.load();
    }
}

void guiWrapperMusicAutoScreensaverSet(uint32_t value)
{
    if (value >= kScreensaverTicks.size()) {
        MUSIC_LOG("Param Error!");
        return;
    }
    if (obj().auto_screensaver.exchange(value) != value) {
        obj().screensaver_timer_cnt = 0;
    }
}

void guiWrapperMusicAutoScreensaverGet(uint32_t* out)
{
    if (out != nullptr) {
        *out = obj().auto_screensaver.load();
    }
}

void guiWrapperMusicAutoScreensaverEnter(const void*)
{
    obj().screensaver_timer_cnt = 0;
    guiWrapperMusicEvtRaise(E_GUI_WRAPPER_MUSIC_EVT_SCREENSAVER_ENTER);
}

void guiWrapperMusicAutoScreensaverExit(void)
{
    obj().screensaver_timer_cnt = 0;
    guiWrapperMusicEvtRaise(E_GUI_WRAPPER_MUSIC_EVT_SCREENSAVER_EXIT);
}

void guiWrapperMusicAutoScreensaverLock(uint8_t lock)
{
    obj().auto_screensaver_lock = lock;
}

void guiWrapperMusicPdtSet(const void*)
{
    obj().pdt_cnt = kPdtSeconds;
}

void guiWrapperMusicErpSet(const uint8_t* en)
{
    if (en == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    obj().enter_en = *en;
    obj().erp_timer_cnt = *en != 0 ? kErpTicks : 0;
}

void guiWrapperMusicErpReset(void)
{
    obj().erp_timer_cnt = kErpTicks;
}

void guiWrapperMusicEnergySet(uint32_t energy)
{
    GuiWrapperMusicObj& o = obj();
    if (energy > kPopUnmuteEnergy) {
        if (o.pop_mute_sts.load() == 0) {
            o.pop_unmute_cnt = 0;
        } else if (o.pop_unmute_cnt.load() <= kPopUnmuteReports) {
            ++o.pop_unmute_cnt;
        } else {
            o.pop_unmute_cnt = 0;
            if (o.pop_unmute_timer != 0 && guiTimerActiveStsGet(o.pop_unmute_timer) != 0) {
                guiTimerSet(o.pop_unmute_timer, 0, 0);
            }
            if (o.unmute_en.load() == 1) {
                if (o.effect_set_en.load() == 1) {
                    guiTimerSet(o.pop_unmute_timer, kPopUnmuteEffectMs, 0);
                } else {
                    guiWrapperMusicPopUnMuteCbk(0);
                }
            }
        }
    }
    o.energy = energy;
    const uint32_t src = o.aud_src.load();
    if (src >= gGuiWrapperMusicSrcEnergy.size() || gGuiWrapperMusicSrcEnergy[src].handler == nullptr) {
        return;
    }
    const SrcEnergy& row = gGuiWrapperMusicSrcEnergy[src];
    if (energy < row.threshold) {
        o.energy_high_cnt = 0;
        if (o.energy_low_cnt.load() <= kEnergyCountMax) {
            ++o.energy_low_cnt;
            return;
        }
        o.signal_input[src] = 0;
        row.handler(0);
        return;
    }
    o.timer_cnt = 0;
    o.erp_timer_cnt = kErpTicks;
    o.energy_low_cnt = 0;
    if (o.energy_high_cnt.load() <= kEnergyCountMax) {
        ++o.energy_high_cnt;
        return;
    }
    o.signal_input[src] = 1;
    row.handler(1);
}

void guiWrapperMusicNoiseDetect(uint8_t signal, uint16_t limit)
{
    GuiWrapperMusicObj& o = obj();
    if (signal != 0) {
        if (o.no_noise_cnt.load() >= limit) {
            return;
        }
        if (++o.no_noise_cnt != limit) {
            return;
        }
        o.no_noise_cnt = 0;
        o.noise_cnt = 0;
        if (o.noise_sts.load() == 0) {
            return;
        }
        o.noise_sts = 0;
        o.unmute_en = 1;
        MUSIC_LOG("*********Found No Noise!*********");
        guiWrapperMusicPopMuteSet(0);
        return;
    }
    if (o.noise_cnt.load() >= limit) {
        return;
    }
    if (++o.noise_cnt != limit) {
        return;
    }
    o.noise_sts = 1;
    o.unmute_en = 0;
    MUSIC_LOG("*********Found Noise!*********");
    guiWrapperMusicPopMuteSet(1);
    // The pop mute zeroes the counters; the count stays at the limit so the mute is issued once.
    o.noise_cnt = limit;
}

void guiWrapperMusicNoiseDetectCbk(uint32_t)
{
    GuiWrapperMusicObj& o = obj();
    if (o.effect_set_en.load() == 1) {
        MUSIC_LOG("effect is setting!");
        return;
    }
    if (o.aud_src.load() != GUI_WRAPPER_MUSIC_SRC_AUX) {
        return;
    }
    const uint32_t energy = o.energy.load();
    if (energy < kAuxNoiseEnergy) {
        guiWrapperMusicNoiseDetect(0, kNoiseLimit);
    } else if (energy <= kAuxSignalEnergy) {
        guiWrapperMusicNoiseDetect(1, kWeakSignalLimit);
    } else {
        o.no_noise_cnt = 0;
        guiWrapperMusicNoiseDetect(1, kSignalLimit);
    }
}

void guiWrapperMusicNoiseUnMute(void)
{
    GuiWrapperMusicObj& o = obj();
    MUSIC_LOG("*********Noise UnMute!*********");
    const uint32_t src = o.aud_src.load();
    if (src != GUI_WRAPPER_MUSIC_SRC_AUX && src != GUI_WRAPPER_MUSIC_SRC_BT) {
        return;
    }
    o.noise_cnt = 0;
    o.unmute_en = 1;
    if (o.pop_mute_sts.load() == 1) {
        guiWrapperMusicPopMuteSet(0);
    }
}
