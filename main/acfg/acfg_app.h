// The application "acfg" that starts and stops the configuration store (acfg.h): it fills the
// item table, builds and loads the cache, validates the loaded values and answers its private
// messages.
#pragma once

#include "main/am/amb/amb.h"

#include <cstdint>

// Fills the registration record of "acfg" (only while the store is not initialised).
void a_acfg_register(amb_register_info_t* info);

// Has the acfg thread store now; the send result.
int32_t acfgFlush(void);
