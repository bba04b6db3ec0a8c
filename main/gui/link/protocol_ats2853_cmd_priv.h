// The Bluetooth module's received-command table: (group, id) to handler, ending at group 0.
#pragma once

#include "main/gui/link/protocol_ats2853.h"

#include <cstdint>

struct ProtocolCmdEntry {
    uint8_t group;
    uint8_t id;
    int32_t (*handler)(const Ats2853Packet* pkt, uint32_t len, uint32_t id);
};

constexpr uint32_t ATS2853_CMD_ROWS = 95;

// The rows and the end row.
extern const ProtocolCmdEntry gAts2853CmdTable[ATS2853_CMD_ROWS + 1];
