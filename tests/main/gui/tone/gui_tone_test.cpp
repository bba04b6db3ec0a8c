// The prompt tones against a real pellant and the board simulator's amplifiers: the host's own
// aplay plays each tone on the root's "sub1" file PCM, or a stand-in player first on PATH plays
// for a set time, fails, or leaves the PCM plug-in's marker.
#include "main/gui/tone/gui_tone.h"

#include "main/audio_client/vesk_ipc.h"
#include "main/gui/wrapper/wrapper_amp.h"
#include "main/gui/wrapper/wrapper_amp_tables.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "tests/pellant/pellant_harness.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace pellanttest;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr int kAmpLr = 0x2D;

bool eventually(const std::function<bool()>& cond, milliseconds limit = milliseconds(8000))
{
    const auto end = steady_clock::now() + limit;
    while (!cond()) {
        if (steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
}

class ToneTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        savedPath_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
        pellant = startPellant(sandbox);
        ASSERT_TRUE(waitStarted(sandbox));
        ASSERT_EQ(vesk_ipc_create(), 0);
        guiWrapperAmpInit();
        guiWrapperAmpRegReset(GUI_WRAPPER_AMP_IDX_LR);
        guiWrapperMusicInit();
        const uint8_t music = 50;
        guiWrapperMusicVolSet(&music);
        guiToneMuteStsGetRegister(nullptr);
        guiToneInit();
        guiToneEnableSet(1);
        guiToneVolSet(2);
        pellantMark_ = lines(sandbox.read(kPellantOut)).size();
        quoridMark_ = sandbox.quoridLog().size();
    }
    void TearDown() override
    {
        guiToneExit();
        guiWrapperMusicExit();
        guiWrapperAmpExit();
        setenv("PATH", savedPath_.c_str(), 1);
        unsetenv("FAKE_APLAY_MS");
        unsetenv("FAKE_APLAY_STATUS");
        unsetenv("FAKE_APLAY_LOG");
    }

    // The stand-in player first on PATH, playing `ms` per tone and ending with `status`.
    void fakePlayer(int ms, int status = 0)
    {
        const std::string bin = sandbox.dir() + "/fakebin";
        std::filesystem::create_directories(bin);
        const std::string emulator = sbtest::emulator();
        if (emulator.empty()) {
            std::filesystem::create_symlink(FAKE_APLAY, bin + "/aplay");
        } else {
            // The board's build: the host cannot exec an ARM program by itself, so the player
            // found on PATH is a script that hands it to the emulator (exec keeps the pid).
            std::ofstream(bin + "/aplay") << "#!/bin/sh\nexec " << emulator << " " << FAKE_APLAY << " \"$@\"\n";
            std::filesystem::permissions(bin + "/aplay", std::filesystem::perms::owner_all);
        }
        setenv("PATH", (bin + ":" + savedPath_).c_str(), 1);
        setenv("FAKE_APLAY_MS", std::to_string(ms).c_str(), 1);
        setenv("FAKE_APLAY_STATUS", std::to_string(status).c_str(), 1);
        setenv("FAKE_APLAY_LOG", sandbox.path("/sim/fake_aplay.log").c_str(), 1);
    }
    std::vector<std::string> players() const { return lines(sandbox.read("/sim/fake_aplay.log")); }

    // The "stream=2, vol=V" values pellant was given since the test began, in order (pellant
    // shows any non-zero volume as 100: the tone stream is either off or fully open).
    std::vector<int> toneStreamVols() const
    {
        std::vector<int> vols;
        const auto all = lines(sandbox.read(kPellantOut));
        for (size_t i = pellantMark_; i < all.size(); ++i) {
            const std::string& line = all[i];
            const auto at = line.find("stream=2, vol=");
            if (at != std::string::npos) {
                vols.push_back(std::stoi(line.substr(at + 14)));
            }
        }
        return vols;
    }
    int reg(int page, int r) const
    {
        char line[64];
        std::snprintf(line, sizeof(line), "i2c get 3 0x%02x %d 0x%02x", kAmpLr, page, r);
        return std::stoi(sim.ctl(line), nullptr, 16);
    }
    bool ampAt(uint8_t vol) const
    {
        for (int i = 0; i < 4; ++i) {
            if (reg(4, 0x7C + i) != gGuiWrapperAmpAcm8625SLrVolTab[vol][i]) {
                return false;
            }
        }
        return true;
    }
    bool done() const { return guiTonePlayDoneGet() == 1; }
    // Command lines the shell-command client ran since the test began.
    std::vector<std::string> quoridSince() const
    {
        const auto all = sandbox.quoridLog();
        return {all.begin() + static_cast<long>(std::min(quoridMark_, all.size())), all.end()};
    }
    bool quoridRan(const std::string& line) const
    {
        for (const auto& l : quoridSince()) {
            if (l == line) {
                return true;
            }
        }
        return false;
    }

    std::unique_ptr<Child> pellant;
    std::string savedPath_;
    size_t pellantMark_ = 0;
    size_t quoridMark_ = 0;
};

TEST_F(ToneTest, PowerOnToneIsPlayedByAplayAtItsLevelAndTheMusicVolumeComesBack)
{
    guiTonePowerOn();
    ASSERT_TRUE(eventually([&] { return done() && quoridRan("rm -rf /tmp/kvxac2_opened"); }));
    // Silent from the request, the level's volume while it plays.
    EXPECT_EQ(toneStreamVols(), (std::vector<int>{0, 100}));
    const auto log = quoridSince();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "vesk_dbg bufrule 6 6 24 0 0");
    EXPECT_EQ(log[1], "rm -rf /tmp/kvxac2_opened");
    // The file's samples (after its 44-byte header) reached the tone PCM.
    const std::string wav = sandbox.read("/res/tone/Power_On.wav");
    const std::string out = sandbox.read("/sim/alsa/sub1.out");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(out.substr(0, wav.size() - 44), wav.substr(44));
    EXPECT_TRUE(ampAt(50));
}

TEST_F(ToneTest, SwitchedOffTonesQueueNothingAndABadLevelIsRefused)
{
    struct Case {
        uint8_t beepEn;
        uint32_t level;
    };
    for (const Case c : {Case{0, 2}, Case{1, 0}}) {
        SCOPED_TRACE(testing::Message() << "beep_en " << int(c.beepEn) << " level " << c.level);
        guiToneEnableSet(c.beepEn);
        guiToneVolSet(c.level);
        guiTonePowerOn();
        EXPECT_EQ(guiTonePlayDoneGet(), 1u);
    }
    std::this_thread::sleep_for(milliseconds(100));  // a queued tone would have started by now
    EXPECT_TRUE(toneStreamVols().empty());
    EXPECT_TRUE(quoridSince().empty());
    guiToneVolSet(3);
    guiToneVolSet(4);
    EXPECT_EQ(guiToneVolGet(), 3u);
}

TEST_F(ToneTest, TonesQueuedTogetherPlayOneAfterTheOtherEachInItsOwnPlayer)
{
    fakePlayer(200);
    guiToneBtStsProcess(0);  // not a link event: nothing
    guiToneWirlessStsProcess(1);
    guiToneWirlessStsProcess(2);
    EXPECT_EQ(guiTonePlayDoneGet(), 0u);
    ASSERT_TRUE(eventually([&] { return done(); }));
    const auto p = players();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_NE(p[0].substr(0, p[0].find(' ')), p[1].substr(0, p[1].find(' ')));
    EXPECT_NE(p[0].find(" -Dsub1 " + sandbox.path("/res/tone/Surl_Connected.wav")), std::string::npos);
    EXPECT_NE(p[1].find(" -Dsub1 " + sandbox.path("/res/tone/Surr_Connected.wav")), std::string::npos);
}

TEST_F(ToneTest, StopEndsTheTonePlayingRemovesTheMarkerAndPlaysTheNextQueued)
{
    fakePlayer(10000);
    guiTonePowerOn();
    ASSERT_TRUE(eventually([&] { return sandbox.exists("/tmp/kvxac2_opened"); }));
    const pid_t player = std::stoi(players()[0]);
    guiToneIdxAdd(E_GUI_TONE_IDX_BT_CONNECTED);
    guiToneStop();
    EXPECT_FALSE(sandbox.exists("/tmp/kvxac2_opened"));
    // The next tone starts in a new player; the stopped one is gone for good.
    ASSERT_TRUE(eventually([&] { return players().size() == 2; }));
    EXPECT_NE(players()[1].find("BT_Connected.wav"), std::string::npos);
    EXPECT_NE(kill(player, 0), 0);
    guiToneStop();
    EXPECT_TRUE(eventually([&] { return done(); }));
    EXPECT_TRUE(ampAt(50));
}

TEST_F(ToneTest, AFailingPlayerIsOnlyLoggedAndTheMusicVolumeComesBack)
{
    fakePlayer(0, 1);
    guiTonePowerOff();
    ASSERT_TRUE(eventually([&] { return done() && quoridRan("rm -rf /tmp/kvxac2_opened"); }));
    EXPECT_EQ(players().size(), 1u);
    EXPECT_TRUE(ampAt(50));
}

TEST_F(ToneTest, DoneWaitGivesUpAfterFourSecondsWhileATonePlays)
{
    fakePlayer(10000);
    guiTonePowerOn();
    ASSERT_TRUE(eventually([&] { return !players().empty(); }));
    const auto start = steady_clock::now();
    guiTonePlayDoneWait(0);
    const auto waited = steady_clock::now() - start;
    // It waited its forty looks, and gave up while the ten-second tone still plays.
    EXPECT_GE(waited, milliseconds(3900));
    EXPECT_EQ(guiTonePlayDoneGet(), 0u);
}

TEST_F(ToneTest, LinkTonesAreHeldBackWhileMuted)
{
    fakePlayer(0);
    guiToneMuteStsGetRegister([]() -> uint8_t { return 1; });
    guiToneWirlessStsProcess(1);
    guiToneBtStsProcess(0x801E);
    std::this_thread::sleep_for(milliseconds(100));  // a queued tone would have started by now
    EXPECT_TRUE(players().empty());
    EXPECT_EQ(guiTonePlayDoneGet(), 1u);
}

TEST(TonePathTest, TableNamesAndRefusals)
{
    char path[GUI_TONE_PATH_SIZE];
    const std::pair<uint32_t, const char*> cases[] = {
        {1, "/res/tone/Power_On.wav"},    {2, "/res/tone/Power_Off.wav"}, {9, "/res/tone/Src_BT.wav"},
        {15, "/res/tone/Subw_Connected.wav"}, {0, ""},                    {16, ""},
    };
    for (const auto& [idx, want] : cases) {
        std::snprintf(path, sizeof path, "stale");
        guiTonePathGet(idx, path);
        EXPECT_STREQ(path, want) << idx;
    }
    guiTonePathGet(1, nullptr);
}

TEST(TonePidTest, TheFinderReadsTheHostsProcessTable)
{
    // A child of a name no other process has: a host program, which the board's build under its
    // emulator can exec as well.
    const std::string name = "tone-finder-" + std::to_string(getpid());
    const pid_t child = fork();
    if (child == 0) {
        execl("/bin/sleep", name.c_str(), "10", static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(child, 0);
    EXPECT_TRUE(eventually([&] { return guiTonePidGet(name.c_str()) == child; }));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(guiTonePidGet(name.c_str()), -1);
}

}  // namespace
