#include "main/source_in/spdif/spdif_in_send.h"

#include "main/am/am.h"
#include "main/source_in/spdif/spdif_in_priv.h"
#include "main/state_mngr/state_mngr.h"

std::atomic<uint32_t> gSilethPlayStatus{SPDIF_PLAY_STS_STOP};

namespace {

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
