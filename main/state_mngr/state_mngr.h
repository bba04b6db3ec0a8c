// The state manager "state_mngr": decides which audio source holds the output, carries the system
// in and out of its standby states and turns key, assistant, network and CEC events into source
// and power decisions. Its decisions run on its own application thread; the calls below that read
// its state run on the caller's thread without a lock.
#pragma once

#include "main/am/amb/amb.h"

#include <atomic>
#include <cstdint>

constexpr const char* SM_APP_NAME = "state_mngr";

// Application message ids the state manager handles beside those of aee.h.
constexpr uint32_t E_APP_MSG_TYPE_ASSISTANT = 9;
constexpr uint32_t E_APP_MSG_TYPE_C4A = 10;
constexpr uint32_t E_APP_MSG_TYPE_AVS = 12;
constexpr uint32_t E_APP_MSG_TYPE_BLUETOOTH = 15;
constexpr uint32_t E_APP_MSG_TYPE_WIFI_SETTING = 24;
constexpr uint32_t E_APP_MSG_TYPE_NETWORK = 27;
constexpr uint32_t E_APP_MSG_TYPE_VA_MANAGER = 32;

// The message word of the state-manager protocol (ui4_msg_type of message 14):
// group << 24 | body << 16 | play id.
enum sm_msg_grp : uint32_t {
    SM_REQUEST_GRP = 0,
    SM_PERMIT_GRP = 1,
    SM_FORBID_GRP = 2,
    SM_INFORM_GRP = 3,
};

constexpr uint32_t SM_MSG_GRP(uint32_t word)
{
    return word >> 24;
}
constexpr uint32_t SM_MSG_BDY(uint32_t word)
{
    return (word >> 16) & 0xff;
}
constexpr uint32_t SM_MSG_ID(uint32_t word)
{
    return word & 0xffff;
}
constexpr uint32_t smMsgWord(uint32_t grp, uint32_t body, uint32_t id)
{
    return grp << 24 | (body & 0xff) << 16 | (id & 0xffff);
}

enum sm_body : uint32_t {
    SM_BODY_STOP = 0,
    SM_BODY_PLAY = 1,
    SM_BODY_PLAY_STS = 2,
    SM_BODY_PAUSE = 3,
    SM_BODY_RESUME = 4,
    SM_BODY_PREV = 5,
    SM_BODY_NEXT = 6,
    SM_BODY_POWER = 7,
    // Voice-service switch statuses, sent to "avs_stub", "c4a_stub" and "bluetooth".
    SM_BODY_SWITCH_TO_C4A = 9,
    SM_BODY_AVS_SWITCH_OFF = 10,
    SM_BODY_SWITCH_TO_AVS = 18,
    SM_BODY_C4A_SWITCH_OFF = 19,
    SM_BODY_VA_ENTER_SUSPEND = 22,
    SM_BODY_VA_EXIT_SUSPEND = 23,
    SM_BODY_BT_IDLE = 25,
    SM_BODY_BT_WAKE_UP = 26,
    SM_BODY_BT_UPDATE = 28,
    SM_BODY_BT_POWEROFF = 29,
    SM_BODY_A2DP_LOW_POWER_ON = 30,
    SM_BODY_A2DP_LOW_POWER_OFF = 31,
    // Key bodies (the whole ui4_msg_type of a key message).
    SM_BODY_UI_EXIT_SUSPEND = 35,
    SM_BODY_UI_ENTER_SUSPEND = 36,
    SM_BODY_UI_ENTER_FAKE_STANDBY = 37,
    SM_BODY_UI_EXIT_FAKE_STANDBY = 38,
    SM_BODY_UI_MUTE = 40,
    SM_BODY_UI_VOLUMEUP = 42,
    SM_BODY_UI_VOLUMEDOWN = 43,
    SM_BODY_UI_SOURCE_SWITCH = 44,
    SM_BODY_UI_SRC_ARC_IN = 45,
    SM_BODY_UI_SRC_HDMI_IN = 46,
    SM_BODY_UI_SRC_SPDIF_IN = 47,
    SM_BODY_UI_SRC_AUX_IN = 48,
    SM_BODY_UI_SRC_USB = 49,
    SM_BODY_UI_SRC_BT_EXT_IN = 50,
    SM_BODY_UI_SRCIN_CLR = 51,
    SM_BODY_UI_PREV = 52,
    SM_BODY_UI_NEXT = 53,
    SM_BODY_UI_LONG_MICMUTE = 54,
    SM_BODY_UI_LONG_VOLUMEDOWN = 59,
    SM_BODY_UI_PLAY_LINE_IN = 69,
    SM_BODY_UI_PLAY_USB = 70,
    SM_BODY_UI_PLAY_SPDIF_IN = 71,
    SM_BODY_UI_PLAY_HDMI_IN = 72,
    SM_BODY_UI_PLAY_ARC_IN = 73,
    SM_BODY_EXIT_SUSPEND = 74,
    SM_BODY_DSP_WAKE_UP = 75,
    SM_BODY_SYSTEM_WAKE = 76,
    SM_BODY_CEC_STANDBY = 77,
    SM_BODY_CEC_ENTER_SUSPEND = 78,
    SM_BODY_CEC_EXIT_SUSPEND = 79,
    SM_BODY_CEC_ENTER_SUSPEND_FAIL = 80,  // defined for the CEC application; nothing sends it
};

// Sender ids (ui4_sender_id) of the protocol.
enum msg_from : uint32_t {
    MSG_FROM_SM = 0,
    MSG_FROM_BT = 1,
    MSG_FROM_LINE_IN = 3,
    MSG_FROM_SPDIF_IN = 4,
    MSG_FROM_ARC_IN = 5,
    MSG_FROM_HDMI_IN = 6,
    MSG_FROM_BT_EXT_IN = 7,
    MSG_FROM_AUX_IN = 8,
    MSG_FROM_UI = 12,
    MSG_FROM_DM = 13,  // the device manager's driver events to the CEC application
    MSG_FROM_URI = 14,
    MSG_FROM_TTS = 15,
    MSG_FROM_PROMPT = 16,
    MSG_FROM_CLI = 19,  // the debug console
    MSG_FROM_BT_HFP = 24,
    MSG_FROM_DLNA = 25,
    MSG_FROM_USB = 28,
    MSG_FROM_CEC = 30,
    MSG_FROM_AIRPLAY2 = 31,
};

enum sm_source : uint32_t {
    SM_SOURCE_NONE = 0,
    SM_SOURCE_URI = 1,
    SM_SOURCE_BT = 2,
    SM_SOURCE_TTS = 3,
    SM_SOURCE_PROMPT = 4,
    SM_SOURCE_DLNA = 5,
    SM_SOURCE_AIRPLAY2 = 6,
    SM_SOURCE_BT_HFP = 7,
    SM_SOURCE_SPDIF_IN = 8,
    SM_SOURCE_ARC_IN = 9,
    SM_SOURCE_HDMI_IN = 10,
    SM_SOURCE_BT_EXT_IN = 11,
    SM_SOURCE_AUX_IN = 12,
    SM_SOURCE_USB = 13,
    SM_SOURCE_LINE_IN = 14,
    SM_SOURCE_COUNT = 15,
};

enum sm_play_status : uint32_t {
    SM_PLAY_STATUS_STOP = 0,
    SM_PLAY_STATUS_PLAY = 1,
    SM_PLAY_STATUS_PAUSE = 3,
};

// One row of g_t_source_list: orders to a source go to the application of its row.
constexpr uint32_t SM_SOURCE_LIST_ROWS = 18;
constexpr uint32_t SM_APP_NAME_SIZE = 20;
struct sm_source_list_t {
    uint32_t ui4_id;
    char ac_app_name[SM_APP_NAME_SIZE];
};
extern const sm_source_list_t g_t_source_list[SM_SOURCE_LIST_ROWS];

// Why the USB source was stopped and whether to resume where it was: set here, read (and some
// cleared) by the USB playback application on its own thread.
extern std::atomic<uint8_t> gIsPowerOnFromSuspend;
extern std::atomic<uint8_t> gIsPowerOnFromFakeStandby;
extern std::atomic<uint8_t> gIsFakeStandbySendStopMessage;
extern std::atomic<uint8_t> gIsSourceSwitchSendStopMessage;
extern std::atomic<uint8_t> gIsSourceSwitchSeekPlay;
extern std::atomic<uint8_t> gIsSourceSwitchSendPlayMessage;
// Voice-service state, written from the voice services' messages.
extern std::atomic<uint8_t> gAvsState;
extern std::atomic<uint8_t> gAvsSwitch;
extern std::atomic<uint8_t> gC4aSwitch;
// 0 once a standby request has been carried out, 1 when the system is back online.
extern std::atomic<uint8_t> gPmOnlineState;

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

// Power-management handshake: the standby keys' callers wait for gPmOnlineState to drop to 0.
void smPmStateSet(uint8_t state);
// Polls gPmOnlineState up to 30 times, 100 ms apart, on the caller's thread.
void smPmStateDoneWait(void);
// The device wrappers' way back from standby, on their thread.
void smPmStateWakeUp(uint8_t fromFakeStandby);

// The state manager's debug level with the application-layer bit ORed in. The configuration
// store's accessors log under it too, so the state manager's `sdl` switches them on and off.
uint32_t smGetDbgLevel(void);
void smSetDbgLevel(uint16_t level);
