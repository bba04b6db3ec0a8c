// Stand-in for the 5.8 GHz wireless-audio wrapper until it is built (its init and exit, which
// start and stop the link stack, are built): each call is recorded.
#include "main/gui/link/wrapper_wireless.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWrapperWirelessAudPowerOn(void)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperWirelessAudPowerOff(void)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperWirelessAudFactoryReset(uint32_t)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperWirelessAudVolSet(const uint8_t* vol, uint8_t surVol, uint8_t bassVol)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %d %u %u", __func__, vol != nullptr ? *vol : -1, surVol, bassVol);
}

void guiWrapperWirelessAudMuteSet(const uint8_t* mute)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, mute != nullptr ? *mute : 0xFFu);
}

void guiWrapperWirelesRxSubVolSet(uint8_t vol)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, vol);
}

void guiWrapperWirelesRxSurVolSet(uint8_t vol)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, vol);
}

void guiWrapperWirelesRxLedStsSet(uint32_t)
{
    STANDIN_NOT_BUILT();
}

void guiWrapperWirelessAudLedDimmerSet(uint32_t)
{
}

void guiWrapperWirelessAudTxVersionGet(char*)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s", __func__);
}

void guiWrapperWirelessAudSubVersionGet(char*)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s", __func__);
}

void guiWrapperWirelesRfBandSet(uint8_t band)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, band);
}

void guiWrapperWirelessAudStsGet(uint32_t* out)
{
    if (out != nullptr) {
        *out = 0;
    }
}

void guiWrapperWirelessAudEqSet(const uint8_t* eqMode)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %d", __func__, eqMode != nullptr ? *eqMode : -1);
}
