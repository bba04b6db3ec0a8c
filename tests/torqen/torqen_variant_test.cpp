// Every kernel variant this processor can run writes the scalar kernels' bytes: the same streams
// through each, on table pairs (up and down, small and large filters), an arbitrary pair, equal
// rates, every channel layout, and rate ramps that leave the table kernel on a phase between its
// rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "torqen/torqen_signal.h"
#include "torqen/torqen_variant_priv.h"

namespace {

using torqen::Variant;
using torqen_signal::Converter;

const Variant kVariants[] = {Variant::kSse2, Variant::kAvx2, Variant::kNeon};

// Noise with stretches at both full-scale ends, so sums reach their extremes and outputs clamp.
std::vector<uint8_t> testInput(const torqen_param_t& p, uint32_t frames) {
  std::vector<uint8_t> bytes;
  uint32_t seed = 12345;
  for (uint32_t i = 0; i < frames; ++i) {
    const uint32_t stretch = (i / 200) % 4;
    for (uint32_t c = 0; c < p.in_channels; ++c) {
      seed = seed * 1664525u + 1013904223u;
      int32_t v = static_cast<int32_t>(seed);
      if (stretch == 1) {
        v = (i / 7 + c) % 2 == 0 ? INT32_MAX : INT32_MIN;
      }
      if (p.format <= 1) {
        const int16_t s = static_cast<int16_t>(v >> 16);
        bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&s), reinterpret_cast<const uint8_t*>(&s) + 2);
      } else {
        const int32_t s = p.format == 2 ? v >> 8 : v;
        bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&s), reinterpret_cast<const uint8_t*>(&s) + 4);
      }
    }
  }
  return bytes;
}

struct Pass {
  uint32_t new_rate;  // 0: keep the rate
  uint32_t frames;
};

std::vector<uint8_t> run(const torqen_param_t& p, Variant v, const std::vector<Pass>& passes) {
  Converter conv(p);
  EXPECT_EQ(0, conv.openResult());
  torqen::setVariant(conv.handle(), v);
  std::vector<uint8_t> out;
  uint32_t in_rate = p.in_rate;
  for (const Pass& pass : passes) {
    if (pass.new_rate != 0) {
      EXPECT_EQ(0, Torqen_SetSamplingRate(conv.handle(), pass.new_rate));
      in_rate = pass.new_rate;
    }
    torqen_param_t now = p;
    now.in_rate = in_rate;
    const std::vector<uint8_t> part = conv.stream(testInput(now, pass.frames), 333, 257);
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

struct Case {
  uint32_t in_rate, out_rate;
  std::vector<Pass> passes;
};

TEST(TorqenVariants, EveryVariantWritesTheScalarBytes) {
  const Case cases[] = {
      {48000, 44100, {{0, 4000}}},
      {44100, 48000, {{0, 4000}}},
      {16000, 48000, {{0, 1500}}},
      {48000, 16000, {{0, 6000}}},
      {96000, 48000, {{0, 6000}}},
      {24000, 48000, {{0, 2000}}},
      {44100, 8000, {{0, 8000}}},
      {22050, 37000, {{0, 2000}}},
      {48000, 48000, {{0, 2000}}},
      // Ramps hand the table kernel a phase derived from the interpolator's position.
      {44100, 48000, {{0, 1500}, {32000, 1500}, {48000, 1500}, {44100, 3000}}},
      {48000, 44100, {{0, 1500}, {96000, 3000}, {37000, 1500}, {48000, 3000}}},
  };
  const uint32_t layouts[][2] = {{2, 2}, {1, 2}, {1, 1}, {2, 1}};
  int compared = 0;
  for (const Case& c : cases) {
    for (const auto& layout : layouts) {
      for (uint32_t format : {0u, 1u, 2u, 3u}) {
        const torqen_param_t p{c.in_rate, layout[0], c.out_rate, layout[1], format};
        const std::vector<uint8_t> reference = run(p, Variant::kScalar, c.passes);
        ASSERT_FALSE(reference.empty());
        for (Variant v : kVariants) {
          if (!torqen::variantRuns(v)) {
            continue;
          }
          ++compared;
          EXPECT_TRUE(run(p, v, c.passes) == reference)
              << torqen_signal::nameOf(static_cast<torqen_signal::KernelVariant>(v)) << " " << c.in_rate << "->"
              << c.out_rate << " " << layout[0] << "->" << layout[1] << " format " << format;
        }
      }
    }
  }
  if (compared == 0) {
    GTEST_SKIP() << "this processor runs the scalar kernels only";
  }
}

// The choice is made at open from the processor and kept with the converter.
TEST(TorqenVariants, OpenChoosesTheBestVariantThatRuns) {
  Converter conv(torqen_param_t{48000, 2, 44100, 2, 0});
  const Variant chosen = torqen::variantOf(conv.handle());
  EXPECT_EQ(torqen::bestVariant(), chosen);
  EXPECT_TRUE(torqen::variantRuns(chosen));
#if defined(__x86_64__)
  EXPECT_NE(Variant::kScalar, chosen);
#endif
}

}  // namespace
