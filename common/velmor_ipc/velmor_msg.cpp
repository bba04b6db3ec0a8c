#include "common/velmor_ipc/velmor_msg.h"

#include "common/support/support.h"

#include <cstring>

bool playerMsgEncode(PlayerMsgBody* body, int32_t cmd, const char* url, int32_t word0, int32_t word1)
{
    const size_t urlLen = url != nullptr ? strnlen(url, PLAYER_URL_SIZE) : 0;
    if (urlLen >= PLAYER_URL_SIZE) {
        return false;
    }
    body->fill(0);
    sb::storeLe32(body->data(), static_cast<uint32_t>(cmd));
    if (urlLen > 0) {
        std::memcpy(body->data() + PLAYER_URL_OFFSET, url, urlLen);
    }
    sb::storeLe32(body->data() + PLAYER_WORD0_OFFSET, static_cast<uint32_t>(word0));
    sb::storeLe32(body->data() + PLAYER_WORD1_OFFSET, static_cast<uint32_t>(word1));
    return true;
}

PlayerMsg playerMsgDecode(const uint8_t* body, size_t len)
{
    PlayerMsg msg;
    PlayerMsgBody full{};
    std::memcpy(full.data(), body, len < full.size() ? len : full.size());
    msg.i4Cmd = static_cast<int32_t>(sb::loadLe32(full.data()));
    std::memcpy(msg.acUrl.data(), full.data() + PLAYER_URL_OFFSET, PLAYER_URL_SIZE - 1);
    msg.acUrl[PLAYER_URL_SIZE - 1] = '\0';
    msg.i4Word0 = static_cast<int32_t>(sb::loadLe32(full.data() + PLAYER_WORD0_OFFSET));
    msg.i4Word1 = static_cast<int32_t>(sb::loadLe32(full.data() + PLAYER_WORD1_OFFSET));
    return msg;
}
