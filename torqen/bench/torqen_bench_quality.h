// What a converter does to the signal, measured the same way for every converter: the gain and
// leakage over a sweep of tones, THD+N, the droop at the top of the audio band, the alias of a
// tone above the output's Nyquist frequency and the latency.
#pragma once

#include <vector>

#include "torqen/bench/torqen_bench_peers.h"

namespace torqen_bench {

struct ResponsePoint {
  double freq;
  double gain_db;     // of the tone itself; NaN above the output's Nyquist frequency
  double leakage_db;  // everything else: aliases, images, distortion
};

struct Quality {
  double ripple_db;
  double edge;  // -3 dB point as a fraction of the lower Nyquist frequency
  double rejection_db;
  double thdn16_db;     // 1 kHz
  double thdn32_db;     // 1 kHz
  double thdn18k_db;    // 18 kHz, 16-bit; NaN where the tone does not pass
  double droop18k_db;   // gain at 18 kHz against 1 kHz; NaN where the tone does not pass
  double alias_freq;    // a tone just above the output's Nyquist frequency; NaN when upsampling
  double alias_db;      // what it leaves in the output, against the tone
  double latency;       // output frames
};

// The sweep goes to `points` (for the plot).
Quality measureQuality(const ConverterKind& k, const RatePair& r, std::vector<ResponsePoint>* points);

// Rejection below which a converter's filter is lighter than libtorqen32's, and above which it is
// heavier.
constexpr double kLighterBelowDb = 60;
constexpr double kHeavierAboveDb = 105;
const char* classOf(const Quality& q);

}  // namespace torqen_bench
