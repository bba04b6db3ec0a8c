#include "main/source_in/spdif/pb_spdif_in.h"

#include "main/acfg/acfg_accessor.h"
#include "main/am/am.h"
#include "main/cli/cli.h"
#include "main/source_in/spdif/sileth_link.h"
#include "main/source_in/spdif/spdif_in_send.h"
#include "main/source_in/spdif/spdif_in_priv.h"
#include "main/state_mngr/state_mngr.h"

#include <cstring>

namespace {

constexpr amb_app_sizes_t kSizes = {131072, 130, 64, 128, 4096};

constexpr uint32_t kKeyVolumeUp = 103;
constexpr uint32_t kKeyVolumeDown = 108;
constexpr uint32_t kKeyMute = 113;

struct SpdifIn {
    // Read by the status thread and the console thread.
    std::atomic<uint8_t> fgInitOk{0};
};
SpdifIn g;

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

void aPlaybackSpdifInRegister(amb_register_info_t* info)
{
    if (info == nullptr || g.fgInitOk.load() == 1) {
        return;
    }
    amb_fill_register_info(info, SPDIF_IN_APP_NAME, {i4SpdifInInit, i4SpdifInExit, i4SpdifInProcessMsg}, kSizes);
}

int32_t i4SpdifInInit(const char*, handle_t)
{
    SPDIF_INFO("Init start ...........\n");
    g.fgInitOk.store(0);
    spdifInClearSwitchOn();
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
    spdifInClearSwitchOn();
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
