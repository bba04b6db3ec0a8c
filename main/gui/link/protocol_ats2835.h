// The second Bluetooth module's link protocol on slot 2.
#pragma once

#include "main/gui/link/wireless_protocol.h"

#include <cstdint>

void guiWrapperProtocolAts2835RcvRegisterCbk(WirelessProtocolCbk cbk);
// The hub's sender: takes only the messages of this protocol.
void guiWrapperProtocolAts2835PacketSnd(const uint8_t* msg, uint32_t len);
// The hub's receiver: keeps only the bursts of this protocol.
void guiWrapperProtocolAts2835PacketRcv(const uint8_t* buf, uint32_t len);
// The module's status record; null until the protocol is built.
void* guiWrapperProtocolAts2835DBget(void);
