#include "common/crash/crash_dbg.h"

#include "common/crash/crash_diag.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

struct CrashState {
    bool reportRaiseFailure = true;
};

CrashState gCrash;

void say(const char* text)
{
    crash::sayTitle(text);
}

}  // namespace

void dbgReportRaiseFailure(bool on)
{
    gCrash.reportRaiseFailure = on;
}

int dbgInit(void)
{
    return crash::installHandlers(sigHandler);
}

void sigHandler(int signo, siginfo_t* info, void* context)
{
    const auto* uc = static_cast<const ucontext_t*>(context);
    switch (signo) {
    case SIGINT:
        say("Interrupt from keyboard");
        say("Using default signal handler.");
        crash::drain();
        crash::restorePrevious(SIGINT);
        break;
    case SIGILL:
    case SIGABRT:
    case SIGFPE:
    case SIGSEGV:
        say(signo == SIGILL    ? "Illegal Instruction"
            : signo == SIGABRT ? " Abort signal"
            : signo == SIGFPE  ? "Floating point exception"
                               : "[SILETHPROG] Invalid memory reference!");
        if (uc != nullptr) {
            dumpRegisters(&uc->uc_mcontext);
        }
        dumpStack();
        crash::drain();
        say("Using default signal handler.");
        // Returning lets the fault recur under the restored action, which ends the process. A
        // signal sent by another process (kill -SEGV) does not recur by itself: it is raised again,
        // and stays pending until the handler returns.
        crash::restorePrevious(signo);
        if (info != nullptr && info->si_code <= 0) {
            raise(signo);
        }
        break;
    case SIGTERM:
        say("Termination signal");
        say("Using default signal handler.");
        crash::drain();
        crash::restorePrevious(SIGTERM);
        if (raise(SIGTERM) != 0 && gCrash.reportRaiseFailure) {
            say("Unable to raise(SIGTERM).");
        }
        break;
    default:
        break;
    }
}

void dumpRegisters(const mcontext_t* context)
{
    crash::dumpRegisters(context);
}

void dumpStack(void)
{
    crash::dumpBacktrace();
    // The memory map is the kernel's view of this very process, so it is read from the real /proc.
    char command[64];
    snprintf(command, sizeof(command), "cat /proc/%d/maps", static_cast<int>(getpid()));
    const int status = system(command);
    (void)status;
}

void pgAssert(const char* expression, const char* file, int line)
{
    crash::assertFailed(expression, file, line, dumpStack);
}
