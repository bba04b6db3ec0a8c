// Line shape of the device wrappers' log lines: "[function,line]:<WRAPPER>" then the text.
#pragma once

#include "main/cli/dbg_level.h"

#define WRAPPER_LOG(fmt, ...)                                                                                     \
    dbgPrint(DBG_LAYER_APP | DBG_LEVEL_ALL, DBG_LEVEL_ERROR, "[%s,%d]:<WRAPPER>" fmt "\n", __func__, __LINE__, \
             ##__VA_ARGS__)
