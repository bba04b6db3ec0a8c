#include "main/gui/wrapper/wrapper_music.h"

#include "main/audio_client/vesk_ipc.h"
#include "main/gui/link/wrapper_brontal.h"
#include "main/gui/link/wrapper_wireless.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/wrapper_amp.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/wrapper/wrapper_dolby.h"
#include "main/gui/wrapper/wrapper_music_cbk_priv.h"
#include "main/gui/wrapper/wrapper_music_priv.h"
#include "main/timerd/gui_timer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#define MUSIC_LOG(fmt, ...) WRAPPER_LOG_ERR("<MUSIC>", fmt, ##__VA_ARGS__)

namespace {

constexpr std::array<uint16_t, GUI_WRAPPER_MUSIC_EQ_POINTS> kEqFreqs{31,   62,   125,  250,  500,
                                                                     1000, 2000, 4000, 8000, 16000};
constexpr uint32_t kSignalEnergy = 10;  // above this a stream is playing, not settling
constexpr uint32_t kNoiseFirstMs = 2000;
constexpr uint32_t kNoisePeriodMs = 200;
constexpr uint16_t kEffectUnmuteDlyEqMs = 100;
constexpr uint16_t kEffectUnmuteDlyMs = 50;
constexpr uint32_t kAllowSeconds = 60;
constexpr uint32_t kMusicFirstMs = 10;
constexpr uint32_t kMusicPeriodMs = 1000;
constexpr uint8_t kEqStyle = 6;
constexpr uint8_t kEqCustom = 7;

GuiWrapperMusicObj gGuiWrapperMusicThisObj;

GuiWrapperMusicObj& obj()
{
    return guiWrapperMusicObj();
}

void timerStop(uint32_t timer)
{
    if (timer != 0 && guiTimerActiveStsGet(timer) != 0) {
        guiTimerSet(timer, 0, 0);
    }
}

void storeVol(uint8_t vol)
{
    if (obj().eq_mode.load() == GUI_EQ_MODE_NIGHT) {
        obj().night_vol = vol;
    } else {
        obj().vol = vol;
    }
}

// What a user unmute and the end of a pop mute both do: the link, the amplifiers, then the streams.
int32_t restoreVolume()
{
    uint8_t vol = guiWrapperMusicVolGet();
    guiWrapperWirelessAudVolSet(&vol, obj().sur_vol.load(), obj().bass_level.load());
    guiWrapperAmpVolSet(&vol);
    vesk_set_bass_level_ipc(obj().bass_level.load());
    vesk_set_stream_vol_ipc(0, vol);
    return vesk_set_stream_vol_ipc(1, vol);
}

void sendVolume(uint8_t vol, uint32_t saveDelay)
{
    storeVol(vol);
    obj().nand_save_dly = saveDelay;
    obj().noise_cnt = 0;
    obj().no_noise_cnt = 0;
    if (obj().mute_sts.load() == 0) {
        vesk_set_bass_level_ipc(obj().bass_level.load());
        vesk_set_stream_vol_ipc(0, guiWrapperMusicVolGet());
        vesk_set_stream_vol_ipc(1, guiWrapperMusicVolGet());
    }
}

bool volValid(const uint8_t* vol)
{
    // The amplifier and stream tables stop at 100: a larger value never reaches them.
    if (vol == nullptr || *vol > GUI_VOL_MAX) {
        MUSIC_LOG("Param Error!");
        return false;
    }
    return true;
}

void loadCurves(std::array<GuiWrapperMusicEqPoint, GUI_WRAPPER_MUSIC_EQ_POINTS>& curve)
{
    guiWrapperMusicPointIint(curve.data());
}

}  // namespace

GuiWrapperMusicObj& guiWrapperMusicObj(void)
{
    return gGuiWrapperMusicThisObj;
}

void guiWrapperMusicPointIint(GuiWrapperMusicEqPoint points[GUI_WRAPPER_MUSIC_EQ_POINTS])
{
    for (uint32_t i = 0; i < GUI_WRAPPER_MUSIC_EQ_POINTS; ++i) {
        points[i] = {kEqFreqs[i], 0};
    }
}

void guiWrapperMusicInit(void)
{
    GuiWrapperMusicObj& o = obj();
    if (o.init.load() != 0) {
        return;
    }
    // Zero the object field by field: atomics cannot be assigned as a whole.
    o.aud_src = 0;
    o.unmute_en = o.mute_sts = o.pop_mute_sts = o.shop_mode_en = 0;
    o.pop_unmute_cnt = 0;
    o.vol = o.night_vol = 0;
    o.nand_save_dly = 0;
    o.show_dly = 0;
    o.energy = 0;
    for (auto& s : o.signal_input) {
        s = 0;
    }
    o.energy_high_cnt = o.noise_cnt = o.no_noise_cnt = 0;
    o.noise_sts = o.auto_wake = o.bypass_mode_en = o.effect_set_en = 0;
    o.effect_unmute_dly_cnt = 0;
    o.chn_num_is_2x0 = 0;
    o.last_layout = GUI_WRAPPER_MUSIC_LAYOUT_NONE;
    o.sur_en = o.sur_vol = o.atmos_en = o.xupmix_en = o.virtual_x_en = 0;
    o.last_eq_mode = o.eq_mode = o.bass_level = o.center_level = o.treble_level = 0;
    o.bassboost_en = o.sur_left = o.sur_right = o.height = 0;
    o.latency = 0;
    {
        std::lock_guard<std::mutex> guard(o.curve_lock);
        loadCurves(o.style_eq);
        loadCurves(o.cus_eq);
    }
    o.energy_low_cnt = 0;
    o.auto_standby = o.timer_cnt = o.auto_screensaver = o.screensaver_timer_cnt = 0;
    o.auto_screensaver_en = o.auto_screensaver_lock = o.enter_en = 0;
    o.erp_timer_cnt = o.pdt_cnt = o.menu_timer_cnt = o.allow_cnt = 0;
    o.aud_fmt = 0;
    o.sur_en_set_dly_en = o.virtual_x_set_dly_en = o.eq_set_dly_en = o.cus_eq_set_dly_en = 0;
    o.cus_eq_para_set_en = o.sur_left_set_dly_en = o.sur_right_set_dly_en = o.latency_set_dly_en = 0;
    guiWrapperMusicThreadStart();
    o.music_timer = guiTimerCreate(guiWrapperMusicTimeoutCbk, 0);
    o.effect_timer = guiTimerCreate(guiWrapperEffectTimeoutCbk, 0);
    o.noise_timer = guiTimerCreate(guiWrapperMusicNoiseDetectCbk, 0);
    o.pop_unmute_timer = guiTimerCreate(guiWrapperMusicPopUnMuteCbk, 0);
    o.init = 1;
}

void guiWrapperMusicExit(void)
{
    GuiWrapperMusicObj& o = obj();
    if (o.init.load() == 0) {
        return;
    }
    guiTimerDelete(o.pop_unmute_timer);
    guiTimerDelete(o.noise_timer);
    guiTimerDelete(o.effect_timer);
    guiTimerDelete(o.music_timer);
    o.pop_unmute_timer = o.noise_timer = o.effect_timer = o.music_timer = 0;
    guiWrapperMusicThreadStop();
    o.init = 0;
}

void guiWrapperMusicPowerOn(const GuiWrapperSetting* s)
{
    if (s == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    GuiWrapperMusicObj& o = obj();
    o.unmute_en = 0;
    for (auto& in : o.signal_input) {
        in = 0;
    }
    o.mute_sts = s->mute_sts;
    o.eq_mode = static_cast<uint8_t>(s->eq_mode);
    o.last_eq_mode = static_cast<uint8_t>(s->eq_mode);
    // The record keeps the custom curve's gains in style_eq_point and the style list's in
    // cus_eq_point (see the object); the frequencies stay.
    std::unique_lock<std::mutex> curves(o.curve_lock);
    if (s->eq_mode == kEqCustom) {
        for (uint32_t i = 0; i < GUI_WRAPPER_MUSIC_EQ_POINTS; ++i) {
            o.cus_eq[i].gain = s->style_eq_point[i];
        }
    } else if (s->eq_mode == kEqStyle) {
        for (uint32_t i = 0; i < GUI_WRAPPER_MUSIC_EQ_POINTS; ++i) {
            o.style_eq[i].gain = s->cus_eq_point[i];
        }
    }
    curves.unlock();
    o.vol = s->vol;
    o.night_vol = s->night_vol;
    o.bass_level = s->bass;
    o.center_level = s->center;
    o.treble_level = s->treble;
    o.enter_en = 0;
    o.bypass_mode_en = 0;
    o.pop_mute_sts = 1;  // the first source selection opens the streams
    o.pop_unmute_cnt = 0;
    o.noise_sts = 1;
    o.auto_screensaver_en = 0;
    o.screensaver_timer_cnt = 0;
    o.effect_set_en = 0;
    o.effect_unmute_dly_cnt = kEffectUnmuteDlyMs;
    o.allow_cnt = kAllowSeconds;
    guiTimerSet(o.music_timer, kMusicFirstMs, kMusicPeriodMs);
    guiWrapperMusicAutoWakeSet(s->auto_wake_en);
    guiWrapperMusicAutoStandbySet(s->auto_standby);
    guiWrapperMusicAutoScreensaverSet(s->auto_screensaver);
    const VeskAcousticsParam param{s->latency,   s->bass,   s->center,        s->treble,       s->eq_mode,
                                   s->sur_vol,   s->sur_en, s->bass_boost_en, s->virtual_x_en, s->sur_left,
                                   s->sur_right, s->height, s->xupmix_en};
    guiWrapperMusicPpcParamSet(&param);
    // A stored curve reaches the server through the effect timer.
    if (s->eq_mode == kEqStyle || s->eq_mode == kEqCustom) {
        o.cus_eq_para_set_en = 1;
        o.cus_eq_set_dly_en = 1;
        guiTimerSet(o.effect_timer, GUI_WRAPPER_MUSIC_EFFECT_MS, 0);
    }
}

void guiWrapperMusicPowerIdle(const GuiWrapperSetting* s)
{
    if (GuiWrapperMusicCbk cbk = guiWrapperMusicCbkGet(); cbk != nullptr) {
        cbk();
    }
    GuiWrapperMusicObj& o = obj();
    if (s != nullptr) {
        guiWrapperMusicAutoScreensaverSet(s->auto_screensaver);
    }
    o.screensaver_timer_cnt = 0;
    if (o.music_timer != 0 && guiTimerActiveStsGet(o.music_timer) == 0) {
        guiTimerSet(o.music_timer, kMusicFirstMs, kMusicPeriodMs);
    }
    if (s == nullptr) {
        return;
    }
    o.eq_mode = static_cast<uint8_t>(s->eq_mode);
    std::lock_guard<std::mutex> curves(o.curve_lock);
    for (uint32_t i = 0; i < GUI_WRAPPER_MUSIC_EQ_POINTS; ++i) {
        o.cus_eq[i].gain = s->style_eq_point[i];
        o.style_eq[i].gain = s->cus_eq_point[i];
    }
}

void guiWrapperMusicPowerOff(uint32_t)
{
    if (GuiWrapperMusicCbk cbk = guiWrapperMusicCbkGet(); cbk != nullptr) {
        cbk();
    }
    obj().unmute_en = 0;
    timerStop(obj().noise_timer);
    timerStop(obj().effect_timer);
    timerStop(obj().music_timer);
    const uint8_t mute = 1;
    guiWrapperMusicMuteSet(&mute);
}

void guiWrapperMusicFactoryReset(uint32_t)
{
    const VeskAcousticsParam defaults{0, 6, 6, 6, 1, 6, 1, 1, 1, 5, 5, 3, 1};
    guiWrapperMusicPpcParamSet(&defaults);
}

uint8_t guiWrapperMusicVolGet(void)
{
    return obj().eq_mode.load() == GUI_EQ_MODE_NIGHT ? obj().night_vol.load() : obj().vol.load();
}

void guiWrapperMusicVolSet(const uint8_t* vol)
{
    if (!volValid(vol)) {
        return;
    }
    obj().pop_mute_sts = 0;
    if (obj().last_eq_mode.load() != obj().eq_mode.load()) {
        guiWrapperMusicEqMuteSet();
    }
    sendVolume(*vol, 1);
}

void guiWrapperMusicBtVolSet(const uint8_t* vol)
{
    if (!volValid(vol)) {
        return;
    }
    obj().pop_mute_sts = 0;
    sendVolume(*vol, 2);
}

uint8_t guiWrapperMusicMuteGet(void)
{
    return obj().mute_sts.load();
}

int32_t guiWrapperMusicMuteSet(const uint8_t* mute)
{
    if (mute == nullptr) {
        MUSIC_LOG("Param Error!");
        return -1;
    }
    obj().mute_sts = *mute;
    obj().pop_mute_sts = 0;
    obj().noise_cnt = 0;
    obj().no_noise_cnt = 0;
    if (*mute != 0) {
        vesk_set_stream_vol_ipc(0, 0);
        return vesk_set_stream_vol_ipc(1, 0);
    }
    return restoreVolume();
}

void guiWrapperMusicPopMuteSet(uint8_t mute)
{
    obj().no_noise_cnt = 0;
    obj().noise_cnt = 0;
    if (mute != 0) {
        timerStop(obj().pop_unmute_timer);
        vesk_set_stream_vol_ipc(0, 0);
        vesk_set_stream_vol_ipc(1, 0);
        obj().pop_unmute_cnt = 0;
        obj().pop_mute_sts = 1;
        return;
    }
    const uint32_t delay = obj().aud_src.load() == GUI_WRAPPER_MUSIC_SRC_USB ? GUI_WRAPPER_MUSIC_POP_UNMUTE_USB_MS
                                                                             : GUI_WRAPPER_MUSIC_POP_UNMUTE_MS;
    guiTimerSet(obj().pop_unmute_timer, delay, 0);
}

void guiWrapperMusicStreamMuteCbk(uint8_t mute)
{
    guiWrapperMusicPopMuteSet(mute);
}

void guiWrapperMusicPopMuteReset(uint32_t)
{
    obj().pop_mute_sts = 0;
}

void guiWrapperMusicPopUnMuteReset(void)
{
    obj().pop_unmute_cnt = 0;
}

void guiWrapperMusicPopUnMuteCbk(uint32_t)
{
    if (obj().effect_set_en.load() == 1) {
        guiTimerSet(obj().pop_unmute_timer, GUI_WRAPPER_MUSIC_POP_UNMUTE_RETRY_MS, 0);
        return;
    }
    if (obj().pop_mute_sts.load() == 0) {
        return;
    }
    if (obj().mute_sts.load() == 0) {
        restoreVolume();
    }
    obj().pop_mute_sts = 0;
}

void guiWrapperMusicHdmiSrcMute(uint8_t mute)
{
    const uint32_t energy = obj().energy.load();
    if (energy > kSignalEnergy) {
        MUSIC_LOG("audio codec change, signal mute");
        guiWrapperMusicPopMuteSet(mute);
    } else {
        MUSIC_LOG("energy=%u", energy);
    }
}

void guiWrapperMusicEffectEnSet(uint8_t en)
{
    if (en != 0) {
        obj().effect_set_en = 1;
        const uint8_t on = 1;
        guiWrapperWirelessAudMuteSet(&on);
        guiWrapperAmpMuteSet(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // let the amplifiers ramp down
        if (obj().mute_sts.load() == 0) {
            guiWrapperMusicPopMuteSet(1);
        }
        return;
    }
    guiWrapperMusicPopUnMuteCbk(0);
    const uint8_t off = 0;
    guiWrapperWirelessAudMuteSet(&off);
    std::this_thread::sleep_for(std::chrono::milliseconds(obj().effect_unmute_dly_cnt.load()));
    guiWrapperAmpMuteSet(0);
    obj().effect_set_en = 0;
}

uint8_t guiWrapperMusicEffectPendingForTest(void)
{
    const uint32_t timer = obj().effect_timer;
    return (obj().effect_set_en.load() != 0 || (timer != 0 && guiTimerActiveStsGet(timer) != 0)) ? 1 : 0;
}

void guiWrapperMusicManualSrcInSet(const uint32_t* audSrc)
{
    if (audSrc == nullptr || *audSrc >= GUI_WRAPPER_MUSIC_SRC_MAX) {
        MUSIC_LOG("Param Error!");
        return;
    }
    GuiWrapperMusicObj& o = obj();
    o.unmute_en = 1;
    o.energy = 0;
    // aud_src is always below 6: every writer checks it.
    o.signal_input[o.aud_src.load()] = 0;
    o.noise_sts = 0;
    o.mute_sts = 0;  // the new source's play path opens the streams
    o.show_dly = 0;
    o.energy_high_cnt = 0;
    o.aud_src = *audSrc;
    if (*audSrc == GUI_WRAPPER_MUSIC_SRC_BT || *audSrc == GUI_WRAPPER_MUSIC_SRC_AUX) {
        o.chn_num_is_2x0 = 1;
        guiWrapperMusicFmtChnNumSet(1);
    }
    if (*audSrc == GUI_WRAPPER_MUSIC_SRC_AUX) {
        o.noise_cnt = 0;
        o.no_noise_cnt = 0;
        guiTimerSet(o.noise_timer, kNoiseFirstMs, kNoisePeriodMs);
    } else {
        timerStop(o.noise_timer);
    }
    guiWrapperMusicSrcGainSet(o.aud_src.load());
}

void guiWrapperMusicRoutingSrcInSet(const uint32_t* route)
{
    if (route == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    if (*route == 0 || *route == 1) {
        obj().aud_src = GUI_WRAPPER_MUSIC_SRC_ARC;
    } else if (*route == 2) {
        obj().aud_src = GUI_WRAPPER_MUSIC_SRC_HDMI;
    }
    obj().unmute_en = 1;
    guiWrapperMusicSrcGainSet(obj().aud_src.load());
}

void guiWrapperMusicSrcInClr(const uint32_t* audSrc)
{
    if (audSrc == nullptr || *audSrc >= GUI_WRAPPER_MUSIC_SRC_MAX) {
        MUSIC_LOG("Param Error!");
        return;
    }
    obj().aud_src = *audSrc;
}

void guiWrapperMusicNoiseClr(const uint32_t* audSrc)
{
    if (audSrc == nullptr || *audSrc >= GUI_WRAPPER_MUSIC_SRC_MAX) {
        MUSIC_LOG("Param Error!");
        return;
    }
    GuiWrapperMusicObj& o = obj();
    timerStop(o.noise_timer);
    timerStop(o.pop_unmute_timer);
    o.energy = 0;
    o.signal_input[o.aud_src.load()] = 0;
    o.noise_sts = 0;
    o.mute_sts = 0;
    o.show_dly = 0;
    o.energy_high_cnt = 0;
    o.aud_src = *audSrc;
}

uint8_t guiWrapperMusicSrcInputGet(uint32_t audSrc)
{
    if (audSrc >= GUI_WRAPPER_MUSIC_SRC_MAX) {
        MUSIC_LOG("param error!");
        return 0;
    }
    return obj().signal_input[audSrc].load();
}

void guiWrapperMusicSrcInputSet(uint32_t audSrc, uint8_t on)
{
    if (audSrc >= GUI_WRAPPER_MUSIC_SRC_MAX) {
        MUSIC_LOG("param error!");
        return;
    }
    obj().signal_input[audSrc] = on;
}

void guiWrapperMusicSrcGainSet(uint32_t audSrc)
{
    if (audSrc >= GUI_WRAPPER_MUSIC_SRC_MAX) {
        MUSIC_LOG("param error!");
        return;
    }
    MUSIC_LOG("aud_src=%u", audSrc);
}

void guiWrapperMusicBassSet(const uint8_t* level)
{
    if (level == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    obj().bass_level = *level;
    vesk_set_bass_level_ipc(*level);
    if (*level <= 12) {
        guiWrapperWirelesRxSubVolSet(*level);
    }
}

void guiWrapperMusicSurVolSet(const uint8_t* level)
{
    if (level == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    obj().sur_vol = *level;
    vesk_set_surround_vol_ipc(*level);
    if (*level <= 12) {
        guiWrapperWirelesRxSurVolSet(*level);
    }
}

void guiWrapperMusicCenterSet(const uint8_t* level)
{
    if (level == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    obj().center_level = *level;
    vesk_set_center_ipc(*level);
}

void guiWrapperMusicTrebleSet(const uint8_t* level)
{
    if (level == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    obj().treble_level = *level;
    vesk_set_treble_level_ipc(*level);
}

void guiWrapperMusicHeightSet(uint8_t level)
{
    obj().height = level;
    vesk_set_height_ipc(level);
}

void guiWrapperMusicBassBoostSet(uint8_t on)
{
    obj().bassboost_en = on;
    vesk_set_bassboost_ipc(on);
}

void guiWrapperMusicXupmixSet(const uint8_t* on)
{
    if (on == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    guiWrapperBrontalXupmixSet(on);
    const uint8_t eqMode = obj().eq_mode.load();
    guiWrapperDolbyXupmixSet(&eqMode, on);
    obj().xupmix_en = *on;
    vesk_set_xupmix_ipc(*on);
}

void guiWrapperMusicBypassSet(const uint8_t* on)
{
    if (on == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    obj().bypass_mode_en = *on;
    vesk_set_bypass_mode_ipc(*on);
}

void guiWrapperMusic1D8PowerSet(uint8_t on)
{
    vesk_set_1d8_power_ipc(on);
}

void guiWrapperMusicStandardTestSet(uint8_t on)
{
    vesk_set_standard_test_ipc(on);
}

void guiWrapperMusicEqTestSet(uint8_t on)
{
    vesk_set_eq_test_ipc(on);
}

void guiWrapperMusicPpcParamSet(const VeskAcousticsParam* param)
{
    if (param == nullptr) {
        return;
    }
    GuiWrapperMusicObj& o = obj();
    o.latency = param->latency;
    o.bass_level = static_cast<uint8_t>(param->bass_level);
    o.center_level = static_cast<uint8_t>(param->center_level);
    o.treble_level = static_cast<uint8_t>(param->treble_level);
    o.eq_mode = static_cast<uint8_t>(param->eq_mode);
    o.sur_vol = static_cast<uint8_t>(param->sur_vol);
    o.sur_en = static_cast<uint8_t>(param->sur_en);
    o.bassboost_en = static_cast<uint8_t>(param->bassboost_en);
    o.virtual_x_en = static_cast<uint8_t>(param->virtual_x_en);
    o.sur_left = static_cast<uint8_t>(param->sur_left);
    o.sur_right = static_cast<uint8_t>(param->sur_right);
    o.height = static_cast<uint8_t>(param->height);
    o.xupmix_en = static_cast<uint8_t>(param->xupmix_en);
    vesk_set_acoustics_param_ipc(param);
}

void guiWarpperMusicGainCompSet(int32_t hundredthsDb)
{
    const double db = static_cast<double>(hundredthsDb) / 100.0;
    // Kept to the word the server reads: a gain past it would be an undefined conversion.
    const double gain = std::min(std::ldexp(std::pow(10.0, db / 20.0), 26), 4294967295.0);
    vesk_set_dts_comp_gain_ipc(static_cast<uint32_t>(gain));
}

void guiWrapperMusicEqModeSet(uint8_t eqMode)
{
    obj().eq_mode = eqMode;
}

void guiWrapperMusicAtmosSet(uint8_t on)
{
    if (obj().bypass_mode_en.load() != 0) {
        MUSIC_LOG("bypass mode, disable switching ATMOS!");
        return;
    }
    obj().atmos_en = on;
}

void guiWrapperMusicAutoWakeSet(uint8_t on)
{
    obj().auto_wake = on;
}

void guiWrapperMusicShopModeSet(uint8_t on)
{
    obj().shop_mode_en = on;
}

void guiWrapperMusicXupmixGet(uint8_t* out)
{
    if (out == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    *out = obj().xupmix_en.load();
}
