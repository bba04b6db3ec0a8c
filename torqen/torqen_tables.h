// The built-in low-pass wings of the table-driven path: one wing of a symmetric Kaiser-windowed sinc
// (cut-off at 0.977 of the lower Nyquist frequency, beta 8, 17 input frames each side) in Q15,
// stored from the far tail up to the centre tap, T points per input frame over 18 frames.
// The definitions are generated at build time by tablegen/torqen_tablegen.cpp.
#pragma once

#include <stdint.h>

#include "torqen/torqen.h"

#ifdef __cplusplus
extern "C" {
#endif

TORQEN_EXPORT extern const int16_t SRCTable1[433];    // T 24
TORQEN_EXPORT extern const int16_t SRCTable2[7939];   // T 441
TORQEN_EXPORT extern const int16_t SRCTable3[23041];  // T 1280

#ifdef __cplusplus
}
#endif
