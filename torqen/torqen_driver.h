// Conversion drivers: move input frames into the converter's history (mixing or widening them on the
// way), run the kernel the converter's state selects, keep the history compact, insert requested
// leading silence and end rate ramps. `fastTorqConvert` serves format 0, `fastTorqConvert_32bit`
// formats 1 to 3. Each returns the input bytes consumed and leaves in *in_bytes the bytes it did not
// consume and in *out_bytes the bytes it wrote.
#pragma once

#include <stdint.h>

#include "torqen/torqen.h"

#ifdef __cplusplus
extern "C" {
#endif

TORQEN_EXPORT uint32_t fastTorqConvert(torqen_handle_t* h, const void* in, uint32_t* in_bytes, void* out,
                                       uint32_t* out_bytes);
TORQEN_EXPORT uint32_t fastTorqConvert_32bit(torqen_handle_t* h, const void* in, uint32_t* in_bytes, void* out,
                                             uint32_t* out_bytes);

#ifdef __cplusplus
}
#endif
