// Stand-in for the GPIO functions until they are built: each call says it was reached.
#include "main/gui/gui_gpio.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

int32_t uiGpioConfig(uint16_t, uint8_t, uint8_t)
{
    STANDIN_NOT_BUILT();
    return -1;
}
