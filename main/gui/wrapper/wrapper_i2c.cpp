#include "main/gui/wrapper/wrapper_i2c.h"

#include "main/gui/wrapper/wrapper_dev_log.h"
#include "platform/quorid/quorid.h"
#include "platform/sbdev/sb_dev.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <memory>
#include <thread>
#include <vector>

#define I2C_ERR(fmt, ...) WRAPPER_LOG_ERR("<I2C>", fmt, ##__VA_ARGS__)

namespace {

constexpr int kAttempts = 5;
constexpr auto kRetryPause = std::chrono::milliseconds(100);

enum class Kind { Write8, Read8, Write16, Read16 };

bool usable(const GuiWrapperI2cHandle* handle)
{
    if (handle == nullptr) {
        I2C_ERR("i2c handle is null");
        return false;
    }
    if (handle->fd < 0) {
        I2C_ERR("i2c dev is no found!");
        return false;
    }
    return true;
}

// One I2C_RDWR transfer of `msgs`, tried up to five times; 1 ok, 0 failed.
int32_t transfer(const GuiWrapperI2cHandle* handle, i2c_msg* msgs, uint32_t count, Kind kind)
{
    i2c_rdwr_ioctl_data data{msgs, count};
    int ret = -1;
    for (int attempt = 1;; ++attempt) {
        ret = sb_dev_ioctl(handle->fd, I2C_RDWR, &data);
        if (ret >= 0) {
            return 1;
        }
        if (attempt == kAttempts) {
            break;
        }
        const int error = errno;
        switch (kind) {
        case Kind::Write8:
        case Kind::Read8:
            I2C_ERR("%s slave_addr=%d fail, try again", std::strerror(error), handle->slave);
            break;
        case Kind::Write16:
            I2C_ERR("%s fail, try again", std::strerror(error));
            break;
        case Kind::Read16:
            I2C_ERR("fail, try again, ret:%d, %s ", ret, std::strerror(error));
            break;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
    I2C_ERR("I2C_RDWR ioctl with error code %d %s", ret, std::strerror(errno));
    return 0;
}

GuiWrapperI2cHandle* openBus(const char* dev, uint8_t slave, uint16_t size)
{
    if (dev == nullptr) {
        I2C_ERR("i2cdevice=(null)");
        return nullptr;
    }
    char cmd[128];
    std::snprintf(cmd, sizeof(cmd), "chown system:system %s", dev);
    quorid_exec(cmd, 0);
    std::snprintf(cmd, sizeof(cmd), "chmod 666 %s", dev);
    quorid_exec(cmd, 0);
    const int fd = sb_dev_open(dev, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        I2C_ERR("i2cdevice=%s", dev);
        return nullptr;
    }
    sb_dev_ioctl(fd, I2C_TIMEOUT, 2);
    sb_dev_ioctl(fd, I2C_RETRIES, 3);
    auto handle = std::make_unique<GuiWrapperI2cHandle>();
    handle->fd = fd;
    handle->size = size;
    handle->slave = slave;
    return handle.release();
}

void closeBus(GuiWrapperI2cHandle* handle)
{
    std::unique_ptr<GuiWrapperI2cHandle> owned(handle);
    if (owned != nullptr && owned->fd > 0) {
        sb_dev_close(owned->fd);
    }
}

int32_t writeRegs(GuiWrapperI2cHandle* handle, const uint8_t* regBytes, size_t regLen, const uint8_t* data,
                  uint16_t len, Kind kind)
{
    if (!usable(handle) || (data == nullptr && len != 0)) {
        return 0;
    }
    // One message carries the register and the data; its length field is 16 bits wide.
    if (regLen + len > UINT16_MAX) {
        I2C_ERR("len %u too long", len);
        return 0;
    }
    std::vector<uint8_t> buf(regBytes, regBytes + regLen);
    if (len != 0) {
        buf.insert(buf.end(), data, data + len);
    }
    i2c_msg msg{handle->slave, 0, static_cast<uint16_t>(buf.size()), buf.data()};
    return transfer(handle, &msg, 1, kind);
}

int32_t readRegs(GuiWrapperI2cHandle* handle, uint8_t* regBytes, uint16_t regLen, uint8_t* buf, uint16_t len, Kind kind)
{
    i2c_msg msgs[2] = {{handle->slave, 0, regLen, regBytes}, {handle->slave, I2C_M_RD, len, buf}};
    return transfer(handle, msgs, 2, kind);
}

}  // namespace

GuiWrapperI2cHandle* guiWrapperI2cOpen(const char* dev, uint8_t slave, uint16_t size)
{
    return openBus(dev, slave, size);
}

int32_t guiWrapperI2cWrite(GuiWrapperI2cHandle* handle, uint8_t reg, const uint8_t* data, uint16_t len)
{
    return writeRegs(handle, &reg, 1, data, len, Kind::Write8);
}

int32_t guiWrapperI2cRead(GuiWrapperI2cHandle* handle, uint8_t reg, uint8_t* buf, uint16_t len)
{
    if (!usable(handle) || buf == nullptr) {
        return 0;
    }
    // A register outside the space has nothing to read; a read running past its end is cut.
    if (reg >= handle->size) {
        I2C_ERR("reg 0x%x out of range, size %d", reg, handle->size);
        return 0;
    }
    if (static_cast<uint32_t>(reg) + len > handle->size) {
        len = static_cast<uint16_t>(handle->size - reg);
    }
    return readRegs(handle, &reg, 1, buf, len, Kind::Read8);
}

void guiWrapperI2cClose(GuiWrapperI2cHandle* handle)
{
    closeBus(handle);
}

GuiWrapperI2cHandle* guiWrapperI2cExtOpen(const char* dev, uint8_t slave, uint16_t size)
{
    return openBus(dev, slave, size);
}

int32_t guiWrapperI2cExtWrite(GuiWrapperI2cHandle* handle, uint16_t reg, const uint8_t* data, uint16_t len)
{
    const uint8_t regBytes[2] = {static_cast<uint8_t>(reg >> 8), static_cast<uint8_t>(reg & 0xFF)};
    return writeRegs(handle, regBytes, 2, data, len, Kind::Write16);
}

int32_t guiWrapperI2cExtRead(GuiWrapperI2cHandle* handle, uint16_t reg, uint8_t* buf, uint16_t len)
{
    if (!usable(handle) || buf == nullptr) {
        return 0;
    }
    uint8_t regBytes[2] = {static_cast<uint8_t>(reg & 0xFF), static_cast<uint8_t>(reg >> 8)};
    return readRegs(handle, regBytes, 2, buf, len, Kind::Read16);
}

void guiWrapperI2cExtClose(GuiWrapperI2cHandle* handle)
{
    closeBus(handle);
}
