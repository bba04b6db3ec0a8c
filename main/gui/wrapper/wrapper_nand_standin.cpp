// Stand-in for the NAND parameters until they are built: each call is recorded.
#include "main/gui/wrapper/wrapper_nand.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWrapperNandInit(void)
{
}

void guiWrapperNandExit(void)
{
}

void guiWrapperNandPowerOn(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperNandPowerOff(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperNandParamSet(uint32_t item, const uint32_t* rec)
{
    GUI_LOG_ERR("%s not built yet: item %u, word 2 %u", __func__, static_cast<unsigned>(item),
                static_cast<unsigned>(rec != nullptr ? rec[2] : 0));
}
