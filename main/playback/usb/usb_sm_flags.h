// One-byte flags the state manager sets to tell USB playback why its source was stopped and
// whether to resume at the remembered track and position; USB playback reads them and clears
// some once acted on. They cross threads, so they are atomic.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<uint8_t> gIsFakeStandbySendStopMessage;   // stop caused by entering fake standby
extern std::atomic<uint8_t> gIsSourceSwitchSendStopMessage;  // stop caused by a source switch
extern std::atomic<uint8_t> gIsSourceSwitchSeekPlay;         // set by the usb request: seek after play
extern std::atomic<uint8_t> gIsSourceSwitchSendPlayMessage;  // set by the usb request
