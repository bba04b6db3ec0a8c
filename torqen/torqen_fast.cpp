#include "torqen/torqen_fast.h"

#include <algorithm>
#include <cstddef>

#include "torqen/torqen_fast_priv.h"
#include "torqen/torqen_layout_priv.h"
#include "torqen/torqen_setup.h"
#include "torqen/torqen_simd_priv.h"
#include "torqen/torqen_variant_priv.h"

namespace {

using torqen::clampTo;
using torqen::kRowAlign;

// 16-bit history: each tap pair is summed in 32 bits and scaled down by 2^8 before accumulating.
struct Narrow {
  using Sample = int16_t;
  using Acc = int32_t;
  static void tap(Acc& acc, Sample past, int32_t hl, Sample future, int32_t hr) {
    acc += (past * hl + future * hr) >> 8;
  }
  // (((acc x gain) >> 16) + 16) >> 5 as one rounding shift: the first shift drops only bits that the
  // second drops as well. The result fits 32 bits.
  static Sample scale(Acc acc, int32_t gain) {
    const int32_t y = static_cast<int32_t>((int64_t{acc} * static_cast<int16_t>(gain) + (1 << 20)) >> 21);
    return static_cast<Sample>(std::clamp(y, -32768, 32767));
  }
};

struct Wide {
  using Sample = int32_t;
  using Acc = int64_t;
  // Both products go straight into the accumulator: 64 bits cannot overflow here, so the sum is the
  // same as adding their total, and 32-bit targets get one multiply-accumulate per product.
  static void tap(Acc& acc, Sample past, int32_t hl, Sample future, int32_t hr) {
    acc += int64_t{past} * hl;
    acc += int64_t{future} * hr;
  }
  static Sample scale(Acc acc, int32_t gain) { return clampTo<int32_t>(((acc >> 14) * gain + 16384) >> 15); }
};

// One output frame of every history channel. `past` is the oldest frame of the left wing and
// `future` the newest of the right wing; both wings step through the coefficients `phases` apart,
// the right wing's `right` entries after the left wing's, and the channels share each coefficient.
template <typename Kind, uint32_t Channels>
void filterFrame(const typename Kind::Sample* past, const typename Kind::Sample* future, uint32_t taps,
                 const int16_t* left, int32_t right, int32_t phases, typename Kind::Acc* sum) {
  for (uint32_t ch = 0; ch < Channels; ++ch) {
    sum[ch] = 0;
  }
  const auto tap = [&] {
    const int32_t hl = left[0];
    const int32_t hr = left[right];
    for (uint32_t ch = 0; ch < Channels; ++ch) {
      Kind::tap(sum[ch], past[ch], hl, future[ch], hr);
    }
    past += Channels;
    future -= Channels;
    left += phases;
  };
  // Two taps per pass halve the loop's own work; an odd count starts with a single tap, so the
  // taps keep their order. The wings meet at the centre, which ends the loop.
  if (taps % 2 != 0) {
    tap();
  }
  while (past < future) {
    tap();
    tap();
  }
}

template <typename Kind, typename Layout>
uint32_t run(torqen_handle_t* h, typename Kind::Sample* out, uint32_t free_frames, uint32_t offered,
             uint32_t* used_centres, uint32_t out_channels) {
  using Sample = typename Kind::Sample;
  constexpr uint32_t channels = Layout::kChannels;
  const int16_t* coef = torqen::activeCoefficients(h);
  const int32_t phases = static_cast<int32_t>(h->phases);
  const uint32_t taps = h->taps;
  const int32_t step = h->phase_step;
  const uint32_t advance = h->advance * channels;
  const int32_t gain = h->gain;
  // The frame loop follows the oldest frame of the left wing; the centres used follow from it at the end.
  const Sample* const first_centre = torqen::history<Sample>(h) + h->hist_center * channels;
  const Sample* const first_past = first_centre - taps * channels;
  const Sample* const stop = first_past + offered * channels;
  // Signed, so that a filter without taps leaves the wings crossed and adds nothing.
  const ptrdiff_t span = (2 * static_cast<ptrdiff_t>(taps) - 1) * static_cast<ptrdiff_t>(channels);
  const Sample* past = first_past;
  int32_t p = static_cast<int32_t>(h->phase);
  uint32_t written = 0;
  do {
    typename Kind::Acc acc[channels];
    filterFrame<Kind, channels>(past, past + span, taps, coef + p, phases - 2 * p, phases, acc);
    for (uint32_t ch = 0; ch < channels; ++ch) {
      Layout::put(out, ch, Kind::scale(acc[ch], gain));
    }
    out += out_channels;
    ++written;
    p += step;
    past += advance;
    if (p < 0) {
      p += phases;
      past += channels;
    }
  } while (written < free_frames && past < stop);

  *used_centres = static_cast<uint32_t>(past - first_past) / channels;
  h->phase = static_cast<uint32_t>(p);
  h->frac = static_cast<uint32_t>((uint64_t{h->ratio} * written + h->frac) & torqen::kQ25Mask);
  return written;
}

template <typename Kind>
uint32_t run(torqen_handle_t* h, typename Kind::Sample* out, uint32_t free_frames, uint32_t* avail,
             uint32_t in_channels, uint32_t out_channels) {
  return torqen::dispatchKernel(avail, free_frames, in_channels, out_channels, [&](auto layout, uint32_t offered) {
    return run<Kind, decltype(layout)>(h, out, free_frames, offered, avail, out_channels);
  });
}

// The rows: row r holds the taps of phase r x grid, coef[r x grid + k x phases] for k < taps and
// zero up to the padded width. Phases move in steps of the grid, so a stream that starts on it stays
// on it; the right wing of phase p is the row of phase `phases` - p.
struct RowsHeader {
  uint32_t coef;
  uint32_t phases;
  uint32_t taps;
  int32_t phase_step;
  uint32_t grid;
  uint32_t count;
  uint32_t width;
  uint32_t reserved;
};
constexpr uint32_t kRowsHeaderBytes = sizeof(RowsHeader);
static_assert(kRowsHeaderBytes % 16 == 0, "rows follow the header on a 16-byte boundary");

// After the frames the table path clears, so that a reset leaves the rows in place.
uint32_t rowsOffset(const torqen_handle_t* h) {
  const uint32_t cleared =
      h->history + torqen::kClearedFrames * torqen::historyChannels(h) * torqen::sampleBytes(h->format);
  return (cleared + 15) & ~15u;
}

uint32_t padded(uint32_t taps) {
  return (taps + kRowAlign - 1) / kRowAlign * kRowAlign;
}
constexpr uint32_t kMaxWidth = torqen::kMaxRowWidth;
static_assert(torqen::kMaxKeep <= kMaxWidth, "every servable filter fits a row");

uint32_t gcd(uint32_t a, uint32_t b) {
  while (b != 0) {
    const uint32_t t = a % b;
    a = b;
    b = t;
  }
  return a;
}

// The rows when they match the handle's table, else null.
const int16_t* phaseRows(const torqen_handle_t* h, RowsHeader* out) {
  std::memcpy(out, torqen::atOffset<unsigned char>(h, rowsOffset(h)), sizeof(*out));
  if (h->arbitrary != 0 || out->width == 0 || out->coef != h->coef || out->phases != h->phases ||
      out->taps != h->taps || out->phase_step != h->phase_step) {
    return nullptr;
  }
  return torqen::atOffset<int16_t>(h, rowsOffset(h) + kRowsHeaderBytes);
}

// The table kernel with the vectorised sums of `runs`; everything else as in the scalar kernel.
template <typename Sample, typename Layout>
uint32_t runVector(torqen_handle_t* h, Sample* out, uint32_t free_frames, uint32_t offered, uint32_t* used_centres,
                   uint32_t out_channels, const torqen::TableRuns<Sample>& runs) {
  constexpr uint32_t channels = Layout::kChannels;
  const uint32_t taps = h->taps;
  const Sample* const first_past = torqen::history<Sample>(h) + (h->hist_center - taps) * channels;
  RowsHeader rows_header{};
  const int16_t* rows = phaseRows(h, &rows_header);
  torqen::TableJob<Sample> job{};
  job.past = first_past;
  job.stop = first_past + offered * channels;
  job.span = (2 * taps - 1) * channels;
  job.coef = torqen::activeCoefficients(h);
  job.rows = rows;
  job.grid = rows_header.grid;
  job.taps = taps;
  job.width = padded(taps);
  job.phases = static_cast<int32_t>(h->phases);
  job.phase_step = h->phase_step;
  job.advance = h->advance * channels;
  job.gain = h->gain;
  job.out = out;
  job.out_channels = out_channels;
  job.free_frames = free_frames;
  job.phase = static_cast<int32_t>(h->phase);
  if (channels == 2) {
    runs.stereo(&job);
  } else {
    (out_channels == 2 ? runs.mono_to_both : runs.mono)(&job);
  }
  *used_centres = static_cast<uint32_t>(job.past - first_past) / channels;
  h->phase = static_cast<uint32_t>(job.phase);
  h->frac = static_cast<uint32_t>((uint64_t{h->ratio} * job.written + h->frac) & torqen::kQ25Mask);
  return job.written;
}

// The vectorised kernels of the variant the converter chose, when its filter suits them: the
// padded taps must stay inside the wings.
const torqen::VariantRuns* variantRuns(const torqen_handle_t* h) {
  if (h->taps < kRowAlign || h->taps > kMaxWidth || h->phases == 0) {
    return nullptr;
  }
  switch (torqen::variantOf(h)) {
#if defined(__x86_64__)
    case torqen::Variant::kSse2:
      return &torqen::kSse2Runs;
    case torqen::Variant::kAvx2:
      return &torqen::kAvx2Runs;
#elif defined(__arm__)
    case torqen::Variant::kNeon:
      return &torqen::kNeonRuns;
#endif
    default:
      return nullptr;
  }
}

template <typename Kind>
uint32_t runVariant(torqen_handle_t* h, typename Kind::Sample* out, uint32_t free_frames, uint32_t* avail,
                    uint32_t in_channels, uint32_t out_channels,
                    torqen::TableRuns<typename Kind::Sample> torqen::VariantRuns::*width) {
  const torqen::VariantRuns* runs = variantRuns(h);
  if (runs == nullptr || (runs->*width).stereo == nullptr) {
    return run<Kind>(h, out, free_frames, avail, in_channels, out_channels);
  }
  return torqen::dispatchKernel(avail, free_frames, in_channels, out_channels, [&](auto layout, uint32_t offered) {
    return runVector<typename Kind::Sample, decltype(layout)>(h, out, free_frames, offered, avail, out_channels,
                                                              runs->*width);
  });
}

}  // namespace

namespace torqen {

void buildPhaseRows(torqen_handle_t* h) {
  RowsHeader header{};
  const uint32_t phases = h->phases;
  const uint32_t taps = h->taps;
  if (h->arbitrary == 0 && phases != 0 && taps != 0 && taps <= kMaxWidth) {
    const uint32_t step = static_cast<uint32_t>(h->phase_step < 0 ? -h->phase_step : h->phase_step);
    const uint32_t grid = gcd(phases, step);
    const uint32_t count = phases / grid + 1;
    const uint32_t width = padded(taps);
    const uint32_t first = rowsOffset(h) + kRowsHeaderBytes;
    if (first + count * width * sizeof(int16_t) <= variantOffset(h)) {
      const int16_t* coef = activeCoefficients(h);
      int16_t* row = atOffset<int16_t>(h, first);
      for (uint32_t r = 0; r < count; ++r, row += width) {
        gatherTaps(coef, static_cast<int32_t>(r * grid), static_cast<int32_t>(phases), taps, width, row);
      }
      header = RowsHeader{h->coef, phases, taps, h->phase_step, grid, count, width, 0};
    }
  }
  std::memcpy(atOffset<unsigned char>(h, rowsOffset(h)), &header, sizeof(header));
}

}  // namespace torqen

extern "C" uint32_t fastTorqen(torqen_handle_t* h, int16_t* out, uint32_t free_frames, uint32_t* avail,
                               uint32_t in_channels, uint32_t out_channels) {
  return runVariant<Narrow>(h, out, free_frames, avail, in_channels, out_channels, &torqen::VariantRuns::narrow);
}

extern "C" uint32_t fastTorqen_32BIT(torqen_handle_t* h, int32_t* out, uint32_t free_frames, uint32_t* avail,
                                     uint32_t in_channels, uint32_t out_channels) {
  return runVariant<Wide>(h, out, free_frames, avail, in_channels, out_channels, &torqen::VariantRuns::wide);
}
