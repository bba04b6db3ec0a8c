// Multichannel conversion: N interleaved channels through N/2 stereo converters side by side
// (channels 1-2, 3-4, ...) and, for odd N, one mono converter for the last channel. All converters
// share the rates and the format, so they consume and produce the same frames. At most 16 channels.
#pragma once

#include <stdint.h>

#include "torqen/torqen.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TORQEN_MULTI_MAX_INSTANCES 8

// The record at the start of the work memory; the converters' work areas follow it in slot order.
// `instance` holds their offsets from the record, so the layout is the same with any pointer size.
typedef struct torqen_multi_handle_t {
  uint32_t channels;
  uint32_t out_channels;
  uint32_t format;
  uint32_t instance[TORQEN_MULTI_MAX_INSTANCES];
} torqen_multi_handle_t;

TORQEN_EXPORT int Torqen_MultiChannel_GetBufferSize(uint32_t* work_size, uint32_t* temp_size,
                                                    const torqen_param_t* param);
TORQEN_EXPORT int Torqen_MultiChannel_Open(torqen_multi_handle_t** handle, void* work, const torqen_param_t* param);
TORQEN_EXPORT int Torqen_MultiChannel_Reset(torqen_multi_handle_t* handle);
// Returns the input bytes consumed, or -1 for a null handle or temporary memory; *in_bytes is left
// holding the bytes not consumed and *out_bytes the bytes written.
TORQEN_EXPORT int Torqen_MultiChannel_Process(torqen_multi_handle_t* handle, void* temp, const void* in,
                                              uint32_t* in_bytes, void* out, uint32_t* out_bytes);
TORQEN_EXPORT int Torqen_MultiChannel_SetSamplingRate(torqen_multi_handle_t* handle, uint32_t in_rate);
TORQEN_EXPORT void Torqen_MultiChannel_SetZeroPending(torqen_multi_handle_t* handle);

#ifdef __cplusplus
}
#endif
