#include "main/gui/wrapper/wrapper_stub_log_priv.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "main/gui/wrapper/usb_stub/wrapper_usb_stub.h"

void wrapperStubLog(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    wrapperCallLogV(WRAPPER_USB_CALL_LOG, format, args);
    va_end(args);
}
