// Stand-in for the dimmer widgets until they are built: each call says it was reached.
#include "main/gui/gui_widget.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWidgetLcdDimmerSetProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetLcdDimmerDispProcess(uint8_t, uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetLcdDimmerToggleProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetLedDimmerSetProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}
