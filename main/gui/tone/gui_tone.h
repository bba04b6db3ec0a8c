// Prompt tones: the short WAV files the soundbar plays on power on and off and on link changes,
// each by a player child on the tone thread. The GUI and the power sequences call it.
#pragma once

#include <cstdint>
#include <sys/types.h>

// Tone indices 1..15 of the tone table ("/res/tone/<name>.wav").
enum GuiToneIdx : uint8_t {
    E_GUI_TONE_IDX_POWER_ON = 1,
    E_GUI_TONE_IDX_POWER_OFF = 2,
    E_GUI_TONE_IDX_SRC_ARC = 3,
    E_GUI_TONE_IDX_SRC_EARC = 4,
    E_GUI_TONE_IDX_SRC_HDMIIN = 5,
    E_GUI_TONE_IDX_SRC_OPT = 6,
    E_GUI_TONE_IDX_SRC_AUX = 7,
    E_GUI_TONE_IDX_SRC_USB = 8,
    E_GUI_TONE_IDX_SRC_BT = 9,
    E_GUI_TONE_IDX_BT_PAIRING = 10,
    E_GUI_TONE_IDX_BT_CONNECTED = 11,
    E_GUI_TONE_IDX_BT_DISCONNECTED = 12,
    E_GUI_TONE_IDX_SURL_CONNECTED = 13,
    E_GUI_TONE_IDX_SURR_CONNECTED = 14,
    E_GUI_TONE_IDX_SUBW_CONNECTED = 15,
    E_GUI_TONE_IDX_MAX = 15,
};

constexpr uint32_t GUI_TONE_PATH_SIZE = 64;

void guiToneInit(void);
// Ends the player thread; a tone still playing is stopped first.
void guiToneExit(void);

// The GUI's mute status, asked before a link tone; the GUI registers it (unset: not muted).
using GuiToneMuteStsGet = uint8_t (*)(void);
void guiToneMuteStsGetRegister(GuiToneMuteStsGet get);

void guiToneEnableSet(uint8_t beepEn);
// Tone level 0..3; 4 or more is refused and the level stays.
void guiToneVolSet(uint32_t vol);
uint32_t guiToneVolGet(void);
// Queues a tone; the music goes silent from the request until the tone starts.
void guiToneIdxAdd(uint8_t idx);
void guiTonePowerOn(void);
void guiTonePowerOff(void);
// Ends the tone that plays; tones still queued play next.
void guiToneStop(void);
// 1 when no prompt tone plays or is queued (or tones are off), else 0.
uint32_t guiTonePlayDoneGet(void);
// Waits until the tones have ended, at most 4 s (the argument is ignored).
void guiTonePlayDoneWait(uint32_t unused);
// The tones of the Bluetooth and wireless-audio link changes.
void guiToneBtStsProcess(uint16_t evt);
void guiToneWirlessStsProcess(uint8_t connType);
// The file of tone `idx` ("/res/tone/<name>.wav", a system path); empty for an unknown index.
void guiTonePathGet(uint32_t idx, char path[GUI_TONE_PATH_SIZE]);
// The first process of this host whose command's first word is `name`; -1 when none.
pid_t guiTonePidGet(const char* name);
