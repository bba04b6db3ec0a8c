// The chips on the simulated I2C buses: the interface every chip model implements, and the chip
// models that live in files of their own.
#pragma once

#include "platform/sbsim/sim_board_priv.h"

namespace sbsim {

// A chip answering 8-bit register addresses: a write sets the register pointer and stores what
// follows, a read returns bytes from the pointer on.
class I2cChip {
public:
    virtual ~I2cChip() = default;
    virtual void write(const Bytes& data) = 0;
    virtual Bytes read(size_t len) = 0;
    virtual uint8_t get(uint8_t page, uint8_t reg) const = 0;
    virtual void set(uint8_t page, uint8_t reg, uint8_t value) = 0;
    virtual const char* kind() const = 0;
    // A transfer the chip does not acknowledge (a fault a test armed).
    virtual bool refuses(bool /*isRead*/) const { return false; }
};

// The HDMI chip's programming side (bus 2, address 0x5C).
std::unique_ptr<I2cChip> makeHdmiChip();

}  // namespace sbsim
