#include "torqen/torqen_interp.h"

#include <algorithm>

#include "torqen/torqen_layout_priv.h"

namespace {

template <typename Sample>
Sample interpolate(Sample u, Sample v, uint32_t a) {
  return static_cast<Sample>(u + ((int64_t{a} * (int64_t{v} - u)) >> 15));
}

template <typename Sample, typename Layout>
uint32_t interpolateRun(torqen_handle_t* h, Sample* out, uint32_t free_frames, uint32_t offered, uint32_t* used,
                        uint32_t out_channels) {
  constexpr uint32_t channels = Layout::kChannels;
  const Sample* hist = torqen::history<Sample>(h);
  const uint32_t target = h->ratio_target;
  const uint32_t lo = std::min(h->ratio, target);
  const uint32_t hi = std::max(h->ratio, target);
  const uint32_t start = h->hist_center;
  const uint32_t stop = start + offered;
  int32_t ramp_step = h->ramp_step;
  uint32_t ratio = h->ratio;
  uint32_t frac = h->frac;
  uint32_t left = h->ramp_left;
  uint32_t x = start;
  uint32_t written = 0;
  do {
    if (left > 0) {
      const int64_t r = int64_t{ratio} + ramp_step;
      ratio = r > hi ? hi : static_cast<uint32_t>(std::max<int64_t>(r, lo));
      --left;
    } else {
      ratio = target;
      ramp_step = 0;
    }
    const uint32_t a = frac >> 10;
    for (uint32_t ch = 0; ch < channels; ++ch) {
      // Right after pass-through the centre sits at the history's start: the frame before it is gone
      // and counts as silence.
      const Sample u = x == 0 ? Sample{0} : hist[(x - 1) * channels + ch];
      const Sample v = hist[x * channels + ch];
      Layout::put(out, ch, interpolate(u, v, a));
    }
    out += out_channels;
    ++written;
    const uint64_t t = uint64_t{frac} + ratio;
    x += static_cast<uint32_t>(t >> 25);
    frac = static_cast<uint32_t>(t & torqen::kQ25Mask);
  } while (written < free_frames && x < stop);

  *used = x - start;
  h->frac = frac;
  h->ramp_left = left;
  h->ramp_step = ramp_step;
  h->ratio = ratio;
  h->phase = static_cast<uint32_t>((uint64_t{h->phases} * (torqen::kQ25One - frac)) >> 25);
  return written;
}

template <typename Sample>
uint32_t interpolateRun(torqen_handle_t* h, Sample* out, uint32_t free_frames, uint32_t* avail, uint32_t in_channels,
                        uint32_t out_channels) {
  return torqen::dispatchKernel(avail, free_frames, in_channels, out_channels, [&](auto layout, uint32_t offered) {
    return interpolateRun<Sample, decltype(layout)>(h, out, free_frames, offered, avail, out_channels);
  });
}

template <typename Sample>
uint32_t copyRun(torqen_handle_t* h, Sample* out, uint32_t free_frames, uint32_t* avail, uint32_t in_channels,
                 uint32_t out_channels) {
  const uint32_t frames = std::min(*avail, free_frames);
  const Sample* from =
      torqen::history<Sample>(h) + h->hist_center * (torqen::bothStereo(in_channels, out_channels) ? 2 : 1);
  if (out_channels == 2 && in_channels == 1) {
    for (uint32_t i = 0; i < frames; ++i) {
      out[2 * i] = from[i];
      out[2 * i + 1] = from[i];
    }
  } else {
    std::memcpy(out, from, frames * out_channels * sizeof(Sample));
  }
  *avail = frames;
  return frames;
}

}  // namespace

extern "C" uint32_t interpTorqen(torqen_handle_t* h, int16_t* out, uint32_t free_frames, uint32_t* avail,
                                 uint32_t in_channels, uint32_t out_channels) {
  return interpolateRun(h, out, free_frames, avail, in_channels, out_channels);
}

extern "C" uint32_t interpTorqen_32bit(torqen_handle_t* h, int32_t* out, uint32_t free_frames, uint32_t* avail,
                                       uint32_t in_channels, uint32_t out_channels) {
  return interpolateRun(h, out, free_frames, avail, in_channels, out_channels);
}

extern "C" uint32_t CopyTorqen(torqen_handle_t* h, int16_t* out, uint32_t free_frames, uint32_t* avail,
                               uint32_t in_channels, uint32_t out_channels) {
  return copyRun(h, out, free_frames, avail, in_channels, out_channels);
}

extern "C" uint32_t CopyTorqen_32bit(torqen_handle_t* h, int32_t* out, uint32_t free_frames, uint32_t* avail,
                                     uint32_t in_channels, uint32_t out_channels) {
  return copyRun(h, out, free_frames, avail, in_channels, out_channels);
}
