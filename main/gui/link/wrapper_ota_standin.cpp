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

void guiWrapperOtaDownloadContinue(uint32_t word0, uint32_t word1)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u %u", __func__, word0, word1);
}

void guiWrapperOtaUpgradeStop(uint8_t mod)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, mod);
}

void guiWrapperOtaDisconnHandle(uint32_t lost)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, lost);
}
