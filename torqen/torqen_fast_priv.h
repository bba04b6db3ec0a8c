// What the table kernel keeps beside the history: its coefficients regrouped by phase, so that a
// vectorised kernel reads each wing's taps as one contiguous row. Internal to the library.
#pragma once

#include "torqen/torqen.h"

namespace torqen {

// Lays out the rows for the table path the handle is set up for, in the part of the work memory
// that only the arbitrary-ratio path uses; marks them absent when they do not fit or the handle is
// not on the table path.
void buildPhaseRows(torqen_handle_t* h);

}  // namespace torqen
