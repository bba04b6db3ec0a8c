#include "torqen/torqen_driver.h"

#include <algorithm>

#include "torqen/torqen_arb.h"
#include "torqen/torqen_fast.h"
#include "torqen/torqen_interp.h"
#include "torqen/torqen_layout_priv.h"

namespace {

using torqen::kHistoryFrames;

template <typename Sample>
using Kernel = uint32_t (*)(torqen_handle_t*, Sample*, uint32_t, uint32_t*, uint32_t, uint32_t);

template <typename Sample>
struct Kernels {
  Kernel<Sample> copy, interp, arb, fast;
};
constexpr Kernels<int16_t> kNarrowKernels{CopyTorqen, interpTorqen, arbTorqen, fastTorqen};
constexpr Kernels<int32_t> kWideKernels{CopyTorqen_32bit, interpTorqen_32bit, arbTorqen_32bit, fastTorqen_32BIT};

int32_t shiftLeft(int32_t v, uint32_t s) {
  return static_cast<int32_t>(static_cast<uint32_t>(v) << s);
}
int32_t signExtend24(int32_t word) {
  return shiftLeft(word, 8) >> 8;
}

// Format 0: samples are taken as they are; a stereo input to a mono history is averaged.
void takeNarrow(const torqen_handle_t* h, const void* in, uint32_t first, uint32_t n, int16_t* to) {
  const int16_t* from = static_cast<const int16_t*>(in) + first * h->in_channels;
  if (h->in_channels == 2 && h->out_channels == 1) {
    for (uint32_t i = 0; i < n; ++i) {
      to[i] = static_cast<int16_t>((from[2 * i] + from[2 * i + 1]) >> 1);
    }
  } else {
    std::memcpy(to, from, n * h->in_channels * sizeof(int16_t));
  }
}

template <typename In>
void widen(const In* from, uint32_t samples, uint32_t s, int32_t* to) {
  for (uint32_t i = 0; i < samples; ++i) {
    to[i] = shiftLeft(from[i], s);
  }
}

template <typename In>
void mixWide(const In* from, uint32_t n, uint32_t s, int32_t* to) {
  for (uint32_t i = 0; i < n; ++i) {
    to[i] = static_cast<int32_t>((int64_t{shiftLeft(from[2 * i], s)} + shiftLeft(from[2 * i + 1], s)) >> 1);
  }
}

// Formats 1 to 3: samples are widened to 32 bits (format 1 from 16 bits, format 2 from the low 24 bits
// of a word); a stereo input to a mono history is averaged.
void takeWide(const torqen_handle_t* h, const void* in, uint32_t first, uint32_t n, int32_t* to) {
  const uint32_t ic = h->in_channels;
  const bool mix = ic == 2 && h->out_channels == 1;
  if (h->format == 1) {
    const int16_t* from = static_cast<const int16_t*>(in) + first * ic;
    mix ? mixWide(from, n, 16, to) : widen(from, n * ic, 16, to);
    return;
  }
  const int32_t* from = static_cast<const int32_t*>(in) + first * ic;
  if (h->format == 3) {
    mix ? mixWide(from, n, 0, to) : widen(from, n * ic, 0, to);
  } else if (!mix) {
    widen(from, n * ic, 8, to);
  } else {
    // Mixed as 24-bit samples, so a top byte that is not the sign extension cannot flip the sign.
    for (uint32_t i = 0; i < n; ++i) {
      to[i] = shiftLeft(signExtend24(from[2 * i]) + signExtend24(from[2 * i + 1]), 7);
    }
  }
}

void take(const torqen_handle_t* h, const void* in, uint32_t first, uint32_t n, int16_t* to) {
  takeNarrow(h, in, first, n, to);
}
void take(const torqen_handle_t* h, const void* in, uint32_t first, uint32_t n, int32_t* to) {
  takeWide(h, in, first, n, to);
}

// Input frames to take in one pass. The 32-bit driver takes no more than the free output can absorb
// plus what completes the look-ahead; both leave room for the silence that realigns the centre after
// a rate change widened the filter.
uint32_t intake(const torqen_handle_t* h, uint32_t input_left, uint32_t free_frames, bool paced) {
  const uint32_t fill = h->hist_fill;
  const uint32_t centre = h->hist_center;
  const uint32_t keep = h->hist_keep;
  uint32_t room = kHistoryFrames - fill;
  if (keep > centre) {
    room -= std::min(room, keep - centre);
  }
  uint32_t n = std::min(room, input_left);
  if (paced) {
    const uint64_t need = std::max<uint64_t>(1, uint64_t{h->in_rate} * free_frames / h->out_rate);
    // A rate change can leave the centre beyond the new `hist_keep`; the kernel still needs the
    // frames up to twice the centre before it runs.
    const uint64_t reach = std::max<uint64_t>(uint64_t{centre} + keep, 2 * uint64_t{centre}) + need;
    n = static_cast<uint32_t>(std::min<uint64_t>(n, reach > fill ? reach - fill : 0));
  }
  return n;
}

template <typename Sample>
void writeSilence(torqen_handle_t* h, Sample* out, uint32_t* free_frames, uint32_t* produced) {
  const uint32_t done = h->zero_pending - 1;
  const uint32_t owed = h->hist_keep > done ? h->hist_keep - done : 0;
  const uint32_t frames = std::min(owed, *free_frames);
  std::memset(out, 0, frames * h->out_channels * sizeof(Sample));
  *free_frames -= frames;
  *produced += frames;
  h->zero_pending = frames < owed ? h->zero_pending + frames : 0;
}

template <typename Sample>
Kernel<Sample> selectKernel(const torqen_handle_t* h, const Kernels<Sample>& k) {
  if (h->ramp_active != 0) {
    return h->passthrough != 0 ? k.copy : k.interp;
  }
  if (h->passthrough != 0) {
    return k.copy;
  }
  // Until the centre has the past that a wider filter needs, the interpolator carries on.
  if (h->hist_center < h->hist_keep) {
    return k.interp;
  }
  return h->arbitrary != 0 ? k.arb : k.fast;
}

// Moves the history so that the next centre sits at `hist_keep`. When the centre lags behind it
// (a rate change widened the filter), the missing past is filled with silence once there is room.
template <typename Sample>
void compact(torqen_handle_t* h, Sample* hist, uint32_t end, uint32_t used) {
  const uint32_t hc = torqen::historyChannels(h);
  const uint32_t keep = h->hist_keep;
  const uint32_t next = h->hist_center + used;
  if (next >= keep) {
    const uint32_t first = std::min(next - keep, end);
    const uint32_t fill = end - first;
    std::memmove(hist, hist + first * hc, fill * hc * sizeof(Sample));
    h->hist_fill = fill;
    h->hist_center = keep;
    return;
  }
  const uint32_t pad = keep - next;
  if (end + pad > kHistoryFrames) {
    h->hist_fill = end;
    h->hist_center = next;
    return;
  }
  std::memmove(hist + pad * hc, hist, end * hc * sizeof(Sample));
  std::memset(hist, 0, pad * hc * sizeof(Sample));
  h->hist_fill = end + pad;
  h->hist_center = keep;
}

template <typename Sample>
uint32_t convert(torqen_handle_t* h, const void* in, uint32_t* in_bytes, void* out, uint32_t* out_bytes,
                 const Kernels<Sample>& kernels, bool paced) {
  const uint32_t in_frame = torqen::inFrameBytes(h);
  const uint32_t out_frame = torqen::outFrameBytes(h);
  const uint32_t in_frames = *in_bytes / in_frame;
  const uint32_t out_frames = *out_bytes / out_frame;
  const uint32_t hc = torqen::historyChannels(h);
  Sample* hist = torqen::history<Sample>(h);
  uint32_t consumed = 0;
  uint32_t produced = 0;
  while (in_frames != 0 && consumed < in_frames && produced < out_frames) {
    const uint32_t fill = h->hist_fill;
    const uint32_t centre = h->hist_center;
    const uint32_t n = intake(h, in_frames - consumed, out_frames - produced, paced);
    if (paced && n == 0 && centre + h->hist_keep > fill) {
      break;
    }
    take(h, in, consumed, n, hist + fill * hc);
    consumed += n;
    const uint32_t end = fill + n;
    if (end <= 2 * centre) {
      h->hist_fill = end;
      if (n == 0) {
        break;
      }
    } else {
      uint32_t avail = end - 2 * centre;
      Sample* to = static_cast<Sample*>(out) + produced * h->out_channels;
      uint32_t free_frames = out_frames - produced;
      if (h->zero_pending != 0) {
        const uint32_t before = produced;
        writeSilence(h, to, &free_frames, &produced);
        to += (produced - before) * h->out_channels;
      }
      produced += selectKernel(h, kernels)(h, to, free_frames, &avail, h->in_channels, h->out_channels);
      compact(h, hist, end, avail);
    }
    if (h->ramp_active != 0 && h->ramp_left == 0) {
      h->ramp_active = 0;
    }
  }
  *in_bytes = (in_frames - consumed) * in_frame;
  *out_bytes = produced * out_frame;
  return consumed * in_frame;
}

}  // namespace

extern "C" uint32_t fastTorqConvert(torqen_handle_t* h, const void* in, uint32_t* in_bytes, void* out,
                                    uint32_t* out_bytes) {
  return convert<int16_t>(h, in, in_bytes, out, out_bytes, kNarrowKernels, false);
}

extern "C" uint32_t fastTorqConvert_32bit(torqen_handle_t* h, const void* in, uint32_t* in_bytes, void* out,
                                          uint32_t* out_bytes) {
  return convert<int32_t>(h, in, in_bytes, out, out_bytes, kWideKernels, true);
}
