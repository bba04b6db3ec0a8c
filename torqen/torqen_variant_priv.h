// Which kernel variant a converter runs: the scalar kernels, which are the reference, or a
// vectorised twin that writes the same bits. The choice is made from the processor's capabilities
// when the converter is laid out and kept in the last word of its work memory, which no buffer
// uses, so the library holds no state of its own. Internal to the library and its tests.
#pragma once

#include <cstdint>
#include <cstring>

#include "torqen/torqen_layout_priv.h"

#if defined(__x86_64__)
#include <cpuid.h>
#elif defined(__arm__)
#include <sys/auxv.h>
#endif

namespace torqen {

enum class Variant : uint32_t {
  kScalar = 0,
  kSse2 = 1,
  kAvx2 = 2,
  kNeon = 3,
};

// Marks a word that was written as a choice, so memory laid out by hand runs the scalar kernels.
constexpr uint32_t kVariantTag = 0x5EC70000u;
constexpr uint32_t kVariantMask = 0xFFFFu;

inline uint32_t workBytes(uint32_t format, uint32_t history_channels) {
  return sizeof(torqen_handle_t) + sampleBytes(format) * (kClearedFrames * history_channels + 2 * kArbEntries);
}
inline uint32_t workBytes(const torqen_handle_t* h) {
  return workBytes(h->format, historyChannels(h));
}
inline uint32_t variantOffset(const torqen_handle_t* h) {
  return workBytes(h) - sizeof(uint32_t);
}

#if defined(__x86_64__)
inline bool processorHasAvx2() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & bit_OSXSAVE) == 0 || (c & bit_AVX) == 0) {
    return false;
  }
  // The system must save the vector registers' upper halves across switches.
  unsigned lo = 0, hi = 0;
  __asm__("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  if ((lo & 6) != 6) {
    return false;
  }
  return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & bit_AVX2) != 0;
}
#elif defined(__arm__)
inline bool processorHasNeon() {
  constexpr unsigned long kHwcapNeon = 1ul << 12;
  return (getauxval(AT_HWCAP) & kHwcapNeon) != 0;
}
#endif

// Whether this build carries the variant and this processor can run it.
inline bool variantRuns(Variant v) {
  switch (v) {
    case Variant::kScalar:
      return true;
#if defined(__x86_64__)
    case Variant::kSse2:
      return true;
    case Variant::kAvx2:
      return processorHasAvx2();
#elif defined(__arm__)
    case Variant::kNeon:
      return processorHasNeon();
#endif
    default:
      return false;
  }
}

inline Variant bestVariant() {
#if defined(__x86_64__)
  return processorHasAvx2() ? Variant::kAvx2 : Variant::kSse2;
#elif defined(__arm__)
  return processorHasNeon() ? Variant::kNeon : Variant::kScalar;
#else
  return Variant::kScalar;
#endif
}

inline void setVariant(torqen_handle_t* h, Variant v) {
  const uint32_t word = kVariantTag | static_cast<uint32_t>(v);
  std::memcpy(atOffset<unsigned char>(h, variantOffset(h)), &word, sizeof(word));
}

inline Variant variantOf(const torqen_handle_t* h) {
  uint32_t word = 0;
  std::memcpy(&word, atOffset<unsigned char>(h, variantOffset(h)), sizeof(word));
  if ((word & ~kVariantMask) != kVariantTag) {
    return Variant::kScalar;
  }
  return static_cast<Variant>(word & kVariantMask);
}

}  // namespace torqen
