// I2C devices through the i2c-dev I2C_RDWR call: one layer for 8-bit and one for 16-bit register
// addresses. Each transfer is tried up to five times, 100 ms apart. The layers take no locks: a
// caller sharing a handle between threads serialises its transfers itself.
#pragma once

#include <cstdint>

struct GuiWrapperI2cHandle {
    int32_t fd;
    uint16_t size;   // size of the register space; bounds reads of the 8-bit layer
    uint16_t slave;  // 7-bit address
};
static_assert(sizeof(GuiWrapperI2cHandle) == 8, "the handle is two words");

// Hands `dev` to "system", opens it and sets the bus timeout and retries; null on failure.
GuiWrapperI2cHandle* guiWrapperI2cOpen(const char* dev, uint8_t slave, uint16_t size);
// One write of reg then `len` data bytes; 1 ok, 0 failed.
int32_t guiWrapperI2cWrite(GuiWrapperI2cHandle* handle, uint8_t reg, const uint8_t* data, uint16_t len);
// Writes reg, then reads `len` bytes (cut at the end of the register space); 1 ok, 0 failed. A
// register at or past the end of the space fails without a transfer.
int32_t guiWrapperI2cRead(GuiWrapperI2cHandle* handle, uint8_t reg, uint8_t* buf, uint16_t len);
void guiWrapperI2cClose(GuiWrapperI2cHandle* handle);

// 16-bit register addresses.
GuiWrapperI2cHandle* guiWrapperI2cExtOpen(const char* dev, uint8_t slave, uint16_t size);
// Register high byte, low byte, then the data.
int32_t guiWrapperI2cExtWrite(GuiWrapperI2cHandle* handle, uint16_t reg, const uint8_t* data, uint16_t len);
// Register low byte, high byte, then a read of `len` bytes (not cut).
int32_t guiWrapperI2cExtRead(GuiWrapperI2cHandle* handle, uint16_t reg, uint8_t* buf, uint16_t len);
void guiWrapperI2cExtClose(GuiWrapperI2cHandle* handle);
