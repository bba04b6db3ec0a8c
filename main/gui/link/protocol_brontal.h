// The phone-app control protocol on slot 0: frames 0xBB towards the app and 0xAA from it.
#pragma once

#include "main/gui/link/wireless_protocol.h"

#include <cstdint>

void guiWrapperProtocolBrontalRcvRegisterCbk(WirelessProtocolCbk cbk);
// The hub's sender: takes only the messages of this protocol.
void guiWrapperProtocolBrontalPacketSnd(const uint8_t* msg, uint32_t len);
// The hub's receiver: keeps only the bursts of this protocol.
void guiWrapperProtocolBrontalPacketRcv(const uint8_t* buf, uint32_t len);
