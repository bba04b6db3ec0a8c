// Requests of the front display driver "/dev/led_display": plain small numbers whose argument is
// the 8-bit value itself. A write of 5 bytes is one frame, one byte per character cell.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t LED_DISPLAY_DIMMER = 6;  // level 0..5
constexpr uint32_t LED_DISPLAY_ENABLE = 7;  // 1 on, 0 off
constexpr uint32_t LED_DISPLAY_TEST = 8;    // test pattern 0..4
constexpr uint32_t LED_DISPLAY_BREATH = 9;  // breath level

constexpr size_t LED_DISPLAY_FRAME_SIZE = 5;
