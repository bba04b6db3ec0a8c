#include "main/timerd/gui_log.h"

namespace {

// Errors only until the GUI manager starts and opens every level.
DbgModule gGuiDbg("<GUI>", "gui_manager.cpp", DBG_LAYER_APP, DBG_LEVEL_ERROR);

}  // namespace

uint16_t guiManagerGetDbgLevel(void)
{
    return gGuiDbg.level();
}

void guiManagerSetDbgLevel(uint16_t level)
{
    gGuiDbg.setLevel(level);
}
