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

// The record of cecCtrlPrsMsgAboutOpcode: the opcode of the request to send, and for an OSD string
// (0x64) its display control and text (NUL-terminated, or cut at its 28 bytes).
constexpr size_t CEC_OSD_TEXT_SIZE = 28;
struct CecOsdStringReq {
    uint32_t ui4DisplayCtrl;
    char acText[CEC_OSD_TEXT_SIZE];
};
struct CecOpcodeReq {
    uint32_t ui4Reserved;  // not read
    uint32_t ui4Opcode;
    CecOsdStringReq rOsd;
};
static_assert(sizeof(CecOsdStringReq) == 32 && sizeof(CecOpcodeReq) == 40, "the records' layout");

// Hands a CEC standby to the state manager: message E_APP_MSG_TYPE_CEC {MSG_FROM_CEC,
// SM_BODY_CEC_STANDBY} to "state_mngr". Its callers send it once per suspend cycle.
// @return 0, or -4 when the state manager cannot be found or reached.
int32_t cecPsrSendToSmStandby(void);

// Message E_APP_MSG_TYPE_STATE_MNGR. @return 0 or -4.
int32_t cecSmMsgProcess(const appmsg_t* msg);
// Message E_APP_PRI_ALSA_PB_MSG. @return 0 or -4.
int32_t cecPlaybackMsgProcess(const appmsg_t* msg);
// Carries out one CecCtrlCmd; other values do nothing.
void cecCtrlProcessMsgFromOther(const CecAppMsg* msg);
// Posts the command to the application's own queue, from any thread, with the 4 bytes at `data`
// as payload when it is not null. @return 0 (also when the post failed, which is logged), or -4
// while the application's handle is not known.
int32_t cecCtrlSendMessageToCEC(uint32_t command, const void* data);
// Sends the TV the request the record's opcode names (Standby goes to all devices); other opcodes
// are logged.
void cecCtrlPrsMsgAboutOpcode(const CecOpcodeReq* request);
