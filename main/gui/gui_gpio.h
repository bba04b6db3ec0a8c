// GPIO lines set from user space.
#pragma once

#include <cstdint>

// Configures line `gpio` as an output (`out` 1) or input and, as an output, drives it high or low.
int32_t uiGpioConfig(uint16_t gpio, uint8_t out, uint8_t high);
