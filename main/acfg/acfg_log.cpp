#include "main/acfg/acfg_log_priv.h"

#include "main/acfg/acfg_accessor.h"

#include <atomic>

namespace {

struct LogState {
    DbgModule dbg{"<ACFG>", "acfg", DBG_LAYER_APP, 0x107};
    DbgModule accessorDbg{"<SM>", "state_mngr", DBG_LAYER_APP, 511};
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

uint16_t acfgAccessorGetDbgLevel(void)
{
    return gLog.accessorDbg.level();
}

void acfgAccessorSetDbgLevel(uint16_t level)
{
    gLog.accessorDbg.setLevel(level);
}
