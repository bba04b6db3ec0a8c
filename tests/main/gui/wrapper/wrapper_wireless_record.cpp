// The wireless-audio wrapper's calls as the callers make them, logged in place of the link: the
// wrapper tests check what the music, general and power wrappers ask of the link, not the module.
#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include <cstdint>

extern "C" {
int32_t __wrap__Z28guiWrapperWirelessAudPowerOnv()
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperWirelessAudPowerOn");
    return 0;
}

int32_t __wrap__Z29guiWrapperWirelessAudPowerOffv()
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperWirelessAudPowerOff");
    return 0;
}

int32_t __wrap__Z33guiWrapperWirelessAudFactoryResetj(uint32_t)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperWirelessAudFactoryReset");
    return 0;
}

int32_t __wrap__Z27guiWrapperWirelessAudVolSetPKhhh(const uint8_t* vol, uint8_t sur, uint8_t bass)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "guiWrapperWirelessAudVolSet %d %u %u", vol != nullptr ? *vol : -1, sur,
                   bass);
    return 0;
}

int32_t __wrap__Z28guiWrapperWirelessAudMuteSetPKh(const uint8_t* mute)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "guiWrapperWirelessAudMuteSet %u", mute != nullptr ? *mute : 0xFFu);
    return 0;
}

int32_t __wrap__Z28guiWrapperWirelesRxSubVolSeth(uint8_t level)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "guiWrapperWirelesRxSubVolSet %u", level);
    return 0;
}

int32_t __wrap__Z28guiWrapperWirelesRxSurVolSeth(uint8_t level)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "guiWrapperWirelesRxSurVolSet %u", level);
    return 0;
}

void __wrap__Z33guiWrapperWirelessAudTxVersionGetPc(char*)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "guiWrapperWirelessAudTxVersionGet");
}

void __wrap__Z34guiWrapperWirelessAudSubVersionGetPc(char*)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "guiWrapperWirelessAudSubVersionGet");
}

int32_t __wrap__Z26guiWrapperWirelesRfBandSeth(uint8_t band)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "guiWrapperWirelesRfBandSet %u", band);
    return 0;
}

int32_t __wrap__Z26guiWrapperWirelessAudEqSetPKh(const uint8_t* mode)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "guiWrapperWirelessAudEqSet %d", mode != nullptr ? *mode : -1);
    return 0;
}
}
