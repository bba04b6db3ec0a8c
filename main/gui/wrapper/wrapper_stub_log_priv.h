// Recorder of the wrapper calls whose wrappers are not built yet: each call appends one line
// "<function> <arguments>" to the wrapper call log under the root ("/sim/gui_wrapper.log", the
// log the USB playback stand-ins write too), so tests can follow the power sequences.
#pragma once

void wrapperStubLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
