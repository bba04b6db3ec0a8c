#include "torqen/bench/torqen_bench_peers.h"

#include <samplerate.h>
#include <soxr.h>
#include <speex/speex_resampler.h>

#include <vector>

#include "tests/torqen/torqen_harness.h"
#include "torqen/torqen.h"
#include "torqen/torqen_multi.h"

namespace torqen_bench {
namespace {

class TorqenResampler : public Resampler {
 public:
  TorqenResampler(const RatePair& r, uint32_t channels, int bits, int variant) : channels_(channels), bytes_(bits / 8) {
    const torqen_param_t p{r.in, channels, r.out, channels, bits == 16 ? 0u : 3u};
    uint32_t work = 0;
    uint32_t temp = 0;
    if (channels <= 2) {
      Torqen_GetBufferSize(&work, &temp, &p);
      work_.resize(work / 8 + 1);
      Torqen_Open(&single_, work_.data(), &p, 0);
    } else {
      Torqen_MultiChannel_GetBufferSize(&work, &temp, &p);
      work_.resize(work / 8 + 1);
      temp_.resize(temp / 8 + 1);
      Torqen_MultiChannel_Open(&multi_, work_.data(), &p);
    }
    if (variant >= 0) {
      const auto v = static_cast<torqen_test::KernelVariant>(variant);
      if (single_ != nullptr) {
        torqen_test::useVariant(single_, v);
      } else {
        for (uint32_t i = 0; i < (channels + 1) / 2; ++i) {
          auto* at = reinterpret_cast<uint8_t*>(multi_) + multi_->instance[i];
          torqen_test::useVariant(reinterpret_cast<torqen_handle_t*>(at), v);
        }
      }
    }
  }
  size_t run(const void* in, size_t frames, size_t* used, void* out, size_t room) override {
    uint32_t in_bytes = static_cast<uint32_t>(frames * channels_ * bytes_);
    uint32_t out_bytes = static_cast<uint32_t>(room * channels_ * bytes_);
    const int consumed = single_ != nullptr
                             ? Torqen_Process(single_, nullptr, in, &in_bytes, out, &out_bytes)
                             : Torqen_MultiChannel_Process(multi_, temp_.data(), in, &in_bytes, out, &out_bytes);
    *used = static_cast<size_t>(consumed) / (channels_ * bytes_);
    return out_bytes / (channels_ * bytes_);
  }

 private:
  uint32_t channels_;
  uint32_t bytes_;
  std::vector<uint64_t> work_;
  std::vector<uint64_t> temp_;
  torqen_handle_t* single_ = nullptr;
  torqen_multi_handle_t* multi_ = nullptr;
};

// libtorqen32's bands: flat to 0.8 of the lower Nyquist frequency, about -3 dB at 0.95 and about
// 80 dB down where its transition band ends, a little above the lower Nyquist frequency. soxr takes
// no precision below 15 bits (about 90 dB).
soxr_quality_spec_t soxrQuality(int recipe) {
  if (recipe != kSoxrMatched) {
    return soxr_quality_spec(static_cast<unsigned long>(recipe), 0);
  }
  soxr_quality_spec_t q = soxr_quality_spec(SOXR_LQ, 0);
  q.precision = 15;
  q.passband_end = 0.85;
  q.stopband_begin = 1.1;
  return q;
}

class SoxrResampler : public Resampler {
 public:
  SoxrResampler(const RatePair& r, uint32_t channels, int bits, int recipe) {
    const soxr_datatype_t type = bits == 16 ? SOXR_INT16_I : SOXR_INT32_I;
    soxr_io_spec_t io = soxr_io_spec(type, type);
    io.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t q = soxrQuality(recipe);
    // One thread: the benchmark times the converting thread.
    const soxr_runtime_spec_t rt = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    soxr_ = soxr_create(r.in, r.out, channels, &error, &io, &q, &rt);
  }
  ~SoxrResampler() override { soxr_delete(soxr_); }
  size_t run(const void* in, size_t frames, size_t* used, void* out, size_t room) override {
    size_t done = 0;
    soxr_process(soxr_, in, frames, used, out, room, &done);
    return done;
  }

 private:
  soxr_t soxr_ = nullptr;
};

// libsamplerate and speexdsp's float path work in float: the conversions to and from integers are
// part of what their users pay. The float buffers grow to the largest block once.
class FloatBridge {
 protected:
  FloatBridge(uint32_t channels, int bits) : channels_(channels), bits_(bits) {}
  const float* toFloat(const void* in, size_t frames) {
    const size_t n = frames * channels_;
    if (in_.size() < n) {
      in_.resize(n);
    }
    if (bits_ == 16) {
      src_short_to_float_array(static_cast<const short*>(in), in_.data(), static_cast<int>(n));
    } else {
      src_int_to_float_array(static_cast<const int*>(in), in_.data(), static_cast<int>(n));
    }
    return in_.data();
  }
  float* outFloat(size_t room) {
    if (out_.size() < room * channels_) {
      out_.resize(room * channels_);
    }
    return out_.data();
  }
  void fromFloat(void* out, size_t frames) {
    if (bits_ == 16) {
      src_float_to_short_array(out_.data(), static_cast<short*>(out), static_cast<int>(frames * channels_));
    } else {
      src_float_to_int_array(out_.data(), static_cast<int*>(out), static_cast<int>(frames * channels_));
    }
  }
  uint32_t channels_;
  int bits_;

 private:
  std::vector<float> in_;
  std::vector<float> out_;
};

class SamplerateResampler : public Resampler, FloatBridge {
 public:
  SamplerateResampler(const RatePair& r, uint32_t channels, int bits, int type)
      : FloatBridge(channels, bits), ratio_(double(r.out) / r.in) {
    int error = 0;
    src_ = src_new(type, static_cast<int>(channels), &error);
  }
  ~SamplerateResampler() override { src_delete(src_); }
  size_t run(const void* in, size_t frames, size_t* used, void* out, size_t room) override {
    SRC_DATA d{};
    d.data_in = toFloat(in, frames);
    d.data_out = outFloat(room);
    d.input_frames = static_cast<long>(frames);
    d.output_frames = static_cast<long>(room);
    d.src_ratio = ratio_;
    src_process(src_, &d);
    fromFloat(out, static_cast<size_t>(d.output_frames_gen));
    *used = static_cast<size_t>(d.input_frames_used);
    return static_cast<size_t>(d.output_frames_gen);
  }

 private:
  double ratio_;
  SRC_STATE* src_ = nullptr;
};

class SpeexResampler : public Resampler, FloatBridge {
 public:
  SpeexResampler(const RatePair& r, uint32_t channels, int bits, int quality) : FloatBridge(channels, bits) {
    int error = 0;
    st_ = speex_resampler_init(channels, r.in, r.out, quality, &error);
  }
  ~SpeexResampler() override { speex_resampler_destroy(st_); }
  size_t run(const void* in, size_t frames, size_t* used, void* out, size_t room) override {
    spx_uint32_t in_len = static_cast<spx_uint32_t>(frames);
    spx_uint32_t out_len = static_cast<spx_uint32_t>(room);
    if (bits_ == 16) {
      speex_resampler_process_interleaved_int(st_, static_cast<const spx_int16_t*>(in), &in_len,
                                              static_cast<spx_int16_t*>(out), &out_len);
    } else {
      speex_resampler_process_interleaved_float(st_, toFloat(in, frames), &in_len, outFloat(room), &out_len);
      fromFloat(out, out_len);
    }
    *used = in_len;
    return out_len;
  }

 private:
  SpeexResamplerState* st_ = nullptr;
};

}  // namespace

std::unique_ptr<Resampler> makeResampler(const ConverterKind& k, const RatePair& r, uint32_t channels, int bits) {
  switch (k.family) {
    case Family::Torqen:
      return std::make_unique<TorqenResampler>(r, channels, bits, k.setting);
    case Family::Soxr:
      return std::make_unique<SoxrResampler>(r, channels, bits, k.setting);
    case Family::Samplerate:
      return std::make_unique<SamplerateResampler>(r, channels, bits, k.setting);
    case Family::Speex:
      return std::make_unique<SpeexResampler>(r, channels, bits, k.setting);
  }
  return nullptr;
}

bool kindRuns(const ConverterKind& k) {
  return k.family != Family::Torqen || k.setting < 0 ||
         torqen_test::variantRuns(static_cast<torqen_test::KernelVariant>(k.setting));
}

}  // namespace torqen_bench
