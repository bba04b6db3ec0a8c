// Kernels for rate changes and equal rates. While a rate ramp runs, `interpTorqen` resamples by linear
// interpolation between neighbouring history frames as the step glides towards its target, then
// leaves the table or arbitrary kernel its phase. `CopyTorqen` passes frames through unchanged. The
// `_32bit` twins serve formats 1 to 3. Calling convention as for the table kernel (torqen_fast.h).
#pragma once

#include <stdint.h>

#include "torqen/torqen.h"

#ifdef __cplusplus
extern "C" {
#endif

TORQEN_EXPORT uint32_t interpTorqen(torqen_handle_t* h, int16_t* out, uint32_t free_frames, uint32_t* avail,
                                    uint32_t in_channels, uint32_t out_channels);
TORQEN_EXPORT uint32_t interpTorqen_32bit(torqen_handle_t* h, int32_t* out, uint32_t free_frames, uint32_t* avail,
                                          uint32_t in_channels, uint32_t out_channels);
TORQEN_EXPORT uint32_t CopyTorqen(torqen_handle_t* h, int16_t* out, uint32_t free_frames, uint32_t* avail,
                                  uint32_t in_channels, uint32_t out_channels);
TORQEN_EXPORT uint32_t CopyTorqen_32bit(torqen_handle_t* h, int32_t* out, uint32_t free_frames, uint32_t* avail,
                                        uint32_t in_channels, uint32_t out_channels);

#ifdef __cplusplus
}
#endif
