// Stand-in for the phone-app control link until it is built: each call is recorded.
#include "main/gui/link/wrapper_brontal.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWrapperBrontalInit(void)
{
}

void guiWrapperBrontalExit(void)
{
}

void guiWrapperBrontalVolSet(const uint8_t* vol)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, vol != nullptr ? *vol : 0xFFu);
}

void guiWrapperBrontalMuteSet(const uint8_t* mute)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, mute != nullptr ? *mute : 0xFFu);
}

void guiWrapperBrontalXupmixSet(const uint8_t* on)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, on != nullptr ? *on : 0xFFu);
}

void guiWrapperBrontalFactoryReset(uint32_t)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperBrontalManualSrcInSet(const uint8_t* src)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, src != nullptr ? *src : 0u);
}

void guiWrapperBrontalLedDimmerSet(const uint8_t*)
{
    STANDIN_NOT_BUILT();
}

void guiWrapperBrontalAutoScreensaverSet(const uint8_t*)
{
    STANDIN_NOT_BUILT();
}

void guiWrapperBrontalPowerOff(void)
{
    STANDIN_NOT_BUILT();
}

void guiWrapperBrontalLcdDimmerSet(const uint8_t*)
{
    STANDIN_NOT_BUILT();
}


void guiWrapperBrontalEqSet(const uint8_t* eqMode)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, eqMode != nullptr ? *eqMode : 0xFFu);
}

void guiWrapperBrontalToneVolSet(const uint8_t* level)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, level != nullptr ? *level : 0xFFu);
}

void guiWrapperBrontalCusEqPointSet(const void*)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s", __func__);
}
