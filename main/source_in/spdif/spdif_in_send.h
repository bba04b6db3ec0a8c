// What the digital-input application sends and shares with its link to the audio-input daemon
// below it: the play status both move, the state-manager sources it serves, and its posts to the
// state manager and to "cec".
#pragma once

#include <atomic>
#include <cstdint>

#define SPDIF_IN_CEC_APP_NAME "cec"

// The application's play status: 0 stopped, 1 playing, 2 stopped from the source side (a pause
// order, or the daemon stopped the stream or lost its input), the only state from which it asks
// the state manager for play again. Moved by the application thread and the status thread.
enum spdif_play_status : uint32_t {
    SPDIF_PLAY_STS_STOP = 0,
    SPDIF_PLAY_STS_PLAY = 1,
    SPDIF_PLAY_STS_SOURCE_STOP = 2,
};
extern std::atomic<uint32_t> gSilethPlayStatus;

// Posts a play request (0x00010000) to the state manager; the post's result.
int32_t i4SpdifInSendRequestPlayToSm(void);
// Posts an inform with `status` as its body to the state manager; the post's result.
int32_t i4SpdifInSendPbStatusToSm(uint8_t status);
// Posts the system-audio order to "cec": 0 on, 1 off; the post's result.
int32_t i4SpdifInSendCtlMsgToCEC(uint8_t off);

// The input type (`hdmi_src_type`) and sender ids that belong to a state-manager source.
struct SpdifSourceInfo {
    uint32_t requestSender;
    uint32_t informSender;
    uint8_t hdmiSrcType;
    bool cecSystemAudio;
};
SpdifSourceInfo spdifSourceInfo(uint32_t smSource);
