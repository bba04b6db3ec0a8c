// GPIO lines through the kernel's sysfs GPIO interface ("/sys/class/gpio"). Every node the
// program writes is first handed to the user "system", since the program does not run as root.
#pragma once

#include <cstdint>

// An open line: the GPIO number it was exported with.
struct GuiWrapperGpio {
    uint32_t gpio;
};
using GuiWrapperGpioHandle = GuiWrapperGpio*;

struct GuiWrapperGpioSetting {
    uint32_t dir;    // 0 output, 1 input
    uint32_t value;  // output: level 0, 1 or 2; input: pull 0 down, 1 up, 2 floating; read level
};

// Exports the line and hands its nodes to "system"; null when the export fails.
GuiWrapperGpioHandle guiWrapperGpioOpen(uint32_t gpio);
// Sets direction, then the output level or the input pull; 0, or the failed step's code.
int32_t guiWrapperGpioSet(const GuiWrapperGpioHandle handle, const GuiWrapperGpioSetting* s);
// Reads an input's level into `value` and returns it; -1 for a bad argument, -2 when unreadable.
int32_t guiWrapperGpioGet(const GuiWrapperGpioHandle handle, GuiWrapperGpioSetting* s);
// Unexports the line and frees the handle; -1 for a null handle.
int32_t guiWrapperGpioClose(GuiWrapperGpioHandle handle);

// The steps, each 0 on success.
int32_t guiWrapperGpioChmod(const char* path);
int32_t guiWrapperGpioRequest(uint32_t gpio);
int32_t guiWrapperGpioRelease(uint32_t gpio);
int32_t guiWrapperGpioDirSet(uint32_t gpio, uint32_t dir);
int32_t guiWrapperGpioOutLvlSet(uint32_t gpio, uint32_t level);
int32_t guiWrapperGpioInLvlSet(uint32_t gpio, uint32_t pull);
// The line's level, -1 when the node does not open, -2 when it cannot be read.
int32_t guiWrapperGpioInLvlGet(uint32_t gpio);
int32_t guiWrapperGpioInEdgeSet(uint32_t gpio, uint32_t edge);
