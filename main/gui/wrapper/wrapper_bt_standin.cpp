// Stand-in for the Bluetooth-module wrapper until it is built: each call is recorded.
#include "main/gui/wrapper/wrapper_bt.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWrapperBtInit(void)
{
}

void guiWrapperBtExit(void)
{
}

void guiWrapperBtPowerOn(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperBtPowerOff(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperBtFactoryReset(uint32_t)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperBtVolSet(uint8_t vol)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, vol);
}

void guiWrapperBtMacAddrSync(GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperBtVersionGet(uint8_t*)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s", __func__);
}

// No module answers until the wrapper is built: the outputs keep what the caller put there, and
// nothing plays.
void guiWrapperBtStsGet(uint8_t*)
{
}

void guiWrapperBtPlayStsGet(uint8_t* out)
{
    if (out != nullptr) {
        *out = 0;
    }
}

void guiWrapperBtManualSrcInSet(uint32_t audSrc)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, audSrc);
}

void guiWrapperBtRoutingSrcInSet(uint32_t route)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, route);
}

void guiWrapperBtSrcInClr(void)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}
