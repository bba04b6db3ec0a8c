// The music wrapper: corvand's side of the audio path's user settings (day and night volume, user
// mute, the short anti-pop mute around source and format changes, the current source and its
// signal flags, the sound-effect levels). It keeps them in one object and carries every change to
// the audio server in pellant, to the amplifiers and to the 5.8 GHz link.
//
// Slot functions take a pointer to one widget byte (or word for sources); a null pointer or a value
// out of range logs "Param Error!" and does nothing. The object is shared by the GUI manager's
// thread, the GUI timers' threads and the source applications: every field is read and written
// whole, the last writer wins.
#pragma once

#include "common/vesk_ipc/vesk_ipc_records.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"

#include <cstdint>

// Audio sources of the music wrapper.
constexpr uint32_t GUI_WRAPPER_MUSIC_SRC_ARC = 0;
constexpr uint32_t GUI_WRAPPER_MUSIC_SRC_HDMI = 1;
constexpr uint32_t GUI_WRAPPER_MUSIC_SRC_OPTICAL = 2;
constexpr uint32_t GUI_WRAPPER_MUSIC_SRC_BT = 3;
constexpr uint32_t GUI_WRAPPER_MUSIC_SRC_AUX = 4;
constexpr uint32_t GUI_WRAPPER_MUSIC_SRC_USB = 5;
constexpr uint32_t GUI_WRAPPER_MUSIC_SRC_MAX = 6;

// Pop-unmute delays: USB opens its streams sooner than the digital inputs settle.
constexpr uint32_t GUI_WRAPPER_MUSIC_POP_UNMUTE_USB_MS = 300;
constexpr uint32_t GUI_WRAPPER_MUSIC_POP_UNMUTE_MS = 1500;
// While an effect change holds the amplifiers muted the pop unmute waits in steps of this.
constexpr uint32_t GUI_WRAPPER_MUSIC_POP_UNMUTE_RETRY_MS = 500;
constexpr uint32_t GUI_WRAPPER_MUSIC_EFFECT_MS = 300;

// One EQ point: frequency in Hz, gain in tenths of a dB.
struct GuiWrapperMusicEqPoint {
    uint16_t freq;
    int16_t gain;
};
static_assert(sizeof(GuiWrapperMusicEqPoint) == 4);
constexpr uint32_t GUI_WRAPPER_MUSIC_EQ_POINTS = 10;

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperMusicInit(void);
void guiWrapperMusicExit(void);

using GuiWrapperMusicCbk = void (*)(void);
// Registers the call the music wrapper makes when it powers off.
void guiWrapperMusicRegisterCbk(GuiWrapperMusicCbk cbk);

struct GuiWrapperSetting;
// Power on from the wrapper setting record: the levels, volumes and mute it holds, pop-muted until
// a source opens the streams, and the effect settings sent to the audio server as one record.
void guiWrapperMusicPowerOn(const GuiWrapperSetting* s);
// Power idle: the registered callback, the screensaver setting and the EQ curves of the record.
void guiWrapperMusicPowerIdle(const GuiWrapperSetting* s);
// Power off (the argument is ignored): the registered callback, timers stopped, user mute.
void guiWrapperMusicPowerOff(uint32_t unused);
// Restores the factory effect levels and sends them to the audio server.
void guiWrapperMusicFactoryReset(uint32_t unused);

// Night volume while the EQ mode is night, else the day volume.
uint8_t guiWrapperMusicVolGet(void);
// Slot VolSet: stores the volume of the current mode and, unless muted, sends the bass level and
// the volume of streams 0 and 1. The amplifiers are the volume fan-out's.
void guiWrapperMusicVolSet(const uint8_t* vol);
// Slots VolSync, VolBtSet, VolWirelessSet: as VolSet, without the EQ mute.
void guiWrapperMusicBtVolSet(const uint8_t* vol);
uint8_t guiWrapperMusicMuteGet(void);
// Slots MuteSet, RoutingMuteSet: user mute; an unmute also restores the amplifiers and the link.
// The result of the stream-1 remote call (-22 without a connection).
int32_t guiWrapperMusicMuteSet(const uint8_t* mute);

// Anti-pop mute: a mute silences both streams at once, an unmute opens them after a delay (300 ms
// for USB, else 1500 ms). The user mute is left as it is.
void guiWrapperMusicPopMuteSet(uint8_t mute);
void guiWrapperMusicStreamMuteCbk(uint8_t mute);
void guiWrapperMusicPopMuteReset(uint32_t unused);
void guiWrapperMusicPopUnMuteReset(void);
// Pop-unmute timer callback, also called directly.
void guiWrapperMusicPopUnMuteCbk(uint32_t unused);
// HDMI routing report "audio codec change, signal mute": acted on only while a signal is heard.
void guiWrapperMusicHdmiSrcMute(uint8_t mute);
// Amplifiers muted (1) or unmuted (0) around an effect change.
void guiWrapperMusicEffectEnSet(uint8_t en);

void guiWrapperMusicManualSrcInSet(const uint32_t* audSrc);
// Route 0 or 1: ARC; 2: HDMI; anything else keeps the source.
void guiWrapperMusicRoutingSrcInSet(const uint32_t* route);
void guiWrapperMusicSrcInClr(const uint32_t* audSrc);
void guiWrapperMusicNoiseClr(const uint32_t* audSrc);
// Signal flag of a source 0..5; 6 or more logs "param error!" (Get then gives 0).
uint8_t guiWrapperMusicSrcInputGet(uint32_t audSrc);
void guiWrapperMusicSrcInputSet(uint32_t audSrc, uint8_t on);
void guiWrapperMusicSrcGainSet(uint32_t audSrc);

// Immediate effect setters: each stores the value and sends it to the audio server at once.
void guiWrapperMusicBassSet(const uint8_t* level);
void guiWrapperMusicSurVolSet(const uint8_t* level);
void guiWrapperMusicCenterSet(const uint8_t* level);
void guiWrapperMusicTrebleSet(const uint8_t* level);
void guiWrapperMusicHeightSet(uint8_t level);
void guiWrapperMusicBassBoostSet(uint8_t on);
void guiWrapperMusicXupmixSet(const uint8_t* on);
void guiWrapperMusicBypassSet(const uint8_t* on);
void guiWrapperMusic1D8PowerSet(uint8_t on);
void guiWrapperMusicStandardTestSet(uint8_t on);
void guiWrapperMusicEqTestSet(uint8_t on);
// Stores all thirteen settings and sends them as one record; null does nothing.
void guiWrapperMusicPpcParamSet(const VeskAcousticsParam* param);
// Gain compensation in hundredths of a dB, sent as 2^26 x 10^(dB/20).
void guiWarpperMusicGainCompSet(int32_t hundredthsDb);

// Setters that only store.
void guiWrapperMusicEqModeSet(uint8_t eqMode);
void guiWrapperMusicAtmosSet(uint8_t on);
void guiWrapperMusicAutoWakeSet(uint8_t on);
void guiWrapperMusicShopModeSet(uint8_t on);
void guiWrapperMusicXupmixGet(uint8_t* out);

// The default curve: 31 Hz to 16 kHz, gain 0.
void guiWrapperMusicPointIint(GuiWrapperMusicEqPoint points[GUI_WRAPPER_MUSIC_EQ_POINTS]);

// The music timer and signal detection.
// Resets the inactivity counters and, when `clearMenuTimer` is set, the menu timer. 1 when the key
// woke the display from its screensaver, else 0.
uint8_t guiWrapperMusicTimerReset(uint8_t clearMenuTimer);
// Slot MusicTimerReset: as above with the flag behind the pointer (null: 0).
void __guiWrapperMusicTimerReset(const uint8_t* clr);
// Auto standby 0..8 (8: off) and screensaver 0..3 (3: off); a value past them is refused.
void guiWrapperMusicAutoStandbySet(uint32_t value);
void guiWrapperMusicAutoStandbyGet(uint32_t* out);
void guiWrapperMusicAutoScreensaverSet(uint32_t value);
void guiWrapperMusicAutoScreensaverGet(uint32_t* out);
// Slots MusicAutoScreensaverEnter and MusicAutoScreensaverExit (the argument is ignored).
void guiWrapperMusicAutoScreensaverEnter(const void* unused);
void guiWrapperMusicAutoScreensaverExit(void);
// While locked the screensaver does not count.
void guiWrapperMusicAutoScreensaverLock(uint8_t lock);
// Slots PdtSet and PdtKey: product test ends after 60 s (the argument is ignored).
void guiWrapperMusicPdtSet(const void* unused);
// Slot ErpSet: the energy-saving countdown of product test on (5 s) or off.
void guiWrapperMusicErpSet(const uint8_t* en);
// Sound came back on a wired input: ends a pending pop mute.
void guiWrapperMusicNoiseUnMute(void);
// Sets the energy-saving countdown back.
void guiWrapperMusicErpReset(void);
// One audio-energy report of the playing source.
void guiWrapperMusicEnergySet(uint32_t energy);
// One look of the AUX noise detector: `signal` 0 counts towards the noise mute, 1 towards its end.
void guiWrapperMusicNoiseDetect(uint8_t signal, uint16_t limit);

// Deferred effect setters: each mutes the amplifiers and streams at once, keeps the change pending
// and sends it 300 ms later with every other pending change (later while a prompt tone plays),
// then unmutes.
// The custom-EQ record: the EQ mode (6 style list, 7 custom), then its ten points.
struct GuiWrapperMusicCusEq {
    uint32_t eq_mode;
    GuiWrapperMusicEqPoint points[GUI_WRAPPER_MUSIC_EQ_POINTS];
};
static_assert(sizeof(GuiWrapperMusicCusEq) == 44, "mode word and 40 bytes of points");
void guiWrapperMusicEqSet(const uint8_t* mode);
void guiWrapperMusicCusEqSet(const GuiWrapperMusicCusEq* eq);
void guiWrapperMusicSurEnSet(const uint8_t* on);
// Refused in bypass mode.
void guiWrapperMusicVirtualXSet(const uint8_t* on);
void guiWrapperMusicSurLeftSet(uint8_t level);
void guiWrapperMusicSurRightSet(uint8_t level);
void guiWrapperMusicLatencySet(uint32_t latency);
// The volume path's EQ mute: a muted window with nothing pending.
void guiWrapperMusicEqMuteSet(void);
// A source's own EQ, sent at once behind a pop mute; refused in bypass mode.
void guiWrapperMusicSrcToggleEqSet(const uint8_t* mode);
// For the phone app: out[0] the EQ mode, then for modes 6 and 7 that mode's 40 bytes of curve.
void guiWrapperMusicCusEqGet(uint32_t* out);
// For the phone app: the style curve (style non-zero) or the custom curve into out[4..43].
void guiWrapperMusicCusEqPointGet(uint8_t style, uint8_t* out);

// The decoded format.
// What the audio-input daemon found in the stream: codec_type 0 none or unsupported, 1 PCM,
// 2 Dolby, 3 DTS.
struct MusicDecoderFmt {
    int32_t codec_type;
    int32_t stream_type;
    int32_t proc_type;
    int32_t comp_gain;
    int32_t channels;
};
static_assert(sizeof(MusicDecoderFmt) == 20, "five 32-bit words");
// A null record is refused with "Param Error!".
void guiWrapperMusicDecoderFmtSet(const MusicDecoderFmt* fmt);
// The stream's channel layout: two channels (1) or more (0).
void guiWrapperMusicFmtChnNumSet(uint8_t isTwoChannel);
// Replaces the pending format-display delay (in music-timer ticks) while one is pending.
void guiWrapperMusicDelayShowFmtSet(uint16_t ticks);
