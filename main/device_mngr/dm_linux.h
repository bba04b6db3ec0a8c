// The "dev_mngr" application: the ninth row of corvand's table. Its start brings up the device
// manager core (dm_core.h); its own thread only logs what it receives.
#pragma once

#include "main/am/amb/amb.h"

#include <cstdint>

// Fills the registration record unless the application is already started.
void a_dm_register(amb_register_info_t* info);

// Attaches the console directory "dm" (gdl, sdl, echo) to the "app" group.
int32_t dm_cli_attach_cmd_tbl(void);
