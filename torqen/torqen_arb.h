// Arbitrary-ratio kernel: a two-wing FIR whose coefficients follow the exact fractional input
// position, read from the table that the arbitrary set-up builds with linear interpolation between
// neighbouring entries. `arbTorqen` serves format 0, `arbTorqen_32bit` formats 1 to 3. Calling
// convention as for the table kernel (torqen_fast.h).
#pragma once

#include <stdint.h>

#include "torqen/torqen.h"

#ifdef __cplusplus
extern "C" {
#endif

TORQEN_EXPORT uint32_t arbTorqen(torqen_handle_t* h, int16_t* out, uint32_t free_frames, uint32_t* avail,
                                 uint32_t in_channels, uint32_t out_channels);
TORQEN_EXPORT uint32_t arbTorqen_32bit(torqen_handle_t* h, int32_t* out, uint32_t free_frames, uint32_t* avail,
                                       uint32_t in_channels, uint32_t out_channels);

#ifdef __cplusplus
}
#endif
