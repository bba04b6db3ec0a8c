// The hotplug side's module record without its start, for the module's tests and itself.
#pragma once

#include <cstdint>

// Creates gDmhDev and its locks once; 0, -6 or -12.
int32_t dmhCreateRoot(void);

// Test support: unlinks and frees every record and every registration.
void dmhClearLists(void);
