// Line shape of the GUI's error lines: "[function,line]:<GUI>" then the text.
#pragma once

#include "main/cli/dbg_level.h"

#define GUI_LOG_ERR(fmt, ...) \
    dbgPrint(DBG_LAYER_APP | DBG_LEVEL_ERROR, DBG_LEVEL_ERROR, "[%s,%d]:<GUI>" fmt "\n\r\n", __func__, __LINE__, ##__VA_ARGS__)
