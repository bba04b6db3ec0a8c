#include "main/gui/wrapper/wrapper_pwr_stub.h"

#include "main/gui/wrapper/wrapper_stub_log_priv.h"

// Weak: the real functions take their place where their modules are linked.
__attribute__((weak)) void guiToneEnableSet(uint8_t beepEn)
{
    wrapperStubLog("%s %u", __func__, beepEn);
}
__attribute__((weak)) void guiToneVolSet(uint32_t vol)
{
    wrapperStubLog("%s %u", __func__, vol);
}
__attribute__((weak)) void guiTonePowerOn(void)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiTonePlayDoneWait(uint32_t)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperMusicPowerOn(const GuiWrapperSetting*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperMusicPowerIdle(const GuiWrapperSetting*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperMusicFactoryReset(uint32_t)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) int32_t guiWrapperMsgSnd(uint32_t cmd)
{
    wrapperStubLog("%s %u", __func__, cmd);
    return 0;
}
__attribute__((weak)) void guiWrapperDolbyPowerOn(const void*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperDolbyPowerOff(const void*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperDolbyFactoryReset(const void*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperDtsPowerOn(const void*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperDtsPowerOff(const void*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperDtsFactoryReset(const void*)
{
    wrapperStubLog("%s", __func__);
}
