// Golden output: fixed inputs through every kernel, in every format, must give exactly the stored
// bytes on every platform. Set TORQEN_GOLDEN_WRITE=1 to store the current output instead (only after
// a deliberate change of the arithmetic).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "torqen/torqen_signal.h"
#include "torqen/torqen_variant_priv.h"

namespace {

using torqen_signal::Converter;

struct RateEvent {
  int call;          // before this call
  uint32_t in_rate;  // 0: a zero request instead
};

struct GoldenCase {
  const char* name;
  uint32_t in_rate, in_ch, out_rate, out_ch;
  std::vector<RateEvent> events;
};

const GoldenCase kCases[] = {
    {"48000_44100_stereo", 48000, 2, 44100, 2, {}},
    {"44100_48000_stereo_to_mono", 44100, 2, 48000, 1, {}},
    {"16000_48000_mono_to_stereo", 16000, 1, 48000, 2, {}},
    {"48000_16000_mono", 48000, 1, 16000, 1, {{6, 0}}},
    {"22050_37000_stereo", 22050, 2, 37000, 2, {}},
    {"37000_22050_mono", 37000, 1, 22050, 1, {}},
    {"ramps_at_48000", 44100, 2, 48000, 2, {{4, 32000}, {12, 48000}, {18, 0}, {20, 37000}, {28, 44100}}},
};

// Noise from a fixed generator, with stretches at full scale; 24-bit words carry garbage on top.
std::vector<uint8_t> goldenInput(uint32_t format, uint32_t channels, uint32_t frames) {
  std::vector<uint8_t> bytes;
  uint32_t x = 0x2545F491u;
  for (uint32_t i = 0; i < frames * channels; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    int32_t v = static_cast<int32_t>(x) / 3;
    if ((i / 97) % 5 == 4) {
      v = (i / 7) % 2 == 0 ? 2147483647 : -2147483647 - 1;
    }
    if (format <= 1) {
      const int16_t s = static_cast<int16_t>(v >> 16);
      bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&s), reinterpret_cast<const uint8_t*>(&s) + 2);
    } else {
      const int32_t s = format == 2 ? static_cast<int32_t>((static_cast<uint32_t>(v) >> 8) | (x << 24)) : v;
      bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&s), reinterpret_cast<const uint8_t*>(&s) + 4);
    }
  }
  return bytes;
}

// With a variant, the converter runs it instead of the one chosen at open.
std::vector<uint8_t> runCase(const GoldenCase& c, uint32_t format, const torqen::Variant* variant = nullptr) {
  Converter conv(torqen_param_t{c.in_rate, c.in_ch, c.out_rate, c.out_ch, format});
  EXPECT_EQ(0, conv.openResult());
  if (variant != nullptr) {
    torqen::setVariant(conv.handle(), *variant);
  }
  const auto in = goldenInput(format, c.in_ch, 1400);
  static const uint32_t kInBlocks[] = {37, 100, 5, 64, 1, 250};
  static const uint32_t kOutBlocks[] = {50, 3, 200, 64, 17};
  std::vector<uint8_t> out;
  size_t pos = 0;
  for (int call = 0; call < 40 && pos < in.size(); ++call) {
    for (const RateEvent& e : c.events) {
      if (e.call == call) {
        if (e.in_rate != 0) {
          EXPECT_EQ(0, Torqen_SetSamplingRate(conv.handle(), e.in_rate));
        } else {
          Torqen_SetZeroPending(conv.handle());
        }
      }
    }
    const uint32_t left = static_cast<uint32_t>((in.size() - pos) / conv.inFrameBytes());
    uint32_t in_bytes = std::min(left, kInBlocks[call % 6]) * conv.inFrameBytes();
    std::vector<uint8_t> block(kOutBlocks[call % 5] * conv.outFrameBytes());
    uint32_t out_bytes = static_cast<uint32_t>(block.size());
    pos += static_cast<size_t>(
        Torqen_Process(conv.handle(), nullptr, in.data() + pos, &in_bytes, block.data(), &out_bytes));
    out.insert(out.end(), block.begin(), block.begin() + out_bytes);
  }
  return out;
}

std::string goldenPath(const GoldenCase& c, uint32_t format) {
  return std::string(TORQEN_GOLDEN_DIR) + "/" + c.name + "_f" + std::to_string(format) + ".bin";
}

std::vector<uint8_t> storedVector(const GoldenCase& c, uint32_t format) {
  std::ifstream file(goldenPath(c, format), std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

TEST(TorqenGolden, OutputMatchesTheStoredVectors) {
  const bool write = std::getenv("TORQEN_GOLDEN_WRITE") != nullptr;
  for (const GoldenCase& c : kCases) {
    for (uint32_t format = 0; format < 4; ++format) {
      const auto out = runCase(c, format);
      ASSERT_GT(out.size(), 1000u) << c.name;
      const std::string path = goldenPath(c, format);
      if (write) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()), out.size());
        continue;
      }
      std::ifstream file(path, std::ios::binary);
      ASSERT_TRUE(file.good()) << path;
      const std::vector<uint8_t> expected((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
      EXPECT_EQ(expected.size(), out.size()) << path;
      EXPECT_TRUE(expected == out) << path;
    }
  }
}

// The scalar kernels and every vectorised variant this processor runs, whatever open would choose.
TEST(TorqenGolden, EveryKernelVariantMatchesTheStoredVectors) {
  for (const torqen::Variant v :
       {torqen::Variant::kScalar, torqen::Variant::kSse2, torqen::Variant::kAvx2, torqen::Variant::kNeon}) {
    if (!torqen::variantRuns(v)) {
      continue;
    }
    for (const GoldenCase& c : kCases) {
      for (uint32_t format = 0; format < 4; ++format) {
        const std::vector<uint8_t> expected = storedVector(c, format);
        ASSERT_FALSE(expected.empty()) << goldenPath(c, format);
        EXPECT_TRUE(expected == runCase(c, format, &v))
            << goldenPath(c, format) << " variant " << static_cast<uint32_t>(v);
      }
    }
  }
}

}  // namespace
