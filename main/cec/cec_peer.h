// What reaches the CEC application from the rest of the system: the state manager's suspend
// notices, the S/PDIF input's system-audio requests, and control commands posted as CEC
// application messages (by the console and by the application itself).
#pragma once

#include "main/cec/cec_state.h"

// The control commands in ui4_msg_type of a CecAppMsg from any sender but the device manager.
enum CecCtrlCmd : uint32_t {
    CEC_CTRL_OPEN_SYS_AUDIO = 0,
    CEC_CTRL_CLOSE_SYS_AUDIO = 1,
    CEC_CTRL_INITIATE_ARC = 2,
    CEC_CTRL_TERMINATE_ARC = 3,
    CEC_CTRL_SWITCH_RX0 = 4,
    CEC_CTRL_SWITCH_RX1 = 5,
    CEC_CTRL_CMD_NUM = 6,
};

// Hands a CEC standby to the state manager: message E_APP_MSG_TYPE_CEC {MSG_FROM_CEC,
// SM_BODY_CEC_STANDBY} to "state_mngr". Its callers send it once per suspend cycle.
// @return 0, or -4 when the state manager cannot be found or reached.
int32_t cecPsrSendToSmStandby(void);

// Message E_APP_MSG_TYPE_STATE_MNGR. @return 0 or -4.
int32_t cecSmMsgProcess(const appmsg_t* msg);
// Message E_APP_PRI_ALSA_PB_MSG. @return 0 or -4.
int32_t cecPlaybackMsgProcess(const appmsg_t* msg);
// Carries out one CecCtrlCmd.
void cecCtrlProcessMsgFromOther(const CecAppMsg* msg);
