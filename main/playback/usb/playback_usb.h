// The `playback_usb` application: plays the music of a USB stick through the external player
// (usb_player.h) under the state manager. It asks to play, reports playing, paused and stopped,
// obeys the state manager's orders, takes user and AVRCP keys and follows the device manager's
// USB mount broadcast. Its playlist is usb_playlist.h.
#pragma once

#include "main/am/aee/aee.h"
#include "main/am/amb/amb.h"
#include "main/playback/usb/usb_pb_msg.h"
#include "main/playback/usb/usb_pb_send.h"

#include <atomic>
#include <cstdint>

#define PLAYBACK_USB_APP_NAME "playback_usb"
// The track that the factory's reset test plays; its end is reported as its own status.
#define PLAYBACK_USB_RESET_TEST_TRACK "/data/mnt/sda1/FD_TEST_PLAY_RESET/fd_test_play_reset.mp3"

// Set when a stop comes from the stick's removal; read on the next list build and play done.
extern std::atomic<uint8_t> gIsUsbUnMountedSendStopMessage;
// 1 when the last track move of the player path went backwards.
extern std::atomic<uint8_t> gPlaybackUsbPrevDirection;

// Fills the registration record ("playback_usb"); does nothing while the application runs.
void a_playback_usb_register(amb_register_info_t* info);

// Status of the WAV-over-ALSA path: 0 no playback thread, 1 playing, 3 paused.
int32_t uPlaybackUsbGetPlaybackStatus(void);
// 0 ordered loop, 1 single loop; other values are refused with a log line.
void playbackGstModeSwitchMsgProcess(uint32_t mode);
// The key handler; `playback_line_in` hands its key messages here too, on its own thread.
// 0; -1 when the message is not a 520-byte key record.
int32_t uPlaybackUiMsgProcess(const appmsg_t* msg, uint32_t size);

uint8_t playbackUsbGetAutoPlay(void);
void playbackUsbSetAutoPlay(uint8_t autoPlay);
