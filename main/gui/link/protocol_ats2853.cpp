#include "main/gui/link/protocol_ats2853.h"

#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/link/protocol_ats2853_cmd_priv.h"
#include "main/gui/link/wireless_drv.h"

#include <algorithm>
#include <array>
#include <cstring>

#define ATS2853_LOG(fmt, ...) WRAPPER_LOG_API("<ATS2853>", fmt, ##__VA_ARGS__)
#define ATS2853_ERR(fmt, ...) WRAPPER_LOG_ERR("<ATS2853>", fmt, ##__VA_ARGS__)

ProtocolAts2853Db g_protocol_ats2853_db{};

namespace {

constexpr uint32_t kUnpackMin = 6;
constexpr uint32_t kUnpackMax = 256;

enum class ParseState : uint8_t { Hunt, Len, Group, Id, Payload, ChkSum };

}  // namespace

ProtocolAts2853Db* guiWrapperProtocolAts2853DBget(void)
{
    return &g_protocol_ats2853_db;
}

void guiWrapperProtocolAts2853KeyRegisterCbk(WirelessProtocolKeyCbk cbk)
{
    if (cbk != nullptr) {
        g_protocol_ats2853_db.keyCbk = cbk;
    }
}

void guiWrapperProtocolAts2853RcvRegisterCbk(WirelessProtocolCbk cbk)
{
    if (cbk != nullptr) {
        g_protocol_ats2853_db.rcvCbk = cbk;
    }
}

uint32_t guiWrapperProtocolAts2853HeadChk(uint8_t direction, const uint8_t* buf)
{
    if (buf == nullptr) {
        return 0;
    }
    return buf[0] == (direction == 1 ? ATS2853_HEAD_SND : ATS2853_HEAD_RCV) ? 1 : 0;
}

uint8_t guiWrapperProtocolAts2853ChkSum(const uint8_t* buf, uint32_t len)
{
    uint8_t sum = 0;
    if (buf != nullptr) {
        for (uint32_t i = 0; i < len; ++i) {
            sum = static_cast<uint8_t>(sum + buf[i]);
        }
    }
    return static_cast<uint8_t>(~sum);
}

void guiWrapperProtocolAts2853PacketSnd(const uint8_t* msg, uint32_t len)
{
    if (msg == nullptr || len <= 4) {
        ATS2853_ERR("Param Error!");
        return;
    }
    if (guiWrapperProtocolAts2853HeadChk(1, msg) == 0) {
        return;  // another protocol's message
    }
    Ats2853Packet pkt{};
    pkt.len = msg[1];
    pkt.group = msg[2];
    pkt.id = msg[3];
    std::memcpy(pkt.payload, msg + 4, std::min<uint32_t>(len - 4, ATS2853_PAYLOAD_MAX));
    __guiWrapperProtocolAts2853PacketSnd(&pkt);
}

void __guiWrapperProtocolAts2853PacketSnd(Ats2853Packet* pkt)
{
    if (pkt == nullptr || pkt->len < ATS2853_FRAME_MIN || pkt->len > ATS2853_FRAME_MAX) {
        ATS2853_ERR("param error!");
        return;
    }
    std::array<uint8_t, ATS2853_FRAME_MAX> frame{};
    frame[0] = ATS2853_HEAD_SND;
    frame[1] = pkt->len;
    frame[2] = pkt->group;
    frame[3] = pkt->id;
    const uint32_t payloadLen = pkt->len - ATS2853_FRAME_MIN;
    std::memcpy(frame.data() + 4, pkt->payload, payloadLen);
    pkt->chk = guiWrapperProtocolAts2853ChkSum(frame.data(), pkt->len - 1U);
    frame[pkt->len - 1U] = pkt->chk;
    if (guiWrapperWirelessDrvWrite(WIRELESS_DEV_E_ATS2853, 0, frame.data(), pkt->len) < 0) {
        ATS2853_ERR("send failed!");
    }
}

int32_t guiWrapperProtocolAts2853UnPack(Ats2853Packet* pkt, const uint8_t* buf, uint32_t n)
{
    if (pkt == nullptr || buf == nullptr || n < kUnpackMin || n > kUnpackMax) {
        ATS2853_ERR("p_param error!");
        return -1;
    }
    // Each burst is parsed afresh: a frame that does not complete within its burst is dropped
    // rather than taking bytes of the next one. The walk ends at the first frame's length byte and
    // never passes the bytes received.
    ParseState state = ParseState::Hunt;
    uint8_t count = 0;
    uint8_t sum = 0;
    const uint32_t bound = std::min<uint32_t>(buf[1], n);
    for (uint32_t i = 0; i < bound; ++i) {
        const uint8_t b = buf[i];
        switch (state) {
        case ParseState::Hunt:
            if (b == ATS2853_HEAD_RCV) {
                count = 0;
                sum = ATS2853_HEAD_RCV;
                state = ParseState::Len;
            }
            break;
        case ParseState::Len:
            pkt->len = b;
            sum = static_cast<uint8_t>(sum + b);
            // A frame carries at least one payload byte.
            state = b > ATS2853_FRAME_MIN ? ParseState::Group : ParseState::Hunt;
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
        case ParseState::Payload: {
            const uint8_t payloadLen =
                pkt->id == ATS2853_ID_PAYLOAD_LEN ? pkt->len : static_cast<uint8_t>(pkt->len - ATS2853_FRAME_MIN);
            if (count < payloadLen) {
                pkt->payload[count++] = b;
                sum = static_cast<uint8_t>(sum + b);
            }
            if (count >= payloadLen) {
                sum = static_cast<uint8_t>(~sum);
                state = ParseState::ChkSum;
            }
            break;
        }
        case ParseState::ChkSum:
            state = ParseState::Hunt;
            if (b == sum) {
                pkt->chk = b;
                return 0;
            }
            ATS2853_ERR("chksum err: %x", sum);
            break;
        }
    }
    return -1;
}

void guiWrapperProtocolAts2853PacketRcv(const uint8_t* buf, uint32_t len)
{
    if (buf == nullptr || len == 0) {
        ATS2853_ERR("param error!");
        return;
    }
    if (guiWrapperProtocolAts2853HeadChk(0, buf) == 0) {
        return;  // another protocol's burst
    }
    Ats2853Packet pkt{};
    const int32_t ret = guiWrapperProtocolAts2853UnPack(&pkt, buf, len);
    ATS2853_LOG("ret = %d", static_cast<int>(ret));
    if (ret == 0) {
        guiWrapperProtocolAts2853RcvProcess(&pkt);
    }
}

void guiWrapperProtocolAts2853RcvProcess(Ats2853Packet* pkt)
{
    if (pkt == nullptr) {
        return;
    }
    for (const ProtocolCmdEntry* row = gAts2853CmdTable; row->group != 0; ++row) {
        if (row->group == pkt->group && row->id == pkt->id && row->handler != nullptr) {
            row->handler(pkt, 0, pkt->id);
            return;
        }
    }
}
