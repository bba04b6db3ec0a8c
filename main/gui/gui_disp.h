// The front display driver "/dev/led_display": owns the device's descriptor and offers the frame
// write and the four value requests. Failures are invisible to callers: without a device every
// call does nothing.
#pragma once

#include "platform/sbdev/led_display_ioctl.h"

#include <array>
#include <cstdint>

// One frame: five character cells, left to right; a NUL cell is dark.
using GuiDispFrame = std::array<uint8_t, LED_DISPLAY_FRAME_SIZE>;

void guiDispInit(void);
void guiDispExit(void);
void guiDispDevOpen(void);
void guiDispDevClose(void);
// Issues `request` with the value itself as its argument (the low byte of each level reaches the
// device).
void guiDispDevIoctl(uint32_t request, uint8_t param);
void guiDispIoctlDimmer(uint32_t level);
void guiDispIoctlEnable(uint32_t en);
void guiDispIoctlTest(uint32_t opt);
void guiDispIoctlBreath(uint32_t level);
// Writes exactly five bytes.
void guiDispWrite(GuiDispFrame frame);
// Writes five spaces.
void guiDispClear(void);
