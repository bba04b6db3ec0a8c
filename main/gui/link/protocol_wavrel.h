// The 5.8 GHz module's register protocol on slot 1: the wireless-audio wrapper's messages become
// register commands, the once-a-second status poll becomes the status record and link events, and
// the gain record feeds the speakers' gain parameters.
#pragma once

#include "main/gui/link/wireless_protocol.h"

#include <array>
#include <atomic>
#include <cstdint>

// Registers of the module (16-bit numbers as the slot-1 driver takes them).
constexpr uint16_t WAVREL_REG_CMD = 0x1460;
constexpr uint16_t WAVREL_REG_REPLY = 0x6114;
constexpr uint16_t WAVREL_REG_STATUS = 0xB000;
constexpr uint16_t WAVREL_REG_RAM_UUID = 0x100C;
constexpr uint16_t WAVREL_REG_EXIT_PAIR = 0x0008;
constexpr uint32_t WAVREL_STATUS_LEN = 10;

// One command written to the command register: {cmd, param[4], tail}.
struct WavrelRegCmd {
    uint8_t cmd;
    uint8_t param[4];
    uint8_t tail;
};
static_assert(sizeof(WavrelRegCmd) == 6, "a module command is six bytes on the wire");

// The message the wireless-audio wrapper hands to the hub: {msg_id} or {msg_id, data_len, data}.
struct WavrelMsg {
    uint8_t msg_id;
    uint8_t data_len;
    uint8_t data[6];
};

// The module's status record. Written by the poll's unpack thread and the senders, read by the
// wrappers on their own threads, so every field is atomic: read each with load().
struct WavrelDb {
    std::atomic<uint8_t> pairing_sts{0};                // status byte 4 (2 while the module pairs)
    std::array<std::atomic<uint8_t>, 4> version{};      // status bytes 0-3; [1] transmitter, [3] subwoofer
    std::atomic<uint16_t> surl_version{0};
    std::atomic<uint16_t> surr_version{0};
    std::atomic<uint8_t> sub_conn_sts{0};               // the accepted subwoofer link state (1 linked)
    std::atomic<uint16_t> change_count{0};
    std::atomic<WirelessProtocolCbk> rcv_cbk{nullptr};
    std::atomic<WirelessProtocolStateGet> sys_state_get{nullptr};
    std::array<std::atomic<uint8_t>, 3> ram_uuid{};     // user id as last read from the module's RAM
    std::array<std::atomic<uint8_t>, 3> flash_uuid{};   // user id as last read from its parameter store
    std::atomic<uint8_t> status7{0};
    std::atomic<uint8_t> rf_band{0};
};

// Volume and gains (dB) of the wireless speakers, from which the gain parameters are computed.
struct WavrelVolGain {
    std::atomic<int64_t> volume{0};
    std::atomic<int64_t> sur_gain{0};
    std::atomic<int64_t> sub_volume{0};
    std::atomic<int64_t> sub_gain{0};
};
extern WavrelVolGain g_wavrel_vol_gain;

void guiWrapperProtocolWavrelRcvRegisterCbk(WirelessProtocolCbk cbk);
void guiWrapperProtocolWavrelSysStateGetRegisterCbk(WirelessProtocolStateGet get);
// The hub's sender for slot 1: one `WavrelMsg` of `len` bytes. Runs on the caller's thread.
void guiWrapperProtocolWavrelPacketSnd(const uint8_t* msg, uint32_t len);
// The hub's receiver for slot 1: a 10-byte status block from the poll.
void guiWrapperProtocolWavrelPacketRcv(const uint8_t* buf, uint32_t len);
// Writes {cmd, param5[0..4]} (or {cmd, 00 00 00 00 01} for a null param5) to the command register;
// the driver's result (1 written, 0 bus failure, -1 bad argument).
int32_t guiWrapperProtocolWavrelCmdSet(uint8_t cmd, const uint8_t* param5);
// Writes a ready 6-byte command; 1, or -1 when refused or not written.
int32_t __guiWrapperProtocolWavrelPacketSnd(const uint8_t* cmd6);
// Reads and logs the module's 2 version bytes.
void guiWrapperProtocolWavrelVersionRead(void);
// Keeps the status poll off the bus (non-zero) while a firmware upgrade runs, or lets it resume.
void guiWrapperProtocolWavrelUpgEnter(uint32_t enable);
WavrelDb* guiWrapperProtocolWavrelDBget(void);
