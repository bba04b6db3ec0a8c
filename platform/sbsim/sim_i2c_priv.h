// What an I2C chip model offers the I2C buses: each transfer message in turn, and the registers
// that `i2c set` and `i2c get` reach.
#pragma once

#include "platform/sbsim/sim_board_priv.h"

#include <cstdint>

namespace sbsim {

class I2cChip {
public:
    virtual ~I2cChip() = default;
    // One write message as it came on the bus (register bytes first).
    virtual void write(const Bytes& data) = 0;
    // One read message of `len` bytes.
    virtual Bytes read(size_t len) = 0;
    virtual uint8_t get(uint8_t page, uint8_t reg) const = 0;
    virtual void set(uint8_t page, uint8_t reg, uint8_t value) = 0;
    virtual const char* kind() const = 0;
};

}  // namespace sbsim
