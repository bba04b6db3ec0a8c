#include "main/timerd/timerd.h"

#include "main/cli/cli.h"
#include "main/cli/dbg_level.h"
#include "main/timerd/os_timer.h"
#include "tests/main/program_runner.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>

namespace {

constexpr handle_t kAppHandle = 0x10101;

std::string captured()
{
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// The application's own functions, driven the way its thread would.
class TimerdTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        a_timerd_register(&info);
        timerd_set_dbg_level(DBG_LEVEL_ERROR);
        cli_test_reset();
    }

    void TearDown() override
    {
        info.tFct.pfExit(kAppHandle, 0);
        cli_test_reset();
    }

    int32_t start() { return info.tFct.pfInit(info.acName, kAppHandle); }

    // Runs a console line and returns its result and what it printed.
    std::pair<int32_t, std::string> run(const char* line)
    {
        testing::internal::CaptureStdout();
        const int32_t result = u_cli_parser(line);
        return {result, captured()};
    }

    amb_register_info_t info{};
};

TEST_F(TimerdTest, RegistersTheFirstRowOfTheTable)
{
    EXPECT_STREQ("timerd", info.acName);
    EXPECT_NE(nullptr, info.tFct.pfInit);
    EXPECT_NE(nullptr, info.tFct.pfExit);
    EXPECT_NE(nullptr, info.tFct.pfProcess);
    EXPECT_EQ(~0ULL, info.ui8Reserved);
    EXPECT_EQ(4096u, info.ui4StackSize);
    EXPECT_EQ(200, info.ui1Priority);
    EXPECT_EQ(20, info.ui2SecCount);
    EXPECT_EQ(20, info.ui2QueueLen);
    EXPECT_EQ(64, info.ui2MaxPayload);

    ASSERT_EQ(0, start());
    amb_register_info_t again{};
    a_timerd_register(&again);  // started: the record is left alone
    EXPECT_STREQ("", again.acName);
}

TEST_F(TimerdTest, StartsBeforeTheConsoleAndStartsTheTimerService)
{
    EXPECT_EQ(-1, info.tFct.pfProcess(kAppHandle, 3, nullptr, 0));  // not started yet
    ASSERT_EQ(0, start());
    EXPECT_GE(u_os_get_sys_tick_period(), 1u);
    EXPECT_EQ(-1, run("app.td.gdl").first);  // no console, no table
    EXPECT_EQ(0, start());

    // A restart after the console came up offers the table.
    ASSERT_EQ(0, info.tFct.pfExit(kAppHandle, 0));
    ASSERT_EQ(0, cli_init_phase1());
    ASSERT_EQ(0, start());
    EXPECT_EQ(std::make_pair(0, std::string("Debug level = e\n\r")), run("app.td.gdl"));
}

TEST_F(TimerdTest, ConsoleReadsAndSetsTheDebugLevel)
{
    ASSERT_EQ(0, cli_init_phase1());
    ASSERT_EQ(0, start());
    struct Case {
        const char* line;
        int32_t result;
        uint16_t level;
    };
    const Case cases[] = {
        {"app.timerd.sdl ea", 0, 0x103}, {"app.td.sdl none", -4, 0x103}, {"app.td.sdl all", 0, 0x107},
        {"app.td.sdl n", 0, 0x100},      {"app.td.sdl i", 0, 0x104},     {"app.td.sdl", -4, 0x104},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, run(c.line).first) << c.line;
        EXPECT_EQ(c.level, timerd_get_dbg_level()) << c.line;
    }
    EXPECT_EQ(std::make_pair(0, std::string("Debug level = i\n\r")), run("app.td.gdl"));
    EXPECT_EQ(0, run("app.td.echo some words").first);
    EXPECT_EQ(0, run("app.td.e").first);
    EXPECT_EQ(CLIR_CMD_NOT_FOUND, run("timerd.gdl").first);  // module tables live in "app"
}

TEST_F(TimerdTest, ProcessLogsTheFirstWordAtInformationLevel)
{
    ASSERT_EQ(0, start());
    const uint32_t word = 5;
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, info.tFct.pfProcess(kAppHandle, 0x10002, &word, sizeof word));
    EXPECT_EQ("", captured());  // errors only by default

    timerd_set_dbg_level(DBG_LEVEL_INFO);
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, info.tFct.pfProcess(kAppHandle, 0x10002, &word, sizeof word));
    EXPECT_EQ(0, info.tFct.pfProcess(kAppHandle, 3, &word, sizeof word));
    EXPECT_EQ(0, info.tFct.pfProcess(kAppHandle, 3, &word, 2));  // too short to hold a word
    EXPECT_EQ(0, info.tFct.pfProcess(kAppHandle, 3, nullptr, 0));
    EXPECT_EQ("am broadcast message id is 5\nprivate message id is 5\n", captured());
}

using CorvandTimerdTest = sbtest::SandboxTest;

TEST_F(CorvandTimerdTest, ConsoleOfTheRunningProgramReachesTheTimerdTable)
{
    sbtest::ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(corvand.waitFor("<corvand>1.timerd Init Successful\n")) << corvand.output();
    ASSERT_TRUE(corvand.waitFor("<corvand>Appcliation Init Finish\n")) << corvand.output();
    EXPECT_FALSE(sandbox.exists("/tmp/corvand_setup_fail.txt")) << corvand.output();

    size_t from = corvand.output().size();
    corvand.send("app.td.gdl");
    EXPECT_TRUE(corvand.waitFor("Debug level = e\n\r", from)) << corvand.output();
    from = corvand.output().size();
    corvand.send("app.timerd.sdl ai");
    corvand.send("app.td.gdl");
    EXPECT_TRUE(corvand.waitFor("Debug level = ai\n\r", from)) << corvand.output();

    corvand.signal(SIGKILL);
    corvand.wait();
}

}  // namespace
