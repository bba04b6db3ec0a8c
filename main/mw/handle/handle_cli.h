// Handlers of the console table "handle" (help "HANDLE module commands"): "stats" ("s",
// "Returns handle statistics.") and "info" ("i", "Returns the info of an individual handle").
#pragma once

#include <cstdint>

// Attach and detach the table in the "mw" directory; -14 when the console refuses.
int32_t handleRegCli();
int32_t handleUnregCli();

int handleCliStats(int argc, char** argv);
// argv[1]: the handle, in any base ("0x10100", "65792", "0200400").
int handleCliInfo(int argc, char** argv);
