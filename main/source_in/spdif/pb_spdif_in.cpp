#include "main/source_in/spdif/pb_spdif_in.h"

#include "main/acfg/acfg_accessor.h"
#include "main/am/am.h"
#include "main/cli/cli.h"
#include "main/source_in/spdif/sileth_link.h"
#include "main/source_in/spdif/spdif_in_priv.h"
#include "main/state_mngr/state_mngr.h"

#include <cstring>
#include <sys/time.h>

std::atomic<uint32_t> gSilethPlayStatus{SPDIF_PLAY_STS_STOP};

namespace {

constexpr uint32_t kStackSize = 131072;
constexpr uint8_t kPriority = 130;
constexpr uint16_t kSecCount = 64;
constexpr uint16_t kQueueLen = 128;
constexpr uint16_t kMaxPayload = 4096;
constexpr uint16_t kInitialDbgLevel = 0x01FF;

constexpr uint32_t kKeyVolumeUp = 103;
constexpr uint32_t kKeyVolumeDown = 108;
constexpr uint32_t kKeyMute = 113;

struct SpdifIn {
    // Read by the status thread and the console thread.
    std::atomic<uint8_t> fgInitOk{0};
    std::atomic<uint16_t> dbgLevel{kInitialDbgLevel};
    // Microseconds since the epoch at the last switch-on, 0 before the first.
    std::atomic<int64_t> switchOnUs{0};
};
SpdifIn g;

int64_t nowUs()
{
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return static_cast<int64_t>(tv.tv_sec) * 1000000 + tv.tv_usec;
}

int32_t postTo(const char* app, uint32_t msgId, uint32_t sender, uint32_t word)
{
    handle_t h = 0;
    const int32_t found = u_am_get_app_handle_from_name(&h, app);
    if (found != 0) {
        return found;
    }
    appmsg_t msg{};
    msg.ui4_sender_id = sender;
    msg.ui4_msg_type = word;
    return u_app_send_msg(h, msgId, &msg, sizeof msg, nullptr, 0);
}

bool currentHasSystemAudio()
{
    return spdifSourceInfo(uSmGetCurrentSource()).cecSystemAudio;
}

void informAndSet(uint8_t inform, uint32_t status)
{
    i4SpdifInSendPbStatusToSm(inform);
    gSilethPlayStatus.store(status);
}

void i4SpdifInSmMsgProcess(const void* data, uint32_t size)
{
    if (size < offsetof(appmsg_t, aui1_data)) {
        SPDIF_ERR("sm msg size[%u] too short\n", size);
        return;
    }
    appmsg_t msg{};
    std::memcpy(&msg, data, size < sizeof msg ? size : sizeof msg);
    const uint32_t group = SM_MSG_GRP(msg.ui4_msg_type);
    const uint32_t body = SM_MSG_BDY(msg.ui4_msg_type);
    if (group == SM_FORBID_GRP) {
        SPDIF_INFO("forbid msg body[%u]\n", body);
        return;
    }
    if (group != SM_REQUEST_GRP && group != SM_PERMIT_GRP) {
        return;
    }
    switch (body) {
    case SM_BODY_STOP:
        SPDIF_INFO("SM_BODY_STOP:gSilethPlayStatus=%u\n", gSilethPlayStatus.load());
        vSpdifInSwitchSource(0);
        informAndSet(SM_BODY_STOP, SPDIF_PLAY_STS_STOP);
        break;
    case SM_BODY_PLAY:
        vSpdifInSwitchSource(1);
        break;
    case SM_BODY_PAUSE:
        SPDIF_INFO("SM_BODY_PAUSE:gSilethPlayStatus=%u\n", gSilethPlayStatus.load());
        fgGstStop();
        gSilethPlayStatus.store(SPDIF_PLAY_STS_SOURCE_STOP);
        i4SpdifInSendPbStatusToSm(SM_BODY_PAUSE);
        break;
    case SM_BODY_RESUME:
        SPDIF_INFO("SM_BODY_RESUME:gSilethPlayStatus=%u\n", gSilethPlayStatus.load());
        fgGstPlay();
        gSilethPlayStatus.store(SPDIF_PLAY_STS_PLAY);
        i4SpdifInSendPbStatusToSm(SM_BODY_PLAY);
        break;
    default:
        break;
    }
}

void spdifinProcessUiVolumeUpKey()
{
    const int32_t ret = uAcfgIncreaseVolume();
    if (ret != 0) {
        SPDIF_ERR("<Spdif_in>uAcfgIncreaseVolume fail ret:%d\n", ret);
    }
}

void spdifinProcessUiVolumeDownKey()
{
    const int32_t ret = uAcfgReduceVolume();
    if (ret != 0) {
        SPDIF_ERR("<Spdif_in>uAcfgReduceVolume fail ret:%d\n", ret);
    }
}

void spdifinProcessUiMuteKey()
{
    SPDIF_INFO("<Spdif_in>receive volume mute key!\n");
    uint8_t mute = 0;
    int32_t ret = uAcfgGetMute(&mute);
    if (ret != 0) {
        SPDIF_ERR("<Spdif_in>uAcfgGetMute fail ret:%d\n", ret);
        return;
    }
    const uint8_t muted = mute == 0 ? 1 : 0;
    if ((ret = uAcfgSetMute(muted)) != 0) {
        SPDIF_ERR("<Spdif_in>uAcfgSetMute fail ret:%d\n", ret);
        return;
    }
    if (muted != 0) {
        return;
    }
    // Unmuted: the stored volume is applied again without being reported as a change.
    uint8_t volume = 0;
    if ((ret = uAcfgGetVolume(&volume)) != 0) {
        SPDIF_ERR("<Spdif_in>uAcfgGetVolume fail ret:%d\n", ret);
        return;
    }
    if ((ret = uAcfgSetVolume(volume, 0)) != 0) {
        SPDIF_ERR("<Spdif_in>uAcfgSetVolume fail ret:%d\n", ret);
    }
}

void i4SpdifInUiMsgProcess(const void* data, uint32_t size)
{
    if (size < offsetof(appmsg_t, aui1_data)) {
        SPDIF_ERR("key msg size[%u] too short\n", size);
        return;
    }
    appmsg_t msg{};
    std::memcpy(&msg, data, size < sizeof msg ? size : sizeof msg);
    SPDIF_INFO("<Spdif_in>receive UI key : %u \n", msg.ui4_msg_type);
    switch (msg.ui4_msg_type) {
    case kKeyVolumeUp:
        spdifinProcessUiVolumeUpKey();
        break;
    case kKeyVolumeDown:
        spdifinProcessUiVolumeDownKey();
        break;
    case kKeyMute:
        spdifinProcessUiMuteKey();
        break;
    default:
        break;
    }
}

}  // namespace

SpdifSourceInfo spdifSourceInfo(uint32_t smSource)
{
    switch (smSource) {
    case SM_SOURCE_SPDIF_IN:
        return {MSG_FROM_SPDIF_IN, MSG_FROM_SPDIF_IN, 0, false};
    case SM_SOURCE_ARC_IN:
        return {MSG_FROM_ARC_IN, MSG_FROM_ARC_IN, 1, true};
    case SM_SOURCE_HDMI_IN:
        return {MSG_FROM_HDMI_IN, MSG_FROM_HDMI_IN, 2, true};
    case SM_SOURCE_BT_EXT_IN:
        return {MSG_FROM_BT_EXT_IN, MSG_FROM_BT_EXT_IN, 4, false};
    case SM_SOURCE_AUX_IN:
        return {MSG_FROM_AUX_IN, MSG_FROM_AUX_IN, 5, false};
    case SM_SOURCE_USB:
        return {0, MSG_FROM_USB, 0, false};
    default:
        return {0, 0, 0, false};
    }
}

void aPlaybackSpdifInRegister(amb_register_info_t* info)
{
    if (info == nullptr || g.fgInitOk.load() == 1) {
        return;
    }
    std::memset(info->acName, 0, sizeof info->acName);
    std::strncpy(info->acName, SPDIF_IN_APP_NAME, AM_APP_NAME_LEN);
    info->tFct = {i4SpdifInInit, i4SpdifInExit, i4SpdifInProcessMsg};
    info->ui8Reserved = ~static_cast<uint64_t>(0);
    info->ui4StackSize = kStackSize;
    info->ui1Priority = kPriority;
    info->ui2SecCount = kSecCount;
    info->ui2QueueLen = kQueueLen;
    info->ui2MaxPayload = kMaxPayload;
}

int32_t i4SpdifInInit(const char*, handle_t)
{
    SPDIF_INFO("Init start ...........\n");
    g.fgInitOk.store(0);
    g.switchOnUs.store(0);
    const int32_t attached = i4SpdifInCliAttachCmdTbl();
    if (attached != CLIR_OK && attached != CLIR_NOT_INIT) {
        SPDIF_ERR("Err: i4SpdifInCliAttachCmdTbl() failed, ret=%d\r\n", attached);
        return -1;
    }
    i4GstInit();
    SPDIF_INFO("create pvSilethStatusThread!\n");
    g.fgInitOk.store(1);
    if (silethLinkStartStatusThread() != 0) {
        SPDIF_ERR("pthread_create pvSilethStatusThread  error!\n");
    }
    SPDIF_INFO("Init ok!\n");
    return 0;
}

int32_t i4SpdifInExit(handle_t, uint32_t)
{
    if (g.fgInitOk.load() == 0) {
        return -1;
    }
    g.fgInitOk.store(0);
    silethLinkStop();
    spdifInCliDetachCmdTbl();
    g.switchOnUs.store(0);
    return 0;
}

int32_t i4SpdifInProcessMsg(handle_t, uint32_t msgId, const void* data, uint32_t size)
{
    if (g.fgInitOk.load() == 0 || data == nullptr) {
        return -1;
    }
    switch (msgId) {
    case E_APP_MSG_TYPE_STATE_MNGR:
        i4SpdifInSmMsgProcess(data, size);
        break;
    case E_APP_MSG_TYPE_USER_CMD:
        i4SpdifInUiMsgProcess(data, size);
        break;
    default:
        if (msgId < AM_BRDCST_MSG_BASE) {
            SPDIF_INFO("Other msg(%u) \n", msgId);
        } else {
            SPDIF_INFO("Other broadcast msg(%u) \n", msgId);
        }
        break;
    }
    return 0;
}

void vSpdifInSwitchSource(uint8_t on)
{
    if (on != 0) {
        spdifInStampSwitchOn();
        SPDIF_INFO("Enter Spdif In Source\n");
        spdifInLogTime();
        if (currentHasSystemAudio()) {
            i4SpdifInSendCtlMsgToCEC(0);
        }
        fgGstPlay();
        return;
    }
    SPDIF_INFO("Exit Spdif In Source\n");
    spdifInLogTime();
    fgGstStop();
    if (currentHasSystemAudio()) {
        i4SpdifInSendCtlMsgToCEC(1);
    }
}

void vSpdifInGstPlayPause(uint8_t play)
{
    if (play != 0) {
        fgGstPlay();
    } else {
        fgGstStop();
    }
}

int32_t i4SpdifInSendRequestPlayToSm(void)
{
    const SpdifSourceInfo info = spdifSourceInfo(uSmGetCurrentSource());
    const int32_t ret =
        postTo(SM_APP_NAME, E_APP_MSG_TYPE_STATE_MNGR, info.requestSender, smMsgWord(SM_REQUEST_GRP, SM_BODY_PLAY, 0));
    if (ret != 0) {
        SPDIF_ERR("failed, i4Ret[%d]\n", ret);
    } else {
        SPDIF_INFO("request play to sm!\n");
    }
    return ret;
}

int32_t i4SpdifInSendPbStatusToSm(uint8_t status)
{
    const SpdifSourceInfo info = spdifSourceInfo(uSmGetCurrentSource());
    SPDIF_INFO("ui4_sender_id=%u, PB_BODY=%u\n", info.informSender, status);
    const int32_t ret =
        postTo(SM_APP_NAME, E_APP_MSG_TYPE_STATE_MNGR, info.informSender, smMsgWord(SM_INFORM_GRP, status, 0));
    if (ret != 0) {
        SPDIF_ERR("failed, i4Ret[%d]\n", ret);
    }
    return ret;
}

int32_t i4SpdifInSendCtlMsgToCEC(uint8_t off)
{
    const uint32_t word = static_cast<uint32_t>(off) << 16;
    const int32_t ret = postTo(SPDIF_IN_CEC_APP_NAME, E_APP_PRI_ALSA_PB_MSG, 0, word);
    if (ret != 0) {
        SPDIF_ERR("send contrl msg to CEC failed, i4Ret[%d]\n", ret);
    } else {
        SPDIF_INFO("0 mean CEC_on,1 mean CEC_off,playback send contrl msg_type: %u to CEC! \n", word);
    }
    return ret;
}

uint16_t i4SpdifInGetDbgLevel(void)
{
    return static_cast<uint16_t>(g.dbgLevel.load(std::memory_order_relaxed) | DBG_LAYER_APP);
}

void vSpdifInSetDbgLevel(uint16_t level)
{
    g.dbgLevel.store(level, std::memory_order_relaxed);
}

void spdifInStampSwitchOn(void)
{
    g.switchOnUs.store(nowUs());
}

void spdifInLogTime(void)
{
    const int64_t since = nowUs() - g.switchOnUs.load();
    const int64_t us = since < 0 ? 0 : since;
    SPDIF_INFO("\t time(%d.%d.%d) \n", static_cast<int>(us / 1000000), static_cast<int>(us / 1000 % 1000),
               static_cast<int>(us % 1000));
}
