#include "main/gui/wrapper/hdmi_stub/wrapper_hdmi_stub.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include <cstdio>
#include <string>

namespace {

constexpr uint8_t kCecFrameMax = 16;

}  // namespace

void guiWrapperMusicDecoderFmtSet(const MusicDecoderFmt* fmt)
{
    if (fmt == nullptr) {
        wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperMusicDecoderFmtSet Param Error!");
        return;
    }
    wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperMusicDecoderFmtSet %d %d %d %d %d", fmt->codec_type,
                   fmt->stream_type, fmt->proc_type, fmt->comp_gain, fmt->channels);
}

// Weak: another source's stand-in for the music wrapper may define the same calls.
__attribute__((weak)) void guiWrapperMusicEnergySet(uint32_t energy)
{
    wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperMusicEnergySet %u", energy);
}

__attribute__((weak)) void guiWrapperMusicPopMuteSet(uint8_t mute)
{
    wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperMusicPopMuteSet %u", mute);
}

// Weak: the music wrapper takes its place where that is linked.
__attribute__((weak)) void guiWrapperMusicStreamMuteCbk(uint8_t mute)
{
    wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperMusicStreamMuteCbk %u", mute);
    guiWrapperMusicPopMuteSet(mute);
}

void guiWrapperHdmiRxHotplug(uint8_t online)
{
    wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperHdmiRxHotplug %u", online);
}

void guiWrapperHdmiTxHotplug(uint8_t online)
{
    wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperHdmiTxHotplug %u", online);
}

void guiWrapperHdmiRoutingPowerCbk(uint8_t tvPowerOn)
{
    wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperHdmiRoutingPowerCbk %u", tvPowerOn);
}

void guiWrapperHdmiRoutingSrcCbk(int32_t tvSource)
{
    wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperHdmiRoutingSrcCbk %d", tvSource);
}

void guiWrapperHdmiArcToggleCbk(int32_t earcSts)
{
    wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperHdmiArcToggleCbk %d", earcSts);
}

void guiWrapperHdmiRoutingVolCbk(uint8_t volMute)
{
    wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperHdmiRoutingVolCbk 0x%x", volMute);
}

void guiWrapperHdmiRoutingMuteCbk(uint8_t mute)
{
    wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperHdmiRoutingMuteCbk %u", mute);
}

void guiWrapperHdmiCecRcvCbk(const uint8_t* frame, uint8_t len)
{
    if (frame == nullptr || len > kCecFrameMax) {
        wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperHdmiCecRcvCbk len %u", len);
        return;
    }
    std::string bytes;
    char hex[4];
    for (uint8_t i = 0; i < len; ++i) {
        snprintf(hex, sizeof hex, i == 0 ? "%02x" : " %02x", frame[i]);
        bytes += hex;
    }
    wrapperCallLog(WRAPPER_HDMI_CALL_LOG, "guiWrapperHdmiCecRcvCbk %u %s", len, bytes.c_str());
}
