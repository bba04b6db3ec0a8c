// Converts a noise stream with one kernel variant and prints the output frames: the benchmark runs
// it under an instruction-counting emulator for the board's processor.
//
//   torqen_count <in rate> <out rate> <bits: 16|32> <channels: 1|2> <variant> <input frames>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "torqen/torqen_signal.h"
#include "torqen/torqen.h"

namespace {

template <typename Sample>
size_t convert(torqen_handle_t* h, uint32_t channels, size_t frames) {
  std::vector<Sample> in(frames * channels);
  uint32_t x = 1;
  for (auto& s : in) {
    x = x * 1664525u + 1013904223u;
    s = static_cast<Sample>(static_cast<int32_t>(x) >> (sizeof(Sample) == 2 ? 18 : 2));
  }
  std::vector<Sample> out(4096 * channels);
  size_t pos = 0;
  size_t produced = 0;
  while (pos < in.size()) {
    const size_t block = std::min<size_t>(in.size() - pos, 1024 * channels);
    uint32_t in_bytes = static_cast<uint32_t>(block * sizeof(Sample));
    uint32_t out_bytes = static_cast<uint32_t>(out.size() * sizeof(Sample));
    const int consumed = Torqen_Process(h, nullptr, in.data() + pos, &in_bytes, out.data(), &out_bytes);
    pos += static_cast<size_t>(consumed) / sizeof(Sample);
    produced += out_bytes / sizeof(Sample) / channels;
    if (consumed == 0 && out_bytes == 0) {
      break;
    }
  }
  return produced;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: %s <in rate> <out rate> <bits> <channels> <variant> <input frames>\n", argv[0]);
    return 2;
  }
  const uint32_t bits = static_cast<uint32_t>(std::atoi(argv[3]));
  const uint32_t channels = static_cast<uint32_t>(std::atoi(argv[4]));
  const torqen_param_t p{static_cast<uint32_t>(std::atoi(argv[1])), channels, static_cast<uint32_t>(std::atoi(argv[2])),
                         channels, bits == 16 ? 0u : 3u};
  const auto variant = static_cast<torqen_signal::KernelVariant>(std::atoi(argv[5]));
  if (!torqen_signal::variantRuns(variant)) {
    return 1;
  }
  uint32_t work = 0;
  uint32_t temp = 0;
  Torqen_GetBufferSize(&work, &temp, &p);
  std::vector<uint64_t> memory(work / 8 + 1);
  torqen_handle_t* h = nullptr;
  if (Torqen_Open(&h, memory.data(), &p, 0) != 0) {
    return 1;
  }
  torqen_signal::useVariant(h, variant);
  const size_t frames = static_cast<size_t>(std::atol(argv[6]));
  std::printf("%zu\n", bits == 16 ? convert<int16_t>(h, channels, frames) : convert<int32_t>(h, channels, frames));
  return 0;
}
