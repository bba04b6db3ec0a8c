#include "torqen_arb.h"

#include "torqen_layout.h"

namespace {

using torqen::clampTo;
using torqen::kArbEntries;

constexpr int32_t kOne = 32768;  // one input frame in Q15
constexpr uint32_t kFracBits = 7;  // coefficient position below one table entry

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

// One wing for every history channel: `h` is the table position of the first term in 1/128 entries,
// `b` the step per frame, `stride` the distance to the next frame (negative towards the past). The
// interpolated coefficient is shared by the channels.
template <typename Kind, uint32_t Channels>
void wing(const typename Kind::Sample* s, int32_t stride, uint32_t h, uint32_t b, uint32_t end, const int16_t* coef,
          const int16_t* diff, typename Kind::Acc* acc) {
  typename Kind::Acc a0 = 0;
  typename Kind::Acc a1 = 0;
  for (; (h >> kFracBits) < end; h += b, s += stride) {
    const uint32_t i = h >> kFracBits;
    const int32_t c = coef[i] + ((diff[i] * static_cast<int32_t>(h & 127)) >> kFracBits);
    a0 += Kind::term(c, s[0]);
    if (Channels == 2) {
      a1 += Kind::term(c, s[1]);
    }
  }
  acc[0] += a0;
  acc[1] += a1;
}

template <typename Kind, uint32_t Channels>
uint32_t run(torqen_handle_t* h, typename Kind::Sample* out, uint32_t free_frames, uint32_t offered,
             uint32_t* used, uint32_t out_channels) {
  using Sample = typename Kind::Sample;
  constexpr int32_t stride = Channels;
  const Sample* hist = torqen::history<Sample>(h);
  const int16_t* coef = torqen::atOffset<int16_t>(h, h->coef);
  const int16_t* diff = torqen::atOffset<int16_t>(h, h->coef_diff);
  const uint32_t b = h->phases;
  const int32_t step = h->phase_step;
  const int32_t gain = h->gain;
  const uint32_t start = h->hist_center;
  const uint32_t stop = start + offered;
  uint32_t x = start;
  int32_t q = static_cast<int32_t>(h->frac >> 10);
  uint32_t written = 0;
  do {
    const uint32_t left = (static_cast<uint32_t>(q) * b) >> 15;
    const uint32_t right = (static_cast<uint32_t>(kOne - q) * b) >> 15;
    const Sample* centre = hist + x * Channels;
    typename Kind::Acc acc[2] = {0, 0};
    wing<Kind, Channels>(centre - stride, -stride, left, b, kArbEntries, coef, diff, acc);
    wing<Kind, Channels>(centre, stride, right, b, kArbEntries - 1, coef, diff, acc);
    Sample* frame = out + written * out_channels;
    for (uint32_t ch = 0; ch < Channels; ++ch) {
      torqen::putSample(frame, ch, Channels, out_channels, Kind::scale(acc[ch], gain));
    }
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
  return torqen::dispatchKernel(avail, free_frames, in_channels, out_channels, [&](auto channels, uint32_t offered) {
    return run<Kind, decltype(channels)::value>(h, out, free_frames, offered, avail, out_channels);
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
