// Host stand-in for the board's parameter libraries: the serial-number record and the Bluetooth
// configuration record, which the board keeps in its parameter partition. Here they hold canned
// values that tests may change.
#pragma once

#include <cstdint>

constexpr uint32_t PARM_SN_SIZE = 64;
constexpr uint32_t PARM_BT_MAC_SIZE = 6;

// The Bluetooth configuration record: the module's address comes first.
struct parm_bt_cfg_t {
    uint8_t mac[PARM_BT_MAC_SIZE];
    uint8_t reserved[26];
};
static_assert(sizeof(parm_bt_cfg_t) == 32);

// Fills `sn` (PARM_SN_SIZE bytes) with the serial-number text, zero-padded. 0, or -1 for null.
extern "C" int r_SN(char* sn);
// Fills the Bluetooth configuration record. 0, or -1 for null.
extern "C" int r_BT_CFG(parm_bt_cfg_t* cfg);

// Test support: replace the canned values (the text is cut to PARM_SN_SIZE - 1 characters).
void parmSetSerialNumber(const char* sn);
void parmSetBtMac(const uint8_t (&mac)[PARM_BT_MAC_SIZE]);
