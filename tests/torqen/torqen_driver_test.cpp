// The conversion drivers: look-ahead, leading silence, intake pacing and the history across rate
// changes.
#include "torqen/torqen_driver.h"

#include <gtest/gtest.h>

#include <vector>

#include "torqen/torqen_signal.h"

namespace {

using torqen_signal::Converter;

struct Call {
  int consumed;
  uint32_t in_left;
  std::vector<uint8_t> out;
};

// One call with at most `in_frames` of what is left of `in` from `pos`.
Call process(Converter& conv, const std::vector<uint8_t>& in, size_t pos, uint32_t in_frames, uint32_t out_frames) {
  uint32_t in_bytes = static_cast<uint32_t>(std::min<size_t>(in_frames * conv.inFrameBytes(), in.size() - pos));
  uint32_t out_bytes = out_frames * conv.outFrameBytes();
  // Guard bytes after the output space must stay untouched.
  std::vector<uint8_t> out(out_bytes + 64, 0xA5);
  const int consumed = Torqen_Process(conv.handle(), nullptr, in.data() + pos, &in_bytes, out.data(), &out_bytes);
  for (size_t i = out_frames * conv.outFrameBytes(); i < out.size(); ++i) {
    EXPECT_EQ(0xA5, out[i]) << "written past the output space at byte " << i;
  }
  out.resize(out_bytes);
  return {consumed, in_bytes, out};
}

std::vector<uint8_t> noise(const Converter& conv, uint32_t frames) {
  std::vector<uint8_t> in(frames * conv.inFrameBytes());
  uint32_t x = 12345;
  for (auto& b : in) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 16);
  }
  return in;
}

TEST(TorqenDriver, LookAheadIsHeldUntilTheNextCall) {
  Converter conv(torqen_param_t{24000, 1, 48000, 1, 0});
  const uint32_t keep = conv.handle()->hist_keep;
  std::vector<int16_t> in(200, 0);
  in[0] = 20000;
  const auto bytes = torqen_signal::bytesOf(in);
  const Call first = process(conv, bytes, 0, keep, 100);
  EXPECT_EQ(static_cast<int>(keep * 2), first.consumed);
  EXPECT_TRUE(first.out.empty());
  const Call second = process(conv, bytes, keep * 2, 100, 400);
  const auto out = torqen_signal::samplesOf<int16_t>(second.out);
  ASSERT_FALSE(out.empty());
  // The impulse of the first call leads the output: the centre tap, scaled by the upsampling gain.
  EXPECT_NEAR(20000 * 32767.0 * 16008 / (1u << 29), out[0], 2);
}

// A zero request puts exactly `hist_keep` frames of silence ahead of the same output, even when the
// output space is smaller than the silence: what does not fit waits for the next call.
TEST(TorqenDriver, LeadingSilence) {
  for (uint32_t format : {0u, 3u}) {
    for (uint32_t out_block : {7u, 512u}) {
      const torqen_param_t p{44100, 2, 48000, 2, format};
      Converter plain(p);
      Converter quiet(p);
      Torqen_SetZeroPending(quiet.handle());
      const auto in = noise(plain, 600);
      std::vector<uint8_t> a;
      std::vector<uint8_t> b;
      size_t pa = 0;
      size_t pb = 0;
      for (int i = 0; i < 400 && (pa < in.size() || pb < in.size()); ++i) {
        const uint32_t left_a = static_cast<uint32_t>((in.size() - pa) / plain.inFrameBytes());
        const uint32_t left_b = static_cast<uint32_t>((in.size() - pb) / quiet.inFrameBytes());
        const Call ca = process(plain, in, pa, std::min(left_a, 64u), out_block);
        const Call cb = process(quiet, in, pb, std::min(left_b, 64u), out_block);
        pa += ca.consumed;
        pb += cb.consumed;
        a.insert(a.end(), ca.out.begin(), ca.out.end());
        b.insert(b.end(), cb.out.begin(), cb.out.end());
      }
      const size_t silence = quiet.handle()->hist_keep * quiet.outFrameBytes();
      ASSERT_GT(b.size(), silence + 100);
      EXPECT_TRUE(std::all_of(b.begin(), b.begin() + silence, [](uint8_t v) { return v == 0; }));
      const size_t common = std::min(a.size(), b.size() - silence);
      EXPECT_TRUE(std::equal(a.begin(), a.begin() + common, b.begin() + silence)) << format << " " << out_block;
      EXPECT_EQ(0u, quiet.handle()->zero_pending);
    }
  }
}

TEST(TorqenDriver, PassThroughIgnoresASilenceRequest) {
  Converter conv(torqen_param_t{48000, 1, 48000, 1, 0});
  Torqen_SetZeroPending(conv.handle());
  const auto in = torqen_signal::bytesOf(std::vector<int16_t>{9, 8, 7});
  const Call c = process(conv, in, 0, 3, 10);
  EXPECT_EQ((std::vector<int16_t>{9, 8, 7}), torqen_signal::samplesOf<int16_t>(c.out));
  EXPECT_EQ(0u, conv.handle()->zero_pending);
}

// With the output full, format 0 still takes what fits in the history; the 32-bit driver takes only
// what the free output needs.
TEST(TorqenDriver, IntakeWhenTheOutputIsFull) {
  Converter narrow(torqen_param_t{44100, 1, 48000, 1, 0});
  Converter wide(torqen_param_t{44100, 1, 48000, 1, 3});
  const auto in16 = noise(narrow, 2000);
  const auto in32 = noise(wide, 2000);
  const Call a = process(narrow, in16, 0, 2000, 10);
  const Call b = process(wide, in32, 0, 2000, 10);
  EXPECT_EQ(10u, a.out.size() / narrow.outFrameBytes());
  EXPECT_EQ(10u, b.out.size() / wide.outFrameBytes());
  EXPECT_EQ(static_cast<int>((1024 - 18) * 2), a.consumed);
  EXPECT_LE(b.consumed, static_cast<int>(40 * 4));
  EXPECT_EQ(2000 * 4 - b.consumed, static_cast<int>(b.in_left));
}

TEST(TorqenDriver, RampEndsAndTheSteadyKernelTakesOver) {
  Converter conv(torqen_param_t{44100, 1, 48000, 1, 3});
  const auto in = noise(conv, 3000);
  size_t pos = process(conv, in, 0, 500, 600).consumed;
  ASSERT_EQ(0, Torqen_SetSamplingRate(conv.handle(), 32000));
  EXPECT_EQ(1u, conv.handle()->ramp_active);
  const Call during = process(conv, in, pos, 400, 500);
  pos += during.consumed;
  EXPECT_EQ(960u - during.out.size() / conv.outFrameBytes(), conv.handle()->ramp_left);
  EXPECT_EQ(1u, conv.handle()->ramp_active);
  pos += process(conv, in, pos, 1000, 1200).consumed;
  EXPECT_EQ(0u, conv.handle()->ramp_left);
  EXPECT_EQ(0u, conv.handle()->ramp_active);
  EXPECT_EQ(conv.handle()->ratio_target, conv.handle()->ratio);
}

// A rate change that narrows the filter leaves the centre beyond the new `hist_keep`: one-frame
// output blocks still produce a frame each, and take only about what they need.
TEST(TorqenDriver, NarrowerFilterAfterARateChangeKeepsProducing) {
  Converter conv(torqen_param_t{48000, 1, 16000, 1, 3});
  const auto in = noise(conv, 4000);
  size_t pos = 0;
  for (int i = 0; i < 20; ++i) {
    pos += process(conv, in, pos, 30, 10).consumed;
  }
  ASSERT_EQ(52u, conv.handle()->hist_center);
  ASSERT_EQ(0, Torqen_SetSamplingRate(conv.handle(), 24000));
  ASSERT_EQ(27u, conv.handle()->hist_keep);
  uint32_t produced = 0;
  for (int i = 0; i < 300; ++i) {
    const Call c = process(conv, in, pos, 200, 1);
    pos += c.consumed;
    EXPECT_LE(c.consumed, 4 * 60) << i;
    produced += static_cast<uint32_t>(c.out.size() / conv.outFrameBytes());
  }
  EXPECT_GE(produced, 299u);
}

// A rate change that widens the filter while format 0 holds a full history: the centre is realigned
// with silence once there is room, nothing is read or moved outside the history, and the newest
// frames held at the change still reach the output.
TEST(TorqenDriver, WiderFilterAfterARateChangeWithAFullHistory) {
  Converter conv(torqen_param_t{32000, 1, 16000, 1, 0});
  std::vector<int16_t> samples(20000, 0);
  const uint32_t taken = 1024 - conv.handle()->hist_keep;
  std::fill(samples.begin() + taken - 8, samples.begin() + taken, int16_t{20000});
  const auto in = torqen_signal::bytesOf(samples);
  size_t pos = process(conv, in, 0, 1200, 1).consumed;
  ASSERT_EQ(taken * 2, pos);
  ASSERT_EQ(0, Torqen_SetSamplingRate(conv.handle(), 96000));
  ASSERT_EQ(103u, conv.handle()->hist_keep);
  std::vector<int16_t> out;
  for (int i = 0; i < 400; ++i) {
    const Call c = process(conv, in, pos, 50, 1);
    pos += c.consumed;
    ASSERT_EQ(conv.outFrameBytes(), c.out.size()) << i;
    ASSERT_LE(conv.handle()->hist_fill, 1024u);
    const auto s = torqen_signal::samplesOf<int16_t>(c.out);
    out.insert(out.end(), s.begin(), s.end());
  }
  EXPECT_EQ(conv.handle()->hist_keep, conv.handle()->hist_center);
  while (pos < in.size()) {
    const Call c = process(conv, in, pos, 500, 500);
    ASSERT_GT(c.consumed, 0);
    pos += c.consumed;
    const auto s = torqen_signal::samplesOf<int16_t>(c.out);
    out.insert(out.end(), s.begin(), s.end());
  }
  EXPECT_GT(*std::max_element(out.begin(), out.end()), 5000);
}

}  // namespace
