// Display operations on the board simulator's front display: the frames each mode writes, in
// order, and when the modes end.
#include "main/gui/gui_disp.h"
#include "main/gui/gui_ops.h"

#include "tests/support/refuse_threads.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The descriptors this process holds.
std::set<int> openFds()
{
    std::set<int> fds;
    DIR* dir = opendir("/proc/self/fd");
    const int own = dirfd(dir);
    while (const dirent* de = readdir(dir)) {
        if (de->d_name[0] != '.' && atoi(de->d_name) != own) {
            fds.insert(atoi(de->d_name));
        }
    }
    closedir(dir);
    return fds;
}

std::atomic<int> gDone{0};
std::atomic<int> gOtherDone{0};
void onDone()
{
    ++gDone;
}
void onOtherDone()
{
    ++gOtherDone;
}

class GuiOpsTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        gDone = 0;
        gOtherDone = 0;
        guiOpsInit();
    }
    void TearDown() override { guiOpsExit(); }

    // The texts of the frames the display got, in order (as the simulator shows them).
    std::vector<std::string> frames()
    {
        std::vector<std::string> out;
        const std::string log = sandbox.exists("/sim/display.log") ? sandbox.read("/sim/display.log") : "";
        size_t at = 0;
        while ((at = log.find(" \"", log.find("frame ", at))) != std::string::npos) {
            const size_t end = log.find('"', at + 2);
            out.push_back(log.substr(at + 2, end - at - 2));
            at = end;
        }
        return out;
    }

    // Waits (bounded) until `pred` holds.
    template <typename Pred>
    static bool waitUntil(Pred pred)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (!pred()) {
            if (Clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }
};

TEST_F(GuiOpsTest, ScrollOnceShowsEveryWindowThenEnds)
{
    guiOpsDispScrollOnceStr("VRT X OFF", 1, 150, 0, onDone);
    ASSERT_TRUE(waitUntil([] { return gDone.load() == 1; }));
    EXPECT_EQ(guiOpsDispModeGet(), GUI_OPS_DISP_MODE_NONE);
    const std::vector<std::string> want = {"VRT X", "RT X ", "T X O", " X OF", "X OFF", " OFF ",
                                           "OFF  ", "FF   ", "F    ", "     ", "     "};
    EXPECT_EQ(frames(), want);
}

TEST_F(GuiOpsTest, BlinkOnceAlternatesTextAndDarkThenEnds)
{
    guiOpsDispBlinkOnceStr("----", 2, 200, 200, onDone);
    ASSERT_TRUE(waitUntil([] { return gDone.load() == 1; }));
    EXPECT_EQ(frames(), (std::vector<std::string>{"---- ", "     ", "---- ", "     "}));
    EXPECT_EQ(guiOpsDispModeGet(), GUI_OPS_DISP_MODE_NONE);
}

TEST_F(GuiOpsTest, StaticTextIsNotRestartedByTheSameText)
{
    guiOpsDispStaticStr("AB", 300, onDone);
    guiOpsDispStaticStr("AB", 5000, onOtherDone);
    ASSERT_TRUE(waitUntil([] { return gDone.load() == 1; }));
    EXPECT_EQ(gOtherDone.load(), 0) << "the running display kept its time and completion";
    EXPECT_EQ(frames(), (std::vector<std::string>{"AB   "}));

    // Without a completion the text stays; each new text is written, none is lost.
    for (const char* text : {"ONE", "TWO", "THREE", "FOUR"}) {
        guiOpsDispStaticStr(text, 0, nullptr);
        ASSERT_TRUE(waitUntil([&] { return !frames().empty() && frames().back().rfind(text, 0) == 0; })) << text;
    }
    EXPECT_EQ(guiOpsDispModeGet(), GUI_OPS_DISP_MODE_STATIC);
}

TEST_F(GuiOpsTest, LimitsAndRefusals)
{
    guiOpsDispScrollStr("ABCDEFGHIJKLMNOPQRSTUVWXYZ12");  // 28: taken
    EXPECT_EQ(guiOpsDispModeGet(), GUI_OPS_DISP_MODE_SCROLL);
    guiOpsDispScrollStr("ABCDEFGHIJKLMNOPQRSTUVWXYZ123");  // 29: refused, and the scroll has ended
    EXPECT_EQ(guiOpsDispModeGet(), GUI_OPS_DISP_MODE_NONE);
    guiOpsDispScrollOnceStr("ABCDEFGHIJKLMNOPQRSTUVWXYZ123", 1, 350, 0, nullptr);
    EXPECT_EQ(guiOpsDispModeGet(), GUI_OPS_DISP_MODE_SCROLL_ONCE);
    guiOpsCleanDispBuf();
    guiOpsDispScrollOnceStr("ABCDEFGHIJKLMNOPQRSTUVWXYZ1234", 1, 350, 0, nullptr);
    EXPECT_EQ(guiOpsDispModeGet(), GUI_OPS_DISP_MODE_NONE);

    guiOpsDispAdaptiveStr("ABCDE", nullptr);
    EXPECT_EQ(guiOpsDispModeGet(), GUI_OPS_DISP_MODE_STATIC);
    guiOpsDispAdaptiveStr("ABCDEF", nullptr);
    EXPECT_EQ(guiOpsDispModeGet(), GUI_OPS_DISP_MODE_SCROLL);

    guiOpsDispDimmerSet(3, 0);
    guiOpsDispDimmerSet(6, 0);
    guiOpsDispPdt(5);
    guiOpsDispPdt(2);
    guiOpsSetPower(0);
    EXPECT_EQ(guiOpsDispDimmerGet(), 3u);
    guiDispIoctlDimmer(0x104);
    const std::string shown = sim.ctl("display show");
    EXPECT_NE(shown.find("dimmer=4"), std::string::npos) << shown << ": the low byte only";
    EXPECT_NE(shown.find("test=2"), std::string::npos) << shown;
    EXPECT_NE(shown.find("enable=0"), std::string::npos) << shown;
}

TEST_F(GuiOpsTest, ScrollOnceHoldBelowOneTickCountsAsNone)
{
    // A short text moves too: its two windows, then the end on the next tick.
    guiOpsDispScrollOnceStr("AB", 1, 100, 50, onDone);
    ASSERT_TRUE(waitUntil([] { return gDone.load() == 1; }));
    EXPECT_EQ(frames(), (std::vector<std::string>{"AB   ", "B    "}));
}

TEST_F(GuiOpsTest, MissingDeviceLeavesEverythingWithoutEffect)
{
    guiOpsExit();
    sim.ctl("display missing on");
    guiOpsInit();
    guiOpsDispStaticStr("AB", 200, onDone);
    guiOpsDispDimmerSet(2, 0);
    ASSERT_TRUE(waitUntil([] { return gDone.load() == 1; }));
    EXPECT_TRUE(frames().empty());
}

TEST_F(GuiOpsTest, DisplayCallsAfterExitLeaveAReusedDescriptorAlone)
{
    guiOpsExit();
    const std::set<int> before = openFds();
    guiDispInit();
    const std::set<int> opened = openFds();
    guiDispExit();
    const std::set<int> after = openFds();

    // Whatever the display held now belongs to an ordinary file, as the next open would make it.
    const std::string file = sandbox.path("/reused");
    const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    int reused = 0;
    for (int d : opened) {
        if (before.count(d) == 0 && after.count(d) == 0) {
            ASSERT_EQ(dup2(fd, d), d);
            ++reused;
        }
    }
    ASSERT_GT(reused, 0) << "the display held no descriptor of its own";

    guiDispClear();
    guiDispWrite(GuiDispFrame{'A', 'B', 'C', 'D', 'E'});
    guiOpsDispDimmerSet(2, 0);
    guiOpsSetPower(1);
    guiOpsDispPdt(1);

    struct stat st {};
    ASSERT_EQ(fstat(fd, &st), 0);
    EXPECT_EQ(st.st_size, 0) << "a display write reached the file that took the descriptor";
    for (int d : opened) {
        if (before.count(d) == 0 && after.count(d) == 0) {
            close(d);
        }
    }
    close(fd);
}

TEST_F(GuiOpsTest, DisplayOpenedAsDescriptorZeroWorks)
{
    // A program started with its standard input closed gets descriptor 0 for the display.
    guiOpsExit();
    const int savedStdin = dup(0);
    ASSERT_GE(savedStdin, 0);
    close(0);
    guiOpsInit();
    const std::set<int> held = openFds();
    const bool displayIsZero = held.count(0) != 0;
    guiOpsDispStaticStr("ZERO", 0, nullptr);
    const bool shown = waitUntil([this] { return !frames().empty(); });
    guiOpsExit();
    ASSERT_EQ(dup2(savedStdin, 0), 0);
    close(savedStdin);
    ASSERT_TRUE(displayIsZero) << "the display did not get descriptor 0";
    EXPECT_TRUE(shown) << "nothing reached the display";
    EXPECT_EQ(frames(), (std::vector<std::string>{"ZERO "}));
}

TEST_F(GuiOpsTest, WriterThatCannotStartLeavesTheLayerToTryAgain)
{
    guiOpsExit();
    sbtest::refuseThreads(1);
    guiOpsInit();
    sbtest::refuseThreads(0);
    guiOpsDispStaticStr("NONE", 0, nullptr);
    guiOpsInit();  // tries again, now with a writer
    guiOpsDispStaticStr("AGAIN", 0, nullptr);
    ASSERT_TRUE(waitUntil([this] { return !frames().empty(); }));
    EXPECT_EQ(frames(), (std::vector<std::string>{"AGAIN"}));
}

}  // namespace
