// The one recorder behind every wrapper stand-in: each call appends a whole line to a call log
// under the root, so tests can follow what reached a wrapper that is not built yet.
#pragma once

#include <cstdarg>

void wrapperCallLogV(const char* systemPath, const char* format, va_list args);
void wrapperCallLog(const char* systemPath, const char* format, ...) __attribute__((format(printf, 2, 3)));
