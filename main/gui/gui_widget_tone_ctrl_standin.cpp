// Stand-in for the tone-control and effect-switch widgets until they are built: each call says it was reached.
#include "main/gui/gui_widget.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWidgetXupmixToggleProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetXupmixSetProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetVirtualXToggleProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetSurSetProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetSurOnceProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetHeightSetProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetHeightDispProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetHeightOnceProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetBassSetProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetBassDispProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetBassOnceProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetCenterSetProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetCenterDispProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetCenterOnceProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetTrebleSetProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetTrebleDispProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetTrebleOnceProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}
