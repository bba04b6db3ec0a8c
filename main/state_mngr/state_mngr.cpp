#include "main/state_mngr/state_mngr.h"

#include "main/cli/dbg_level.h"

#include <atomic>

namespace {

struct SmState {
    std::atomic<uint16_t> ui2DbgLevel{511};  // set from the console thread, read by every caller
};

SmState gSm;

}  // namespace

uint32_t smGetDbgLevel(void)
{
    return gSm.ui2DbgLevel.load(std::memory_order_relaxed) | DBG_LAYER_APP;
}

void smSetDbgLevel(uint16_t level)
{
    gSm.ui2DbgLevel.store(level, std::memory_order_relaxed);
}
