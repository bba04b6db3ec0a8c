#include "main/playback/usb/usb_pb_msg.h"

#include <cstring>

namespace {

void storeLe32(uint8_t* at, int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
    at[2] = static_cast<uint8_t>(v >> 16);
    at[3] = static_cast<uint8_t>(v >> 24);
}

int32_t loadLe32(const uint8_t* at)
{
    return static_cast<int32_t>(static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                                static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24);
}

}  // namespace

bool playerMsgEncode(PlayerMsgBody* body, int32_t cmd, const char* url, int32_t word0, int32_t word1)
{
    const size_t urlLen = url != nullptr ? strnlen(url, PLAYER_URL_SIZE) : 0;
    if (urlLen >= PLAYER_URL_SIZE) {
        return false;
    }
    body->fill(0);
    storeLe32(body->data(), cmd);
    if (urlLen > 0) {
        std::memcpy(body->data() + PLAYER_URL_OFFSET, url, urlLen);
    }
    storeLe32(body->data() + PLAYER_WORD0_OFFSET, word0);
    storeLe32(body->data() + PLAYER_WORD1_OFFSET, word1);
    return true;
}

PlayerMsg playerMsgDecode(const uint8_t* body, size_t len)
{
    PlayerMsg msg;
    PlayerMsgBody full{};
    std::memcpy(full.data(), body, len < full.size() ? len : full.size());
    msg.i4Cmd = loadLe32(full.data());
    std::memcpy(msg.acUrl.data(), full.data() + PLAYER_URL_OFFSET, PLAYER_URL_SIZE - 1);
    msg.acUrl[PLAYER_URL_SIZE - 1] = '\0';
    msg.i4Word0 = loadLe32(full.data() + PLAYER_WORD0_OFFSET);
    msg.i4Word1 = loadLe32(full.data() + PLAYER_WORD1_OFFSET);
    return msg;
}
