// The Bluetooth-module wrapper's commands: each is one frame handed to the protocol hub for slot 0,
// whose Bluetooth framer appends the checksum.
#include "main/gui/wrapper/wrapper_bt.h"

#include "main/gui/link/wireless_protocol.h"
#include "main/gui/wrapper/wrapper_dev_log.h"

#include <array>
#include <cstring>

#define BT_LOG(fmt, ...) WRAPPER_LOG_ERR("<BT>", fmt, ##__VA_ARGS__)

namespace {

constexpr uint8_t kHead = 0x82;
constexpr uint8_t kHeadLen = 5;  // header, length, group, command and the checksum
constexpr uint8_t kPayloadMax = 32;
constexpr uint8_t kCmdGroup = 0x81;
constexpr uint8_t kCmdWirelessLink = 0x2D;

}  // namespace

int32_t guiWrapperBtSndPacket(uint8_t group, uint8_t cmd, uint8_t len, const uint8_t* payload)
{
    if (len > kPayloadMax || (len != 0 && payload == nullptr)) {
        BT_LOG("Param Error!");
        return -1;
    }
    std::array<uint8_t, kHeadLen + kPayloadMax> msg{};
    msg[0] = kHead;
    msg[1] = static_cast<uint8_t>(len + kHeadLen);
    msg[2] = group;
    msg[3] = cmd;
    if (len != 0) {
        std::memcpy(msg.data() + 4, payload, len);
    }
    guiWrapperWirelessProtocolPacketSnd(0, msg.data(), len + kHeadLen);
    return 0;
}

void guiWrapperWirelesConnStateReport(void)
{
    const uint8_t up = 1;
    guiWrapperBtSndPacket(kCmdGroup, kCmdWirelessLink, 1, &up);
}

void guiWrapperWirelesDisconnStateReport(void)
{
    const uint8_t down = 0;
    guiWrapperBtSndPacket(kCmdGroup, kCmdWirelessLink, 1, &down);
}
