// The CEC messages the soundbar sends: one small function per message, which checks its
// arguments, fills a frame from the soundbar's own logical address to the destination and hands it
// to the transmit pool with the message's kind. None waits for an answer. Every one returns 0 (on
// its way), -3 (refused: the active TX port is not 0, or a destination above 15; nothing is sent)
// or -4 (the pool or the driver failed; nothing stays pending).
#pragma once

#include <cstdint>

// The longest text of an OSD string: what the frame holds after the display-control byte.
constexpr uint32_t CEC_OSD_STRING_MAX = 13;

int32_t cecCtrlInitiateARC(uint32_t destination);
int32_t cecCtrlTerminateARC(uint32_t destination);
int32_t cecCtrlGetMenuLanguage(uint32_t destination);
int32_t cecCtrlGivePhysicalAddress(uint32_t destination);
int32_t cecCtrlGetCecVersion(uint32_t destination);
int32_t cecCtrlGiveDevicePowerStatus(uint32_t destination);
// The display-control byte, then at most CEC_OSD_STRING_MAX characters of `text` (cut there).
int32_t cecCtrlSetOSDString(uint32_t destination, uint8_t displayControl, const char* text);
int32_t cecCtrlGiveOSDName(uint32_t destination);
int32_t cecCtrlStandby(uint32_t destination);
