// Stand-in for the sound-mode widgets until they are built: each call says it was reached.
#include "main/gui/gui_widget.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWidgetEqDispProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetEqToggleProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetEqSelProcess(const GuiWidgetEqSel*)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetEqResetProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetSurDispProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetSurEnToggleProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetToneVolSetProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetToneVolDispProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetToneVolOnceProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}
