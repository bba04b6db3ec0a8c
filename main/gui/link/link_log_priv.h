// Line shape of the module links' log lines: the link's tag, "[function,line]:", the text.
#pragma once

#include "main/cli/dbg_level.h"

namespace gui_link {
// The module links log their errors and their calls.
constexpr uint16_t kLogLevel = DBG_LAYER_APP | DBG_LEVEL_ERROR | DBG_LEVEL_API;
}  // namespace gui_link

#define LINK_LOG_ERR(tag, fmt, ...) \
    dbgPrint(gui_link::kLogLevel, DBG_LEVEL_ERROR, tag "[%s,%d]:" fmt "\n", __func__, __LINE__, ##__VA_ARGS__)
#define LINK_LOG_API(tag, fmt, ...) \
    dbgPrint(gui_link::kLogLevel, DBG_LEVEL_API, tag "[%s,%d]:" fmt "\n", __func__, __LINE__, ##__VA_ARGS__)
