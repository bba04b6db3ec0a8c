// The state manager's output: orders to the sources, the per-source sender families that keep the
// records in step with what was sent, and the notices to the other peers. A failed lookup or post
// is only logged: the record changes that go with a send stand.
#include "main/acfg/acfg_accessor.h"
#include "main/am/am.h"
#include "main/gui/msg/gui_msg.h"
#include "main/state_mngr/sm_context_priv.h"
#include "platform/quorid/quorid.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kForbidWord = 0x02010000;
constexpr uint32_t kStandbyTextSize = 20;
constexpr uint32_t kBtUpdateTextSize = 30;
constexpr uint32_t kBtPowerTextSize = 10;

constexpr const char* kBtApp = "bluetooth";
constexpr const char* kCecApp = "cec";
constexpr const char* kVaManagerApp = "va_manager";
constexpr const char* kAvsStubApp = "avs_stub";
constexpr const char* kC4aStubApp = "c4a_stub";
constexpr const char* kAssistantStubApp = "assistant_stub";

// Sources whose pause, resume (and, for the first four, suspend) senders exist.
bool hasPause(uint32_t source)
{
    switch (source) {
    case SM_SOURCE_URI:
    case SM_SOURCE_BT:
    case SM_SOURCE_DLNA:
    case SM_SOURCE_AIRPLAY2:
    case SM_SOURCE_LINE_IN:
    case SM_SOURCE_USB:
        return true;
    default:
        return smIsWiredInput(source);
    }
}

bool hasSuspend(uint32_t source)
{
    return source == SM_SOURCE_URI || source == SM_SOURCE_BT || source == SM_SOURCE_DLNA ||
           source == SM_SOURCE_AIRPLAY2;
}

handle_t lookup(const char* appName)
{
    handle_t app = 0;
    if (u_am_get_app_handle_from_name(&app, appName) != 0) {
        SM_ERR("u_am_get_app_handle_from_name failed! psName:%s\n", appName);
    }
    return app;
}

int32_t post(uint32_t msgId, uint32_t sender, uint32_t word, const char* appName, const void* payload, uint32_t size)
{
    const handle_t app = lookup(appName);
    const int32_t res = u_app_send_appmsg(app, msgId, sender, word, size != 0 ? payload : nullptr, size);
    if (res != 0) {
        SM_ERR("u_app_send_msg failed! h_app:%p\n", reinterpret_cast<void*>(static_cast<uintptr_t>(app)));
    }
    return res;
}

// A text zero-padded to `size` bytes.
template <size_t N>
struct FixedText {
    char text[N] = {};
    explicit FixedText(const char* s) { snprintf(text, N, "%s", s); }
};

uint8_t storeCode(uint32_t source)
{
    switch (source) {
    case SM_SOURCE_ARC_IN:
        return 0;
    case SM_SOURCE_HDMI_IN:
        return 1;
    case SM_SOURCE_SPDIF_IN:
        return 2;
    case SM_SOURCE_BT_EXT_IN:
        return 3;
    case SM_SOURCE_AUX_IN:
        return 4;
    case SM_SOURCE_USB:
        return 5;
    case SM_SOURCE_LINE_IN:
        return 14;
    default:
        return 6;
    }
}

void permitPayload(uint32_t source, const void** payload, uint32_t* size)
{
    SmContext& c = smCtx();
    switch (source) {
    case SM_SOURCE_PROMPT:
        *payload = c.aui1PromptPayload.data();
        *size = SM_PROMPT_PAYLOAD_SIZE;
        break;
    case SM_SOURCE_TTS:
        *payload = c.aui1TtsPayload.data();
        *size = SM_TTS_PAYLOAD_SIZE;
        break;
    case SM_SOURCE_URI:
        *payload = c.aui1UriPayload.data();
        *size = SM_URI_PAYLOAD_SIZE;
        break;
    default:
        *payload = nullptr;
        *size = 0;
        break;
    }
}

}  // namespace

int32_t smSendMsg(uint32_t sender, uint32_t word, const char* appName)
{
    return post(E_APP_MSG_TYPE_STATE_MNGR, sender, word, appName, nullptr, 0);
}

int32_t smSendMsgWithPayload(uint32_t sender, uint32_t word, const char* appName, const void* payload, uint32_t size)
{
    return post(E_APP_MSG_TYPE_STATE_MNGR, sender, word, appName, payload, size);
}

void smSendPermitToSource(uint32_t source, uint16_t playId, const void* payload, uint32_t size)
{
    if (source == SM_SOURCE_NONE) {
        return;
    }
    post(E_APP_MSG_TYPE_STATE_MNGR, MSG_FROM_SM, smMsgWord(SM_PERMIT_GRP, SM_BODY_PLAY, playId),
         smSourceAppName(source), payload, size);
    smStoreCurrentSource(source);
}

void smStoreCurrentSource(uint32_t source)
{
    const uint8_t code = storeCode(source);
    uAcfgSetSource(code);
    SM_INFO("smStoreCurrentSource, eSource=%d,aSource=%d!\n", static_cast<int>(source), code);
}

void smSendForbidToSource(uint32_t source)
{
    if (source != SM_SOURCE_NONE) {
        smSendMsg(MSG_FROM_SM, kForbidWord, smSourceAppName(source));
    }
}

void smSendPlayToSource(uint32_t source, uint16_t playId)
{
    if (source != SM_SOURCE_NONE) {
        smSendMsg(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, SM_BODY_PLAY, playId), smSourceAppName(source));
    }
}

void smSendStopToSource(uint32_t source)
{
    if (source != SM_SOURCE_NONE) {
        smSendMsg(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, SM_BODY_STOP, 0), smSourceAppName(source));
    }
}

void smSendPauseToSource(uint32_t source)
{
    if (source != SM_SOURCE_NONE) {
        smSendMsg(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, SM_BODY_PAUSE, 0), smSourceAppName(source));
    }
}

void smSendResumeToSource(uint32_t source)
{
    if (source != SM_SOURCE_NONE) {
        smSendMsg(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, SM_BODY_RESUME, 0), smSourceAppName(source));
    }
}

void smSendPrevToBt(uint16_t playId)
{
    smSendMsg(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, SM_BODY_PREV, playId), kBtApp);
}

void smSendNextToBt(uint16_t playId)
{
    smSendMsg(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, SM_BODY_NEXT, playId), kBtApp);
}

void smSendPermit(uint32_t source)
{
    if (source == SM_SOURCE_NONE || source >= SM_SOURCE_COUNT) {
        return;
    }
    SmSourceRecord& r = smRec(source);
    if (smIsWiredInput(source)) {
        quorid_exec("sh /usr/bin/cpu_performance_mode.sh start", SM_QUORID_NO_WAIT);
    }
    if (source == SM_SOURCE_URI || source == SM_SOURCE_BT) {
        r.paused_by_sm = 0;
    }
    r.waiting = 0;
    const void* payload = nullptr;
    uint32_t size = 0;
    permitPayload(source, &payload, &size);
    smSendPermitToSource(source, r.play_id, payload, size);
    if (source == SM_SOURCE_URI || source == SM_SOURCE_BT) {
        r.status = SM_PLAY_STATUS_PLAY;
    }
    if (source == SM_SOURCE_BT) {
        smVars().gFBtRequest = 0;
    }
}

void smSendForbid(uint32_t source)
{
    if (source == SM_SOURCE_PROMPT || source == SM_SOURCE_TTS || source == SM_SOURCE_URI) {
        return;
    }
    smSendForbidToSource(source);
    if (source == SM_SOURCE_BT) {
        smVars().gFBtRequest = 0;
    }
}

void smSendPause(uint32_t source)
{
    if (!hasPause(source)) {
        return;
    }
    SmSourceRecord& r = smRec(source);
    r.paused_by_sm = 0;
    if (smIsPlaying(source)) {
        smSendPauseToSource(source);
        r.status = SM_PLAY_STATUS_PAUSE;
    }
}

void smSendSuspend(uint32_t source)
{
    if (!hasSuspend(source) || !smIsPlaying(source)) {
        return;
    }
    SmSourceRecord& r = smRec(source);
    smSendPauseToSource(source);
    r.paused_by_sm = 1;
    r.status = SM_PLAY_STATUS_PAUSE;
}

void smSendResume(uint32_t source)
{
    if (!hasPause(source) || !smIsPresent(source)) {
        return;
    }
    SmSourceRecord& r = smRec(source);
    smSendResumeToSource(source);
    r.paused_by_sm = 0;
    r.status = SM_PLAY_STATUS_PLAY;
}

void smSendPlayToBt()
{
    SmSourceRecord& r = smRec(SM_SOURCE_BT);
    const uint16_t id = r.play_id;
    switch (r.waiting.load()) {
    case SM_BT_WAIT_PLAY:
        smSendPlayToSource(SM_SOURCE_BT, id);
        break;
    case SM_BT_WAIT_PREV:
        smSendPrevToBt(id);
        break;
    case SM_BT_WAIT_NEXT:
        smSendNextToBt(id);
        break;
    default:
        SM_ERR("error e_wait_permit:[%d]\n", static_cast<int>(r.waiting.load()));
        break;
    }
    r.waiting = SM_BT_WAIT_NONE;
    r.paused_by_sm = 0;
    r.status = SM_PLAY_STATUS_PLAY;
}

void smClearBtBeforeEnterStandby()
{
    if (!smIsPresent(SM_SOURCE_BT)) {
        return;
    }
    SmSourceRecord& r = smRec(SM_SOURCE_BT);
    if (smIsWaiting(SM_SOURCE_BT)) {
        SM_INFO("stop bt permit!\n");
        r.exists = 0;
        r.waiting = SM_BT_WAIT_NONE;
        return;
    }
    const SmContext& c = smCtx();
    const char* why = c.fgFakeStandby != 0 ? "FAKE_STANDBY" : (c.fgSuspendStandby != 0 ? "SUSPEND_STANDBY" : "");
    const FixedText<kStandbyTextSize> text(why);
    smSendMsgWithPayload(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, SM_BODY_STOP, 0), kBtApp, text.text, sizeof(text.text));
}

void smSendMsgToCec(uint8_t body)
{
    smSendMsg(MSG_FROM_SM, smMsgWord(SM_INFORM_GRP, body, 0), kCecApp);
}

void smSendMsgToVaManager(uint8_t body)
{
    smSendMsg(MSG_FROM_SM, smMsgWord(SM_INFORM_GRP, body, 0), kVaManagerApp);
}

void smSendSwitchMsgToAvsStub(uint8_t status)
{
    SM_INFO("switch status:%d to %s\n", status, kAvsStubApp);
    smSendMsg(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, status, 0), kAvsStubApp);
}

void smSendSwitchMsgToC4aStub(uint8_t status)
{
    SM_INFO("switch status:%d to %s\n", status, kC4aStubApp);
    smSendMsg(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, status, 0), kC4aStubApp);
}

void smSendSwitchMsgToBt(uint8_t status)
{
    SM_INFO("switch status:%d to %s\n", status, kBtApp);
    smSendMsg(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, status, 0), kBtApp);
}

int32_t smSendMsgToAssistantStub(uint32_t command, const void* payload, uint32_t size)
{
    handle_t app = 0;
    if (u_am_get_app_handle_from_name(&app, kAssistantStubApp) != 0) {
        SM_ERR("u_am_get_app_handle_from_name failed, psName: ASSISTANT_STUB_THREAD_NAME!\n");
        return -1;
    }
    int32_t res = 0;
    if (size <= APPMSG_DATA_SIZE) {
        res = u_app_send_appmsg(app, E_APP_MSG_TYPE_ASSISTANT, MSG_FROM_SM, command, payload, size);
    } else {
        // u_app_send_appmsg would post a longer payload as zeros; lay it out the same way but
        // with its bytes, running on past the record's data field.
        std::vector<uint8_t> buf(sizeof(appmsg_t) + size, 0);
        const uint32_t sender = MSG_FROM_SM;
        memcpy(buf.data(), &sender, sizeof(sender));
        memcpy(buf.data() + sizeof(sender), &command, sizeof(command));
        memcpy(buf.data() + offsetof(appmsg_t, aui1_data), payload, size);
        res = u_app_send_msg(app, E_APP_MSG_TYPE_ASSISTANT, buf.data(), static_cast<uint32_t>(buf.size()), nullptr, 0);
    }
    if (res != 0) {
        SM_ERR("smSendMsgToAssistantStub failed, i4Ret[%d]\n", res);
        return -1;
    }
    return 0;
}

void smSendAssistantStatus(uint32_t command, const char* key, const char* value)
{
    sm_assistant_payload status{};
    snprintf(status.key, sizeof(status.key), "%s", key);
    snprintf(status.value, sizeof(status.value), "%s", value);
    smSendMsgToAssistantStub(command, &status, sizeof(status));
}

int32_t smSendCommonKeyToAll(const appmsg_t* key, const char* appName)
{
    handle_t app = 0;
    int32_t res = u_am_get_app_handle_from_name(&app, appName);
    if (res == 0) {
        res = u_app_send_msg(app, E_APP_MSG_TYPE_USER_CMD, key, sizeof(*key), nullptr, 0);
    }
    if (res != 0) {
        SM_ERR("send key %d to %s failed, i4Ret[%d]\n", static_cast<int>(key->ui4_msg_type), appName, res);
        return -1;
    }
    SM_INFO("send key %d to %s success\n", static_cast<int>(key->ui4_msg_type), appName);
    return 0;
}

int32_t smSendKeyToAvs(uint32_t key)
{
    appmsg_t msg{};
    msg.ui4_sender_id = MSG_FROM_UI;
    msg.ui4_msg_type = key;
    handle_t app = 0;
    int32_t res = u_am_get_app_handle_from_name(&app, kAvsStubApp);
    if (res == 0) {
        res = u_app_send_msg(app, E_APP_MSG_TYPE_AVS, &msg, sizeof(msg), nullptr, 0);
    }
    return res == 0 ? 0 : -1;
}

void smProcessInformPlaySts(uint8_t status)
{
    GuiMsg msg{};
    msg.msg_id = E_GUI_SYS_EVT_SRC_TOGGLE_DONE;
    msg.msg_size = 1;
    msg.data[0] = status;
    guiManagerAppMsgSnd(&msg);
}

void smUpdateBtAfterExitStandby()
{
    const SmContext& c = smCtx();
    const char* why =
        c.fgFakeStandby != 0 ? "EXIT_FAKE_STANDBY" : (c.fgSuspendStandby != 0 ? "EXIT_SUSPEND_STANDBY" : "");
    const FixedText<kBtUpdateTextSize> text(why);
    if (smSendMsgWithPayload(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, SM_BODY_BT_UPDATE, 0), kBtApp, text.text,
                             sizeof(text.text)) == 0) {
        SM_INFO("update bt after exit standby success!\n");
    } else {
        SM_ERR("update bt after exit standby failed!\n");
    }
}

void smSendEnterSuspendMsgToHdmi()
{
    const FixedText<kStandbyTextSize> text("ENTER_SUSPEND");
    smSendMsgWithPayload(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, SM_BODY_POWER, 0), "pb_spdif_in", text.text,
                         sizeof(text.text));
}

void smSendExitSuspendMsgToHdmi()
{
    const FixedText<kStandbyTextSize> text("EXIT_SUSPEND");
    smSendMsgWithPayload(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, SM_BODY_POWER, 0), "pb_spdif_in", text.text,
                         sizeof(text.text));
}

void smSendPowerOnToBt()
{
    const FixedText<kBtPowerTextSize> text("POWER_ON");
    smSendMsgWithPayload(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, SM_BODY_POWER, 0), kBtApp, text.text,
                         sizeof(text.text));
}

void smSendPowerOffToBt()
{
    const FixedText<kBtPowerTextSize> text("POWER_OFF");
    smSendMsgWithPayload(MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, SM_BODY_POWER, 0), kBtApp, text.text,
                         sizeof(text.text));
}
