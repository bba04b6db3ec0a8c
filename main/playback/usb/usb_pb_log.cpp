#include "main/playback/usb/usb_pb_log.h"

#include <cstdio>

std::atomic<uint32_t> gPlaybackUsbTraceLevel{4};

namespace {

struct UsbPbLog {
    // Set from the console thread, read by every thread that logs for USB playback.
    DbgModule dbg{"<playback_usb>", "playback_usb", DBG_LAYER_APP, 0x1ff & DBG_LEVEL_ALL};
};
UsbPbLog g;

}  // namespace

uint16_t playbackUsbGetDbgLevel(void)
{
    return g.dbg.level();
}

void playbackUsbSetDbgLevel(uint16_t level)
{
    g.dbg.setLevel(level & DBG_LEVEL_ALL);
}

bool playbackUsbTraceOn(void)
{
    return gPlaybackUsbTraceLevel.load(std::memory_order_relaxed) > 3 &&
           gUi4EnableAllLog.load(std::memory_order_relaxed) == 1;
}
