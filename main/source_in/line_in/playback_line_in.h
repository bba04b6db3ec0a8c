// The playback_line_in application: plays the analogue input. A stream captures PCM "line_in" into
// a ring buffer and plays it on "main", measuring every period to drive the music wrapper's mutes
// and energy reports. The state manager's orders (line-in, external Bluetooth and aux sources)
// become private messages to itself; one stream runs at a time, and the state manager is told
// playing (1), paused (3) and stopped (0).
#pragma once

#include "main/am/amb/amb.h"

#include <cstdint>

// The private message (id E_APP_PRI_ALSA_PB_MSG) the application posts to itself.
enum LineInMsgId : uint32_t {
    LINE_IN_REQUEST_PLAY = 0,         // ask the state manager to play
    LINE_IN_CREATE_THREAD = 1,        // start a stream, or end a pause
    LINE_IN_PLAY_PAUSE = 2,           // toggle the pause of the running stream
    LINE_IN_STOP = 3,                 // stop the stream, or report stopped
    LINE_IN_SHOW_SAMPLE_AVERAGE = 4,  // print the level of the last period
};

struct LineInMsg {
    uint32_t ui4Id;
    uint32_t aui4Reserved[3];  // sent as 0
};
static_assert(sizeof(LineInMsg) == 16, "the private message body is 16 bytes");

// Fills the registration record ("playback_line_in"); does nothing once the application started.
void aPlaybackLineInRegister(amb_register_info_t* info);

// Posts `msg` to the application itself: 0, or -1 when it is not started or the post failed.
int32_t uPlaybackLineInSendMsg(const LineInMsg* msg);

// The level of the last captured period while a stream runs unpaused, else -1.
int32_t playbackLineInGetSampleAverage(void);

bool playbackLineInIsRunning(void);
bool playbackLineInIsPaused(void);

// The level with the application-layer bit.
uint16_t playbackLineInGetDbgLevel(void);
void playbackLineInSetDbgLevel(uint16_t level);

// Attaches the console table "playback_line_in" ("linein") to the "app" directory.
int32_t playbackLineInCliAttachCmdTbl(void);
