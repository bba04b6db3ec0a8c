// The timerd application: the first row of corvand's application table. It owns the timer
// service (os_timer.h), starting it on its first start, and the console table "timerd" ("td").
#pragma once

#include "main/am/amb/amb.h"

#include <cstdint>

// Fills the registration record ("timerd"); does nothing once the application is started.
void a_timerd_register(amb_register_info_t* info);

// Attaches the console table "timerd" to the "app" directory.
int32_t timerd_cli_attach_cmd_tbl(void);

// The level with the application-layer bit.
uint16_t timerd_get_dbg_level(void);
void timerd_set_dbg_level(uint16_t level);
