// Crash diagnostics of corvand: on a fatal signal, print which it was, the interrupted thread's
// registers and a backtrace, drain the output, and hand the signal back to the action that was in
// force before, so the process ends as it would have (possibly with a core dump).
#pragma once

#include <atomic>
#include <csignal>
#include <cstdint>

// When set, fatal signals go back to their previous action after the dump (the default: a core
// dump); when cleared, the process ends at once after the dump.
extern std::atomic<uint32_t> gEnCoreDump;

// Installs sigHandler for SIGINT, SIGILL, SIGTERM, SIGFPE, SIGABRT and SIGSEGV and ignores SIGPIPE.
// 0, or the first failing sigaction result.
int dbgInit(void);

void sigHandler(int signo, siginfo_t* info, void* context);

// "backtrace:" and one line per frame, up to 32 frames.
void dumpStack(void);

// Prints where an assertion failed with a backtrace, then waits for signals forever.
[[noreturn]] void pgAssert(const char* expression, const char* file, int line);
