// The phone app's received-command table: (group, id) to handler, ending at group 0. A row without
// a handler is never answered.
#pragma once

#include "main/gui/link/protocol_brontal.h"

#include <cstdint>

struct ProtocolBrontalCmdEntry {
    uint8_t group;
    uint8_t id;
    int32_t (*handler)(const BrontalPacket* pkt, uint32_t len, uint32_t id);
};

constexpr uint32_t BRONTAL_CMD_ROWS = 30;

// The rows and the end row.
extern const ProtocolBrontalCmdEntry gBrontalCmdTable[BRONTAL_CMD_ROWS + 1];
