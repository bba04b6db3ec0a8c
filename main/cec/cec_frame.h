// The two records the HDMI transmitter driver takes: a CEC frame (24 bytes, as the driver takes and
// returns it) and a transmit request (32 bytes: the tag that comes back with the transmit status,
// then the frame). Both cross into the driver, so they are written and read byte by byte,
// little-endian as the processor stores them.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t CEC_FRAME_SIZE = 24;
constexpr size_t CEC_SEND_CMD_SIZE = 32;
constexpr uint32_t CEC_FRAME_OPERAND_MAX = 16;
// The opcode of a polling message, which has no opcode byte on the line.
constexpr uint16_t CEC_OPCODE_POLLING = 0xFFFF;

struct CecFrame {
    uint8_t ui1Initiator;
    uint8_t ui1Destination;  // 15: every device
    uint16_t ui2Opcode;
    uint8_t aui1Operand[CEC_FRAME_OPERAND_MAX];
    uint32_t ui4OperandCount;  // may claim more than the 16 stored bytes
};

// Byte offsets of the frame.
constexpr size_t CEC_FRAME_OFF_OPCODE = 2;
constexpr size_t CEC_FRAME_OFF_OPERAND = 4;
constexpr size_t CEC_FRAME_OFF_COUNT = 20;
// Byte offsets of the transmit request.
constexpr size_t CEC_SEND_CMD_OFF_FRAME = 4;
constexpr size_t CEC_SEND_CMD_OFF_BYTE28 = 28;  // always 0

static_assert(sizeof(CecFrame) == CEC_FRAME_SIZE, "CecFrame is 24 bytes");
static_assert(offsetof(CecFrame, ui2Opcode) == CEC_FRAME_OFF_OPCODE, "opcode at byte 2");
static_assert(offsetof(CecFrame, aui1Operand) == CEC_FRAME_OFF_OPERAND, "operands at byte 4");
static_assert(offsetof(CecFrame, ui4OperandCount) == CEC_FRAME_OFF_COUNT, "count at byte 20");

void cecFrameEncode(const CecFrame& frame, uint8_t out[CEC_FRAME_SIZE]);
void cecFrameDecode(const uint8_t in[CEC_FRAME_SIZE], CecFrame* frame);

// The transmit request: the tag (never 0), the frame, byte 28 and the reserved bytes zero.
void cecSendCmdEncode(uint32_t tag, const CecFrame& frame, uint8_t out[CEC_SEND_CMD_SIZE]);
