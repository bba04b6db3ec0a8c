#include "main/acfg/acfg_log_priv.h"

#include <atomic>

namespace {

struct LogState {
    DbgModule dbg{"<ACFG>", "acfg", DBG_LAYER_APP, 0x107};
};

LogState gLog;

}  // namespace

uint16_t acfgGetDbgLevel(void)
{
    return gLog.dbg.level();
}

void acfgSetDbgLevel(uint16_t level)
{
    gLog.dbg.setLevel(level);
}
