// Stand-in for this link protocol until it is built: the hub's entries take what they are given
// and do nothing with it.
#include "main/gui/link/protocol_ota.h"

void guiWrapperProtocolOtaRcvRegisterCbk(WirelessProtocolCbk)
{
}

void guiWrapperProtocolOtaPacketSnd(const uint8_t*, uint32_t)
{
}

void guiWrapperProtocolOtaPacketRcv(const uint8_t*, uint32_t)
{
}
