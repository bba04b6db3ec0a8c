// What the USB playback application's own files share: its player-path handler, which the key
// handlers call directly on their caller's thread, and the message it takes.
#pragma once

#include "main/playback/usb/usb_pb_msg.h"

#include <cstdint>

// A player-path private message.
usb_pb_msg_t playbackUsbPlayerMsg(usb_pb_id id, int64_t value = 0, uint32_t arg = 0);
// Handles one player-path message; the result of the operation it ran, 0 when there was none.
int32_t playbackUsbGstMsgProcess(usb_pb_msg_t msg);
// AVRCP keys from the Bluetooth side (application message 15).
void uPlaybackBtMsgProcess(const void* data, uint32_t size);
