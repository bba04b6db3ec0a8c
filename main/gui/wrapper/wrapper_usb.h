// USB music wrapper: the GUI's side of USB playback. The power sequences switch it with the rest
// of the wrappers; USB playback and the device manager report the music status, the stick's
// hot-plug and the play time through its callbacks, on the caller's thread.
#pragma once

#include <cstdint>

struct GuiWrapperSetting;

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperUsbInit(void);
void guiWrapperUsbExit(void);

void guiWrapperUsbPowerOn(const GuiWrapperSetting* s);
void guiWrapperUsbPowerOff(uint32_t unused);
void guiWrapperUsbFactoryReset(uint32_t unused);

// Status 0 stopped, 1 no playlist, 2 playing, 3 paused, 4 end of the reset test's track; index
// 0xFFFFFFFF is "no track". Returns 0.
int32_t guiWrapperUsbUDiskMusicStsCbk(uint32_t status, uint32_t index);
void guiWrapperUsbUdiskHotplugCbk(uint8_t mounted);
// The device manager's report of a stick it could not mount: 1 online.
void guiWrapperUsbUdiskPlugStsSet(uint8_t online);
void guiWrapperUsbUDiskMusicPlayTimeCbk(uint64_t seconds);
// The music status of the USB player (see the status callback); null is refused.
void guiWrapperUsbMusicStsGet(uint32_t* out);
// Non-zero starts the play-time reports, zero stops them; null is refused.
void guiWrapperUsbMusicPlayTimeGet(const uint8_t* en);
