// The widget handlers the GUI manager's event switches call, one group after another. Every one
// runs on the GUI manager's thread, one event at a time. The groups not built yet are the
// `gui_widget_*_standin.cpp` files.
#pragma once

#include "main/gui/gui_manager.h"
#include "main/gui/gui_ops.h"
#include "main/gui/gui_widget_core.h"
#include "main/gui/wrapper/gui_wrapper.h"

#include <cstdint>

// The EQ selection record of the EQ select events: the preset, then custom EQ values.
struct GuiWidgetEqSel {
    uint32_t eq_mode;
    uint8_t custom[40];
};
static_assert(sizeof(GuiWidgetEqSel) == 44);

// Progress of an upgrade (payload of E_GUI_SYS_EVT_UPGRADE_PERCENT).
struct GuiUpgradePercent {
    uint32_t module;
    uint16_t percent;
    uint8_t reboot;
    uint8_t factory_reset;
};
static_assert(sizeof(GuiUpgradePercent) == 8);

constexpr uint32_t GUI_OTA_PERMIT_CHK_SIZE = 45;
constexpr uint32_t GUI_BT_MAC_SIZE = 6;
constexpr uint32_t GUI_UUID_WRITE_SIZE = 8;

// Widgets of the user events.
void guiWidgetPowerOnProcess(void);
void guiWidgetPowerOffProcess(void);
void guiWidgetPowerIdleProcess(void);
void guiWidgetFactoryResetProcess(uint8_t withDisplay);
void guiWidgetAutoStandbySetProcess(uint8_t value);
void guiWidgetAutoScreensaverSetProcess(uint8_t value);
void guiWidgetAutoWakeSetProcess(uint8_t on);
void guiWidgetSrcSelProcess(uint8_t src, uint8_t manual);
void guiWidgetSrcToggleProcess(void);
void guiWidgetSrcBtProcess(void);
void guiWidgetBtPairProcess(void);
void guiWidgetWirelessAudStartPairProcess(void);
void guiWidgetWirelessAudFactoryPairProcess(void);
void guiWidgetXupmixToggleProcess(void);
void guiWidgetXupmixSetProcess(uint8_t value);
void guiWidgetVirtualXToggleProcess(void);
void guiWidgetSurSetProcess(uint8_t value);
void guiWidgetSurDispProcess(void);
void guiWidgetSurEnToggleProcess(void);
void guiWidgetSurOnceProcess(uint8_t down);
void guiWidgetHeightSetProcess(uint8_t value);
void guiWidgetHeightDispProcess(void);
void guiWidgetHeightOnceProcess(uint8_t down);
void guiWidgetEqDispProcess(void);
void guiWidgetEqToggleProcess(void);
void guiWidgetEqSelProcess(const GuiWidgetEqSel* sel);
void guiWidgetEqResetProcess(void);
void guiWidgetMusicPlayModeSelProcess(uint8_t mode);
void guiWidgetMusicPlayModeToggleProcess(void);
void guiWidgetMusicUsbProcess(uint8_t op);
void guiWidgetMusicBtProcess(uint8_t op);
void guiWidgetToneVolSetProcess(uint8_t value);
void guiWidgetToneVolDispProcess(void);
void guiWidgetToneVolOnceProcess(uint8_t down);
void guiWidgetMuteSetProcess(uint8_t mute);
void guiWidgetMuteToggleProcess(void);
void guiWidgetVolumeSetProcess(uint8_t value);
void guiWidgetVolumeOnceProcess(uint8_t down);
void guiWidgetVolumeRepeatProcess(uint8_t down, uint8_t step);
void guiWidgetBassSetProcess(uint8_t value);
void guiWidgetBassDispProcess(void);
void guiWidgetBassOnceProcess(uint8_t down);
void guiWidgetCenterSetProcess(uint8_t value);
void guiWidgetCenterDispProcess(void);
void guiWidgetCenterOnceProcess(uint8_t down);
void guiWidgetTrebleSetProcess(uint8_t value);
void guiWidgetTrebleDispProcess(void);
void guiWidgetTrebleOnceProcess(uint8_t down);
void guiWidgetLcdDimmerSetProcess(uint8_t value);
void guiWidgetLcdDimmerDispProcess(uint8_t a, uint8_t b);
void guiWidgetLcdDimmerToggleProcess(uint8_t which);
void guiWidgetLedDimmerSetProcess(uint8_t value);
void guiWidgetBypassModeProcess(uint8_t enter);
void guiWidgetShopModeProcess(uint8_t on);
void guiWidgetPdtModeProcess(uint8_t on);
void guiWidgetPdtModeKeyLedProcess(void);
void guiWidgetPcbaTestModeProcess(uint8_t on);
void guiWidgetMachineTestModeProcess(uint8_t on);
void guiWidgetErpModeProcess(uint8_t on);
void guiWidgetUsbConnSetProcess(void);
void guiWidgetUsbTuningProcess(void);
void guiWidgetExitMenuModeProcess(void);
void guiWidgetDispMenuParam(void);
void guiWidgetBtUsbUpgradeProcess(void);
void guiWidgetWirelessTxUdiskUpgradeProcess(void);
void guiWidgetWirelessRxUdiskUpgradeProcess(void);
void guiWidgetHdmiUDiskUpgradeProcess(void);
void guiWidgetDspUDiskUpgradeProcess(void);
void guiWidgetBtUDiskUpgradeProcess(void);
void guiWidgetDspVerReadProcess(uint8_t fromSys);
void guiWidgetRokuPVidReadProcess(void);
void guiWidgetEzPlaySymphonyFuncProcess(void);
void guiWidgetStandardTestProcess(uint8_t enter);
void guiWidgetEqTestProcess(uint8_t enter);
void guiWidgetSalesAreaToggleProcess(void);
void guiWidgetAmpStsReadProcess(void);
void guiWidget5p8ConnStsReadProcess(void);
void guiWidgetUuidReadProcess(void);
void guiWidgetUuidWriteProcess(const uint8_t* buffer);

// Widgets of the system events.
void guiWidgetHomeShowProcess(void);
void guiWidgetHomeHideProcess(void);
void guiWidgetHomeSrcSetProcess(void);
void guiWidgetHomeShopSetProcess(void);
void guiWidgetSrcToggleDoneProcess(uint8_t playStatus);
void guiWidgetSysPowerOnProcess(uint8_t value);
void guiWidgetSysPowerOffProcess(void);
void guiWidgetAutoStandbyProcess(void);
void guiWidgetAutoScreensaverProcess(uint8_t on);
void guiWidgetPlayTimeProcess(uint8_t a, uint8_t b);
void guiWidgetOtaPermitChkProcess(const uint8_t* copy);
void guiWidgetOtaDownloadProcess(uint8_t on, uint8_t value);
void guiWidgetOtaUpgradeDoneProcess(uint8_t result);
void guiWidgetUdiskUpgradeDoneProcess(uint8_t result);
void guiWidgetUpgradePercentProcess(const GuiUpgradePercent* percent);
void guiWidgetUDiskHotplugProcess(uint8_t plugged);
void guiWidgetUDiskMusicStsProcess(uint32_t value, uint8_t sts);
void guiWidgetBtStsProcess(uint8_t sts);
void guiWidgetBtVolProcess(uint8_t vol);
void guiWidgetBtMacProcess(const uint8_t* mac);
void guiWidgetWirelessAudioStsProcess(uint8_t sts);
void guiWidgetDecoderAudFmtShowProcess(uint8_t fmt);
void guiWidgetHdmiOutRoutingPowerProcess(uint8_t value);
void guiWidgetHdmiOutRoutingSrcProcess(uint8_t value);
void guiWidgetHdmiOutVolSetProcess(uint8_t value);
void guiWidgetHdmiOutMuteSetProcess(uint8_t value);
void guiWidgetHdmiOutArcShowProcess(uint8_t value);
void guiWidgetTvSettingUpdateProcess(uint16_t value);
void guiWidgetSysReboot(void);
// Stores the CEC name that E_GUI_SYS_EVT_NAND_PARAM_SET carries: the 14-byte name field.
void guiWidgetNandParamSetProcess(const GuiMsg* msg);
