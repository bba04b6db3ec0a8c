#include "main/cec/cec_peer.h"

#include "main/am/am.h"
#include "main/cec/cec_dbg.h"
#include "main/state_mngr/state_mngr.h"

int32_t cecPsrSendToSmStandby(void)
{
    handle_t sm = 0;
    if (u_am_get_app_handle_from_name(&sm, SM_APP_NAME) != 0) {
        CEC_ERR("invalid cec app handle");
        return CECR_DRV_FAIL;
    }
    appmsg_t msg{};
    msg.ui4_sender_id = MSG_FROM_CEC;
    msg.ui4_msg_type = SM_BODY_CEC_STANDBY;
    return u_app_send_msg(sm, E_APP_MSG_TYPE_CEC, &msg, sizeof msg, nullptr, 0) == 0 ? CECR_OK : CECR_DRV_FAIL;
}

int32_t cecSmMsgProcess(const appmsg_t* msg)
{
    CEC_ERR("cecSmMsgProcess not built yet (type 0x%x)", msg == nullptr ? 0u : msg->ui4_msg_type);
    return CECR_OK;
}

int32_t cecPlaybackMsgProcess(const appmsg_t* msg)
{
    CEC_ERR("cecPlaybackMsgProcess not built yet (type 0x%x)", msg == nullptr ? 0u : msg->ui4_msg_type);
    return CECR_OK;
}

void cecCtrlProcessMsgFromOther(const CecAppMsg* msg)
{
    CEC_ERR("cecCtrlProcessMsgFromOther not built yet (command %u)", msg == nullptr ? 0u : msg->ui4_msg_type);
}
