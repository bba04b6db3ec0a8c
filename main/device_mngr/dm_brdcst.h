// The device manager's broadcasts to every application: one u32 of payload.
#pragma once

#include <cstdint>

// Broadcasts `msgId` with `value` (4 bytes); with `wait` the caller blocks until the application
// manager has taken it. The broadcast's result.
int32_t dmBroadcastWord(uint32_t msgId, uint32_t value, uint8_t wait);
