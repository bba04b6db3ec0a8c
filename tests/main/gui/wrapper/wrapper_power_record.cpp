// The power sequences' tests follow the order of the calls into every wrapper through the stand-ins'
// call log. The music wrapper, the Bluetooth module and the state-manager message are real in these
// programs, so the link option --wrap sends the power sequences' calls of them here, where they are
// logged as the stand-ins log them.
#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include <cstdint>

struct GuiWrapperSetting;

extern "C" {

void __wrap__Z22guiWrapperMusicPowerOnPK17GuiWrapperSetting(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperMusicPowerOn");
}

void __wrap__Z24guiWrapperMusicPowerIdlePK17GuiWrapperSetting(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperMusicPowerIdle");
}

void __wrap__Z27guiWrapperMusicFactoryResetj(uint32_t)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperMusicFactoryReset");
}

int32_t __wrap__Z16guiWrapperMsgSndj(uint32_t cmd)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperMsgSnd %u", cmd);
    return 0;
}

// The Bluetooth module's calls: the module's own frames are its tests' to follow.
void __wrap__Z18guiWrapperBtVolSeth(uint8_t vol)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperBtVolSet %u", vol);
}

void __wrap__Z23guiWrapperBtMacAddrSyncP17GuiWrapperSetting(GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperBtMacAddrSync");
}

void __wrap__Z19guiWrapperBtPowerOnPK17GuiWrapperSetting(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperBtPowerOn");
}

void __wrap__Z20guiWrapperBtPowerOffPK17GuiWrapperSetting(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperBtPowerOff");
}

void __wrap__Z24guiWrapperBtFactoryResetj(uint32_t)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperBtFactoryReset");
}

}  // extern "C"
