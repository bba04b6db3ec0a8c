// Automatic mounting: which media are mounted, one short thread per mount and unmount.
#pragma once

#include <cstdint>

// Switches automatic mounting on and hands it the media the callback thread already accepted;
// 0, or -12 when the device list cannot be read.
int32_t dmInitAutomnt(void);
