#include "torqen/torqen_signal.h"

#include "torqen/torqen_variant_priv.h"

#include <algorithm>
#include <cmath>

namespace torqen_signal {

static_assert(static_cast<uint32_t>(KernelVariant::kSse2) == static_cast<uint32_t>(torqen::Variant::kSse2) &&
                  static_cast<uint32_t>(KernelVariant::kAvx2) == static_cast<uint32_t>(torqen::Variant::kAvx2) &&
                  static_cast<uint32_t>(KernelVariant::kNeon) == static_cast<uint32_t>(torqen::Variant::kNeon),
              "the variants are the library's");

const char* nameOf(KernelVariant v) {
  switch (v) {
    case KernelVariant::kSse2:
      return "SSE2";
    case KernelVariant::kAvx2:
      return "AVX2";
    case KernelVariant::kNeon:
      return "NEON";
    default:
      return "scalar";
  }
}

bool variantRuns(KernelVariant v) {
  return torqen::variantRuns(static_cast<torqen::Variant>(v));
}

void useVariant(torqen_handle_t* h, KernelVariant v) {
  torqen::setVariant(h, static_cast<torqen::Variant>(v));
}

Converter::Converter(const torqen_param_t& param) : param_(param) {
  uint32_t work = 0;
  uint32_t temp = 0;
  Torqen_GetBufferSize(&work, &temp, &param_);
  work_.assign((work + 7) / 8, 0);
  open_result_ = Torqen_Open(&handle_, work_.data(), &param_, 0);
}

uint32_t Converter::inFrameBytes() const {
  return param_.in_channels * (param_.format <= 1 ? 2 : 4);
}
uint32_t Converter::outFrameBytes() const {
  return param_.out_channels * (param_.format == 0 ? 2 : 4);
}

std::vector<uint8_t> Converter::stream(const std::vector<uint8_t>& in, uint32_t in_block, uint32_t out_block) {
  std::vector<uint8_t> out;
  std::vector<uint8_t> block(out_block * outFrameBytes());
  size_t pos = 0;
  while (pos < in.size()) {
    uint32_t in_bytes = static_cast<uint32_t>(std::min<size_t>(in.size() - pos, in_block * inFrameBytes()));
    uint32_t out_bytes = static_cast<uint32_t>(block.size());
    const int consumed = Torqen_Process(handle_, nullptr, in.data() + pos, &in_bytes, block.data(), &out_bytes);
    out.insert(out.end(), block.begin(), block.begin() + out_bytes);
    pos += static_cast<size_t>(consumed);
    if (consumed == 0 && out_bytes == 0) {
      break;
    }
  }
  return out;
}

std::vector<uint8_t> sineInput(const torqen_param_t& p, double freq, double amplitude, uint32_t frames) {
  std::vector<uint8_t> bytes;
  const double pi = std::acos(-1.0);
  for (uint32_t i = 0; i < frames; ++i) {
    const double v = amplitude * std::sin(2 * pi * freq * i / p.in_rate);
    for (uint32_t c = 0; c < p.in_channels; ++c) {
      if (p.format <= 1) {
        const int16_t s = static_cast<int16_t>(std::lround(v * 32767));
        bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&s), reinterpret_cast<const uint8_t*>(&s) + 2);
      } else {
        const double scale = p.format == 2 ? 8388607.0 : 2147483647.0;
        const int32_t s = static_cast<int32_t>(std::llround(v * scale));
        bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&s), reinterpret_cast<const uint8_t*>(&s) + 4);
      }
    }
  }
  return bytes;
}

std::vector<double> channelOf(const torqen_param_t& p, const std::vector<uint8_t>& out, uint32_t channel) {
  std::vector<double> x;
  if (p.format == 0) {
    const auto s = samplesOf<int16_t>(out);
    for (size_t i = channel; i < s.size(); i += p.out_channels) {
      x.push_back(s[i] / 32768.0);
    }
  } else {
    const auto s = samplesOf<int32_t>(out);
    for (size_t i = channel; i < s.size(); i += p.out_channels) {
      x.push_back(s[i] / 2147483648.0);
    }
  }
  return x;
}

namespace {

// Least squares of y = a sin + b cos + c at one frequency; the phasor recurrence keeps it cheap.
SineFit fitAt(const std::vector<double>& x, double rate, double freq) {
  const double w = 2 * std::acos(-1.0) * freq / rate;
  const double cw = std::cos(w);
  const double sw = std::sin(w);
  double m[3][4] = {};
  double s = 0;
  double c = 1;
  for (size_t n = 0; n < x.size(); ++n) {
    const double basis[3] = {s, c, 1.0};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        m[i][j] += basis[i] * basis[j];
      }
      m[i][3] += basis[i] * x[n];
    }
    const double next_s = s * cw + c * sw;
    c = c * cw - s * sw;
    s = next_s;
  }
  for (int i = 0; i < 3; ++i) {
    for (int r = 0; r < 3; ++r) {
      if (r != i) {
        const double f = m[r][i] / m[i][i];
        for (int k = 0; k < 4; ++k) {
          m[r][k] -= f * m[i][k];
        }
      }
    }
  }
  const double a = m[0][3] / m[0][0];
  const double b = m[1][3] / m[1][1];
  const double offset = m[2][3] / m[2][2];
  double residual = 0;
  s = 0;
  c = 1;
  for (size_t n = 0; n < x.size(); ++n) {
    const double e = x[n] - (a * s + b * c + offset);
    residual += e * e;
    const double next_s = s * cw + c * sw;
    c = c * cw - s * sw;
    s = next_s;
  }
  const double amplitude = std::hypot(a, b);
  const double rms = std::sqrt(residual / x.size());
  return {freq, amplitude, rms, 20 * std::log10(rms / (amplitude / std::sqrt(2.0)))};
}

}  // namespace

SineFit fitSine(const std::vector<double>& x, double rate, double freq, double search_hz) {
  // Golden-section search for the smallest residual.
  const double g = (std::sqrt(5.0) - 1) / 2;
  double lo = freq - search_hz;
  double hi = freq + search_hz;
  SineFit a = fitAt(x, rate, hi - g * (hi - lo));
  SineFit b = fitAt(x, rate, lo + g * (hi - lo));
  while (hi - lo > search_hz * 1e-4) {
    if (a.thdn_db < b.thdn_db) {
      hi = b.freq;
      b = a;
      a = fitAt(x, rate, hi - g * (hi - lo));
    } else {
      lo = a.freq;
      a = b;
      b = fitAt(x, rate, lo + g * (hi - lo));
    }
  }
  return a.thdn_db < b.thdn_db ? a : b;
}

}  // namespace torqen_signal
