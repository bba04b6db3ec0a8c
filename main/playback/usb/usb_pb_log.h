// Logging of USB playback: its debug level (console `gdl`/`sdl` of "playback_usb"), which gates
// the "<playback_usb>" lines of the application, its playlist and its player client, and the
// trace level that gates the player path's "<PB_USB>" lines.
#pragma once

#include "main/cli/dbg_level.h"

#include <atomic>
#include <cstdint>
#include <cstdio>

// Printed while above 3 and all logging is enabled.
extern std::atomic<uint32_t> gPlaybackUsbTraceLevel;

// The level with the application-layer bit.
uint16_t playbackUsbGetDbgLevel(void);
void playbackUsbSetDbgLevel(uint16_t level);

bool playbackUsbTraceOn(void);

#define USB_PB_ERR(fmt, ...) DBG_ERROR(playbackUsbGetDbgLevel(), "<playback_usb>", fmt, ##__VA_ARGS__)
#define USB_PB_API(fmt, ...) DBG_API(playbackUsbGetDbgLevel(), "<playback_usb>", fmt, ##__VA_ARGS__)
#define USB_PB_INFO(fmt, ...) DBG_INFO(playbackUsbGetDbgLevel(), "<playback_usb>", fmt, ##__VA_ARGS__)
#define USB_PB_TRACE(fmt, ...)                                                          \
    do {                                                                                \
        if (playbackUsbTraceOn())                                                       \
            printf("[%s,%d]:<PB_USB>" fmt "\n\r\n", __func__, __LINE__, ##__VA_ARGS__); \
    } while (0)
