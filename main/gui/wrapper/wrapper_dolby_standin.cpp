// Stand-in for the Dolby wrapper until it is built: each call is recorded.
#include "main/gui/wrapper/wrapper_dolby.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWrapperDolbyInit(void)
{
}

void guiWrapperDolbyExit(void)
{
}

void guiWrapperDolbyPowerOn(const void*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperDolbyPowerOff(const void*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperDolbyFactoryReset(const void*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}
