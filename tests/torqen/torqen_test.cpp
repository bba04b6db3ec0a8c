// The single-instance interface end to end: sizes, result codes, byte accounting, and signals through
// the converter.
#include "torqen/torqen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ostream>
#include <string>

#include "torqen/torqen_signal.h"

namespace {

using torqen_signal::Converter;

torqen_param_t param(uint32_t in_rate, uint32_t in_ch, uint32_t out_rate, uint32_t out_ch, uint32_t format) {
  return torqen_param_t{in_rate, in_ch, out_rate, out_ch, format};
}

TEST(TorqenInterface, VersionAndMemorySizes) {
  EXPECT_STREQ("version 2.4.0", Torqen_GetVersion());
  struct Case {
    uint32_t in_ch, out_ch, format, work;
  };
  const Case cases[] = {{1, 1, 0, 19572}, {1, 2, 0, 19572}, {2, 1, 0, 19572}, {2, 2, 0, 21624},
                        {1, 1, 1, 39036}, {2, 1, 2, 39036}, {2, 2, 1, 43140}, {2, 2, 3, 43140}};
  for (const Case& c : cases) {
    uint32_t work = 1;
    uint32_t temp = 1;
    const torqen_param_t p = param(48000, c.in_ch, 8000, c.out_ch, c.format);
    EXPECT_EQ(0, Torqen_GetBufferSize(&work, &temp, &p));
    EXPECT_EQ(c.work, work) << c.in_ch << " to " << c.out_ch << " format " << c.format;
    EXPECT_EQ(0u, temp);
  }
}

TEST(TorqenInterface, OpenAcceptsOnlyPairsItCanServe) {
  struct Case {
    torqen_param_t p;
    int expected;
  };
  const Case cases[] = {
      {param(48000, 2, 44100, 2, 0), 0},
      {param(960, 1, 48000, 2, 3), 0},              // exactly 50 times up
      {param(44100, 1, 1600, 1, 1), 0},             // 27.6 times down on a table
      {param(48000, 1, 3400, 1, 2), 0},             // 14.1 times down, arbitrary
      {param(50 * 44100 + 1, 2, 44100, 2, 0), -1},  // beyond 50 times
      {param(48000, 0, 44100, 2, 0), -1},
      {param(48000, 2, 44100, 3, 0), -1},
      {param(48000, 2, 44100, 2, 4), -1},
      {param(0, 2, 0, 2, 0), -1},         // no rates at all
      {param(40, 1, 40, 1, 0), -1},       // too low to ramp between
      {param(48000, 1, 960, 1, 0), -1},   // 50 times down: the history cannot hold the filter
      {param(48000, 1, 3200, 1, 0), -1},  // 15 times down, arbitrary
      {param(44100, 1, 1300, 1, 0), -1},  // 33.9 times down on a table
  };
  for (const Case& c : cases) {
    Converter conv(c.p);
    EXPECT_EQ(c.expected, conv.openResult()) << c.p.in_rate << " to " << c.p.out_rate;
    if (c.expected == 0) {
      // The converter lives in the caller's memory: the handle is its first byte.
      EXPECT_EQ(static_cast<const void*>(conv.handle()), conv.workMemory());
    }
  }
}

TEST(TorqenInterface, RateChangeResults) {
  EXPECT_EQ(-1, Torqen_SetSamplingRate(nullptr, 44100));
  EXPECT_EQ(-1, Torqen_Reset(nullptr));

  Converter conv(param(48000, 2, 48000, 2, 0));
  ASSERT_EQ(0, conv.openResult());
  torqen_handle_t* h = conv.handle();
  EXPECT_EQ(0, Torqen_SetSamplingRate(h, 48000));
  EXPECT_EQ(0u, h->ramp_active);

  const torqen_handle_t before = *h;
  for (uint32_t rejected : {0u, 40u, 959u, 48000u * 50 + 50, 48000u * 20}) {
    EXPECT_EQ(-2, Torqen_SetSamplingRate(h, rejected)) << rejected;
    EXPECT_EQ(0, std::memcmp(&before, h, sizeof before)) << rejected;
  }

  EXPECT_EQ(0, Torqen_SetSamplingRate(h, 44100));
  EXPECT_EQ(1u, h->ramp_active);
  EXPECT_EQ(960u, h->ramp_left);
  EXPECT_EQ(-2839, h->ramp_step);
  EXPECT_EQ(30828134u, h->ratio_target);
  EXPECT_EQ(0u, h->passthrough);
}

TEST(TorqenInterface, StrayBytesAreReportedBackUnconsumed) {
  Converter conv(param(48000, 2, 44100, 2, 0));
  const uint8_t in[7] = {1, 2, 3, 4, 5, 6, 7};
  uint8_t out[64];
  uint32_t in_bytes = sizeof in;
  uint32_t out_bytes = sizeof out;
  EXPECT_EQ(4, Torqen_Process(conv.handle(), nullptr, in, &in_bytes, out, &out_bytes));
  EXPECT_EQ(3u, in_bytes);
  EXPECT_EQ(0u, out_bytes);
}

TEST(TorqenInterface, ResetReturnsToAFreshStart) {
  const torqen_param_t p = param(44100, 2, 48000, 2, 3);
  const auto in = torqen_signal::sineInput(p, 1000, 0.5, 3000);
  Converter fresh(p);
  const auto expected = fresh.stream(in, 256, 256);

  Converter used(p);
  used.stream(torqen_signal::sineInput(p, 3000, 0.9, 777), 100, 100);
  ASSERT_EQ(0, Torqen_Reset(used.handle()));
  EXPECT_EQ(expected, used.stream(in, 256, 256));
}

struct SignalCase {
  uint32_t in_rate, out_rate, in_ch, out_ch, format;
  double max_thdn_db;
};

// How GoogleTest and CTest show a case: its rates, channels, format and limit.
void PrintTo(const SignalCase& c, std::ostream* os) {
  *os << c.in_rate << " Hz " << c.in_ch << " ch to " << c.out_rate << " Hz " << c.out_ch << " ch, format " << c.format
      << ", THD+N under " << c.max_thdn_db << " dB";
}

class TorqenSignal : public ::testing::TestWithParam<SignalCase> {};

// A 1 kHz sine comes out at 1 kHz, at its level and clean, in every channel.
TEST_P(TorqenSignal, SineKeepsFrequencyAndLevel) {
  const SignalCase c = GetParam();
  const torqen_param_t p = param(c.in_rate, c.in_ch, c.out_rate, c.out_ch, c.format);
  Converter conv(p);
  ASSERT_EQ(0, conv.openResult());
  const double amplitude = 0.5;
  const auto out = conv.stream(torqen_signal::sineInput(p, 1000, amplitude, c.in_rate / 4), 480, 512);
  for (uint32_t ch = 0; ch < c.out_ch; ++ch) {
    auto x = torqen_signal::channelOf(p, out, ch);
    ASSERT_GT(x.size(), 2000u);
    // Past the filter's start-up, and away from the end of the input.
    x = std::vector<double>(x.begin() + 200, x.end() - 200);
    const auto fit = torqen_signal::fitSine(x, c.out_rate, 1000);
    EXPECT_NEAR(1000.0, fit.freq, 0.05) << "channel " << ch;
    EXPECT_NEAR(0.0, 20 * std::log10(fit.amplitude / amplitude), 0.1) << "channel " << ch;
    EXPECT_LT(fit.thdn_db, c.max_thdn_db) << "channel " << ch;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, TorqenSignal,
    ::testing::Values(SignalCase{48000, 44100, 2, 2, 0, -80}, SignalCase{44100, 48000, 2, 2, 0, -80},
                      SignalCase{16000, 48000, 1, 2, 0, -80}, SignalCase{48000, 16000, 2, 1, 0, -80},
                      SignalCase{22050, 37000, 1, 1, 0, -80}, SignalCase{37000, 22050, 2, 2, 0, -80},
                      SignalCase{48000, 44100, 2, 2, 3, -80}, SignalCase{44100, 48000, 1, 1, 1, -80},
                      SignalCase{16000, 48000, 2, 2, 2, -80}, SignalCase{48000, 16000, 1, 1, 3, -80},
                      SignalCase{22050, 37000, 2, 2, 3, -80}, SignalCase{96000, 11025, 1, 1, 3, -80}),
    // Named by the case, so a failure says which rate pair broke.
    [](const ::testing::TestParamInfo<SignalCase>& info) {
      const SignalCase& c = info.param;
      return std::to_string(c.in_rate) + "_to_" + std::to_string(c.out_rate) + "_" + std::to_string(c.in_ch) +
             "ch_to_" + std::to_string(c.out_ch) + "ch_format" + std::to_string(c.format);
    });

TEST(TorqenPassThrough, EqualRatesPassInputThrough) {
  for (uint32_t format = 0; format < 4; ++format) {
    for (uint32_t ch = 1; ch <= 2; ++ch) {
      const torqen_param_t p = param(32000, ch, 32000, ch, format);
      Converter conv(p);
      std::vector<int32_t> in(ch * 1000);
      for (size_t i = 0; i < in.size(); ++i) {
        in[i] = static_cast<int32_t>(i * 7919u * 104729u);
      }
      std::vector<uint8_t> in_bytes;
      std::vector<int64_t> expected;
      for (int32_t v : in) {
        if (format <= 1) {
          const int16_t s = static_cast<int16_t>(v);
          in_bytes.insert(in_bytes.end(), reinterpret_cast<const uint8_t*>(&s),
                          reinterpret_cast<const uint8_t*>(&s) + 2);
          expected.push_back(format == 0 ? s : int64_t{s} * 65536);
        } else {
          in_bytes.insert(in_bytes.end(), reinterpret_cast<const uint8_t*>(&v),
                          reinterpret_cast<const uint8_t*>(&v) + 4);
          expected.push_back(format == 3 ? v : static_cast<int32_t>(static_cast<uint32_t>(v) << 8));
        }
      }
      const auto out = conv.stream(in_bytes, 300, 512);
      std::vector<int64_t> got;
      if (format == 0) {
        for (int16_t s : torqen_signal::samplesOf<int16_t>(out))
          got.push_back(s);
      } else {
        for (int32_t s : torqen_signal::samplesOf<int32_t>(out))
          got.push_back(s);
      }
      EXPECT_EQ(expected, got) << "format " << format << ", channels " << ch;
    }
  }
}

// Mono to stereo duplicates; stereo to mono averages, without overflow and with 24-bit words mixed as
// 24-bit samples whatever their top byte holds.
TEST(TorqenPassThrough, ChannelLayoutChanges) {
  {
    Converter conv(param(8000, 1, 8000, 2, 0));
    const auto out =
        torqen_signal::samplesOf<int16_t>(conv.stream(torqen_signal::bytesOf(std::vector<int16_t>{5, -7}), 8, 8));
    EXPECT_EQ((std::vector<int16_t>{5, 5, -7, -7}), out);
  }
  {
    Converter conv(param(8000, 2, 8000, 1, 0));
    const auto out = torqen_signal::samplesOf<int16_t>(
        conv.stream(torqen_signal::bytesOf(std::vector<int16_t>{3, 4, -3, -4, 32767, 32767, -32768, -32767}), 8, 8));
    EXPECT_EQ((std::vector<int16_t>{3, -4, 32767, -32768}), out);
  }
  {
    Converter conv(param(8000, 2, 8000, 1, 3));
    const int32_t max = 2147483647;
    const int32_t min = -max - 1;
    const auto out = torqen_signal::samplesOf<int32_t>(
        conv.stream(torqen_signal::bytesOf(std::vector<int32_t>{max, max, min, min, max, min}), 8, 8));
    EXPECT_EQ((std::vector<int32_t>{max, min, -1}), out);
  }
  {
    Converter conv(param(8000, 2, 8000, 1, 2));
    // 0x7FFFFF and 0x7FFFFE with a top byte of ones: still a large positive sum.
    const std::vector<int32_t> in{static_cast<int32_t>(0xFF7FFFFFu), static_cast<int32_t>(0xFF7FFFFEu),
                                  static_cast<int32_t>(0x00800000u), 0x00000000};
    const auto out = torqen_signal::samplesOf<int32_t>(conv.stream(torqen_signal::bytesOf(in), 8, 8));
    EXPECT_EQ((std::vector<int32_t>{0x7FFFFE80, -0x40000000}), out);
  }
}

// A rate change while the stream runs glides into the new ratio: a tone stays free of steps, and ends
// at its frequency once the ramp is over.
TEST(TorqenRamp, RateChangeMidStreamHasNoClick) {
  struct Case {
    uint32_t from, to, out, format;
  };
  const Case cases[] = {{48000, 44100, 32000, 0}, {44100, 48000, 96000, 3}, {32000, 44100, 48000, 1},
                        {48000, 32000, 44100, 3}, {44100, 22050, 16000, 0}, {24000, 37000, 48000, 2},
                        {24000, 96000, 16000, 3}, {96000, 24000, 16000, 0}};
  for (const Case& c : cases) {
    const torqen_param_t p = param(c.from, 1, c.out, 1, c.format);
    Converter conv(p);
    ASSERT_EQ(0, conv.openResult());
    const double amplitude = 0.5;
    auto out = conv.stream(torqen_signal::sineInput(p, 1000, amplitude, c.from / 10), 64, 64);
    ASSERT_EQ(0, Torqen_SetSamplingRate(conv.handle(), c.to));
    torqen_param_t after = p;
    after.in_rate = c.to;
    // The tone goes on where it left off, now sampled at the new rate.
    const uint32_t phase_frames = c.from / 10;
    auto tail = torqen_signal::sineInput(after, 1000, amplitude, c.to / 5 + c.to / 10);
    const uint32_t skip = static_cast<uint32_t>(uint64_t{phase_frames} * c.to / c.from) * conv.inFrameBytes();
    tail.erase(tail.begin(), tail.begin() + skip);
    const auto more = conv.stream(tail, 64, 64);
    out.insert(out.end(), more.begin(), more.end());

    const auto x = torqen_signal::channelOf(p, out, 0);
    const double pi = std::acos(-1.0);
    // While the ramp plays frames of one rate at the step of the other, the tone moves by up to the
    // ratio of the two; no step between frames may exceed what that allows.
    const double spread = double(std::max(c.from, c.to)) / std::min(c.from, c.to);
    const double max_step = amplitude * 2 * pi * 1000 * spread / c.out * 1.05;
    for (size_t i = 100; i + 1 < x.size(); ++i) {
      ASSERT_LT(std::fabs(x[i + 1] - x[i]), max_step) << c.from << " to " << c.to << " at " << i;
    }
    const std::vector<double> settled(x.end() - c.out / 20, x.end() - 100);
    const auto fit = torqen_signal::fitSine(settled, c.out, 1000);
    EXPECT_NEAR(1000.0, fit.freq, 0.05) << c.from << " to " << c.to;
    EXPECT_NEAR(amplitude, fit.amplitude, 0.01) << c.from << " to " << c.to;
    EXPECT_LT(fit.thdn_db, -60) << c.from << " to " << c.to;
  }
}

// Full-scale input drives the output into its limits: it is twice a half-scale input's output, clipped,
// and never wraps to the other sign.
TEST(TorqenSaturation, FullScaleInputClipsInsteadOfWrapping) {
  for (uint32_t format : {0u, 3u}) {
    for (uint32_t out_rate : {44100u, 37000u, 96000u}) {
      const torqen_param_t p = param(48000, 1, out_rate, 1, format);
      const int64_t max = format == 0 ? 32767 : 2147483647;
      std::vector<uint8_t> in[2];
      for (int half = 0; half < 2; ++half) {
        std::vector<int32_t> square(4800);
        for (size_t i = 0; i < square.size(); ++i) {
          const int64_t v = (i / 48) % 2 == 0 ? max : -max - 1;
          square[i] = static_cast<int32_t>(half != 0 ? v / 2 : v);
        }
        in[half] = format == 0 ? torqen_signal::bytesOf(std::vector<int16_t>(square.begin(), square.end()))
                               : torqen_signal::bytesOf(square);
      }
      Converter full(p);
      Converter half(p);
      const auto x = torqen_signal::channelOf(p, full.stream(in[0], 256, 256), 0);
      const auto y = torqen_signal::channelOf(p, half.stream(in[1], 256, 256), 0);
      ASSERT_EQ(x.size(), y.size());
      const double top = double(max) / (max + 1);
      bool clipped = false;
      for (size_t i = 0; i < x.size(); ++i) {
        const double expected = std::min(top, std::max(-1.0, 2 * y[i]));
        ASSERT_NEAR(expected, x[i], 2e-4) << format << " " << out_rate << " at " << i;
        clipped = clipped || 2 * y[i] > 1.0;
      }
      EXPECT_TRUE(clipped) << format << " " << out_rate;
    }
  }
}

}  // namespace
