// Line shape of the device wrappers' and links' log lines: the tag, "[function,line]:", the text.
#pragma once

#include "main/cli/dbg_level.h"

namespace wrapper_dev {
// The device wrappers and links log their errors and their calls.
constexpr uint16_t kLogLevel = DBG_LAYER_APP | DBG_LEVEL_ERROR | DBG_LEVEL_API;
}  // namespace wrapper_dev

#define WRAPPER_LOG_ERR(tag, fmt, ...) \
    dbgPrint(wrapper_dev::kLogLevel, DBG_LEVEL_ERROR, tag "[%s,%d]:" fmt "\n", __func__, __LINE__, ##__VA_ARGS__)
#define WRAPPER_LOG_API(tag, fmt, ...) \
    dbgPrint(wrapper_dev::kLogLevel, DBG_LEVEL_API, tag "[%s,%d]:" fmt "\n", __func__, __LINE__, ##__VA_ARGS__)
