// Source arbitration: a request against the sources in its way, the informs that sources send
// back, and the priority walk that picks the next source after every stop.
#include "main/gui/user_interface.h"
#include "main/mw/os_pthread/os_thread.h"
#include "main/state_mngr/sm_context_priv.h"
#include "platform/quorid/quorid.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

constexpr uint32_t kStopWalkDelayMs = 200;

using SourceList = std::initializer_list<uint32_t>;

bool anyPresent(SourceList sources)
{
    for (uint32_t s : sources) {
        if (smIsPresent(s)) {
            return true;
        }
    }
    return false;
}

void clearAll(SourceList sources)
{
    for (uint32_t s : sources) {
        smClear(s);
    }
}

// The sources a wired request stops, in the order it stops them: bt, airplay2, then the other
// wired inputs and usb.
void clearWiredRivals(uint32_t request)
{
    for (uint32_t s : {SM_SOURCE_BT, SM_SOURCE_AIRPLAY2, SM_SOURCE_SPDIF_IN, SM_SOURCE_ARC_IN, SM_SOURCE_HDMI_IN,
                       SM_SOURCE_BT_EXT_IN, SM_SOURCE_AUX_IN, SM_SOURCE_LINE_IN, SM_SOURCE_USB}) {
        if (s != request) {
            smClear(s);
        }
    }
}

bool wiredRivalPresent(uint32_t request)
{
    for (uint32_t s : {SM_SOURCE_BT, SM_SOURCE_AIRPLAY2, SM_SOURCE_SPDIF_IN, SM_SOURCE_ARC_IN, SM_SOURCE_HDMI_IN,
                       SM_SOURCE_BT_EXT_IN, SM_SOURCE_AUX_IN, SM_SOURCE_LINE_IN, SM_SOURCE_USB}) {
        if (s != request && smIsPresent(s)) {
            return true;
        }
    }
    return false;
}

void logRequest(uint32_t source)
{
    char name[24];
    snprintf(name, sizeof(name), "%s", smSourceName(source));
    name[0] = static_cast<char>(toupper(static_cast<unsigned char>(name[0])));
    SM_INFO("%s request play!\n", name);
}

// Steps shared by every request: standby ends, and a factory reset refuses.
bool requestRefusedByReset(uint32_t source)
{
    smExitFakeStandbyMode();
    smExitSuspendStandbyMode();
    if (smFactoryResetGoing()) {
        if (source == SM_SOURCE_URI) {
            smClear(source);
        } else {
            smSendForbid(source);
        }
        return true;
    }
    return false;
}

bool requestRefusedBySpeech(uint32_t source)
{
    if (smCtx().fgSpeech == 0) {
        return false;
    }
    SM_INFO("speech starting, forbid %s request!\n", source == SM_SOURCE_AIRPLAY2 ? "Airplay2" : smSourceName(source));
    if (source == SM_SOURCE_URI) {
        smClear(source);
    } else {
        smSendForbid(source);
    }
    return true;
}

void wiredRequestPlay(uint32_t source)
{
    logRequest(source);
    if (requestRefusedByReset(source)) {
        return;
    }
    if (smIsPlaying(source)) {
        SM_INFO("[source switch]%s is playing now, ignore request!\n", smSourceName(source));
        smProcessInformPlaySts(1);
        return;
    }
    SmSourceRecord& r = smRec(source);
    r.exists = source;
    r.play_id = 0;
    r.waiting = 1;
    if (source == SM_SOURCE_BT_EXT_IN) {
        gIsSourceSwitchSeekPlay = 0;
        gIsSourceSwitchSendPlayMessage = 0;
    } else if (source == SM_SOURCE_USB) {
        if (gIsPowerOnFromSuspend != 0 || gIsPowerOnFromFakeStandby != 0) {
            gIsPowerOnFromSuspend = 0;
            gIsPowerOnFromFakeStandby = 0;
        }
        gIsSourceSwitchSeekPlay = 1;
        gIsSourceSwitchSendPlayMessage = 1;
    }
    if (!wiredRivalPresent(source)) {
        smSendPermit(source);
        return;
    }
    SM_INFO("[source switch]there is a source exist now! First, stop.\n");
    clearWiredRivals(source);
}

// airplay2, bt and dlna: the networked requests that a speech refuses.
void networkedRequestPlay(uint32_t source, SourceList clearOrder)
{
    logRequest(source);
    if (requestRefusedByReset(source) || requestRefusedBySpeech(source)) {
        return;
    }
    SmSourceRecord& r = smRec(source);
    r.exists = source;
    if (source == SM_SOURCE_BT) {
        r.play_id = static_cast<uint16_t>(r.play_id + 1);
        r.waiting = SM_BT_WAIT_PLAY;
        smVars().gFBtRequest = 1;
    } else {
        r.play_id = 0;
        r.waiting = 1;
    }
    if (!anyPresent(clearOrder)) {
        smSendPermit(source);
        return;
    }
    SM_INFO("[source switch]there is a source exist now! First, stop.\n");
    clearAll(clearOrder);
}

void uriRequestPlay()
{
    logRequest(SM_SOURCE_URI);
    if (requestRefusedByReset(SM_SOURCE_URI) || requestRefusedBySpeech(SM_SOURCE_URI)) {
        return;
    }
    SmSourceRecord& r = smRec(SM_SOURCE_URI);
    r.exists = SM_SOURCE_URI;
    r.play_id = SM_URI_FIRST_PLAY_ID;
    r.waiting = 1;
    const SourceList kClearOrder{SM_SOURCE_TTS, SM_SOURCE_PROMPT, SM_SOURCE_BT_HFP, SM_SOURCE_BT, SM_SOURCE_DLNA};
    if (!anyPresent(kClearOrder)) {
        smSendPermit(SM_SOURCE_URI);
        return;
    }
    SM_INFO("[source switch]another source is exist now! First, stop.\n");
    clearAll(kClearOrder);
}

// A bt hfp request while the voice process holds the microphone waits for the assistant to free it.
void priBtHfpRequestPlay()
{
    smExitFakeStandbyMode();
    SM_INFO("<%s>wait Assistantcenter free MIC!\n", __func__);
    smSendAssistantStatus(SM_ASSISTANT_CMD_HFP_STATUS, "/system/hfp_status_change", "hfp_request");
}

// One step of the walk: true when it ends the walk.
bool fullStep(uint32_t source)
{
    if (smIsPlaying(source)) {
        return true;
    }
    if (smIsWaiting(source)) {
        smSendPermit(source);
        return true;
    }
    if (smIsPausedBySm(source)) {
        smSendResume(source);
        return true;
    }
    return false;
}

bool walkStep(uint32_t source)
{
    switch (source) {
    case SM_SOURCE_BT_HFP:
        if (smIsPlaying(source)) {
            return true;
        }
        if (smIsWaiting(source)) {
            smSendPermit(source);
            return true;
        }
        return false;
    case SM_SOURCE_PROMPT:
    case SM_SOURCE_BT_EXT_IN:
    case SM_SOURCE_AUX_IN:
        if (smIsWaiting(source)) {
            smSendPermit(source);
            return true;
        }
        return false;
    case SM_SOURCE_TTS:
        if (smIsWaiting(source)) {
            smSendPermit(source);
            // A mixed tts plays over whatever the walk picks next.
            return !smIsTtsNeedMix();
        }
        return false;
    case SM_SOURCE_BT:
        if (smIsPlaying(source)) {
            return true;
        }
        if (smIsWaiting(source)) {
            if (smVars().gFBtRequest != 0) {
                SM_INFO("gFBtRequest is TRUE, smSendPermitToBt!\n");
                smSendPermit(source);
            } else {
                SM_INFO("gFBtRequest is FALSE, smSendPlayToBt!\n");
                smSendPlayToBt();
            }
            return true;
        }
        if (smIsPausedBySm(source)) {
            smSendResume(source);
            return true;
        }
        return false;
    case SM_SOURCE_URI:
        if (smIsWaiting(source)) {
            smSendPermit(source);
            return true;
        }
        if (smIsPausedBySm(source)) {
            smSendResume(source);
            return true;
        }
        return false;
    default:
        return fullStep(source);
    }
}

// Clearing a waiting wired source or usb hands the output on at once.
bool clearRunsWalk(uint32_t source)
{
    return smIsWiredInput(source) || source == SM_SOURCE_USB;
}

void btOrder(uint32_t order)
{
    if (smFactoryResetGoing()) {
        return;
    }
    SmSourceRecord& r = smRec(SM_SOURCE_BT);
    r.exists = SM_SOURCE_BT;
    r.play_id = static_cast<uint16_t>(r.play_id + 1);
    r.waiting = order;
    if (smCtx().fgSpeech != 0) {
        SM_INFO("speech starting, bt request enqueue!\n");
        return;
    }
    const bool free = !smIsPlaying(SM_SOURCE_AIRPLAY2) && !smIsPlaying(SM_SOURCE_DLNA) && !smIsPlaying(SM_SOURCE_URI) &&
                      !smIsPresent(SM_SOURCE_PROMPT) && (!smIsPresent(SM_SOURCE_TTS) || smIsTtsNeedMix());
    if (free) {
        smSendPlayToBt();
        return;
    }
    SM_INFO("dlna/uri exit, stop; prompt or tts exist, wait end!\n");
    smClear(SM_SOURCE_AIRPLAY2);
    smClear(SM_SOURCE_URI);
    smClear(SM_SOURCE_DLNA);
}

}  // namespace

void smProcessRequestMsg(const appmsg_t* msg)
{
    const int32_t sender = static_cast<int32_t>(msg->ui4_sender_id);
    switch (SM_MSG_BDY(msg->ui4_msg_type)) {
    case SM_BODY_STOP:
        smProcessRequestStopMsg(sender);
        break;
    case SM_BODY_PLAY:
        smProcessRequestPlayMsg(sender);
        break;
    case SM_BODY_PAUSE:
        smProcessRequestPauseMsg(sender);
        break;
    default:
        break;
    }
}

void smProcessRequestPlayMsg(int32_t sender)
{
    switch (sender) {
    case MSG_FROM_BT:
        networkedRequestPlay(SM_SOURCE_BT, {SM_SOURCE_AIRPLAY2, SM_SOURCE_TTS, SM_SOURCE_PROMPT, SM_SOURCE_URI,
                                            SM_SOURCE_DLNA, SM_SOURCE_SPDIF_IN, SM_SOURCE_ARC_IN, SM_SOURCE_HDMI_IN,
                                            SM_SOURCE_LINE_IN, SM_SOURCE_USB});
        break;
    case MSG_FROM_LINE_IN:
    case MSG_FROM_SPDIF_IN:
    case MSG_FROM_ARC_IN:
    case MSG_FROM_HDMI_IN:
    case MSG_FROM_BT_EXT_IN:
    case MSG_FROM_AUX_IN:
    case MSG_FROM_USB:
        wiredRequestPlay(smGetSourceFromMsgFrom(static_cast<uint32_t>(sender)));
        break;
    case MSG_FROM_URI:
        uriRequestPlay();
        break;
    case MSG_FROM_BT_HFP:
        if (smIsProcessExist("Aispeech") != 0) {
            priBtHfpRequestPlay();
        } else {
            smProcessBtHfpRequestPlay();
        }
        break;
    case MSG_FROM_DLNA:
        networkedRequestPlay(SM_SOURCE_DLNA, {SM_SOURCE_AIRPLAY2, SM_SOURCE_TTS, SM_SOURCE_PROMPT, SM_SOURCE_URI,
                                              SM_SOURCE_BT, SM_SOURCE_SPDIF_IN, SM_SOURCE_ARC_IN, SM_SOURCE_HDMI_IN,
                                              SM_SOURCE_LINE_IN, SM_SOURCE_USB});
        break;
    case MSG_FROM_AIRPLAY2:
        networkedRequestPlay(SM_SOURCE_AIRPLAY2, {SM_SOURCE_TTS, SM_SOURCE_PROMPT, SM_SOURCE_URI, SM_SOURCE_BT,
                                                  SM_SOURCE_DLNA, SM_SOURCE_SPDIF_IN, SM_SOURCE_ARC_IN,
                                                  SM_SOURCE_HDMI_IN, SM_SOURCE_LINE_IN, SM_SOURCE_USB});
        break;
    default:
        SM_ERR("[%d] is invalid play request id!\n", sender);
        break;
    }
}

void smProcessBtHfpRequestPlay()
{
    logRequest(SM_SOURCE_BT_HFP);
    if (requestRefusedByReset(SM_SOURCE_BT_HFP)) {
        return;
    }
    SmSourceRecord& r = smRec(SM_SOURCE_BT_HFP);
    r.exists = SM_SOURCE_BT_HFP;
    r.play_id = static_cast<uint16_t>(r.play_id + 1);
    r.waiting = 1;
    const SourceList kClearOrder{SM_SOURCE_AIRPLAY2, SM_SOURCE_TTS, SM_SOURCE_PROMPT, SM_SOURCE_URI, SM_SOURCE_DLNA};
    if (!anyPresent(kClearOrder)) {
        if (smIsPlaying(SM_SOURCE_BT)) {
            SM_INFO("[source switch]bt is playing now!Don't need to process bt hfp.\n");
        }
        smSendPermit(SM_SOURCE_BT_HFP);
        return;
    }
    SM_INFO("[source switch]uri/tts/prompt/dlna is exist now! First, stop.\n");
    clearAll(kClearOrder);
}

namespace {

// The senders whose pause and stop requests are served.
bool servesPauseAndStop(int32_t sender)
{
    switch (sender) {
    case MSG_FROM_LINE_IN:
    case MSG_FROM_SPDIF_IN:
    case MSG_FROM_ARC_IN:
    case MSG_FROM_HDMI_IN:
    case MSG_FROM_BT_EXT_IN:
    case MSG_FROM_AUX_IN:
    case MSG_FROM_DLNA:
    case MSG_FROM_USB:
    case MSG_FROM_AIRPLAY2:
        return true;
    default:
        return false;
    }
}

}  // namespace

void smProcessRequestPauseMsg(int32_t sender)
{
    if (!servesPauseAndStop(sender)) {
        SM_ERR("[%d] is invalid pause request id!\n", sender);
        return;
    }
    smSendPause(smGetSourceFromMsgFrom(static_cast<uint32_t>(sender)));
}

void smProcessRequestStopMsg(int32_t sender)
{
    if (!servesPauseAndStop(sender)) {
        SM_ERR("[%d] is invalid stop request id!\n", sender);
        return;
    }
    smClear(smGetSourceFromMsgFrom(static_cast<uint32_t>(sender)));
}

void smProcessInformMsg(const appmsg_t* msg)
{
    const int32_t sender = static_cast<int32_t>(msg->ui4_sender_id);
    const uint16_t id = static_cast<uint16_t>(SM_MSG_ID(msg->ui4_msg_type));
    SmModuleVars& v = smVars();
    switch (SM_MSG_BDY(msg->ui4_msg_type)) {
    case SM_BODY_STOP:
        smProcessInformStopMsg(sender, id, msg->aui1_data);
        break;
    case SM_BODY_PLAY:
        smProcessInformPlayMsg(sender, id);
        smProcessInformPlaySts(1);
        break;
    case SM_BODY_PLAY_STS:
        smProcessInformPlaySts(1);
        break;
    case SM_BODY_PAUSE:
        smProcessInformPauseMsg(sender, id);
        break;
    case SM_BODY_BT_IDLE:
        break;
    case SM_BODY_BT_WAKE_UP:
        if (v.fgA2dpLowPower != 0) {
            smExitSuspendStandbyMode();
        }
        break;
    case SM_BODY_BT_POWEROFF:
        smProcessBtPowerOff();
        break;
    case SM_BODY_A2DP_LOW_POWER_ON:
        v.fgA2dpLowPower = 1;
        break;
    case SM_BODY_A2DP_LOW_POWER_OFF:
        v.fgA2dpLowPower = 0;
        break;
    case SM_BODY_EXIT_SUSPEND:
        smExitSuspendStandbyMode();
        break;
    default:
        break;
    }
}

void smProcessInformPlayMsg(int32_t sender, uint16_t playId)
{
    const uint32_t source = smGetSourceFromMsgFrom(static_cast<uint32_t>(sender));
    if (source == SM_SOURCE_NONE) {
        SM_ERR("%d is not valid sender id!\n", sender);
        return;
    }
    if (source != SM_SOURCE_TTS && source != SM_SOURCE_PROMPT) {
        if (!smIsPresent(source)) {
            if (source != SM_SOURCE_URI && source != SM_SOURCE_BT) {
                SM_INFO("[source switch]%s does not exist!\n", smSourceName(source));
            }
            return;
        }
        SmSourceRecord& r = smRec(source);
        if (playId == r.play_id) {
            r.status = SM_PLAY_STATUS_PLAY;
            SM_INFO("[source switch]%s is playing now!\n", smSourceName(source));
        }
    }
    const uint32_t current = uSmGetCurrentSource();
    SM_INFO("source switch=%d, current_source=%d!\n", static_cast<int>(source), static_cast<int>(current));
    if (source != current) {
        smStoreCurrentSource(source);
    }
}

void smProcessInformPauseMsg(int32_t sender, uint16_t playId)
{
    const uint32_t source = smGetSourceFromMsgFrom(static_cast<uint32_t>(sender));
    if (source == SM_SOURCE_NONE) {
        SM_ERR("%d is not valid sender id!\n", sender);
        return;
    }
    if (source == SM_SOURCE_TTS || source == SM_SOURCE_PROMPT || source == SM_SOURCE_BT_HFP) {
        SM_ERR("%d is not valid sender pause id!\n", sender);
        return;
    }
    SmSourceRecord& r = smRec(source);
    if (smIsPresent(source) && playId == r.play_id) {
        r.status = SM_PLAY_STATUS_PAUSE;
        SM_INFO("[source switch]%s is pause now!\n", smSourceName(source));
    }
}

void smProcessInformStopMsg(int32_t sender, uint16_t playId, const uint8_t* data)
{
    const uint32_t source = smGetSourceFromMsgFrom(static_cast<uint32_t>(sender));
    if (source == SM_SOURCE_NONE) {
        SM_ERR("%d is not valid sender id!\n", sender);
        return;
    }
    SM_INFO("stop msg comming, sender id:[%d] msg id:[%d]\n", sender, playId);
    uint8_t speech = 0;
    SmSourceRecord& r = smRec(source);
    if (playId == r.play_id) {
        SM_INFO("[source switch]%s is stop now!\n", smSourceName(source));
        r.exists = 0;
        r.waiting = 0;
        r.status = SM_PLAY_STATUS_STOP;
        r.paused_by_sm = 0;
        if (source == SM_SOURCE_TTS && data != nullptr) {
            speech = data[0];
        } else if (source == SM_SOURCE_BT_HFP) {
            smSendAssistantStatus(SM_ASSISTANT_CMD_HFP_STATUS, "/system/hfp_status_change", "hfp_hangup");
        } else if (smIsWiredInput(source)) {
            quorid_exec("sh /usr/bin/cpu_performance_mode.sh stop", SM_QUORID_NO_WAIT);
        }
    }
    uThreadDelay(kStopWalkDelayMs);
    smProcessPriorityPlay(speech);
}

void smProcessPriorityPlay(uint8_t speech)
{
    if (smIsPlaying(SM_SOURCE_BT_HFP)) {
        SM_INFO("bt HFP running, return!\n");
        return;
    }
    if (smCtx().fgSpeech != 0) {
        SM_INFO("speech starting, return!\n");
        return;
    }
    if (smIsActive(SM_SOURCE_PROMPT) || smIsActive(SM_SOURCE_TTS)) {
        SM_INFO("prompt or tts playing!\n");
        return;
    }
    for (uint32_t source : {SM_SOURCE_BT_HFP, SM_SOURCE_PROMPT, SM_SOURCE_TTS}) {
        if (walkStep(source)) {
            SM_INFO("priority %s play!\n", smSourceName(source));
            return;
        }
    }
    if (speech != 0) {
        SM_INFO("speech enable, don't resume or permit bt/uri!\n");
        return;
    }
    for (uint32_t source :
         {SM_SOURCE_AIRPLAY2, SM_SOURCE_LINE_IN, SM_SOURCE_USB, SM_SOURCE_SPDIF_IN, SM_SOURCE_ARC_IN, SM_SOURCE_HDMI_IN,
          SM_SOURCE_BT_EXT_IN, SM_SOURCE_AUX_IN, SM_SOURCE_BT, SM_SOURCE_DLNA, SM_SOURCE_URI}) {
        if (walkStep(source)) {
            SM_INFO("priority %s play!\n", smSourceName(source));
            return;
        }
    }
    SM_INFO("priority nothing play!\n");
}

uint8_t smIsProcessExist(const char* name)
{
    // The name goes on a shell command line, so only plain process-name characters pass.
    if (name == nullptr || *name == '\0') {
        return 255;
    }
    for (const char* p = name; *p != '\0'; ++p) {
        if (isalnum(static_cast<unsigned char>(*p)) == 0 && *p != '_' && *p != '-' && *p != '.') {
            return 255;
        }
    }
    char command[128];
    const int n = snprintf(command, sizeof(command), "ps | grep %s | wc -l", name);
    if (n < 0 || static_cast<size_t>(n) >= sizeof(command)) {
        return 255;
    }
    FILE* pipe = popen(command, "r");
    if (pipe == nullptr) {
        return 0;
    }
    char count[3] = {};
    const size_t got = fread(count, 1, 2, pipe);
    pclose(pipe);
    count[got] = '\0';
    return atoi(count) > 2 ? 1 : 0;
}

bool smFactoryResetGoing()
{
    if (uiGetFactoryResetFlag() != 0) {
        SM_INFO("factory reset going, return!\n");
        return true;
    }
    return false;
}

void smClear(uint32_t source)
{
    if (!smIsPresent(source)) {
        return;
    }
    SmSourceRecord& r = smRec(source);
    if (source == SM_SOURCE_USB) {
        gIsSourceSwitchSendStopMessage = 1;
    }
    if (smIsWaiting(source)) {
        SM_INFO("stop %s permit!\n", smSourceName(source));
        r.exists = 0;
        r.waiting = 0;
        if (clearRunsWalk(source)) {
            smProcessPriorityPlay(0);
        }
        return;
    }
    SM_INFO("stop %s!\n", smSourceName(source));
    smSendStopToSource(source);
}

void smProcessPauseMsg()
{
    SM_INFO("sm process pause msg!\n");
    for (uint32_t source : {SM_SOURCE_SPDIF_IN, SM_SOURCE_ARC_IN, SM_SOURCE_HDMI_IN, SM_SOURCE_BT_EXT_IN,
                            SM_SOURCE_AUX_IN, SM_SOURCE_LINE_IN}) {
        if (smIsPlaying(source)) {
            SM_INFO("current source is spdif-in/arc-in/hdmi-in/line-in, ignore pause operation!\n");
            return;
        }
    }
    smClear(SM_SOURCE_PROMPT);
    smClear(SM_SOURCE_TTS);
    for (uint32_t source : {SM_SOURCE_AIRPLAY2, SM_SOURCE_BT, SM_SOURCE_URI, SM_SOURCE_DLNA, SM_SOURCE_USB}) {
        smSendPause(source);
    }
}

void smProcessResumeMsg()
{
    smClear(SM_SOURCE_PROMPT);
    smClear(SM_SOURCE_TTS);
    for (uint32_t source :
         {SM_SOURCE_AIRPLAY2, SM_SOURCE_LINE_IN, SM_SOURCE_USB, SM_SOURCE_SPDIF_IN, SM_SOURCE_ARC_IN, SM_SOURCE_HDMI_IN,
          SM_SOURCE_BT_EXT_IN, SM_SOURCE_AUX_IN, SM_SOURCE_BT, SM_SOURCE_DLNA, SM_SOURCE_URI}) {
        if (smIsPaused(source)) {
            smExitFakeStandbyMode();
            smSendResume(source);
            return;
        }
    }
}

void smProcessPrevBtAudio()
{
    btOrder(SM_BT_WAIT_PREV);
}

void smProcessNextBtAudio()
{
    btOrder(SM_BT_WAIT_NEXT);
}

void smProcessPlayBtMusic()
{
    btOrder(SM_BT_WAIT_PLAY);
}

void smClearSource()
{
    for (uint32_t source = SM_SOURCE_URI; source < SM_SOURCE_COUNT; ++source) {
        if (smIsPresent(source)) {
            SM_INFO("current some source is playing, wait stop!\n");
            smSendStopBeforeEnterStandby();
            return;
        }
    }
}

void smSendStopBeforeEnterStandby()
{
    smClear(SM_SOURCE_TTS);
    smClear(SM_SOURCE_PROMPT);
    smClearBtBeforeEnterStandby();
    for (uint32_t source :
         {SM_SOURCE_URI, SM_SOURCE_BT_HFP, SM_SOURCE_DLNA, SM_SOURCE_AIRPLAY2, SM_SOURCE_LINE_IN, SM_SOURCE_SPDIF_IN,
          SM_SOURCE_ARC_IN, SM_SOURCE_HDMI_IN, SM_SOURCE_BT_EXT_IN, SM_SOURCE_AUX_IN, SM_SOURCE_USB}) {
        smClear(source);
    }
}
