#include "tests/main/program_runner.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/wait.h>

namespace {

using sbtest::ProgramRunner;

// Handlers format and unwind inside a signal handler, as on the board; the race detector's
// complaint about that is not what these tests look at.
const std::map<std::string, std::string> kEnv{{"TSAN_OPTIONS", "report_signal_unsafe=0"}};

class DbgBacktraceTest : public sbtest::SandboxTest {};

// The race detector defers a signal from outside to its own safe points, and a signal the handler
// raises again from there can be lost, leaving the helper running for good. The ending by the
// default action is checked in the other builds.
bool endingBySignalIsDeferred()
{
#if defined(__SANITIZE_THREAD__)
    return true;
#else
    return false;
#endif
}

TEST_F(DbgBacktraceTest, InvalidMemoryReferenceDumpsRegistersAndBacktraceThenEnds)
{
    ProgramRunner helper("tests/main/dbg_crash_helper", {"segv"}, kEnv);
    const int status = helper.wait();
    const std::string& out = helper.output();
    ASSERT_NE(status, -1) << out;
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    EXPECT_TRUE(sbtest::containsInOrder(out, {
                                                 "\n[CORVAND] Invalid memory reference!\n\n",
                                                 "Pid: " + std::to_string(helper.pid()) + "(tid: ",
                                                 "comm: ",
                                                 "crash_helper\n",
                                                 "pc : [<",
                                                 "] lr : [<",
                                                 "] psr: ",
                                                 "\nsp : ",
                                                 "  ip : ",
                                                 "  fp : ",
                                                 "\nr10: ",
                                                 "\nr7 : ",
                                                 "\nr3 : ",
                                                 "  r0 : ",
                                                 "backtrace:\n",
                                                 "Using default signal handler.\n",
                                             }));
}

TEST_F(DbgBacktraceTest, WriteToAClosedPipeFailsInsteadOfEndingTheProcess)
{
    ProgramRunner helper("tests/main/dbg_crash_helper", {"pipe"}, kEnv);
    const int status = helper.wait();
    ASSERT_TRUE(WIFEXITED(status)) << helper.output();
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(helper.output().find("write=-1 errno=EPIPE"), std::string::npos) << helper.output();
}

TEST_F(DbgBacktraceTest, InterruptIsCaughtOnceThenEndsTheProcess)
{
    if (endingBySignalIsDeferred())
        GTEST_SKIP() << "signals from outside are deferred by the race detector";
    ProgramRunner helper("tests/main/dbg_crash_helper", {"wait"}, kEnv);
    ASSERT_TRUE(helper.waitFor("ready\n")) << helper.output();
    helper.signal(SIGINT);
    ASSERT_TRUE(helper.waitFor("\nInterrupt from keyboard\n\nUsing default signal handler.\n")) << helper.output();
    helper.signal(SIGINT);
    const int status = helper.wait();
    ASSERT_TRUE(WIFSIGNALED(status)) << helper.output();
    EXPECT_EQ(WTERMSIG(status), SIGINT);
}

TEST_F(DbgBacktraceTest, TerminationEndsWithTheTerminationStatus)
{
    if (endingBySignalIsDeferred())
        GTEST_SKIP() << "signals from outside are deferred by the race detector";
    ProgramRunner helper("tests/main/dbg_crash_helper", {"wait"}, kEnv);
    ASSERT_TRUE(helper.waitFor("ready\n")) << helper.output();
    helper.signal(SIGTERM);
    const int status = helper.wait();
    ASSERT_TRUE(WIFSIGNALED(status)) << helper.output();
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_NE(helper.output().find("\nTermination signal\n\nUsing default signal handler.\n"), std::string::npos)
        << helper.output();
}

}  // namespace
