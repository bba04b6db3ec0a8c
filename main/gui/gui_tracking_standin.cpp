// Stand-in for usage tracking until it is built: each call says it was reached.
#include "main/gui/gui_tracking.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiTrackingInit(void)
{
}

void guiTrackingExit(void)
{
}

void guiTrackingReset(void)
{
    STANDIN_NOT_BUILT();
}

void guiTrackingPowerOn(uint8_t)
{
}

void guiTrackingPowerOff(uint8_t)
{
}

void guiTrackingPrint(uint32_t, uint32_t)
{
}
