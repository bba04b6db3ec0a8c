// DTS wrapper: the decoder-side member of the wrapper fan-outs. The decoder takes its settings from
// the audio-input daemon and the audio server, so its setters are empty.
#pragma once

#include <cstdint>

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperDtsInit(void);
void guiWrapperDtsExit(void);

// Logs the switch and does nothing else.
void guiWrapperDtsVirtualXSet(const uint8_t* on);

// Key body `cmd` to the state manager, as the general wrapper sends it. 0, or -1.
int32_t guiWrapperDtsMsgSnd(uint32_t cmd);

// The arguments are ignored: the decoder takes these settings elsewhere.
void guiWrapperDtsPowerOn(const void* unused);
void guiWrapperDtsPowerOff(const void* unused);
void guiWrapperDtsFactoryReset(const void* unused);
void guiWrapperDtsSurEnSet(const void* unused);
void guiWrapperDtsEqSet(const void* unused);
void guiWrapperDtsMuteSet(const void* unused);
void guiWrapperDtsVolSet(const void* unused);
void guiWrapperDtsBassSet(const void* unused);
void guiWrapperDtsTrebleSet(const void* unused);
void guiWrapperDtsDrcLvlSet(const void* unused);
void guiWrapperDtsDclLvlSet(const void* unused);
void guiWrapperDtsNeuralXSet(const void* unused);
void guiWrapperDtsVxDfSet(const void* unused);
