// How deep corvand's threads go into their fixed stacks while the simulated soundbar (the board
// simulator, pellant, sileth and corvand as programs) starts, powers on, changes the volume and
// the source (sileth plays and stops), and powers off and on again: each thread's high-water mark
// is printed against its size, and a thread past three quarters of its stack fails the test.
// Covered: the threads corvand starts through the OS layer. Not covered: corvand's main thread and
// the OS layer's reaper (plain POSIX threads), threads that libraries start, and the other programs.
#include "main/mw/os_pthread/os_thread.h"
#include "tests/main/program_runner.h"
#include "tests/pellant/pellant_harness.h"
#include "tests/sileth/sileth_harness.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

using sbtest::ProgramRunner;

struct StackUse {
    std::string name;
    uint32_t size = 0;
    uint32_t used = 0;
};

struct StackReport {
    uint32_t generation = 0;
    std::vector<StackUse> threads;
};

StackReport parseReport(const std::string& text)
{
    StackReport report;
    std::istringstream in(text);
    std::string word;
    if (!(in >> word) || word != "generation" || !(in >> report.generation)) {
        return {};
    }
    StackUse use;
    while (in >> use.size >> use.used >> use.name) {
        report.threads.push_back(use);
    }
    return report;
}

// Waits until the flag its argument points to is set.
void waitReleased(void* arg)
{
    std::atomic<bool>* released = nullptr;
    std::memcpy(&released, arg, sizeof(released));
    while (!released->load()) {
        uThreadDelay(1);
    }
}

// Whether this build paints its threads' stacks (sanitizer builds do not).
bool stacksPainted()
{
    std::atomic<bool> released{false};
    std::atomic<bool>* arg = &released;
    os_thread_t thread = nullptr;
    if (osThreadInit() != OSR_OK ||
        uThreadCreate(&thread, "paint_probe", 16384, 128, waitReleased, sizeof(arg), &arg) != OSR_OK) {
        return false;
    }
    uint32_t size = 0;
    uint32_t used = 0;
    // The probe paints as it starts: asked until it answers.
    const bool painted = pellanttest::waitFor([&] { return uThreadStackStats(thread, &size, &used) == OSR_OK; },
                                              std::chrono::seconds(5));
    released.store(true);
    const char* name = nullptr;
    pellanttest::waitFor([&] { return uThreadGetName(thread, &name) != OSR_OK; });
    return painted;
}

class StackMarginTest : public sbtest::SimTest {
protected:
    // A click of the remote's key by its name, repeated until corvand says `line`: the first
    // keys may come before key input has opened the remote.
    bool clickUntil(ProgramRunner& corvand, const std::string& key, const std::string& line)
    {
        const size_t from = corvand.output().size();
        for (int i = 0; i < 100; ++i) {
            sim.ctl("input key KVX_Remote_Controller " + key + " click");
            if (corvand.waitFor(line, from, std::chrono::milliseconds(300))) {
                return true;
            }
        }
        return false;
    }
    // The first report written after this call began, so that it covers everything before it.
    StackReport freshReport(const std::string& path) const
    {
        const uint32_t seen = parseReport(sandbox.read(path)).generation;
        StackReport report;
        pellanttest::waitFor([&] {
            report = parseReport(sandbox.read(path));
            return report.generation > seen + 1;
        });
        return report;
    }
};

TEST_F(StackMarginTest, NoThreadUsesMoreThanThreeQuartersOfItsStack)
{
    if (!stacksPainted()) {
        GTEST_SKIP() << "this build does not paint its threads' stacks";
    }
    // A locked 48 kHz PCM stream on the eARC receiver and the optical input.
    sim.ctl("hdmitx words GET_EARC_AUDIO_INFO 1 0 0 2 48000 0 0 0");
    sim.ctl("hdmitx words GET_RX_AUDIO_INFO 0 2 48000 0 0 0");
    sim.ctl("actl set Spdif_In_Info 48000 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0");
    auto pellant = pellanttest::startPellant(sandbox);
    ASSERT_TRUE(pellanttest::waitStarted(sandbox));
    silethtest::SilethProcess sileth(sandbox);
    ASSERT_TRUE(sileth.waitStarted()) << sileth.output();
    const std::string reportPath = "/sim/stacks.txt";
    ProgramRunner corvand("main/corvand", {}, {{"SOUNDBAR_STACK_REPORT", sandbox.path(reportPath)}});
    ASSERT_TRUE(corvand.waitFor("<GUI>Power Idle!")) << corvand.output();

    sim.ctl("input add KVX_Remote_Controller");
    size_t from = corvand.output().size();
    ASSERT_TRUE(clickUntil(corvand, "power", "Prepare After Power On!")) << corvand.output();
    ASSERT_TRUE(clickUntil(corvand, "volup", "<GUI>evt = 0x103d")) << corvand.output();

    // Power on plays the stored source, the TV's input, through sileth; the optical input then
    // stops it and plays, and the TV's input takes over again.
    ASSERT_TRUE(corvand.waitFor("recv GST_PLAY_DONE by Sileth", from)) << corvand.output().substr(from);
    for (const char* source : {"8", "9"}) {
        from = corvand.output().size();
        corvand.send(std::string("app.sm.request_play ") + source);
        ASSERT_TRUE(corvand.waitFor("recv GST_STOP_DONE by", from)) << corvand.output().substr(from);
        ASSERT_TRUE(corvand.waitFor("recv GST_PLAY_DONE by Sileth", from)) << corvand.output().substr(from);
    }

    // A power cycle: off to idle, and on again from suspend standby.
    ASSERT_TRUE(clickUntil(corvand, "power", "is_cold_pwr_on=0!")) << corvand.output();
    ASSERT_TRUE(clickUntil(corvand, "power", "Exit Suspend Standby Mode!")) << corvand.output();

    const StackReport report = freshReport(reportPath);
    ASSERT_FALSE(report.threads.empty()) << sandbox.read(reportPath);
    for (const StackUse& t : report.threads) {
        std::printf("stack %-16s %6u of %6u bytes (%u%%)\n", t.name.c_str(), t.used, t.size,
                    t.size != 0 ? t.used * 100 / t.size : 0);
        EXPECT_LE(static_cast<uint64_t>(t.used) * 4, static_cast<uint64_t>(t.size) * 3)
            << t.name << " uses " << t.used << " of its " << t.size << "-byte stack";
    }
    corvand.signal(SIGTERM);
    corvand.wait();
}

}  // namespace
