// Stand-in for the HDMI and CEC glue until it is built: each call is recorded.
#include "main/gui/wrapper/wrapper_hdmi.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include <cstdio>
#include <string>

namespace {

constexpr uint8_t kCecFrameMax = 16;

}  // namespace

void guiWrapperHdmiInit(void)
{
}

void guiWrapperHdmiExit(void)
{
}

void guiWrapperHdmiPowerOff(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperHdmiPowerIdle(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperHdmiFactoryReset(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperHdmiPowerOn(const GuiWrapperPwrObj*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperHdmiRxHotplug(uint8_t online)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, online);
}

void guiWrapperHdmiTxHotplug(uint8_t online)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, online);
}

void guiWrapperHdmiRoutingPowerCbk(uint8_t tvPowerOn)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, tvPowerOn);
}

void guiWrapperHdmiRoutingSrcCbk(int32_t tvSource)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %d", __func__, tvSource);
}

void guiWrapperHdmiArcToggleCbk(int32_t earcSts)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %d", __func__, earcSts);
}

void guiWrapperHdmiRoutingVolCbk(uint8_t volMute)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s 0x%x", __func__, volMute);
}

void guiWrapperHdmiRoutingMuteCbk(uint8_t mute)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, mute);
}

// The frame's bytes in hex ("05 72 01"); a longer frame than CEC allows is only named.
void guiWrapperHdmiCecRcvCbk(const uint8_t* frame, uint8_t len)
{
    if (frame == nullptr || len > kCecFrameMax) {
        wrapperCallLog(WRAPPER_CALL_LOG, "%s len %u", __func__, len);
        return;
    }
    std::string bytes;
    char hex[4];
    for (uint8_t i = 0; i < len; ++i) {
        snprintf(hex, sizeof hex, i == 0 ? "%02x" : " %02x", frame[i]);
        bytes += hex;
    }
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u %s", __func__, len, bytes.c_str());
}

void guiWrapperHdmiVersionGet(uint32_t*)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s", __func__);
}

void guiWrapperHdmiI2cPwrSet(uint8_t on)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, on);
}

void guiWrapperHdmiUpgradePercentDisp(uint32_t percent)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, percent);
}
