// Stand-in for this link protocol until it is built: the hub's entries take what they are given
// and do nothing with it.
#include "main/gui/link/protocol_wavrel.h"

void guiWrapperProtocolWavrelRcvRegisterCbk(WirelessProtocolCbk)
{
}

void guiWrapperProtocolWavrelPacketSnd(const uint8_t*, uint32_t)
{
}

void guiWrapperProtocolWavrelPacketRcv(const uint8_t*, uint32_t)
{
}

void guiWrapperProtocolWavrelSysStateGetRegisterCbk(WirelessProtocolStateGet)
{
}

void* guiWrapperProtocolWavrelDBget(void)
{
    return nullptr;
}
