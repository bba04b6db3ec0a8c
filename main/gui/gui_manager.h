// The GUI manager "gui_namager": the application that owns everything the user sees and changes.
// Other modules post GUI events to it and read or set the GUI system state through its message
// interface (main/gui/msg/gui_msg.h); everything else of it runs on its own thread.
#pragma once

#include "main/am/amb/amb.h"
#include "main/gui/msg/gui_msg.h"
#include "main/timerd/gui_log.h"

#include <cstdint>

// Fills the registration record of "gui_namager"; changes nothing once the manager is started.
void a_gui_manager_register(amb_register_info_t* info);

// The application's three functions, run on its thread by the framework.
int32_t guiManagerAppInit(const char* name, handle_t app);
int32_t guiManagerAppExit(handle_t app, uint32_t exitCode);
int32_t guiManagerAppProcessMsg(handle_t app, uint32_t msgType, const void* data, uint32_t size);
