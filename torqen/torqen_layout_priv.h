// How a converter's work memory is laid out and read, shared by the set-up, the kernels and the
// drivers. Internal to the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "torqen/torqen.h"

namespace torqen {

constexpr uint32_t kHistoryFrames = 1024;
// The table path clears two frames more than the history holds.
constexpr uint32_t kClearedFrames = 1026;
constexpr uint32_t kArbEntries = 4353;
constexpr uint32_t kQ25One = 1u << 25;
constexpr uint32_t kQ25Mask = kQ25One - 1;
// The kernels run only once more than twice `hist_keep` frames are held, so a filter that needs more
// past than this would never produce a frame.
constexpr uint32_t kMaxKeep = (kHistoryFrames - 1) / 2;

static_assert(sizeof(torqen_handle_t) == 27 * 4, "the handle is 27 words on every platform");

inline bool bothStereo(uint32_t in_channels, uint32_t out_channels) {
  return in_channels == 2 && out_channels == 2;
}
inline uint32_t historyChannels(const torqen_handle_t* h) {
  return bothStereo(h->in_channels, h->out_channels) ? 2 : 1;
}
// Bytes of one internal sample: 16 bits in format 0, 32 bits otherwise.
inline uint32_t sampleBytes(uint32_t format) {
  return format == 0 ? 2 : 4;
}
inline uint32_t inFrameBytes(const torqen_handle_t* h) {
  return h->in_channels * (h->format <= 1 ? 2 : 4);
}
inline uint32_t outFrameBytes(const torqen_handle_t* h) {
  return h->out_channels * sampleBytes(h->format);
}

template <typename T>
T* atOffset(torqen_handle_t* h, uint32_t offset) {
  return reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(h) + offset);
}
template <typename T>
const T* atOffset(const torqen_handle_t* h, uint32_t offset) {
  return reinterpret_cast<const T*>(reinterpret_cast<const unsigned char*>(h) + offset);
}
template <typename Sample>
Sample* history(torqen_handle_t* h) {
  return atOffset<Sample>(h, h->history);
}

template <typename T>
T clampTo(int64_t v) {
  constexpr int64_t lo = static_cast<int64_t>(-(int64_t{1} << (8 * sizeof(T) - 1)));
  constexpr int64_t hi = -lo - 1;
  return static_cast<T>(v < lo ? lo : (v > hi ? hi : v));
}

// The history's channel count and whether a mono history's results fill both channels of a stereo
// output, as compile-time constants of a computing kernel. `put` writes one computed sample of a
// history channel.
template <uint32_t HistoryChannels, bool ToBoth>
struct Layout {
  static constexpr uint32_t kChannels = HistoryChannels;
  template <typename Sample>
  static void put(Sample* frame, uint32_t channel, Sample y) {
    frame[channel] = y;
    if (ToBoth) {
      frame[1] = y;
    }
  }
};

// The common start of every computing kernel: nothing to do without centres or output room;
// otherwise `run(layout, offered)` with the kernel's `Layout`.
template <typename Run>
uint32_t dispatchKernel(uint32_t* avail, uint32_t free_frames, uint32_t in_channels, uint32_t out_channels, Run run) {
  const uint32_t offered = *avail;
  if (offered == 0 || free_frames == 0) {
    *avail = 0;
    return 0;
  }
  if (bothStereo(in_channels, out_channels)) {
    return run(Layout<2, false>{}, offered);
  }
  return out_channels == 2 ? run(Layout<1, true>{}, offered) : run(Layout<1, false>{}, offered);
}

}  // namespace torqen
