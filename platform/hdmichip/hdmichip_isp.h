// The HDMI chip's in-system programming interface on I2C: its registers and the unlock sequence
// that puts it in programming mode. The firmware upgrade drives the chip through these and the
// board simulator's chip model answers them, so both read the one table below.
#pragma once

#include <array>
#include <cstdint>

namespace hdmichip {

// 7-bit address on bus 2.
constexpr uint8_t kI2cAddress = 0x5C;
constexpr const char* kI2cDevice = "/dev/i2c-2";

// Flash size; erased flash reads 0xFF.
constexpr uint32_t kFlashSize = 0x20000;

enum Reg : uint8_t {
    REG_STATUS = 0x08,         // erase arm (0xC0) and erase/program status
    REG_INT_ENABLE1 = 0x0A,
    REG_INT_ENABLE2 = 0x0B,
    REG_COMMAND = 0x0C,        // CMD_* below
    REG_OFFSET_HIGH = 0x0D,    // flash offset bits 16-23
    REG_OFFSET_MID = 0x0E,     // bits 8-15
    REG_OFFSET_LOW = 0x0F,     // bits 0-7
    REG_BYTE_COUNT = 0x10,     // 2 to 256 bytes, 256 written as 0
    REG_WRITE_FIFO = 0x11,
    REG_READ_FIFO = 0x14,
    REG_READ_FIFO_CLEAR = 0x16,
    REG_ERROR = 0x17,
    REG_READ_FIFO_LEVEL = 0x18,
    REG_ISP_STATE = 0x50,
    REG_LEAVE_ISP = 0xF2,
};

constexpr uint8_t kEraseArm = 0xC0;
constexpr uint8_t kEraseDone = 0x80;
constexpr uint8_t kEraseFailed = 0x40;
constexpr uint8_t kProgramDone = 0x08;
constexpr uint8_t kProgramFailed = 0x04;

constexpr uint8_t CMD_PROGRAM = 0x04;
constexpr uint8_t CMD_READ = 0x08;
constexpr uint8_t CMD_CHIP_ERASE = 0x10;

constexpr uint8_t kReadFifoClear = 0x40;
constexpr uint8_t kReadFifoBusy = 0xC0;
constexpr uint8_t kReadFifoCount = 0x0F;  // 8 means 8 or more
constexpr uint8_t kReadFifoFull = 8;
constexpr uint8_t kWriteFifoMax = 16;     // bytes per I2C write to the write FIFO
constexpr uint8_t kIspActive = 0x80;      // in REG_ISP_STATE
constexpr uint8_t kLeaveIsp = 0xFF;

struct RegWrite {
    uint8_t reg;
    uint8_t value;
};

// Six one-byte writes, in this order, put the chip in programming mode.
constexpr std::array<RegWrite, 6> kUnlockSequence{{
    {0xF0, 0x5A}, {0xF1, 0xA5}, {0xF3, 0x3C}, {0xF4, 0xC3}, {0xF5, 0x69}, {0xF6, 0x96},
}};

}  // namespace hdmichip
