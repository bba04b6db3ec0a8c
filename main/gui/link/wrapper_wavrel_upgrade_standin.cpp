// Stand-in for the 5.8 GHz module's firmware upgrade until it is built: each call is recorded.
#include "main/gui/link/wrapper_wavrel_upgrade.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWrapperWavrelUpgradeInit(void)
{
}

void guiWrapperWavrelUpgradeExit(void)
{
}

void guiWrapperWavrelUpgradeRegisterCbk(GuiWrapperWavrelUpgradeCbk cbk)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %s", __func__, cbk != nullptr ? "set" : "null");
}

int32_t guiWrapperWavrelUpgradeStart(uint32_t origin, uint32_t side, const char* path)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u %u %s", __func__, origin, side, path != nullptr ? path : "(null)");
    return 0;
}
