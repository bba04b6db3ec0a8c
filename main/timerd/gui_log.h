// The GUI's log: one level shared by the GUI manager, its widgets, the wrapper layer and the GUI
// timers, and the line shape "[function,line]:<GUI>" then the text. The GUI manager's console
// commands `gdl` and `sdl` read and set the level.
#pragma once

#include "main/cli/dbg_level.h"

#include <cstdint>

// The GUI's debug level; the getter adds the application-layer bit.
uint16_t guiManagerGetDbgLevel(void);
void guiManagerSetDbgLevel(uint16_t level);

#define GUI_LOG_(kind, fmt, ...) \
    dbgPrint(guiManagerGetDbgLevel(), (kind), "[%s,%d]:<GUI>" fmt "\n\r\n", __func__, __LINE__, ##__VA_ARGS__)
#define GUI_LOG_ERR(fmt, ...) GUI_LOG_(DBG_LEVEL_ERROR, fmt, ##__VA_ARGS__)
#define GUI_LOG_API(fmt, ...) GUI_LOG_(DBG_LEVEL_API, fmt, ##__VA_ARGS__)
#define GUI_LOG_INFO(fmt, ...) GUI_LOG_(DBG_LEVEL_INFO, fmt, ##__VA_ARGS__)
