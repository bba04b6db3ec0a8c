// Stand-in for the HDMI chip's firmware upgrade until it is built: each call is recorded.
#include "main/gui/link/wrapper_hdmi_upgrade.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include <atomic>

namespace {

std::atomic<uint32_t> gOrigin{0};

}  // namespace

void guiWrapperHdmiUpgradeInit(void)
{
}

void guiWrapperHdmiUpgradeExit(void)
{
}

int32_t guiWrapperHdmiUpgradeStart(uint32_t origin, const char* path)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u %s", __func__, origin, path != nullptr ? path : "(null)");
    gOrigin = origin;
    return 0;
}

uint32_t guiWrapperHdmiUpgradeOriginGet(void)
{
    return gOrigin.load();
}
