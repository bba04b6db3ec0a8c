// Stand-in for this link protocol until it is built: the hub's entries take what they are given
// and do nothing with it.
#include "main/gui/link/protocol_ats2835.h"

void guiWrapperProtocolAts2835RcvRegisterCbk(WirelessProtocolCbk)
{
}

void guiWrapperProtocolAts2835PacketSnd(const uint8_t*, uint32_t)
{
}

void guiWrapperProtocolAts2835PacketRcv(const uint8_t*, uint32_t)
{
}

void* guiWrapperProtocolAts2835DBget(void)
{
    return nullptr;
}
