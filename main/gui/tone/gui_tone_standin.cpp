// Stand-in for the prompt tones until they are built: each call is recorded, and no tone ever
// plays.
#include "main/gui/tone/gui_tone.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiToneInit(void)
{
}

void guiToneExit(void)
{
}

void guiToneEnableSet(uint8_t beepEn)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, beepEn);
}

void guiToneVolSet(uint32_t vol)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, vol);
}

void guiTonePowerOn(void)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiTonePowerOff(void)
{
    STANDIN_NOT_BUILT();
}

void guiToneStop(void)
{
}

uint32_t guiTonePlayDoneGet(void)
{
    return 1;
}

void guiTonePlayDoneWait(uint32_t)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiToneBtStsProcess(uint16_t)
{
    STANDIN_NOT_BUILT();
}

void guiToneWirlessStsProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}
