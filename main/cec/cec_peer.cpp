#include "main/cec/cec_peer.h"

#include "main/cec/cec_dbg.h"

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
