// The USB music player program's System V queue, shared by corvand's USB playback (the client)
// and the player: the queue's key, its message types, the command numbers (USB playback's private
// messages use the same ones) and the message body.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The queue is keyed on the player's program path (ftok with this id, the path under the root).
#define USB_PLAYER_PROGRAM "/usr/bin/velmor"
constexpr int PLAYER_QUEUE_KEY_ID = 1;

enum usb_pb_id : uint32_t {
    USB_PB_START = 0,
    USB_PB_CREATE_PB_LIST = 1,
    USB_PB_PARSER_FILE = 2,
    USB_PB_SET_HW_PARAMS = 3,
    USB_PB_CREATE_PB_THREAD = 4,
    USB_PB_PLAY = 5,
    USB_PB_PAUSE = 6,
    USB_PB_RESUME = 7,
    USB_PB_PLAY_PAUSE = 7,
    USB_PB_NEXT = 8,
    USB_PB_PREVIOUS = 9,
    USB_PB_STOP = 10,
    USB_PB_DELET_PB_LIST = 11,
    USB_PB_PCM_STATE_CHECK = 12,
    USB_PB_SEEK = 14,
    USB_PB_MODE_SWITCH = 15,
    USB_PB_GET_PROGRESS = 16,
    USB_PB_GET_PROGRESS_DONE = 17,
    USB_PB_GET_DURATION = 18,
    USB_PB_GET_DURATION_DONE = 19,
    USB_PB_EOS = 20,
    USB_PB_STREAM_ERROR = 21,
    USB_PB_PLAY_ERROR = 22,
    USB_PB_PLAY_DONE = 23,
    USB_PB_PAUSE_DONE = 24,
    USB_PB_RESUME_DONE = 25,
    USB_PB_STOP_DONE = 26,
    USB_PB_MUTE = 28,
    USB_PB_STREAM_INFO = 29,
};

// The player queue's message body: i32 cmd at 0, url char[256] at 4, two i32 words at 260 and
// 264 (PLAY: an i64 flag; SEEK: position low 32 bits and whence; replies: the value in the first),
// all little-endian.
constexpr size_t PLAYER_MSG_BODY_SIZE = 268;
constexpr size_t PLAYER_URL_SIZE = 256;
constexpr size_t PLAYER_URL_OFFSET = 4;
constexpr size_t PLAYER_WORD0_OFFSET = 260;
constexpr size_t PLAYER_WORD1_OFFSET = 264;
static_assert(PLAYER_URL_OFFSET + PLAYER_URL_SIZE == PLAYER_WORD0_OFFSET, "url ends where the value starts");
static_assert(PLAYER_WORD1_OFFSET + 4 == PLAYER_MSG_BODY_SIZE, "the body is 268 bytes");

// Message types on the player queue.
constexpr long PLAYER_MSG_TO_PLAYER = 2;
constexpr long PLAYER_MSG_FROM_PLAYER = 1;

using PlayerMsgBody = std::array<uint8_t, PLAYER_MSG_BODY_SIZE>;

// A body taken apart.
struct PlayerMsg {
    int32_t i4Cmd = 0;
    std::array<char, PLAYER_URL_SIZE> acUrl{};  // always terminated
    int32_t i4Word0 = 0;
    int32_t i4Word1 = 0;
};

// Builds a body. Returns false (and builds nothing) when url does not fit the field with its
// terminator: a cut path would name another file.
bool playerMsgEncode(PlayerMsgBody* body, int32_t cmd, const char* url, int32_t word0, int32_t word1);
// Reads the `len` bytes received; missing bytes read as zero, the url is terminated.
PlayerMsg playerMsgDecode(const uint8_t* body, size_t len);
