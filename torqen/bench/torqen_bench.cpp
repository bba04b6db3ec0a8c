// Measures libtorqen32 beside libsoxr, libsamplerate and speexdsp on the same rate pairs, sample
// widths and channel counts: passband ripple, -3 dB edge, alias and image rejection, THD+N, latency,
// speed on one core and instructions per output frame (under callgrind).
//
//   torqen_bench <report dir>                 quality, speed and instruction counts; writes results.md
//                                             and response.csv there
//
// libtorqen32's quality is measured once (every kernel variant writes the same bytes); its speed
// and instruction counts are measured for every variant this processor runs.
//   torqen_bench <report dir> <torqen_count for the board>
//                                             the same, and instruction counts of libtorqen32's kernel
//                                             variants on the board's processor under qemu
//   torqen_bench --count <converter> <pair> <bits> <channels>
//                                             one stream for callgrind (run by the report itself)
#include <samplerate.h>
#include <soxr.h>
#include <speex/speex_resampler.h>
#include <sys/wait.h>
#include <unistd.h>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "torqen/torqen_signal.h"
#include "torqen/torqen.h"
#include "torqen/torqen_multi.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct RatePair {
  uint32_t in, out;
};
const RatePair kPairs[] = {{44100, 48000}, {48000, 44100}, {16000, 48000},
                           {48000, 16000}, {96000, 48000}, {44056, 48000}};

enum class Family { Torqen, Soxr, Samplerate, Speex };
enum class Measure { Both, Quality, Speed };
struct ConverterKind {
  const char* name;
  Family family;
  int setting;  // libtorqen32: the kernel variant, -1 for the one chosen at open
  Measure measure = Measure::Both;
};
const ConverterKind kKinds[] = {
    {"libtorqen32", Family::Torqen, -1, Measure::Quality},
    {"libtorqen32 AVX2", Family::Torqen, static_cast<int>(torqen_signal::KernelVariant::kAvx2), Measure::Speed},
    {"libtorqen32 SSE2", Family::Torqen, static_cast<int>(torqen_signal::KernelVariant::kSse2), Measure::Speed},
    {"libtorqen32 scalar", Family::Torqen, static_cast<int>(torqen_signal::KernelVariant::kScalar), Measure::Speed},
    {"soxr quick", Family::Soxr, SOXR_QQ},
    {"soxr low", Family::Soxr, SOXR_LQ},
    {"soxr medium", Family::Soxr, SOXR_MQ},
    {"libsamplerate sinc fastest", Family::Samplerate, SRC_SINC_FASTEST},
    {"libsamplerate sinc medium", Family::Samplerate, SRC_SINC_MEDIUM_QUALITY},
    {"speexdsp 3", Family::Speex, 3},
    {"speexdsp 5", Family::Speex, 5},
    {"speexdsp 8", Family::Speex, 8},
};

// Interleaved samples of 16 or 32 bits, held in 32-bit words for simplicity of the measurements.
class Resampler {
 public:
  virtual ~Resampler() = default;
  // Converts what it can of `frames` input frames; returns the output frames written into `out`
  // (room for `room` frames) and sets `used` to the input frames taken.
  virtual size_t run(const void* in, size_t frames, size_t* used, void* out, size_t room) = 0;
};

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
      const auto v = static_cast<torqen_signal::KernelVariant>(variant);
      if (single_ != nullptr) {
        torqen_signal::useVariant(single_, v);
      } else {
        for (uint32_t i = 0; i < (channels + 1) / 2; ++i) {
          auto* at = reinterpret_cast<uint8_t*>(multi_) + multi_->instance[i];
          torqen_signal::useVariant(reinterpret_cast<torqen_handle_t*>(at), v);
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

class SoxrResampler : public Resampler {
 public:
  SoxrResampler(const RatePair& r, uint32_t channels, int bits, int recipe) {
    const soxr_datatype_t type = bits == 16 ? SOXR_INT16_I : SOXR_INT32_I;
    soxr_io_spec_t io = soxr_io_spec(type, type);
    io.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t q = soxr_quality_spec(static_cast<unsigned long>(recipe), 0);
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
// part of what their users pay.
class FloatBridge {
 protected:
  FloatBridge(uint32_t channels, int bits) : channels_(channels), bits_(bits) {}
  const float* toFloat(const void* in, size_t frames) {
    in_.resize(frames * channels_);
    if (bits_ == 16) {
      src_short_to_float_array(static_cast<const short*>(in), in_.data(), static_cast<int>(in_.size()));
    } else {
      src_int_to_float_array(static_cast<const int*>(in), in_.data(), static_cast<int>(in_.size()));
    }
    return in_.data();
  }
  float* outFloat(size_t room) {
    out_.resize(room * channels_);
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

// A block stream: `frames` input frames in blocks of `block`, with room for every output frame;
// `on_block` sees the input fed so far and the output gathered so far after each call.
template <typename Sample>
std::vector<Sample> streamThrough(Resampler& r, const std::vector<Sample>& in, uint32_t channels, size_t block,
                                  const RatePair& pair, const std::function<void(size_t, size_t)>& on_block = nullptr) {
  const size_t frames = in.size() / channels;
  const size_t room = block * pair.out / pair.in + 64;
  std::vector<Sample> out;
  std::vector<Sample> buffer(room * channels);
  size_t fed = 0;
  while (fed < frames) {
    const size_t n = std::min(block, frames - fed);
    size_t done = 0;
    while (done < n) {
      size_t used = 0;
      const size_t got = r.run(in.data() + (fed + done) * channels, n - done, &used, buffer.data(), room);
      out.insert(out.end(), buffer.begin(), buffer.begin() + got * channels);
      done += used;
      if (used == 0 && got == 0) {
        break;
      }
    }
    fed += n;
    if (on_block) {
      on_block(fed, out.size() / channels);
    }
  }
  return out;
}

// ---- measurements ---------------------------------------------------------------------------------

template <typename Sample>
double fullScale() {
  return sizeof(Sample) == 2 ? 32768.0 : 2147483648.0;
}

template <typename Sample>
std::vector<Sample> sine(double freq, double rate, double amplitude, size_t frames, uint32_t channels) {
  std::vector<Sample> v(frames * channels);
  const double top = fullScale<Sample>() - 1;
  for (size_t i = 0; i < frames; ++i) {
    const double s = std::round(amplitude * top * std::sin(2 * kPi * freq * i / rate));
    for (uint32_t c = 0; c < channels; ++c) {
      v[i * channels + c] = static_cast<Sample>(s);
    }
  }
  return v;
}

// Converters with a quantised step ratio play tones a few parts per million off: the fit searches.
torqen_signal::SineFit fitSine(const std::vector<double>& x, double rate, double freq) {
  return torqen_signal::fitSine(x, rate, freq, freq * 2e-4);
}

template <typename Sample>
std::vector<double> middle(const std::vector<Sample>& out, size_t skip_front, size_t skip_back) {
  std::vector<double> x;
  if (out.size() <= skip_front + skip_back) {
    return x;
  }
  for (size_t i = skip_front; i + skip_back < out.size(); ++i) {
    x.push_back(out[i] / fullScale<Sample>());
  }
  return x;
}

double db(double v) {
  return 20 * std::log10(std::max(v, 1e-12));
}

struct ResponsePoint {
  double freq;
  double gain_db;     // of the tone itself; NaN above the output's Nyquist frequency
  double leakage_db;  // everything else: aliases, images, distortion
};

std::vector<double> testFrequencies(const RatePair& r) {
  std::vector<double> f;
  const double top = 0.995 * r.in / 2;
  for (int i = 0; i < 30; ++i)
    f.push_back(20 * std::pow(100.0, i / 30.0));
  for (int i = 0; i <= 130; ++i)
    f.push_back(2000 + (top - 2000) * i / 130);
  return f;
}

std::vector<ResponsePoint> response(const ConverterKind& k, const RatePair& r) {
  std::vector<ResponsePoint> points;
  const double amplitude = 0.5;
  for (double f : testFrequencies(r)) {
    auto conv = makeResampler(k, r, 1, 32);
    const size_t frames = r.in / 6;
    const auto out = streamThrough(*conv, sine<int32_t>(f, r.in, amplitude, frames, 1), 1, 1024, r);
    const size_t settle = 400 * r.out / std::min(r.in, r.out) + 300;
    const auto x = middle(out, settle, 300);
    double in_rms = amplitude / std::sqrt(2.0);
    if (f < 0.999 * r.out / 2) {
      const auto fit = fitSine(x, r.out, f);
      points.push_back({f, db(fit.amplitude / amplitude), db(fit.residual_rms / in_rms)});
    } else {
      double e2 = 0;
      for (double v : x)
        e2 += v * v;
      points.push_back({f, NAN, db(std::sqrt(e2 / x.size()) / in_rms)});
    }
  }
  return points;
}

struct Quality {
  double ripple_db;
  double edge;  // -3 dB point as a fraction of the lower Nyquist frequency
  double rejection_db;
  double thdn16_db;
  double thdn32_db;
  double latency;  // output frames
};

template <typename Sample>
double thdn(const ConverterKind& k, const RatePair& r) {
  auto conv = makeResampler(k, r, 2, sizeof(Sample) * 8);
  const double amplitude = std::pow(10.0, -1.0 / 20);
  const auto out = streamThrough(*conv, sine<Sample>(1000, r.in, amplitude, r.in / 2, 2), 2, 1024, r);
  std::vector<Sample> left;
  for (size_t i = 0; i < out.size(); i += 2)
    left.push_back(out[i]);
  const auto x = middle(left, 2000, 500);
  return fitSine(x, r.out, 1000).thdn_db;
}

// Output frames between an impulse entering the converter and its peak leaving it, when input comes
// in blocks of 16 frames and all available output is taken after each block.
double latency(const ConverterKind& k, const RatePair& r) {
  auto conv = makeResampler(k, r, 1, 32);
  const size_t at = 4000;
  std::vector<int32_t> in(12000, 0);
  in[at] = 1 << 30;
  std::vector<size_t> fed_when;  // input fed when output frame i appeared
  const auto out = streamThrough(*conv, in, 1, 16, r, [&](size_t fed, size_t produced) {
    while (fed_when.size() < produced)
      fed_when.push_back(fed);
  });
  const auto peak = std::max_element(out.begin(), out.end(),
                                     [](int32_t a, int32_t b) { return std::abs(double(a)) < std::abs(double(b)); });
  const size_t j = static_cast<size_t>(peak - out.begin());
  const double fed_beyond = double(fed_when[j]) - double(at + 1);
  return std::max(0.0, fed_beyond) * r.out / r.in;
}

Quality quality(const ConverterKind& k, const RatePair& r, std::vector<ResponsePoint>* points) {
  *points = response(k, r);
  const double low_nyquist = std::min(r.in, r.out) / 2.0;
  double lo = 1e9, hi = -1e9, worst_leak = -1e9, edge = 0;
  double reference = NAN;
  for (const auto& p : *points) {
    if (std::isnan(reference) && !std::isnan(p.gain_db))
      reference = p.gain_db;
    if (p.freq <= 0.8 * low_nyquist && !std::isnan(p.gain_db)) {
      lo = std::min(lo, p.gain_db);
      hi = std::max(hi, p.gain_db);
    }
    if (!std::isnan(p.gain_db) && p.gain_db > reference - 3 && p.freq > edge)
      edge = p.freq;
    // Tones in the passband (their images and aliases) and tones far beyond the lower Nyquist.
    if (p.freq <= 0.8 * low_nyquist || p.freq >= 1.2 * low_nyquist)
      worst_leak = std::max(worst_leak, p.leakage_db);
  }
  return {hi - lo, edge / low_nyquist, -worst_leak, thdn<int16_t>(k, r), thdn<int32_t>(k, r), latency(k, r)};
}

// ---- speed ----------------------------------------------------------------------------------------

template <typename Sample>
std::vector<Sample> noiseInput(size_t frames, uint32_t channels) {
  std::vector<Sample> v(frames * channels);
  uint32_t x = 1;
  for (auto& s : v) {
    x = x * 1664525u + 1013904223u;
    s = static_cast<Sample>(static_cast<int32_t>(x) >> (sizeof(Sample) == 2 ? 18 : 2));
  }
  return v;
}

template <typename Sample>
double framesPerSecond(const ConverterKind& k, const RatePair& r, uint32_t channels) {
  const auto in = noiseInput<Sample>(static_cast<size_t>(r.in) * 10, channels);
  double best = 0;
  for (int run = 0; run < 3; ++run) {
    auto conv = makeResampler(k, r, channels, sizeof(Sample) * 8);
    const auto start = std::chrono::steady_clock::now();
    const auto out = streamThrough(*conv, in, channels, 1024, r);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best = std::max(best, out.size() / channels / s);
  }
  return best;
}

// Only this stream is counted by callgrind; creating the converter is not.
template <typename Sample>
size_t countedStream(const ConverterKind& k, const RatePair& r, uint32_t channels) {
  const auto in = noiseInput<Sample>(r.in / 4, channels);
  auto conv = makeResampler(k, r, channels, sizeof(Sample) * 8);
  CALLGRIND_TOGGLE_COLLECT;
  const auto out = streamThrough(*conv, in, channels, 1024, r);
  CALLGRIND_TOGGLE_COLLECT;
  return out.size() / channels;
}

int countMain(int argc, char** argv) {
  if (argc != 6)
    return 2;
  const ConverterKind& k = kKinds[std::stoi(argv[2])];
  const RatePair& r = kPairs[std::stoi(argv[3])];
  const int bits = std::stoi(argv[4]);
  const uint32_t channels = static_cast<uint32_t>(std::stoi(argv[5]));
  const size_t frames = bits == 16 ? countedStream<int16_t>(k, r, channels) : countedStream<int32_t>(k, r, channels);
  std::printf("%zu\n", frames);
  return 0;
}

// Instructions per output frame: this program run once under callgrind for the case.
double instructionsPerFrame(size_t kind, size_t pair, int bits, uint32_t channels) {
  const std::string out_file = "/tmp/torqen_bench.callgrind." + std::to_string(getpid());
  std::ostringstream cmd;
  cmd << "valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file=" << out_file << " /proc/" << getpid()
      << "/exe --count " << kind << ' ' << pair << ' ' << bits << ' ' << channels << " 2>/dev/null";
  FILE* p = popen(cmd.str().c_str(), "r");
  if (p == nullptr)
    return NAN;
  size_t frames = 0;
  if (std::fscanf(p, "%zu", &frames) != 1)
    frames = 0;
  pclose(p);
  std::ifstream f(out_file);
  std::string line;
  double ir = NAN;
  while (std::getline(f, line)) {
    if (line.rfind("totals:", 0) == 0 || line.rfind("summary:", 0) == 0)
      ir = std::stod(line.substr(line.find(':') + 1));
  }
  std::remove(out_file.c_str());
  return frames != 0 ? ir / frames : NAN;
}

std::string pairName(const RatePair& r) {
  auto k = [](uint32_t hz) {
    std::ostringstream s;
    s << hz / 1000.0 << "k";
    return s.str();
  };
  return k(r.in) + " → " + k(r.out);
}

std::string fmt(double v, int digits) {
  if (std::isnan(v))
    return "–";
  char b[32];
  std::snprintf(b, sizeof b, "%.*f", digits, v);
  return b;
}

// Instructions per output frame of the board's build under qemu, one instruction per translation
// block and every block traced: two streams of different lengths, so that start-up cancels out.
double boardInstructionsPerFrame(const std::string& count_program, const RatePair& r, int bits,
                                 torqen_signal::KernelVariant v) {
  const std::string frames_file = "/tmp/torqen_bench.frames." + std::to_string(getpid());
  double instructions[2] = {};
  double frames[2] = {};
  for (int i = 0; i < 2; ++i) {
    std::ostringstream cmd;
    cmd << "qemu-arm-static -L /usr/arm-linux-gnueabihf -E LD_LIBRARY_PATH=/usr/arm-linux-gnueabihf/lib"
        << " -singlestep -d exec,nochain " << count_program << ' ' << r.in << ' ' << r.out << ' ' << bits << " 2 "
        << static_cast<int>(v) << ' ' << (i + 1) * (r.in / 12) << " 2>&1 >" << frames_file << " | grep -c '^Trace'";
    FILE* p = popen(cmd.str().c_str(), "r");
    if (p == nullptr)
      return NAN;
    if (std::fscanf(p, "%lf", &instructions[i]) != 1)
      instructions[i] = NAN;
    pclose(p);
    std::ifstream f(frames_file);
    if (!(f >> frames[i]))
      frames[i] = NAN;
  }
  std::remove(frames_file.c_str());
  const double out = frames[1] - frames[0];
  return out > 0 ? (instructions[1] - instructions[0]) / out : NAN;
}

std::string boardReport(const std::string& count_program) {
  std::ostringstream b;
  b << "\n### On the board's processor\n\n"
    << "libtorqen32 built for 32-bit ARM, instructions per output frame under qemu (stereo; repeatable), with "
       "the scalar kernels and with NEON.\n\n"
    << "| pair | scalar 16-bit | NEON 16-bit | scalar 32-bit | NEON 32-bit |\n|---|---:|---:|---:|---:|\n";
  for (const RatePair& r : kPairs) {
    std::fprintf(stderr, "%s, libtorqen32 on the board\n", pairName(r).c_str());
    b << "| " << pairName(r);
    for (int bits : {16, 32}) {
      for (torqen_signal::KernelVariant v : {torqen_signal::KernelVariant::kScalar, torqen_signal::KernelVariant::kNeon}) {
        b << " | " << fmt(boardInstructionsPerFrame(count_program, r, bits, v), 0);
      }
    }
    b << " |\n";
  }
  return b.str();
}

int reportMain(const std::string& dir, const std::string& count_program) {
  std::ofstream csv(dir + "/response.csv");
  csv << "converter,pair,freq,gain_db,leakage_db\n";
  std::ostringstream q;
  q << "| converter | pair | ripple dB | −3 dB edge | rejection dB | THD+N 16-bit dB | THD+N 32-bit dB | latency "
       "frames |\n"
    << "|---|---|---:|---:|---:|---:|---:|---:|\n";
  std::ostringstream s;
  s << "| converter | pair | Mframes/s 16-bit 2ch | 32-bit 2ch | 16-bit 6ch | 32-bit 6ch"
    << " | instr/frame 16-bit 2ch | 32-bit 2ch | 16-bit 6ch | 32-bit 6ch |\n"
    << "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  for (size_t pi = 0; pi < std::size(kPairs); ++pi) {
    const RatePair& r = kPairs[pi];
    for (size_t ki = 0; ki < std::size(kKinds); ++ki) {
      const ConverterKind& k = kKinds[ki];
      if (k.family == Family::Torqen && k.setting >= 0 &&
          !torqen_signal::variantRuns(static_cast<torqen_signal::KernelVariant>(k.setting))) {
        continue;
      }
      std::fprintf(stderr, "%s, %s\n", pairName(r).c_str(), k.name);
      if (k.measure != Measure::Speed) {
        std::vector<ResponsePoint> points;
        const Quality qu = quality(k, r, &points);
        for (const auto& p : points) {
          csv << k.name << ',' << r.in << '-' << r.out << ',' << p.freq << ',' << p.gain_db << ',' << p.leakage_db
              << '\n';
        }
        q << "| " << k.name << " | " << pairName(r) << " | " << fmt(qu.ripple_db, 2) << " | " << fmt(qu.edge, 3)
          << " | " << fmt(qu.rejection_db, 1) << " | " << fmt(qu.thdn16_db, 1) << " | " << fmt(qu.thdn32_db, 1) << " | "
          << fmt(qu.latency, 0) << " |\n";
      }
      if (k.measure == Measure::Quality) {
        continue;
      }
      s << "| " << k.name << " | " << pairName(r) << " | " << fmt(framesPerSecond<int16_t>(k, r, 2) / 1e6, 2) << " | "
        << fmt(framesPerSecond<int32_t>(k, r, 2) / 1e6, 2) << " | " << fmt(framesPerSecond<int16_t>(k, r, 6) / 1e6, 2)
        << " | " << fmt(framesPerSecond<int32_t>(k, r, 6) / 1e6, 2);
      for (int bits : {16, 32})
        s << " | " << fmt(instructionsPerFrame(ki, pi, bits, 2), 0);
      for (int bits : {16, 32})
        s << " | " << fmt(instructionsPerFrame(ki, pi, bits, 6), 0);
      s << " |\n";
    }
  }
  std::ofstream md(dir + "/results.md");
  md << "### Quality\n\n"
     << "Ripple: gain spread from 20 Hz to 0.8 of the lower Nyquist frequency. −3 dB edge: as a fraction of the "
        "lower Nyquist frequency. Rejection: the strongest alias, image or distortion of a tone below 0.8 or "
        "above 1.2 of the lower Nyquist frequency, below the tone. THD+N: a 1 kHz sine at −1 dBFS, everything "
        "but the sine against the sine. Latency: output frames from an impulse entering (in blocks of 16 "
        "frames) to its peak leaving.\n\n"
     << q.str() << "\n### Speed\n\n"
     << "Output frames per second on one core for a 10 s stream in blocks of 1024 frames (best of three; "
        "varies with the machine), and instructions per output frame counted by callgrind (repeatable). "
        "libtorqen32 runs the best kernel variant the processor offers (chosen at open); each variant this "
        "processor runs is listed.\n\n"
     << s.str();
  if (!count_program.empty()) {
    md << boardReport(count_program);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--count") == 0) {
    return countMain(argc, argv);
  }
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s <report dir> [torqen_count for the board]\n", argv[0]);
    return 2;
  }
  return reportMain(argv[1], argc == 3 ? argv[2] : "");
}
