#include "torqen/torqen_arb.h"

#include <cstddef>

#include "torqen/torqen_layout_priv.h"

namespace {

using torqen::clampTo;
using torqen::kArbEntries;

constexpr int32_t kOne = 32768;    // one input frame in Q15
constexpr uint32_t kFracBits = 7;  // coefficient position below one table entry
constexpr uint32_t kFracMask = (1u << kFracBits) - 1;

struct Narrow {
  using Sample = int16_t;
  using Acc = int32_t;
  static Acc term(int32_t c, Sample s) { return (c * s) >> 8; }
  static Sample scale(Acc acc, int32_t gain) { return clampTo<int16_t>((int64_t{gain} * ((acc + 128) >> 8)) >> 13); }
};

struct Wide {
  using Sample = int32_t;
  using Acc = int64_t;
  static Acc term(int32_t c, Sample s) { return int64_t{c} * s; }
  static Sample scale(Acc acc, int32_t gain) { return clampTo<int32_t>(((acc >> 14) * gain + 32768) >> 15); }
};

// The coefficient `f` 128ths of the way from entry `i` to the next.
int32_t coefficientAt(const int16_t* coef, const int16_t* diff, size_t i, int32_t f) {
  return coef[i] + ((diff[i] * f) >> kFracBits);
}

// One wing for every history channel: `h` is the table position of the first term in 1/128 entries,
// `b` the step per frame, `stride` the distance to the next frame (negative towards the past). The
// interpolated coefficient is shared by the channels. With `WholeSteps` (b a whole number of
// entries, as always when upsampling) the position within an entry stays the same along the wing,
// so only the entry index moves. Marked inline so that both wings expand in place: a call costs more
// than a short wing on the board.
template <typename Kind, uint32_t Channels, bool WholeSteps>
inline void wing(const typename Kind::Sample* s, int32_t stride, uint32_t h, uint32_t b, uint32_t end,
                 const int16_t* coef, const int16_t* diff, typename Kind::Acc* acc) {
  typename Kind::Acc sum[Channels] = {};
  if constexpr (WholeSteps) {
    const int32_t f = static_cast<int32_t>(h & kFracMask);
    for (size_t i = h >> kFracBits; i < end; i += b >> kFracBits, s += stride) {
      const int32_t c = coefficientAt(coef, diff, i, f);
      for (uint32_t ch = 0; ch < Channels; ++ch) {
        sum[ch] += Kind::term(c, s[ch]);
      }
    }
  } else {
    for (; (h >> kFracBits) < end; h += b, s += stride) {
      const int32_t c = coefficientAt(coef, diff, h >> kFracBits, static_cast<int32_t>(h & kFracMask));
      for (uint32_t ch = 0; ch < Channels; ++ch) {
        sum[ch] += Kind::term(c, s[ch]);
      }
    }
  }
  for (uint32_t ch = 0; ch < Channels; ++ch) {
    acc[ch] += sum[ch];
  }
}

template <typename Kind, typename Layout, bool WholeSteps>
uint32_t run(torqen_handle_t* h, typename Kind::Sample* out, uint32_t free_frames, uint32_t offered, uint32_t* used,
             uint32_t out_channels) {
  using Sample = typename Kind::Sample;
  constexpr uint32_t channels = Layout::kChannels;
  constexpr int32_t stride = channels;
  const int16_t* coef = torqen::atOffset<int16_t>(h, h->coef);
  const int16_t* diff = torqen::atOffset<int16_t>(h, h->coef_diff);
  const uint32_t b = h->phases;
  const int32_t step = h->phase_step;
  const int32_t gain = h->gain;
  const uint32_t start = h->hist_center;
  const uint32_t stop = start + offered;
  const Sample* hist = torqen::history<Sample>(h);
  uint32_t x = start;
  int32_t q = static_cast<int32_t>(h->frac >> 10);
  uint32_t written = 0;
  do {
    const uint32_t left = (static_cast<uint32_t>(q) * b) >> 15;
    const uint32_t right = (static_cast<uint32_t>(kOne - q) * b) >> 15;
    const Sample* centre = hist + x * channels;
    typename Kind::Acc acc[channels] = {};
    wing<Kind, channels, WholeSteps>(centre - stride, -stride, left, b, kArbEntries, coef, diff, acc);
    wing<Kind, channels, WholeSteps>(centre, stride, right, b, kArbEntries - 1, coef, diff, acc);
    for (uint32_t ch = 0; ch < channels; ++ch) {
      Layout::put(out, ch, Kind::scale(acc[ch], gain));
    }
    out += out_channels;
    ++written;
    const int32_t t = q + step;
    x += static_cast<uint32_t>(t >> 15);
    q = t & (kOne - 1);
  } while (written < free_frames && x < stop);

  *used = x - start;
  h->frac = static_cast<uint32_t>(q) << 10;
  return written;
}

template <typename Kind>
uint32_t run(torqen_handle_t* h, typename Kind::Sample* out, uint32_t free_frames, uint32_t* avail,
             uint32_t in_channels, uint32_t out_channels) {
  return torqen::dispatchKernel(avail, free_frames, in_channels, out_channels, [&](auto layout, uint32_t offered) {
    using Layout = decltype(layout);
    return (h->phases & kFracMask) == 0 ? run<Kind, Layout, true>(h, out, free_frames, offered, avail, out_channels)
                                        : run<Kind, Layout, false>(h, out, free_frames, offered, avail, out_channels);
  });
}

}  // namespace

extern "C" uint32_t arbTorqen(torqen_handle_t* h, int16_t* out, uint32_t free_frames, uint32_t* avail,
                              uint32_t in_channels, uint32_t out_channels) {
  return run<Narrow>(h, out, free_frames, avail, in_channels, out_channels);
}

extern "C" uint32_t arbTorqen_32bit(torqen_handle_t* h, int32_t* out, uint32_t free_frames, uint32_t* avail,
                                    uint32_t in_channels, uint32_t out_channels) {
  return run<Wide>(h, out, free_frames, avail, in_channels, out_channels);
}
