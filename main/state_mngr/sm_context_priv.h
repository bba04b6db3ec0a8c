// The state manager's context and the operations its files share: the source records and their
// predicates, the senders of its orders and notices, arbitration, power states and keys. Only the
// state manager's own files and its tests include this; everyone else uses state_mngr.h.
//
// The context is written on the state manager's thread. Other threads read it through the exported
// queries, so every field they read is atomic.
#pragma once

#include "main/am/aee/aee.h"
#include "main/cli/dbg_level.h"
#include "main/state_mngr/state_mngr.h"
#include "main/timerd/os_timer.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

// One source's record. `waiting` of bt is its queued order (sm_bt_wait_permit); `paused_by_sm` of
// uri is its "suspended" word.
struct SmSourceRecord {
    std::atomic<uint8_t> paused_by_sm{0};
    std::atomic<uint16_t> play_id{0};
    std::atomic<uint32_t> status{0};
    std::atomic<uint32_t> waiting{0};
    std::atomic<uint32_t> exists{0};
};

// bt's queued order.
enum sm_bt_wait_permit : uint32_t {
    SM_BT_WAIT_NONE = 0,
    SM_BT_WAIT_PLAY = 1,
    SM_BT_WAIT_PREV = 2,
    SM_BT_WAIT_NEXT = 3,
};

constexpr uint32_t SM_PROMPT_PAYLOAD_SIZE = 316;
constexpr uint32_t SM_TTS_PAYLOAD_SIZE = 52;
constexpr uint32_t SM_URI_PAYLOAD_SIZE = 496;
constexpr uint32_t SM_TTS_NEED_MIX_AT = 41;
constexpr uint32_t SM_URI_FIRST_PLAY_ID = 11111;

// Zeroed by the application's init.
struct SmContext {
    handle_t hApp = 0;
    std::atomic<uint8_t> fgInited{0};
    std::atomic<uint8_t> fgFakeStandby{0};
    std::atomic<uint8_t> fgSuspendStandby{0};
    // Kept for its release at exit; nothing creates or arms it.
    os_timer_t* prStandbyTimer = nullptr;
    timer_param_t tStandbyTimerParam{};
    std::atomic<uint8_t> fgSpeech{0};
    // Indexed by sm_source; row 0 is unused.
    std::array<SmSourceRecord, SM_SOURCE_COUNT> atRecords;
    // Request payloads handed back with the permit.
    std::array<uint8_t, SM_PROMPT_PAYLOAD_SIZE> aui1PromptPayload{};
    std::array<uint8_t, SM_TTS_PAYLOAD_SIZE> aui1TtsPayload{};
    std::array<uint8_t, SM_URI_PAYLOAD_SIZE> aui1UriPayload{};
};

// quorid_exec's flag for a command the caller does not wait for.
constexpr int SM_QUORID_NO_WAIT = 1;

constexpr uint32_t SM_NETWORK_STATUS_LEN = 16;

// Module variables beside the context: they keep their values across a restart of the application.
struct SmModuleVars {
    std::atomic<uint32_t> ui4NetworkQuantity{0};
    // One more byte than the text may hold, so it is always terminated; guarded by the lock since
    // the network query reads it from other threads.
    std::mutex tNetworkLock;
    char acNetworkStatus[SM_NETWORK_STATUS_LEN + 1] = "disconnect";
    std::atomic<uint8_t> fgSystemStatusSet{0};
    std::atomic<uint8_t> ui1EcoPowerTest{0};
    std::atomic<uint8_t> ui1FakeTest{0};
    std::atomic<uint8_t> gFBtRequest{0};
    std::atomic<uint8_t> fgA2dpLowPower{0};
    std::atomic<uint32_t> ui4SwitchPos{0};
};

SmContext& smCtx();
SmModuleVars& smVars();
// Zeroes the context (the application's init).
void smResetContext();

inline SmSourceRecord& smRec(uint32_t source)
{
    return smCtx().atRecords[source < SM_SOURCE_COUNT ? source : SM_SOURCE_NONE];
}

// The record predicates every decision reads.
bool smIsPresent(uint32_t source);
bool smIsWaiting(uint32_t source);
bool smIsPlaying(uint32_t source);
bool smIsPaused(uint32_t source);
bool smIsPausedBySm(uint32_t source);
// prompt and tts only: present and not waiting.
bool smIsActive(uint32_t source);
// The tts record is present and asks to play mixed over the current source.
bool smIsTtsNeedMix();
// spdif-in, arc-in, hdmi-in, bt-ext-in and aux-in.
inline bool smIsWiredInput(uint32_t source)
{
    return source >= SM_SOURCE_SPDIF_IN && source <= SM_SOURCE_AUX_IN;
}

uint32_t smGetMsgFromSource(uint32_t source);
uint32_t smGetSourceFromMsgFrom(uint32_t sender);
// The application of a source's row, or "" for a row without one.
const char* smSourceAppName(uint32_t source);
// Short name of a source in log lines ("spdif in", "usb").
const char* smSourceName(uint32_t source);

// Output primitives; a source id of 0 sends nothing.
int32_t smSendMsg(uint32_t sender, uint32_t word, const char* appName);
int32_t smSendMsgWithPayload(uint32_t sender, uint32_t word, const char* appName, const void* payload, uint32_t size);
void smSendPermitToSource(uint32_t source, uint16_t playId, const void* payload, uint32_t size);
void smStoreCurrentSource(uint32_t source);
void smSendForbidToSource(uint32_t source);
void smSendPlayToSource(uint32_t source, uint16_t playId);
void smSendStopToSource(uint32_t source);
void smSendPauseToSource(uint32_t source);
void smSendResumeToSource(uint32_t source);
void smSendPrevToBt(uint16_t playId);
void smSendNextToBt(uint16_t playId);

// The per-source sender families, on the source's own record. A source without a member of a
// family (for example the pause of prompt) does nothing there.
void smSendPermit(uint32_t source);
void smSendForbid(uint32_t source);
void smSendPause(uint32_t source);
void smSendSuspend(uint32_t source);
void smSendResume(uint32_t source);
void smSendPlayToBt();
void smClearBtBeforeEnterStandby();

// Notices to peers.
void smSendMsgToCec(uint8_t body);
void smSendMsgToVaManager(uint8_t body);
void smSendSwitchMsgToAvsStub(uint8_t status);
void smSendSwitchMsgToC4aStub(uint8_t status);
void smSendSwitchMsgToBt(uint8_t status);
int32_t smSendMsgToAssistantStub(uint32_t command, const void* payload, uint32_t size);
int32_t smSendCommonKeyToAll(const appmsg_t* key, const char* appName);
int32_t smSendKeyToAvs(uint32_t key);
void smProcessInformPlaySts(uint8_t status);
void smUpdateBtAfterExitStandby();
void smSendEnterSuspendMsgToHdmi();
void smSendExitSuspendMsgToHdmi();
void smSendPowerOnToBt();
void smSendPowerOffToBt();

// The assistant's status record: key and value texts, zero-filled.
struct sm_assistant_payload {
    char key[33];
    char value[17];
};
static_assert(sizeof(sm_assistant_payload) == 50);
constexpr uint32_t SM_ASSISTANT_CMD_SYSTEM_STATUS = 38;
constexpr uint32_t SM_ASSISTANT_CMD_HFP_STATUS = 45;
void smSendAssistantStatus(uint32_t command, const char* key, const char* value);

// Arbitration, on the state manager's thread.
void smProcessRequestMsg(const appmsg_t* msg);
void smProcessRequestPlayMsg(int32_t sender);
void smProcessRequestPauseMsg(int32_t sender);
void smProcessRequestStopMsg(int32_t sender);
void smProcessInformMsg(const appmsg_t* msg);
void smProcessInformPlayMsg(int32_t sender, uint16_t playId);
void smProcessInformPauseMsg(int32_t sender, uint16_t playId);
void smProcessInformStopMsg(int32_t sender, uint16_t playId, const uint8_t* data);
void smProcessPriorityPlay(uint8_t speech);
// Stops a source; a waiting one is dropped (a wired input or usb then hands the output on).
void smClear(uint32_t source);
// The play controls that keys and peers share: pause and resume of what plays, and Bluetooth's
// previous, next and play orders.
void smProcessPauseMsg();
void smProcessResumeMsg();
void smProcessPrevBtAudio();
void smProcessNextBtAudio();
void smProcessPlayBtMusic();
// Before a standby: stops every source that is there (smClearSource only when one is).
void smClearSource();
void smSendStopBeforeEnterStandby();
// True (and logged) while a factory reset is going: requests and Bluetooth orders are refused.
bool smFactoryResetGoing();
void smProcessBtHfpRequestPlay();
// 1 when a process of that name runs, 0 when not or when the check cannot run, 255 for a name that
// cannot go on the command line.
uint8_t smIsProcessExist(const char* name);

// Power states.
void smEnterFakeStandbyMode();
void smExitFakeStandbyMode();
void smEnterSuspendStandbyMode();
void smProcessSuspendStandby();
void smExitSuspendStandbyMode();
void smForceExitSuspendStandbyMode();
void smExecWifiSuspend();
void smExecWifiResume();
void smSetUsbHostMode();
void smProcessBtPowerOff();

// Keys.
void smProcessKeyMsg(const appmsg_t* key, uint32_t size);
void smProcessMuteMsg();
void smProcessVolumeupMsg();
void smProcessVolumedownMsg();
void smProcessSourceSwitchMsg();
void smProcessSourceInClear(uint32_t keyBody);
void smProcessLongMicmuteMsg();
void smProcessLongVolumedownMsg();
uint32_t smWhichSwitchSourceIsPlaying();

// Peer inputs: the assistant, the voice services, CEC and the notices.
void smProcessAssistantMsg(const appmsg_t* msg);
void smProcessFactoryReset();
void smProcessC4aMsg(const appmsg_t* msg);
void smProcessAvsMsg(const appmsg_t* msg);
void smProcessVaManagerMsg(const appmsg_t* msg);
void smProcessCecMsg(const appmsg_t* msg);
void smProcessNetworkMsg(const appmsg_t* msg);
void smProcessWifiSettingMsg(const appmsg_t* msg);
void smProcessBluetoothMsg(const appmsg_t* msg);

// The application's functions, on its own thread.
int32_t smAppInit(const char* name, handle_t app);
int32_t smAppExit(handle_t app, uint32_t exitCode);
int32_t smProcessMsg(handle_t app, uint32_t msgId, const void* data, uint32_t size);

// The console table "sm".
int32_t smCliAttachCmdTbl();

// Log lines of the state manager: "<SM>[function,line]:" and the text.
#define SM_ERR(fmt, ...) DBG_ERROR(static_cast<uint16_t>(smGetDbgLevel()), "<SM>", fmt, ##__VA_ARGS__)
#define SM_API(fmt, ...) DBG_API(static_cast<uint16_t>(smGetDbgLevel()), "<SM>", fmt, ##__VA_ARGS__)
#define SM_INFO(fmt, ...) DBG_INFO(static_cast<uint16_t>(smGetDbgLevel()), "<SM>", fmt, ##__VA_ARGS__)
