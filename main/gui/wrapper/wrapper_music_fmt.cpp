// The music wrapper's deferred sound effects and the decoded format. An EQ or surround change
// makes the audio server switch effect pages, which is audible: the setters mute at once, keep the
// change pending and arm the 300 ms effect timer, which sends every pending change in a fixed
// order and unmutes (later while a prompt tone plays).
#include "common/vesk_ipc/vesk_ipc_records.h"
#include "main/audio_client/vesk_ipc.h"
#include "main/gui/link/wrapper_brontal.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/tone/gui_tone.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/gui/wrapper/wrapper_music_priv.h"
#include "main/timerd/gui_timer.h"

#include <cstring>

#define MUSIC_LOG(fmt, ...) WRAPPER_LOG_ERR("<MUSIC>", fmt, ##__VA_ARGS__)

namespace {

constexpr uint8_t kEqStyle = 6;
constexpr uint8_t kEqCustom = 7;
constexpr uint16_t kEffectUnmuteDlyEqMs = 100;
constexpr uint32_t kPopUnmuteFmtMs = 300;
constexpr uint32_t kCurveBytes = GUI_WRAPPER_MUSIC_EQ_POINTS * sizeof(GuiWrapperMusicEqPoint);
constexpr uint32_t kCodecPcm = 1;
constexpr uint32_t kCodecDolby = 2;
constexpr uint32_t kCodecDts = 3;
constexpr uint32_t kAudFmtAtmos = 1;
constexpr uint32_t kAudFmtPcm = 4;
// The format is shown only in these states: on, ARC, HDMI, optical, bypass.
constexpr uint32_t kFmtShowStates = GUI_SYS_STATE_ON | GUI_SYS_STATE_SRC_ARC | GUI_SYS_STATE_SRC_HDMI |
                                    GUI_SYS_STATE_SRC_OPT | GUI_SYS_STATE_BYPASS;
constexpr uint32_t kLayoutRefusedStates = GUI_SYS_STATE_BYPASS | GUI_SYS_STATE_1D8_POWER | GUI_SYS_STATE_STANDARD_TEST;

GuiWrapperMusicObj& obj()
{
    return guiWrapperMusicObj();
}

void armEffect()
{
    guiTimerSet(obj().effect_timer, GUI_WRAPPER_MUSIC_EFFECT_MS, 0);
}

// The common start of a deferred setter: amplifiers and streams muted now.
void deferredStart()
{
    guiWrapperMusicEffectEnSet(1);
}

bool bypassRefused(const char* what)
{
    if (obj().bypass_mode_en.load() != 0) {
        MUSIC_LOG("bypass mode, disable %s!", what);
        return true;
    }
    return false;
}

bool takeFlag(std::atomic<uint8_t>& flag)
{
    return flag.exchange(0) != 0;
}

void sendCurve()
{
    GuiWrapperMusicObj& o = obj();
    std::array<GuiWrapperMusicEqPoint, GUI_WRAPPER_MUSIC_EQ_POINTS> curve{};
    {
        std::lock_guard<std::mutex> guard(o.curve_lock);
        curve = o.eq_mode.load() == kEqCustom ? o.cus_eq : o.style_eq;
    }
    vesk_set_eq_point_ipc(curve.data(), kCurveBytes);
}

}  // namespace

void guiWrapperEffectTimeoutCbk(uint32_t)
{
    GuiWrapperMusicObj& o = obj();
    if (guiTonePlayDoneGet() == 0) {
        MUSIC_LOG("Tone is playing!");
        armEffect();
        return;
    }
    if (takeFlag(o.sur_en_set_dly_en)) {
        vesk_set_surround_mode_ipc(o.sur_en.load());
    }
    if (takeFlag(o.virtual_x_set_dly_en)) {
        vesk_set_virtual_x_ipc(o.virtual_x_en.load());
    }
    if (takeFlag(o.eq_set_dly_en)) {
        vesk_set_eq_mode_ipc(o.eq_mode.load(), 1);
    }
    if (takeFlag(o.cus_eq_set_dly_en)) {
        vesk_set_eq_mode_ipc(o.eq_mode.load(), o.cus_eq_para_set_en.load() == 1 ? 0 : 1);
        sendCurve();
        guiWrapperBrontalCusEqPointSet(nullptr);
    }
    if (takeFlag(o.sur_left_set_dly_en)) {
        vesk_set_surround_left_ipc(o.sur_left.load());
    }
    if (takeFlag(o.sur_right_set_dly_en)) {
        vesk_set_surround_right_ipc(o.sur_right.load());
    }
    if (takeFlag(o.latency_set_dly_en)) {
        vesk_set_latency_ipc(o.latency.load());
    }
    // The change is applied: a later volume step needs no EQ mute of its own.
    o.last_eq_mode = o.eq_mode.load();
    if (o.effect_set_en.load() == 1) {
        guiWrapperMusicEffectEnSet(0);
    }
}

void guiWrapperMusicEqMuteSet(void)
{
    deferredStart();
    obj().effect_unmute_dly_cnt = kEffectUnmuteDlyEqMs;
    armEffect();
}

void guiWrapperMusicEqSet(const uint8_t* mode)
{
    if (mode == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    GuiWrapperMusicObj& o = obj();
    deferredStart();
    o.effect_unmute_dly_cnt = kEffectUnmuteDlyEqMs;
    o.last_eq_mode = o.eq_mode.load();
    o.eq_mode = *mode;
    o.eq_set_dly_en = 1;
    armEffect();
}

void guiWrapperMusicCusEqSet(const GuiWrapperMusicCusEq* eq)
{
    if (eq == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    GuiWrapperMusicObj& o = obj();
    deferredStart();
    const auto mode = static_cast<uint8_t>(eq->eq_mode);
    o.cus_eq_para_set_en = mode != o.eq_mode.load() ? 1 : 0;
    o.last_eq_mode = o.eq_mode.load();
    o.eq_mode = mode;
    {
        std::lock_guard<std::mutex> guard(o.curve_lock);
        auto& curve = mode == kEqCustom ? o.cus_eq : o.style_eq;
        std::memcpy(curve.data(), eq->points, kCurveBytes);
    }
    o.cus_eq_set_dly_en = 1;
    armEffect();
}

void guiWrapperMusicSurEnSet(const uint8_t* on)
{
    if (on == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    deferredStart();
    obj().sur_en = *on;
    obj().sur_en_set_dly_en = 1;
    armEffect();
}

void guiWrapperMusicVirtualXSet(const uint8_t* on)
{
    if (on == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    if (bypassRefused("switching VX")) {
        return;
    }
    deferredStart();
    obj().virtual_x_en = *on;
    obj().virtual_x_set_dly_en = 1;
    armEffect();
}

void guiWrapperMusicSurLeftSet(uint8_t level)
{
    deferredStart();
    obj().sur_left = level;
    obj().sur_left_set_dly_en = 1;
    armEffect();
}

void guiWrapperMusicSurRightSet(uint8_t level)
{
    deferredStart();
    obj().sur_right = level;
    obj().sur_right_set_dly_en = 1;
    armEffect();
}

void guiWrapperMusicLatencySet(uint32_t latency)
{
    deferredStart();
    obj().latency = latency;
    obj().latency_set_dly_en = 1;
    armEffect();
}

void guiWrapperMusicSrcToggleEqSet(const uint8_t* mode)
{
    if (mode == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    if (bypassRefused("switching EQ")) {
        return;
    }
    GuiWrapperMusicObj& o = obj();
    if (o.mute_sts.load() == 0) {
        o.effect_set_en = 1;
        guiWrapperMusicPopMuteSet(1);
    }
    o.eq_mode = *mode;
    vesk_set_eq_mode_ipc(*mode, 1);
    guiWrapperMusicPopUnMuteCbk(0);
    o.effect_set_en = 0;
}

void guiWrapperMusicCusEqGet(uint32_t* out)
{
    if (out == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    GuiWrapperMusicObj& o = obj();
    const uint8_t mode = o.eq_mode.load();
    out[0] = mode;
    if (mode != kEqCustom && mode != kEqStyle) {
        MUSIC_LOG("Not customiz or stylelist");
        return;
    }
    std::lock_guard<std::mutex> guard(o.curve_lock);
    std::memcpy(out + 1, mode == kEqCustom ? o.cus_eq.data() : o.style_eq.data(), kCurveBytes);
}

void guiWrapperMusicCusEqPointGet(uint8_t style, uint8_t* out)
{
    if (out == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    GuiWrapperMusicObj& o = obj();
    std::lock_guard<std::mutex> guard(o.curve_lock);
    std::memcpy(out + 4, style != 0 ? o.style_eq.data() : o.cus_eq.data(), kCurveBytes);
}

void guiWrapperMusicDecoderFmtSet(const MusicDecoderFmt* fmt)
{
    if (fmt == nullptr) {
        MUSIC_LOG("Param Error!");
        return;
    }
    GuiWrapperMusicObj& o = obj();
    uint32_t audFmt = 0;
    uint32_t layout = o.chn_num_is_2x0.load();
    switch (static_cast<uint32_t>(fmt->codec_type)) {
        case kCodecPcm:
            audFmt = kAudFmtPcm;
            layout = fmt->channels == 2 ? 1 : 0;
            break;
        case kCodecDolby:
            if (fmt->proc_type == 1) {
                audFmt = kAudFmtAtmos;
            } else if (fmt->proc_type == 2) {
                audFmt = fmt->stream_type == 3 ? 6 : 2;
            } else if (fmt->stream_type >= 0 && fmt->stream_type <= 2) {
                audFmt = 3;
            } else if (fmt->stream_type == 3) {
                audFmt = 5;
            }
            layout = audFmt == kAudFmtAtmos ? 3 : 2;
            break;
        case kCodecDts: {
            const auto st = static_cast<uint32_t>(fmt->stream_type);
            audFmt = st >= 1 && st <= 31 ? 7 : (st >= 32 && st <= 511 ? 8 : 9);
            break;
        }
        default:
            break;
    }
    const uint32_t src = o.aud_src.load();
    if (src == GUI_WRAPPER_MUSIC_SRC_BT || src == GUI_WRAPPER_MUSIC_SRC_AUX) {
        layout = 1;
    }
    o.chn_num_is_2x0 = layout;
    guiWrapperMusicFmtChnNumSet(static_cast<uint8_t>(layout));
    guiWrapperMusicAtmosSet(audFmt == kAudFmtAtmos ? 1 : 0);
    if (o.mute_sts.load() == 0 && o.pop_mute_sts.load() == 1) {
        MUSIC_LOG("unmute pop status");
        guiTimerSet(o.pop_unmute_timer, kPopUnmuteFmtMs, 0);
    }
    if ((guiManagerAppStateGet() & kFmtShowStates) != 0) {
        o.aud_fmt = audFmt;
        o.show_dly = audFmt == kAudFmtPcm ? 3 : 2;
    }
}

void guiWrapperMusicFmtChnNumSet(uint8_t layout)
{
    if (bypassRefused("setting chn num")) {
        return;
    }
    const uint32_t state = guiManagerAppStateGet();
    if ((state & kLayoutRefusedStates) != 0) {
        MUSIC_LOG("Error,sys_state = %d", static_cast<int>(state));
        return;
    }
    if (obj().last_layout.exchange(layout) != layout) {
        vesk_set_fmt_chn_num_ipc(layout);
    }
}

void guiWrapperMusicDelayShowFmtSet(uint16_t ticks)
{
    uint16_t pending = obj().show_dly.load();
    while (pending != 0 && !obj().show_dly.compare_exchange_weak(pending, ticks)) {
    }
}
