#include "main/gui/wrapper/wrapper_hdmi.h"

#include "main/gui/wrapper/wrapper_stub_log_priv.h"

// Weak: the HDMI wrapper's own functions take their place where it is linked.
__attribute__((weak)) void guiWrapperHdmiPowerOff(const GuiWrapperSetting*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperHdmiPowerIdle(const GuiWrapperSetting*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperHdmiFactoryReset(const GuiWrapperSetting*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperHdmiPowerOn(const GuiWrapperPwrObj*)
{
    wrapperStubLog("%s", __func__);
}
