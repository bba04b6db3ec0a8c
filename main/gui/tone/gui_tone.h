// Prompt tones: the short WAV files the soundbar plays on power on and off and on link changes,
// each by a player child on the tone thread. The GUI and the power sequences call it.
#pragma once

#include <cstdint>

void guiToneInit(void);
void guiToneExit(void);

void guiToneEnableSet(uint8_t beepEn);
void guiToneVolSet(uint32_t vol);
void guiTonePowerOn(void);
void guiTonePowerOff(void);
void guiToneStop(void);
// 1 when no prompt tone plays (or tones are off), else 0.
uint32_t guiTonePlayDoneGet(void);
// Waits until the tone that plays has ended (the argument is ignored).
void guiTonePlayDoneWait(uint32_t unused);
// The tones of the Bluetooth and wireless-audio link changes.
void guiToneBtStsProcess(uint16_t evt);
void guiToneWirlessStsProcess(uint8_t connType);
