// Table-driven polyphase kernel: a symmetric FIR over the history with a fixed number of phases, so
// every output uses precomputed coefficients. `fastTorqen` serves format 0, `fastTorqen_32BIT` the
// 32-bit internal samples of formats 1 to 3.
//
// Kernel calling convention (shared by every kernel): `avail` holds on entry the centres the history
// offers after `hist_center` and on return the centres used; the result is the frames written.
#pragma once

#include <stdint.h>

#include "torqen/torqen.h"

#ifdef __cplusplus
extern "C" {
#endif

TORQEN_EXPORT uint32_t fastTorqen(torqen_handle_t* h, int16_t* out, uint32_t free_frames, uint32_t* avail,
                                  uint32_t in_channels, uint32_t out_channels);
TORQEN_EXPORT uint32_t fastTorqen_32BIT(torqen_handle_t* h, int32_t* out, uint32_t free_frames, uint32_t* avail,
                                        uint32_t in_channels, uint32_t out_channels);

#ifdef __cplusplus
}
#endif
