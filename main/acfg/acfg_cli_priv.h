// The configuration store's console table "acfg" in the "app" directory.
#pragma once

#include <cstdint>

// Attach and detach the table; the console's result.
int32_t acfgAttachCmdTbl(void);
int32_t acfgDetachCmdTbl(void);
