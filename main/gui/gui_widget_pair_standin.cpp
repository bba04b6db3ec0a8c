// Stand-in for the pairing and playback-control widgets until they are built: each call says it was reached.
#include "main/gui/gui_widget.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWidgetBtPairProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetWirelessAudStartPairProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetWirelessAudFactoryPairProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetMusicPlayModeSelProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetMusicPlayModeToggleProcess(void)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetMusicUsbProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetMusicBtProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}
