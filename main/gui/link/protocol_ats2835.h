// The second Bluetooth module's link protocol on slot 2: the same messages as the 5.8 GHz module
// turned into register commands, and its 18-byte status block turned into the receivers' link and
// upgrade events. The slot has no device in this build: writes return 0 and nothing is received.
#pragma once

#include "main/gui/link/wireless_protocol.h"

#include <array>
#include <atomic>
#include <cstdint>

constexpr uint32_t ATS2835_STATUS_LEN = 18;
constexpr uint16_t ATS2835_STATUS_TAG = 0xA1;
constexpr uint32_t ATS2835_CMD_DATA_MAX = 64;

// One register command: the command number, its data and their count.
struct Ats2835RegCmd {
    uint32_t reg;
    uint8_t data[ATS2835_CMD_DATA_MAX];
    uint32_t len;
};

// The module's status record: the pairing and OTA flags are written by the sender and read by the
// receiver, and the rest only on the receiving side, so each field is atomic: read with load().
struct Ats2835Db {
    std::atomic<uint16_t> tag{0};
    std::atomic<uint8_t> pairing{0};
    std::array<std::atomic<uint8_t>, 4> status{};
    std::atomic<uint8_t> ota{0};
    std::array<std::atomic<uint16_t>, 3> progress{};  // subwoofer, left surround, right surround
    std::array<std::atomic<uint8_t>, 3> connected{};
    std::array<std::atomic<uint16_t>, 3> debounce{};
    std::atomic<WirelessProtocolCbk> rcv_cbk{nullptr};
};

void guiWrapperProtocolAts2835RcvRegisterCbk(WirelessProtocolCbk cbk);
// The hub's sender for slot 2; may wait up to 3 s for a running pairing to end.
void guiWrapperProtocolAts2835PacketSnd(const uint8_t* msg, uint32_t len);
// The hub's receiver for slot 2: a burst of at least one whole status block.
void guiWrapperProtocolAts2835PacketRcv(const uint8_t* buf, uint32_t len);
// Writes one register command; the driver's result.
int32_t __guiWrapperProtocolAts2835PacketSnd(const Ats2835RegCmd* cmd);
void guiWrapperProtocolAts2835WaitForExitPair(void);
Ats2835Db* guiWrapperProtocolAts2835DBget(void);
