// The 5.8 GHz module's register protocol on slot 1.
#pragma once

#include "main/gui/link/wireless_protocol.h"

#include <cstdint>

void guiWrapperProtocolWavrelRcvRegisterCbk(WirelessProtocolCbk cbk);
// The hub's sender: takes only the messages of this protocol.
void guiWrapperProtocolWavrelPacketSnd(const uint8_t* msg, uint32_t len);
// The hub's receiver: keeps only the bursts of this protocol.
void guiWrapperProtocolWavrelPacketRcv(const uint8_t* buf, uint32_t len);
// The GUI system-state getter the protocol consults.
void guiWrapperProtocolWavrelSysStateGetRegisterCbk(WirelessProtocolStateGet get);
// The module's status record; null until the protocol is built.
void* guiWrapperProtocolWavrelDBget(void);
