#include "main/gui/wrapper/hdmi_stub/wrapper_hdmi_stub.h"

#include "platform/sbroot/sb_root.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

namespace {

constexpr uint8_t kCecFrameMax = 16;

struct CallLog {
    std::mutex lock;  // the status thread and the application thread both report
};
CallLog g;

void logCall(const char* format, ...) __attribute__((format(printf, 1, 2)));

void logCall(const char* format, ...)
{
    char line[160];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::lock_guard<std::mutex> guard(g.lock);
    FILE* out = fopen(sb::path(WRAPPER_HDMI_CALL_LOG).c_str(), "a");
    if (out == nullptr) {
        return;
    }
    fprintf(out, "%s\n", line);
    fclose(out);
}

}  // namespace

void guiWrapperMusicDecoderFmtSet(const MusicDecoderFmt* fmt)
{
    if (fmt == nullptr) {
        logCall("guiWrapperMusicDecoderFmtSet Param Error!");
        return;
    }
    logCall("guiWrapperMusicDecoderFmtSet %d %d %d %d %d", fmt->codec_type, fmt->stream_type, fmt->proc_type,
            fmt->comp_gain, fmt->channels);
}

// Weak: another source's stand-in for the music wrapper may define the same calls.
__attribute__((weak)) void guiWrapperMusicEnergySet(uint32_t energy)
{
    logCall("guiWrapperMusicEnergySet %u", energy);
}

__attribute__((weak)) void guiWrapperMusicPopMuteSet(uint8_t mute)
{
    logCall("guiWrapperMusicPopMuteSet %u", mute);
}

// Weak: the music wrapper takes its place where that is linked.
__attribute__((weak)) void guiWrapperMusicStreamMuteCbk(uint8_t mute)
{
    logCall("guiWrapperMusicStreamMuteCbk %u", mute);
    guiWrapperMusicPopMuteSet(mute);
}

void guiWrapperHdmiRxHotplug(uint8_t online)
{
    logCall("guiWrapperHdmiRxHotplug %u", online);
}

void guiWrapperHdmiTxHotplug(uint8_t online)
{
    logCall("guiWrapperHdmiTxHotplug %u", online);
}

void guiWrapperHdmiRoutingPowerCbk(uint8_t tvPowerOn)
{
    logCall("guiWrapperHdmiRoutingPowerCbk %u", tvPowerOn);
}

void guiWrapperHdmiRoutingSrcCbk(int32_t tvSource)
{
    logCall("guiWrapperHdmiRoutingSrcCbk %d", tvSource);
}

void guiWrapperHdmiArcToggleCbk(int32_t earcSts)
{
    logCall("guiWrapperHdmiArcToggleCbk %d", earcSts);
}

void guiWrapperHdmiRoutingVolCbk(uint8_t volMute)
{
    logCall("guiWrapperHdmiRoutingVolCbk 0x%x", volMute);
}

void guiWrapperHdmiRoutingMuteCbk(uint8_t mute)
{
    logCall("guiWrapperHdmiRoutingMuteCbk %u", mute);
}

void guiWrapperHdmiCecRcvCbk(const uint8_t* frame, uint8_t len)
{
    if (frame == nullptr || len > kCecFrameMax) {
        logCall("guiWrapperHdmiCecRcvCbk len %u", len);
        return;
    }
    std::string bytes;
    char hex[4];
    for (uint8_t i = 0; i < len; ++i) {
        snprintf(hex, sizeof hex, i == 0 ? "%02x" : " %02x", frame[i]);
        bytes += hex;
    }
    logCall("guiWrapperHdmiCecRcvCbk %u %s", len, bytes.c_str());
}
