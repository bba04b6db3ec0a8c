// The OTA transfer protocol on slot 0: frames 0x8A towards the phone app and 0xA8 from it.
#pragma once

#include "main/gui/link/wireless_protocol.h"

#include <cstdint>

void guiWrapperProtocolOtaRcvRegisterCbk(WirelessProtocolCbk cbk);
// The hub's sender: takes only the messages of this protocol.
void guiWrapperProtocolOtaPacketSnd(const uint8_t* msg, uint32_t len);
// The hub's receiver: keeps only the bursts of this protocol.
void guiWrapperProtocolOtaPacketRcv(const uint8_t* buf, uint32_t len);
