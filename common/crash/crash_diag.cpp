#include "common/crash/crash_diag.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <execinfo.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

namespace crash {

namespace {

constexpr int kMaxFrames = 32;

struct CrashState {
    std::array<struct sigaction, NSIG> previous{};
};

CrashState gCrash;

struct RegDump {
    unsigned long pc, lr, psr, sp, ip, fp;
    std::array<unsigned long, 11> r;  // r0..r10
};

RegDump regsFrom(const mcontext_t* m)
{
    RegDump d{};
    if (m == nullptr) {
        return d;
    }
#if defined(__arm__)
    d = RegDump{m->arm_pc,
                m->arm_lr,
                m->arm_cpsr,
                m->arm_sp,
                m->arm_ip,
                m->arm_fp,
                {m->arm_r0, m->arm_r1, m->arm_r2, m->arm_r3, m->arm_r4, m->arm_r5, m->arm_r6, m->arm_r7, m->arm_r8,
                 m->arm_r9, m->arm_r10}};
#elif defined(__x86_64__)
    // x86-64 has no link register (the return address is on the stack); the argument registers
    // take r0..r5 as on ARM, r11 the scratch slot ip.
    auto reg = [m](int i) { return static_cast<unsigned long>(m->gregs[i]); };
    d = RegDump{reg(REG_RIP),
                0,
                reg(REG_EFL),
                reg(REG_RSP),
                reg(REG_R11),
                reg(REG_RBP),
                {reg(REG_RDI), reg(REG_RSI), reg(REG_RDX), reg(REG_RCX), reg(REG_R8), reg(REG_R9), reg(REG_RAX),
                 reg(REG_RBX), reg(REG_R12), reg(REG_R13), reg(REG_R14)}};
#elif defined(__aarch64__)
    d = RegDump{m->pc, m->regs[30], m->pstate, m->sp, m->regs[16], m->regs[29], {}};
    for (size_t i = 0; i < d.r.size(); ++i) {
        d.r[i] = m->regs[i];
    }
#endif
    return d;
}

int install(int signo, Handler handler, int extraFlags)
{
    struct sigaction action {};
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO | extraFlags;
    sigemptyset(&action.sa_mask);
    return sigaction(signo, &action, &gCrash.previous[signo]);
}

}  // namespace

int installHandlers(Handler handler)
{
    std::array<void*, 1> warmUp{};
    backtrace(warmUp.data(), static_cast<int>(warmUp.size()));
    for (int signo : {SIGINT, SIGILL, SIGTERM, SIGFPE, SIGABRT}) {
        const int res = install(signo, handler, 0);
        if (res != 0) {
            return res;
        }
    }
    const int res = install(SIGSEGV, handler, SA_ONSTACK);
    if (res != 0) {
        return res;
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    return sigaction(SIGPIPE, &ignore, &gCrash.previous[SIGPIPE]);
}

void restorePrevious(int signo)
{
    if (signo > 0 && signo < NSIG) {
        sigaction(signo, &gCrash.previous[signo], nullptr);
    }
}

void say(const char* text)
{
    size_t left = strlen(text);
    while (left > 0) {
        const ssize_t n = write(STDOUT_FILENO, text, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        text += n;
        left -= static_cast<size_t>(n);
    }
}

void sayTitle(const char* text)
{
    // One write, so other threads' lines cannot come between the title and its blank lines.
    std::array<char, 128> line{};
    const size_t room = line.size() - 4;
    size_t n = strnlen(text, room);
    line[0] = '\n';
    memcpy(&line[1], text, n);
    line[n + 1] = '\n';
    line[n + 2] = '\n';
    say(line.data());
}

void drain()
{
    tcdrain(STDOUT_FILENO);
}

void dumpRegisters(const mcontext_t* context)
{
    std::array<char, 17> comm{};
    prctl(PR_GET_NAME, comm.data(), 0, 0, 0);
    const RegDump d = regsFrom(context);
    // snprintf formats into the caller's buffer with neither a lock nor an allocation.
    std::array<char, 512> text{};
    snprintf(text.data(), text.size(),
             "\nPid: %d(tid: %d), comm: %20s\n"
             "pc : [<%08lx>] lr : [<%08lx>] psr: %08lx\nsp : %08lx  ip : %08lx  fp : %08lx\n"
             "r10: %08lx  r9 : %08lx  r8 : %08lx\n"
             "r7 : %08lx  r6 : %08lx  r5 : %08lx  r4 : %08lx\n"
             "r3 : %08lx  r2 : %08lx  r1 : %08lx  r0 : %08lx\n",
             static_cast<int>(getpid()), static_cast<int>(syscall(SYS_gettid)), comm.data(), d.pc, d.lr, d.psr, d.sp,
             d.ip, d.fp, d.r[10], d.r[9], d.r[8], d.r[7], d.r[6], d.r[5], d.r[4], d.r[3], d.r[2], d.r[1], d.r[0]);
    say(text.data());
}

void dumpBacktrace()
{
    std::array<void*, kMaxFrames> frames{};
    const int n = backtrace(frames.data(), kMaxFrames);
    say("backtrace:\n");
    backtrace_symbols_fd(frames.data(), n, STDOUT_FILENO);
}

void assertFailed(const char* expression, const char* file, int line, void (*dumpStack)())
{
    printf("\nAssertion fails at:\nFile: %s, line %d\n\n", file, line);
    printf("\t%s\n\n", expression);
    fflush(stdout);
    dumpStack();
    say("Program terminated.\n");
    drain();
    for (;;) {
        pause();
    }
}

}  // namespace crash
