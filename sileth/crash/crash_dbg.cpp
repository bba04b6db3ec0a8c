#include "sileth/crash/crash_dbg.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <execinfo.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 7> kHandledSignals = {SIGINT, SIGILL, SIGTERM, SIGFPE, SIGABRT, SIGSEGV, SIGPIPE};
constexpr int kMaxFrames = 32;

struct CrashState {
    std::array<struct sigaction, kHandledSignals.size()> saved{};
    bool reportRaiseFailure = true;
};

CrashState gCrash;

struct sigaction* savedAction(int signo)
{
    for (size_t i = 0; i < kHandledSignals.size(); ++i) {
        if (kHandledSignals[i] == signo) {
            return &gCrash.saved[i];
        }
    }
    return nullptr;
}

void restoreDefault(int signo)
{
    if (struct sigaction* old = savedAction(signo)) {
        sigaction(signo, old, nullptr);
    }
}

void say(const char* text)
{
    printf("\n%s\n\n", text);
}

// Standard output may be a file or pipe: flush it before draining the terminal.
void drain()
{
    fflush(stdout);
    tcdrain(1);
}

// The registers in the order of the ARM register dump; other hosts show their nearest equivalents.
struct RegisterView {
    unsigned long pc, lr, psr, sp, ip, fp;
    unsigned long r[11];  // r0 .. r10
};

RegisterView viewOf(const mcontext_t* m)
{
    RegisterView v{};
#if defined(__arm__)
    v = {m->arm_pc, m->arm_lr, m->arm_cpsr, m->arm_sp, m->arm_ip, m->arm_fp,
         {m->arm_r0, m->arm_r1, m->arm_r2, m->arm_r3, m->arm_r4, m->arm_r5, m->arm_r6, m->arm_r7, m->arm_r8,
          m->arm_r9, m->arm_r10}};
#elif defined(__x86_64__)
    auto g = [m](int reg) { return static_cast<unsigned long>(m->gregs[reg]); };
    v = {g(REG_RIP), 0, g(REG_EFL), g(REG_RSP), g(REG_R12), g(REG_RBP),
         {g(REG_RDI), g(REG_RSI), g(REG_RDX), g(REG_RCX), g(REG_R8), g(REG_R9), g(REG_RAX), g(REG_RBX),
          g(REG_R10), g(REG_R11), g(REG_R13)}};
#else
    (void)m;
#endif
    return v;
}

}  // namespace

void dbgReportRaiseFailure(bool on)
{
    gCrash.reportRaiseFailure = on;
}

int dbgInit(void)
{
    // The first backtrace loads the unwinder; do that now rather than inside a fault.
    void* warmUp[1];
    backtrace(warmUp, 1);
    struct sigaction action {};
    action.sa_sigaction = sigHandler;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    for (int signo : {SIGINT, SIGILL, SIGTERM, SIGFPE, SIGABRT}) {
        const int ret = sigaction(signo, &action, savedAction(signo));
        if (ret != 0) {
            return ret;
        }
    }
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    int ret = sigaction(SIGSEGV, &action, savedAction(SIGSEGV));
    if (ret != 0) {
        return ret;
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    return sigaction(SIGPIPE, &ignore, savedAction(SIGPIPE));
}

void sigHandler(int signo, siginfo_t* info, void* context)
{
    (void)info;
    const auto* uc = static_cast<const ucontext_t*>(context);
    switch (signo) {
    case SIGINT:
        say("Interrupt from keyboard");
        say("Using default signal handler.");
        drain();
        restoreDefault(SIGINT);
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
        drain();
        say("Using default signal handler.");
        fflush(stdout);
        // Returning lets the fault recur under the restored action, which ends the process.
        restoreDefault(signo);
        break;
    case SIGTERM:
        say("Termination signal");
        say("Using default signal handler.");
        drain();
        restoreDefault(SIGTERM);
        if (raise(SIGTERM) != 0 && gCrash.reportRaiseFailure) {
            say("Unable to raise(SIGTERM).");
            fflush(stdout);
        }
        break;
    default:
        break;
    }
}

void dumpRegisters(const mcontext_t* context)
{
    char name[17] = {};
    prctl(PR_GET_NAME, name, 0, 0, 0);
    const RegisterView v = viewOf(context);
    printf("\n");
    printf("Pid: %d(tid: %d), comm: %20s\n", static_cast<int>(getpid()), static_cast<int>(syscall(SYS_gettid)), name);
    printf("pc : [<%08lx>] lr : [<%08lx>] psr: %08lx\nsp : %08lx  ip : %08lx  fp : %08lx\n", v.pc, v.lr, v.psr, v.sp,
           v.ip, v.fp);
    printf("r10: %08lx  r9 : %08lx  r8 : %08lx\n", v.r[10], v.r[9], v.r[8]);
    printf("r7 : %08lx  r6 : %08lx  r5 : %08lx  r4 : %08lx\n", v.r[7], v.r[6], v.r[5], v.r[4]);
    printf("r3 : %08lx  r2 : %08lx  r1 : %08lx  r0 : %08lx\n", v.r[3], v.r[2], v.r[1], v.r[0]);
}

void dumpStack(void)
{
    void* frames[kMaxFrames];
    const int count = backtrace(frames, kMaxFrames);
    if (char** symbols = backtrace_symbols(frames, count)) {
        printf("backtrace:\n");
        for (int i = 0; i < count; ++i) {
            printf("%s\n", symbols[i]);
        }
        free(symbols);
    }
    // The memory map is the kernel's view of this very process, so it is read from the real /proc.
    char command[64];
    snprintf(command, sizeof(command), "cat /proc/%d/maps", static_cast<int>(getpid()));
    fflush(stdout);
    const int status = system(command);
    (void)status;
}

void pgAssert(const char* expression, const char* file, int line)
{
    printf("\nAssertion fails at:\nFile: %s, line %d\n\n", file, line);
    printf("\t%s\n\n", expression);
    dumpStack();
    printf("Program terminated.\n");
    drain();
    for (;;) {
        pause();
    }
}
