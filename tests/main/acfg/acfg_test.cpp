// The store application on the real framework: start, console rows, restart, delayed store, and
// the accessors other applications call.
#include "main/acfg/acfg.h"
#include "main/acfg/acfg_accessor.h"
#include "main/acfg/acfg_app.h"
#include "main/acfg/acfg_app_priv.h"
#include "main/acfg/acfg_cus_flash.h"
#include "main/acfg/acfg_item_accessor.h"
#include "main/acfg/acfg_priv.h"
#include "main/acfg/acfg_reset.h"

#include "main/am/amb/amb.h"
#include "main/audio_client/vesk_ipc.h"
#include "main/cli/cli.h"
#include "main/state_mngr/state_mngr.h"
#include "main/timerd/os_timer.h"
#include "tests/main/am/app_harness.h"
#include "tests/main/state_mngr/sm_peers.h"
#include "tests/pellant/pellant_harness.h"
#include "tests/support/app_support.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kMain = "/data/misc/app.cfg";
constexpr const char* kBackup = "/data/misc/app.cfg.backup";
constexpr size_t kVolumeAt = 52;  // value of the first record
constexpr size_t kMuteAt = 52 + 37;
constexpr size_t kSourceAt = 52 + 3 * 37;
// Store delays of the tests: one that no test outlives, and a short one.
constexpr uint32_t kNeverMs = 3600000;
constexpr uint32_t kShortMs = 300;

// Counts the complete writes of the store's files (close after writing) as they happen.
class FileWrites {
public:
    explicit FileWrites(const std::string& dir)
    {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        inotify_add_watch(fd_, dir.c_str(), IN_CLOSE_WRITE);
    }
    ~FileWrites() { close(fd_); }

    // Waits up to `limit` for the next write of `name`; its time, or nothing.
    bool next(const std::string& name, std::chrono::milliseconds limit, Clock::time_point* at = nullptr)
    {
        const Clock::time_point deadline = Clock::now() + limit;
        while (true) {
            for (size_t i = 0; i < seen_.size(); ++i) {
                if (seen_[i].first == name) {
                    if (at != nullptr) {
                        *at = seen_[i].second;
                    }
                    seen_.erase(seen_.begin() + static_cast<long>(i));
                    return true;
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) > 0) {
                drain();
            }
        }
    }

private:
    void drain()
    {
        alignas(inotify_event) char buf[4096];
        const ssize_t n = read(fd_, buf, sizeof(buf));
        for (ssize_t at = 0; at < n;) {
            const auto* ev = reinterpret_cast<const inotify_event*>(buf + at);
            seen_.emplace_back(ev->len > 0 ? ev->name : "", Clock::now());
            at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
        }
    }

    int fd_;
    std::vector<std::pair<std::string, Clock::time_point>> seen_;
};

class AcfgTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        apptest::startFramework();
        ASSERT_EQ(apptest::registerOnce(a_acfg_register), 0);
    }

    void TearDown() override
    {
        stop();
        acfgSetStoreDelayForTest(ACFG_STORE_DELAY_MS);
    }

    void start()
    {
        ASSERT_EQ(u_amb_sync_start_app("acfg"), 0);
        running_ = true;
    }

    void stop()
    {
        if (running_) {
            EXPECT_EQ(u_amb_sync_exit_app("acfg"), 0);
            running_ = false;
        }
    }

    void restart()
    {
        stop();
        start();
    }

    // Runs a console line and returns what it printed.
    static std::string console(const std::string& line, int* result = nullptr)
    {
        testing::internal::CaptureStdout();
        const int ret = u_cli_parser(line.c_str());
        fflush(stdout);
        if (result != nullptr) {
            *result = ret;
        }
        return testing::internal::GetCapturedStdout();
    }

    static int run(const std::string& line)
    {
        int ret = 0;
        console(line, &ret);
        return ret;
    }

    uint8_t fileByte(const char* file, size_t at) { return static_cast<uint8_t>(sandbox.read(file).at(at)); }

    // Writes a main file (and backup) holding the defaults with one byte changed.
    void writeFilesWith(size_t at, uint8_t value)
    {
        start();
        stop();
        std::string file = sandbox.read(kMain);
        file[at] = static_cast<char>(value);
        sandbox.write(kMain, file);
        sandbox.write(kBackup, file);
    }

    static uint8_t volume()
    {
        uint8_t v = 0xEE;
        EXPECT_EQ(uAcfgGetVolume(&v), 0);
        return v;
    }

    static uint8_t mute()
    {
        uint8_t v = 0xEE;
        EXPECT_EQ(uAcfgGetMute(&v), 0);
        return v;
    }

private:
    bool running_ = false;
};

TEST_F(AcfgTest, FirstStartWritesBothFilesAndTheConsoleTableIsAttached)
{
    start();
    const std::string file = sandbox.read(kMain);
    ASSERT_EQ(file.size(), 2945u);
    EXPECT_EQ(sandbox.read(kBackup), file);
    EXPECT_EQ(file.substr(0, 8), std::string("\xDA\xFA\xF6\xAC\x3D\x00\x00\x00", 8));
    EXPECT_EQ(static_cast<uint8_t>(file[kVolumeAt]), 50);
    EXPECT_EQ(static_cast<uint8_t>(file[kSourceAt]), 6);
    EXPECT_EQ(run("app.acfg.get_volume"), 0);
    stop();
    EXPECT_EQ(run("app.acfg.get_volume"), -10) << "the table goes with the application";
}

TEST_F(AcfgTest, ConsoleVolumeIsStoredAndSurvivesARestart)
{
    start();
    EXPECT_EQ(run("app.acfg.set_volume 70"), 0);
    EXPECT_EQ(run("app.acfg.store"), 0);
    EXPECT_EQ(fileByte(kMain, kVolumeAt), 70);
    EXPECT_EQ(fileByte(kBackup, kVolumeAt), 70);
    restart();
    int ret = -1;
    const std::string out = console("app.acfg.get_volume", &ret);
    EXPECT_EQ(ret, 0);
    EXPECT_NE(out.find("get_volume(70) success."), std::string::npos) << out;
    EXPECT_EQ(volume(), 70);
}

TEST_F(AcfgTest, ConsoleRowsRefuseAndTruncateAsTheirFamiliesSay)
{
    start();
    struct Case {
        const char* line;
        int result;
        int volumeAfter;  // -1: not looked at
    };
    const Case cases[] = {
        {"app.acfg.set_volume 101", -4, 50},
        {"app.acfg.set_volume 300", 0, 44},  // the low byte
        {"app.acfg.set_volume 100", 0, 100},
        {"app.acfg.volume 33", 0, 33},
        {"app.acfg.set_int 0 300 2", 0, 44},
        {"app.acfg.set_int 0 120 1", -3, 44},
        {"app.acfg.set_int 0 50 3", -4, 44},
        {"app.acfg.set_int 0 50", 1, 44},
        {"app.acfg.set_int 5 1 1", -6, -1},
        {"app.acfg.set_int 63 1 1", -3, -1},
        // An index past the table reaches no item, however many digits it has.
        {"app.acfg.set_int 65536 7 1", -3, 44},
        {"app.acfg.set_int -65536 7 1", -3, 44},
        {"app.acfg.set_int 4294967296 7 1", -3, 44},
        {"app.acfg.get 65536", -12, -1},
        {"app.acfg.get 5", -12, -1},
        {"app.acfg.get 63", -12, -1},
        {"app.acfg.get", 1, -1},
        {"app.acfg.set_curapp 2", -4, -1},
        {"app.acfg.set_curapp 1", 0, -1},
        {"app.acfg.gfns", 0, -1},
        {"app.acfg.gfns x", 1, -1},
        {"app.acfg.store x", 1, -1},
        {"app.acfg.set_ssid", 0, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.line), c.result) << c.line;
        if (c.volumeAfter >= 0) {
            EXPECT_EQ(volume(), c.volumeAfter) << c.line;
        }
    }
    uint8_t curapp = 0;
    EXPECT_EQ(uAcfgGetCurappValue(&curapp), 0);
    EXPECT_EQ(curapp, 1);
}

TEST_F(AcfgTest, ConsoleShowsItemsSizesAndTexts)
{
    start();
    std::string out = console("app.acfg.get 11");
    EXPECT_NE(out.find("HEX: 73 6f 75 6e 64 62 61 72 00 00 00 00 00 00\n"), std::string::npos) << out;
    EXPECT_NE(out.find("INT: 115 111 117 110 100 98 97 114 0 0 0 0 0 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("STR: soundbar......\n"), std::string::npos) << out;

    out = console("app.acfg.gfns");
    EXPECT_NE(out.find("Total size needed for flash : 733"), std::string::npos) << out;

    out = console("app.acfg.list");
    EXPECT_NE(out.find("ENABLE"), std::string::npos);
    EXPECT_NE(out.find("IDX_FLASH_WRITTEN"), std::string::npos);

    EXPECT_EQ(run("app.acfg.ssid abc"), 0) << "the shared abbreviation reaches set_ssid";
    out = console("app.acfg.get_ssid");
    EXPECT_NE(out.find(" get ssid:abc success."), std::string::npos) << out;
    char ssid[ACFG_WLAN_MAC_SIZE] = {};
    EXPECT_EQ(acfgGetWlanMac(ssid), 0);
    EXPECT_EQ(std::string(ssid, sizeof(ssid)), std::string("abc") + std::string(18, '\0'));

    out = console("app.acfg.set_cec_name LivingRoom");
    EXPECT_NE(out.find(" uAcfgCecOsdNameGet cec_name:LivingRoom success."), std::string::npos) << out;
    out = console("app.acfg.set_menulangu english");  // four bytes of it are kept
    EXPECT_NE(out.find(" uAcfgCecMenuLanguGet menulangu:engl success."), std::string::npos) << out;
    out = console("app.acfg.set_cec_config 3");
    EXPECT_NE(out.find(" uAcfgCecConfigGet config:3 success."), std::string::npos) << out;
    out = console("app.acfg.set_key secret");
    EXPECT_NE(out.find(" get key:secret success."), std::string::npos) << out;

    console("app.acfg.sdl n");
    out = console("app.acfg.get_volume");
    EXPECT_EQ(out.find("get_volume(50) success."), std::string::npos) << out;
    out = console("app.acfg.gdl");
    EXPECT_NE(out.find("none"), std::string::npos) << out;
    console("app.acfg.sdl all");
}

TEST_F(AcfgTest, StartUpReplacesRefusedValuesAndClearsTheMute)
{
    writeFilesWith(kVolumeAt, 120);
    start();
    EXPECT_EQ(volume(), 50) << "the refused value is replaced by the default";
    stop();

    writeFilesWith(kVolumeAt, 100);
    sandbox.write(kMain, [&] {
        std::string f = sandbox.read(kMain);
        f[kMuteAt] = 1;
        f[kSourceAt] = 15;
        return f;
    }());
    start();
    EXPECT_EQ(volume(), 100);
    EXPECT_EQ(mute(), 0);
    uint8_t source = 0;
    EXPECT_EQ(uAcfgGetSource(&source), 0);
    EXPECT_EQ(source, 15);
}

TEST_F(AcfgTest, SetAndGetAnswerTheStoreCodes)
{
    start();
    const uint8_t v100 = 100;
    const uint8_t v101 = 101;
    const uint8_t two = 2;
    const uint8_t block[64] = {};
    struct Case {
        uint16_t idx;
        const void* value;
        uint16_t count;
        int32_t result;
    };
    const Case cases[] = {
        {IDX_VOLUME, &v100, 1, 0},
        {IDX_VOLUME, &v101, 1, -3},
        {IDX_NIGHT_VOLUME, &v100, 1, 0},
        {IDX_NIGHT_VOLUME, &v101, 1, -3},
        {IDX_MUTE, &two, 1, -3},
        {IDX_SOURCE, &two, 1, 0},
        {IDX_HW_SPEAKER_CHMAP, block, 1, -6},
        {IDX_USER_SPEAKER_CHMAP, block, 1, -6},
        {63, block, 1, -3},
        {IDX_VOLUME, nullptr, 1, -3},
        {IDX_VOLUME, block, 2, -5},
        {IDX_TREBLE_TIMES, block, 52, 0},
        {IDX_SUR_TIMES, block, 53, -5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(acfgSet(c.idx, c.value, c.count), c.result) << c.idx;
    }
    uint8_t out[64];
    memset(out, 0xAB, sizeof(out));
    uint32_t size = 77;
    EXPECT_EQ(acfgGet(IDX_USER_SPEAKER_CHMAP, out, &size), -6);
    EXPECT_EQ(size, 77u);
    EXPECT_EQ(out[0], 0xAB);
    EXPECT_EQ(acfgGet(63, out, &size), -3);
    EXPECT_EQ(acfgGet(IDX_SUR_TIMES, out, &size), 0);
    EXPECT_EQ(size, 52u);
    EXPECT_EQ(acfgGetSize(IDX_HW_SPEAKER_CHMAP, &size), -5);
    EXPECT_EQ(acfgGetDefault(IDX_CEC_OSD_NAME, out, &size), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), size), std::string("soundbar\0\0\0\0\0\0", 14));
    EXPECT_EQ(acfgSetDefault(63), -3);
}

TEST_F(AcfgTest, BurstOfSetsWritesTheFilesOnceAfterTheLastSet)
{
    acfgSetStoreDelayForTest(kNeverMs);  // what the start arms stays out of the way
    start();
    // Each set must re-arm before the store of the one before it is due; a run in which this
    // thread was held up that long shows nothing and is repeated after a restart, with a longer
    // delay.
    for (const std::chrono::milliseconds delay : {1000ms, 4000ms, 16000ms}) {
        FileWrites writes(sandbox.path("/data/misc"));
        acfgSetStoreDelayForTest(static_cast<uint32_t>(delay.count()));
        Clock::time_point last;
        bool heldUp = false;
        for (uint8_t v = 10; v < 20; ++v) {
            const Clock::time_point before = Clock::now();
            ASSERT_EQ(uAcfgSetVolume(v, 0), 0);
            heldUp = heldUp || (v > 10 && Clock::now() - last >= delay);
            last = before;
            std::this_thread::sleep_for(20ms);
        }
        if (heldUp) {
            acfgSetStoreDelayForTest(kNeverMs);
            restart();
            continue;
        }
        Clock::time_point at;
        ASSERT_TRUE(writes.next("app.cfg", delay + 30s, &at));
        EXPECT_GE(at - last, delay);
        ASSERT_TRUE(writes.next("app.cfg.backup", 30s));
        EXPECT_EQ(fileByte(kMain, kVolumeAt), 19);
        EXPECT_EQ(fileByte(kBackup, kVolumeAt), 19);
        EXPECT_FALSE(writes.next("app.cfg", 1500ms)) << "one write for the whole burst";
        return;
    }
    FAIL() << "held up past a store in every run";
}

TEST_F(AcfgTest, OnlyAcceptedOrCopiedSetsPushTheDelayedStoreBack)
{
    // The first set and the second call arm with different delays, an hour and a short one, so
    // which of them the write follows shows whether the second call re-armed, however fast this
    // thread runs.
    struct Case {
        const char* what;
        int32_t (*second)();
        bool pushesBack;
    };
    const Case cases[] = {
        {"refused value", [] { return uAcfgSetVolume(101, 0); }, false},
        {"count above the item",
         [] {
             const uint8_t two[2] = {1, 1};
             return acfgSet(IDX_VOLUME, two, 2);
         },
         true},
    };
    acfgSetStoreDelayForTest(kNeverMs);
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FileWrites writes(sandbox.path("/data/misc"));
        acfgSetStoreDelayForTest(c.pushesBack ? kNeverMs : kShortMs);
        ASSERT_EQ(uAcfgSetVolume(40, 0), 0);
        acfgSetStoreDelayForTest(c.pushesBack ? kShortMs : kNeverMs);
        const Clock::time_point second = Clock::now();
        EXPECT_NE(c.second(), 0);
        Clock::time_point at;
        ASSERT_TRUE(writes.next("app.cfg", 30s, &at)) << (c.pushesBack ? "not re-armed" : "re-armed");
        if (c.pushesBack) {
            EXPECT_GE(at - second, std::chrono::milliseconds(kShortMs));
        }
        writes.next("app.cfg.backup", 30s);
    }
}

TEST_F(AcfgTest, FlushTimerMessagesAndTheStoreUTimerStoreOnTheAcfgThread)
{
    start();
    ASSERT_EQ(uAcfgSetVolume(61, 0), 0);
    acfgStopTimer();
    FileWrites writes(sandbox.path("/data/misc"));
    ASSERT_EQ(acfgFlush(), 0);  // stored on the acfg thread
    ASSERT_TRUE(writes.next("app.cfg", 30s));
    ASSERT_TRUE(writes.next("app.cfg.backup", 30s));
    EXPECT_EQ(fileByte(kMain, kVolumeAt), 61);

    // A timer expiry with data word 0 stores too; any other word is ignored.
    handle_t self = 0;
    ASSERT_EQ(u_am_get_app_handle_from_name(&self, "acfg"), 0);
    ASSERT_EQ(uAcfgSetVolume(62, 0), 0);
    const uint32_t other = 7;
    ASSERT_EQ(u_app_send_msg(self, E_APP_MSG_TYPE_TIMER, &other, sizeof(other), nullptr, 0), 0);
    EXPECT_FALSE(writes.next("app.cfg", 500ms));
    const uint32_t zero = 0;
    ASSERT_EQ(u_app_send_msg(self, E_APP_MSG_TYPE_TIMER, &zero, sizeof(zero), nullptr, 0), 0);
    ASSERT_TRUE(writes.next("app.cfg", 30s));
    ASSERT_TRUE(writes.next("app.cfg.backup", 30s));
    EXPECT_EQ(fileByte(kMain, kVolumeAt), 62);

    // The private message 0 arms the store u_timer, whose expiry stores on the acfg thread.
    ASSERT_EQ(os_timer_init(), 0);
    ASSERT_EQ(uAcfgSetVolume(63, 0), 0);
    acfgStopTimer();
    acfgSetStoreDelayForTest(300);
    const Clock::time_point armed = Clock::now();
    ASSERT_EQ(acfgSendMsgToSelf(ACFG_PRI_MSG_START_TIMER), 0);
    Clock::time_point at;
    ASSERT_TRUE(writes.next("app.cfg", 30s, &at));
    EXPECT_GE(at - armed, 290ms);
    ASSERT_TRUE(writes.next("app.cfg.backup", 30s));
    EXPECT_EQ(fileByte(kMain, kVolumeAt), 63);
}

TEST_F(AcfgTest, WithoutInitialisationStoresAreRefusedButValuesStillChange)
{
    start();
    acfgSetAppCfgInit(0);
    FileWrites writes(sandbox.path("/data/misc"));
    ASSERT_EQ(uAcfgSetVolume(12, 0), 0);
    EXPECT_EQ(volume(), 12);
    EXPECT_EQ(acfgStore(), -2);
    EXPECT_EQ(run("app.acfg.store"), -12);
    EXPECT_FALSE(writes.next("app.cfg", 300ms));
    EXPECT_EQ(fileByte(kMain, kVolumeAt), 50);
    acfgSetAppCfgInit(1);
}

TEST_F(AcfgTest, VolumeStepsStayWithinRangeAndStepUpUnmutes)
{
    start();
    struct Case {
        uint8_t from;
        bool up;
        uint8_t to;
    };
    const Case cases[] = {{95, true, 100}, {100, true, 100}, {44, true, 50},  {5, false, 0},
                          {6, false, 0},   {7, false, 1},    {100, false, 94}};
    for (const Case& c : cases) {
        ASSERT_EQ(uAcfgSetVolume(c.from, 0), 0);
        ASSERT_EQ(uAcfgSetMute(1), 0);
        EXPECT_EQ(c.up ? uAcfgIncreaseVolume() : uAcfgReduceVolume(), 0);
        EXPECT_EQ(volume(), c.to) << int(c.from) << (c.up ? " up" : " down");
        EXPECT_EQ(mute(), c.up ? 0 : 1);
    }
}

TEST_F(AcfgTest, TypedAccessorsRefuseBadValuesAndNullPointers)
{
    start();
    EXPECT_EQ(uAcfgSetVolume(101, 1), -3);
    EXPECT_EQ(volume(), 50);
    EXPECT_EQ(uAcfgSetSource(15), 0);
    EXPECT_EQ(uAcfgSetSource(16), -3);
    EXPECT_EQ(uAcfgSetMute(2), -3);
    EXPECT_EQ(uAcfgSetCurappValue(2), -3);
    EXPECT_EQ(uAcfgGetVolume(nullptr), -3);
    EXPECT_EQ(uAcfgGetMute(nullptr), -3);
    EXPECT_EQ(uAcfgGetSource(nullptr), -3);
    EXPECT_EQ(uAcfgGetCurappValue(nullptr), -3);
    ASSERT_EQ(uAcfgSetVolume(80, 0), 0);
    EXPECT_EQ(uAcfgSetVolumeDefault(), 0);
    EXPECT_EQ(volume(), 50);
    EXPECT_EQ(uAcfgSetSourceDefault(), 0);
    uint8_t source = 0;
    EXPECT_EQ(uAcfgGetSource(&source), 0);
    EXPECT_EQ(source, 6);
    EXPECT_EQ(uAcfgSetStreamVolume(0, 101), -3);
    EXPECT_EQ(uAcfgSetStreamVolume(0, 100), 0) << "the remote call's failure is only logged";
}

TEST_F(AcfgTest, StreamVolumeReachesTheAudioServer)
{
    const auto pellant = pellanttest::startPellant(sandbox);
    ASSERT_TRUE(pellanttest::waitStarted(sandbox)) << sandbox.read(pellanttest::kPellantOut);
    ASSERT_EQ(vesk_ipc_create(), 0);
    const size_t from = pellanttest::vesk2Log(sandbox).size();
    EXPECT_EQ(uAcfgSetStreamVolume(1, 101), -3);
    EXPECT_EQ(uAcfgSetStreamVolume(1, 0), 0);
    const std::vector<std::string> log = pellanttest::vesk2Log(sandbox);
    ASSERT_EQ(log.size(), from + 1) << "only the accepted volume reaches the server";
    EXPECT_EQ(log.back().rfind("vesk_set_stream_vol_ext 1 ", 0), 0u) << log.back();

    // Read back: what the server last accepted on that stream.
    uint8_t vol = 0xFF;
    EXPECT_EQ(uAcfgGetStreamVolume(1, &vol), 0);
    EXPECT_EQ(vol, 0);
    EXPECT_EQ(uAcfgSetStreamVolume(1, 37), 0);
    EXPECT_EQ(uAcfgSetStreamVolume(1, 140), -3);
    EXPECT_EQ(uAcfgGetStreamVolume(1, &vol), 0);
    EXPECT_EQ(vol, 37);
    EXPECT_EQ(uAcfgGetStreamVolume(1, nullptr), -3);
    vol = 0xFF;
    EXPECT_EQ(uAcfgGetStreamVolume(99, &vol), -5) << "no such stream was ever set";
    EXPECT_EQ(vol, 0xFF);
}

TEST_F(AcfgTest, ReportedVolumeChangeTellsTheAssistant)
{
    // The broker keeps the record until the process ends, past this test's teardown.
    static apptest::TestApp assistant("assistant_stub", 1024);
    ASSERT_EQ(apptest::registerApp(&assistant.record()), 0);
    ASSERT_EQ(u_amb_sync_start_app(assistant.record().acName), 0);
    start();
    ASSERT_EQ(uAcfgSetVolume(42, 1), 0);
    ASSERT_EQ(uAcfgSetMute(1), 0);
    ASSERT_EQ(uAcfgSetVolume(43, 1), 0);
    ASSERT_EQ(uAcfgSetVolume(44, 0), 0);
    ASSERT_TRUE(assistant.waitMessages(2));
    const std::vector<apptest::ReceivedMsg> msgs = assistant.messages();
    ASSERT_EQ(msgs.size(), 2u);
    const uint32_t volumes[] = {42, 0};
    for (size_t i = 0; i < 2; ++i) {
        const std::vector<uint8_t>& d = msgs[i].data;
        EXPECT_EQ(msgs[i].msgId, 9u);
        ASSERT_EQ(d.size(), 520u + 280u);
        appmsg_t head{};
        memcpy(&head, d.data(), sizeof(head));
        EXPECT_EQ(head.ui4_sender_id, 14u);
        EXPECT_EQ(head.ui4_msg_type, 39u);
        const uint8_t* rec = head.aui1_data;
        EXPECT_STREQ(reinterpret_cast<const char*>(rec), "/playback/player_status_change");
        EXPECT_EQ(rec[36] | rec[37] << 8, static_cast<int>(volumes[i]));
        EXPECT_STREQ(reinterpret_cast<const char*>(rec + 40), "stop");
        EXPECT_STREQ(reinterpret_cast<const char*>(rec + 57), "none");
    }
    assistant.stop();
}

TEST_F(AcfgTest, NoticeCarriesOnlyItsPathWhileTheUriOrBluetoothSourcePlays)
{
    // The broker keeps the record until the process ends, past this test's teardown.
    static apptest::TestApp assistant("assistant_stub", 1024);
    ASSERT_EQ(apptest::registerApp(&assistant.record()), 0);
    ASSERT_EQ(u_amb_sync_start_app(assistant.record().acName), 0);
    start();
    struct Case {
        uint32_t source;
        bool filled;
    };
    const Case cases[] = {{SM_SOURCE_BT, false}, {SM_SOURCE_URI, false}, {SM_SOURCE_SPDIF_IN, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        smtest::setUpRecords({{c.source, 0, 1, 0, 1}});
        ASSERT_EQ(uSmGetCurrentSource(), c.source);
        const size_t before = assistant.messages().size();
        ASSERT_EQ(uAcfgSetVolume(33, 1), 0);
        ASSERT_TRUE(assistant.waitMessages(before + 1));
        const std::vector<uint8_t> d = assistant.messages().back().data;
        ASSERT_EQ(d.size(), 520u + 280u);
        const uint8_t* rec = d.data() + 8;  // behind the sender and the type
        EXPECT_STREQ(reinterpret_cast<const char*>(rec), "/playback/player_status_change");
        EXPECT_EQ(rec[36], c.filled ? 33 : 0);
        EXPECT_STREQ(reinterpret_cast<const char*>(rec + 40), c.filled ? "stop" : "");
        EXPECT_STREQ(reinterpret_cast<const char*>(rec + 57), c.filled ? "none" : "");
    }
    smtest::setUpRecords({});
    assistant.stop();
}

TEST_F(AcfgTest, BluetoothCecAndNetworkAccessors)
{
    start();
    uint8_t bt = 0xEE;
    EXPECT_EQ(uCfgSetBluetoothEnable(2), -3);
    EXPECT_EQ(uCfgGetBluetoothEnable(&bt), 0);
    EXPECT_EQ(bt, 0);
    EXPECT_EQ(uCfgSetBluetoothEnable(1), 0);
    EXPECT_EQ(uCfgGetBluetoothEnable(&bt), 0);
    EXPECT_EQ(bt, 1);
    EXPECT_EQ(uCfgSetBluetoothEnableDefault(), 0);
    EXPECT_EQ(uCfgGetBluetoothEnable(&bt), 0);
    EXPECT_EQ(bt, 0);

    char name[ACFG_CEC_OSD_NAME_SIZE];
    EXPECT_EQ(uAcfgCecOsdNameSet("ElevenChars"), 0);
    EXPECT_EQ(uAcfgCecOsdNameGet(name), 0);
    EXPECT_EQ(std::string(name, sizeof(name)), std::string("ElevenChars\0\0\0", 14));
    EXPECT_EQ(uAcfgCecOsdNameSet("TV"), 0);
    EXPECT_EQ(uAcfgCecOsdNameGet(name), 0);
    EXPECT_EQ(std::string(name, sizeof(name)), std::string("TV") + std::string(12, '\0'));
    EXPECT_EQ(uAcfgCecOsdNameSet("A name far longer than fourteen"), 0);
    EXPECT_EQ(uAcfgCecOsdNameGet(name), 0);
    EXPECT_EQ(std::string(name, sizeof(name)), "A name far lon");

    char langu[ACFG_CEC_MENULANGU_SIZE];
    EXPECT_EQ(uAcfgCecMenuLanguSet("e"), 0);
    EXPECT_EQ(uAcfgCecMenuLanguGet(langu), 0);
    EXPECT_EQ(std::string(langu, 4), std::string("e\0\0\0", 4));
    EXPECT_EQ(uAcfgCecMenuLanguSetDefault(), 0);
    EXPECT_EQ(uAcfgCecMenuLanguGet(langu), 0);
    EXPECT_EQ(std::string(langu, 4), std::string("chi\0", 4));

    EXPECT_EQ(uAcfgCecOsdNameSet(nullptr), -3);
    EXPECT_EQ(uAcfgCecMenuLanguSet(nullptr), -3);
    EXPECT_EQ(uAcfgCecConfigSet(nullptr), -3);
    EXPECT_EQ(uAcfgCecMuteSet(nullptr), -3);
    const uint8_t one = 1;
    uint8_t out = 0;
    EXPECT_EQ(uAcfgCecMuteSet(&one), 0);
    EXPECT_EQ(uAcfgCecMuteGet(&out), 0);
    EXPECT_EQ(out, 1);

    char key[ACFG_WLAN_KEY_SIZE];
    EXPECT_EQ(acfgSetWlanKey("k"), 0);  // a short text: nothing read past its end
    EXPECT_EQ(acfgGetWlanKey(key), 0);
    EXPECT_EQ(std::string(key, sizeof(key)), std::string("k") + std::string(64, '\0'));
    AcfgWlanAp ap{};
    ap.aui1Data[139] = 0x5A;
    EXPECT_EQ(acfgSetWlanAp(ap), 0);
    AcfgWlanAp back{};
    EXPECT_EQ(acfgGetWlanAp(&back), 0);
    EXPECT_EQ(back.aui1Data[139], 0x5A);
    EXPECT_EQ(acfgSetWlanApDefault(), 0);
    EXPECT_EQ(acfgGetWlanAp(&back), 0);
    EXPECT_EQ(back.aui1Data[139], 0);

    restart();
    EXPECT_EQ(uAcfgCecOsdNameGet(name), 0);
    EXPECT_EQ(std::string(name, sizeof(name)), "soundbar" + std::string(6, '\0'))
        << "nothing was stored, so the restart brings back what the file holds";
}

TEST_F(AcfgTest, UserParameterRecordFieldsMapOntoTheirItems)
{
    start();
    // Every mapped field set from a record of distinct bytes, then read back into a record of
    // 0xEE: the fields come back (word fields zero-extended), the bytes of no item stay 0xEE.
    AcfgCusFlashParam in{};
    auto* bytes = reinterpret_cast<uint8_t*>(&in);
    for (size_t i = 0; i < sizeof(in); ++i) {
        bytes[i] = static_cast<uint8_t>(i % 7 + 1);  // small: every rule accepts it
    }
    for (uint8_t idx = 0; idx < 70; ++idx) {
        uAcfgCusFlashSet(idx, &in);
    }
    AcfgCusFlashParam out;
    memset(&out, 0xEE, sizeof(out));
    for (uint8_t idx = 0; idx < 70; ++idx) {
        uAcfgCusFlashGet(idx, &out);
    }
    const auto* back = reinterpret_cast<const uint8_t*>(&out);
    const size_t words[] = {8, 16, 20, 24, 80, 84, 96};  // u32 fields of one-byte items
    const size_t unmapped[] = {7, 15, 29, 509, 510, 511};
    for (size_t i = 0; i < sizeof(out); ++i) {
        size_t expected = bytes[i];
        for (size_t w : words) {
            if (i > w && i < w + 4) {
                expected = 0;
            }
        }
        for (size_t u : unmapped) {
            if (i == u) {
                expected = 0xEE;
            }
        }
        EXPECT_EQ(back[i], expected) << "byte " << i;
    }
    EXPECT_EQ(volume(), bytes[70]);
    uint8_t counters[52] = {};
    ASSERT_EQ(acfgGet(IDX_SUR_TIMES, counters, nullptr), 0);
    EXPECT_EQ(memcmp(counters, bytes + 336, 52), 0);
}

// The record's layout as the GUI fixes it: each field's offset and width, the item it holds and
// that item's size in the store. A word field holds a one-byte item.
struct RecordField {
    size_t offset;
    size_t width;
    uint16_t idx;
    uint16_t storeSize;
};
constexpr RecordField kRecordFields[] = {
    {0, 1, IDX_SALES_AREA, 1},          {1, 6, IDX_BT_MAC, 6},
    {8, 4, IDX_SOURCE, 1},              {12, 1, IDX_USB_PLAY_MODE, 1},
    {13, 1, IDX_SURROUND, 1},           {14, 1, IDX_MUTE, 1},
    {16, 4, IDX_EQ, 1},                 {20, 4, IDX_LCD_DIMMER, 1},
    {24, 4, IDX_LED_DIMMER, 1},         {28, 1, IDX_EQ_CUSTOMIZ, 1},
    {30, 20, IDX_STYLE_EQ_POINT, 20},   {50, 20, IDX_CUS_EQ_POINT, 20},
    {70, 1, IDX_VOLUME, 1},             {71, 1, IDX_TONE_VOLUME, 1},
    {72, 1, IDX_SURROUND_VOL, 1},       {73, 1, IDX_BASS, 1},
    {74, 1, IDX_TREBLE, 1},             {75, 1, IDX_SHOPMODE, 1},
    {76, 1, IDX_AUTOWAKE, 1},           {77, 1, IDX_AUTOSTANDBY, 1},
    {78, 1, IDX_AUTOSCREENSAVER, 1},    {79, 1, IDX_BEEP, 1},
    {80, 4, IDX_LATENCY, 1},            {84, 4, IDX_BASS_BOOST, 1},
    {88, 1, IDX_CENTER, 1},             {89, 1, IDX_SURROUND_LEFT, 1},
    {90, 1, IDX_SURROUND_RIGHT, 1},     {91, 1, IDX_HEIGHT, 1},
    {92, 1, IDX_VIRTUAL_X, 1},          {93, 1, IDX_XUPMIX, 1},
    {94, 1, IDX_NIGHT_VOLUME, 1},       {95, 1, IDX_NIGHT_TONE_VOLUME, 1},
    {96, 4, IDX_NIGHT_LCD_DIMMER, 1},   {100, 4, IDX_DEV_BOOT_TIMES, 4},
    {104, 4, IDX_PWR_ON_TIMES, 4},      {108, 4, IDX_PWR_OFF_TIMES, 4},
    {112, 24, IDX_LCD_DIMMER_TIMES, 24}, {136, 4, IDX_MUTE_TIMES, 4},
    {140, 4, IDX_UNMUTE_TIMES, 4},      {144, 4, IDX_BT_BTN_TIMES, 4},
    {148, 32, IDX_EQ_TIMES, 32},        {180, 52, IDX_BASS_TIMES, 52},
    {232, 52, IDX_MID_TIMES, 52},       {284, 52, IDX_TREBLE_TIMES, 52},
    {336, 52, IDX_SUR_TIMES, 52},       {388, 28, IDX_HEIGHT_TIMES, 28},
    {416, 16, IDX_TONE_TIMES, 16},      {432, 44, IDX_VOL_TIMES, 44},
    {476, 24, IDX_SRC_TIMES, 24},       {500, 4, IDX_XUPMIX_ON_TIMES, 4},
    {504, 4, IDX_XUPMIX_OFF_TIMES, 4},  {508, 1, IDX_FLASH_WRITTEN, 1},
};

TEST_F(AcfgTest, EveryRecordFieldIsTheValueOfItsOwnItem)
{
    start();
    for (const RecordField& f : kRecordFields) {
        SCOPED_TRACE("item " + std::to_string(f.idx));
        // Only this field is set, with a value every item's rule accepts (mute takes 0 or 1 only):
        // a field mapped onto another item stores zero there, or stores nothing here.
        AcfgCusFlashParam in{};
        auto* inBytes = reinterpret_cast<uint8_t*>(&in);
        for (size_t i = 0; i < f.storeSize; ++i) {
            inBytes[f.offset + i] = static_cast<uint8_t>(f.idx == IDX_MUTE ? 1 : i + 3);
        }
        uAcfgCusFlashSet(static_cast<uint8_t>(f.idx), &in);
        std::vector<uint8_t> stored(f.storeSize + 8, 0xEE);
        uint32_t size = 0;
        ASSERT_EQ(acfgGet(f.idx, stored.data(), &size), 0);
        ASSERT_EQ(size, f.storeSize);
        EXPECT_EQ(std::vector<uint8_t>(stored.begin(), stored.begin() + f.storeSize),
                  std::vector<uint8_t>(inBytes + f.offset, inBytes + f.offset + f.storeSize));

        // The other way: the item read into a record of 0xEE fills this field and nothing else.
        std::vector<uint8_t> value(f.storeSize);
        for (size_t i = 0; i < f.storeSize; ++i) {
            value[i] = static_cast<uint8_t>(f.idx == IDX_MUTE ? 0 : i + 5);
        }
        ASSERT_EQ(acfgSet(f.idx, value.data(), f.storeSize), 0);
        AcfgCusFlashParam out;
        memset(&out, 0xEE, sizeof(out));
        uAcfgCusFlashGet(static_cast<uint8_t>(f.idx), &out);
        std::vector<uint8_t> expected(sizeof(out), 0xEE);
        std::fill(expected.begin() + static_cast<long>(f.offset),
                  expected.begin() + static_cast<long>(f.offset + f.width), 0);
        std::copy(value.begin(), value.end(), expected.begin() + static_cast<long>(f.offset));
        const auto* outBytes = reinterpret_cast<const uint8_t*>(&out);
        EXPECT_EQ(std::vector<uint8_t>(outBytes, outBytes + sizeof(out)), expected);
    }
}

TEST_F(AcfgTest, UserParameterRecordKeepsOneByteItemsAndTheirRules)
{
    start();
    AcfgCusFlashParam record{};
    record.aud_src = 261;
    uAcfgCusFlashSet(IDX_SOURCE, &record);
    uint8_t source = 0;
    ASSERT_EQ(uAcfgGetSource(&source), 0);
    EXPECT_EQ(source, 5);
    record.aud_src = 0xFFFFFFFF;
    uAcfgCusFlashGet(IDX_SOURCE, &record);
    EXPECT_EQ(record.aud_src, 5u);

    record.vol = 150;
    uAcfgCusFlashSet(IDX_VOLUME, &record);
    EXPECT_EQ(volume(), 50) << "the volume rule refuses it";

    // Items without a field: nothing is stored and nothing of the record changes.
    char ssid[ACFG_WLAN_MAC_SIZE] = {};
    ASSERT_EQ(acfgSetWlanMac("net"), 0);
    AcfgCusFlashParam before;
    memset(&before, 0x5A, sizeof(before));
    AcfgCusFlashParam after = before;
    uAcfgCusFlashSet(IDX_WLAN_AP, &after);
    uAcfgCusFlashGet(IDX_WLAN_MAC, &after);
    EXPECT_EQ(memcmp(&before, &after, sizeof(after)), 0);
    ASSERT_EQ(acfgGetWlanMac(ssid), 0);
    EXPECT_STREQ(ssid, "net");
    uAcfgCusFlashSet(IDX_VOLUME, nullptr);
    uAcfgCusFlashGet(IDX_VOLUME, nullptr);

    record.flash_written = ACFG_CUS_FLASH_WRITTEN;
    uAcfgCusFlashSet(IDX_FLASH_WRITTEN, &record);
    EXPECT_EQ(uAcfgCusFlashFlush(), 0);
    EXPECT_EQ(fileByte(kMain, kSourceAt), 5);
    EXPECT_EQ(sandbox.read(kMain).back(), 'Z');
}

TEST_F(AcfgTest, FactoryResetRemovesTheFilesInOrderAndNothingIsStoredAfterIt)
{
    acfgSetStoreDelayForTest(kShortMs);
    start();
    sandbox.write("/data/mervane/vesk-param.conf", "-v\n40\nx\n");
    sandbox.write("/data/update.zip", "zip");
    ASSERT_EQ(run("app.acfg.factory_reset"), 0);
    EXPECT_EQ(sandbox.quoridLog(), (std::vector<std::string>{
                                       "sync",
                                       "rm -rf /data/misc/app.cfg",
                                       "rm -rf /data/misc/app.cfg.backup",
                                       "rm -rf /data/update.zip",
                                       "rm -rf /data/mervane/gst_dolby.conf",
                                       "rm -rf /data/mervane/dolby-atmos.conf",
                                       "rm -rf /data/mervane/gst_dts.conf",
                                       "rm -rf /data/mervane/dts-x.conf",
                                       "rm -rf /data/mervane/vesk-param.conf",
                                       "sync",
                                       "reboot -f",
                                   }));
    for (const char* gone : {kMain, kBackup, "/data/update.zip", "/data/mervane/vesk-param.conf"}) {
        EXPECT_FALSE(sandbox.exists(gone)) << gone;
    }

    FileWrites writes(sandbox.path("/data/misc"));
    ASSERT_EQ(uAcfgSetVolume(77, 0), 0);
    EXPECT_EQ(volume(), 77) << "the cache still takes sets";
    const std::string out = console("app.acfg.store");
    EXPECT_NE(out.find("Err: store to flash error\n"), std::string::npos) << out;
    EXPECT_EQ(run("app.acfg.store"), -12);
    EXPECT_EQ(uAcfgCusFlashFlush(), -2);
    EXPECT_FALSE(writes.next("app.cfg", std::chrono::milliseconds(3 * kShortMs)));
    EXPECT_FALSE(sandbox.exists(kMain));

    restart();
    EXPECT_EQ(volume(), 50) << "the next start begins from the defaults";
    EXPECT_EQ(sandbox.read(kMain).size(), 2945u);
}

TEST_F(AcfgTest, FactoryResetOfTheCastServiceRemovesAllData)
{
    sandbox.write("/data/misc/other", "x");
    EXPECT_EQ(uAcfgFactoryResetForC4a(), 0);
    EXPECT_EQ(sandbox.quoridLog(), (std::vector<std::string>{"rm -rf /data", "sync", "reboot -f"}));
    EXPECT_FALSE(sandbox.exists("/data"));
    sandbox.setQuoridStatus(-1, "reboot");
    EXPECT_EQ(uAcfgFactoryResetForC4a(), -1) << "a reboot that cannot be run";
}

TEST_F(AcfgTest, CleanApAndResetToDefaults)
{
    start();
    sandbox.write("/data/chrome/a", "x");
    sandbox.write("/data/chrome/.pki/b", "x");
    sandbox.write("/data/misc/connectWeb/c", "x");
    EXPECT_EQ(run("app.acfg.clean_ap"), 0);
    EXPECT_EQ(sandbox.quoridLog(), (std::vector<std::string>{
                                       "rm -r /data/wifi/wpa_supplicant.conf",
                                       "rm -r /data/chrome/*",
                                       "rm -r /data/chrome/.eureka.conf",
                                       "rm -r /data/chrome/.pki",
                                       "rm -r /data/chrome/.config",
                                       "rm -r /data/misc/bluedroid/bt_config.conf",
                                       "rm -r /data/misc/bluedroid/bt_config.bak",
                                       "rm -r /data/ace/kvstorage/map.db",
                                       "rm -rf /data/misc/connectWeb",
                                       "sync",
                                   }));
    EXPECT_FALSE(sandbox.exists("/data/chrome/a"));
    EXPECT_FALSE(sandbox.exists("/data/chrome/.pki"));
    EXPECT_FALSE(sandbox.exists("/data/misc/connectWeb"));

    ASSERT_EQ(uAcfgSetVolume(80, 0), 0);
    ASSERT_EQ(uAcfgSetSource(2), 0);
    ASSERT_EQ(uAcfgCecOsdNameSet("TV"), 0);
    EXPECT_EQ(run("app.acfg.reset x"), 1);
    EXPECT_EQ(volume(), 80);
    const std::string out = console("app.acfg.reset");
    EXPECT_NE(out.find("reset to default success.\n"), std::string::npos) << out;
    EXPECT_EQ(volume(), 50);
    uint8_t source = 0;
    ASSERT_EQ(uAcfgGetSource(&source), 0);
    EXPECT_EQ(source, 6);
    char name[ACFG_CEC_OSD_NAME_SIZE];
    ASSERT_EQ(uAcfgCecOsdNameGet(name), 0);
    EXPECT_EQ(std::string(name, sizeof(name)), "soundbar" + std::string(6, '\0'));
    EXPECT_EQ(uAcfgResetFactoryDefault(), 0);
    EXPECT_TRUE(sandbox.exists(kMain));
    EXPECT_EQ(run("app.acfg.store"), 0);
    EXPECT_EQ(fileByte(kMain, kVolumeAt), 50);
}

TEST_F(AcfgTest, SpeakerMapRowsAnswerThatTheItemIsNotInUse)
{
    start();
    struct Case {
        const char* line;
        int result;
        const char* printed;
    };
    const Case cases[] = {
        {"app.acfg.set_user_speaker 2 0 1", -12, "uAcfgSetUserSpeaker error.\n"},
        {"app.acfg.set_user_speaker 24", -4, "Err: invalid cmd usage."},  // numbers missing
        {"app.acfg.set_user_speaker 25", -4, "channels(25) must less than 24\n"},
        {"app.acfg.set_user_speaker", -4, "Err: invalid cmd usage."},
        {"app.acfg.show_user_speaker", -12, "uAcfgGetUserSpeaker error.\n"},
    };
    for (const Case& c : cases) {
        int ret = 0;
        const std::string out = console(c.line, &ret);
        EXPECT_EQ(ret, c.result) << c.line;
        EXPECT_NE(out.find(c.printed), std::string::npos) << c.line << "\n" << out;
    }
    AcfgSpeakerMap map{};
    EXPECT_EQ(uAcfgSetUserSpeaker(&map), -6);
    EXPECT_EQ(uAcfgGetUserSpeaker(&map), -6);
}

TEST_F(AcfgTest, WifiStatusPrintsTheAddressOrAllOnes)
{
    start();
    sandbox.setQuoridReport("wpa_cli", "wpa_state=COMPLETED\naddress=0a:1B:2c:3D:4e:5F\n");
    std::string out = console("app.acfg.wifi_status");
    EXPECT_NE(out.find("<acfg>get wifiMac is 0x0a 0x1b 0x2c 0x3d 0x4e 0x5f \n"), std::string::npos) << out;
    sandbox.setQuoridStatus(255, "wpa_cli");
    int ret = -1;
    out = console("app.acfg.wifi_status", &ret);
    EXPECT_EQ(ret, 0);
    EXPECT_NE(out.find("<acfg>get wifiMac is 0xff 0xff 0xff 0xff 0xff 0xff \n"), std::string::npos) << out;
}

}  // namespace
