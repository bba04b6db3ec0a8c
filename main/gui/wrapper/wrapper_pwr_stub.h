// Calls of the power sequences into parts built on other branches or by later work: prompt tones,
// the music wrapper's power steps, the state-manager message, the Dolby and DTS wrappers. Until
// those are linked, weak stand-ins record each call in the wrapper call log.
#pragma once

#include <cstdint>

struct GuiWrapperSetting;

void guiToneEnableSet(uint8_t beepEn);
void guiToneVolSet(uint32_t vol);
void guiTonePowerOn(void);
void guiTonePlayDoneWait(uint32_t unused);

void guiWrapperMusicPowerOn(const GuiWrapperSetting* s);
void guiWrapperMusicPowerIdle(const GuiWrapperSetting* s);
void guiWrapperMusicFactoryReset(uint32_t unused);

// Sends key message `cmd` from the UI to the state manager; 0 or -1.
int32_t guiWrapperMsgSnd(uint32_t cmd);

void guiWrapperDolbyPowerOn(const void* unused);
void guiWrapperDolbyPowerOff(const void* unused);
void guiWrapperDolbyFactoryReset(const void* unused);
void guiWrapperDtsPowerOn(const void* unused);
void guiWrapperDtsPowerOff(const void* unused);
void guiWrapperDtsFactoryReset(const void* unused);
