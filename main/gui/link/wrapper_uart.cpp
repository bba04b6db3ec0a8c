#include "main/gui/link/wrapper_uart.h"

#include "main/gui/wrapper/wrapper_dev_log.h"
#include "platform/quorid/quorid.h"
#include "platform/sbdev/sb_dev.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <new>
#include <termios.h>

#define UART_LOG(fmt, ...) WRAPPER_LOG_ERR("<UART>", fmt, ##__VA_ARGS__)

namespace {

// There is no 38400 entry; index 1 is 134 baud.
constexpr std::array<speed_t, GUI_WRAPPER_UART_BAUD_NUM> kBaudTable = {
    B110, B134, B1200, B2400, B4800, B9600, B19200, B57600, B115200, B230400, B460800, B921600, B3000000,
};

void shellCommand(const char* format, const char* path)
{
    char cmd[64];
    snprintf(cmd, sizeof(cmd), format, path);
    quorid_exec(cmd, 0);
}

}  // namespace

GuiWrapperUartHandle* guiWrapperUartOpen(const char* path, uint32_t baudIndex)
{
    if (baudIndex >= GUI_WRAPPER_UART_BAUD_NUM) {
        UART_LOG("baud=%d error!", static_cast<int>(baudIndex));
        return nullptr;
    }
    if (path == nullptr) {
        UART_LOG("Param Error!");
        return nullptr;
    }
    shellCommand("chown system:system %s", path);
    shellCommand("chmod 666 %s", path);
    const int fd = sb_dev_open(path, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        UART_LOG("path=%s", path);
        return nullptr;
    }
    guiWrapperUartAttrSet(fd, baudIndex);
    auto* handle = new (std::nothrow) GuiWrapperUartHandle{fd, baudIndex};
    if (handle == nullptr) {
        sb_dev_close(fd);
    }
    return handle;
}

int32_t guiWrapperUartAttrSet(int32_t fd, uint32_t baudIndex)
{
    if (baudIndex >= GUI_WRAPPER_UART_BAUD_NUM) {
        UART_LOG("baud=%d error!", static_cast<int>(baudIndex));
        return -1;
    }
    termios old{};
    tcgetattr(fd, &old);
    tcflush(fd, TCIOFLUSH);
    // Raw: no input, output or local processing; 8 data bits, no parity, one stop bit.
    termios attr{};
    attr.c_cflag = kBaudTable[baudIndex] | CLOCAL | CREAD | CS8;
    cfsetispeed(&attr, kBaudTable[baudIndex]);
    cfsetospeed(&attr, kBaudTable[baudIndex]);
    attr.c_cc[VMIN] = 0;
    attr.c_cc[VTIME] = 0;
    if (fcntl(fd, F_SETFL, 0) < 0) {
        UART_LOG("fcntl F_SETFL failed");
    }
    tcflush(fd, TCIOFLUSH);
    const int ret = tcsetattr(fd, TCSANOW, &attr);
    if (ret == 0) {
        tcflush(fd, TCIOFLUSH);
    } else {
        UART_LOG("Serial config failed, errno: %d", errno);
    }
    return ret;
}

ssize_t guiWrapperUartWrite(const GuiWrapperUartHandle* handle, const void* buf, uint32_t len)
{
    if (handle == nullptr || buf == nullptr || len == 0) {
        UART_LOG("Param Error!");
        return -1;
    }
    return sb_dev_write(handle->fd, buf, len);
}

ssize_t guiWrapperUartRead(const GuiWrapperUartHandle* handle, void* buf, uint32_t len)
{
    if (handle == nullptr || buf == nullptr || len == 0) {
        UART_LOG("Param Error!");
        return -1;
    }
    return sb_dev_read(handle->fd, buf, len);
}

int32_t guiWrapperUartClose(GuiWrapperUartHandle* handle)
{
    if (handle == nullptr) {
        UART_LOG("Param Error!");
        return -1;
    }
    sb_dev_close(handle->fd);
    std::unique_ptr<GuiWrapperUartHandle> owned(handle);
    return 0;
}
