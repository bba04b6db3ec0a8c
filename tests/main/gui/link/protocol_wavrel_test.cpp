// The 5.8 GHz module on the simulated board's I2C bus, through the whole link stack: what the
// wireless-audio wrapper's calls send to the module, what its status polls raise as GUI events and
// Bluetooth frames, pairing, the link-state read and the user id; and the second module's slot,
// which has no device, fed status blocks directly.
#include "main/gui/link/protocol_ats2835.h"
#include "main/gui/link/protocol_wavrel.h"
#include "main/gui/link/wireless_drv.h"
#include "main/gui/link/wrapper_wireless.h"
#include "tests/main/gui/link/link_stack_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using linktest::Bytes;
using linktest::Posted;

namespace {

// The messages the wireless-audio wrapper hands to the hub for slot 1.
struct HubRecord {
    std::mutex lock;
    std::vector<Bytes> msgs;
} gHub;

}  // namespace

extern "C" {
void __real__Z35guiWrapperWirelessProtocolPacketSndjPKhj(uint32_t slot, const uint8_t* msg, uint32_t len);

void __wrap__Z35guiWrapperWirelessProtocolPacketSndjPKhj(uint32_t slot, const uint8_t* msg, uint32_t len)
{
    if (slot == WIRELESS_DEV_E_WAVREL && msg != nullptr) {
        std::lock_guard<std::mutex> guard(gHub.lock);
        gHub.msgs.emplace_back(msg, msg + len);
    }
    __real__Z35guiWrapperWirelessProtocolPacketSndjPKhj(slot, msg, len);
}
}

namespace {

using namespace std::chrono_literals;

// One transfer of the module: its time and "W 14 60 ..." or "R ...".
struct Xfer {
    double at;
    std::string text;
};

const std::string kPoll = "W 14 60 99 00 00 00 00 01";
const std::string kStatusRead = "W 00 b0";

class WavrelTest : public linktest::LinkStackTest {
protected:
    void SetUp() override
    {
        LinkStackTest::SetUp();
        // The records outlive a case: start each from a module just powered on.
        WavrelDb* db = guiWrapperProtocolWavrelDBget();
        db->pairing_sts = 0;
        db->sub_conn_sts = 0;
        db->change_count = 0;
        std::lock_guard<std::mutex> guard(gHub.lock);
        gHub.msgs.clear();
    }

    std::vector<Xfer> xfers(size_t from = 0) const
    {
        std::vector<Xfer> out;
        std::istringstream in(sim.ctl("log i2c"));
        std::string line;
        const std::string key = " bus 3 addr 0x63 ";
        for (size_t n = 0; std::getline(in, line); ++n) {
            const size_t at = line.find(key);
            if (n >= from && at != std::string::npos) {
                out.push_back({std::stod(line.substr(0, at)), line.substr(at + key.size())});
            }
        }
        return out;
    }
    size_t mark() const
    {
        const std::string log = sim.ctl("log i2c");
        return static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
    }
    // The transfers since `from` without the status polls.
    std::vector<std::string> commands(size_t from) const
    {
        std::vector<std::string> out;
        const std::vector<Xfer> all = xfers(from);
        for (size_t i = 0; i < all.size(); ++i) {
            if (all[i].text == kPoll) {
                continue;
            }
            if (all[i].text == kStatusRead) {
                ++i;  // and its 10 bytes
                continue;
            }
            out.push_back(all[i].text);
        }
        return out;
    }
    size_t count(const std::vector<Xfer>& log, const std::string& text) const
    {
        return static_cast<size_t>(
            std::count_if(log.begin(), log.end(), [&text](const Xfer& x) { return x.text == text; }));
    }
    bool waitXfer(const std::string& text, size_t from, size_t times = 1) const
    {
        return apptest::eventually([&] { return count(xfers(from), text) >= times; });
    }
    std::vector<Bytes> hubMsgs() const
    {
        std::lock_guard<std::mutex> guard(gHub.lock);
        return gHub.msgs;
    }
    void clearHub() const
    {
        std::lock_guard<std::mutex> guard(gHub.lock);
        gHub.msgs.clear();
    }
    static void status(std::initializer_list<std::pair<size_t, uint8_t>> bytes, size_t polls)
    {
        std::array<uint8_t, WAVREL_STATUS_LEN> block{};
        for (const auto& b : bytes) {
            block[b.first] = b.second;
        }
        for (size_t i = 0; i < polls; ++i) {
            guiWrapperProtocolWavrelPacketRcv(block.data(), static_cast<uint32_t>(block.size()));
        }
    }
    size_t postedCount(uint16_t id) const
    {
        const std::vector<uint16_t> all = ids();
        return static_cast<size_t>(std::count(all.begin(), all.end(), id));
    }
};

TEST_F(WavrelTest, WrapperCallsBecomeMessagesAndRegisterCommands)
{
    struct Case {
        const char* name;
        std::function<int32_t()> call;
        Bytes msg;  // empty: nothing reaches the hub
        std::vector<std::string> bus;
    };
    const uint8_t one = 1;
    const uint8_t zero = 0;
    const uint8_t five = 5;
    const uint8_t thirteen = 13;
    const uint8_t id[3] = {1, 2, 3};
    const uint8_t seven[7] = {};
    const std::vector<Case> cases = {
        {"power on", [] { return guiWrapperWirelessAudPowerOn(); }, {0}, {"W 14 60 02 00 00 00 00 01"}},
        {"stop pairing", [] { return guiWrapperWirelessAudStopPair(0); }, {8}, {"W 14 60 08 00 00 00 00 01"}},
        {"mute", [&] { return guiWrapperWirelessAudMuteSet(&one); }, {12, 1, 1}, {"W 14 60 f1 00 00 00 00 01"}},
        {"unmute", [&] { return guiWrapperWirelessAudMuteSet(&zero); }, {12, 1, 0}, {"W 14 60 f2 00 00 00 00 01"}},
        {"bypass on", [&] { return guiWrapperWirelessAudBypassSet(&five); }, {15, 1, 1}, {"W 14 60 0d 01 00 00 00 01"}},
        {"bypass off", [&] { return guiWrapperWirelessAudBypassSet(&zero); }, {15, 1, 0}, {"W 14 60 0d 00 00 00 00 01"}},
        {"factory reset", [] { return guiWrapperWirelessAudFactoryReset(0); }, {83}, {"W 14 60 03 00 00 00 00 01"}},
        {"RF band", [] { return guiWrapperWirelesRfBandSet(3); }, {89, 1, 3}, {"W 14 60 f6 03 00 00 00 01"}},
        {"LED on", [] { return guiWrapperWirelesRxLedStsSet(1); }, {92, 1, 0}, {"W 14 60 f5 00 00 00 00 01"}},
        {"LED off", [] { return guiWrapperWirelesRxLedStsSet(0); }, {92, 1, 2}, {"W 14 60 f5 02 00 00 00 01"}},
        {"LED other", [] { return guiWrapperWirelesRxLedStsSet(5); }, {92, 1, 2}, {"W 14 60 f5 02 00 00 00 01"}},
        {"receiver auto-pair", [] { return guiWrapperWirelesRxAutoPairFlagClr(); }, {93}, {"W 14 60 f7 00 00 00 00 01"}},
        {"transmitter auto-pair", [] { return guiWrapperWirelesTxAutoPairFlagClr(); }, {94},
         {"W 14 60 f8 00 00 00 00 01"}},
        {"band get", [] { return guiWrapperWirelesRfBandGet(); }, {90}, {}},
        {"LED get", [] { return guiWrapperWirelesRxLedStsGet(); }, {91}, {}},
        {"USB upgrade", [] { return guiWrapperWirelessAudUsbUpgrade(0); }, {54}, {}},
        {"OTA upgrade", [] { return guiWrapperWirelessAudOtaUpgrade(0); }, {55}, {}},
        {"bass 13", [&] { return guiWrapperWirelessAudBassSet(&thirteen); }, {}, {}},
        {"LED dimmer", [] { return guiWrapperWirelessAudLedDimmerSet(3); }, {}, {}},
        {"user id write", [&] { return guiWrapperWirelessAudUuidWrite(id); }, {87, 3, 1, 2, 3},
         {"W 14 60 e0 3f b0 01 00 01", "W 14 60 e0 3f b1 02 00 01", "W 14 60 e0 3f b2 03 00 01",
          "W 14 60 e2 00 00 00 00 01", "W 14 60 03"}},
        {"six data bytes", [&] { return guiWrapperWirelessAudSndPacket(92, 6, seven); }, {92, 6, 0, 0, 0, 0, 0, 0},
         {"W 14 60 f5 00 00 00 00 01"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearHub();
        const size_t from = mark();
        EXPECT_EQ(0, c.call());
        EXPECT_EQ(c.msg.empty() ? std::vector<Bytes>{} : std::vector<Bytes>{c.msg}, hubMsgs());
        EXPECT_EQ(c.bus, commands(from));
    }

    clearHub();
    const size_t from = mark();
    EXPECT_EQ(-1, guiWrapperWirelessAudSndPacket(92, 7, seven));
    EXPECT_EQ(-1, guiWrapperWirelessAudUuidWrite(nullptr));
    EXPECT_TRUE(hubMsgs().empty());
    EXPECT_TRUE(commands(from).empty());
}

TEST_F(WavrelTest, VolumeSetsKeepTheGainRecordAndHonourTheEqMode)
{
    const uint8_t vol = 50;
    const uint8_t flat = 0;
    const uint8_t style = 6;
    g_wavrel_vol_gain.sur_gain = 4;
    guiWrapperWirelessAudEqSet(&flat);
    const size_t from = mark();
    guiWrapperWirelessAudVolSet(&vol, 0, 9);
    EXPECT_EQ(-89, g_wavrel_vol_gain.sur_gain.load()) << "level 0 switches the surround off";
    EXPECT_EQ(3, g_wavrel_vol_gain.sub_gain.load());
    EXPECT_EQ(50, g_wavrel_vol_gain.sub_volume.load());
    // -89 + 9 dB at volume 50 on the surround, 3 + 12 dB on the subwoofer.
    EXPECT_EQ((std::vector<std::string>{"W 14 60 09 00 00 03 47 01", "W 14 60 0a 02 cf cc 01 01"}), commands(from));

    guiWrapperWirelessAudEqSet(&style);
    clearHub();
    guiWrapperWirelessAudVolSet(&vol, 13, 2);
    EXPECT_EQ((std::vector<Bytes>{{13, 3, 50, 13, 6}}), hubMsgs()) << "EQ mode 6 always sends bass level 6";
    EXPECT_EQ(-89, g_wavrel_vol_gain.sur_gain.load()) << "level 13 keeps the gain";
    EXPECT_EQ(0, g_wavrel_vol_gain.sub_gain.load());
    guiWrapperWirelessAudEqSet(&flat);

    guiWrapperWirelesRxSurVolSet(12);
    EXPECT_EQ(6, g_wavrel_vol_gain.sur_gain.load());
    guiWrapperWirelesRxSubVolSet(1);
    EXPECT_EQ(-5, g_wavrel_vol_gain.sub_gain.load());
}

TEST_F(WavrelTest, PollRunsFromTheHomeTextAndItsLinkChangesBecomeEvents)
{
    guiManagerAppStateSet(0x10);
    const size_t from = mark();
    guiWrapperWirelessAudPowerOn();
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(0u, count(xfers(from), kPoll)) << "power on does not start the poll";

    sim.ctl("wavrel status 6 1");
    sim.ctl("wavrel status 1 12");
    guiWrapperWirelessAudHomeSet(0);
    waitPosted(E_GUI_SYS_EVT_WIRELESS_AUD_STS_4);
    const std::vector<Xfer> log = xfers(from);
    EXPECT_EQ(3u, count(log, kStatusRead)) << "taken on the third differing poll";
    for (size_t i = 0; i + 1 < log.size(); ++i) {
        if (log[i].text == kPoll && i + 2 < log.size()) {
            EXPECT_EQ(kStatusRead, log[i + 1].text);
            EXPECT_GE(log[i + 1].at - log[i].at, 0.95) << "the block is read a second after the poll";
            EXPECT_EQ("R 00 0c 00 00 00 00 01 00 00 00", log[i + 2].text);
        }
    }
    EXPECT_EQ((Bytes{0x82, 0x06, 0x81, 0x2D, 0x01, 0xC8, 0x82, 0x06, 0x81, 0x2D, 0x01, 0xC8}), line(12));
    EXPECT_TRUE(waitXfer("W 14 60 f6 00 00 00 00 01", from)) << "a linked subwoofer resets the RF band";
    char ver[11] = "xxxxxxxxxx";
    guiWrapperWirelessAudTxVersionGet(ver);
    EXPECT_EQ(0, std::memcmp("12\0\0\0\0\0\0\0\0", ver, 10));
}

TEST_F(WavrelTest, LinkEventsNeedThreeDifferingPollsAndASourceState)
{
    struct Case {
        const char* name;
        uint32_t guiState;
        uint8_t pairing;  // status byte 4 while the link drops
        size_t linkedPolls;
        size_t droppedPolls;
        std::vector<uint16_t> posted;
    };
    const std::vector<Case> cases = {
        {"two polls only", 0x10, 0, 2, 0, {}},
        {"linked", 0x10, 0, 3, 0, {E_GUI_SYS_EVT_WIRELESS_AUD_STS_4}},
        {"linked, dropped", 0x10, 0, 3, 3, {E_GUI_SYS_EVT_WIRELESS_AUD_STS_4, E_GUI_SYS_EVT_WIRELESS_AUD_STS_3}},
        {"linked, dropped while pairing", 0x10, 2, 3, 3,
         {E_GUI_SYS_EVT_WIRELESS_AUD_STS_4, E_GUI_SYS_EVT_WIRELESS_AUD_STS_1}},
        {"waking: no source yet", GUI_SYS_STATE_ON, 0, 3, 0, {}},
        {"module upgrade", 0x2000, 0, 3, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gui_->clearMessages();
        guiWrapperProtocolWavrelDBget()->sub_conn_sts = 0;
        guiWrapperProtocolWavrelDBget()->change_count = 0;
        guiManagerAppStateSet(c.guiState);
        status({{1, 7}, {6, 1}, {8, 2}}, c.linkedPolls);
        status({{1, 7}, {4, c.pairing}}, c.droppedPolls);
        if (!c.posted.empty()) {
            waitPosted(c.posted.back());
        }
        std::this_thread::sleep_for(200ms);
        std::vector<uint16_t> wireless;
        for (uint16_t id : ids()) {
            if (id >= E_GUI_SYS_EVT_WIRELESS_AUD_STS_1 && id <= E_GUI_SYS_EVT_WIRELESS_AUD_STS_5) {
                wireless.push_back(id);
            }
        }
        EXPECT_EQ(c.posted, wireless);
        EXPECT_EQ(7, guiWrapperProtocolWavrelDBget()->version[1].load()) << "versions follow every poll";
        EXPECT_EQ(c.droppedPolls == 0 ? 2 : 0, guiWrapperProtocolWavrelDBget()->rf_band.load());
    }
    // The frames of the one drop with byte 4 not 2.
    const Bytes frames = line(48);
    const Bytes down = {0x82, 0x06, 0x81, 0x2D, 0x00, 0xC9, 0x82, 0x06, 0x81, 0x2D, 0x00, 0xC9};
    EXPECT_NE(frames.end(), std::search(frames.begin(), frames.end(), down.begin(), down.end()));
}

TEST_F(WavrelTest, PairingChecksTheModuleParameterFirst)
{
    guiManagerAppStateSet(0x10);
    sim.ctl("wavrel mem 0x3FEA 4");
    size_t from = mark();
    guiWrapperWirelessAudStartPair(0);
    EXPECT_EQ((std::vector<std::string>{"W 14 60 e1 3f ea 00 00 01", "W 14 61", "R 04", "W 14 60 e0 3f ea 05 00 01",
                                        "W 14 60 e2 00 00 00 00 01", "W 14 60 03 00 00 00 00 01",
                                        "W 14 60 07 00 00 00 00 01"}),
              commands(from));
    waitPosted(E_GUI_SYS_EVT_WIRELESS_AUD_STS_1);
    uint32_t sts = 0;
    guiWrapperWirelessAudStsGet(&sts);
    EXPECT_EQ(1u, sts);
    EXPECT_EQ("0x05\n", sim.ctl("wavrel mem 0x3FEA"));

    from = mark();
    guiWrapperWirelessAudStartPair(0);
    EXPECT_EQ((std::vector<std::string>{"W 14 60 e1 3f ea 00 00 01", "W 14 61", "R 05", "W 14 60 07 00 00 00 00 01"}),
              commands(from));
}

TEST_F(WavrelTest, PowerOffEndsAPairingFirstAndStopsThePoll)
{
    for (const bool hold : {false, true}) {
        SCOPED_TRACE(hold ? "held" : "ended");
        sim.ctl(std::string("wavrel hold-pairing ") + (hold ? "on" : "off"));
        sim.ctl("wavrel status 4 2");
        const size_t from = mark();
        guiWrapperWirelessAudHomeSet(0);
        ASSERT_TRUE(apptest::eventually([] { return guiWrapperProtocolWavrelDBget()->pairing_sts.load() == 2; }));
        guiWrapperWirelessAudPowerOff();
        const std::vector<Xfer> log = xfers(from);
        auto exitPair = std::find_if(log.begin(), log.end(), [](const Xfer& x) { return x.text == "W 00 08 00"; });
        auto powerOff =
            std::find_if(log.begin(), log.end(), [](const Xfer& x) { return x.text == "W 14 60 01 00 00 00 00 01"; });
        ASSERT_NE(log.end(), exitPair);
        ASSERT_NE(log.end(), powerOff);
        EXPECT_LT(exitPair, powerOff);
        if (hold) {
            EXPECT_NEAR(3.0, powerOff->at - exitPair->at, 0.5) << "thirty checks 100 ms apart";
        } else {
            EXPECT_LT(powerOff->at - exitPair->at, 2.5) << "the next poll shows the pairing ended";
            EXPECT_EQ(0, guiWrapperProtocolWavrelDBget()->pairing_sts.load());
        }
        const size_t after = mark();
        std::this_thread::sleep_for(1500ms);
        EXPECT_EQ(0u, count(xfers(after), kPoll)) << "no poll after power off";
    }
    sim.ctl("wavrel hold-pairing off");
}

TEST_F(WavrelTest, LinkStateReadTriesFiveRoundsThenTellsTheBluetoothModule)
{
    struct Case {
        uint8_t link;
        size_t rounds;
        Bytes frame;
    };
    for (const Case& c : {Case{0, 5, {0x82, 0x06, 0x81, 0x2D, 0x00, 0xC9}}, Case{1, 1, {0x82, 0x06, 0x81, 0x2D, 0x01, 0xC8}}}) {
        SCOPED_TRACE(static_cast<int>(c.link));
        sim.ctl("wavrel status 6 " + std::to_string(c.link));
        const size_t from = mark();
        guiWrapperWireless5p8ConnectStateRead(0);
        std::vector<std::string> want;
        for (size_t i = 0; i < c.rounds; ++i) {
            want.insert(want.end(), {"W 14 60 88 00 00 00 00 01", "W 14 61",
                                     c.link != 0 ? "R 01 00 00" : "R 00 00 00"});
        }
        EXPECT_EQ(want, commands(from));
        EXPECT_EQ(c.frame, line(6));
        EXPECT_EQ(c.link, guiWrapperProtocolWavrelDBget()->sub_conn_sts.load());
    }
}

TEST_F(WavrelTest, UserIdIsReadFromRamAndTheParameterStore)
{
    sim.ctl("wavrel mem 0x100C 1 2 3");
    sim.ctl("wavrel mem 0x3FB0 7 8 9");
    const size_t from = mark();
    guiWrapperWirelessAudUuidRead(0);
    EXPECT_EQ((std::vector<std::string>{"W 0c 10", "R 01 02 03", "W 14 60 e1 3f b0 00 00 01", "W 14 61", "R 07",
                                        "W 14 60 e1 3f b1 00 00 01", "W 14 61", "R 08", "W 14 60 e1 3f b2 00 00 01",
                                        "W 14 61", "R 09"}),
              commands(from));
    EXPECT_EQ((Bytes{0x82, 0x08, 0x8F, 0x04, 0x01, 0x02, 0x03, 0xDC}), line(8));
    const WavrelDb* db = guiWrapperProtocolWavrelDBget();
    EXPECT_EQ(3, db->ram_uuid[2].load());
    EXPECT_EQ(9, db->flash_uuid[2].load());
}

// Each answer read at 0x6114 has the length of the command it answers: no other thread's command
// came between.
TEST_F(WavrelTest, ThreeThreadsNeverReadAnotherThreadsAnswer)
{
    guiManagerAppStateSet(0x10);
    sim.ctl("wavrel status 6 1");
    sim.ctl("wavrel mem 0x3FEA 5");
    const size_t from = mark();
    guiWrapperWirelessAudHomeSet(0);
    std::thread pairing([] {
        for (int i = 0; i < 3; ++i) {
            guiWrapperWirelessAudStartPair(0);
            guiWrapperWirelessAudStopPair(0);
        }
    });
    std::thread volume([] {
        for (uint8_t v = 0; v < 20; ++v) {
            guiWrapperWirelessAudVolSet(&v, 6, 6);
            guiWrapperProtocolWavrelVersionRead();
        }
    });
    std::thread link([] {
        for (int i = 0; i < 10; ++i) {
            guiWrapperWireless5p8ConnectStateRead(0);
            guiWrapperWirelessAudUuidRead(0);
        }
    });
    pairing.join();
    volume.join();
    link.join();
    guiWrapperWirelessAudPowerOff();

    const std::vector<Xfer> log = xfers(from);
    size_t answered = 0;
    size_t want = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        const std::string& t = log[i].text;
        if (t.rfind("W 14 60 81", 0) == 0) {
            want = 2;
        } else if (t.rfind("W 14 60 88", 0) == 0) {
            want = 3;
        } else if (t.rfind("W 14 60 e1", 0) == 0) {
            want = 1;
        } else if (t == "W 14 61") {
            ASSERT_LT(i + 1, log.size());
            const size_t got = (log[i + 1].text.size() - 1) / 3;
            EXPECT_EQ(want, got) << "read " << log[i + 1].text << " at transfer " << i;
            want = 0;
            ++answered;
        }
    }
    EXPECT_EQ(3u + 20u + 10u + 30u, answered);
    EXPECT_GT(count(log, kPoll), 0u);
}

TEST_F(WavrelTest, ModuleModelIsOnTheBusFromTheStart)
{
    EXPECT_NE(std::string::npos, sim.ctl("help").find("wavrel hold-pairing on|off"));
    sim.ctl("i2c remove 3 0x63");
    std::string out;
    EXPECT_FALSE(sim.control("wavrel status 6 1", &out));
    EXPECT_EQ(0, guiWrapperProtocolWavrelCmdSet(0x02, nullptr)) << "not acknowledged";
    sim.ctl("i2c add 3 0x63 wavrel");
    sim.ctl("wavrel status 1 3");
    EXPECT_EQ("00 03 00 00 00 00 00 00 00 00\n", sim.ctl("wavrel status"));
    EXPECT_EQ(1, guiWrapperProtocolWavrelCmdSet(0x02, nullptr));
}

class Ats2835Test : public linktest::LinkStackTest {
protected:
    void SetUp() override
    {
        LinkStackTest::SetUp();
        Ats2835Db* db = guiWrapperProtocolAts2835DBget();
        db->pairing = 0;
        db->ota = 0;
        for (size_t r = 0; r < 3; ++r) {
            db->connected[r] = 0;
            db->debounce[r] = 0;
            db->progress[r] = 0;
        }
    }
    static void block(std::initializer_list<std::pair<size_t, uint8_t>> bytes, size_t len = ATS2835_STATUS_LEN)
    {
        Bytes b(len, 0);
        for (const auto& v : bytes) {
            b[v.first] = v.second;
        }
        guiWrapperProtocolAts2835PacketRcv(b.data(), static_cast<uint32_t>(b.size()));
    }
};

TEST_F(Ats2835Test, PairingKeyWithTheFlagClearReportsPairingWithoutABusTransfer)
{
    guiManagerAppStateSet(0x10);
    const std::string before = sim.ctl("log i2c");
    const uint8_t pair = 7;
    guiWrapperWirelessProtocolPacketSnd(WIRELESS_DEV_E_ATS2835, &pair, 1);
    waitPosted(E_GUI_SYS_EVT_WIRELESS_AUD_STS_1);
    EXPECT_EQ(before, sim.ctl("log i2c"));

    // Pairing with every receiver linked reports them all linked and nothing else.
    block({{5, 1}, {6, 1}, {7, 1}, {9, 1}}, ATS2835_STATUS_LEN);
    block({{5, 1}, {6, 1}, {7, 1}, {9, 1}}, ATS2835_STATUS_LEN);
    waitPosted(E_GUI_SYS_EVT_WIRELESS_AUD_STS_5);
    gui_->clearMessages();
    guiWrapperWirelessProtocolPacketSnd(WIRELESS_DEV_E_ATS2835, &pair, 1);
    waitPosted(E_GUI_SYS_EVT_WIRELESS_AUD_STS_5);
    EXPECT_EQ(std::vector<uint16_t>{E_GUI_SYS_EVT_WIRELESS_AUD_STS_5}, ids());
}

TEST_F(Ats2835Test, ConnectionsNeedTwoBlocksAndTheNewConnectionMark)
{
    guiManagerAppStateSet(0x10);
    block({{5, 1}});
    block({});
    block({{5, 1}, {15, 1}}, ATS2835_STATUS_LEN - 1);  // a short burst is dropped
    block({{5, 1}});
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(ids().empty()) << "one block only, never two in a row";
    EXPECT_EQ(0, guiWrapperProtocolAts2835DBget()->connected[0].load());

    block({{5, 1}, {15, 1}});
    EXPECT_EQ(1, guiWrapperProtocolAts2835DBget()->connected[0].load());
    EXPECT_EQ(Bytes{0}, waitPosted(E_GUI_SYS_EVT_WIRELESS_AUD_STS_4).payload);
    EXPECT_EQ((Bytes{0x82, 0x06, 0x81, 0x2D, 0x01, 0xC8, 0x82, 0x06, 0x81, 0x2D, 0x01, 0xC8}), line(12));

    // Linked without the mark: taken, but no event.
    gui_->clearMessages();
    block({{5, 1}, {6, 1}});
    block({{5, 1}, {6, 1}});
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(1, guiWrapperProtocolAts2835DBget()->connected[1].load());
    EXPECT_TRUE(ids().empty());
}

TEST_F(Ats2835Test, OtaProgressIsOneEventPerBlock)
{
    guiManagerAppStateSet(0x10);
    const uint8_t otaStart = 0x37;
    guiWrapperWirelessProtocolPacketSnd(WIRELESS_DEV_E_ATS2835, &otaStart, 1);
    EXPECT_EQ(0xFF, guiWrapperProtocolAts2835DBget()->progress[1].load());
    block({{12, 10}, {13, 20}, {14, 0xFF}});
    const Posted first = waitPosted(E_GUI_SYS_EVT_UPGRADE_PERCENT);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(1u, ids().size()) << "one event for the block";
    block({{12, 10}, {13, 20}, {14, 0xFF}});
    const Posted second = waitPosted(E_GUI_SYS_EVT_UPGRADE_PERCENT, 2);
    EXPECT_EQ((Bytes{4, 0, 0, 0, 10, 0, 0, 0}), first.payload) << "subwoofer first";
    EXPECT_EQ((Bytes{5, 0, 0, 0, 20, 0, 0, 0}), second.payload) << "left surround one block later";

    // A second start changes nothing while the upgrade runs.
    guiWrapperWirelessProtocolPacketSnd(WIRELESS_DEV_E_ATS2835, &otaStart, 1);
    EXPECT_EQ(20, guiWrapperProtocolAts2835DBget()->progress[1].load());
}

}  // namespace
