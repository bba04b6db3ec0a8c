// The HDMI driver's events, forwarded by the device manager as CEC application messages from
// MSG_FROM_DM: the TV link's plug events, a finished transmission, a received frame, the inputs'
// plug and lock events, and the volume, mute and standby the driver decides itself.
#pragma once

#include "main/cec/cec_state.h"

// The driver's states in ui4_msg_type: "cec_hdmi" carries 0 to 3, the "CEC" switches the rest.
enum HdmiCecState : uint32_t {
    HDMI_CEC_STATE_PLUG_OUT = 0,
    HDMI_CEC_STATE_PLUG_IN = 1,
    HDMI_CEC_STATE_TX_STS = 2,   // a transmission finished: read its status
    HDMI_CEC_STATE_GET_CMD = 3,  // a frame was received: read it
    HDMI_CEC_STATE_ARC_MODE = 4,
    HDMIRX0_CEC_STATE_PLUG_OUT = 5,
    HDMIRX0_CEC_STATE_PLUG_IN = 6,
    HDMIRX0_CEC_STATE_SOURCE_LOCK = 7,
    HDMIRX1_CEC_STATE_PLUG_OUT = 8,
    HDMIRX1_CEC_STATE_PLUG_IN = 9,
    HDMIRX1_CEC_STATE_SOURCE_LOCK = 10,
    HDMI_CEC_STATE_VOL_UP = 101,
    HDMI_CEC_STATE_VOL_DOWN = 102,
    HDMI_CEC_STATE_VOL_MUTE = 103,
    HDMI_CEC_STATE_VOL_UNMUTE = 104,
    HDMI_CEC_STATE_STANDBY = 105,
};

// The transmit status record of KVX_HDMI_GET_TX_STS: {u32 tag, u32 ack}.
constexpr size_t CEC_TX_STS_SIZE = 8;

// Handles one driver event on the application's thread.
void cecPsrProcessMessage(const CecAppMsg* msg);
// The volume, mute and standby the driver decided (states 101 to 105); other states do nothing.
void HDMI_CEC_EVENT_Handle(uint32_t state);
