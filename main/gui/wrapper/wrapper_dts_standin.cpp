// Stand-in for the DTS wrapper until it is built: each call is recorded.
#include "main/gui/wrapper/wrapper_dts.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWrapperDtsInit(void)
{
}

void guiWrapperDtsExit(void)
{
}

void guiWrapperDtsPowerOn(const void*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperDtsPowerOff(const void*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperDtsFactoryReset(const void*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}
