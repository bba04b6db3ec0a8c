// The GUI manager's routing between its application file and its event switches.
#pragma once

#include "main/gui/gui_manager.h"

#include <cstdint>

// Opens (1) or closes (0) every allow window together.
void guiManagerAllowWindowsSet(uint8_t open);
// The allow filter with its state side effects: 1 drops the user event.
int32_t guiManagerAppUsrEvtCusProcess(const GuiMsg* msg);
// The user-event and system-event switches.
void guiManagerAppUsrEvtProcess(const GuiMsg* msg);
void guiManagerAppSysEvtProcess(const GuiMsg* msg);
