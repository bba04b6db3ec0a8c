// Rate-pair analysis and the set-up of the two filter paths: the table-driven polyphase path for
// pairs whose reduced ratio a built-in table serves, the arbitrary-ratio path for every other pair.
#pragma once

#include <stdint.h>

#include "torqen/torqen.h"

#ifdef __cplusplus
extern "C" {
#endif

// Output gain of both paths when upsampling, Q14 against the kernels' output scaling.
TORQEN_EXPORT extern const uint32_t AdjustGain;

// 1 when a built-in table serves the pair, else 0.
TORQEN_EXPORT int CheckTableRelation(uint32_t rate_a, uint32_t rate_b);

TORQEN_EXPORT void fastTorqInit_32BIT(torqen_handle_t* h, uint32_t in_rate, uint32_t out_rate, uint32_t in_channels,
                                      uint32_t out_channels);
TORQEN_EXPORT void fastTorqReInit_32BIT(torqen_handle_t* h, uint32_t in_rate, uint32_t out_rate);
TORQEN_EXPORT void fastTorqReset_32BIT(torqen_handle_t* h);

TORQEN_EXPORT void arbTorqInit_32BIT(torqen_handle_t* h, uint32_t in_rate, uint32_t out_rate, uint32_t in_channels,
                                     uint32_t out_channels);
TORQEN_EXPORT void arbTorqReInit_32BIT(torqen_handle_t* h, uint32_t in_rate);
TORQEN_EXPORT void arbTorqReset_32BIT(torqen_handle_t* h);

#ifdef __cplusplus
}

namespace torqen {

// The `hist_keep` the pair's filter path would set (0 for equal rates).
uint32_t keepFramesFor(uint32_t in_rate, uint32_t out_rate);
// Rates of at least 50 Hz whose filter fits the history; the 50-times range is checked by the callers.
bool pairServable(uint32_t in_rate, uint32_t out_rate);
// Round(in x 2^25 / out).
uint32_t q25Ratio(uint32_t in_rate, uint32_t out_rate);
// The first coefficient the active kernel uses.
const int16_t* activeCoefficients(const torqen_handle_t* h);

}  // namespace torqen
#endif
