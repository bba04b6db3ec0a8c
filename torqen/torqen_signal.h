// Helpers for measuring libtorqen32, shared by its tests and its benchmark (not part of the
// library): a converter in its own work memory, block-wise streaming, the kernel variants, and a
// sine fit that tells the level, the frequency error and the THD+N of an output.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "torqen/torqen.h"

namespace torqen_signal {

class Converter {
 public:
  explicit Converter(const torqen_param_t& param);
  int openResult() const { return open_result_; }
  torqen_handle_t* handle() const { return handle_; }
  // The work memory handed to Torqen_Open.
  const void* workMemory() const { return work_.data(); }
  const torqen_param_t& param() const { return param_; }
  uint32_t inFrameBytes() const;
  uint32_t outFrameBytes() const;

  // Feeds `in` in blocks of at most `in_block` frames, offering `out_block` output frames per call,
  // until every input frame is consumed or a call neither consumes nor produces. Returns the output.
  std::vector<uint8_t> stream(const std::vector<uint8_t>& in, uint32_t in_block, uint32_t out_block);

 private:
  torqen_param_t param_;
  std::vector<uint64_t> work_;
  torqen_handle_t* handle_ = nullptr;
  int open_result_ = -1;
};

// The converter's kernel variants: the scalar kernels, or a vectorised twin that writes the same
// bytes. Open picks the best one the processor runs.
enum class KernelVariant : uint32_t { kScalar = 0, kSse2 = 1, kAvx2 = 2, kNeon = 3 };
const char* nameOf(KernelVariant v);
bool variantRuns(KernelVariant v);
// Makes an open converter run `v`, which must be one that runs.
void useVariant(torqen_handle_t* h, KernelVariant v);

// Memory the handle locates by an offset from itself.
template <typename T>
T* atOffset(torqen_handle_t* h, uint32_t offset) {
  return reinterpret_cast<T*>(reinterpret_cast<uint8_t*>(h) + offset);
}
template <typename T>
T* historyOf(torqen_handle_t* h) {
  return atOffset<T>(h, h->history);
}

template <typename T>
std::vector<uint8_t> bytesOf(const std::vector<T>& v) {
  std::vector<uint8_t> b(v.size() * sizeof(T));
  std::memcpy(b.data(), v.data(), b.size());
  return b;
}
template <typename T>
std::vector<T> samplesOf(const std::vector<uint8_t>& b) {
  std::vector<T> v(b.size() / sizeof(T));
  std::memcpy(v.data(), b.data(), v.size() * sizeof(T));
  return v;
}

// Interleaved input of the param's format and input channels: a sine of `amplitude` (of full scale)
// at `freq` in every channel.
std::vector<uint8_t> sineInput(const torqen_param_t& p, double freq, double amplitude, uint32_t frames);
// One channel of an output of the param's format, scaled to full scale 1.0.
std::vector<double> channelOf(const torqen_param_t& p, const std::vector<uint8_t>& out, uint32_t channel);

struct SineFit {
  double freq;
  double amplitude;     // of full scale
  double residual_rms;  // of everything but the fitted sine
  double thdn_db;       // residual against the fitted sine
};
// Least-squares fit of a sine (and an offset) to x sampled at `rate`, its frequency searched within
// `search_hz` of `freq`.
SineFit fitSine(const std::vector<double>& x, double rate, double freq, double search_hz = 1.0);

}  // namespace torqen_signal
