#include "main/dbg_backtrace.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <execinfo.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <termios.h>
#include <ucontext.h>
#include <unistd.h>

std::atomic<uint32_t> gEnCoreDump{1};

namespace {

constexpr int kMaxFrames = 32;

struct DbgState {
    std::array<struct sigaction, NSIG> prevAction{};
};

DbgState gDbg;

// The interrupted thread's registers in the board's names. The ARM build reads them from the
// machine context; a development host maps its own onto the same slots.
struct RegDump {
    unsigned long pc, lr, psr, sp, ip, fp;
    std::array<unsigned long, 11> r;  // r0..r10
};

RegDump regsFrom(const void* context)
{
    RegDump d{};
    if (context == nullptr) {
        return d;
    }
    const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__arm__)
    const auto& m = uc->uc_mcontext;
    d = RegDump{m.arm_pc, m.arm_lr, m.arm_cpsr, m.arm_sp, m.arm_ip, m.arm_fp,
                {m.arm_r0, m.arm_r1, m.arm_r2, m.arm_r3, m.arm_r4, m.arm_r5, m.arm_r6, m.arm_r7, m.arm_r8, m.arm_r9,
                 m.arm_r10}};
#elif defined(__x86_64__)
    // x86-64 has no link register (the return address is on the stack); the argument registers
    // take r0..r5 as on ARM, r11 the scratch slot ip.
    const greg_t* g = uc->uc_mcontext.gregs;
    auto reg = [g](int i) { return static_cast<unsigned long>(g[i]); };
    d = RegDump{reg(REG_RIP), 0, reg(REG_EFL), reg(REG_RSP), reg(REG_R11), reg(REG_RBP),
                {reg(REG_RDI), reg(REG_RSI), reg(REG_RDX), reg(REG_RCX), reg(REG_R8), reg(REG_R9), reg(REG_RAX),
                 reg(REG_RBX), reg(REG_R12), reg(REG_R13), reg(REG_R14)}};
#elif defined(__aarch64__)
    const auto& m = uc->uc_mcontext;
    d = RegDump{m.pc, m.regs[30], m.pstate, m.sp, m.regs[16], m.regs[29], {}};
    for (size_t i = 0; i < d.r.size(); ++i) {
        d.r[i] = m.regs[i];
    }
#else
    (void)uc;
#endif
    return d;
}

void registerDump(const void* context)
{
    std::array<char, 17> comm{};
    prctl(PR_GET_NAME, comm.data(), 0, 0, 0);
    printf("\n");
    printf("Pid: %d(tid: %d), comm: %20s\n", static_cast<int>(getpid()), static_cast<int>(syscall(SYS_gettid)),
           comm.data());
    const RegDump d = regsFrom(context);
    printf("pc : [<%08lx>] lr : [<%08lx>] psr: %08lx\nsp : %08lx  ip : %08lx  fp : %08lx\n", d.pc, d.lr, d.psr, d.sp,
           d.ip, d.fp);
    printf("r10: %08lx  r9 : %08lx  r8 : %08lx\n", d.r[10], d.r[9], d.r[8]);
    printf("r7 : %08lx  r6 : %08lx  r5 : %08lx  r4 : %08lx\n", d.r[7], d.r[6], d.r[5], d.r[4]);
    printf("r3 : %08lx  r2 : %08lx  r1 : %08lx  r0 : %08lx\n", d.r[3], d.r[2], d.r[1], d.r[0]);
}

void drain()
{
    fflush(stdout);
    tcdrain(STDOUT_FILENO);
}

void restorePrevious(int signo)
{
    sigaction(signo, &gDbg.prevAction[signo], nullptr);
}

void useDefault(int signo)
{
    printf("Using default signal handler.\n");
    drain();
    restorePrevious(signo);
}

void fault(const char* title, int signo, const void* context)
{
    printf("\n%s\n\n", title);
    registerDump(context);
    dumpStack();
    drain();
    if (gEnCoreDump.load() != 0) {
        printf("Using default signal handler.\n");
        drain();
        restorePrevious(signo);
        return;
    }
    // Returning would run the faulting instruction into this handler again.
    _exit(128 + signo);
}

int install(int signo, int extraFlags)
{
    struct sigaction action {};
    action.sa_sigaction = sigHandler;
    action.sa_flags = SA_SIGINFO | extraFlags;
    sigemptyset(&action.sa_mask);
    return sigaction(signo, &action, &gDbg.prevAction[signo]);
}

}  // namespace

int dbgInit(void)
{
    printf("Register signal handler.\n");
    // The first backtrace loads the unwinder; do it now rather than inside a crash.
    std::array<void*, 1> warmUp{};
    backtrace(warmUp.data(), static_cast<int>(warmUp.size()));
    for (int signo : {SIGINT, SIGILL, SIGTERM, SIGFPE, SIGABRT}) {
        const int res = install(signo, 0);
        if (res != 0) {
            return res;
        }
    }
    int res = install(SIGSEGV, SA_ONSTACK);
    if (res != 0) {
        return res;
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    res = sigaction(SIGPIPE, &ignore, &gDbg.prevAction[SIGPIPE]);
    return res;
}

void sigHandler(int signo, siginfo_t*, void* context)
{
    // The interrupted code may be between a failing call and its look at errno.
    const int savedErrno = errno;
    switch (signo) {
    case SIGINT:
        printf("\n%s\n\n", "Interrupt from keyboard");
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
        printf("\n%s\n\n", "Termination signal");
        useDefault(SIGTERM);
        raise(SIGTERM);
        break;
    default:
        printf("%s.  signo=%d\n", "sigHandler", signo);
        break;
    }
    errno = savedErrno;
}

void dumpStack(void)
{
    std::array<void*, kMaxFrames> frames{};
    const int n = backtrace(frames.data(), kMaxFrames);
    char** symbols = backtrace_symbols(frames.data(), n);
    if (symbols == nullptr) {
        return;
    }
    printf("backtrace:\n");
    for (int i = 0; i < n; ++i) {
        printf("%s\n", symbols[i]);
    }
    free(symbols);
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
