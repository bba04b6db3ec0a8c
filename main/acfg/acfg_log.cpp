#include "main/acfg/acfg_log_priv.h"

#include <atomic>

namespace {

struct LogState {
    std::atomic<uint16_t> ui2DbgLevel{0x107};
};

LogState gLog;

}  // namespace

uint16_t acfgGetDbgLevel(void)
{
    return gLog.ui2DbgLevel.load(std::memory_order_relaxed) | DBG_LAYER_APP;
}

void acfgSetDbgLevel(uint16_t level)
{
    gLog.ui2DbgLevel.store(level, std::memory_order_relaxed);
}
