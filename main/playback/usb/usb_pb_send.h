// What USB playback sends, shared by the application and its WAV and player paths below it: its
// private messages to itself, and its requests and play statuses to the state manager (each status
// also goes to the GUI's USB music report).
#pragma once

#include "main/am/aee/aee.h"
#include "main/playback/usb/usb_pb_msg.h"

#include <cstdint>

// The status reported to the state manager when the reset test's track has ended (beside the
// play statuses stopped, playing and paused).
constexpr uint32_t PLAYBACK_USB_STS_TEST_TRACK_END = 87;

// The application's handle while it runs, 0 otherwise: private messages go to it.
void playbackUsbSendSetApp(handle_t app);

// Posts a private message to the application itself. 0; -1 when not running or the post fails.
int32_t uPlaybackUsbSendMsg(const usb_pb_msg_t* msg);
// playbackUsbSendPbStatusToSm with a log line on failure.
int32_t uPlaybackUsbSendPbStatusToSm(uint32_t body);
// Informs the state manager of the status and then tells the GUI (whatever the post gave).
int32_t playbackUsbSendPbStatusToSm(uint32_t body);
// Asks the state manager to play.
int32_t playbackUsbSendPlayRequestToSm(void);
