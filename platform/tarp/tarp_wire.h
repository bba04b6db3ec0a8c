// Wire format of the remote-call library: one request frame {u32 function id, u32 argument
// length, argument bytes} answered by one i32 result, all little-endian.
#pragma once

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tarp {

// Longest argument record a frame may carry; longer frames are refused on both sides.
constexpr uint32_t kMaxArgLen = 4096;

struct FrameHeader {
    uint32_t func_id;
    uint32_t arg_len;
};
static_assert(sizeof(FrameHeader) == 8);
static_assert(offsetof(FrameHeader, func_id) == 0);
static_assert(offsetof(FrameHeader, arg_len) == 4);

constexpr size_t kHeaderSize = sizeof(FrameHeader);
constexpr size_t kResultSize = sizeof(int32_t);

std::array<uint8_t, kHeaderSize> encodeHeader(const FrameHeader& header);
// Nothing when the length is above kMaxArgLen.
std::optional<FrameHeader> decodeHeader(const uint8_t* bytes);

std::array<uint8_t, kResultSize> encodeResult(int32_t result);
int32_t decodeResult(const uint8_t* bytes);

// Calls io(offset) until `len` bytes have moved; io returns what send() or recv() returned.
// False when the peer is gone or the call failed (interrupted calls are repeated).
template <typename Io>
bool moveAll(size_t len, Io io)
{
    size_t done = 0;
    while (done < len) {
        const auto n = io(done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace tarp
