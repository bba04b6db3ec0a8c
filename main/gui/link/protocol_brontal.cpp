#include "main/gui/link/protocol_brontal.h"

#include "main/gui/link/protocol_brontal_cmd_priv.h"
#include "main/gui/link/wireless_drv.h"
#include "main/gui/wrapper/wrapper_dev_log.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#define BRONTAL_LOG(fmt, ...) WRAPPER_LOG_API("<BRONTAL>", fmt, ##__VA_ARGS__)
#define BRONTAL_ERR(fmt, ...) WRAPPER_LOG_ERR("<BRONTAL>", fmt, ##__VA_ARGS__)

ProtocolBrontalDb g_protocol_brontal_db{};

namespace {

// {header, length low, length high, group, id}
constexpr uint32_t kHeadSize = 5;
constexpr uint32_t kFrameMax = kHeadSize + BRONTAL_FRAME_PAYLOAD_MAX + 1;
// The hub's pause after every slot-0 message: it paces the module's receive side.
constexpr auto kHubPause = std::chrono::milliseconds(50);
// The direct sender's bound: header, length, group, id, payload and checksum within the driver's buffer.
constexpr uint32_t kDirectFrameLimit = 1030;

enum class ParseState : uint8_t { Hunt, Len, Group, Id, Payload, ChkSum };

void hexDump(const uint8_t* frame, uint32_t n)
{
    if (gUi4EnableAllLog.load(std::memory_order_relaxed) != 1) {
        return;
    }
    std::string line = "=========== brontal snd ===========\n";
    for (uint32_t i = 0; i < n; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof(byte), "%02x ", frame[i]);
        line += byte;
    }
    line += "\n===================================\n";
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

void guiWrapperProtocolBrontalRcvRegisterCbk(WirelessProtocolCbk cbk)
{
    if (cbk != nullptr) {
        g_protocol_brontal_db.rcvCbk = cbk;
    }
}

uint32_t guiWrapperProtocolBrontalHeadChk(uint8_t direction, const uint8_t* buf)
{
    if (buf == nullptr) {
        return 0;
    }
    return buf[0] == (direction == 1 ? BRONTAL_HEAD_SND : BRONTAL_HEAD_RCV) ? 1 : 0;
}

uint8_t guiWrapperProtocolBrontalChkSum(const uint8_t* frame, uint32_t n)
{
    uint8_t sum = BRONTAL_HEAD_RCV;
    if (frame == nullptr || n < 4) {
        return sum;
    }
    for (uint32_t i = 3; i < n; ++i) {
        sum = static_cast<uint8_t>(sum + frame[i]);
    }
    return sum;
}

void guiWrapperProtocolBrontalPacketSnd(const uint8_t* msg, uint32_t len)
{
    if (msg == nullptr || len <= 4) {
        BRONTAL_ERR("Param Error!");
        return;
    }
    if (guiWrapperProtocolBrontalHeadChk(1, msg) == 1) {
        BrontalPacket pkt{};
        pkt.len = static_cast<uint16_t>(msg[1] | (msg[2] << 8));
        pkt.group = msg[3];
        pkt.id = msg[4];
        // Only the bytes the message carries: a length that claims more leaves zeros behind them.
        const uint32_t have = len - kHeadSize;
        std::memcpy(pkt.payload, msg + kHeadSize, std::min<uint32_t>({have, pkt.len, BRONTAL_PAYLOAD_SIZE}));
        BRONTAL_LOG("type = 0x%x, cmd = 0x%x!", pkt.group, pkt.id);
        __guiWrapperProtocolBrontalPacketSnd(&pkt);
    }
    std::this_thread::sleep_for(kHubPause);
}

void guiWrapperProtocolBrontalSndPacket(uint8_t group, uint8_t id, uint16_t len, const uint8_t* payload)
{
    if (len + BRONTAL_FRAME_OVERHEAD >= kDirectFrameLimit || (payload == nullptr && len != 0)) {
        BRONTAL_ERR("Param Error!");
        return;
    }
    BrontalPacket pkt{};
    pkt.len = len;
    pkt.group = group;
    pkt.id = id;
    if (len != 0) {
        std::memcpy(pkt.payload, payload, len);
    }
    __guiWrapperProtocolBrontalPacketSnd(&pkt);
}

void __guiWrapperProtocolBrontalPacketSnd(BrontalPacket* pkt)
{
    if (pkt == nullptr || pkt->len > BRONTAL_FRAME_PAYLOAD_MAX) {
        BRONTAL_ERR("param error!");
        return;
    }
    std::array<uint8_t, kFrameMax> frame{};
    frame[0] = BRONTAL_HEAD_SND;
    frame[1] = static_cast<uint8_t>(pkt->len & 0xFF);
    frame[2] = static_cast<uint8_t>(pkt->len >> 8);
    frame[3] = pkt->group;
    frame[4] = pkt->id;
    std::memcpy(frame.data() + kHeadSize, pkt->payload, pkt->len);
    const uint32_t n = kHeadSize + pkt->len;
    pkt->chk = guiWrapperProtocolBrontalChkSum(frame.data(), n);
    frame[n] = pkt->chk;
    hexDump(frame.data(), n + 1);
    if (guiWrapperWirelessDrvWrite(WIRELESS_DEV_E_ATS2853, 0, frame.data(), n + 1) < 0) {
        BRONTAL_ERR("send failed!");
    }
}

int32_t guiWrapperProtocolBrontalUnPack(BrontalPacket* pkt, const uint8_t* buf, uint32_t n)
{
    if (pkt == nullptr || buf == nullptr || n < BRONTAL_FRAME_OVERHEAD) {
        BRONTAL_ERR("p_param error!");
        return -1;
    }
    // Counted in 32 bits: a length of 0xFFFA and more must not wrap into a short frame.
    const uint32_t payloadLen = static_cast<uint32_t>(buf[1]) | (static_cast<uint32_t>(buf[2]) << 8);
    if (payloadLen > BRONTAL_FRAME_PAYLOAD_MAX) {
        BRONTAL_ERR("p_param error!");
        return -1;
    }
    // Each burst is parsed afresh and the walk never passes the bytes received: a frame cut by its
    // burst is dropped rather than completed with the bytes of the next one.
    const uint32_t total = payloadLen + BRONTAL_FRAME_OVERHEAD;
    const uint32_t bound = std::min(total, n);
    ParseState state = ParseState::Hunt;
    uint32_t count = 0;
    uint8_t sum = 0;
    for (uint32_t i = 0; i < bound; ++i) {
        const uint8_t b = buf[i];
        switch (state) {
        case ParseState::Hunt:
            if (b == BRONTAL_HEAD_RCV) {
                count = 0;
                sum = BRONTAL_HEAD_RCV;
                state = ParseState::Len;
            }
            break;
        case ParseState::Len:
            pkt->len = static_cast<uint16_t>(payloadLen);
            ++i;  // the length's high byte, already read above
            state = ParseState::Group;
            break;
        case ParseState::Group:
            pkt->group = b;
            sum = static_cast<uint8_t>(sum + b);
            state = ParseState::Id;
            break;
        case ParseState::Id:
            pkt->id = b;
            sum = static_cast<uint8_t>(sum + b);
            state = ParseState::Payload;
            break;
        case ParseState::Payload:
            if (pkt->len == 0) {
                // No payload: this byte is the checksum.
                BRONTAL_LOG("enter PACKET_BRONTAL_OFFSET_E_DAT22");
                state = ParseState::ChkSum;
                --i;
                break;
            }
            pkt->payload[count++] = b;
            sum = static_cast<uint8_t>(sum + b);
            if (count >= pkt->len) {
                state = ParseState::ChkSum;
            }
            break;
        case ParseState::ChkSum:
            state = ParseState::Hunt;
            if (b == sum) {
                pkt->chk = b;
                return 0;
            }
            BRONTAL_ERR("chksum err: %x", sum);
            break;
        }
    }
    BRONTAL_ERR("unpack error!");
    return -1;
}

void guiWrapperProtocolBrontalPacketRcv(const uint8_t* buf, uint32_t len)
{
    if (buf == nullptr || len == 0) {
        BRONTAL_ERR("param error!");
        return;
    }
    if (guiWrapperProtocolBrontalHeadChk(0, buf) == 0) {
        return;  // another protocol's burst
    }
    // Zeroed for every parse: a handler that reads more than a short frame carried sees zeros.
    BrontalPacket pkt{};
    if (guiWrapperProtocolBrontalUnPack(&pkt, buf, len) == 0) {
        guiWrapperProtocolBrontalRcvProcess(&pkt);
    }
}

void guiWrapperProtocolBrontalRcvProcess(BrontalPacket* pkt)
{
    if (pkt == nullptr) {
        return;
    }
    for (const ProtocolBrontalCmdEntry* row = gBrontalCmdTable; row->group != 0; ++row) {
        if (row->group == pkt->group && row->id == pkt->id && row->handler != nullptr) {
            row->handler(pkt, 0, pkt->id);
            return;
        }
    }
}
