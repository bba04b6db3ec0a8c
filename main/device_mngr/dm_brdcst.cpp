#include "main/device_mngr/dm_brdcst.h"

#include "main/am/am.h"
#include "main/am/amb/amb.h"

#include <cstring>

int32_t dmBroadcastWord(uint32_t msgId, uint32_t value, uint8_t wait)
{
    am_broadcast_msg_t msg{};
    msg.ui4MsgId = msgId;
    std::memcpy(msg.aui1Data, &value, sizeof(value));
    msg.ui4Size = sizeof(value);
    return u_amb_broadcast_msg(&msg, wait);
}
