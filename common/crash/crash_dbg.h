// Crash handlers of sileth, which pellant runs too: on a fatal signal, print the faulting thread's
// registers, a backtrace and the memory map, then hand the signal back to the action that was in
// force before, so the process ends as it would have without this module.
#pragma once

#include <csignal>
#include <ucontext.h>

// Installs sigHandler for SIGINT, SIGILL, SIGTERM, SIGFPE, SIGABRT and SIGSEGV and ignores
// SIGPIPE; 0 or the first failing sigaction result.
int dbgInit(void);

// Whether a failed re-raise of SIGTERM is reported ("Unable to raise(SIGTERM)."); sileth reports
// it, pellant does not. Set before dbgInit.
void dbgReportRaiseFailure(bool on);

void sigHandler(int signo, siginfo_t* info, void* context);
void dumpRegisters(const mcontext_t* context);
void dumpStack(void);

// Prints the failed assertion and a backtrace, then idles for ever.
[[noreturn]] void pgAssert(const char* expression, const char* file, int line);
