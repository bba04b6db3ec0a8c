#include "main/cec/cec_frame.h"

#include "common/support/support.h"

#include <cstring>

void cecFrameEncode(const CecFrame& frame, uint8_t out[CEC_FRAME_SIZE])
{
    out[0] = frame.ui1Initiator;
    out[1] = frame.ui1Destination;
    sb::storeLe16(out + CEC_FRAME_OFF_OPCODE, frame.ui2Opcode);
    memcpy(out + CEC_FRAME_OFF_OPERAND, frame.aui1Operand, CEC_FRAME_OPERAND_MAX);
    sb::storeLe32(out + CEC_FRAME_OFF_COUNT, frame.ui4OperandCount);
}

void cecFrameDecode(const uint8_t in[CEC_FRAME_SIZE], CecFrame* frame)
{
    frame->ui1Initiator = in[0];
    frame->ui1Destination = in[1];
    frame->ui2Opcode = sb::loadLe16(in + CEC_FRAME_OFF_OPCODE);
    memcpy(frame->aui1Operand, in + CEC_FRAME_OFF_OPERAND, CEC_FRAME_OPERAND_MAX);
    frame->ui4OperandCount = sb::loadLe32(in + CEC_FRAME_OFF_COUNT);
}

void cecSendCmdEncode(uint32_t tag, const CecFrame& frame, uint8_t out[CEC_SEND_CMD_SIZE])
{
    memset(out, 0, CEC_SEND_CMD_SIZE);
    sb::storeLe32(out, tag);
    cecFrameEncode(frame, out + CEC_SEND_CMD_OFF_FRAME);
}
