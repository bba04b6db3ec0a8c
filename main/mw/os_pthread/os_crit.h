// The process-wide critical section: one recursive lock for short sections (the handle pool,
// module flags). Nothing may wait while holding it.
#pragma once

#include <cstdint>

// Enters the section (recursively for its owner) and returns the new nesting depth, 1 and up.
uint32_t uCritStart(void);

// Leaves one level. `depth` must be what the matching uCritStart returned: ending out of order,
// or from a thread that does not own the section, ends the process.
void uCritEnd(uint32_t depth);
