// The 32-byte private message of USB playback, which the application posts to itself (and the
// player client and the console post to it). Its command numbers are the player queue's.
#pragma once

#include "common/velmor_ipc/velmor_msg.h"

#include <cstddef>
#include <cstdint>

// Which way a private message plays: WAV over ALSA inside corvand, or the external player.
enum usb_pb_path : uint32_t {
    USB_PB_PATH_PCM = 1,
    USB_PB_PATH_PLAYER = 2,
};

// The private message (application message 28). It stays inside the process; the layout is
// still the board's, so it is copied in and out whole.
struct usb_pb_msg_t {
    uint32_t ui4Path;
    uint32_t ui4Id;
    int64_t i8Value;  // seek position, or the position the player reported
    uint32_t ui4Arg;  // player path next/previous: 1-based track index
    uint8_t aui1Zero[12];
};
static_assert(sizeof(usb_pb_msg_t) == 32, "the private message is 32 bytes");
static_assert(offsetof(usb_pb_msg_t, i8Value) == 8 && offsetof(usb_pb_msg_t, ui4Arg) == 16, "private message offsets");
