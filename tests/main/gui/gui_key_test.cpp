// Key input: every row of the key table, the hold parser, and raw IR, panel and touch records
// through to the GUI events they post (to a recording "gui_namager").
#include "main/gui/gui_key.h"
#include "main/gui/gui_key_priv.h"
#include "main/gui/gui_manager.h"

#include "tests/main/am/app_harness.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t T = GUI_KEY_SRC_TOUCH;
constexpr uint32_t IR = GUI_KEY_SRC_IR;

// The key table as the product defines it, written as groups: one row per code, in order.
struct Group {
    uint32_t mask;
    uint32_t source;
    uint32_t type;
    std::vector<uint32_t> codes;
    std::vector<uint16_t> events;  // one for all codes, or one per code
};

const std::vector<Group> kGroups = {
    {0x5, T, 2, {116}, {0x1000}},
    {0x14FF0, T, 2, {116}, {0x1002}},
    {0x1C3F0, T, 2, {210}, {0x1008}},
    {0x14200, T, 7, {211}, {0x1010}},
    {0x14BF0, T, 2, {211}, {0x1009}},
    {0x14040, T, 8, {116}, {0x1003}},
    {0x14BF0, T, 2, {103}, {0x103D}},
    {0x14BF0, T, 4, {103}, {0x103F}},
    {0x14BF0, T, 2, {108}, {0x103E}},
    {0x14BF0, T, 4, {108}, {0x1040}},
    {0x143F0, T, 7, {1026}, {0x1011}},
    {0x80, T, 7, {1025}, {0x105B}},
    {0x1000, T, 7, {1024, 210}, {0x1062, 0x1073}},
    {0x1000, T, 7, {103}, {0x1062}},
    {0x1000, T, 2, {116, 210, 211, 108, 103}, {0x105C}},
    {0x1000, T, 5, {116}, {0x105D}},
    {0x80, IR, 13, {0x800}, {0x1058}},
    {0x10, IR, 13, {0x801}, {0x1075}},
    {0x80,
     IR,
     13,
     {0x802, 0x803, 0x80C, 0x809, 0x80D, 0x80E, 0x804},
     {0x1070, 0x1071, 0x1072, 0x1064, 0x106E, 0x106F, 0x105E}},
    {0x1000, IR, 13, {0x805}, {0x105F}},
    {0x80, IR, 13, {0x806}, {0x1060}},
    {0x1000, IR, 13, {0x807}, {0x1061}},
    {0x40, IR, 13, {0x80A}, {0x1074}},
    {0x3F0, IR, 13, {0x808, 0x80B, 0x810, 0x80F, 0x811}, {0x1065, 0x1076, 0x1077, 0x1078, 0x1079}},
    {0x5, IR, 2, {116}, {0x1000}},
    {0x14FF0, IR, 2, {116}, {0x1002}},
    {0x14200, IR, 7, {211}, {0x1010}},
    {0x143F0, IR, 2, {211, 222, 223, 248, 249, 229}, {0x1009, 0x100A, 0x100B, 0x100C, 0x100D, 0x100E}},
    {0x3F0, IR, 2, {237, 236, 238, 251, 239, 241}, {0x1025, 0x1026, 0x1027, 0x1028, 0x1029, 0x102A}},
    {0x3F0, IR, 2, {244, 242, 243, 247, 245, 246}, {0x1017, 0x1019, 0x101A, 0x1037, 0x1038, 0x1039}},
    {0x14BF0, IR, 2, {113}, {0x103B}},
    {0x143F0, IR, 8, {113}, {0x1003}},
    {0x14BF0, IR, 8, {248, 230}, {0x1073}},
    {0x14BF0, IR, 2, {103}, {0x103D}},
    {0x14BF0, IR, 4, {103}, {0x103F}},
    {0x14BF0, IR, 2, {108}, {0x103E}},
    {0x14BF0, IR, 4, {108}, {0x1040}},
    {0xBF0,
     IR,
     2,
     {232, 214, 215, 250, 233, 234, 235, 216, 217},
     {0x1042, 0x1043, 0x1044, 0x1048, 0x1049, 0x104A, 0x104E, 0x104F, 0x1050}},
    {0x143F0, IR, 2, {231}, {0x1056}},
    {0x100, IR, 7, {119}, {0x102F}},
    {0x143F0, IR, 7, {231}, {0x1054}},
    {0x200, IR, 7, {232}, {0x106D}},
    {0x14900, IR, 2, {119, 165, 163}, {0x1030, 0x1031, 0x1032}},
    {0x14A00, IR, 2, {119, 165, 163}, {0x1033, 0x1034, 0x1035}},
    {0x400, IR, 2, {165, 163, 103, 108, 119}, {0x1067, 0x1068, 0x1069, 0x106A, 0x106B}},
    {0x3F0, IR, 2, {230}, {0x1013}},
    {0x143F0, IR, 7, {226}, {0x1011}},
    {0x143F0, IR, 2, {227}, {0x1012}},
    {0x143F0, IR, 7, {228}, {0x105B}},
    {0x1000,
     IR,
     2,
     {222, 223, 248, 249, 211, 229, 226, 230, 119, 103, 108, 165, 163, 113, 231, 232, 214, 215,
      250, 233, 234, 235, 216, 217, 237, 236, 238, 251, 239, 241, 244, 242, 243, 247, 245, 246},
     {0x105C}},
};

std::vector<GuiKeyEvtRow> expectedRows()
{
    std::vector<GuiKeyEvtRow> rows;
    for (const Group& g : kGroups) {
        for (size_t i = 0; i < g.codes.size(); ++i) {
            rows.push_back({g.mask, {g.source, g.type, g.codes[i]}, g.events.size() == 1 ? g.events[0] : g.events[i]});
        }
    }
    return rows;
}

constexpr uint32_t kStates[] = {0x1,   0x2,   0x4,   0x8,    0x10,   0x20,   0x40,   0x80,    0x100,
                                0x200, 0x400, 0x800, 0x1000, 0x2000, 0x4000, 0x8000, 0x10000, 0x20000};

TEST(GuiKeyTable, EveryRowInOrder)
{
    const std::vector<GuiKeyEvtRow> want = expectedRows();
    ASSERT_EQ(want.size(), GUI_KEY_EVT_ROWS);
    for (size_t i = 0; i < GUI_KEY_EVT_ROWS; ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        const GuiKeyEvtRow& got = gGuiKeyEvtHash[i];
        EXPECT_EQ(got.mask, want[i].mask);
        EXPECT_EQ(got.key.source, want[i].key.source);
        EXPECT_EQ(got.key.key_type, want[i].key.key_type);
        EXPECT_EQ(got.key.key_code, want[i].key.key_code);
        EXPECT_EQ(got.evt, want[i].evt);
    }
}

// Per state, each key yields the events of exactly the rows whose mask holds the state, in order.
TEST(GuiKeyTable, EveryKeyInEveryState)
{
    const std::vector<GuiKeyEvtRow> want = expectedRows();
    std::set<std::tuple<uint32_t, uint32_t, uint32_t>> keys;
    for (const GuiKeyEvtRow& r : want) {
        keys.insert({r.key.source, r.key.key_type, r.key.key_code});
    }
    keys.insert({IR, GUI_KEY_TYPE_NONE, 116});
    keys.insert({IR, GUI_KEY_TYPE_HOLD_RELEASE, 103});
    for (uint32_t state : kStates) {
        for (const auto& [source, type, code] : keys) {
            std::vector<uint16_t> expected;
            for (const GuiKeyEvtRow& r : want) {
                if ((r.mask & state) != 0 && r.key.source == source && r.key.key_type == type &&
                    r.key.key_code == code) {
                    expected.push_back(r.evt);
                }
            }
            size_t rows[GUI_KEY_EVT_ROWS];
            const GuiKeyEvt key{source, type, code};
            const size_t n = guiKeyEvtMatch(state, key, rows, GUI_KEY_EVT_ROWS);
            std::vector<uint16_t> got;
            for (size_t i = 0; i < n; ++i) {
                got.push_back(gGuiKeyEvtHash[rows[i]].evt);
            }
            EXPECT_EQ(got, expected) << "state 0x" << std::hex << state << " key " << std::dec << source << "/" << type
                                     << "/" << code;
        }
    }
}

TEST(GuiKeyTable, IrMapAndTouchCodes)
{
    std::set<int16_t> codes;
    for (const GuiKeyIrMapRow& row : gGuiKeyIrMap) {
        ASSERT_NE(row.label, nullptr);
        codes.insert(row.code);
    }
    EXPECT_EQ(codes.size(), 39u) << "40 rows, 227 twice";
    EXPECT_STREQ(guiKeyIrLabel(227), "[BTN_IR_FACTORY_PAIR]");
    EXPECT_STREQ(guiKeyIrLabel(116), "[BTN_IR_POWER]");
    EXPECT_EQ(guiKeyIrLabel(139), nullptr);
    const std::vector<std::pair<uint32_t, uint32_t>> touch = {{63, 1026}, {69, 103},  {70, 108}, {71, 210}, {72, 116},
                                                              {73, 1025}, {74, 1024}, {75, 211}, {62, 0},   {76, 0}};
    for (const auto& [in, out] : touch) {
        EXPECT_EQ(guiKeyTouchCodeMap(in), out) << in;
    }
    for (uint32_t code : {103u, 108u, 116u, 119u, 139u, 163u, 165u}) {
        EXPECT_EQ(guiKeyMenuTimerClrGet(code), 1) << code;
    }
    EXPECT_EQ(guiKeyMenuTimerClrGet(113), 0);
}

// Repeats of one key in one state: the type each repeat gets, and where the hold count ends.
struct HoldCase {
    const char* name;
    uint32_t source;
    uint32_t code;
    uint32_t state;
    int repeats;
    std::vector<int> typedAt;  // repeat numbers (1-based) that yield `type`
    uint32_t type;
};

TEST(GuiKeyHold, ParserByKeyAndState)
{
    const std::vector<HoldCase> cases = {
        {"ir volume up in a source: every second repeat", IR, 103, 0x10, 6, {2, 4, 6}, 4},
        {"ir volume up while idle: nothing", IR, 103, 0x4, 6, {}, 4},
        {"ir power in a source: third unit, then again after three more", IR, 116, 0x10, 30, {15, 30}, 7},
        {"ir play in usb: third unit once (parked)", IR, 119, 0x100, 40, {15}, 7},
        {"ir mute: fifth unit", IR, 113, 0x20, 25, {25}, 8},
        {"ir bass up: every repeat", IR, 214, 0x10, 3, {1, 2, 3}, 5},
        {"ir pair in product test: first unit, again", IR, 226, 0x1000, 10, {5, 10}, 5},
        {"ir pair in a source: third unit once", IR, 226, 0x10, 40, {15}, 7},
        {"ir optical in a source: fifth unit", IR, 248, 0x40, 25, {25}, 8},
        {"touch power in optical: fifth unit", T, 116, 0x40, 25, {25}, 8},
        {"touch power in product test: first unit once", T, 116, 0x1000, 30, {5}, 5},
        {"touch bt in bt: third unit once", T, 211, 0x200, 40, {15}, 7},
        {"touch volume down in shop: every second", T, 108, 0x800, 4, {2, 4}, 4},
        {"touch 1026 in product test: first unit", T, 1026, 0x1000, 10, {5, 10}, 5},
        {"touch 1026 in a source: third unit once", T, 1026, 0x80, 40, {15}, 7},
        {"touch 1025 in aux: third unit", T, 1025, 0x80, 15, {15}, 7},
        {"an unknown key: nothing", IR, 222, 0x10, 20, {}, 7},
    };
    for (const HoldCase& c : cases) {
        SCOPED_TRACE(c.name);
        uint16_t msec = 0;
        uint16_t sec = 0;
        std::vector<int> typed;
        for (int r = 1; r <= c.repeats; ++r) {
            GuiKeyEvt key{c.source, GUI_KEY_TYPE_NONE, c.code};
            ++msec;
            guiKeyHoldTypeParser(&msec, &sec, &key, c.state);
            if (key.key_type != GUI_KEY_TYPE_NONE) {
                EXPECT_EQ(key.key_type, c.type) << "repeat " << r;
                typed.push_back(r);
            }
        }
        EXPECT_EQ(typed, c.typedAt);
    }
    uint16_t msec = 0;
    guiKeyHoldTypeParser(&msec, nullptr, nullptr, 0x10);  // refused, not a crash
}

// Raw records through to the recording GUI manager.
class GuiKeyInput : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The manager's start reaches the display and the shell-command client: inside a root.
        sandbox_ = new sbtest::Sandbox;
        apptest::startFramework();
        gui_ = new apptest::TestApp(GUI_MANAGER_APP_NAME, 4096);
        ASSERT_EQ(apptest::registerApp(&gui_->record()), 0);
        ASSERT_EQ(u_amb_sync_start_app(gui_->record().acName), 0);
        // The manager's own start gives key input its delayed slot; its posts go to the recorder.
        ASSERT_EQ(guiManagerAppInit(GUI_MANAGER_APP_NAME, 0), 0);
    }

    void SetUp() override { seen_ = gui_->messages().size(); }

    static void ir(uint8_t kind, uint16_t type, uint16_t code, int32_t value)
    {
        input_event ev{};
        ev.type = type;
        ev.code = code;
        ev.value = value;
        guiKeyIrProcess(kind, &ev);
    }
    static void irKey(uint16_t code, int32_t value) { ir(GUI_KEY_DEV_IR, EV_KEY, code, value); }
    static void irClick(uint16_t code)
    {
        irKey(code, 1);
        ir(GUI_KEY_DEV_IR, EV_SYN, SYN_REPORT, 0);
        irKey(code, 0);
    }

    // Every GUI event posted since the case began, as (id, size): a marker is posted behind them
    // and waited for, so nothing sent earlier is still on its way.
    std::vector<std::pair<uint16_t, uint8_t>> posted()
    {
        GuiMsg marker{};
        marker.msg_id = 0xFFFF;
        guiManagerAppMsgSnd(&marker);
        std::vector<std::pair<uint16_t, uint8_t>> out;
        for (;;) {
            EXPECT_TRUE(gui_->waitMessages(seen_ + out.size() + 1));
            const auto msgs = gui_->messages();
            out.clear();
            bool done = false;
            for (size_t i = seen_; i < msgs.size(); ++i) {
                GuiMsg m{};
                memcpy(&m, msgs[i].data.data() + 8, sizeof(m));
                if (m.msg_id == 0xFFFF) {
                    done = true;
                    seen_ = i + 1;
                    break;
                }
                out.push_back({m.msg_id, m.msg_size});
            }
            if (done) {
                return out;
            }
        }
    }

    static void TearDownTestSuite()
    {
        guiManagerAppExit(0, 0);
        gui_->stop();  // nothing reaches the recorder while the process ends
        delete sandbox_;
        sandbox_ = nullptr;
    }

    static apptest::TestApp* gui_;
    static sbtest::Sandbox* sandbox_;
    size_t seen_ = 0;
};

apptest::TestApp* GuiKeyInput::gui_ = nullptr;
sbtest::Sandbox* GuiKeyInput::sandbox_ = nullptr;

using Posts = std::vector<std::pair<uint16_t, uint8_t>>;

TEST_F(GuiKeyInput, IrPowerPressAndRelease)
{
    for (uint32_t state : {GUI_SYS_STATE_OFF, GUI_SYS_STATE_IDLE}) {
        guiManagerAppStateSet(state);
        irKey(116, 1);
        EXPECT_EQ(posted(), Posts{}) << "a press alone posts nothing";
        irKey(116, 0);
        EXPECT_EQ(posted(), (Posts{{0x1000, 1}}));
        irKey(116, 1);
        irKey(116, 2);
        irKey(116, 2);
        irKey(116, 0);
        EXPECT_EQ(posted(), Posts{}) << "repeats, then a release after the hold";
    }
    guiManagerAppStateSet(GUI_SYS_STATE_SRC_ARC);
    irClick(116);
    EXPECT_EQ(posted(), (Posts{{0x1002, 1}}));
    irKey(139, 0);
    EXPECT_EQ(posted(), Posts{}) << "not a remote key";
}

TEST_F(GuiKeyInput, IrVolumeHeldAndPlayInUsb)
{
    guiManagerAppStateSet(GUI_SYS_STATE_SRC_HDMI);
    irKey(103, 1);
    for (int i = 0; i < 4; ++i) {
        irKey(103, 2);
    }
    irKey(103, 0);
    EXPECT_EQ(posted(), (Posts{{0x103F, 1}, {0x103F, 1}}));

    guiManagerAppStateSet(GUI_SYS_STATE_SRC_USB);
    irClick(119);
    EXPECT_EQ(posted(), (Posts{{0x1030, 1}}));
    irKey(119, 1);
    for (int i = 0; i < 40; ++i) {
        irKey(119, 2);
    }
    irKey(119, 0);
    EXPECT_EQ(posted(), (Posts{{0x102F, 1}})) << "the hold fires once per press";
}

TEST_F(GuiKeyInput, SourceKeysShareTheDelayedSlot)
{
    guiManagerAppStateSet(GUI_SYS_STATE_SRC_ARC);
    irClick(248);
    irClick(223);
    ASSERT_TRUE(gui_->waitMessages(seen_ + 1));
    EXPECT_EQ(posted(), (Posts{{0x100B, 1}})) << "only the second source key";
}

TEST_F(GuiKeyInput, PanelDeviceWakesOnEveryRecord)
{
    guiManagerAppStateSet(GUI_SYS_STATE_IDLE);
    ir(GUI_KEY_DEV_PANEL, EV_KEY, 116, 1);
    ir(GUI_KEY_DEV_PANEL, EV_SYN, SYN_REPORT, 0);
    ir(GUI_KEY_DEV_PANEL, EV_KEY, 116, 0);
    EXPECT_EQ(posted(), (Posts{{0x1000, 0}, {0x1000, 0}, {0x1000, 0}}));
    guiManagerAppStateSet(GUI_SYS_STATE_TRANSIT);
    ir(GUI_KEY_DEV_PANEL, EV_KEY, 116, 1);
    EXPECT_EQ(posted(), (Posts{{0x1000, 0}}));
    guiManagerAppStateSet(GUI_SYS_STATE_SRC_AUX);
    ir(GUI_KEY_DEV_PANEL, EV_KEY, 116, 1);
    ir(GUI_KEY_DEV_OTHER, EV_KEY, 116, 0);
    EXPECT_EQ(posted(), Posts{});
}

TEST_F(GuiKeyInput, TouchPower)
{
    guiManagerAppStateSet(GUI_SYS_STATE_IDLE);
    guiKeyTouchProcess(GUI_KEY_TOUCH_PRESS, 72);
    guiKeyTouchProcess(GUI_KEY_TOUCH_RELEASE, 72);
    EXPECT_EQ(posted(), (Posts{{0x1000, 0}})) << "idle: straight to power on";
    guiManagerAppStateSet(GUI_SYS_STATE_OFF);
    guiKeyTouchProcess(GUI_KEY_TOUCH_RELEASE, 72);
    EXPECT_EQ(posted(), (Posts{{0x1000, 1}})) << "off: through the table";
    guiManagerAppStateSet(GUI_SYS_STATE_SRC_OPT);
    for (int i = 0; i < 25; ++i) {
        guiKeyTouchProcess(GUI_KEY_TOUCH_HOLD, 72);
    }
    guiKeyTouchProcess(GUI_KEY_TOUCH_RELEASE, 72);
    EXPECT_EQ(posted(), (Posts{{0x1003, 1}})) << "held five units in optical: factory reset";
}

TEST_F(GuiKeyInput, HiddenSequenceReplacesItsLastRelease)
{
    guiManagerAppStateSet(GUI_SYS_STATE_SRC_OPT);
    guiKeyPasswordClear();
    irClick(119);
    irClick(163);
    irClick(119);
    EXPECT_EQ(posted(), (Posts{{0x1074, 1}}));

    // A wrong key in the middle starts nothing; the sequence then needs its first key again.
    irClick(119);
    irClick(165);
    irClick(163);
    irClick(119);
    EXPECT_EQ(posted(), Posts{});

    // The same sequence outside optical completes but posts nothing.
    guiManagerAppStateSet(GUI_SYS_STATE_SRC_ARC);
    irClick(119);
    irClick(163);
    irClick(119);
    EXPECT_EQ(posted(), Posts{});
}

}  // namespace
