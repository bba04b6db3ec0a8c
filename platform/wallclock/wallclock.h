// The board's wall clock: the local time of day, for the parts of the system that act only at
// certain hours. On a development host a test or a person sets the time of day by writing "HH:MM"
// (or "HH:MM:SS") to WALLCLOCK_OVERRIDE_PATH under the root; without that file it is the host's own
// local time.
#pragma once

#include <ctime>

#define WALLCLOCK_OVERRIDE_PATH "/sim/wallclock"

// Fills `out` with the local time.
// @return 0 on success; -1 for a null `out`, a clock that cannot be read or an override that is
//         not a valid time of day.
int sbWallClockLocal(struct tm* out);
