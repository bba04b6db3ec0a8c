#include "main/dbg_backtrace.h"

#include "common/crash/crash_diag.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

std::atomic<uint32_t> gEnCoreDump{1};

namespace {

void useDefault(int signo)
{
    crash::say("Using default signal handler.\n");
    crash::drain();
    crash::restorePrevious(signo);
}

void fault(const char* title, int signo, const void* context)
{
    crash::sayTitle(title);
    const auto* uc = static_cast<const ucontext_t*>(context);
    crash::dumpRegisters(uc != nullptr ? &uc->uc_mcontext : nullptr);
    dumpStack();
    crash::drain();
    if (gEnCoreDump.load() != 0) {
        useDefault(signo);
        return;
    }
    // Returning would run the faulting instruction into this handler again.
    _exit(128 + signo);
}

}  // namespace

int dbgInit(void)
{
    printf("Register signal handler.\n");
    return crash::installHandlers(sigHandler);
}

void sigHandler(int signo, siginfo_t*, void* context)
{
    // The interrupted code may be between a failing call and its look at errno.
    const int savedErrno = errno;
    switch (signo) {
    case SIGINT:
        crash::sayTitle("Interrupt from keyboard");
        useDefault(SIGINT);
        break;
    case SIGILL:
        fault("Illegal Instruction", signo, context);
        break;
    case SIGABRT:
        fault(" Abort signal", signo, context);
        break;
    case SIGFPE:
        fault("Floating point exception", signo, context);
        break;
    case SIGSEGV:
        fault("[CORVAND] Invalid memory reference!", signo, context);
        break;
    case SIGTERM:
        crash::sayTitle("Termination signal");
        useDefault(SIGTERM);
        raise(SIGTERM);
        break;
    default: {
        std::array<char, 48> text{};
        snprintf(text.data(), text.size(), "%s.  signo=%d\n", "sigHandler", signo);
        crash::say(text.data());
        break;
    }
    }
    errno = savedErrno;
}

void dumpStack(void)
{
    crash::dumpBacktrace();
}

void pgAssert(const char* expression, const char* file, int line)
{
    crash::assertFailed(expression, file, line, dumpStack);
}
