// Stand-in for the upgrade, version, OTA and service-readout widgets until they are built: each call says it was reached.
#include "main/gui/gui_widget.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWidgetBtUsbUpgradeProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetWirelessTxUdiskUpgradeProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetWirelessRxUdiskUpgradeProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetHdmiUDiskUpgradeProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetDspUDiskUpgradeProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetBtUDiskUpgradeProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetDspVerReadProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetRokuPVidReadProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetEzPlaySymphonyFuncProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetAmpStsReadProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidget5p8ConnStsReadProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetUuidReadProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetUuidWriteProcess(const uint8_t*)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetOtaPermitChkProcess(const uint8_t*)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetOtaDownloadProcess(uint8_t, uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetOtaUpgradeDoneProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetUdiskUpgradeDoneProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetUpgradePercentProcess(const GuiUpgradePercent*)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetTvSettingUpdateProcess(uint16_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetSysReboot(void)
{
    STANDIN_NOT_BUILT();
}
