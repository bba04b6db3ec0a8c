// Crash diagnostics in a forked child: what it prints and how the child ends.
#include "common/crash/crash_dbg.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// The handler prints and runs the memory-map command while the process ends, as designed; the
// race checker must not stop the child for that.
extern "C" const char* __tsan_default_options()
{
    return "report_signal_unsafe=0";
}

namespace {

struct Outcome {
    int status = 0;
    std::string out;
};

// Runs `body` in a child with the default signal actions in force (as in a fresh program) and
// its standard output on a pipe; `stopAfter` kills a child that idles on purpose.
Outcome inChild(const std::function<void()>& body, bool stopAfterOutput = false)
{
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], STDOUT_FILENO);
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        for (int signo : {SIGINT, SIGILL, SIGTERM, SIGFPE, SIGABRT, SIGSEGV, SIGPIPE}) {
            signal(signo, SIG_DFL);
        }
        body();
        fflush(stdout);
        _exit(0);
    }
    close(fds[1]);
    Outcome o;
    char buf[4096];
    ssize_t n = 0;
    while ((n = read(fds[0], buf, sizeof(buf))) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) {
            o.out.append(buf, static_cast<size_t>(n));
        }
        if (stopAfterOutput && o.out.find("Program terminated.") != std::string::npos) {
            kill(pid, SIGKILL);
        }
    }
    close(fds[0]);
    waitpid(pid, &o.status, 0);
    return o;
}

bool has(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

TEST(CrashDbgTest, SegmentationFaultDumpsRegistersStackAndMapThenEndsByTheSignal)
{
    const Outcome o = inChild([] {
        dbgInit();
        void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        *static_cast<volatile int*>(page) = 1;
    });
    EXPECT_TRUE(WIFSIGNALED(o.status) && WTERMSIG(o.status) == SIGSEGV) << o.status;
    EXPECT_TRUE(has(o.out, "\n[SILETHPROG] Invalid memory reference!\n\n")) << o.out;
    EXPECT_TRUE(has(o.out, "Pid: "));
    EXPECT_TRUE(has(o.out, "pc : [<"));
    EXPECT_TRUE(has(o.out, "r3 : "));
    EXPECT_TRUE(has(o.out, "backtrace:\n"));
    EXPECT_TRUE(has(o.out, "[stack]"));  // from the memory map
    EXPECT_TRUE(has(o.out, "Using default signal handler."));
}

TEST(CrashDbgTest, SegmentationSignalSentByAnotherProcessEndsTheProcessToo)
{
#if defined(__SANITIZE_THREAD__)
    // The race detector defers a signal from outside to its own safe points, where the one the
    // handler raises again can be lost; the ending is checked in the other builds.
    GTEST_SKIP() << "signals from outside are deferred by the race detector";
#endif
    const Outcome o = inChild([] {
        dbgInit();
        kill(getpid(), SIGSEGV);
        printf("still running\n");
    });
    EXPECT_TRUE(WIFSIGNALED(o.status) && WTERMSIG(o.status) == SIGSEGV) << o.status;
    EXPECT_TRUE(has(o.out, "[SILETHPROG] Invalid memory reference!")) << o.out;
    EXPECT_TRUE(has(o.out, "backtrace:"));
    EXPECT_FALSE(has(o.out, "still running"));
}

TEST(CrashDbgTest, TerminationEndsThroughTheDefaultAction)
{
    for (bool report : {true, false}) {
        const Outcome o = inChild([report] {
            dbgReportRaiseFailure(report);
            dbgInit();
            raise(SIGTERM);
            printf("still running\n");
        });
        EXPECT_TRUE(WIFSIGNALED(o.status) && WTERMSIG(o.status) == SIGTERM) << o.status;
        EXPECT_TRUE(has(o.out, "\nTermination signal\n\n\nUsing default signal handler.\n\n")) << o.out;
        EXPECT_FALSE(has(o.out, "still running"));
    }
}

TEST(CrashDbgTest, InterruptIsReportedOnceThenLeftToTheDefault)
{
    const Outcome o = inChild([] {
        dbgInit();
        raise(SIGINT);
        printf("after first\n");
        fflush(stdout);
        raise(SIGINT);
        printf("after second\n");
    });
    EXPECT_TRUE(WIFSIGNALED(o.status) && WTERMSIG(o.status) == SIGINT) << o.status;
    EXPECT_TRUE(has(o.out, "Interrupt from keyboard"));
    EXPECT_TRUE(has(o.out, "after first"));
    EXPECT_FALSE(has(o.out, "after second"));
}

TEST(CrashDbgTest, BrokenPipeIsAnErrorNotAnEnd)
{
    const Outcome o = inChild([] {
        dbgInit();
        int p[2];
        if (pipe(p) != 0) {
            return;
        }
        close(p[0]);
        const ssize_t n = write(p[1], "x", 1);
        printf("write=%zd errno=%s\n", n, errno == EPIPE ? "EPIPE" : "other");
    });
    EXPECT_TRUE(WIFEXITED(o.status) && WEXITSTATUS(o.status) == 0) << o.status;
    EXPECT_TRUE(has(o.out, "write=-1 errno=EPIPE")) << o.out;
}

TEST(CrashDbgTest, AssertionPrintsAndIdles)
{
    const Outcome o = inChild([] { pgAssert("x > 0", "module.cpp", 42); }, true);
    EXPECT_TRUE(WIFSIGNALED(o.status) && WTERMSIG(o.status) == SIGKILL) << o.status;
    EXPECT_TRUE(has(o.out, "\nAssertion fails at:\nFile: module.cpp, line 42\n\n\tx > 0\n\n")) << o.out;
    EXPECT_TRUE(has(o.out, "backtrace:"));
    EXPECT_TRUE(has(o.out, "Program terminated."));
}

}  // namespace
