// Stand-in for the USB-disk and play-time widgets until they are built: each call says it was reached.
#include "main/gui/gui_widget.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWidgetPlayTimeProcess(uint8_t, uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetUDiskHotplugProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetUDiskMusicStsProcess(uint32_t, uint8_t)
{
    STANDIN_NOT_BUILT();
}
