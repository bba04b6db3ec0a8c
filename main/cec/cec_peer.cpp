#include "main/cec/cec_peer.h"

#include "main/am/am.h"
#include "main/cec/cec_addr.h"
#include "main/cec/cec_dbg.h"
#include "main/cec/cec_drv.h"
#include "main/cec/cec_handler.h"
#include "main/cec/cec_msg.h"
#include "main/state_mngr/state_mngr.h"

#include <cstring>

namespace {

// The S/PDIF input's request word: group 0, body 0 (system audio mode on) or 1 (off).
constexpr uint32_t kPbRequestGroup = 0;
constexpr uint32_t kPbSysAudioOn = 0;
constexpr uint32_t kPbSysAudioOff = 1;

constexpr const char* kCtrlLabels[CEC_CTRL_CMD_NUM] = {"open sys audio", "close sys audio", "initiate ARC",
                                                       "termination ARC", "switch RX0", "switch RX1"};

}  // namespace

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
    if (msg == nullptr) {
        CEC_ERR("error: invalid arg ! ");
        return CECR_DRV_FAIL;
    }
    CEC_INFO("SM msg come!!! \r");
    const uint32_t group = SM_MSG_GRP(msg->ui4_msg_type);
    CEC_INFO("SM_MSG_GRP is %u \r\n", group);
    if (group != SM_INFORM_GRP) {
        CEC_ERR("Err:can't recognize the switch msgtype .\r");
        return CECR_DRV_FAIL;
    }
    const uint32_t body = SM_MSG_BDY(msg->ui4_msg_type);
    CEC_INFO("SM_MSG_BDY is %u \r\n", body);
    switch (body) {
    case SM_BODY_CEC_ENTER_SUSPEND:
        CEC_INFO("SM inform CEC enter suspend \r");
        gPlatformInfo.ui1Suspended = 1;
        cecCtrlSetSystemAudioMode(CEC_LA_TV, 0);
        return CECR_OK;
    case SM_BODY_CEC_EXIT_SUSPEND:
        CEC_INFO("SM inform CEC exit suspend \r");
        gPlatformInfo.ui1Suspended = 0;
        gIsCecSendReq = 0;
        gPlatformInfo.ui1FakePlugIn = 0;
        cecUpdateCm4RxInfo();
        cecCtrlSignalDriverReady(1);
        return CECR_OK;
    case SM_BODY_CEC_ENTER_SUSPEND_FAIL:
        CEC_INFO("SM inform CEC enter suspend fail \r");
        gPlatformInfo.ui1Suspended = 0;
        gIsCecSendReq = 0;
        return CECR_OK;
    default:
        CEC_ERR("Err:can't recognize the switch msgtype .\r");
        CEC_ERR("<CEC>Err:cecSmMsgInformProc return err: ret=%d.\r\n", CECR_DRV_FAIL);
        return CECR_DRV_FAIL;
    }
}

int32_t cecPlaybackMsgProcess(const appmsg_t* msg)
{
    if (msg == nullptr) {
        CEC_ERR("error: invalid arg ! ");
        return CECR_DRV_FAIL;
    }
    CEC_INFO("playback msg come!!! \r");
    const uint32_t group = SM_MSG_GRP(msg->ui4_msg_type);
    CEC_INFO("pb_msg_grp is %u \r\n", group);
    if (group != kPbRequestGroup) {
        CEC_ERR("Err:can't recognize msg type.\r");
        return CECR_DRV_FAIL;
    }
    const uint32_t body = SM_MSG_BDY(msg->ui4_msg_type);
    CEC_INFO("CEC_MSG_BDY is %u \r\n", body);
    if (body != kPbSysAudioOn && body != kPbSysAudioOff) {
        CEC_ERR("Err:can't recognize msg type.\r");
        return CECR_OK;
    }
    const int32_t res = cecCtrlSetSystemAudioMode(CEC_LA_TV, body == kPbSysAudioOn ? 1 : 0);
    if (res != CECR_OK) {
        CEC_ERR("<CEC>Err:cecCtrlSetSystemAudioMode return err: ret=%d.\r\n", res);
        CEC_ERR("<CEC>Err:cecPlaybackMsgRequestProc return err: ret=%d.\r\n", CECR_DRV_FAIL);
        return CECR_DRV_FAIL;
    }
    return CECR_OK;
}

void cecCtrlProcessMsgFromOther(const CecAppMsg* msg)
{
    if (msg == nullptr) {
        CEC_ERR("error: invalid arg ! ");
        return;
    }
    const uint32_t command = msg->ui4_msg_type;
    if (command < CEC_CTRL_CMD_NUM) {
        CEC_INFO("message type: %s \n", kCtrlLabels[command]);
    }
    switch (command) {
    case CEC_CTRL_OPEN_SYS_AUDIO:
        cecCtrlSetSystemAudioMode(CEC_LA_TV, 1);
        break;
    case CEC_CTRL_CLOSE_SYS_AUDIO:
        cecCtrlSetSystemAudioMode(CEC_LA_TV, 0);
        break;
    case CEC_CTRL_INITIATE_ARC:
        cecCtrlInitiateARC(CEC_LA_TV);
        break;
    case CEC_CTRL_TERMINATE_ARC:
        cecCtrlTerminateARC(CEC_LA_TV);
        break;
    case CEC_CTRL_SWITCH_RX0:
        cecSwitchPortToRx0();
        break;
    case CEC_CTRL_SWITCH_RX1:
        cecSwitchPortToRx1();
        break;
    default:
        break;
    }
}

int32_t cecCtrlSendMessageToCEC(uint32_t command, const void* data)
{
    const handle_t app = gCecThisObj.hApp.load();
    if (app == 0) {
        CEC_ERR("invalid cec app handle");
        return CECR_DRV_FAIL;
    }
    const uint32_t size = data == nullptr ? 0 : sizeof(uint32_t);
    if (u_app_send_appmsg(app, E_APP_MSG_TYPE_CEC, MSG_FROM_CEC, command, data, size) != 0) {
        CEC_ERR("send msg fail!");
    }
    return CECR_OK;
}

void cecCtrlPrsMsgAboutOpcode(const CecOpcodeReq* request)
{
    if (request == nullptr) {
        CEC_ERR("error: invalid arg ! ");
        return;
    }
    CEC_INFO("(opcode type = %u) \n", request->ui4Opcode);
    switch (request->ui4Opcode) {
    case CEC_OP_STANDBY:
        cecCtrlStandby(CEC_LA_BROADCAST);
        break;
    case CEC_OP_GIVE_OSD_NAME:
        cecCtrlGiveOSDName(CEC_LA_TV);
        break;
    case CEC_OP_SET_OSD_STRING: {
        const CecOsdStringReq& osd = request->rOsd;
        // The text may fill its record without a terminator: it is read no further.
        char text[CEC_OSD_TEXT_SIZE + 1] = {};
        memcpy(text, osd.acText, CEC_OSD_TEXT_SIZE);
        CEC_INFO("OSD String address: %p\n", static_cast<const void*>(&osd));
        CEC_INFO("OSD String: %s, Display Ctrl: %u\n", text, osd.ui4DisplayCtrl);
        cecCtrlSetOSDString(CEC_LA_TV, static_cast<uint8_t>(osd.ui4DisplayCtrl), text);
        break;
    }
    case CEC_OP_GIVE_PHYSICAL_ADDRESS:
        cecCtrlGivePhysicalAddress(CEC_LA_TV);
        break;
    case CEC_OP_GIVE_DEVICE_POWER_STATUS:
        cecCtrlGiveDevicePowerStatus(CEC_LA_TV);
        break;
    case CEC_OP_GET_MENU_LANGUAGE:
        cecCtrlGetMenuLanguage(CEC_LA_TV);
        break;
    case CEC_OP_GET_CEC_VERSION:
        cecCtrlGetCecVersion(CEC_LA_TV);
        break;
    case CEC_OP_INITIATE_ARC:
        cecCtrlInitiateARC(CEC_LA_TV);
        break;
    case CEC_OP_TERMINATE_ARC:
        cecCtrlTerminateARC(CEC_LA_TV);
        break;
    default:
        CEC_ERR("fail: invalid opcode !");
        break;
    }
}
