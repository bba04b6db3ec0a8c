#include "main/cec/cec_drv_event.h"

#include "common/support/support.h"
#include "main/cec/cec_dbg.h"
#include "main/cec/cec_drv.h"
#include "main/cec/cec_parser.h"
#include "main/cec/cec_pool.h"

namespace {

static_assert(CEC_TX_STS_SIZE == kvxHdmiRequestSize(KVX_HDMI_GET_TX_STS), "the status record is the request's size");
static_assert(CEC_FRAME_SIZE == kvxHdmiRequestSize(KVX_HDMI_GET_CECCMD), "the frame is the request's size");

void readTransmitStatus()
{
    CEC_INFO("CMD = HDMI_CEC_STATE_TX_STS ");
    uint8_t record[CEC_TX_STS_SIZE] = {};
    if (cecIoctl(KVX_HDMI_GET_TX_STS, reinterpret_cast<uintptr_t>(record)) != CECR_OK) {
        return;
    }
    const uint32_t tag = sb::loadLe32(record);
    const uint32_t ack = sb::loadLe32(record + 4);
    if (tag == 0) {
        CEC_ERR("invalid argument %u\n", ack);
        return;
    }
    CecEvent* event = cecCtrlEventFromTag(tag);
    if (event == nullptr) {
        CEC_ERR("invalid tag %u, ack %u\n", tag, ack);
        return;
    }
    CEC_INFO("notify tag addr: (0x%x)  ack: (%u) \n", tag, ack);
    cecPsrProcessAckMessage(ack, event);
}

void readFrame()
{
    CEC_INFO("CMD = HDMI_CEC_STATE_GET_CMD ");
    uint8_t bytes[CEC_FRAME_SIZE] = {};
    if (cecIoctl(KVX_HDMI_GET_CECCMD, reinterpret_cast<uintptr_t>(bytes)) != CECR_OK) {
        return;
    }
    CecFrame frame{};
    cecFrameDecode(bytes, &frame);
    cecPsrProcessFrameMessage(&frame);
}

}  // namespace

void cecPsrProcessMessage(const CecAppMsg* msg)
{
    if (msg == nullptr) {
        CEC_ERR(" error: invalid arg!");
        return;
    }
    const uint32_t state = msg->ui4_msg_type;
    CEC_INFO("pt_msg->ui4_msg_type: %u\n", state);
    HDMI_CEC_EVENT_Handle(state);
    switch (state) {
    case HDMI_CEC_STATE_TX_STS:
        readTransmitStatus();
        break;
    case HDMI_CEC_STATE_GET_CMD:
        readFrame();
        break;
    default:
        CEC_ERR("invalid message type ");
        break;
    }
}

void HDMI_CEC_EVENT_Handle(uint32_t state)
{
    if (state >= HDMI_CEC_STATE_VOL_UP && state <= HDMI_CEC_STATE_STANDBY) {
        CEC_ERR("HDMI_CEC_EVENT_Handle not built yet (state %u)", state);
    }
}
