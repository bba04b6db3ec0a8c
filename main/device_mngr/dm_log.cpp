#include "main/device_mngr/dm_log.h"

#include <atomic>

namespace {

// Set from the console thread and the start function, read by every logging thread.
std::atomic<uint16_t> gDmLevel{DM_DBG_LEVEL_START};

}  // namespace

uint16_t dmGetDbgLevel(void)
{
    return static_cast<uint16_t>(gDmLevel.load(std::memory_order_relaxed) | DBG_LAYER_APP);
}

void dmSetDbgLevel(uint16_t level)
{
    gDmLevel.store(level, std::memory_order_relaxed);
}
