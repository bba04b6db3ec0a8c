// Stand-in for the OTA file transfer until it is built: each call is recorded.
#include "main/gui/link/wrapper_ota.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWrapperOtaInit(void)
{
}

void guiWrapperOtaExit(void)
{
}

void guiWrapperOtaDownloadStart(void)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s", __func__);
}

void guiWrapperOtaDownloadStop(uint32_t reason)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, reason);
}
