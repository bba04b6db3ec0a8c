#include "torqen/torqen.h"

#include "torqen/torqen_driver.h"
#include "torqen/torqen_layout_priv.h"
#include "torqen/torqen_setup.h"
#include "torqen/torqen_variant_priv.h"

namespace {

constexpr char kVersion[] = "version 2.4.0";
constexpr uint32_t kRangeFactor = 50;
constexpr uint32_t kRampMs = 20;

bool validChannels(uint32_t channels) {
  return channels == 1 || channels == 2;
}

bool withinRange(uint32_t in_rate, uint32_t out_rate) {
  return uint64_t{kRangeFactor} * out_rate >= in_rate && uint64_t{kRangeFactor} * in_rate >= out_rate;
}

// The table path when a built-in table serves the pair, else the arbitrary-ratio path.
void setUpPath(torqen_handle_t* h, uint32_t in_rate, uint32_t out_rate) {
  if (CheckTableRelation(in_rate, out_rate) != 0) {
    fastTorqInit_32BIT(h, in_rate, out_rate, h->in_channels, h->out_channels);
  } else {
    arbTorqInit_32BIT(h, in_rate, out_rate, h->in_channels, h->out_channels);
  }
}

}  // namespace

extern "C" const char* Torqen_GetVersion(void) {
  return kVersion;
}

extern "C" int Torqen_GetBufferSize(uint32_t* work_size, uint32_t* temp_size, const torqen_param_t* param) {
  const uint32_t history_channels = torqen::bothStereo(param->in_channels, param->out_channels) ? 2 : 1;
  *work_size = torqen::workBytes(param->format, history_channels);
  *temp_size = 0;
  return 0;
}

extern "C" int Torqen_Open(torqen_handle_t** handle, void* work, const torqen_param_t* param, uint32_t /*reserved*/) {
  const uint32_t in_rate = param->in_rate;
  const uint32_t out_rate = param->out_rate;
  if (!validChannels(param->in_channels) || !validChannels(param->out_channels)) {
    return -1;
  }
  if (!withinRange(in_rate, out_rate) || param->format > 3) {
    return -1;
  }
  // Rates too low to ramp between, or a downsampling filter wider than the history can serve.
  if (!torqen::pairServable(in_rate, out_rate)) {
    return -1;
  }
  torqen_handle_t* h = static_cast<torqen_handle_t*>(work);
  *h = torqen_handle_t{};
  h->in_rate = in_rate;
  h->out_rate = out_rate;
  h->in_channels = param->in_channels;
  h->out_channels = param->out_channels;
  h->format = param->format;
  h->ratio = torqen::q25Ratio(in_rate, out_rate);
  // The kernels' instruction set, chosen once from the processor.
  torqen::setVariant(h, torqen::bestVariant());
  if (in_rate == out_rate) {
    h->ratio_target = h->ratio;
    h->passthrough = 1;
    fastTorqInit_32BIT(h, out_rate, out_rate, h->in_channels, h->out_channels);
  } else {
    setUpPath(h, in_rate, out_rate);
  }
  *handle = h;
  return 0;
}

extern "C" int Torqen_SetSamplingRate(torqen_handle_t* h, uint32_t in_rate) {
  if (h == nullptr) {
    return -1;
  }
  const uint32_t out_rate = h->out_rate;
  if (out_rate < in_rate / kRangeFactor || in_rate < out_rate / kRangeFactor) {
    return -2;
  }
  if (!torqen::pairServable(in_rate, out_rate)) {
    return -2;
  }
  if (in_rate == h->in_rate) {
    return 0;
  }
  h->in_rate = in_rate;
  h->ramp_active = 1;
  const uint32_t ramp = static_cast<uint32_t>(uint64_t{kRampMs} * out_rate / 1000);
  h->ramp_left = ramp;
  h->ratio_target = torqen::q25Ratio(in_rate, out_rate);
  const int64_t span = 2 * (int64_t{h->ratio_target} - h->ratio) + ramp;
  h->ramp_step = static_cast<int32_t>(span / (2 * int64_t{ramp}));
  if (in_rate == out_rate) {
    h->passthrough = 1;
    fastTorqReInit_32BIT(h, out_rate, out_rate);
  } else {
    h->passthrough = 0;
    if (CheckTableRelation(in_rate, out_rate) != 0) {
      fastTorqReInit_32BIT(h, in_rate, out_rate);
    } else {
      arbTorqReInit_32BIT(h, in_rate);
    }
  }
  return 0;
}

extern "C" int Torqen_Reset(torqen_handle_t* h) {
  if (h == nullptr) {
    return -1;
  }
  if (CheckTableRelation(h->in_rate, h->out_rate) != 0) {
    fastTorqReset_32BIT(h);
  } else {
    arbTorqReset_32BIT(h);
  }
  return 0;
}

extern "C" int Torqen_Process(torqen_handle_t* h, void* /*temp*/, const void* in, uint32_t* in_bytes, void* out,
                              uint32_t* out_bytes) {
  const uint32_t stray = *in_bytes % torqen::inFrameBytes(h);
  *in_bytes -= stray;
  *out_bytes -= *out_bytes % torqen::outFrameBytes(h);
  const uint32_t consumed = h->format == 0 ? fastTorqConvert(h, in, in_bytes, out, out_bytes)
                                           : fastTorqConvert_32bit(h, in, in_bytes, out, out_bytes);
  *in_bytes += stray;
  return static_cast<int>(consumed);
}

extern "C" void Torqen_SetZeroPending(torqen_handle_t* h) {
  if (h != nullptr) {
    h->zero_pending = 1;
  }
}
