// The vectorised table kernels, one build per instruction set, each in its own source file
// compiled for its instruction set. Those files include nothing of the library but this header,
// and everything here has internal linkage, so no function of ours is ever shared between code
// built for different instruction sets.
//
// The frame loop is the scalar kernel's, step for step; only the sum of a frame is vectorised.
// Integer sums do not depend on their order as long as no partial sum overflows, so the output is
// the same to the last bit: with 16-bit samples each tap pair is summed in 32 bits and shifted
// right by 8 before it is added, as the scalar kernel does; with 32-bit samples every product goes
// into a 64-bit sum.
#pragma once

#include <cstddef>
#include <cstdint>

namespace torqen {

// Coefficient rows are padded with zero taps to whole multiples of this many taps.
constexpr uint32_t kRowAlign = 4;
// Wider filters take more than the history could feed.
constexpr uint32_t kMaxRowWidth = 512;
// Rows a variant arranges for a whole run (when the phase never changes) are at most this wide,
// and take at most eight entries a tap.
constexpr uint32_t kMaxArrangedWidth = 128;
constexpr uint32_t kArrangedEntries = 8 * kMaxArrangedWidth;

// One run of the table kernel, in plain data. Samples are 16-bit (format 0) or 32-bit.
template <typename Sample>
struct TableJob {
  const Sample* past;   // the oldest frame of the first output's left wing
  const Sample* stop;   // the loop ends once `past` reaches it
  uint32_t span;        // samples from the oldest frame of the left wing to the newest of the right
  const int16_t* coef;  // the table's coefficients from phase 0
  const int16_t* rows;  // coefficients by phase, `width` taps each, or null
  uint32_t grid;        // phases from one row to the next
  uint32_t taps;
  uint32_t width;
  int32_t phases;
  int32_t phase_step;
  uint32_t advance;  // samples the left wing moves per output beyond the phase's carry
  int32_t gain;
  Sample* out;
  uint32_t out_channels;
  uint32_t free_frames;
  int32_t phase;     // in: the first output's phase; out: the next one's
  uint32_t written;  // out
};

// Runs a job for a stereo history, a mono history to a mono output, or a mono history to both
// channels of a stereo output. Null where a variant leaves the sample width to the scalar kernel.
template <typename Sample>
struct TableRuns {
  void (*stereo)(TableJob<Sample>* job);
  void (*mono)(TableJob<Sample>* job);
  void (*mono_to_both)(TableJob<Sample>* job);
};

struct VariantRuns {
  TableRuns<int16_t> narrow;
  TableRuns<int32_t> wide;
};

#if defined(__x86_64__)
extern const VariantRuns kSse2Runs;
extern const VariantRuns kAvx2Runs;
#elif defined(__arm__)
extern const VariantRuns kNeonRuns;
#endif

namespace {

// The scalar kernels' scaling, 16-bit: (((acc x gain) >> 16) + 16) >> 5 as one rounding shift.
inline int16_t scaleTable(int32_t acc, int32_t gain) {
  const int64_t y = (int64_t{acc} * static_cast<int16_t>(gain) + (1 << 20)) >> 21;
  return static_cast<int16_t>(y < -32768 ? -32768 : (y > 32767 ? 32767 : y));
}

// 32-bit: ((acc >> 14) x gain + 16384) >> 15.
inline int32_t scaleTable(int64_t acc, int32_t gain) {
  const int64_t y = ((acc >> 14) * gain + 16384) >> 15;
  return static_cast<int32_t>(y < INT32_MIN ? INT32_MIN : (y > INT32_MAX ? INT32_MAX : y));
}

// The taps of phase `p` with the stride of the table, padded with zeros.
inline void gatherTaps(const int16_t* coef, int32_t p, int32_t phases, uint32_t taps, uint32_t width, int16_t* row) {
  const int16_t* c = coef + p;
  uint32_t k = 0;
  for (; k < taps; ++k, c += phases) {
    row[k] = *c;
  }
  for (; k < width; ++k) {
    row[k] = 0;
  }
}

// A `Dot` may scale both channels of a 16-bit stereo frame at once with `scaleStereo(sum, gain, out)`;
// it must give what `scaleTable` gives.
template <typename Dot, typename Sample, uint32_t Channels, bool ToBoth, typename Sum>
inline Sample* put(Sample* out, const Sum* sum, int32_t gain, uint32_t out_channels) {
  if constexpr (Channels == 2 && sizeof(Sample) == 2 && Dot::kScalesStereo) {
    Dot::scaleStereo(sum, gain, out);
    return out + out_channels;
  }
  for (uint32_t ch = 0; ch < Channels; ++ch) {
    const Sample y = scaleTable(sum[ch], gain);
    out[ch] = y;
    if (ToBoth) {
      out[1] = y;
    }
  }
  return out + out_channels;
}

// `Dot::sum<Channels>(past, future_last, hl, hr, width, sum)` sums one frame of every history
// channel. On the rows' grid both wings' rows move with the phase, the right one against it.
// `FixedWidth`, when not 0, is the rows' width known at compile time: the sums of the common
// filters then run without loop control.
template <typename Dot, typename Sample, uint32_t Channels, bool ToBoth, uint32_t FixedWidth>
void runOnRows(TableJob<Sample>* job) {
  using Sum = decltype(Dot::sumOf(Sample{}));
  const Sample* past = job->past;
  const Sample* const stop = job->stop;
  const uint32_t span = job->span;
  const int32_t phases = job->phases;
  const int32_t step = job->phase_step;
  const uint32_t width = FixedWidth != 0 ? FixedWidth : job->width;
  const uint32_t advance = job->advance;
  const int32_t gain = job->gain;
  const uint32_t out_channels = job->out_channels;
  const uint32_t free_frames = job->free_frames;
  const int32_t grid = static_cast<int32_t>(job->grid);
  Sample* out = job->out;
  int32_t p = job->phase;
  const int32_t row = p / grid;
  const int16_t* hl = job->rows + static_cast<uint32_t>(row) * width;
  const int16_t* hr = job->rows + static_cast<uint32_t>(phases / grid - row) * width;
  const ptrdiff_t move = static_cast<ptrdiff_t>(step / grid) * static_cast<ptrdiff_t>(width);
  const ptrdiff_t wrap = static_cast<ptrdiff_t>(phases / grid) * static_cast<ptrdiff_t>(width);
  uint32_t written = 0;
  do {
    Sum sum[2];
    Dot::template sum<Channels>(past, past + span, hl, hr, width, sum);
    out = put<Dot, Sample, Channels, ToBoth>(out, sum, gain, out_channels);
    ++written;
    p += step;
    hl += move;
    hr -= move;
    past += advance;
    if (p < 0) {
      p += phases;
      hl += wrap;
      hr -= wrap;
      past += Channels;
    }
  } while (written < free_frames && past < stop);
  job->past = past;
  job->phase = p;
  job->written = written;
}

// Whether `Dot` sums two mono frames of 16-bit samples at once (`Dot::sumTwo`, `Dot::sumTwoArranged`),
// so that a mono stream pays the reduction and the scaling of a frame once for two.
template <typename D>
constexpr auto sumsTwoMono(int) -> decltype(D::kSumsTwoMono) {
  return D::kSumsTwoMono;
}
template <typename D>
constexpr bool sumsTwoMono(long) {
  return false;
}

// `runOnRows` for a mono history to a mono output, two frames a pass while two fit: the second
// frame's phase, rows and past follow from the first's exactly as the single loop moves them.
template <typename Dot, uint32_t FixedWidth>
void runMonoOnRowsInTwos(TableJob<int16_t>* job) {
  const int16_t* past = job->past;
  const int16_t* const stop = job->stop;
  const uint32_t span = job->span;
  const int32_t phases = job->phases;
  const int32_t step = job->phase_step;
  const uint32_t width = FixedWidth != 0 ? FixedWidth : job->width;
  const uint32_t advance = job->advance;
  const int32_t gain = job->gain;
  const uint32_t free_frames = job->free_frames;
  const int32_t grid = static_cast<int32_t>(job->grid);
  int16_t* out = job->out;
  int32_t p = job->phase;
  const int32_t row = p / grid;
  const int16_t* hl = job->rows + static_cast<uint32_t>(row) * width;
  const int16_t* hr = job->rows + static_cast<uint32_t>(phases / grid - row) * width;
  const ptrdiff_t move = static_cast<ptrdiff_t>(step / grid) * static_cast<ptrdiff_t>(width);
  const ptrdiff_t wrap = static_cast<ptrdiff_t>(phases / grid) * static_cast<ptrdiff_t>(width);
  uint32_t written = 0;
  do {
    int32_t p2 = p + step;
    const int16_t* hl2 = hl + move;
    const int16_t* hr2 = hr - move;
    const int16_t* past2 = past + advance;
    if (p2 < 0) {
      p2 += phases;
      hl2 += wrap;
      hr2 -= wrap;
      past2 += 1;
    }
    int32_t sum[2];
    if (written + 1 < free_frames && past2 < stop) {
      Dot::sumTwo(past, past + span, hl, hr, past2, past2 + span, hl2, hr2, width, sum);
      Dot::scaleStereo(sum, gain, out);
      out += 2;
      written += 2;
      p = p2 + step;
      hl = hl2 + move;
      hr = hr2 - move;
      past = past2 + advance;
      if (p < 0) {
        p += phases;
        hl += wrap;
        hr -= wrap;
        past += 1;
      }
    } else {
      Dot::template sum<1>(past, past + span, hl, hr, width, sum);
      *out++ = scaleTable(sum[0], gain);
      ++written;
      p = p2;
      hl = hl2;
      hr = hr2;
      past = past2;
    }
  } while (written < free_frames && past < stop);
  job->past = past;
  job->phase = p;
  job->written = written;
}

// Phases off the rows' grid (after a rate ramp handed over) gather their taps frame by frame.
template <typename Dot, typename Sample, uint32_t Channels, bool ToBoth>
void runGathering(TableJob<Sample>* job) {
  using Sum = decltype(Dot::sumOf(Sample{}));
  const Sample* past = job->past;
  const int32_t phases = job->phases;
  const uint32_t width = job->width;
  Sample* out = job->out;
  int32_t p = job->phase;
  alignas(32) int16_t left[kMaxRowWidth];
  alignas(32) int16_t right[kMaxRowWidth];
  uint32_t written = 0;
  do {
    gatherTaps(job->coef, p, phases, job->taps, width, left);
    gatherTaps(job->coef, phases - p, phases, job->taps, width, right);
    Sum sum[2];
    Dot::template sum<Channels>(past, past + job->span, left, right, width, sum);
    out = put<Dot, Sample, Channels, ToBoth>(out, sum, job->gain, job->out_channels);
    ++written;
    p += job->phase_step;
    past += job->advance;
    if (p < 0) {
      p += phases;
      past += Channels;
    }
  } while (written < job->free_frames && past < job->stop);
  job->past = past;
  job->phase = p;
  job->written = written;
}

// Without a phase step (downsampling by a whole ratio) every output of the run uses the same two
// rows: a variant that can arranges their coefficients once, in the order its sums take them.
template <typename Dot, typename Sample, uint32_t Channels, bool ToBoth, uint32_t FixedWidth>
void runOnePhase(TableJob<Sample>* job) {
  using Sum = decltype(Dot::sumOf(Sample{}));
  const uint32_t width = FixedWidth != 0 ? FixedWidth : job->width;
  alignas(32) int16_t left[kMaxArrangedWidth];
  alignas(32) int16_t right[kMaxArrangedWidth];
  alignas(32) int16_t arranged[kArrangedEntries];
  gatherTaps(job->coef, job->phase, job->phases, job->taps, width, left);
  gatherTaps(job->coef, job->phases - job->phase, job->phases, job->taps, width, right);
  Dot::template arrange<Channels, Sample>(left, right, width, arranged);
  const Sample* past = job->past;
  const Sample* const stop = job->stop;
  const uint32_t span = job->span;
  const uint32_t advance = job->advance;
  const int32_t gain = job->gain;
  const uint32_t out_channels = job->out_channels;
  const uint32_t free_frames = job->free_frames;
  Sample* out = job->out;
  uint32_t written = 0;
  do {
    Sum sum[2];
    Dot::template sumArranged<Channels>(past, past + span, arranged, width, sum);
    out = put<Dot, Sample, Channels, ToBoth>(out, sum, gain, out_channels);
    ++written;
    past += advance;
  } while (written < free_frames && past < stop);
  job->past = past;
  job->written = written;
}

// `runOnePhase` for a mono history to a mono output, two frames a pass while two fit.
template <typename Dot, uint32_t FixedWidth>
void runMonoOnePhaseInTwos(TableJob<int16_t>* job) {
  const uint32_t width = FixedWidth != 0 ? FixedWidth : job->width;
  alignas(32) int16_t left[kMaxArrangedWidth];
  alignas(32) int16_t right[kMaxArrangedWidth];
  alignas(32) int16_t arranged[kArrangedEntries];
  gatherTaps(job->coef, job->phase, job->phases, job->taps, width, left);
  gatherTaps(job->coef, job->phases - job->phase, job->phases, job->taps, width, right);
  Dot::template arrange<1, int16_t>(left, right, width, arranged);
  const int16_t* past = job->past;
  const int16_t* const stop = job->stop;
  const uint32_t span = job->span;
  const uint32_t advance = job->advance;
  const int32_t gain = job->gain;
  const uint32_t free_frames = job->free_frames;
  int16_t* out = job->out;
  uint32_t written = 0;
  do {
    const int16_t* past2 = past + advance;
    int32_t sum[2];
    if (written + 1 < free_frames && past2 < stop) {
      Dot::sumTwoArranged(past, past + span, past2, past2 + span, arranged, width, sum);
      Dot::scaleStereo(sum, gain, out);
      out += 2;
      written += 2;
      past = past2 + advance;
    } else {
      Dot::template sumArranged<1>(past, past + span, arranged, width, sum);
      *out++ = scaleTable(sum[0], gain);
      ++written;
      past = past2;
    }
  } while (written < free_frames && past < stop);
  job->past = past;
  job->written = written;
}

// A mono stream's table kernel for a `Dot` that sums two frames at once; otherwise as `runTable`.
template <typename Dot>
void runMonoInTwos(TableJob<int16_t>* job) {
  static_assert(Dot::kScalesStereo, "two mono frames are scaled as one stereo frame");
  const int32_t p = job->phase;
  if constexpr (Dot::kArranges) {
    if (job->phase_step == 0 && job->width <= kMaxArrangedWidth && p >= 0 && p <= job->phases) {
      switch (job->width) {
        case 36:
          return runMonoOnePhaseInTwos<Dot, 36>(job);
        case 52:
          return runMonoOnePhaseInTwos<Dot, 52>(job);
        default:
          return runMonoOnePhaseInTwos<Dot, 0>(job);
      }
    }
  }
  if (job->rows != nullptr && p >= 0 && p <= job->phases && p % static_cast<int32_t>(job->grid) == 0) {
    switch (job->width) {
      case 20:
        return runMonoOnRowsInTwos<Dot, 20>(job);
      case 36:
        return runMonoOnRowsInTwos<Dot, 36>(job);
      case 52:
        return runMonoOnRowsInTwos<Dot, 52>(job);
      default:
        return runMonoOnRowsInTwos<Dot, 0>(job);
    }
  }
  runGathering<Dot, int16_t, 1, false>(job);
}

// The padded widths of the upsampling filter (17 taps) and of the downsampling filters of the
// 44.1k/48k family, 2:1 and 3:1 (19, 34 and 51 taps).
template <typename Dot, typename Sample, uint32_t Channels, bool ToBoth>
void runTable(TableJob<Sample>* job) {
  const int32_t p = job->phase;
  if constexpr (Channels == 1 && !ToBoth && sizeof(Sample) == 2 && sumsTwoMono<Dot>(0)) {
    if (job->out_channels == 1) {
      return runMonoInTwos<Dot>(job);
    }
  }
  if constexpr (Dot::kArranges) {
    if (job->phase_step == 0 && job->width <= kMaxArrangedWidth && p >= 0 && p <= job->phases) {
      switch (job->width) {
        case 36:
          return runOnePhase<Dot, Sample, Channels, ToBoth, 36>(job);
        case 52:
          return runOnePhase<Dot, Sample, Channels, ToBoth, 52>(job);
        default:
          return runOnePhase<Dot, Sample, Channels, ToBoth, 0>(job);
      }
    }
  }
  if (job->rows != nullptr && p >= 0 && p <= job->phases && p % static_cast<int32_t>(job->grid) == 0) {
    switch (job->width) {
      case 20:
        return runOnRows<Dot, Sample, Channels, ToBoth, 20>(job);
      case 36:
        return runOnRows<Dot, Sample, Channels, ToBoth, 36>(job);
      case 52:
        return runOnRows<Dot, Sample, Channels, ToBoth, 52>(job);
      default:
        return runOnRows<Dot, Sample, Channels, ToBoth, 0>(job);
    }
  } else {
    runGathering<Dot, Sample, Channels, ToBoth>(job);
  }
}

template <typename Dot, typename Sample>
constexpr TableRuns<Sample> tableRuns() {
  return TableRuns<Sample>{runTable<Dot, Sample, 2, false>, runTable<Dot, Sample, 1, false>,
                           runTable<Dot, Sample, 1, true>};
}

}  // namespace

}  // namespace torqen
