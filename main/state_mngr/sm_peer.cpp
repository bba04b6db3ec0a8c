// Inputs from the state manager's other peers: the assistant's commands, the voice services'
// switch messages, the voice-activation manager's wake-up, the standby toggle from CEC, and the
// network, Wi-Fi and Bluetooth notices.
#include "main/acfg/acfg_accessor.h"
#include "main/acfg/acfg_item_accessor.h"
#include "main/acfg/acfg_reset.h"
#include "main/gui/user_interface.h"
#include "main/state_mngr/sm_context_priv.h"
#include "platform/parm/parm.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace {

enum sm_assistant_cmd : uint32_t {
    SM_ASSISTANT_URI_PLAY = 0,
    SM_ASSISTANT_PROMPT = 1,
    SM_ASSISTANT_TTS_PLAY = 2,
    SM_ASSISTANT_BT_PREV = 3,
    SM_ASSISTANT_BT_NEXT = 4,
    SM_ASSISTANT_SET_VOLUME = 5,
    SM_ASSISTANT_SET_SYSTEM_STATUS = 6,
    SM_ASSISTANT_PLAY_BT_MUSIC = 18,
    SM_ASSISTANT_SPEECH_START = 24,
    SM_ASSISTANT_SPEECH_END = 27,
    SM_ASSISTANT_GET_SPEAKER_STATUS = 28,
    SM_ASSISTANT_PAUSE = 29,
    SM_ASSISTANT_RESUME = 30,
    SM_ASSISTANT_CLEAR_NETWORK_SOURCE = 33,
    SM_ASSISTANT_FACTORY_RESET = 34,
    SM_ASSISTANT_HFP_FREE_MIC = 35,
};

constexpr uint32_t SM_ASSISTANT_CMD_SPEAKER_STATUS = 28;
constexpr uint32_t SM_ASSISTANT_CMD_NETWORK_STATUS = 41;

// Where the commands keep their fields in the message's data.
constexpr uint32_t kValueU32At = 36;           // volume, speaker-status tag, hfp value
constexpr uint32_t kSystemStatusValueAt = 33;  // "fake" or "suspend"
constexpr uint32_t kSystemStatusValueLen = 16;
constexpr uint32_t kPromptKindAt = 296;
constexpr uint32_t kPromptKindLen = SM_PROMPT_PAYLOAD_SIZE - kPromptKindAt;
constexpr uint32_t kTextLen = 32;  // texts that are only logged

constexpr uint32_t kNetworkNoticeSize = 124;
constexpr uint32_t kNetworkQuantityAt = 36;
constexpr uint32_t kNetworkStatusAt = 40;

constexpr uint32_t kBtPairingFinished = 4;

// AVS, c4a and voice-activation bodies.
constexpr uint32_t kAvsAlexaActive = 31;
constexpr uint32_t kAvsAlexaIdle = 32;
constexpr uint32_t kAvsSwitchOn = 33;
constexpr uint32_t kAvsSwitchOff = 34;
constexpr uint32_t kC4aSwitchOff = 11;
constexpr uint32_t kC4aSwitchOn = 12;

uint32_t u32At(const appmsg_t& msg, uint32_t at)
{
    uint32_t v = 0;
    memcpy(&v, msg.aui1_data + at, sizeof(v));
    return v;
}

// A text field of the message, bounded by `len` and terminated.
std::string textAt(const appmsg_t& msg, uint32_t at, uint32_t len)
{
    const auto* p = reinterpret_cast<const char*>(msg.aui1_data + at);
    return std::string(p, strnlen(p, len));
}

void setRequest(uint32_t source, uint8_t* store, const appmsg_t& msg, uint32_t size)
{
    SmSourceRecord& r = smRec(source);
    r.exists = source;
    r.waiting = 1;
    r.play_id = static_cast<uint16_t>(r.play_id + 1);
    memcpy(store, msg.aui1_data, size);
}

// A prompt or tts leaves fake standby unless it came with the assistant's own "fake" status.
void leaveFakeStandbyForAssistant()
{
    if (smVars().fgSystemStatusSet == 0) {
        smExitFakeStandbyMode();
    }
    smVars().fgSystemStatusSet = 0;
}

// Pauses the first of airplay2, bt, dlna and uri that plays; false when none does.
bool suspendFirstPlaying()
{
    for (uint32_t source : {SM_SOURCE_AIRPLAY2, SM_SOURCE_BT, SM_SOURCE_DLNA, SM_SOURCE_URI}) {
        if (smIsPlaying(source)) {
            smSendSuspend(source);
            return true;
        }
    }
    return false;
}

void smProcessUriPlay(const appmsg_t& msg)
{
    setRequest(SM_SOURCE_URI, smCtx().aui1UriPayload.data(), msg, SM_URI_PAYLOAD_SIZE);
    smExitFakeStandbyMode();
    for (uint32_t source : {SM_SOURCE_AIRPLAY2, SM_SOURCE_BT, SM_SOURCE_DLNA}) {
        if (!smIsPresent(source)) {
            continue;
        }
        const bool holding = !smIsWaiting(source);
        smClear(source);
        if (holding) {
            return;  // the walk after its stop inform permits the uri
        }
    }
    if (smFactoryResetGoing()) {
        return;
    }
    if (smCtx().fgSpeech != 0) {
        SM_INFO("speech starting, wait end!\n");
        return;
    }
    if (!smIsPresent(SM_SOURCE_PROMPT) && (!smIsPresent(SM_SOURCE_TTS) || smIsTtsNeedMix())) {
        smSendPermit(SM_SOURCE_URI);
        return;
    }
    SM_INFO("prompt or tts exist, wait end!\n");
}

void setPrompt(const appmsg_t& msg)
{
    setRequest(SM_SOURCE_PROMPT, smCtx().aui1PromptPayload.data(), msg, SM_PROMPT_PAYLOAD_SIZE);
}

void smProcessNormalPrompt(const appmsg_t& msg)
{
    setPrompt(msg);
    if (smCtx().fgSpeech != 0) {
        smSendPermit(SM_SOURCE_PROMPT);
    } else if (smIsPresent(SM_SOURCE_TTS)) {
        SM_INFO("tts exist, wait end!\n");
    } else if (!suspendFirstPlaying()) {
        smSendPermit(SM_SOURCE_PROMPT);
    }
}

void smProcessAlarmPrompt(const appmsg_t& msg)
{
    const bool busy = smIsActive(SM_SOURCE_PROMPT) || smIsActive(SM_SOURCE_TTS) || smIsPlaying(SM_SOURCE_BT) ||
                      smIsPlaying(SM_SOURCE_DLNA) || smIsPlaying(SM_SOURCE_URI);
    smClear(SM_SOURCE_PROMPT);
    smClear(SM_SOURCE_TTS);
    for (uint32_t source : {SM_SOURCE_BT, SM_SOURCE_DLNA, SM_SOURCE_URI}) {
        smSendSuspend(source);
    }
    setPrompt(msg);
    if (!busy) {
        smSendPermit(SM_SOURCE_PROMPT);
    }
}

void smProcessResetPrompt(const appmsg_t& msg)
{
    setPrompt(msg);
    if (uiGetFactoryResetFlag() != 0) {
        smSendPermit(SM_SOURCE_PROMPT);
    }
}

void smProcessPromptPlay(const appmsg_t& msg)
{
    leaveFakeStandbyForAssistant();
    const std::string kind = textAt(msg, kPromptKindAt, kPromptKindLen);
    if (kind == "normal") {
        smProcessNormalPrompt(msg);
    } else if (kind == "alarm") {
        smProcessAlarmPrompt(msg);
    } else if (kind == "reset") {
        smProcessResetPrompt(msg);
    }
}

void smProcessTtsPlay(const appmsg_t& msg)
{
    if (smFactoryResetGoing()) {
        return;
    }
    leaveFakeStandbyForAssistant();
    setRequest(SM_SOURCE_TTS, smCtx().aui1TtsPayload.data(), msg, SM_TTS_PAYLOAD_SIZE);
    if (smCtx().fgSpeech != 0) {
        SM_INFO("speech start, wait end!\n");
    } else if (smIsPresent(SM_SOURCE_PROMPT)) {
        SM_INFO("prompt exist, wait end!\n");
    } else if (smIsTtsNeedMix()) {
        smSendPermit(SM_SOURCE_TTS);
    } else if (!suspendFirstPlaying()) {
        smSendPermit(SM_SOURCE_TTS);
    }
}

int32_t smProcessSetVolume(const appmsg_t& msg)
{
    SM_INFO("set volume: %s\n", textAt(msg, 0, kTextLen).c_str());
    int32_t res = uAcfgSetMute(0);
    if (res == 0) {
        res = uAcfgSetVolume(static_cast<uint8_t>(u32At(msg, kValueU32At) & 0xff), 1);
    }
    return res;
}

void smProcessSetSystemStatus(const appmsg_t& msg)
{
    const std::string value = textAt(msg, kSystemStatusValueAt, kSystemStatusValueLen);
    if (value == "fake") {
        if (smCtx().fgFakeStandby == 0) {
            smVars().fgSystemStatusSet = 1;
            smEnterFakeStandbyMode();
        } else {
            smExitFakeStandbyMode();
        }
    } else if (value == "suspend") {
        if (smCtx().fgSuspendStandby != 0) {
            smProcessSuspendStandby();
        }
    }
}

void smProcessSpeechStart()
{
    smCtx().fgSpeech = 1;
    smExitFakeStandbyMode();
    smClear(SM_SOURCE_TTS);
    smClear(SM_SOURCE_PROMPT);
    for (uint32_t source : {SM_SOURCE_BT, SM_SOURCE_DLNA, SM_SOURCE_URI}) {
        smSendSuspend(source);
    }
}

void smProcessSpeechEnd()
{
    smCtx().fgSpeech = 0;
    smProcessPriorityPlay(0);
}

void smClearNetworkSource()
{
    for (uint32_t source : {SM_SOURCE_PROMPT, SM_SOURCE_TTS, SM_SOURCE_AIRPLAY2, SM_SOURCE_BT, SM_SOURCE_URI,
                            SM_SOURCE_BT_HFP, SM_SOURCE_DLNA}) {
        smClear(source);
    }
}

// The speaker-status reply: fixed offsets in a zero-filled block.
constexpr uint32_t kSpeakerStatusSize = 612;
struct SmSpeakerStatusLayout {
    static constexpr uint32_t kSystemStatus = 0;     // char[17]
    static constexpr uint32_t kWlanMac = 17;         // char[33]
    static constexpr uint32_t kBtMac = 50;           // char[19]
    static constexpr uint32_t kSerial = 69;          // char[35]
    static constexpr uint32_t kPlayback = 104;       // 244 bytes
    static constexpr uint32_t kZero = 348;           // u32
    static constexpr uint32_t kElectricity = 352;    // char[20]
    static constexpr uint32_t kQuantity = 372;       // u32
    static constexpr uint32_t kNetworkStatus = 376;  // char[17]
    static constexpr uint32_t kTag = 608;            // u32
};
static_assert(SmSpeakerStatusLayout::kTag + 4 == kSpeakerStatusSize);
constexpr uint32_t kSerialCopied = 32;

using SpeakerStatus = std::array<uint8_t, kSpeakerStatusSize>;

void putText(SpeakerStatus& out, uint32_t at, uint32_t fieldSize, const char* text, size_t maxLen)
{
    const size_t n = strnlen(text, maxLen < fieldSize - 1 ? maxLen : fieldSize - 1);
    memcpy(out.data() + at, text, n);
}

void putU32(SpeakerStatus& out, uint32_t at, uint32_t v)
{
    memcpy(out.data() + at, &v, sizeof(v));
}

void putMac(SpeakerStatus& out, uint32_t at, const uint8_t* mac)
{
    char text[18];
    snprintf(text, sizeof(text), "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    memcpy(out.data() + at, text, 17);
}

// The playback block: zero while uri or bt holds the output, else volume, "stop" and "none".
void putPlaybackStatus(SpeakerStatus& out)
{
    const uint32_t current = uSmGetCurrentSource();
    if (current == SM_SOURCE_URI || current == SM_SOURCE_BT) {
        return;
    }
    const uint32_t at = SmSpeakerStatusLayout::kPlayback;
    uint8_t mute = 0;
    uint8_t volume = 0;
    uAcfgGetMute(&mute);
    if (mute == 0) {
        uAcfgGetVolume(&volume);
    }
    putU32(out, at, mute != 0 ? 0 : volume);
    putText(out, at + 4, 17, "stop", 16);
    putText(out, at + 21, 17, "none", 16);
}

void smProcessGetSpeakerStatus(const appmsg_t& msg)
{
    using L = SmSpeakerStatusLayout;
    SpeakerStatus out{};
    putText(out, L::kSystemStatus, 17, smCtx().fgFakeStandby != 0 ? "standby" : "normal", 16);

    // The item holds ACFG_WLAN_MAC_SIZE bytes; one more keeps the text terminated.
    char wlanMac[ACFG_WLAN_MAC_SIZE + 1] = {};
    acfgGetWlanMac(wlanMac);
    if (wlanMac[0] == '\0') {
        snprintf(wlanMac, sizeof(wlanMac), "00:00:00:00:00:00");
        acfgSetWlanMac(wlanMac);
    }
    putText(out, L::kWlanMac, 33, wlanMac, ACFG_WLAN_MAC_SIZE);

    parm_bt_cfg_t bt{};
    r_BT_CFG(&bt);
    putMac(out, L::kBtMac, bt.mac);

    char serial[PARM_SN_SIZE] = {};
    r_SN(serial);
    putText(out, L::kSerial, 35, serial, kSerialCopied);

    putPlaybackStatus(out);
    putU32(out, L::kZero, 0);
    putText(out, L::kElectricity, 20, "electricity", 19);
    SmModuleVars& v = smVars();
    putU32(out, L::kQuantity, v.ui4NetworkQuantity);
    {
        std::lock_guard<std::mutex> lock(v.tNetworkLock);
        putText(out, L::kNetworkStatus, 17, v.acNetworkStatus, SM_NETWORK_STATUS_LEN);
    }
    SM_INFO("get speaker status: %s\n", textAt(msg, 0, kTextLen).c_str());
    putU32(out, L::kTag, u32At(msg, kValueU32At));
    smSendMsgToAssistantStub(SM_ASSISTANT_CMD_SPEAKER_STATUS, out.data(), kSpeakerStatusSize);
}

}  // namespace

void smProcessFactoryReset()
{
    const int32_t ret = uAcfgFactoryReset();
    if (ret == 0) {
        SM_INFO("u_acfg_factory_reset success!\n");
    } else {
        SM_ERR("u_acfg_factory_reset failed, i4Ret[%d]\n", static_cast<int>(ret));
    }
}

void smProcessAssistantMsg(const appmsg_t* msg)
{
    switch (msg->ui4_msg_type) {
    case SM_ASSISTANT_URI_PLAY:
        smProcessUriPlay(*msg);
        break;
    case SM_ASSISTANT_PROMPT:
        smProcessPromptPlay(*msg);
        break;
    case SM_ASSISTANT_TTS_PLAY:
        smProcessTtsPlay(*msg);
        break;
    case SM_ASSISTANT_BT_PREV:
        smProcessPrevBtAudio();
        break;
    case SM_ASSISTANT_BT_NEXT:
        smProcessNextBtAudio();
        break;
    case SM_ASSISTANT_SET_VOLUME:
        smProcessSetVolume(*msg);
        break;
    case SM_ASSISTANT_SET_SYSTEM_STATUS:
        smProcessSetSystemStatus(*msg);
        break;
    case SM_ASSISTANT_PLAY_BT_MUSIC:
        smProcessPlayBtMusic();
        break;
    case SM_ASSISTANT_SPEECH_START:
        smProcessSpeechStart();
        break;
    case SM_ASSISTANT_SPEECH_END:
        smProcessSpeechEnd();
        break;
    case SM_ASSISTANT_GET_SPEAKER_STATUS:
        smProcessGetSpeakerStatus(*msg);
        break;
    case SM_ASSISTANT_PAUSE:
        smProcessPauseMsg();
        break;
    case SM_ASSISTANT_RESUME:
        smProcessResumeMsg();
        break;
    case SM_ASSISTANT_CLEAR_NETWORK_SOURCE:
        smClearNetworkSource();
        break;
    case SM_ASSISTANT_FACTORY_RESET:
        smProcessFactoryReset();
        break;
    case SM_ASSISTANT_HFP_FREE_MIC:
        SM_INFO("hfp free mic: %s, %d\n", textAt(*msg, 0, kTextLen).c_str(),
                static_cast<int>(u32At(*msg, kValueU32At)));
        smProcessBtHfpRequestPlay();
        break;
    default:
        break;
    }
}

void smProcessAvsMsg(const appmsg_t* msg)
{
    switch (msg->ui4_msg_type) {
    case kAvsAlexaActive:
        smExitFakeStandbyMode();
        smExitSuspendStandbyMode();
        gAvsState = 1;
        break;
    case kAvsAlexaIdle:
        gAvsState = 0;
        break;
    case kAvsSwitchOn:
        gAvsSwitch = 1;
        break;
    case kAvsSwitchOff:
        gAvsSwitch = 0;
        if (gC4aSwitch == 0) {
            smSendSwitchMsgToC4aStub(SM_BODY_AVS_SWITCH_OFF);
        }
        break;
    default:
        break;
    }
}

void smProcessC4aMsg(const appmsg_t* msg)
{
    switch (msg->ui4_msg_type) {
    case kC4aSwitchOff:
        gC4aSwitch = 0;
        if (gAvsSwitch == 0) {
            smSendSwitchMsgToAvsStub(SM_BODY_C4A_SWITCH_OFF);
            smSendSwitchMsgToBt(SM_BODY_C4A_SWITCH_OFF);
        }
        break;
    case kC4aSwitchOn:
        gC4aSwitch = 1;
        break;
    default:
        break;
    }
}

void smProcessVaManagerMsg(const appmsg_t* msg)
{
    if (msg->ui4_msg_type != SM_BODY_DSP_WAKE_UP) {
        return;
    }
    SM_INFO("wake up by dsp!\n");
    if (smCtx().fgSuspendStandby != 0) {
        smExitSuspendStandbyMode();
    } else {
        smSendMsgToVaManager(SM_BODY_SYSTEM_WAKE);
    }
}

void smProcessCecMsg(const appmsg_t* msg)
{
    if (msg->ui4_msg_type != SM_BODY_CEC_STANDBY) {
        return;
    }
    if (smCtx().fgFakeStandby != 0) {
        smExitFakeStandbyMode();
    } else if (smCtx().fgSuspendStandby != 0) {
        smExitSuspendStandbyMode();
    } else {
        smEnterSuspendStandbyMode();
    }
}

void smProcessNetworkMsg(const appmsg_t* msg)
{
    SmModuleVars& v = smVars();
    const std::string status = textAt(*msg, kNetworkStatusAt, SM_NETWORK_STATUS_LEN);
    const uint32_t quantity = u32At(*msg, kNetworkQuantityAt);
    SM_INFO("[network]quantity:%d status:%s\n", static_cast<int>(quantity), status.c_str());
    v.ui4NetworkQuantity = quantity;
    {
        std::lock_guard<std::mutex> lock(v.tNetworkLock);
        memset(v.acNetworkStatus, 0, sizeof(v.acNetworkStatus));
        memcpy(v.acNetworkStatus, status.data(), status.size());
    }
    uiSetWifiSetupFlag(0);
    smSendMsgToAssistantStub(SM_ASSISTANT_CMD_NETWORK_STATUS, msg->aui1_data, kNetworkNoticeSize);
}

void smProcessWifiSettingMsg(const appmsg_t*)
{
    uiSetWifiSetupFlag(0);
    SM_INFO("wifi setup finish[%d].\n", uiGetWifiSetupFlag());
}

void smProcessBluetoothMsg(const appmsg_t* msg)
{
    if (msg->ui4_msg_type != kBtPairingFinished) {
        return;
    }
    uiSetBtParingFlag(0);
    SM_INFO("bt paring finish[%d].\n", uiGetBtParingFlag());
}
