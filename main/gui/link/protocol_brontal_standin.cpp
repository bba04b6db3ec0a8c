// Stand-in for this link protocol until it is built: the hub's entries take what they are given
// and do nothing with it.
#include "main/gui/link/protocol_brontal.h"

void guiWrapperProtocolBrontalRcvRegisterCbk(WirelessProtocolCbk)
{
}

void guiWrapperProtocolBrontalPacketSnd(const uint8_t*, uint32_t)
{
}

void guiWrapperProtocolBrontalPacketRcv(const uint8_t*, uint32_t)
{
}
