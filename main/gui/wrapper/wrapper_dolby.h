// Dolby wrapper: the decoder-side member of the wrapper fan-outs. The decoder takes its settings
// from the audio-input daemon and the audio server, so nearly every setter is empty; the upmixer
// switch goes on to the audio-input daemon, and a profile switch runs the audio-setting tool.
#pragma once

#include <cstdint>

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperDolbyInit(void);
void guiWrapperDolbyExit(void);

// The audio-input daemon's setting command: cmd 29 carries the upmixer value in values[3].
using GuiWrapperDolbyGstSetFct = void (*)(uint32_t cmd, const uint8_t values[4]);
// Handed in by the digital input's link to the daemon, which stands above the wrappers; the
// upmixer value is not passed on before.
void guiWrapperDolbyGstSetRegister(GuiWrapperDolbyGstSetFct fct);

// Keeps the upmixer value and sends it to the audio-input daemon (setting 29). `mode` is not read.
void guiWrapperDolbyXupmixSet(const uint8_t* mode, const uint8_t* xupmix);
// The value last passed on.
uint8_t guiWrapperDolbyXupmixGet(void);

// The Dolby profile of an EQ mode (0..7) through the audio-setting tool, with the virtualiser when
// `virtEn` is non-zero. The same mode twice runs nothing; a mode above 7 runs nothing but is kept.
void guiWrapperUpmix_set(uint8_t eqMode, uint8_t virtEn);

// Key body `cmd` to the state manager, as the general wrapper sends it. 0, or -1.
int32_t guiWrapperDolbyMsgSnd(uint32_t cmd);

// The arguments are ignored: the decoder takes these settings elsewhere.
void guiWrapperDolbyPowerOn(const void* unused);
void guiWrapperDolbyPowerOff(const void* unused);
void guiWrapperDolbyFactoryReset(const void* unused);
void guiWrapperDolbySurEnSet(const void* unused);
void guiWrapperDolbyEqSet(const void* unused);
void guiWrapperDolbyMuteSet(const void* unused);
void guiWrapperDolbyVolSet(const void* unused);
void guiWrapperDolbyBassSet(const void* unused);
void guiWrapperDolbyTrebleSet(const void* unused);
