#include "torqen/bench/torqen_bench_quality.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

#include "tests/torqen/torqen_harness.h"

namespace torqen_bench {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTop = 18000;

// A block stream: every input frame in blocks of `block`, with all of the output gathered;
// `on_block` sees the input fed so far and the output gathered so far after each block.
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
      out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(got * channels));
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

template <typename Sample>
double fullScale() {
  return sizeof(Sample) == 2 ? 32768.0 : 2147483648.0;
}

template <typename Sample>
std::vector<Sample> sine(double freq, double rate, double amplitude, size_t frames, uint32_t channels) {
  std::vector<Sample> v(frames * channels);
  const double top = fullScale<Sample>() - 1;
  for (size_t i = 0; i < frames; ++i) {
    const double s = std::round(amplitude * top * std::sin(2 * kPi * freq * static_cast<double>(i) / rate));
    for (uint32_t c = 0; c < channels; ++c) {
      v[i * channels + c] = static_cast<Sample>(s);
    }
  }
  return v;
}

// Converters with a quantised step ratio play tones a few parts per million off: the fit searches.
torqen_test::SineFit fitSine(const std::vector<double>& x, double rate, double freq) {
  return torqen_test::fitSine(x, rate, freq, freq * 2e-4);
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

double rms(const std::vector<double>& x) {
  double e2 = 0;
  for (double v : x) {
    e2 += v * v;
  }
  return x.empty() ? 0 : std::sqrt(e2 / static_cast<double>(x.size()));
}

// The output of a mono 32-bit tone at half scale, its start and end left out.
std::vector<double> toneThrough(const ConverterKind& k, const RatePair& r, double f, double amplitude) {
  auto conv = makeResampler(k, r, 1, 32);
  const size_t frames = r.in / 6;
  const auto out = streamThrough(*conv, sine<int32_t>(f, r.in, amplitude, frames, 1), 1, 1024, r);
  const size_t settle = 400 * r.out / std::min(r.in, r.out) + 300;
  return middle(out, settle, 300);
}

std::vector<double> testFrequencies(const RatePair& r) {
  std::vector<double> f;
  const double top = 0.995 * r.in / 2;
  for (int i = 0; i < 30; ++i) {
    f.push_back(20 * std::pow(100.0, i / 30.0));
  }
  for (int i = 0; i <= 130; ++i) {
    f.push_back(2000 + (top - 2000) * i / 130);
  }
  return f;
}

bool passes(const RatePair& r, double f) {
  return f < 0.999 * r.out / 2;
}

constexpr double kSweepAmplitude = 0.5;

ResponsePoint responseAt(const ConverterKind& k, const RatePair& r, double f) {
  const auto x = toneThrough(k, r, f, kSweepAmplitude);
  const double in_rms = kSweepAmplitude / std::sqrt(2.0);
  if (passes(r, f)) {
    const auto fit = fitSine(x, r.out, f);
    return {f, db(fit.amplitude / kSweepAmplitude), db(fit.residual_rms / in_rms)};
  }
  return {f, NAN, db(rms(x) / in_rms)};
}

// A stereo tone at -1 dBFS; everything but the tone in the left output against the tone.
template <typename Sample>
double thdn(const ConverterKind& k, const RatePair& r, double freq) {
  auto conv = makeResampler(k, r, 2, sizeof(Sample) * 8);
  const double amplitude = std::pow(10.0, -1.0 / 20);
  const auto out = streamThrough(*conv, sine<Sample>(freq, r.in, amplitude, r.in / 2, 2), 2, 1024, r);
  std::vector<Sample> left;
  for (size_t i = 0; i < out.size(); i += 2) {
    left.push_back(out[i]);
  }
  const auto x = middle(left, 2000, 500);
  return fitSine(x, r.out, freq).thdn_db;
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
    while (fed_when.size() < produced) {
      fed_when.push_back(fed);
    }
  });
  const auto peak = std::max_element(out.begin(), out.end(),
                                     [](int32_t a, int32_t b) { return std::abs(double(a)) < std::abs(double(b)); });
  const size_t j = static_cast<size_t>(peak - out.begin());
  const double fed_beyond = double(fed_when[j]) - double(at + 1);
  return std::max(0.0, fed_beyond) * r.out / r.in;
}

}  // namespace

Quality measureQuality(const ConverterKind& k, const RatePair& r, std::vector<ResponsePoint>* points) {
  points->clear();
  for (double f : testFrequencies(r)) {
    points->push_back(responseAt(k, r, f));
  }
  const double low_nyquist = std::min(r.in, r.out) / 2.0;
  double lo = 1e9, hi = -1e9, worst_leak = -1e9, edge = 0;
  double reference = NAN;
  for (const auto& p : *points) {
    if (std::isnan(reference) && !std::isnan(p.gain_db)) {
      reference = p.gain_db;
    }
    if (p.freq <= 0.8 * low_nyquist && !std::isnan(p.gain_db)) {
      lo = std::min(lo, p.gain_db);
      hi = std::max(hi, p.gain_db);
    }
    if (!std::isnan(p.gain_db) && p.gain_db > reference - 3 && p.freq > edge) {
      edge = p.freq;
    }
    // Tones in the passband (their images and aliases) and tones far beyond the lower Nyquist.
    if (p.freq <= 0.8 * low_nyquist || p.freq >= 1.2 * low_nyquist) {
      worst_leak = std::max(worst_leak, p.leakage_db);
    }
  }
  Quality q{};
  q.ripple_db = hi - lo;
  q.edge = edge / low_nyquist;
  q.rejection_db = -worst_leak;
  q.thdn16_db = thdn<int16_t>(k, r, 1000);
  q.thdn32_db = thdn<int32_t>(k, r, 1000);
  const bool top_passes = kTop < low_nyquist;
  q.thdn18k_db = top_passes ? thdn<int16_t>(k, r, kTop) : NAN;
  q.droop18k_db = top_passes ? responseAt(k, r, kTop).gain_db - responseAt(k, r, 1000).gain_db : NAN;
  // Just above the output's Nyquist frequency, as 23 kHz is for a 44.1 kHz output.
  const double above = 1.045 * r.out / 2;
  q.alias_freq = above < 0.995 * r.in / 2 ? above : NAN;
  q.alias_db = std::isnan(q.alias_freq) ? NAN : responseAt(k, r, above).leakage_db;
  q.latency = latency(k, r);
  return q;
}

const char* classOf(const Quality& q) {
  if (q.rejection_db < kLighterBelowDb) {
    return "lighter filter";
  }
  return q.rejection_db > kHeavierAboveDb ? "heavier filter" : "same class";
}

}  // namespace torqen_bench
