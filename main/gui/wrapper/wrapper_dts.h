// DTS wrapper: the decoder's settings through the audio-setting tool.
#pragma once

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperDtsInit(void);
void guiWrapperDtsExit(void);

// The arguments are ignored.
void guiWrapperDtsPowerOn(const void* unused);
void guiWrapperDtsPowerOff(const void* unused);
void guiWrapperDtsFactoryReset(const void* unused);
