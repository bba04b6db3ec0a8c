#include "torqen/torqen_setup.h"

#include <algorithm>

#include "torqen/torqen_fast_priv.h"
#include "torqen/torqen_layout_priv.h"
#include "torqen/torqen_tables.h"

extern "C" const uint32_t AdjustGain = 16008;

namespace {

using torqen::kArbEntries;

constexpr uint32_t kMinRate = 50;
constexpr uint32_t kWingFrames = 18;
constexpr uint32_t kUpTaps = 17;
// The arbitrary path reads every fifth entry of the finest table: 256 per input frame.
constexpr uint32_t kArbTableStride = 5;
constexpr uint32_t kArbTableFirst = 23040;

struct TableChoice {
  uint32_t table;   // 1..3, 0 when no table serves the pair
  uint32_t factor;  // phases per input frame of the table over the reduced denominator
  uint32_t denom;   // D, the reduced larger rate
  uint32_t numer;   // N, the reduced smaller rate
};

// Stein's binary greatest common divisor.
uint32_t binaryGcd(uint32_t a, uint32_t b) {
  if (a == 0 || b == 0) {
    return a | b;
  }
  uint32_t shift = 0;
  while (((a | b) & 1) == 0) {
    a >>= 1;
    b >>= 1;
    ++shift;
  }
  while ((a & 1) == 0) {
    a >>= 1;
  }
  while (b != 0) {
    while ((b & 1) == 0) {
      b >>= 1;
    }
    if (a > b) {
      std::swap(a, b);
    }
    b = (b - a) >> 1;
  }
  return a << shift;
}

TableChoice chooseTable(uint32_t a, uint32_t b) {
  const uint32_t g = binaryGcd(a, b);
  if (g == 0) {
    return {};
  }
  const uint32_t d = std::max(a, b) / g;
  const uint32_t n = std::min(a, b) / g;
  switch (d) {
    case 2:
    case 3:
    case 4:
    case 6:
    case 8:
      return {1, 24 / d, d, n};
    case 147:
    case 441:
      return {2, 441 / d, d, n};
    case 160:
    case 320:
    case 640:
    case 1280:
      return {3, 1280 / d, d, n};
    default:
      return {};
  }
}

const int16_t* tableData(uint32_t table) {
  switch (table) {
    case 1:
      return SRCTable1;
    case 2:
      return SRCTable2;
    default:
      return SRCTable3;
  }
}

// The table path names its first coefficient by table and entry, which fits 32 bits on any host.
uint32_t tableReference(uint32_t table, uint32_t entry) {
  return (table << 16) | entry;
}

uint32_t ceilDiv(uint32_t a, uint32_t b) {
  return (a + b - 1) / b;
}

int32_t downGain(uint32_t in_rate, uint32_t out_rate) {
  const uint64_t in = in_rate;
  return static_cast<int32_t>((in + 2 * uint64_t{AdjustGain} * out_rate) / (2 * in));
}

uint32_t arbStep(uint32_t in_rate, uint32_t out_rate) {
  return static_cast<uint32_t>(((uint64_t{in_rate} << 16) + out_rate) / (2 * uint64_t{out_rate}));
}

uint32_t arbKeep(uint32_t step) {
  return static_cast<uint32_t>((uint64_t{std::max(step, 32768u)} * 70) >> 16) + 2;
}

uint32_t tableDownTaps(const TableChoice& c) {
  return ceilDiv(17 * c.denom, c.numer);
}

void placeBuffers(torqen_handle_t* h, uint32_t in_channels, uint32_t out_channels) {
  h->history = sizeof(torqen_handle_t);
  // The coefficient tables begin one channel's history after `coef_area`, right after the history.
  const uint32_t channel_history = torqen::kHistoryFrames * torqen::sampleBytes(h->format);
  h->coef_area = h->history + (torqen::bothStereo(in_channels, out_channels) ? channel_history : 0);
}

void resetHistory(torqen_handle_t* h, uint32_t frames) {
  std::memset(torqen::history<unsigned char>(h), 0,
              frames * torqen::historyChannels(h) * torqen::sampleBytes(h->format));
  h->hist_fill = h->hist_keep;
  h->hist_center = h->hist_keep;
}

}  // namespace

extern "C" int CheckTableRelation(uint32_t rate_a, uint32_t rate_b) {
  return chooseTable(rate_a, rate_b).table != 0 ? 1 : 0;
}

extern "C" void fastTorqInit_32BIT(torqen_handle_t* h, uint32_t in_rate, uint32_t out_rate, uint32_t in_channels,
                                   uint32_t out_channels) {
  placeBuffers(h, in_channels, out_channels);
  fastTorqReInit_32BIT(h, in_rate, out_rate);
  fastTorqReset_32BIT(h);
}

extern "C" void fastTorqReInit_32BIT(torqen_handle_t* h, uint32_t in_rate, uint32_t out_rate) {
  h->arbitrary = 0;
  const TableChoice c = chooseTable(in_rate, out_rate);
  if (in_rate == out_rate || c.table == 0) {
    h->coef = 0;
    h->phases = 0;
    h->taps = 0;
    h->phase_step = 0;
    h->advance = 0;
    h->hist_keep = 0;
    h->gain = 0;
    torqen::buildPhaseRows(h);
    return;
  }
  const uint32_t t = c.denom * c.factor;
  if (in_rate < out_rate) {
    h->advance = 0;
    h->phase_step = -static_cast<int32_t>(c.numer * c.factor);
    h->phases = t;
    h->coef = tableReference(c.table, t);
    h->taps = kUpTaps;
    h->hist_keep = kUpTaps + 1;
    h->gain = static_cast<int32_t>(AdjustGain);
    torqen::buildPhaseRows(h);
    return;
  }
  const uint32_t taps = tableDownTaps(c);
  const uint32_t q = c.denom / c.numer;
  h->phases = c.numer * c.factor;
  h->taps = taps;
  h->hist_keep = taps + 1;
  h->coef = tableReference(c.table, c.factor * (kWingFrames * c.denom - taps * c.numer));
  h->advance = q;
  h->phase_step = static_cast<int32_t>(c.factor * (q * c.numer)) - static_cast<int32_t>(c.factor * c.denom);
  h->gain = downGain(in_rate, out_rate);
  torqen::buildPhaseRows(h);
}

extern "C" void fastTorqReset_32BIT(torqen_handle_t* h) {
  resetHistory(h, torqen::kClearedFrames);
  h->phase = 0;
}

extern "C" void arbTorqInit_32BIT(torqen_handle_t* h, uint32_t in_rate, uint32_t /*out_rate*/, uint32_t in_channels,
                                  uint32_t out_channels) {
  placeBuffers(h, in_channels, out_channels);
  arbTorqReInit_32BIT(h, in_rate);
  arbTorqReset_32BIT(h);
}

extern "C" void arbTorqReInit_32BIT(torqen_handle_t* h, uint32_t in_rate) {
  const uint32_t out_rate = h->out_rate;
  h->gain = out_rate >= in_rate ? static_cast<int32_t>(AdjustGain) : downGain(in_rate, out_rate);

  h->coef = h->coef_area + torqen::kHistoryFrames * torqen::sampleBytes(h->format);
  h->coef_diff = h->coef + kArbEntries * sizeof(int16_t);
  int16_t* coef = torqen::atOffset<int16_t>(h, h->coef);
  int16_t* diff = torqen::atOffset<int16_t>(h, h->coef_diff);
  for (uint32_t j = 0; j < kArbEntries; ++j) {
    coef[j] = SRCTable3[kArbTableFirst - kArbTableStride * j];
  }
  for (uint32_t j = 0; j + 1 < kArbEntries; ++j) {
    diff[j] = static_cast<int16_t>(coef[j + 1] - coef[j]);
  }
  diff[kArbEntries - 1] = coef[kArbEntries - 1];

  const uint32_t step = arbStep(in_rate, out_rate);
  h->phase_step = static_cast<int32_t>(step);
  h->ratio_target = step << 10;
  const uint64_t low = std::min(in_rate, out_rate);
  h->phases = static_cast<uint32_t>(((low << 16) + in_rate) / (2 * uint64_t{in_rate}));
  h->arbitrary = 1;
  h->hist_keep = arbKeep(step);
}

extern "C" void arbTorqReset_32BIT(torqen_handle_t* h) {
  resetHistory(h, torqen::kHistoryFrames);
  h->frac = 0;
}

namespace torqen {

uint32_t keepFramesFor(uint32_t in_rate, uint32_t out_rate) {
  if (in_rate == out_rate) {
    return 0;
  }
  const TableChoice c = chooseTable(in_rate, out_rate);
  if (c.table == 0) {
    return arbKeep(arbStep(in_rate, out_rate));
  }
  return in_rate < out_rate ? kUpTaps + 1 : tableDownTaps(c) + 1;
}

bool pairServable(uint32_t in_rate, uint32_t out_rate) {
  return in_rate >= kMinRate && out_rate >= kMinRate && keepFramesFor(in_rate, out_rate) <= kMaxKeep;
}

uint32_t q25Ratio(uint32_t in_rate, uint32_t out_rate) {
  return static_cast<uint32_t>(((int64_t{in_rate} << 26) + out_rate) / (2 * int64_t{out_rate}));
}

const int16_t* activeCoefficients(const torqen_handle_t* h) {
  if (h->arbitrary != 0) {
    return atOffset<int16_t>(h, h->coef);
  }
  return tableData(h->coef >> 16) + (h->coef & 0xFFFF);
}

}  // namespace torqen
