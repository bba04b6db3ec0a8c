// The UART wrapper: a serial port in raw 8N1 at a speed from a 13-entry table, read and written
// without waiting (a read returns at once with what is there).
#pragma once

#include <cstdint>
#include <sys/types.h>

struct GuiWrapperUartHandle {
    int32_t fd;
    uint32_t baudIndex;
};

constexpr uint32_t GUI_WRAPPER_UART_BAUD_NUM = 13;

// Hands the port to "system", opens it and sets it up; null for a baud index outside the table
// (nothing is touched then) or when the port cannot be opened.
GuiWrapperUartHandle* guiWrapperUartOpen(const char* path, uint32_t baudIndex);
// Raw 8N1 at the table's speed, VMIN 0, VTIME 0; the result of applying the attributes, -1 for a
// baud index outside the table.
int32_t guiWrapperUartAttrSet(int32_t fd, uint32_t baudIndex);
// One write or read; -1 for a null argument or zero length.
ssize_t guiWrapperUartWrite(const GuiWrapperUartHandle* handle, const void* buf, uint32_t len);
ssize_t guiWrapperUartRead(const GuiWrapperUartHandle* handle, void* buf, uint32_t len);
// 0, or -1 for null.
int32_t guiWrapperUartClose(GuiWrapperUartHandle* handle);
