// Dolby wrapper: the decoder's settings through the audio-setting tool.
#pragma once

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperDolbyInit(void);
void guiWrapperDolbyExit(void);

// The arguments are ignored.
void guiWrapperDolbyPowerOn(const void* unused);
void guiWrapperDolbyPowerOff(const void* unused);
void guiWrapperDolbyFactoryReset(const void* unused);
