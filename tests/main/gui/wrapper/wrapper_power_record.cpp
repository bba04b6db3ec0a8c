// The power sequences' tests follow the order of the calls into every wrapper through the stand-ins'
// call log. The music and HDMI wrappers and the state-manager message are real in these programs, so the link
// option --wrap sends the power sequences' calls of them here, where they are logged as the
// stand-ins log them.
#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include <cstdint>

struct GuiWrapperSetting;
struct GuiWrapperPwrObj;

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

void __wrap__Z21guiWrapperHdmiPowerOnPK16GuiWrapperPwrObj(const GuiWrapperPwrObj*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperHdmiPowerOn");
}

void __wrap__Z22guiWrapperHdmiPowerOffPK17GuiWrapperSetting(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperHdmiPowerOff");
}

void __wrap__Z23guiWrapperHdmiPowerIdlePK17GuiWrapperSetting(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperHdmiPowerIdle");
}

void __wrap__Z26guiWrapperHdmiFactoryResetPK17GuiWrapperSetting(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperHdmiFactoryReset");
}

int32_t __wrap__Z16guiWrapperMsgSndj(uint32_t cmd)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperMsgSnd %u", cmd);
    return 0;
}

}  // extern "C"
