#include "main/gui/wrapper/wrapper_nand.h"

#include "main/gui/wrapper/wrapper_stub_log_priv.h"

// Weak: the NAND wrapper's own functions take their place where it is linked.
__attribute__((weak)) void guiWrapperNandPowerOn(const GuiWrapperSetting*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperNandPowerOff(const GuiWrapperSetting*)
{
    wrapperStubLog("%s", __func__);
}
