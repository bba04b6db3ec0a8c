// The phone app's protocol without the line: the parser on bursts of exactly their size, the
// framer and both senders, every row of the command table and of the four value tables from frame
// to reply and module event, the EQ conversions, the usage report, and the notification calls.
#include "main/gui/link/protocol_brontal.h"
#include "main/gui/link/wireless_drv.h"
#include "main/gui/link/wrapper_brontal.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/wrapper_bt.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "tests/main/gui/link/brontal_report_check.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

// The usage counters' stand-in takes the values a test sets.
void guiTrackingStandinSet(uint32_t category, uint8_t item, uint32_t value);
void guiTrackingStandinClear(void);
uint32_t guiTrackingGet(uint32_t category, uint8_t item);

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

struct Event {
    uint16_t evt;
    Bytes param;
    bool operator==(const Event& o) const { return evt == o.evt && param == o.param; }
};

std::vector<Bytes> gWrites;
std::vector<Clock::time_point> gWriteTimes;
std::vector<Event> gEvents;
uint8_t gPowerOn = 0;

int32_t recordWrite(uint16_t, const uint8_t* buf, uint32_t len)
{
    gWrites.emplace_back(buf, buf + len);
    gWriteTimes.push_back(Clock::now());
    return static_cast<int32_t>(len);
}

// As many bytes of the parameter as the hub reads for the event.
size_t paramSize(uint16_t evt)
{
    switch (evt) {
    case 0: case 1: case 85: case 97:
        return 0;
    case 3: case 4: case 5:
        return 2;
    case 15:
        return sizeof(BrontalCusEq);
    default:
        return 1;
    }
}

void recordEvent(uint16_t evt, const uint8_t* param)
{
    const size_t n = param != nullptr ? paramSize(evt) : 0;
    gEvents.push_back({evt, Bytes(param, param + n)});
}

void guiSetting(GuiWidgetSetting* out)
{
    *out = GuiWidgetSetting{};
    out->pwr_on = gPowerOn;
}

uint8_t sum(uint8_t group, uint8_t id, const Bytes& payload)
{
    unsigned s = 0xAA + group + id;
    for (uint8_t b : payload) {
        s += b;
    }
    return static_cast<uint8_t>(s);
}

Bytes frame(uint8_t head, uint8_t group, uint8_t id, const Bytes& payload)
{
    Bytes f = {head, static_cast<uint8_t>(payload.size() & 0xFF), static_cast<uint8_t>(payload.size() >> 8), group, id};
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(sum(group, id, payload));
    return f;
}

Bytes in(uint8_t group, uint8_t id, const Bytes& payload = {})
{
    return frame(0xAA, group, id, payload);
}

Bytes out(uint8_t group, uint8_t id, const Bytes& payload)
{
    return frame(0xBB, group, id, payload);
}

// The burst in a heap block of exactly its size, so a read past it is caught.
void receive(const Bytes& burst)
{
    auto block = std::make_unique<uint8_t[]>(burst.size());
    std::memcpy(block.get(), burst.data(), burst.size());
    guiWrapperProtocolBrontalPacketRcv(block.get(), static_cast<uint32_t>(burst.size()));
}

int64_t msSince(Clock::time_point t0)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
}

class BrontalTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        gWrites.clear();
        gEvents.clear();
        gPowerOn = 1;
        guiTrackingStandinClear();
        const GuiWirelessDevOps ops{nullptr, nullptr, nullptr, recordWrite};
        guiWrapperWirelessDrvRegister(WIRELESS_DEV_E_ATS2853, &ops);
        guiWrapperProtocolBrontalRcvRegisterCbk(recordEvent);
        guiWrapperProtocolBrontalGuiGetRegister(guiSetting, guiTrackingGet);
        saved = *guiWrapperSettingRecord();
        GuiWrapperSetting& s = *guiWrapperSettingRecord();
        s.eq_mode = 0;
        s.vol = 20;
        s.aud_src = 2;
        s.mute_sts = 0;
        s.tone_vol = 7;
        s.lcd_dimmer_lvl = 0x103;
        s.led_dimmer_lvl = 2;
        s.auto_standby = 2;
        s.auto_screensaver = 1;
    }
    void TearDown() override
    {
        *guiWrapperSettingRecord() = saved;
        guiWrapperProtocolBrontalGuiGetRegister(nullptr, nullptr);
        guiWrapperWirelessDrvUnRegister(WIRELESS_DEV_E_ATS2853);
    }

    GuiWrapperSetting saved{};
};

TEST_F(BrontalTest, ParserTakesOnlyTheFrameAtTheStartWithinTheBytesReceived)
{
    Bytes full = in(0x02, 0x03, Bytes(255, 0x01));
    Bytes tooLong = full;
    tooLong[1] = 0x00;
    tooLong[2] = 0x01;  // 256
    tooLong.push_back(0x00);
    Bytes wraps = in(0x02, 0x03, {0x14});
    wraps[1] = 0xFF;
    wraps[2] = 0xFF;
    Bytes badSum = in(0x02, 0x03, {0x14});
    badSum.back() ^= 1;
    Bytes two = in(0x01, 0x07);
    const Bytes second = in(0x01, 0x06);
    two.insert(two.end(), second.begin(), second.end());
    Bytes cut = in(0x02, 0x03, {0x14, 0x15});
    cut.pop_back();
    struct Case {
        const char* what;
        Bytes burst;
        int32_t ret;
        uint8_t id;
        uint16_t len;
    };
    const std::vector<Case> cases = {
        {"one payload byte", in(0x02, 0x03, {0x14}), 0, 0x03, 1},
        {"no payload: the fifth byte is the checksum", in(0x01, 0x07), 0, 0x07, 0},
        {"255 payload bytes", full, 0, 0x03, 255},
        {"256 payload bytes", tooLong, -1, 0, 0},
        {"a length of 0xFFFF does not wrap", wraps, -1, 0, 0},
        {"bad checksum", badSum, -1, 0, 0},
        {"two frames: the first", two, 0, 0x07, 0},
        {"cut before its checksum", cut, -1, 0, 0},
        {"shorter than any frame", {0xAA, 0x00, 0x00, 0x01, 0x07}, -1, 0, 0},
        {"all garbage", Bytes(40, 0x55), -1, 0, 0},
    };
    for (const Case& c : cases) {
        auto block = std::make_unique<uint8_t[]>(c.burst.size());
        std::memcpy(block.get(), c.burst.data(), c.burst.size());
        BrontalPacket pkt{};
        EXPECT_EQ(c.ret, guiWrapperProtocolBrontalUnPack(&pkt, block.get(), static_cast<uint32_t>(c.burst.size())))
            << c.what;
        if (c.ret == 0) {
            EXPECT_EQ(c.id, pkt.id) << c.what;
            EXPECT_EQ(c.len, pkt.len) << c.what;
            EXPECT_EQ(c.burst[5 + c.len], pkt.chk) << c.what;
        }
    }
    EXPECT_EQ(1u, guiWrapperProtocolBrontalHeadChk(0, Bytes{0xAA}.data()));
    EXPECT_EQ(1u, guiWrapperProtocolBrontalHeadChk(1, Bytes{0xBB}.data()));
    EXPECT_EQ(0u, guiWrapperProtocolBrontalHeadChk(1, Bytes{0xAA}.data()));
    EXPECT_EQ(0xAA, guiWrapperProtocolBrontalChkSum(nullptr, 6));
    EXPECT_EQ(0xAA, guiWrapperProtocolBrontalChkSum(Bytes{0xBB, 0, 0}.data(), 3));
}

TEST_F(BrontalTest, BurstsOfOtherProtocolsCutFramesAndRowsWithoutHandlerAreDropped)
{
    receive({0x28, 0x06, 0x21, 0x02, 0x00, 0xAE});
    // A frame cut across two bursts: neither half is parsed, and the next good frame is.
    const Bytes whole = in(0x02, 0x03, {0x30});
    receive(Bytes(whole.begin(), whole.begin() + 4));
    receive(Bytes(whole.begin() + 4, whole.end()));
    receive(in(0x01, 0x01));
    receive(in(0x02, 0x01, {0x01}));
    receive(in(0x03, 0x01, {0x01}));
    EXPECT_TRUE(gEvents.empty());
    EXPECT_TRUE(gWrites.empty());
    receive(whole);
    EXPECT_EQ((std::vector<Event>{{13, {0x30}}}), gEvents);
}

TEST_F(BrontalTest, FramerAndDirectSenderWriteOneFrameOfAtMost255PayloadBytes)
{
    guiWrapperProtocolBrontalSndPacket(0x02, 0x03, 1, Bytes{0x14}.data());
    ASSERT_EQ(1u, gWrites.size());
    EXPECT_EQ((Bytes{0xBB, 0x01, 0x00, 0x02, 0x03, 0x14, 0xC3}), gWrites[0]);

    const Bytes big(255, 0x02);
    guiWrapperProtocolBrontalSndPacket(0x01, 0x08, 255, big.data());
    ASSERT_EQ(2u, gWrites.size());
    EXPECT_EQ(out(0x01, 0x08, big), gWrites[1]);

    BrontalPacket pkt{};
    pkt.len = 256;
    __guiWrapperProtocolBrontalPacketSnd(&pkt);
    const Bytes huge(1024, 0x01);
    guiWrapperProtocolBrontalSndPacket(0x01, 0x08, 1023, huge.data());
    guiWrapperProtocolBrontalSndPacket(0x01, 0x08, 1024, huge.data());
    EXPECT_EQ(2u, gWrites.size()) << "256 bytes and more are refused";
}

TEST_F(BrontalTest, TheHubSenderPacesEverySlot0MessageAndTakesOnlyItsOwn)
{
    const Bytes payload(42, 0x11);
    auto t0 = Clock::now();
    EXPECT_EQ(0, guiWrapperBrontalSndPacket(0x02, 0x03, 42, payload.data()));
    EXPECT_GE(msSince(t0), 50);
    ASSERT_EQ(1u, gWrites.size());
    EXPECT_EQ(out(0x02, 0x03, payload), gWrites[0]);

    EXPECT_EQ(-1, guiWrapperBrontalSndPacket(0x02, 0x03, 43, Bytes(43, 0x11).data()));
    EXPECT_EQ(1u, gWrites.size());

    // The Bluetooth module's own message is framed by its protocol only, and paced here too.
    t0 = Clock::now();
    EXPECT_EQ(0, guiWrapperBtSndPacket(0x81, 0x2D, 1, Bytes{1}.data()));
    EXPECT_GE(msSince(t0), 50);
    ASSERT_EQ(2u, gWrites.size());
    EXPECT_EQ(0x82, gWrites[1][0]);
}

// One row of the command table as the app drives it.
struct Row {
    const char* what;
    Bytes frameIn;
    std::vector<Bytes> replies;
    std::vector<Event> events;
};

void runRows(const std::vector<Row>& rows)
{
    for (const Row& r : rows) {
        gWrites.clear();
        gEvents.clear();
        receive(r.frameIn);
        EXPECT_EQ(r.replies, gWrites) << r.what;
        EXPECT_EQ(r.events, gEvents) << r.what;
    }
}

TEST_F(BrontalTest, EveryCommandRowAnswersOrRaisesItsEvent)
{
    Bytes standbyChoices = {60, 0, 9, 0, 0};
    for (uint16_t m : {15, 30, 60, 240, 480, 720, 1440, 2880}) {
        standbyChoices.push_back(static_cast<uint8_t>(m & 0xFF));
        standbyChoices.push_back(static_cast<uint8_t>(m >> 8));
    }
    const std::vector<Row> rows = {
        {"get source", in(1, 0x06), {out(1, 0x06, {1})}, {}},
        {"get volume", in(1, 0x07), {out(1, 0x07, {20})}, {}},
        {"get EQ of a preset: its mode", in(1, 0x08), {out(1, 0x08, {2})}, {}},
        {"get tone volume", in(1, 0x0A), {out(1, 0x0A, {7})}, {}},
        {"get standby code", in(1, 0x0B), {out(1, 0x0B, {3})}, {}},
        {"get screensaver", in(1, 0x0C), {out(1, 0x0C, {2})}, {}},
        {"get power", in(1, 0x0D), {out(1, 0x0D, {1})}, {}},
        {"get sound on", in(1, 0x0E), {out(1, 0x0E, {1})}, {}},
        {"get display dimmer: its low byte", in(1, 0x0F), {out(1, 0x0F, {3})}, {}},
        {"get LED dimmer", in(1, 0x10), {out(1, 0x10, {2})}, {}},
        {"get standby minutes and choices", in(1, 0x17), {out(1, 0x17, standbyChoices)}, {}},
        {"get upmix", in(1, 0x18), {out(1, 0x18, {0})}, {}},
        {"set the source in use: echoed", in(2, 0x02, {1}), {out(2, 0x02, {1})}, {}},
        {"set another source", in(2, 0x02, {5}), {}, {{10, {1}}}},
        {"set the volume in use: echoed", in(2, 0x03, {20}), {out(2, 0x03, {20})}, {}},
        {"set another volume", in(2, 0x03, {30}), {}, {{13, {30}}}},
        {"set tone volume", in(2, 0x06, {9}), {}, {{14, {9}}}},
        {"set standby code", in(2, 0x07, {6}), {out(2, 0x07, {6})}, {{2, {3}}}},
        {"set screensaver", in(2, 0x08, {0}), {}, {{3, {3, 0}}}},
        {"power on", in(2, 0x09, {1}), {}, {{0, {}}}},
        {"power idle", in(2, 0x09, {0}), {}, {{1, {}}}},
        {"sound on", in(2, 0x0A, {1}), {}, {{12, {0}}}},
        {"sound off", in(2, 0x0A, {0}), {}, {{12, {1}}}},
        {"factory reset", in(2, 0x0B), {}, {{85, {}}}},
        {"set display dimmer", in(2, 0x0C, {4}), {}, {{4, {4, 0}}}},
        {"set LED dimmer", in(2, 0x0E, {1}), {}, {{5, {1, 0}}}},
        {"100 minutes: never", in(2, 0x15, {100, 0}), {out(2, 0x15, {0, 0})}, {{2, {8}}}},
        {"2880 minutes", in(2, 0x15, {0x40, 0x0B}), {out(2, 0x15, {0x40, 0x0B})}, {{2, {7}}}},
        {"set upmix", in(2, 0x16, {1}), {}, {{95, {1}}}},
        {"number of report categories", in(4, 0x01), {out(4, 0x01, {19, 0})}, {}},
        {"clear usage counters", in(4, 0x03), {}, {{97, {}}}},
    };
    runRows(rows);

    gPowerOn = 0;
    guiWrapperSettingRecord()->mute_sts = 1;
    runRows({{"get power while idle", in(1, 0x0D), {out(1, 0x0D, {0})}, {}},
             {"get sound on while muted", in(1, 0x0E), {out(1, 0x0E, {0})}, {}}});
}

// {device, app} rows as the app's documentation gives them; the unknown pair last.
struct Pair {
    uint8_t device;
    uint8_t app;
};

const std::vector<Pair> kSrcPairs = {{0, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 4}, {1, 5}};
const std::vector<Pair> kStandbyPairs = {{8, 0}, {0, 1}, {1, 2}, {2, 3}, {3, 6}, {4, 7}, {5, 8}, {6, 4}, {7, 5}};
const std::vector<Pair> kScreensaverPairs = {{0, 1}, {1, 2}, {2, 3}, {3, 0}};
const std::vector<Pair> kEqPairs = {{0, 2}, {1, 1}, {2, 6}, {3, 3}, {4, 4}, {5, 5}, {6, 7}, {7, 8}};

int appOf(const std::vector<Pair>& pairs, uint32_t device)
{
    for (const Pair& p : pairs) {
        if (p.device == device) {
            return p.app;
        }
    }
    return -1;
}

int deviceOf(const std::vector<Pair>& pairs, uint8_t app)
{
    for (const Pair& p : pairs) {
        if (p.app == app) {
            return p.device;
        }
    }
    return -1;
}

TEST_F(BrontalTest, EveryRowOfTheValueTablesBothWays)
{
    std::vector<Row> rows;
    auto name = [](const char* what, int v) { return std::string(what) + " " + std::to_string(v); };
    std::vector<std::string> names;  // the rows keep pointers to these
    names.reserve(200);
    for (uint32_t d = 0; d < 10; ++d) {
        guiWrapperSettingRecord()->aud_src = d;
        guiWrapperSettingRecord()->auto_standby = d;
        guiWrapperSettingRecord()->auto_screensaver = d;
        const int src = appOf(kSrcPairs, d);
        const int standby = appOf(kStandbyPairs, d);
        const int saver = appOf(kScreensaverPairs, d);
        names.push_back(name("get device source/standby/screensaver", static_cast<int>(d)));
        runRows({{names.back().c_str(), in(1, 0x06), src < 0 ? std::vector<Bytes>{} : std::vector<Bytes>{out(1, 0x06, {uint8_t(src)})}, {}},
                 {names.back().c_str(), in(1, 0x0B), standby < 0 ? std::vector<Bytes>{} : std::vector<Bytes>{out(1, 0x0B, {uint8_t(standby)})}, {}},
                 {names.back().c_str(), in(1, 0x0C), saver < 0 ? std::vector<Bytes>{} : std::vector<Bytes>{out(1, 0x0C, {uint8_t(saver)})}, {}}});
    }
    guiWrapperSettingRecord()->aud_src = 99;  // every mapped source differs from it
    for (uint8_t a = 0; a < 20; ++a) {
        const int src = a == 16 ? 0 : deviceOf(kSrcPairs, a);
        const int standby = deviceOf(kStandbyPairs, a);
        const int saver = deviceOf(kScreensaverPairs, a);
        names.push_back(name("set app value", a));
        const char* what = names.back().c_str();
        rows.push_back({what, in(2, 0x02, {a}), {}, src < 0 ? std::vector<Event>{} : std::vector<Event>{{10, {uint8_t(src)}}}});
        rows.push_back({what, in(2, 0x07, {a}), standby < 0 ? std::vector<Bytes>{} : std::vector<Bytes>{out(2, 0x07, {a})},
                        standby < 0 ? std::vector<Event>{} : std::vector<Event>{{2, {uint8_t(standby)}}}});
        rows.push_back({what, in(2, 0x08, {a}), {}, saver < 0 ? std::vector<Event>{} : std::vector<Event>{{3, {uint8_t(saver), 0}}}});
    }
    runRows(rows);

    for (uint8_t v = 0; v < 12; ++v) {
        uint8_t device = v;
        uint8_t app = 0xEE;
        const int wantApp = appOf(kEqPairs, v);
        EXPECT_EQ(wantApp < 0 ? -1 : 0, guiWrapperProtocolBrontalEqModePareScaler(1, &device, &app)) << int(v);
        EXPECT_EQ(wantApp < 0 ? 9 : wantApp, app) << int(v);
        app = v;
        device = 0xEE;
        const int wantDevice = deviceOf(kEqPairs, v);
        EXPECT_EQ(wantDevice < 0 ? -1 : 0, guiWrapperProtocolBrontalEqModePareScaler(0, &device, &app)) << int(v);
        EXPECT_EQ(wantDevice < 0 ? 8 : wantDevice, device) << int(v);
    }
}

BrontalCusEq curve(uint32_t mode, int16_t base)
{
    BrontalCusEq eq{};
    eq.mode = mode;
    for (uint32_t i = 0; i < BRONTAL_EQ_BANDS; ++i) {
        eq.band[i] = {gBrontalEqFreq[i], static_cast<int16_t>(base + static_cast<int16_t>(i))};
    }
    return eq;
}

Bytes points(const std::vector<std::pair<uint16_t, int16_t>>& pts, uint8_t appMode)
{
    Bytes p = {appMode};
    for (const auto& [f, g] : pts) {
        p.push_back(static_cast<uint8_t>(f & 0xFF));
        p.push_back(static_cast<uint8_t>(f >> 8));
        p.push_back(static_cast<uint8_t>(static_cast<uint16_t>(g) & 0xFF));
        p.push_back(static_cast<uint8_t>(static_cast<uint16_t>(g) >> 8));
    }
    return p;
}

TEST_F(BrontalTest, EqPointsFromTheAppAreMatchedByOrderOrFrequency)
{
    std::vector<std::pair<uint16_t, int16_t>> ten;
    for (int i = 0; i < 10; ++i) {
        ten.emplace_back(static_cast<uint16_t>(7 + i), static_cast<int16_t>(-20 - i));
    }
    auto eleven = ten;
    eleven.emplace_back(31, -99);
    struct Case {
        const char* what;
        Bytes payload;
        uint32_t mode;
        std::vector<int16_t> gains;
    };
    const std::vector<Case> cases = {
        {"mode only", {8}, 7, {100, 101, 102, 103, 104, 105, 106, 107, 108, 109}},
        {"three points by frequency", points({{31, -5}, {1000, 6}, {16000, -7}}, 8), 7,
         {-5, 101, 102, 103, 104, 6, 106, 107, 108, -7}},
        {"an unknown frequency is passed over", points({{33, -5}, {62, -3}}, 8), 7,
         {100, -3, 102, 103, 104, 105, 106, 107, 108, 109}},
        {"ten points in order, frequencies ignored", points(ten, 7), 6,
         {-20, -21, -22, -23, -24, -25, -26, -27, -28, -29}},
        {"eleven points keep every gain", points(eleven, 8), 7, {100, 101, 102, 103, 104, 105, 106, 107, 108, 109}},
        {"a preset mode", points({{31, -5}}, 2), 0, {-5, 101, 102, 103, 104, 105, 106, 107, 108, 109}},
    };
    for (const Case& c : cases) {
        BrontalCusEq eq = curve(0xFF, 100);
        for (auto& b : eq.band) {
            b.freq = 0;  // the conversion writes the band frequencies itself
        }
        BrontalPacket pkt{};
        pkt.len = static_cast<uint16_t>(c.payload.size());
        std::memcpy(pkt.payload, c.payload.data(), c.payload.size());
        guiWrapperProtocolBrontalEqGainPareScaler(0, &eq, &pkt);
        EXPECT_EQ(c.mode, eq.mode) << c.what;
        for (uint32_t i = 0; i < BRONTAL_EQ_BANDS; ++i) {
            EXPECT_EQ(gBrontalEqFreq[i], eq.band[i].freq) << c.what;
            EXPECT_EQ(c.gains[i], eq.band[i].gain) << c.what << " band " << i;
        }
    }
}

Bytes appEq(uint8_t appMode, const BrontalCusEq& eq)
{
    Bytes p = {appMode};
    for (const auto& b : eq.band) {
        p.push_back(static_cast<uint8_t>(b.freq & 0xFF));
        p.push_back(static_cast<uint8_t>(b.freq >> 8));
        p.push_back(static_cast<uint8_t>(static_cast<uint16_t>(b.gain) & 0xFF));
        p.push_back(static_cast<uint8_t>(static_cast<uint16_t>(b.gain) >> 8));
    }
    return p;
}

TEST_F(BrontalTest, EqRecordGoesToTheAppInItsLayout)
{
    const BrontalCusEq eq = curve(7, -3);
    uint8_t raw[BRONTAL_EQ_PAYLOAD_SIZE] = {};
    DspEqAnaly2BrontalEq(raw, &eq);
    EXPECT_EQ(appEq(7, eq), Bytes(raw, raw + sizeof(raw))) << "the record's own mode byte";

    struct Case {
        uint32_t mode;
        Bytes payload;
    };
    for (const Case& c : std::vector<Case>{{7, appEq(8, curve(7, -3))}, {6, appEq(7, curve(6, -3))}, {5, {5}}, {2, {6}}}) {
        BrontalCusEq rec = curve(c.mode, -3);
        BrontalPacket pkt{};
        guiWrapperProtocolBrontalEqGainPareScaler(1, &rec, &pkt);
        EXPECT_EQ(c.payload, Bytes(pkt.payload, pkt.payload + pkt.len)) << c.mode;
    }
}

TEST_F(BrontalTest, UsageTextGoesInChunksOf30BytesEachWithItsMd5Tail)
{
    struct Case {
        uint32_t len;
        std::vector<uint32_t> chunks;
    };
    const std::vector<Case> cases = {
        {29, {29}}, {30, {30}}, {31, {30, 1}}, {60, {30, 30}}, {61, {30, 30, 1}},
    };
    const BrontalPacket req{0, 0x04, 0x02, {}, 0};
    for (const Case& c : cases) {
        gWrites.clear();
        gWriteTimes.clear();
        std::string text(c.len, 'x');
        for (uint32_t i = 0; i < c.len; ++i) {
            text[i] = static_cast<char>('0' + i % 43);
        }
        guiWrapperProtocolBrontalSndTrackingstr(&req, 5, text.data(), c.len);
        ASSERT_EQ(c.chunks.size(), gWrites.size()) << c.len;
        for (size_t n = 0; n < gWrites.size(); ++n) {
            EXPECT_EQ(c.chunks[n] + 12 + 6, gWrites[n].size()) << c.len;
            EXPECT_EQ(5, gWrites[n][5]);
            EXPECT_EQ(c.chunks.size(), gWrites[n][7]) << "count";
            EXPECT_EQ(n, gWrites[n][9]) << "number";
            EXPECT_EQ(c.chunks[n], gWrites[n][11]) << "chunk length";
        }
        const brontal_check::Report r = brontal_check::reassemble(gWrites);
        EXPECT_EQ("", r.error) << c.len;
        EXPECT_EQ(text, r.text.at(5)) << c.len;
        for (size_t n = 1; n < gWriteTimes.size(); ++n) {
            EXPECT_GE(gWriteTimes[n] - gWriteTimes[n - 1], std::chrono::milliseconds(100)) << "100 ms after each packet";
        }
    }
}

// The counters of a category as Python prints them, from the getter.
std::string expectedCounters(int index, const std::vector<std::string>& keys)
{
    static const char* const kKeys[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10",
                                        "11", "12", "13", "14", "15", "16", "18", "19", "20"};
    std::vector<std::string> lines;
    if (keys.empty()) {
        lines.push_back(std::string(kKeys[index]) + " " + std::to_string(guiTrackingGet(index, 0)));
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        lines.push_back(std::string(kKeys[index]) + "/" + keys[i] + " " +
                        std::to_string(guiTrackingGet(index, static_cast<uint8_t>(i))));
    }
    std::sort(lines.begin(), lines.end());
    std::string s;
    for (const std::string& l : lines) {
        s += (s.empty() ? "" : "\n") + l;
    }
    return s + "\n";
}

std::vector<std::string> range(int from, int to)
{
    std::vector<std::string> v;
    for (int i = from; i <= to; ++i) {
        v.push_back(std::to_string(i));
    }
    return v;
}

TEST_F(BrontalTest, UsageReportSendsEveryCategoryInOrderAndEndsWithKey20AtZero)
{
    guiTrackingStandinSet(0, 0, 4294967295u);
    guiTrackingStandinSet(8, 12, 0);
    const std::vector<std::vector<std::string>> items = {
        {}, {}, {}, range(0, 5), {}, {}, {}, range(1, 8), range(-6, 6), range(-6, 6), range(-6, 6), range(-6, 6),
        range(-3, 3), range(0, 3), range(0, 10), range(1, 6), {}, {}, {}};
    receive(in(0x04, 0x02));
    const brontal_check::Report r = brontal_check::reassemble(gWrites);
    EXPECT_EQ("", r.error);
    std::vector<int> order(19);
    std::iota(order.begin(), order.end(), 0);
    EXPECT_EQ(order, r.order);
    for (int i = 0; i < 19; ++i) {
        EXPECT_EQ(expectedCounters(i, items[i]), brontal_check::parseJson(r.text.at(i))) << r.text.at(i);
    }
    EXPECT_EQ("{\"20\":0}", r.text.at(18));
    EXPECT_EQ("{\"1\":4294967295}", r.text.at(0));
    EXPECT_TRUE(gEvents.empty());
}

// Each notification call as the widgets and wrappers make it, and the frame it puts on the line.
TEST_F(BrontalTest, NotificationCallsSendTheirFrame)
{
    const uint8_t zero = 0;
    const uint8_t one = 1;
    const uint8_t three = 3;
    const uint8_t six = 6;
    const uint8_t eight = 8;
    const uint8_t nine = 9;
    const uint8_t four = 4;
    const uint8_t seven = 7;
    const uint32_t dimmer = 0x102;
    struct Case {
        const char* what;
        std::function<int32_t()> call;
        std::vector<Bytes> frames;
    };
    const std::vector<Case> cases = {
        {"usage reset", [] { return guiWrapperTrackingReset(5); }, {out(4, 0x03, {1})}},
        {"power on", [] { return guiWrapperBrontalPowerOn(0); }, {out(2, 0x09, {1})}},
        {"power off", [] { return guiWrapperBrontalPowerOff(0); }, {out(2, 0x09, {0})}},
        {"factory reset", [] { return guiWrapperBrontalFactoryReset(0); }, {out(2, 0x0B, {1})}},
        {"display dimmer", [&] { return guiWrapperBrontalLcdDimmerSet(&dimmer); }, {out(2, 0x0C, {2})}},
        {"LED dimmer", [&] { return guiWrapperBrontalLedDimmerSet(&three); }, {out(2, 0x0E, {3})}},
        {"source HDMI", [&] { return guiWrapperBrontalManualSrcInSet(&one); }, {{0xBB, 1, 0, 2, 2, 5, 0xB3}}},
        {"source ARC", [&] { return guiWrapperBrontalManualSrcInSet(&zero); }, {out(2, 0x02, {0})}},
        {"source 6", [&] { return guiWrapperBrontalManualSrcInSet(&six); }, {}},
        {"mute", [&] { return guiWrapperBrontalMuteSet(&one); }, {{0xBB, 1, 0, 2, 0x0A, 0, 0xB6}}},
        {"unmute", [&] { return guiWrapperBrontalMuteSet(&zero); }, {out(2, 0x0A, {1})}},
        {"volume", [&] { return guiWrapperBrontalVolSet(&nine); }, {out(2, 0x03, {9})}},
        {"upmix", [&] { return guiWrapperBrontalXupmixSet(&one); }, {out(2, 0x16, {1})}},
        {"upmix null", [] { return guiWrapperBrontalXupmixSet(nullptr); }, {}},
        {"EQ custom", [&] { return guiWrapperBrontalEqSet(&seven); }, {out(2, 0x04, {8})}},
        {"EQ unknown", [&] { return guiWrapperBrontalEqSet(&nine); }, {out(2, 0x04, {9})}},
        {"tone volume", [] { return guiWrapperBrontalToneVolSet(0x10F); }, {out(2, 0x06, {0x0F})}},
        {"standby never", [&] { return guiWrapperBrontalAutoStandbySet(&eight); }, {{0xBB, 1, 0, 2, 7, 0, 0xB3}}},
        {"standby 9", [&] { return guiWrapperBrontalAutoStandbySet(&nine); }, {}},
        {"screensaver 3", [&] { return guiWrapperBrontalAutoScreensaverSet(&three); }, {{0xBB, 1, 0, 2, 8, 0, 0xB4}}},
        {"screensaver 4", [&] { return guiWrapperBrontalAutoScreensaverSet(&four); }, {}},
    };
    for (const Case& c : cases) {
        gWrites.clear();
        const int32_t ret = c.call();
        EXPECT_EQ(c.frames, gWrites) << c.what;
        EXPECT_EQ(c.frames.empty() ? -1 : 0, ret) << c.what;
    }
    // The music wrapper holds a preset mode: the EQ frame carries the mode and no curve.
    gWrites.clear();
    auto t0 = Clock::now();
    EXPECT_EQ(0, guiWrapperBrontalCusEqPointSet(nullptr));
    EXPECT_GE(msSince(t0), 150);
    Bytes preset(BRONTAL_EQ_PAYLOAD_SIZE, 0);
    preset[0] = 2;
    EXPECT_EQ((std::vector<Bytes>{out(2, 0x04, preset)}), gWrites);
    t0 = Clock::now();
    guiWrapperBrontalManualSrcInSet(&one);
    EXPECT_GE(msSince(t0), 50);
    t0 = Clock::now();
    guiWrapperBrontalMuteSet(&one);
    EXPECT_GE(msSince(t0), 70);
}

}  // namespace
