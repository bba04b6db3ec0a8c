// The kernels called directly on a converter's history: table-driven, arbitrary-ratio, interpolating
// and copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "torqen/torqen_signal.h"
#include "torqen/torqen_arb.h"
#include "torqen/torqen_fast.h"
#include "torqen/torqen_interp.h"
#include "torqen/torqen_setup.h"
#include "torqen/torqen_tables.h"

namespace {

using torqen_signal::Converter;

constexpr double kUpScale = 16008.0 / (1u << 29);

TEST(TorqenFastKernel, UpsamplingByTwoWritesTwoFramesPerInputFrame) {
  Converter conv(torqen_param_t{24000, 1, 48000, 1, 0});
  torqen_handle_t* h = conv.handle();
  std::vector<int16_t> out(100);
  // From phase 0 the first centre yields one frame, every later one two.
  uint32_t avail = 10;
  EXPECT_EQ(19u, fastTorqen(h, out.data(), 100, &avail, 1, 1));
  EXPECT_EQ(10u, avail);
  EXPECT_EQ(12u, h->phase);
  avail = 10;
  EXPECT_EQ(20u, fastTorqen(h, out.data(), 100, &avail, 1, 1));
  EXPECT_EQ(10u, avail);
}

TEST(TorqenFastKernel, ImpulseAtTheCentreTap) {
  for (uint32_t format : {0u, 3u}) {
    Converter conv(torqen_param_t{24000, 1, 48000, 2, format});
    torqen_handle_t* h = conv.handle();
    const int32_t v = format == 0 ? 10000 : 1 << 28;
    uint32_t avail = 1;
    if (format == 0) {
      torqen_signal::historyOf<int16_t>(h)[h->hist_center] = static_cast<int16_t>(v);
      int16_t out[2] = {};
      ASSERT_EQ(1u, fastTorqen(h, out, 1, &avail, 1, 2));
      EXPECT_NEAR(32767 * kUpScale * v, out[0], 1);
      EXPECT_EQ(out[0], out[1]);
    } else {
      torqen_signal::historyOf<int32_t>(h)[h->hist_center] = v;
      int32_t out[2] = {};
      ASSERT_EQ(1u, fastTorqen_32BIT(h, out, 1, &avail, 1, 2));
      EXPECT_NEAR(32767 * kUpScale * v, out[0], 2);
      EXPECT_EQ(out[0], out[1]);
    }
  }
}

TEST(TorqenFastKernel, NothingToDoWritesNothing) {
  Converter conv(torqen_param_t{48000, 2, 44100, 2, 0});
  int16_t out[8] = {};
  uint32_t avail = 0;
  EXPECT_EQ(0u, fastTorqen(conv.handle(), out, 4, &avail, 2, 2));
  avail = 5;
  EXPECT_EQ(0u, fastTorqen(conv.handle(), out, 0, &avail, 2, 2));
  EXPECT_EQ(0u, avail);
}

TEST(TorqenArbKernel, AdvancesByTheStepOnAverage) {
  Converter conv(torqen_param_t{22050, 1, 37000, 1, 3});
  torqen_handle_t* h = conv.handle();
  h->out_rate = 32000;
  arbTorqReInit_32BIT(h, 44100);
  std::vector<int32_t> out(400);
  uint32_t avail = 900;
  ASSERT_EQ(400u, arbTorqen_32bit(h, out.data(), 400, &avail, 1, 1));
  EXPECT_EQ(400u * 45158 / 32768, avail);
  EXPECT_EQ((400u * 45158 % 32768) << 10, h->frac);
}

// At phase 0 the left wing starts on the centre tap with the frame before the centre; the right wing
// starts a whole frame away.
TEST(TorqenArbKernel, WingsAtPhaseZero) {
  Converter conv(torqen_param_t{22050, 1, 37000, 1, 0});
  torqen_handle_t* h = conv.handle();
  int16_t* hist = torqen_signal::historyOf<int16_t>(h);
  const int16_t v = 12000;
  int16_t out = 0;
  uint32_t avail = 1;
  hist[h->hist_center - 1] = v;
  ASSERT_EQ(1u, arbTorqen(h, &out, 1, &avail, 1, 1));
  EXPECT_NEAR(32767 * kUpScale * v, out, 1);

  hist[h->hist_center - 1] = 0;
  hist[h->hist_center] = v;
  h->frac = 0;
  avail = 1;
  ASSERT_EQ(1u, arbTorqen(h, &out, 1, &avail, 1, 1));
  EXPECT_NEAR(SRCTable3[23040 - 5 * 256] * kUpScale * v, out, 2);
}

// 48000 to 44100 at a 48000 output: the step glides over 960 frames, then jumps to the target.
TEST(TorqenInterpKernel, RampGlidesToTheTarget) {
  Converter conv(torqen_param_t{48000, 1, 48000, 1, 3});
  torqen_handle_t* h = conv.handle();
  ASSERT_EQ(0, Torqen_SetSamplingRate(h, 44100));
  ASSERT_EQ(-2839, h->ramp_step);
  std::vector<int32_t> out(960);
  uint32_t avail = 1000;
  ASSERT_EQ(960u, interpTorqen_32bit(h, out.data(), 960, &avail, 1, 1));
  EXPECT_EQ(33554432u - 960 * 2839, h->ratio);
  EXPECT_EQ(30828992u, h->ratio);
  EXPECT_EQ(0u, h->ramp_left);
  avail = 10;
  ASSERT_EQ(1u, interpTorqen_32bit(h, out.data(), 1, &avail, 1, 1));
  EXPECT_EQ(30828134u, h->ratio);
  EXPECT_EQ(0, h->ramp_step);
}

TEST(TorqenInterpKernel, InterpolatesBetweenNeighbours) {
  Converter conv(torqen_param_t{32000, 2, 44100, 2, 3});
  torqen_handle_t* h = conv.handle();
  int32_t* hist = torqen_signal::historyOf<int32_t>(h);
  const uint32_t m = h->hist_center;
  const int32_t max = 2147483647;
  hist[2 * (m - 1)] = -max - 1;
  hist[2 * (m - 1) + 1] = 1000;
  hist[2 * m] = max;
  hist[2 * m + 1] = 3000;
  h->ramp_left = 0;
  h->ratio_target = h->ratio;
  int32_t out[2];
  uint32_t avail = 1;
  h->frac = 0;
  ASSERT_EQ(1u, interpTorqen_32bit(h, out, 1, &avail, 2, 2));
  EXPECT_EQ(-max - 1, out[0]);
  EXPECT_EQ(1000, out[1]);
  avail = 1;
  h->frac = 1u << 24;
  ASSERT_EQ(1u, interpTorqen_32bit(h, out, 1, &avail, 2, 2));
  EXPECT_EQ(-1, out[0]);
  EXPECT_EQ(2000, out[1]);
  EXPECT_EQ(uint64_t{h->phases} * ((1u << 25) - h->frac) >> 25, h->phase);
}

TEST(TorqenCopyKernel, CopiesWhatBothSidesAllow) {
  Converter conv(torqen_param_t{44100, 1, 44100, 2, 0});
  torqen_handle_t* h = conv.handle();
  int16_t* hist = torqen_signal::historyOf<int16_t>(h);
  for (int i = 0; i < 5; ++i) {
    hist[i] = static_cast<int16_t>(i + 1);
  }
  int16_t out[6] = {};
  uint32_t avail = 5;
  EXPECT_EQ(3u, CopyTorqen(h, out, 3, &avail, 1, 2));
  EXPECT_EQ(3u, avail);
  EXPECT_EQ((std::vector<int16_t>{1, 1, 2, 2, 3, 3}), std::vector<int16_t>(out, out + 6));
}

}  // namespace
