// The wrapper calls USB playback and the device manager make into the GUI side: the USB music
// status, hot-plug, stick and play time reports, and the music wrapper's anti-pop mute and
// channel-layout reports. Until the
// wrapper layer fills them, each call only appends one line to WRAPPER_USB_CALL_LOG under the
// root ("<function> <arguments>"), so the calls can be followed from outside.
#pragma once

#include <cstdint>

#define WRAPPER_USB_CALL_LOG "/sim/gui_wrapper.log"

// Status 0 stopped, 1 no playlist, 2 playing, 3 paused, 4 end of the reset test's track; the index
// is logged as a signed number, so "no track" (0xFFFFFFFF) reads -1. Returns 0.
int32_t guiWrapperUsbUDiskMusicStsCbk(uint32_t status, uint32_t index);
void guiWrapperUsbUdiskHotplugCbk(uint8_t mounted);
// The device manager's report of a stick it could not mount: 1 online.
void guiWrapperUsbUdiskPlugStsSet(uint8_t online);
void guiWrapperUsbUDiskMusicPlayTimeCbk(uint64_t seconds);
void guiWrapperMusicPopMuteSet(uint8_t mute);
void guiWrapperMusicFmtChnNumSet(uint8_t isTwoChannel);
