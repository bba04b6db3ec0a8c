#include "torqen/torqen_multi.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kMaxChannels = 2 * TORQEN_MULTI_MAX_INSTANCES;
constexpr uint32_t kRangeFactor = 50;
// Frames of a channel pair handed to a converter per pass.
constexpr uint32_t kPassFrames = 1024;
// Bytes per sample by format: four input sizes, then four output sizes.
constexpr uint32_t kSampleBytes[8] = {2, 2, 4, 4, 2, 4, 4, 4};
constexpr uint32_t kTempBytes[4] = {8208, 16416, 16416, 16416};

static_assert(sizeof(torqen_multi_handle_t) == 11 * 4, "the record is 11 words on every platform");

uint32_t pairCount(const torqen_multi_handle_t* m) {
  return m->channels / 2;
}
uint32_t instanceCount(const torqen_multi_handle_t* m) {
  return pairCount(m) + m->channels % 2;
}

torqen_handle_t* instance(torqen_multi_handle_t* m, uint32_t slot) {
  return reinterpret_cast<torqen_handle_t*>(reinterpret_cast<unsigned char*>(m) + m->instance[slot]);
}

uint32_t converterSize(uint32_t channels, uint32_t format) {
  const torqen_param_t p{0, channels, 0, channels, format};
  uint32_t work = 0;
  uint32_t temp = 0;
  Torqen_GetBufferSize(&work, &temp, &p);
  return work;
}

// One converter's share of a pass: its channels are gathered from every input frame into the
// temporary memory, converted, and scattered back into the output frames.
struct Lane {
  uint32_t first_channel;
  uint32_t channels;
};

struct Pass {
  const unsigned char* in;
  unsigned char* out;
  uint32_t in_frame;   // bytes of a whole input frame
  uint32_t out_frame;  // bytes of a whole output frame
  uint32_t bi;
  uint32_t bo;
};

// Four frames a pass, so that the loop's own work is shared by four copies.
template <uint32_t Width>
void copyFrames(const unsigned char* from, uint32_t from_step, unsigned char* to, uint32_t to_step, uint32_t frames) {
  uint32_t f = 0;
  for (; f + 4 <= frames; f += 4, from += 4 * from_step, to += 4 * to_step) {
    std::memcpy(to, from, Width);
    std::memcpy(to + to_step, from + from_step, Width);
    std::memcpy(to + 2 * to_step, from + 2 * from_step, Width);
    std::memcpy(to + 3 * to_step, from + 3 * from_step, Width);
  }
  for (; f < frames; ++f, from += from_step, to += to_step) {
    std::memcpy(to, from, Width);
  }
}

// Copies `frames` runs of `width` bytes between strided positions; the fixed widths let the copies
// become single moves.
void copyFrames(const unsigned char* from, uint32_t from_step, unsigned char* to, uint32_t to_step, uint32_t frames,
                uint32_t width) {
  switch (width) {
    case 2:
      return copyFrames<2>(from, from_step, to, to_step, frames);
    case 4:
      return copyFrames<4>(from, from_step, to, to_step, frames);
    default:
      return copyFrames<8>(from, from_step, to, to_step, frames);
  }
}

void gather(const Pass& pass, const Lane& lane, uint32_t frames, unsigned char* to) {
  const uint32_t width = lane.channels * pass.bi;
  copyFrames(pass.in + lane.first_channel * pass.bi, pass.in_frame, to, width, frames, width);
}

void scatter(const Pass& pass, const Lane& lane, uint32_t frames, const unsigned char* from) {
  const uint32_t width = lane.channels * pass.bo;
  copyFrames(from, width, pass.out + lane.first_channel * pass.bo, pass.out_frame, frames, width);
}

template <typename Op>
int forEachInstance(torqen_multi_handle_t* m, Op op) {
  for (uint32_t slot = 0; slot < instanceCount(m); ++slot) {
    const int result = op(instance(m, slot));
    if (result != 0) {
      return result;
    }
  }
  return 0;
}

}  // namespace

extern "C" int Torqen_MultiChannel_GetBufferSize(uint32_t* work_size, uint32_t* temp_size,
                                                 const torqen_param_t* param) {
  const uint32_t n = param->in_channels;
  *work_size =
      sizeof(torqen_multi_handle_t) + n / 2 * converterSize(2, param->format) + n % 2 * converterSize(1, param->format);
  *temp_size = param->format < 4 ? kTempBytes[param->format] : 0;
  return 0;
}

extern "C" int Torqen_MultiChannel_Open(torqen_multi_handle_t** handle, void* work, const torqen_param_t* param) {
  const uint32_t n = param->in_channels;
  const uint64_t in_rate = param->in_rate;
  const uint64_t out_rate = param->out_rate;
  if (n == 0 || param->out_channels == 0 || kRangeFactor * out_rate < in_rate || kRangeFactor * in_rate < out_rate) {
    return -1;
  }
  // More channels than the converter slots can serve.
  if (n > kMaxChannels) {
    return -1;
  }
  auto* m = static_cast<torqen_multi_handle_t*>(work);
  *m = torqen_multi_handle_t{};
  m->channels = n;
  m->out_channels = n;
  m->format = param->format;
  uint32_t offset = sizeof(torqen_multi_handle_t);
  for (uint32_t slot = 0; slot < instanceCount(m); ++slot) {
    const uint32_t channels = slot < pairCount(m) ? 2 : 1;
    const torqen_param_t p{param->in_rate, channels, param->out_rate, channels, param->format};
    torqen_handle_t* h = nullptr;
    if (Torqen_Open(&h, static_cast<unsigned char*>(work) + offset, &p, 0) != 0) {
      return -1;
    }
    m->instance[slot] = offset;
    offset += converterSize(channels, param->format);
  }
  *handle = m;
  return 0;
}

extern "C" int Torqen_MultiChannel_Reset(torqen_multi_handle_t* m) {
  if (m == nullptr) {
    return -1;
  }
  return forEachInstance(m, [](torqen_handle_t* h) { return Torqen_Reset(h); });
}

extern "C" int Torqen_MultiChannel_SetSamplingRate(torqen_multi_handle_t* m, uint32_t in_rate) {
  if (m == nullptr) {
    return -1;
  }
  return forEachInstance(m, [in_rate](torqen_handle_t* h) { return Torqen_SetSamplingRate(h, in_rate); });
}

extern "C" void Torqen_MultiChannel_SetZeroPending(torqen_multi_handle_t* m) {
  if (m != nullptr) {
    forEachInstance(m, [](torqen_handle_t* h) {
      Torqen_SetZeroPending(h);
      return 0;
    });
  }
}

extern "C" int Torqen_MultiChannel_Process(torqen_multi_handle_t* m, void* temp, const void* in, uint32_t* in_bytes,
                                           void* out, uint32_t* out_bytes) {
  if (m == nullptr || temp == nullptr) {
    return -1;
  }
  const uint32_t n = m->channels;
  const uint32_t bi = kSampleBytes[m->format];
  const uint32_t bo = kSampleBytes[4 + m->format];
  const uint32_t in_frame = n * bi;
  const uint32_t out_frame = n * bo;
  // A trailing part-frame is left to the caller as not consumed, as the single converter leaves it.
  const uint32_t stray = *in_bytes % in_frame;
  *in_bytes -= stray;
  *out_bytes -= *out_bytes % out_frame;
  if (*in_bytes == 0) {
    *in_bytes = stray;
    *out_bytes = 0;
    return 0;
  }
  unsigned char* lane_in = static_cast<unsigned char*>(temp);
  unsigned char* lane_out = lane_in + bi * 2 * kPassFrames;
  uint32_t consumed = 0;
  uint32_t produced = 0;
  while (*out_bytes > 0) {
    const Pass pass{static_cast<const unsigned char*>(in) + consumed,
                    static_cast<unsigned char*>(out) + produced,
                    in_frame,
                    out_frame,
                    bi,
                    bo};
    const uint32_t pair_in = std::min(2 * (*in_bytes / n), bi * 2 * kPassFrames);
    const uint32_t pair_out = std::min(2 * (*out_bytes / n), bi * 2 * kPassFrames);
    uint32_t pass_consumed = 0;
    uint32_t pass_produced = 0;
    for (uint32_t slot = 0; slot < instanceCount(m); ++slot) {
      const Lane lane{2 * slot, slot < pairCount(m) ? 2u : 1u};
      const uint32_t lane_in_budget = pair_in / 2 * lane.channels;
      uint32_t lane_in_bytes = lane_in_budget;
      uint32_t lane_out_bytes = pair_out / 2 * lane.channels;
      gather(pass, lane, lane_in_bytes / (lane.channels * bi), lane_in);
      const int used = Torqen_Process(instance(m, slot), nullptr, lane_in, &lane_in_bytes, lane_out, &lane_out_bytes);
      *in_bytes -= static_cast<uint32_t>(used);
      *out_bytes -= lane_out_bytes;
      pass_consumed += static_cast<uint32_t>(used);
      pass_produced += lane_out_bytes;
      scatter(pass, lane, lane_out_bytes / (lane.channels * bo), lane_out);
    }
    consumed += pass_consumed;
    produced += pass_produced;
    // A pass that moves nothing would be repeated unchanged.
    if (*in_bytes == 0 || (pass_consumed == 0 && pass_produced == 0)) {
      break;
    }
  }
  *in_bytes += stray;
  *out_bytes = produced;
  return static_cast<int>(consumed);
}
