#include "platform/tarp/tarp_wire.h"

namespace tarp {

uint32_t loadU32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void storeU32(uint8_t* bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

std::array<uint8_t, kHeaderSize> encodeHeader(const FrameHeader& header)
{
    std::array<uint8_t, kHeaderSize> bytes{};
    storeU32(bytes.data() + offsetof(FrameHeader, func_id), header.func_id);
    storeU32(bytes.data() + offsetof(FrameHeader, arg_len), header.arg_len);
    return bytes;
}

std::optional<FrameHeader> decodeHeader(const uint8_t* bytes)
{
    FrameHeader header{};
    header.func_id = loadU32(bytes + offsetof(FrameHeader, func_id));
    header.arg_len = loadU32(bytes + offsetof(FrameHeader, arg_len));
    if (header.arg_len > kMaxArgLen) {
        return std::nullopt;
    }
    return header;
}

std::array<uint8_t, kResultSize> encodeResult(int32_t result)
{
    std::array<uint8_t, kResultSize> bytes{};
    storeU32(bytes.data(), static_cast<uint32_t>(result));
    return bytes;
}

int32_t decodeResult(const uint8_t* bytes)
{
    return static_cast<int32_t>(loadU32(bytes));
}

}  // namespace tarp
