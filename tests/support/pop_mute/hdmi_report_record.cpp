// The digital inputs' reports to the HDMI wrapper (hot-plug, the TV's power, routing, ARC, volume
// and mute, CEC frames), recorded in the wrapper call log in place of the HDMI wrapper for the tests
// of the sources, which check what they report rather than what the wrapper makes of it.
#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" {

void __wrap__Z23guiWrapperHdmiRxHotplugh(uint8_t online)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperHdmiRxHotplug %u", online);
}

void __wrap__Z23guiWrapperHdmiTxHotplugh(uint8_t online)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperHdmiTxHotplug %u", online);
}

void __wrap__Z29guiWrapperHdmiRoutingPowerCbkh(uint8_t on)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperHdmiRoutingPowerCbk %u", on);
}

void __wrap__Z27guiWrapperHdmiRoutingSrcCbki(int32_t src)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperHdmiRoutingSrcCbk %d", src);
}

void __wrap__Z26guiWrapperHdmiArcToggleCbki(int32_t sts)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperHdmiArcToggleCbk %d", sts);
}

void __wrap__Z27guiWrapperHdmiRoutingVolCbkh(uint8_t volMute)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperHdmiRoutingVolCbk 0x%x", volMute);
}

void __wrap__Z28guiWrapperHdmiRoutingMuteCbkh(uint8_t mute)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperHdmiRoutingMuteCbk %u", mute);
}

// The frame's length and bytes in hex ("3 05 72 01"); a longer frame than CEC allows is only named.
void __wrap__Z23guiWrapperHdmiCecRcvCbkPKhh(const uint8_t* frame, uint8_t len)
{
    if (frame == nullptr || len > 16) {
        wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperHdmiCecRcvCbk len %u", len);
        return;
    }
    std::string bytes;
    for (uint8_t i = 0; i < len; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, i == 0 ? "%02x" : " %02x", frame[i]);
        bytes += hex;
    }
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperHdmiCecRcvCbk %u %s", len, bytes.c_str());
}

}  // extern "C"
