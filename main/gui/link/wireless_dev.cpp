#include "main/gui/link/wireless_dev.h"

#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/link/wireless_drv.h"
#include "main/gui/link/wrapper_uart.h"
#include "main/gui/wrapper/wrapper_i2c.h"

#include <mutex>

#define WIRELESS_LOG(fmt, ...) WRAPPER_LOG_ERR("<WIRELESS>", fmt, ##__VA_ARGS__)
#define UART_LOG(fmt, ...) WRAPPER_LOG_ERR("<UART>", fmt, ##__VA_ARGS__)

namespace {

constexpr const char* kAts2853Dev = "/dev/ttyS2";
constexpr uint32_t kAts2853BaudIndex = 9;  // 230400
constexpr const char* kWavrelDev = "/dev/i2c-3";
constexpr uint8_t kWavrelSlave = 0x63;
constexpr uint16_t kWavrelSize = 256;

// Open and close run on the start-up thread while the slot's threads and any sender use the
// handle, so a close never frees it under a transfer.
struct {
    std::mutex lock;
    GuiWrapperUartHandle* uart = nullptr;
} gGuiWirelessAts2853ThisObj;

struct {
    std::mutex lock;
    GuiWrapperI2cHandle* i2c = nullptr;
} gGuiWirelessWavrelThisObj;

}  // namespace

void guiWrapperWirelessATS2853Init(void)
{
    const GuiWirelessDevOps ops{guiWrapperWirelessATS2853Open, guiWrapperWirelessATS2853Close,
                                guiWrapperWirelessATS2853Read, guiWrapperWirelessATS2853Write};
    guiWrapperWirelessDrvRegister(WIRELESS_DEV_E_ATS2853, &ops);
}

void guiWrapperWirelessATS2853Exit(void)
{
    guiWrapperWirelessDrvUnRegister(WIRELESS_DEV_E_ATS2853);
}

int32_t guiWrapperWirelessATS2853Open(void)
{
    GuiWrapperUartHandle* handle = guiWrapperUartOpen(kAts2853Dev, kAts2853BaudIndex);
    if (handle == nullptr) {
        WIRELESS_LOG("open dev failed!");
        return -1;
    }
    std::lock_guard<std::mutex> guard(gGuiWirelessAts2853ThisObj.lock);
    if (gGuiWirelessAts2853ThisObj.uart != nullptr) {
        guiWrapperUartClose(gGuiWirelessAts2853ThisObj.uart);
    }
    gGuiWirelessAts2853ThisObj.uart = handle;
    WIRELESS_LOG("open dev success!");
    return 0;
}

int32_t guiWrapperWirelessATS2853Close(void)
{
    std::lock_guard<std::mutex> guard(gGuiWirelessAts2853ThisObj.lock);
    const int32_t ret = guiWrapperUartClose(gGuiWirelessAts2853ThisObj.uart);
    gGuiWirelessAts2853ThisObj.uart = nullptr;
    if (ret != 0) {
        WIRELESS_LOG("close dev failed!");
        return -1;
    }
    return 0;
}

int32_t guiWrapperWirelessATS2853Read(uint16_t, uint8_t* buf, uint32_t len)
{
    if (buf == nullptr || len == 0) {
        UART_LOG("Param Error!");
        return -1;
    }
    std::lock_guard<std::mutex> guard(gGuiWirelessAts2853ThisObj.lock);
    if (gGuiWirelessAts2853ThisObj.uart == nullptr) {
        // The failed open was logged once; the receive thread polls every millisecond.
        return -1;
    }
    return static_cast<int32_t>(guiWrapperUartRead(gGuiWirelessAts2853ThisObj.uart, buf, len));
}

int32_t guiWrapperWirelessATS2853Write(uint16_t, const uint8_t* buf, uint32_t len)
{
    if (buf == nullptr || len == 0) {
        UART_LOG("Param Error!");
        return -1;
    }
    std::lock_guard<std::mutex> guard(gGuiWirelessAts2853ThisObj.lock);
    return static_cast<int32_t>(guiWrapperUartWrite(gGuiWirelessAts2853ThisObj.uart, buf, len));
}

void guiWrapperWirelessWavrelInit(void)
{
    const GuiWirelessDevOps ops{guiWrapperWirelessWavrelOpen, guiWrapperWirelessWavrelClose,
                                guiWrapperWirelessWavrelRead, guiWrapperWirelessWavrelWrite};
    guiWrapperWirelessDrvRegister(WIRELESS_DEV_E_WAVREL, &ops);
}

void guiWrapperWirelessWavrelExit(void)
{
    guiWrapperWirelessDrvUnRegister(WIRELESS_DEV_E_WAVREL);
}

int32_t guiWrapperWirelessWavrelOpen(void)
{
    GuiWrapperI2cHandle* handle = guiWrapperI2cExtOpen(kWavrelDev, kWavrelSlave, kWavrelSize);
    if (handle == nullptr) {
        WIRELESS_LOG("open dev failed!");
        return -1;
    }
    std::lock_guard<std::mutex> guard(gGuiWirelessWavrelThisObj.lock);
    if (gGuiWirelessWavrelThisObj.i2c != nullptr) {
        guiWrapperI2cExtClose(gGuiWirelessWavrelThisObj.i2c);
    }
    gGuiWirelessWavrelThisObj.i2c = handle;
    WIRELESS_LOG("open dev success!");
    return 0;
}

int32_t guiWrapperWirelessWavrelClose(void)
{
    std::lock_guard<std::mutex> guard(gGuiWirelessWavrelThisObj.lock);
    if (gGuiWirelessWavrelThisObj.i2c != nullptr) {
        guiWrapperI2cExtClose(gGuiWirelessWavrelThisObj.i2c);
        gGuiWirelessWavrelThisObj.i2c = nullptr;
    }
    return 0;
}

int32_t guiWrapperWirelessWavrelRead(uint16_t reg, uint8_t* buf, uint32_t len)
{
    if (buf == nullptr || len == 0 || len > UINT16_MAX) {
        WIRELESS_LOG("Param Error!");
        return -1;
    }
    std::lock_guard<std::mutex> guard(gGuiWirelessWavrelThisObj.lock);
    const int32_t ret = guiWrapperI2cExtRead(gGuiWirelessWavrelThisObj.i2c, reg, buf, static_cast<uint16_t>(len));
    if (ret == 0) {
        WIRELESS_LOG("I2C_read reg:0x%x failed!", reg);
    }
    return ret;
}

int32_t guiWrapperWirelessWavrelWrite(uint16_t reg, const uint8_t* buf, uint32_t len)
{
    if (buf == nullptr || len == 0 || len > UINT16_MAX) {
        WIRELESS_LOG("Param Error!");
        return -1;
    }
    std::lock_guard<std::mutex> guard(gGuiWirelessWavrelThisObj.lock);
    const int32_t ret = guiWrapperI2cExtWrite(gGuiWirelessWavrelThisObj.i2c, reg, buf, static_cast<uint16_t>(len));
    if (ret == 0) {
        WIRELESS_LOG("I2C_write reg:0x%x failed!", reg);
    }
    return ret;
}
