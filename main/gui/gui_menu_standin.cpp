// Stand-in for the menu until it is built: each call says it was reached.
#include "main/gui/gui_menu.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiMenuInit(void)
{
}

void guiMenuExit(void)
{
}

void guiMenuAutoStandbyDispEnterProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiMenuDispEnterProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiMenuDispSelProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiMenuDispSetProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiMenuDispExitProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiMenuParamResetProcess(void)
{
    STANDIN_NOT_BUILT();
}
