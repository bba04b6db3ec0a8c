// The converters the benchmark sets side by side, behind one small interface: libtorqen32 with a
// chosen kernel variant, and libsoxr, libsamplerate and speexdsp at their settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace torqen_bench {

struct RatePair {
  uint32_t in, out;
};

enum class Family { Torqen, Soxr, Samplerate, Speex };
enum class Measure { Both, Quality, Speed };

// soxr's recipe for the setting matched to libtorqen32's pass and stop bands.
constexpr int kSoxrMatched = -1;

struct ConverterKind {
  const char* name;
  Family family;
  int setting;  // libtorqen32: the kernel variant, -1 for the one chosen at open
  Measure measure = Measure::Both;
};

// Interleaved 16- or 32-bit samples. The converter keeps whatever scratch it needs; once it has
// run a block of a given size it allocates no more for blocks up to that size.
class Resampler {
 public:
  virtual ~Resampler() = default;
  // Converts what it can of `frames` input frames; returns the output frames written into `out`
  // (room for `room` frames) and sets `used` to the input frames taken.
  virtual size_t run(const void* in, size_t frames, size_t* used, void* out, size_t room) = 0;
};

std::unique_ptr<Resampler> makeResampler(const ConverterKind& k, const RatePair& r, uint32_t channels, int bits);

// Whether this processor runs the kind (libtorqen32's variants depend on it).
bool kindRuns(const ConverterKind& k);

}  // namespace torqen_bench
