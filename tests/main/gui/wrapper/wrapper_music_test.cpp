// The music wrapper against a real pellant and the amplifiers of the board simulator: the remote
// calls it makes show in pellant's call log ("func_id=N" lines), the streams' state in the
// audio-server stand-in's state file, the amplifiers' volume and mute in their registers, and the
// module-link calls in the link stand-ins' call log.
#include "main/gui/wrapper/wrapper_music.h"

#include "main/audio_client/vesk_ipc.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/wrapper_amp.h"
#include "main/gui/wrapper/wrapper_amp_tables.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/tone/gui_tone.h"
#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "main/gui/wrapper/wrapper_music_priv.h"
#include "tests/main/gui/wrapper/phone_app_frames.h"
#include "tests/pellant/pellant_harness.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// The GUI messages the music thread posts, recorded in place of the GUI manager's queue.
namespace {
std::mutex gPostedLock;
std::vector<std::vector<int>> gPosted;
}  // namespace

extern "C" int32_t __wrap__Z19guiManagerAppMsgSndPK6GuiMsg(const GuiMsg* msg)
{
    std::vector<int> m{msg->msg_id};
    for (int i = 0; i < msg->msg_size; ++i) {
        m.push_back(msg->data[i]);
    }
    std::lock_guard<std::mutex> guard(gPostedLock);
    gPosted.push_back(m);
    return 0;
}

namespace {

using namespace pellanttest;

constexpr int kAmpLr = 0x2D;
constexpr int kAmpLrs = 0x2C;
constexpr int kAmpCenter = 0x2E;
constexpr int kAmpMuted = 0x0E;
constexpr int kAmpPlaying = 0x03;

std::string hexWord(const uint8_t bytes[4])
{
    char text[16];
    std::snprintf(text, sizeof(text), "%02x%02x%02x%02x", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

class MusicWrapperTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        pellant = startPellant(sandbox);
        ASSERT_TRUE(waitStarted(sandbox));
        ASSERT_EQ(vesk_ipc_create(), 0);
        guiWrapperAmpInit();
        guiWrapperAmpRegReset(GUI_WRAPPER_AMP_IDX_LR);  // finds the chips the volume is written to
        guiWrapperMusicInit();
        phoneapp::start();
    }
    void TearDown() override
    {
        phoneapp::stop();
        guiWrapperMusicExit();
        guiWrapperAmpExit();
        // The remote-call client has a few connection slots per process: a whole run needs them back.
        vesk_ipc_destory();
    }

    int reg(int addr, int page, int r) const
    {
        char line[64];
        std::snprintf(line, sizeof(line), "i2c get 3 0x%02x %d 0x%02x", addr, page, r);
        return std::stoi(sim.ctl(line), nullptr, 16);
    }
    // The 4-byte volume coefficient of an amplifier (page 4, 0x7C), as hex, with its copy at 0x80.
    std::string coeff(int addr) const
    {
        std::string a;
        std::string b;
        for (int i = 0; i < 4; ++i) {
            char two[4];
            std::snprintf(two, sizeof(two), "%02x", reg(addr, 4, 0x7C + i));
            a += two;
            std::snprintf(two, sizeof(two), "%02x", reg(addr, 4, 0x80 + i));
            b += two;
        }
        return a == b ? a : a + "/" + b;
    }
    bool ampsAt(uint8_t vol) const
    {
        return coeff(kAmpLr) == hexWord(gGuiWrapperAmpAcm8625SLrVolTab[vol]) &&
               coeff(kAmpCenter) == hexWord(gGuiWrapperAmpAcm8625SCenterVolTab[vol]);
    }
    int mute(int addr) const { return reg(addr, 0, 0x04); }

    // The remote function ids pellant received since the last mark.
    std::vector<int> idsSinceMark()
    {
        std::vector<int> ids;
        const auto all = lines(sandbox.read(kPellantOut));
        for (size_t i = mark_; i < all.size(); ++i) {
            const auto at = all[i].find(":func_id=");
            if (at != std::string::npos) {
                ids.push_back(std::stoi(all[i].substr(at + 9)));
            }
        }
        return ids;
    }
    void mark()
    {
        mark_ = lines(sandbox.read(kPellantOut)).size();
        linkMark_ = linkCalls().size();
    }
    std::vector<std::string> linkCalls() const { return lines(sandbox.read(WRAPPER_SOURCE_CALL_LOG)); }
    std::vector<std::string> linkCallsSinceMark() const
    {
        const auto all = linkCalls();
        return {all.begin() + static_cast<long>(std::min(linkMark_, all.size())), all.end()};
    }
    bool streamsAt(uint32_t gain)
    {
        const auto state = vesk2State(sandbox);
        return contains(state, "vesk_set_stream_vol_ext 0 " + std::to_string(gain)) &&
               contains(state, "vesk_set_stream_vol_ext 1 " + std::to_string(gain));
    }

    std::unique_ptr<Child> pellant;
    size_t mark_ = 0;
    size_t linkMark_ = 0;
};

TEST_F(MusicWrapperTest, VolumeSendsBassThenBothStreamsAndZeroSilencesThem)
{
    const std::string lrBefore = coeff(kAmpLr);
    mark();
    const uint8_t vol = 51;
    guiWrapperMusicVolSet(&vol);
    EXPECT_EQ(idsSinceMark(), (std::vector<int>{20, 0, 0}));
    EXPECT_TRUE(streamsAt(100000));
    EXPECT_EQ(guiWrapperMusicVolGet(), 51);
    EXPECT_EQ(coeff(kAmpLr), lrBefore);  // the volume fan-out drives the amplifiers, not this wrapper

    const uint8_t zero = 0;
    guiWrapperMusicBtVolSet(&zero);
    EXPECT_TRUE(streamsAt(0));
    EXPECT_EQ(guiWrapperMusicVolGet(), 0);
}

TEST_F(MusicWrapperTest, VolumeAboveTheTablesIsRefused)
{
    const uint8_t vol = 40;
    guiWrapperMusicVolSet(&vol);
    mark();
    for (uint8_t bad : {uint8_t{101}, uint8_t{150}, uint8_t{255}}) {
        guiWrapperMusicVolSet(&bad);
        guiWrapperMusicBtVolSet(&bad);
    }
    guiWrapperMusicVolSet(nullptr);
    EXPECT_TRUE(idsSinceMark().empty());
    EXPECT_EQ(guiWrapperMusicVolGet(), 40);
}

TEST_F(MusicWrapperTest, MutedVolumeIsStoredAndSentWithTheUnmute)
{
    const uint8_t on = 1;
    const uint8_t off = 0;
    mark();
    EXPECT_EQ(guiWrapperMusicMuteSet(&on), 0);
    EXPECT_EQ(idsSinceMark(), (std::vector<int>{0, 0}));
    EXPECT_TRUE(streamsAt(0));
    EXPECT_EQ(guiWrapperMusicMuteGet(), 1);

    mark();
    const uint8_t vol = 37;
    guiWrapperMusicVolSet(&vol);
    EXPECT_TRUE(idsSinceMark().empty());
    EXPECT_EQ(guiWrapperMusicVolGet(), 37);

    const uint8_t bass = 4;
    guiWrapperMusicBassSet(&bass);
    const std::string lrsBefore = coeff(kAmpLrs);
    mark();
    EXPECT_EQ(guiWrapperMusicMuteSet(&off), 0);
    EXPECT_EQ(idsSinceMark(), (std::vector<int>{20, 0, 0}));
    EXPECT_TRUE(streamsAt(100000));
    EXPECT_TRUE(ampsAt(37));
    EXPECT_EQ(coeff(kAmpLrs), lrsBefore);  // the surround pair follows its own gain
    EXPECT_EQ(linkCallsSinceMark(), (std::vector<std::string>{"guiWrapperWirelessAudVolSet 37 0 4"}));
}

TEST_F(MusicWrapperTest, NightModeKeepsItsOwnVolumeBehindAnEffectMute)
{
    const uint8_t day = 20;
    guiWrapperMusicVolSet(&day);
    guiWrapperMusicEqModeSet(GUI_EQ_MODE_NIGHT);
    mark();
    const uint8_t night = 30;
    guiWrapperMusicVolSet(&night);
    EXPECT_EQ(guiWrapperMusicVolGet(), 30);
    // A changed EQ mode mutes the amplifiers and the link until the effect timer has applied it;
    // the pop unmute after it brings the night volume back everywhere.
    ASSERT_TRUE(waitFor([&] { return linkCallsSinceMark().size() >= 3 && ampsAt(30); }));
    for (int amp : {kAmpLr, kAmpLrs, kAmpCenter}) {
        EXPECT_EQ(mute(amp), kAmpPlaying);
    }
    EXPECT_NE(sandbox.read("/sim/i2c.log").find("addr 0x2d W 04 0e"), std::string::npos);
    EXPECT_EQ(linkCallsSinceMark(),
              (std::vector<std::string>{"guiWrapperWirelessAudMuteSet 1", "guiWrapperWirelessAudMuteSet 0",
                                        "guiWrapperWirelessAudVolSet 30 0 0"}));

    guiWrapperMusicEqModeSet(1);
    EXPECT_EQ(guiWrapperMusicVolGet(), 20);
}

TEST_F(MusicWrapperTest, PopMuteSilencesAndItsEndRestoresUnlessTheUserMuted)
{
    const uint8_t vol = 60;
    guiWrapperMusicVolSet(&vol);

    struct Case {
        const char* name;
        uint8_t userMute;
        std::vector<int> idsAtEnd;
    };
    for (const Case& c : {Case{"unmuted", 0, {20, 0, 0}}, Case{"user muted", 1, {}}}) {
        SCOPED_TRACE(c.name);
        guiWrapperMusicMuteSet(&c.userMute);
        mark();
        guiWrapperMusicPopMuteSet(1);
        EXPECT_EQ(idsSinceMark(), (std::vector<int>{0, 0}));
        EXPECT_EQ(guiWrapperMusicMuteGet(), c.userMute);
        mark();
        guiWrapperMusicPopUnMuteCbk(0);
        EXPECT_EQ(idsSinceMark(), c.idsAtEnd);
        // The pop mute is over either way: a second end restores nothing.
        mark();
        guiWrapperMusicPopUnMuteCbk(0);
        EXPECT_TRUE(idsSinceMark().empty());
    }
}

TEST_F(MusicWrapperTest, PopUnmuteWaitsForAnEffectChange)
{
    const uint8_t vol = 60;
    guiWrapperMusicVolSet(&vol);
    guiWrapperMusicEffectEnSet(1);  // mutes the amplifiers and pop-mutes the streams
    EXPECT_EQ(mute(kAmpCenter), kAmpMuted);
    mark();
    guiWrapperMusicPopUnMuteCbk(0);
    EXPECT_TRUE(idsSinceMark().empty());
    guiWrapperMusicEffectEnSet(0);
    // The streams come back on the pop-unmute timer once the effect change is over.
    ASSERT_TRUE(waitFor([&] { return idsSinceMark() == std::vector<int>{20, 0, 0}; }));
    EXPECT_EQ(mute(kAmpLr), kAmpPlaying);
    EXPECT_TRUE(ampsAt(60));
    EXPECT_TRUE(streamsAt(100000));
}

TEST_F(MusicWrapperTest, PopUnmuteTimerOpensTheStreamsOfTheSelectedSource)
{
    const uint8_t vol = 45;
    guiWrapperMusicVolSet(&vol);
    const uint32_t usb = GUI_WRAPPER_MUSIC_SRC_USB;
    guiWrapperMusicManualSrcInSet(&usb);
    guiWrapperMusicPopMuteSet(1);
    EXPECT_TRUE(streamsAt(0));
    guiWrapperMusicPopMuteSet(0);
    EXPECT_TRUE(waitFor([&] { return streamsAt(100000); }));
    EXPECT_TRUE(ampsAt(45));
}

TEST_F(MusicWrapperTest, SourceChecksAndSignalFlags)
{
    guiWrapperMusicSrcInputSet(GUI_WRAPPER_MUSIC_SRC_HDMI, 1);
    EXPECT_EQ(guiWrapperMusicSrcInputGet(GUI_WRAPPER_MUSIC_SRC_HDMI), 1);
    guiWrapperMusicSrcInputSet(GUI_WRAPPER_MUSIC_SRC_MAX, 1);
    EXPECT_EQ(guiWrapperMusicSrcInputGet(GUI_WRAPPER_MUSIC_SRC_MAX), 0);

    // Selecting a source clears the signal flag of the one before.
    const uint32_t hdmi = GUI_WRAPPER_MUSIC_SRC_HDMI;
    const uint32_t aux = GUI_WRAPPER_MUSIC_SRC_AUX;
    const uint32_t bad = GUI_WRAPPER_MUSIC_SRC_MAX;
    guiWrapperMusicSrcInClr(&hdmi);
    guiWrapperMusicManualSrcInSet(&aux);
    EXPECT_EQ(guiWrapperMusicSrcInputGet(GUI_WRAPPER_MUSIC_SRC_HDMI), 0);
    guiWrapperMusicManualSrcInSet(&bad);
    guiWrapperMusicSrcInClr(&bad);
    guiWrapperMusicNoiseClr(&bad);
    guiWrapperMusicManualSrcInSet(nullptr);

    // With no energy heard the HDMI codec-change mute is ignored.
    mark();
    guiWrapperMusicHdmiSrcMute(1);
    EXPECT_TRUE(idsSinceMark().empty());
}

TEST_F(MusicWrapperTest, EffectSettersSendTheirRemoteCall)
{
    struct Case {
        const char* name;
        std::function<void()> call;
        int id;
        std::vector<std::string> link;
        std::vector<std::string> app;  // the frames the phone app is sent
    };
    static const uint8_t five = 5;
    static const uint8_t thirteen = 13;
    static const uint8_t one = 1;
    static const VeskAcousticsParam acoustics{0, 6, 6, 6, 1, 6, 1, 1, 1, 5, 5, 3, 1};
    const std::vector<Case> cases{
        {"bass", [] { guiWrapperMusicBassSet(&five); }, 20, {"guiWrapperWirelesRxSubVolSet 5"}},
        {"bass above the link's range", [] { guiWrapperMusicBassSet(&thirteen); }, 20, {}},
        {"surround volume", [] { guiWrapperMusicSurVolSet(&five); }, 24, {"guiWrapperWirelesRxSurVolSet 5"}},
        {"centre", [] { guiWrapperMusicCenterSet(&five); }, 32, {}},
        {"treble", [] { guiWrapperMusicTrebleSet(&five); }, 21, {}},
        {"height", [] { guiWrapperMusicHeightSet(3); }, 35, {}},
        {"bass boost", [] { guiWrapperMusicBassBoostSet(1); }, 22, {}},
        {"upmix", [] { guiWrapperMusicXupmixSet(&one); }, 37, {}, {"phone app 02 16 01"}},
        {"bypass", [] { guiWrapperMusicBypassSet(&one); }, 16, {}},
        {"1/8 power", [] { guiWrapperMusic1D8PowerSet(1); }, 25, {}},
        {"standard test", [] { guiWrapperMusicStandardTestSet(1); }, 28, {}},
        {"EQ test", [] { guiWrapperMusicEqTestSet(1); }, 30, {}},
        {"acoustics", [] { guiWrapperMusicPpcParamSet(&acoustics); }, 27, {}},
        {"factory reset", [] { guiWrapperMusicFactoryReset(0); }, 27, {}},
        {"gain compensation", [] { guiWarpperMusicGainCompSet(-300); }, 36, {}},
        {"gain compensation past a word", [] { guiWarpperMusicGainCompSet(2000000); }, 36, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mark();
        phoneapp::take();
        c.call();
        EXPECT_EQ(idsSinceMark(), std::vector<int>{c.id});
        EXPECT_EQ(linkCallsSinceMark(), c.link);
        EXPECT_EQ(phoneapp::take(), c.app);
    }
    uint8_t upmix = 0;
    guiWrapperMusicXupmixGet(&upmix);
    EXPECT_EQ(upmix, 1);

    mark();
    guiWrapperMusicPpcParamSet(nullptr);
    guiWrapperMusicBassSet(nullptr);
    EXPECT_TRUE(idsSinceMark().empty());
}

TEST_F(MusicWrapperTest, PowerOnSendsTheRecordsEffectsAndWaitsPopMutedForASource)
{
    GuiWrapperSetting record = gGuiWrapperDefaultSetting[0];
    record.vol = 50;
    record.night_vol = 12;
    record.bass = 9;
    mark();
    guiWrapperMusicPowerOn(&record);
    EXPECT_EQ(idsSinceMark(), std::vector<int>{27});
    EXPECT_EQ(guiWrapperMusicVolGet(), 50);
    EXPECT_EQ(guiWrapperMusicMuteGet(), 0);
    mark();
    guiWrapperMusicPopUnMuteCbk(0);
    EXPECT_EQ(idsSinceMark(), (std::vector<int>{20, 0, 0}));
    EXPECT_TRUE(ampsAt(50));
    EXPECT_EQ(linkCallsSinceMark(), (std::vector<std::string>{"guiWrapperWirelessAudVolSet 50 6 9"}));

    record.eq_mode = GUI_EQ_MODE_NIGHT;
    guiWrapperMusicPowerOn(&record);
    EXPECT_EQ(guiWrapperMusicVolGet(), 12);
    guiWrapperMusicPowerOn(nullptr);
}

TEST_F(MusicWrapperTest, PowerOffRunsTheCallbackAndMutes)
{
    static bool called = false;
    guiWrapperMusicRegisterCbk([] { called = true; });
    guiWrapperMusicRegisterCbk(nullptr);  // ignored: the first one stays
    const uint8_t vol = 50;
    guiWrapperMusicVolSet(&vol);
    mark();
    guiWrapperMusicPowerOff(0);
    EXPECT_TRUE(called);
    EXPECT_EQ(idsSinceMark(), (std::vector<int>{0, 0}));
    EXPECT_EQ(guiWrapperMusicMuteGet(), 1);
    EXPECT_TRUE(streamsAt(0));
}

// The music timer, the energy reports and the noise detector driven tick by tick: the test is
// their clock. Each case starts from a fresh object in the GUI state it names.
class MusicTimerTest : public MusicWrapperTest {
protected:
    void SetUp() override
    {
        MusicWrapperTest::SetUp();
        std::lock_guard<std::mutex> guard(gPostedLock);
        gPosted.clear();
    }
    void TearDown() override
    {
        guiManagerAppStateSet(GUI_SYS_STATE_OFF);
        MusicWrapperTest::TearDown();
    }
    static void ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            guiWrapperMusicTimeoutCbk(0);
        }
    }
    // What the music thread posted so far: a marker event is raised last and waited for, so every
    // event raised before it has been posted.
    static std::vector<std::vector<int>> posted()
    {
        GuiWrapperMusicObj& o = guiWrapperMusicObj();
        const uint32_t fmt = o.aud_fmt.load();
        o.aud_fmt = 0xEE;
        guiWrapperMusicEvtRaise(E_GUI_WRAPPER_MUSIC_EVT_AUD_FMT_SHOW);
        const std::vector<int> marker{E_GUI_SYS_EVT_DECODER_AUD_FMT_SHOW, 0xEE};
        std::vector<std::vector<int>> out;
        const bool seen = waitFor([&] {
            std::lock_guard<std::mutex> guard(gPostedLock);
            if (gPosted.empty() || gPosted.back() != marker) {
                return false;
            }
            out.assign(gPosted.begin(), gPosted.end() - 1);
            gPosted.clear();
            return true;
        });
        EXPECT_TRUE(seen);
        o.aud_fmt = fmt;
        return out;
    }
};

using Posts = std::vector<std::vector<int>>;

TEST_F(MusicTimerTest, TimerStepsRaiseTheirEventsAtTheirThresholds)
{
    struct Case {
        const char* name;
        uint32_t state;
        std::function<void()> setup;
        int before;  // ticks that raise nothing
        Posts then;  // what one more tick posts
    };
    const std::vector<Case> cases{
        {"idle powers off after the screensaver time", GUI_SYS_STATE_IDLE,
         [] { guiWrapperMusicAutoScreensaverSet(1); }, 29, {{E_GUI_USR_EVT_POWER_OFF}}},
        {"screensaver in a source state", GUI_SYS_STATE_SRC_ARC,
         [] {
             guiWrapperMusicAutoStandbySet(8);
             guiWrapperMusicAutoScreensaverSet(0);
         },
         4, {{E_GUI_SYS_EVT_AUTO_SCREENSAVER_ON}}},
        {"auto standby without play", GUI_SYS_STATE_SRC_OPT,
         [] {
             guiWrapperMusicAutoScreensaverSet(3);
             guiWrapperMusicAutoStandbySet(0);
         },
         899, {{E_GUI_SYS_EVT_AUTO_STANDBY}}},
        {"allow window after power on", GUI_SYS_STATE_SRC_HDMI,
         [] {
             guiWrapperMusicAutoScreensaverSet(3);
             guiWrapperMusicAutoStandbySet(8);
             guiWrapperMusicObj().allow_cnt = 60;
         },
         59, {{E_GUI_SYS_EVT_ALLOW_TIMEOUT}}},
        {"product test countdown", GUI_SYS_STATE_PDT,
         [] {
             guiWrapperMusicAutoStandbySet(8);
             guiWrapperMusicPdtSet(nullptr);
         },
         59, {{E_GUI_SYS_EVT_PDT_MODE_EXIT}}},
        {"menu left alone", GUI_SYS_STATE_MENU,
         [] {
             guiWrapperMusicAutoScreensaverSet(3);
             guiWrapperMusicAutoStandbySet(8);
         },
         5, {{E_GUI_SYS_EVT_EXIT_MENU_MODE}}},
        {"PCM format shown after three ticks with signal", GUI_SYS_STATE_SRC_ARC,
         [] {
             guiWrapperMusicAutoScreensaverSet(3);
             guiWrapperMusicAutoStandbySet(8);
             guiWrapperMusicEnergySet(4);
             const MusicDecoderFmt pcm{1, 0, 0, 0, 2};
             guiWrapperMusicDecoderFmtSet(&pcm);
         },
         2, {{E_GUI_SYS_EVT_DECODER_AUD_FMT_SHOW, 4}}},
        {"switched off: screensaver 3 and standby 8", GUI_SYS_STATE_SRC_ARC,
         [] {
             guiWrapperMusicAutoScreensaverSet(3);
             guiWrapperMusicAutoStandbySet(8);
             guiWrapperMusicAutoStandbySet(9);  // refused: stays off
         },
         1000, {}},
        {"idle is never auto standby", GUI_SYS_STATE_IDLE,
         [] {
             guiWrapperMusicAutoScreensaverSet(3);
             guiWrapperMusicAutoStandbySet(0);
         },
         1000, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        guiWrapperMusicExit();
        guiWrapperMusicInit();
        guiManagerAppStateSet(c.state);
        c.setup();
        posted();
        ticks(c.before);
        EXPECT_EQ(posted(), Posts{});
        ticks(1);
        EXPECT_EQ(posted(), c.then);
    }
}

TEST_F(MusicTimerTest, ActivityResetsTheCountersAndWakesTheScreensaver)
{
    guiManagerAppStateSet(GUI_SYS_STATE_SRC_ARC);
    guiWrapperMusicAutoStandbySet(8);
    guiWrapperMusicAutoScreensaverSet(0);
    ticks(4);
    EXPECT_EQ(guiWrapperMusicTimerReset(1), 0);
    ticks(4);
    EXPECT_EQ(posted(), Posts{});
    ticks(1);
    EXPECT_EQ(posted(), (Posts{{E_GUI_SYS_EVT_AUTO_SCREENSAVER_ON}}));
    EXPECT_EQ(guiWrapperMusicTimerReset(0), 1);
    EXPECT_EQ(posted(), (Posts{{E_GUI_SYS_EVT_AUTO_SCREENSAVER_OFF}}));
    EXPECT_EQ(guiWrapperMusicTimerReset(0), 0);
}

TEST_F(MusicTimerTest, EnergyReportsSetTheSignalFlagOnTheFourthAndWakeTheSoundbar)
{
    struct Case {
        const char* name;
        uint32_t src;
        std::vector<uint32_t> reports;
        uint8_t signal;
        Posts wake;
    };
    const std::vector<Case> cases{
        {"three at the threshold are absorbed", 0, {10, 10, 10}, 0, {}},
        {"the fourth at the threshold wakes", 0, {10, 10, 10, 10}, 1, {{E_GUI_SYS_EVT_SYS_POWER_ON, 0}}},
        {"below the threshold never", 0, {9, 9, 9, 9, 9, 9}, 0, {}},
        {"HDMI's threshold is 5", 1, {5, 5, 5, 5}, 1, {{E_GUI_SYS_EVT_SYS_POWER_ON, 1}}},
        {"the fourth low report clears it", 2, {10, 10, 10, 10, 3, 3, 3, 3}, 0, {{E_GUI_SYS_EVT_SYS_POWER_ON, 2}}},
        {"three low reports do not", 2, {10, 10, 10, 10, 3, 3, 3}, 1, {{E_GUI_SYS_EVT_SYS_POWER_ON, 2}}},
        {"Bluetooth reports nothing", 3, {90, 90, 90, 90}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        guiWrapperMusicExit();
        guiWrapperMusicInit();
        guiManagerAppStateSet(GUI_SYS_STATE_IDLE);
        guiWrapperMusicAutoWakeSet(1);
        guiWrapperMusicObj().aud_src = c.src;
        for (uint32_t e : c.reports) {
            guiWrapperMusicEnergySet(e);
        }
        EXPECT_EQ(guiWrapperMusicSrcInputGet(c.src), c.signal);
        EXPECT_EQ(posted(), c.wake);
    }
}

TEST_F(MusicTimerTest, TheSixthReportAboveFourEndsThePopMute)
{
    const uint8_t vol = 30;
    guiWrapperMusicVolSet(&vol);
    GuiWrapperMusicObj& o = guiWrapperMusicObj();
    o.aud_src = GUI_WRAPPER_MUSIC_SRC_ARC;
    o.unmute_en = 1;
    guiWrapperMusicPopMuteSet(1);
    mark();
    for (int i = 0; i < 5; ++i) {
        guiWrapperMusicEnergySet(5);
        guiWrapperMusicEnergySet(4);  // never counts, never resets
    }
    EXPECT_EQ(o.pop_mute_sts.load(), 1);
    EXPECT_TRUE(idsSinceMark().empty());
    guiWrapperMusicEnergySet(5);
    EXPECT_EQ(o.pop_mute_sts.load(), 0);
    EXPECT_EQ(idsSinceMark(), (std::vector<int>{20, 0, 0}));  // the bass level and both streams
    EXPECT_TRUE(waitFor([&] { return streamsAt(100000); }));
}

TEST_F(MusicTimerTest, AuxNoiseMutesOnceAfterFiftyTicksAndASignalLiftsIt)
{
    const uint32_t aux = GUI_WRAPPER_MUSIC_SRC_AUX;
    guiWrapperMusicManualSrcInSet(&aux);
    GuiWrapperMusicObj& o = guiWrapperMusicObj();
    guiWrapperMusicEnergySet(14);
    for (int i = 0; i < 49; ++i) {
        guiWrapperMusicNoiseDetectCbk(0);
    }
    EXPECT_EQ(o.noise_sts.load(), 0);
    mark();
    guiWrapperMusicNoiseDetectCbk(0);
    EXPECT_EQ(o.noise_sts.load(), 1);
    EXPECT_EQ(o.unmute_en.load(), 0);
    EXPECT_EQ(idsSinceMark(), (std::vector<int>{0, 0}));  // both streams silenced, once
    for (int i = 0; i < 20; ++i) {
        guiWrapperMusicNoiseDetectCbk(0);
    }
    EXPECT_EQ(idsSinceMark(), (std::vector<int>{0, 0}));
    guiWrapperMusicEnergySet(51);
    guiWrapperMusicNoiseDetectCbk(0);
    EXPECT_EQ(o.noise_sts.load(), 0);
    EXPECT_EQ(o.unmute_en.load(), 1);
}

TEST_F(MusicTimerTest, EffectChangesWithinTheWindowAreSentOnceInOrder)
{
    const uint8_t eq = 0;
    const uint8_t on = 1;
    mark();
    guiWrapperMusicEqSet(&eq);
    guiWrapperMusicSurEnSet(&on);
    guiWrapperMusicVirtualXSet(&on);
    // Muted at once (each setter silences both streams) and the amplifiers.
    EXPECT_EQ(idsSinceMark(), (std::vector<int>{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(mute(kAmpLr), kAmpMuted);
    ASSERT_TRUE(waitFor([] { return guiWrapperMusicEffectPendingForTest() == 0; }));
    std::vector<int> effects;
    for (int id : idsSinceMark()) {
        if (id == 17 || id == 18 || id == 26) {
            effects.push_back(id);
        }
    }
    EXPECT_EQ(effects, (std::vector<int>{17, 26, 18}));
    EXPECT_EQ(mute(kAmpLr), kAmpPlaying);
}

TEST_F(MusicTimerTest, AChangeWaitsForThePromptTone)
{
    // A stand-in player that plays for a second.
    const std::string bin = sandbox.dir() + "/fakebin";
    std::filesystem::create_directories(bin);
    std::filesystem::create_symlink(FAKE_APLAY, bin + "/aplay");
    const std::string path = std::getenv("PATH");
    setenv("PATH", (bin + ":" + path).c_str(), 1);
    setenv("FAKE_APLAY_MS", "1000", 1);
    guiToneInit();
    guiToneEnableSet(1);
    guiToneVolSet(2);
    guiTonePowerOn();
    ASSERT_TRUE(waitFor([] { return guiTonePlayDoneGet() == 0; }));
    mark();
    const uint8_t eq = 3;
    guiWrapperMusicEqSet(&eq);
    // Twice the window and still waiting: the tone plays on.
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const bool toneStill = guiTonePlayDoneGet() == 0;
    const std::vector<int> during = idsSinceMark();
    ASSERT_TRUE(waitFor([] { return guiWrapperMusicEffectPendingForTest() == 0; }));
    guiToneExit();
    setenv("PATH", path.c_str(), 1);
    unsetenv("FAKE_APLAY_MS");
    if (toneStill) {
        EXPECT_EQ(std::count(during.begin(), during.end(), 18), 0);
    }
    const std::vector<int> all = idsSinceMark();
    EXPECT_EQ(std::count(all.begin(), all.end(), 18), 1);
}

}  // namespace

