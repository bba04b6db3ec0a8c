// The one recorder behind every stand-in of a wrapper, widget group or module link that is not
// built yet: a stand-in (a `*_standin.cpp` beside the real header) records each call it takes,
// either as one whole line "<call> <arguments>" appended to a call log under the root, so tests
// can follow what reached it, or as "<call> not built yet" on the GUI's log.
#pragma once

#include "main/timerd/gui_log.h"

#include <cstdarg>

// The device wrappers' calls (HDMI, USB, NAND, Bluetooth, Dolby, DTS, the decoded format, the
// prompt tones of the power sequences).
#define WRAPPER_CALL_LOG "/sim/gui_wrapper.log"
// The module links' calls and the music wrapper's signal-detection calls the capture sources make.
#define WRAPPER_SOURCE_CALL_LOG "/sim/wrapper_source_calls.log"

void wrapperCallLogV(const char* systemPath, const char* format, va_list args);
void wrapperCallLog(const char* systemPath, const char* format, ...) __attribute__((format(printf, 2, 3)));

// "[function,line]:<GUI>function not built yet" on the GUI's log, for a stand-in that only says it
// was reached.
#define STANDIN_NOT_BUILT() GUI_LOG_ERR("%s not built yet", __func__)
