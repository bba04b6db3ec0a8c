// What the crash handlers of corvand, sileth and pellant share: installing one handler for the
// fatal signals while keeping the actions they replace, the register dump, the backtrace and the
// assertion print. Each program's own handler decides the titles, what follows a fault and its
// SIGTERM path.
#pragma once

#include <csignal>
#include <ucontext.h>

namespace crash {

using Handler = void (*)(int signo, siginfo_t* info, void* context);

// Loads the unwinder (the first backtrace would do it inside a fault otherwise), then installs
// `handler` with SA_SIGINFO and an empty mask for SIGINT, SIGILL, SIGTERM, SIGFPE and SIGABRT in
// this order, for SIGSEGV also on the alternate signal stack, and ignores SIGPIPE; each call keeps
// the action it replaces. 0, or the first failing sigaction result (the rest is not installed).
int installHandlers(Handler handler);

// Puts back the action that was in force before installHandlers.
void restorePrevious(int signo);

// Flushes standard output and waits until the terminal has sent it.
void drain();

// An empty line, "Pid: ..(tid: ..), comm: .." and the interrupted thread's registers in the board's
// names, four lines; a host maps its own registers onto the same slots. All zero without a context.
void dumpRegisters(const mcontext_t* context);

// "backtrace:" and one line a frame, up to 32 frames, when the symbols can be resolved.
void dumpBacktrace();

// Prints where the assertion failed, runs `dumpStack` (the program's own), "Program terminated.",
// drains, then waits for signals for ever.
[[noreturn]] void assertFailed(const char* expression, const char* file, int line, void (*dumpStack)());

}  // namespace crash
