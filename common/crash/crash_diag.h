// What the crash handlers of corvand, sileth and pellant share: installing one handler for the
// fatal signals while keeping the actions they replace, the register dump, the backtrace and the
// assertion print. Each program's own handler decides the titles, what follows a fault and its
// SIGTERM path.
//
// Everything a handler calls here writes straight to the standard output descriptor: the
// interrupted thread may hold the stdio lock (or be half-way through taking it), and a printf from
// the handler would then wait on that thread for ever.
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

// Writes `text` to standard output as it stands, past the stdio buffer. Safe in a handler.
void say(const char* text);

// `text` between an empty line before and after: "\n<text>\n\n". Safe in a handler.
void sayTitle(const char* text);

// Waits until the terminal has sent what was written. Safe in a handler.
void drain();

// An empty line, "Pid: ..(tid: ..), comm: .." and the interrupted thread's registers in the board's
// names, four lines; a host maps its own registers onto the same slots. All zero without a context.
void dumpRegisters(const mcontext_t* context);

// "backtrace:" and one line a frame, up to 32 frames, resolved without allocating.
void dumpBacktrace();

// Prints where the assertion failed, runs `dumpStack` (the program's own), "Program terminated.",
// drains, then waits for signals for ever.
[[noreturn]] void assertFailed(const char* expression, const char* file, int line, void (*dumpStack)());

}  // namespace crash
