// The state manager "state_mngr": decides which audio source holds the output, carries the system
// in and out of its standby states and turns key, assistant, network and CEC events into source
// and power decisions. Its decisions run on its own application thread; the calls below that read
// its state run on the caller's thread without a lock.
#pragma once

#include "main/am/amb/amb.h"
#include "main/state_mngr/msg/sm_msg.h"

#include <atomic>
#include <cstdint>

// One row of g_t_source_list: orders to a source go to the application of its row.
constexpr uint32_t SM_SOURCE_LIST_ROWS = 18;
constexpr uint32_t SM_APP_NAME_SIZE = 20;
struct sm_source_list_t {
    uint32_t ui4_id;
    char ac_app_name[SM_APP_NAME_SIZE];
};
extern const sm_source_list_t g_t_source_list[SM_SOURCE_LIST_ROWS];

// Why the USB source was stopped and whether to resume where it was (with the power-on flags of
// sm_msg.h): set here, read (and some cleared) by the USB playback application on its own thread.
extern std::atomic<uint8_t> gIsFakeStandbySendStopMessage;
extern std::atomic<uint8_t> gIsSourceSwitchSendStopMessage;
extern std::atomic<uint8_t> gIsSourceSwitchSeekPlay;
extern std::atomic<uint8_t> gIsSourceSwitchSendPlayMessage;
// Voice-service state, written from the voice services' messages.
extern std::atomic<uint8_t> gAvsState;
extern std::atomic<uint8_t> gAvsSwitch;
extern std::atomic<uint8_t> gC4aSwitch;

// Fills the registration record of "state_mngr" (only while the state manager is not started).
void a_sm_register(amb_register_info_t* info);

// The source that holds the output (sm_source), or 0.
uint32_t uSmGetCurrentSource(void);
// The play status (sm_play_status) of the current source; 0 for bt-ext-in, aux-in and none.
int32_t uSmGetCurrentPlaybackStatus(void);
// 1 while speech runs or any source but bt-ext-in and aux-in plays (tts and prompt: active).
uint8_t uSmIsCurrentSourcePlaying(void);
uint8_t uSmIsSpeechStart(void);
uint8_t uSmIsEnterFakeStandby(void);
uint8_t uSmIsEnterSuspendStandby(void);
void uSmSetSuspendStandby(uint8_t flag);
uint8_t uSmIsNetworkConnect(void);
// Clears tts, prompt, bt, uri, bt hfp and dlna; the wired sources are left alone.
void uSmSendStopToAllSource(void);
// Reads the stored last source and logs the sender it maps to; sends nothing.
void uSmAutoPlaySource(void);

// The state manager's debug level with the application-layer bit ORed in. The configuration
// store's accessors log under it too, so the state manager's `sdl` switches them on and off.
uint32_t smGetDbgLevel(void);
void smSetDbgLevel(uint16_t level);
