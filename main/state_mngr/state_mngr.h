// State manager: the calls other modules make on it directly, on their own threads.
#pragma once

#include <cstdint>

// The state manager's debug level with the application-layer bit ORed in. The configuration
// store's accessors log under it too, so the state manager's `sdl` switches them on and off.
uint32_t smGetDbgLevel(void);
void smSetDbgLevel(uint16_t level);
