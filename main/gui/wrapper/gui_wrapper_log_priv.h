// Line shape of the wrapper layer's log lines: "[function,line]:<GUI>" then the text, under the
// GUI's level.
#pragma once

#include "main/cli/dbg_level.h"
#include "main/gui/gui_manager.h"

#define GUI_WRAPPER_LOG_(kind, fmt, ...) \
    dbgPrint(guiManagerGetDbgLevel(), (kind), "[%s,%d]:<GUI>" fmt "\n\r\n", __func__, __LINE__, ##__VA_ARGS__)
#define GUI_LOG_ERR(fmt, ...) GUI_WRAPPER_LOG_(DBG_LEVEL_ERROR, fmt, ##__VA_ARGS__)
#define GUI_LOG_INFO(fmt, ...) GUI_WRAPPER_LOG_(DBG_LEVEL_INFO, fmt, ##__VA_ARGS__)
