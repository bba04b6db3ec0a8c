// libtorqen32: interleaved PCM sample-rate conversion for one or two channels.
//
// The caller owns every byte: Torqen_GetBufferSize says how much work memory a converter needs,
// Torqen_Open lays the converter out in it, and freeing it is all there is to closing. The library
// never allocates and keeps no global state, so converters are independent of each other.
#pragma once

#include <stdint.h>

#if defined(__GNUC__)
#define TORQEN_EXPORT __attribute__((visibility("default")))
#else
#define TORQEN_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Sample formats: 0 16-bit in and out; 1 16-bit in, 32-bit out; 2 24-bit samples in the low bits of
// 32-bit words in, 32-bit out; 3 32-bit in and out. Samples are interleaved by frame.
typedef struct torqen_param_t {
  uint32_t in_rate;
  uint32_t in_channels;
  uint32_t out_rate;
  uint32_t out_channels;
  uint32_t format;
} torqen_param_t;

// The converter's record at the start of its work memory. Fields that locate memory are byte offsets
// from the record itself, so the layout and the memory sizes are the same with 4- and 8-byte
// pointers. `coef` is such an offset on the arbitrary-ratio path; on the table path it names a
// built-in table in its high half and the first entry used in its low half.
typedef struct torqen_handle_t {
  uint32_t in_rate;
  uint32_t out_rate;
  uint32_t in_channels;
  uint32_t out_channels;
  uint32_t format;
  uint32_t history;
  uint32_t hist_fill;
  uint32_t hist_center;
  uint32_t hist_keep;
  int32_t gain;
  uint32_t coef;
  uint32_t phases;
  uint32_t taps;
  int32_t phase_step;
  uint32_t advance;
  uint32_t phase;
  uint32_t coef_area;
  uint32_t arbitrary;
  uint32_t coef_diff;
  uint32_t ratio;
  uint32_t frac;
  uint32_t ratio_target;
  int32_t ramp_step;
  uint32_t ramp_active;
  uint32_t passthrough;
  uint32_t ramp_left;
  // Non-zero while leading silence is owed; one more than the frames of it already written.
  uint32_t zero_pending;
} torqen_handle_t;

TORQEN_EXPORT const char* Torqen_GetVersion(void);
TORQEN_EXPORT int Torqen_GetBufferSize(uint32_t* work_size, uint32_t* temp_size, const torqen_param_t* param);
TORQEN_EXPORT int Torqen_Open(torqen_handle_t** handle, void* work, const torqen_param_t* param, uint32_t reserved);
TORQEN_EXPORT int Torqen_SetSamplingRate(torqen_handle_t* handle, uint32_t in_rate);
TORQEN_EXPORT int Torqen_Reset(torqen_handle_t* handle);
// Returns the input bytes consumed; *in_bytes is left holding the bytes not consumed (a trailing
// part-frame included) and *out_bytes the bytes written.
TORQEN_EXPORT int Torqen_Process(torqen_handle_t* handle, void* temp, const void* in, uint32_t* in_bytes, void* out,
                                 uint32_t* out_bytes);
TORQEN_EXPORT void Torqen_SetZeroPending(torqen_handle_t* handle);

#ifdef __cplusplus
}
#endif
