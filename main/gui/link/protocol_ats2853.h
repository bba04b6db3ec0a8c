// The Bluetooth module's own link protocol on slot 0: frames 0x82 towards the module and 0x28 from
// it, a length byte counting the whole frame, group, id, payload and a checksum that is the
// complement of the 8-bit sum of every byte before it. Received frames are dispatched to the
// module's command table; the module's state is kept in `g_protocol_ats2853_db`.
#pragma once

#include "main/gui/link/wireless_protocol.h"

#include <cstddef>
#include <cstdint>

constexpr uint8_t ATS2853_HEAD_SND = 0x82;
constexpr uint8_t ATS2853_HEAD_RCV = 0x28;
constexpr uint8_t ATS2853_FRAME_MIN = 5;
constexpr uint8_t ATS2853_FRAME_MAX = 64;
// A received frame of this id counts only its payload in the length byte.
constexpr uint8_t ATS2853_ID_PAYLOAD_LEN = 0xAA;
constexpr uint32_t ATS2853_PAYLOAD_MAX = 256;
constexpr uint32_t ATS2853_CEC_NAME_LEN = 14;

struct Ats2853Packet {
    uint8_t len;  // the frame's length byte
    uint8_t group;
    uint8_t id;
    uint8_t payload[ATS2853_PAYLOAD_MAX];
    uint8_t chk;
};

struct ProtocolAts2853Db {
    uint32_t bt_sts;    // 2 pairing or disconnected, 3 reconnecting, 4 phone connected
    uint32_t play_sts;  // 0 paused, 1 playing
    uint8_t bt_version;
    uint8_t mac[6];
    uint8_t reserved;
    uint8_t le_aud_pwr_sts;
    uint8_t touch_version;
    char cec_name[ATS2853_CEC_NAME_LEN];  // NUL-terminated, at most 13 characters
    uint32_t key_type;
    uint32_t key_value;
    WirelessProtocolKeyCbk keyCbk;
    WirelessProtocolCbk rcvCbk;
};
static_assert(offsetof(ProtocolAts2853Db, bt_version) == 8 && offsetof(ProtocolAts2853Db, mac) == 9 &&
                  offsetof(ProtocolAts2853Db, le_aud_pwr_sts) == 16 && offsetof(ProtocolAts2853Db, touch_version) == 17,
              "the device wrappers read the record's fields at these offsets");

extern ProtocolAts2853Db g_protocol_ats2853_db;

ProtocolAts2853Db* guiWrapperProtocolAts2853DBget(void);
// A null callback is ignored.
void guiWrapperProtocolAts2853KeyRegisterCbk(WirelessProtocolKeyCbk cbk);
void guiWrapperProtocolAts2853RcvRegisterCbk(WirelessProtocolCbk cbk);

// The hub's sender for slot 0: takes only messages that start with 0x82.
void guiWrapperProtocolAts2853PacketSnd(const uint8_t* msg, uint32_t len);
// The framer: a packet of length 5 to 64 goes out in one write with its checksum.
void __guiWrapperProtocolAts2853PacketSnd(Ats2853Packet* pkt);
// 1 when buf[0] is the header of the direction (1 towards the module, 0 from it).
uint32_t guiWrapperProtocolAts2853HeadChk(uint8_t direction, const uint8_t* buf);
uint8_t guiWrapperProtocolAts2853ChkSum(const uint8_t* buf, uint32_t len);

// The hub's receiver for slot 0: a burst that starts with 0x28 is parsed and its first frame
// dispatched.
void guiWrapperProtocolAts2853PacketRcv(const uint8_t* buf, uint32_t len);
// Parses the first complete frame of the `n` bytes into `pkt`: 0, or -1 when none completes.
int32_t guiWrapperProtocolAts2853UnPack(Ats2853Packet* pkt, const uint8_t* buf, uint32_t n);
// Calls the command table's handler of the packet's (group, id); a packet without one is dropped.
void guiWrapperProtocolAts2853RcvProcess(Ats2853Packet* pkt);
