// Stand-in for the USB-stick system upgrade until it is built: each call is recorded.
#include "main/gui/link/wrapper_dsp_upgrade.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWrapperDspUpgradeInit(void)
{
}

void guiWrapperDspUpgradeExit(void)
{
}

void guiWrapperDspUpgradeStart(const char* mountRoot)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %s", __func__, mountRoot != nullptr ? mountRoot : "(null)");
}
