// Stand-in for the test, shop and factory-mode widgets until they are built: each call says it was reached.
#include "main/gui/gui_widget.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWidgetBypassModeProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetShopModeProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetPdtModeProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetPdtModeKeyLedProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetPcbaTestModeProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetMachineTestModeProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetErpModeProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetUsbConnSetProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetUsbTuningProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetExitMenuModeProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetStandardTestProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetEqTestProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetSalesAreaToggleProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetHomeShopSetProcess(void)
{
    STANDIN_NOT_BUILT();
}
