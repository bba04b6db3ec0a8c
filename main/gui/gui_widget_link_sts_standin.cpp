// Stand-in for the HDMI-routing and link-status widgets until they are built: each call says it was reached.
#include "main/gui/gui_widget.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWidgetBtStsProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetBtMacProcess(const uint8_t*)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetWirelessAudioStsProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetDecoderAudFmtShowProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetHdmiOutRoutingPowerProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetHdmiOutRoutingSrcProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetHdmiOutVolSetProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetHdmiOutMuteSetProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}

void guiWidgetHdmiOutArcShowProcess(uint8_t)
{
    STANDIN_NOT_BUILT();
}
