// The multichannel interface against separate single-instance converters.
#include "torqen/torqen_multi.h"

#include <gtest/gtest.h>

#include <vector>

#include "torqen/torqen_signal.h"

namespace {

using torqen_signal::Converter;

class Multi {
 public:
  explicit Multi(const torqen_param_t& p) : param_(p) {
    uint32_t work = 0;
    uint32_t temp = 0;
    Torqen_MultiChannel_GetBufferSize(&work, &temp, &param_);
    work_.assign((work + 7) / 8, 0);
    temp_.assign((temp + 7) / 8, 0);
    open_result_ = Torqen_MultiChannel_Open(&handle_, work_.data(), &param_);
  }
  int openResult() const { return open_result_; }
  torqen_multi_handle_t* handle() { return handle_; }
  void* temp() { return temp_.data(); }

 private:
  torqen_param_t param_;
  std::vector<uint64_t> work_;
  std::vector<uint64_t> temp_;
  torqen_multi_handle_t* handle_ = nullptr;
  int open_result_ = -1;
};

uint32_t sampleBytesIn(uint32_t format) {
  return format <= 1 ? 2 : 4;
}
uint32_t sampleBytesOut(uint32_t format) {
  return format == 0 ? 2 : 4;
}

std::vector<uint8_t> noise(uint32_t bytes, uint32_t seed) {
  std::vector<uint8_t> v(bytes);
  for (auto& b : v) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
  }
  return v;
}

// Channels `first`..`first + count - 1` of interleaved frames of `channels` samples of `width` bytes.
std::vector<uint8_t> pick(const std::vector<uint8_t>& frames, uint32_t channels, uint32_t width, uint32_t first,
                          uint32_t count) {
  std::vector<uint8_t> out;
  for (size_t f = 0; f + channels * width <= frames.size(); f += channels * width) {
    out.insert(out.end(), frames.begin() + f + first * width, frames.begin() + f + (first + count) * width);
  }
  return out;
}

std::vector<uint8_t> streamMulti(Multi& m, const std::vector<uint8_t>& in, uint32_t in_frame, uint32_t out_frame,
                                 uint32_t in_block, uint32_t out_block) {
  std::vector<uint8_t> out;
  std::vector<uint8_t> block(out_block * out_frame);
  size_t pos = 0;
  while (pos < in.size()) {
    uint32_t in_bytes = static_cast<uint32_t>(std::min<size_t>(in.size() - pos, in_block * in_frame));
    uint32_t out_bytes = static_cast<uint32_t>(block.size());
    const int used =
        Torqen_MultiChannel_Process(m.handle(), m.temp(), in.data() + pos, &in_bytes, block.data(), &out_bytes);
    EXPECT_GE(used, 0);
    out.insert(out.end(), block.begin(), block.begin() + out_bytes);
    pos += static_cast<size_t>(used);
    if (used == 0 && out_bytes == 0) {
      break;
    }
  }
  return out;
}

TEST(TorqenMulti, SizesAndOpenResults) {
  uint32_t work = 0;
  uint32_t temp = 0;
  const torqen_param_t six{48000, 6, 44100, 2, 0};
  EXPECT_EQ(0, Torqen_MultiChannel_GetBufferSize(&work, &temp, &six));
  EXPECT_EQ(44u + 3 * 21624, work);
  EXPECT_EQ(8208u, temp);
  const torqen_param_t three{48000, 3, 44100, 3, 1};
  EXPECT_EQ(0, Torqen_MultiChannel_GetBufferSize(&work, &temp, &three));
  EXPECT_EQ(44u + 43140 + 39036, work);
  EXPECT_EQ(16416u, temp);

  EXPECT_EQ(0, Multi(torqen_param_t{48000, 16, 44100, 1, 3}).openResult());
  EXPECT_EQ(-1, Multi(torqen_param_t{48000, 17, 44100, 1, 3}).openResult());
  EXPECT_EQ(-1, Multi(torqen_param_t{48000, 0, 44100, 1, 3}).openResult());
  EXPECT_EQ(-1, Multi(torqen_param_t{48000, 2, 44100, 0, 3}).openResult());
  EXPECT_EQ(-1, Multi(torqen_param_t{48000, 2, 44100, 2, 4}).openResult());
  EXPECT_EQ(-1, Multi(torqen_param_t{50 * 44100 + 1, 2, 44100, 2, 0}).openResult());

  EXPECT_EQ(-1, Torqen_MultiChannel_Reset(nullptr));
  EXPECT_EQ(-1, Torqen_MultiChannel_SetSamplingRate(nullptr, 44100));
}

// Every channel group comes out bit for bit as a separate converter gives it, across rate changes
// and a silence request.
TEST(TorqenMulti, MatchesSeparateConverters) {
  struct Case {
    uint32_t channels, format, in_rate, out_rate, in_block, out_block;
  };
  const Case cases[] = {{6, 0, 48000, 44100, 300, 280},
                        {3, 1, 44100, 48000, 100, 1000},
                        {5, 2, 22050, 37000, 2000, 200},
                        {16, 3, 48000, 16000, 64, 64},
                        {1, 0, 32000, 48000, 50, 70}};
  for (const Case& c : cases) {
    const torqen_param_t p{c.in_rate, c.channels, c.out_rate, c.channels, c.format};
    Multi multi(p);
    ASSERT_EQ(0, multi.openResult());
    const uint32_t bi = sampleBytesIn(c.format);
    const uint32_t bo = sampleBytesOut(c.format);
    const auto in = noise(c.in_rate / 10 * c.channels * bi, c.channels);
    const auto half =
        std::vector<uint8_t>(in.begin(), in.begin() + in.size() / 2 / (c.channels * bi) * c.channels * bi);
    const auto rest = std::vector<uint8_t>(in.begin() + half.size(), in.end());
    auto out = streamMulti(multi, half, c.channels * bi, c.channels * bo, c.in_block, c.out_block);
    ASSERT_EQ(0, Torqen_MultiChannel_SetSamplingRate(multi.handle(), c.in_rate / 2 * 3));
    Torqen_MultiChannel_SetZeroPending(multi.handle());
    const auto more = streamMulti(multi, rest, c.channels * bi, c.channels * bo, c.in_block, c.out_block);
    out.insert(out.end(), more.begin(), more.end());
    ASSERT_FALSE(out.empty());

    for (uint32_t first = 0; first < c.channels; first += 2) {
      const uint32_t count = std::min(2u, c.channels - first);
      Converter single(torqen_param_t{c.in_rate, count, c.out_rate, count, c.format});
      // The multichannel interface hands each converter at most 1024 frames at a time.
      const uint32_t pair_in = std::min(c.in_block, 1024u);
      auto expected = single.stream(pick(half, c.channels, bi, first, count), pair_in, c.out_block);
      Torqen_SetSamplingRate(single.handle(), c.in_rate / 2 * 3);
      Torqen_SetZeroPending(single.handle());
      const auto tail = single.stream(pick(rest, c.channels, bi, first, count), pair_in, c.out_block);
      expected.insert(expected.end(), tail.begin(), tail.end());
      EXPECT_TRUE(expected == pick(out, c.channels, bo, first, count))
          << c.channels << " channels, format " << c.format << ", channels from " << first;
    }
  }
}

TEST(TorqenMulti, ImpulseStaysInItsChannel) {
  for (uint32_t channels : {3u, 6u}) {
    const torqen_param_t p{44100, channels, 48000, channels, 0};
    Multi multi(p);
    std::vector<int16_t> in(channels * 2000, 0);
    const uint32_t hot = channels - 1;
    in[100 * channels + hot] = 30000;
    const auto out = torqen_signal::samplesOf<int16_t>(
        streamMulti(multi, torqen_signal::bytesOf(in), channels * 2, channels * 2, 256, 512));
    ASSERT_GT(out.size(), channels * 1000u);
    int peak = 0;
    for (size_t i = 0; i < out.size(); ++i) {
      if (i % channels == hot) {
        peak = std::max(peak, std::abs(int{out[i]}));
      } else {
        ASSERT_EQ(0, out[i]) << "sample " << i;
      }
    }
    EXPECT_GT(peak, 20000);
  }
}

TEST(TorqenMulti, ProcessEdges) {
  Multi multi(torqen_param_t{48000, 3, 48000, 3, 0});
  std::vector<int16_t> in{1, 2, 3, 4, 5, 6, 7};
  std::vector<int16_t> out(12, 0);
  uint32_t in_bytes = 14;
  uint32_t out_bytes = 24;
  EXPECT_EQ(-1, Torqen_MultiChannel_Process(multi.handle(), nullptr, in.data(), &in_bytes, out.data(), &out_bytes));
  EXPECT_EQ(-1, Torqen_MultiChannel_Process(nullptr, multi.temp(), in.data(), &in_bytes, out.data(), &out_bytes));
  EXPECT_EQ(14u, in_bytes);
  // A part-frame is not converted and comes back as not consumed: two frames in, two frames out.
  EXPECT_EQ(12,
            Torqen_MultiChannel_Process(multi.handle(), multi.temp(), in.data(), &in_bytes, out.data(), &out_bytes));
  EXPECT_EQ(2u, in_bytes);
  EXPECT_EQ(12u, out_bytes);
  EXPECT_EQ((std::vector<int16_t>{1, 2, 3, 4, 5, 6}), std::vector<int16_t>(out.begin(), out.begin() + 6));
  in_bytes = 4;
  out_bytes = 24;
  EXPECT_EQ(0, Torqen_MultiChannel_Process(multi.handle(), multi.temp(), in.data(), &in_bytes, out.data(), &out_bytes));
  EXPECT_EQ(4u, in_bytes);
  EXPECT_EQ(0u, out_bytes);

  // Output space too small for a single frame of the filter's look-ahead: the call ends.
  Multi slow(torqen_param_t{44100, 4, 48000, 4, 3});
  std::vector<int32_t> frames(4 * 10, 1);
  in_bytes = 4 * 4 * 10;
  out_bytes = 4 * 4;
  const int used =
      Torqen_MultiChannel_Process(slow.handle(), slow.temp(), frames.data(), &in_bytes, out.data(), &out_bytes);
  EXPECT_GE(used, 0);
  EXPECT_EQ(4u * 4 * 10 - static_cast<uint32_t>(used), in_bytes);
}

}  // namespace
