// The power sequences' tests follow the order of the calls into every wrapper through the stand-ins'
// call log. The music, Bluetooth and HDMI wrappers, the other device wrappers and the state-manager
// message are real in these programs, so the link option --wrap sends the power sequences' calls of
// them here, where they are logged as the stand-ins log them.
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

// The NAND, USB, Dolby and DTS wrappers are real too.
void __wrap__Z21guiWrapperNandPowerOnPK17GuiWrapperSetting(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperNandPowerOn");
}

void __wrap__Z22guiWrapperNandPowerOffPK17GuiWrapperSetting(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperNandPowerOff");
}

void __wrap__Z20guiWrapperUsbPowerOnPK17GuiWrapperSetting(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperUsbPowerOn");
}

void __wrap__Z21guiWrapperUsbPowerOffj(uint32_t)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperUsbPowerOff");
}

void __wrap__Z25guiWrapperUsbFactoryResetj(uint32_t)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperUsbFactoryReset");
}

void __wrap__Z22guiWrapperDolbyPowerOnPKv(const void*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperDolbyPowerOn");
}

void __wrap__Z23guiWrapperDolbyPowerOffPKv(const void*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperDolbyPowerOff");
}

void __wrap__Z27guiWrapperDolbyFactoryResetPKv(const void*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperDolbyFactoryReset");
}

void __wrap__Z20guiWrapperDtsPowerOnPKv(const void*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperDtsPowerOn");
}

void __wrap__Z21guiWrapperDtsPowerOffPKv(const void*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperDtsPowerOff");
}

void __wrap__Z25guiWrapperDtsFactoryResetPKv(const void*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperDtsFactoryReset");
}

}  // extern "C"
