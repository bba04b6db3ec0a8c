// Stand-ins for the GUI modules and widget handlers that are not built yet: each logs that it was
// reached and does nothing else. A module that lands takes its functions out of this file.
#include "main/gui/gui_gpio.h"
#include "main/gui/gui_log_priv.h"
#include "main/gui/gui_widget.h"
#include "main/gui/gui_widget_disp.h"
#include "main/gui/wrapper/gui_wrapper_link.h"
#include "main/gui/wrapper/gui_wrapper_music.h"
#include "main/gui/wrapper/gui_wrapper_nand.h"

// "[function,line]:<GUI>function not built yet".
#define notBuilt(function) GUI_LOG_ERR("%s not built yet", function)

void guiMenuInit(void)
{
}

void guiMenuExit(void)
{
}

void guiTrackingInit(void)
{
}

void guiTrackingExit(void)
{
}

void guiToneInit(void)
{
}

void guiToneExit(void)
{
}

void guiPdtInit(void)
{
}

void guiPdtExit(void)
{
}

void guiPdtEvtProcess(const GuiMsg*)
{
    notBuilt(__func__);
}

void guiMenuAutoStandbyDispEnterProcess(void)
{
    notBuilt(__func__);
}

void guiMenuDispEnterProcess(void)
{
    notBuilt(__func__);
}

void guiMenuDispSelProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiMenuDispSetProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiMenuDispExitProcess(void)
{
    notBuilt(__func__);
}

void guiMenuParamResetProcess(void)
{
    notBuilt(__func__);
}

void guiToneBtStsProcess(uint16_t)
{
    notBuilt(__func__);
}

void guiToneWirlessStsProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiTrackingReset(void)
{
    notBuilt(__func__);
}

void guiWidgetBtPairProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetWirelessAudStartPairProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetWirelessAudFactoryPairProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetXupmixToggleProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetXupmixSetProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetVirtualXToggleProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetSurSetProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetSurDispProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetSurEnToggleProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetSurOnceProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetHeightSetProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetHeightDispProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetHeightOnceProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetEqDispProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetEqToggleProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetEqSelProcess(const GuiWidgetEqSel*)
{
    notBuilt(__func__);
}

void guiWidgetEqResetProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetMusicPlayModeSelProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetMusicPlayModeToggleProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetMusicUsbProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetMusicBtProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetToneVolSetProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetToneVolDispProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetToneVolOnceProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetBassSetProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetBassDispProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetBassOnceProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetCenterSetProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetCenterDispProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetCenterOnceProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetTrebleSetProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetTrebleDispProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetTrebleOnceProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetLcdDimmerSetProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetLcdDimmerDispProcess(uint8_t, uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetLcdDimmerToggleProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetLedDimmerSetProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetBypassModeProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetShopModeProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetPdtModeProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetPdtModeKeyLedProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetPcbaTestModeProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetMachineTestModeProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetErpModeProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetUsbConnSetProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetUsbTuningProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetExitMenuModeProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetBtUsbUpgradeProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetWirelessTxUdiskUpgradeProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetWirelessRxUdiskUpgradeProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetHdmiUDiskUpgradeProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetDspUDiskUpgradeProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetBtUDiskUpgradeProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetDspVerReadProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetRokuPVidReadProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetEzPlaySymphonyFuncProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetStandardTestProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetEqTestProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetSalesAreaToggleProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetAmpStsReadProcess(void)
{
    notBuilt(__func__);
}

void guiWidget5p8ConnStsReadProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetUuidReadProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetUuidWriteProcess(const uint8_t*)
{
    notBuilt(__func__);
}

void guiWidgetHomeShopSetProcess(void)
{
    notBuilt(__func__);
}

void guiWidgetPlayTimeProcess(uint8_t, uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetOtaPermitChkProcess(const uint8_t*)
{
    notBuilt(__func__);
}

void guiWidgetOtaDownloadProcess(uint8_t, uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetOtaUpgradeDoneProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetUdiskUpgradeDoneProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetUpgradePercentProcess(const GuiUpgradePercent*)
{
    notBuilt(__func__);
}

void guiWidgetUDiskHotplugProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetUDiskMusicStsProcess(uint32_t, uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetBtStsProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetBtMacProcess(const uint8_t*)
{
    notBuilt(__func__);
}

void guiWidgetWirelessAudioStsProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetDecoderAudFmtShowProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetHdmiOutRoutingPowerProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetHdmiOutRoutingSrcProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetHdmiOutVolSetProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetHdmiOutMuteSetProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetHdmiOutArcShowProcess(uint8_t)
{
    notBuilt(__func__);
}

void guiWidgetTvSettingUpdateProcess(uint16_t)
{
    notBuilt(__func__);
}

void guiWidgetSysReboot(void)
{
    notBuilt(__func__);
}

void guiWidgetNandParamSetProcess(const GuiMsg*)
{
    notBuilt(__func__);
}

uint8_t guiWrapperMusicTimerReset(uint8_t)
{
    return 0;
}

int32_t uiGpioConfig(uint16_t, uint8_t, uint8_t)
{
    notBuilt(__func__);
    return -1;
}

void guiWrapperNandParamSet(uint32_t item, const uint32_t* rec)
{
    GUI_LOG_ERR("%s not built yet: item %u, word 2 %u", __func__, static_cast<unsigned>(item),
                static_cast<unsigned>(rec != nullptr ? rec[2] : 0));
}

void guiWrapperMusicAutoStandbySet(uint32_t)
{
    notBuilt(__func__);
}

void guiWrapperMusicAutoScreensaverSet(uint32_t)
{
    notBuilt(__func__);
}

void guiWrapperWirelesRxLedStsSet(uint32_t)
{
    notBuilt(__func__);
}

void guiWrapperWirelessAudLedDimmerSet(uint32_t)
{
}

void guiWrapperBrontalLedDimmerSet(const uint8_t*)
{
    notBuilt(__func__);
}

void guiWrapperBrontalAutoScreensaverSet(const uint8_t*)
{
    notBuilt(__func__);
}

void guiToneStop(void)
{
}

// No tone module yet: no tone is ever playing.
uint32_t guiTonePlayDoneGet(void)
{
    return 1;
}

void guiWrapperBrontalPowerOff(void)
{
    notBuilt(__func__);
}

void guiWrapperBrontalLcdDimmerSet(const uint8_t*)
{
    notBuilt(__func__);
}

void guiTonePowerOff(void)
{
    notBuilt(__func__);
}

void guiTrackingPowerOn(uint8_t)
{
}

void guiTrackingPowerOff(uint8_t)
{
}

void guiTrackingPrint(uint32_t, uint32_t)
{
}
