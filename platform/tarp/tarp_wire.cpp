#include "platform/tarp/tarp_wire.h"

#include "common/support/support.h"

namespace tarp {

std::array<uint8_t, kHeaderSize> encodeHeader(const FrameHeader& header)
{
    std::array<uint8_t, kHeaderSize> bytes{};
    sb::storeLe32(bytes.data() + offsetof(FrameHeader, func_id), header.func_id);
    sb::storeLe32(bytes.data() + offsetof(FrameHeader, arg_len), header.arg_len);
    return bytes;
}

std::optional<FrameHeader> decodeHeader(const uint8_t* bytes)
{
    FrameHeader header{};
    header.func_id = sb::loadLe32(bytes + offsetof(FrameHeader, func_id));
    header.arg_len = sb::loadLe32(bytes + offsetof(FrameHeader, arg_len));
    if (header.arg_len > kMaxArgLen) {
        return std::nullopt;
    }
    return header;
}

std::array<uint8_t, kResultSize> encodeResult(int32_t result)
{
    std::array<uint8_t, kResultSize> bytes{};
    sb::storeLe32(bytes.data(), static_cast<uint32_t>(result));
    return bytes;
}

int32_t decodeResult(const uint8_t* bytes)
{
    return static_cast<int32_t>(sb::loadLe32(bytes));
}

}  // namespace tarp
