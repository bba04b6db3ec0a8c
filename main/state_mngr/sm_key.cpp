// Keys from the user-input side and the device wrappers: source requests, the wired-source switch
// ring, volume and mute in the configuration store, play/pause of all sources, the standby keys
// and the voice-service switch.
#include "main/acfg/acfg_accessor.h"
#include "main/state_mngr/sm_context_priv.h"
#include "platform/sbroot/sb_root.h"

#include <array>
#include <unistd.h>

namespace {

// Keys the Bluetooth application and the AVS service understand.
constexpr uint32_t kBtKeyMute = 113;
constexpr uint32_t kBtKeyVolumeUp = 103;
constexpr uint32_t kBtKeyVolumeDown = 108;
constexpr uint32_t kAvsKeyVolumeUp = 6;
constexpr uint32_t kAvsKeyVolumeDown = 7;

constexpr const char* kStartAvsMarker = "/data/start_avs";

// The switch ring: position i (1..7) requests kRing[i].
constexpr std::array<uint32_t, 8> kRing{SM_SOURCE_NONE,      SM_SOURCE_SPDIF_IN, SM_SOURCE_HDMI_IN, SM_SOURCE_ARC_IN,
                                        SM_SOURCE_BT_EXT_IN, SM_SOURCE_AUX_IN,   SM_SOURCE_USB,     SM_SOURCE_LINE_IN};

void requestPlay(uint32_t source)
{
    smProcessRequestPlayMsg(static_cast<int32_t>(smGetMsgFromSource(source)));
}

void sendKeyToBt(uint32_t key)
{
    appmsg_t msg{};
    msg.ui4_sender_id = 0;
    msg.ui4_msg_type = key;
    smSendCommonKeyToAll(&msg, "bluetooth");
}

void sendKeyToAvs(uint32_t key)
{
    const int32_t res = smSendKeyToAvs(key);
    if (res != 0) {
        SM_ERR("smSendKeyToAvs fail, i4Ret = %d!\n", res);
    }
}

}  // namespace

void smProcessMuteMsg()
{
    if (uSmGetCurrentSource() == SM_SOURCE_BT) {
        sendKeyToBt(kBtKeyMute);
        return;
    }
    uint8_t mute = 0;
    int32_t res = uAcfgGetMute(&mute);
    if (res != 0) {
        SM_ERR("uAcfgGetMute fail! i4Ret = %d!\n", res);
        mute = 0;
    }
    if (mute != 0) {
        res = uAcfgSetMute(0);
        if (res != 0) {
            SM_ERR("uAcfgSetMute fail! i4Ret = %d!\n", res);
        }
        uint8_t volume = 0;
        res = uAcfgGetVolume(&volume);
        if (res != 0) {
            SM_ERR("uAcfgGetVolume fail! i4Ret = %d!\n", res);
            return;
        }
        res = uAcfgSetVolume(volume, 0);
        if (res != 0) {
            SM_ERR("uAcfgSetVolume fail! i4Ret = %d!\n", res);
        }
        return;
    }
    res = uAcfgSetMute(1);
    if (res != 0) {
        SM_ERR("uAcfgSetMute fail! i4Ret = %d!\n", res);
    }
}

void smProcessVolumeupMsg()
{
    if (uSmGetCurrentSource() == SM_SOURCE_BT) {
        sendKeyToBt(kBtKeyVolumeUp);
    } else {
        const int32_t res = uAcfgIncreaseVolume();
        if (res != 0) {
            SM_ERR("uAcfgIncreaseVolume fail! i4Ret = %d!\n", res);
        }
    }
    sendKeyToAvs(kAvsKeyVolumeUp);
}

void smProcessVolumedownMsg()
{
    if (uSmGetCurrentSource() == SM_SOURCE_BT) {
        sendKeyToBt(kBtKeyVolumeDown);
    } else {
        const int32_t res = uAcfgReduceVolume();
        if (res != 0) {
            SM_ERR("uAcfgReduceVolume fail! i4Ret = %d!\n", res);
        }
    }
    sendKeyToAvs(kAvsKeyVolumeDown);
}

uint32_t smWhichSwitchSourceIsPlaying()
{
    for (uint32_t source : {SM_SOURCE_SPDIF_IN, SM_SOURCE_ARC_IN, SM_SOURCE_HDMI_IN, SM_SOURCE_BT_EXT_IN,
                            SM_SOURCE_AUX_IN, SM_SOURCE_USB, SM_SOURCE_LINE_IN}) {
        if (smIsPlaying(source)) {
            for (uint32_t pos = 1; pos < kRing.size(); ++pos) {
                if (kRing[pos] == source) {
                    return pos;
                }
            }
        }
    }
    const uint32_t recorded = smVars().ui4SwitchPos;
    SM_INFO("there is no switch source playing! turn to recorded source %d!\n", static_cast<int>(recorded));
    return recorded;
}

void smProcessSourceSwitchMsg()
{
    uint32_t pos = smWhichSwitchSourceIsPlaying() + 1;
    if (pos == kRing.size()) {
        pos = 1;
    }
    smVars().ui4SwitchPos = pos;
    if (pos < 1 || pos >= kRing.size()) {
        SM_ERR("[source switch]there is something wrong!\n");
        return;
    }
    requestPlay(kRing[pos]);
}

void smProcessSourceInClear(uint32_t keyBody)
{
    SM_INFO("cur_src = %d\n", static_cast<int>(keyBody));
    switch (keyBody) {
    case SM_BODY_UI_SRC_ARC_IN:
        smClear(SM_SOURCE_ARC_IN);
        break;
    case SM_BODY_UI_SRC_HDMI_IN:
        smClear(SM_SOURCE_HDMI_IN);
        break;
    case SM_BODY_UI_SRC_SPDIF_IN:
        smClear(SM_SOURCE_SPDIF_IN);
        break;
    case SM_BODY_UI_SRC_AUX_IN:
        smClear(SM_SOURCE_AUX_IN);
        break;
    case SM_BODY_UI_SRC_USB:
        smClear(SM_SOURCE_USB);
        break;
    case SM_BODY_UI_SRC_BT_EXT_IN:
        smClear(SM_SOURCE_BT_EXT_IN);
        break;
    default:
        break;
    }
}

void smProcessLongMicmuteMsg()
{
    uint8_t curApp = 0;
    const int32_t res = uAcfgGetCurappValue(&curApp);
    SM_INFO("long micmute, cur app:%d (ret %d)\n", curApp, res);
    if (access(sb::path(kStartAvsMarker).c_str(), F_OK) != 0) {
        smSendSwitchMsgToC4aStub(SM_BODY_SWITCH_TO_C4A);
        return;
    }
    smSendSwitchMsgToAvsStub(SM_BODY_SWITCH_TO_AVS);
    smSendSwitchMsgToBt(SM_BODY_SWITCH_TO_AVS);
}

void smProcessLongVolumedownMsg()
{
    SM_INFO("sm process long volumedown msg!\n");
    if (smCtx().fgFakeStandby != 0) {
        smExitFakeStandbyMode();
    } else if (smCtx().fgSuspendStandby != 0) {
        smExitSuspendStandbyMode();
    }
    if (smIsPlaying(SM_SOURCE_BT_HFP)) {
        SM_INFO("BT HFP running, long volumedown key down command is invalid!\n");
        return;
    }
    if (smCtx().fgSpeech != 0) {
        SM_INFO("speech start, long volumedown key down command is invalid!\n");
        return;
    }
    bool busy = smIsActive(SM_SOURCE_PROMPT) || smIsActive(SM_SOURCE_TTS);
    for (uint32_t source : {SM_SOURCE_URI, SM_SOURCE_AIRPLAY2, SM_SOURCE_BT, SM_SOURCE_DLNA, SM_SOURCE_SPDIF_IN,
                            SM_SOURCE_ARC_IN, SM_SOURCE_HDMI_IN, SM_SOURCE_LINE_IN, SM_SOURCE_USB}) {
        busy = busy || smIsPlaying(source);
    }
    if (busy) {
        smProcessPauseMsg();
    } else {
        smProcessResumeMsg();
    }
}

void smProcessKeyMsg(const appmsg_t* key, uint32_t)
{
    SM_INFO("pt_msg->ui4_msg_type = %d\n", static_cast<int>(key->ui4_msg_type));
    switch (key->ui4_msg_type) {
    case SM_BODY_UI_EXIT_SUSPEND:
        SM_INFO("Exit suspend mode!\n");
        gIsPowerOnFromSuspend = 1;
        smExitSuspendStandbyMode();
        smPmStateSet(1);
        break;
    case SM_BODY_UI_ENTER_SUSPEND:
        SM_INFO("Enter suspend mode!\n");
        smEnterSuspendStandbyMode();
        break;
    case SM_BODY_UI_ENTER_FAKE_STANDBY:
        SM_INFO("Enter Fake Standby Mode!\n");
        gIsFakeStandbySendStopMessage = 1;
        smPmStateSet(0);
        break;
    case SM_BODY_UI_EXIT_FAKE_STANDBY:
        SM_INFO("Exit Fake Standby Mode!\n");
        gIsPowerOnFromFakeStandby = 1;
        smPmStateSet(1);
        break;
    case SM_BODY_UI_MUTE:
        smProcessMuteMsg();
        break;
    case SM_BODY_UI_VOLUMEUP:
        smProcessVolumeupMsg();
        break;
    case SM_BODY_UI_VOLUMEDOWN:
        smProcessVolumedownMsg();
        break;
    case SM_BODY_UI_SOURCE_SWITCH:
        smProcessSourceSwitchMsg();
        break;
    case SM_BODY_UI_SRC_ARC_IN:
        SM_INFO("Manual Source ARC In mode!\n");
        requestPlay(SM_SOURCE_ARC_IN);
        break;
    case SM_BODY_UI_SRC_HDMI_IN:
        SM_INFO("Manual Source HDMI In mode!\n");
        requestPlay(SM_SOURCE_HDMI_IN);
        break;
    case SM_BODY_UI_SRC_SPDIF_IN:
        SM_INFO("Manual Source SPDIF In mode!\n");
        requestPlay(SM_SOURCE_SPDIF_IN);
        break;
    case SM_BODY_UI_SRC_AUX_IN:
        SM_INFO("Manual Source AUX In mode!\n");
        requestPlay(SM_SOURCE_AUX_IN);
        break;
    case SM_BODY_UI_SRC_USB:
        SM_INFO("Manual Source USB In mode!\n");
        requestPlay(SM_SOURCE_USB);
        break;
    case SM_BODY_UI_SRC_BT_EXT_IN:
        SM_INFO("Manual Source BT In mode!\n");
        requestPlay(SM_SOURCE_BT_EXT_IN);
        break;
    case SM_BODY_UI_SRCIN_CLR:
        SM_INFO("SM_BODY_UI_SRCIN_CLR!\n");
        smProcessSourceInClear(key->ui4_sender_id);
        break;
    case SM_BODY_UI_PREV:
        smProcessPrevBtAudio();
        break;
    case SM_BODY_UI_NEXT:
        smProcessNextBtAudio();
        break;
    case SM_BODY_UI_LONG_MICMUTE:
        smProcessLongMicmuteMsg();
        break;
    case SM_BODY_UI_LONG_VOLUMEDOWN:
        smProcessLongVolumedownMsg();
        break;
    case SM_BODY_UI_PLAY_LINE_IN:
        requestPlay(SM_SOURCE_LINE_IN);
        break;
    case SM_BODY_UI_PLAY_USB:
        requestPlay(SM_SOURCE_USB);
        break;
    case SM_BODY_UI_PLAY_SPDIF_IN:
        requestPlay(SM_SOURCE_SPDIF_IN);
        break;
    case SM_BODY_UI_PLAY_HDMI_IN:
        requestPlay(SM_SOURCE_HDMI_IN);
        break;
    case SM_BODY_UI_PLAY_ARC_IN:
        requestPlay(SM_SOURCE_ARC_IN);
        break;
    default:
        break;
    }
}
