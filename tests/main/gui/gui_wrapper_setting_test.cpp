// The wrapper setting record against the real configuration store in a fresh root: restore at
// power on (first start and stored values), store at power off, and the widgets' two slots.
#include "main/gui/wrapper/gui_wrapper_setting.h"

#include "main/acfg/acfg_app.h"
#include "main/acfg/acfg_cus_flash.h"
#include "main/acfg/acfg_item_idx.h"
#include "main/am/amb/amb.h"
#include "tests/main/am/app_harness.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Field by field: padding bytes take no part.
::testing::AssertionResult same(const GuiWrapperSetting& a, const GuiWrapperSetting& b)
{
#define SAME(f)                                                \
    if (memcmp(&a.f, &b.f, sizeof(a.f)) != 0) {                \
        return ::testing::AssertionFailure() << #f " differs"; \
    }
    SAME(sales_area)
    SAME(bt_mac) SAME(latency) SAME(bass) SAME(center) SAME(treble) SAME(eq_mode) SAME(style_eq_point)
        SAME(cus_eq_point) SAME(eq_customiz) SAME(sur_vol) SAME(sur_en) SAME(bass_boost_en) SAME(virtual_x_en)
            SAME(xupmix_en) SAME(sur_left) SAME(sur_right) SAME(height) SAME(aud_src) SAME(usb_play_mode) SAME(mute_sts)
                SAME(lcd_dimmer_lvl) SAME(led_dimmer_lvl) SAME(vol) SAME(tone_vol) SAME(shop_mode_en) SAME(auto_wake_en)
                    SAME(auto_standby) SAME(auto_screensaver) SAME(beep_en) SAME(reserved) SAME(reserved_byte)
                        SAME(tv_symphony) SAME(night_vol) SAME(night_tone_vol) SAME(night_lcd_dimmer_lvl)
#undef SAME
                            return ::testing::AssertionSuccess();
}

class WrapperSettingTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        apptest::startFramework();
        static amb_register_info_t record{};
        static bool registered = false;
        if (!registered) {
            a_acfg_register(&record);
            ASSERT_EQ(u_amb_register_app(&record), 0);
            registered = true;
        }
        ASSERT_EQ(u_amb_sync_start_app("acfg"), 0);
    }
    void TearDown() override { EXPECT_EQ(u_amb_sync_exit_app("acfg"), 0); }

    static AcfgCusFlashParam items()
    {
        AcfgCusFlashParam p{};
        for (uint8_t idx = 0; idx <= IDX_FLASH_WRITTEN; ++idx) {
            uAcfgCusFlashGet(idx, &p);
        }
        return p;
    }

    template <typename Fill>
    static void store(uint8_t idx, Fill fill)
    {
        AcfgCusFlashParam p{};
        fill(p);
        uAcfgCusFlashSet(idx, &p);
    }
};

TEST_F(WrapperSettingTest, FirstStartWritesDefaultRowZeroAndTheMarker)
{
    const std::string before = sandbox.read("/data/misc/app.cfg");
    const uint8_t storedVol = items().vol;
    GuiWrapperSetting rec{};
    memset(&rec, 0xA5, sizeof(rec));
    guiWrapperPowerOnFlashParamGet(&rec);

    GuiWrapperSetting want = gGuiWrapperDefaultSetting[0];
    want.vol = storedVol > 80 ? 50 : storedVol;
    EXPECT_TRUE(same(rec, want)) << "row 0, the volume as stored before";

    const AcfgCusFlashParam p = items();
    EXPECT_EQ(p.flash_written, 'Z');
    EXPECT_EQ(p.sales_area, 0);
    const uint8_t mac[6] = {0x11, 0x11, 0x11, 0x11, 0x11, 0x11};
    EXPECT_EQ(memcmp(p.bt_mac, mac, sizeof(mac)), 0);
    EXPECT_EQ(p.eq_mode, 1u);
    EXPECT_EQ(p.lcd_dimmer_lvl, 3u);
    EXPECT_EQ(p.auto_screensaver, 1);
    EXPECT_EQ(p.night_vol, 20);
    EXPECT_NE(sandbox.read("/data/misc/app.cfg"), before) << "the store file is written at once";

    const GuiWrapperSetting& row1 = gGuiWrapperDefaultSetting[1];
    EXPECT_EQ(row1.sales_area, 1u);
    EXPECT_EQ(row1.bt_mac[5], 0x22);
    GuiWrapperSetting row1As0 = row1;
    row1As0.sales_area = 0;
    memcpy(row1As0.bt_mac, mac, sizeof(mac));
    EXPECT_TRUE(same(row1As0, gGuiWrapperDefaultSetting[0])) << "rows differ only there";
}

TEST_F(WrapperSettingTest, StoredValuesComeBackWithTheirCaps)
{
    struct Case {
        uint8_t vol;
        uint8_t nightVol;
        uint8_t wantVol;
        uint8_t wantNight;
    };
    const Case cases[] = {{95, 81, 50, 50}, {80, 80, 80, 80}, {0, 100, 0, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.vol));
        store(IDX_VOLUME, [&](AcfgCusFlashParam& p) { p.vol = c.vol; });
        store(IDX_NIGHT_VOLUME, [&](AcfgCusFlashParam& p) { p.night_vol = c.nightVol; });
        store(IDX_MUTE, [](AcfgCusFlashParam& p) { p.mute = 1; });
        store(IDX_VIRTUAL_X, [](AcfgCusFlashParam& p) { p.virtual_x_en = 0; });
        store(IDX_EQ, [](AcfgCusFlashParam& p) { p.eq_mode = 4; });
        store(IDX_FLASH_WRITTEN, [](AcfgCusFlashParam& p) { p.flash_written = 'Z'; });
        GuiWrapperSetting rec{};
        rec.mute_sts = 1;
        rec.tv_symphony = 1;
        rec.eq_customiz = 1;
        guiWrapperPowerOnFlashParamGet(&rec);
        EXPECT_EQ(rec.vol, c.wantVol);
        EXPECT_EQ(rec.night_vol, c.wantNight);
        EXPECT_EQ(rec.eq_mode, 4u);
        EXPECT_EQ(rec.mute_sts, 0);
        EXPECT_EQ(rec.virtual_x_en, 1);
        EXPECT_EQ(rec.tv_symphony, 0);
        EXPECT_EQ(rec.eq_customiz, 1) << "kept";
    }
}

TEST_F(WrapperSettingTest, PowerOffStoresTheRecord)
{
    GuiWrapperSetting rec = gGuiWrapperDefaultSetting[1];
    rec.vol = 33;
    rec.bass = 9;
    rec.cus_eq_point[3] = -7;
    rec.night_lcd_dimmer_lvl = 4;
    guiWrapperPowerOffFlashParamSet(&rec);
    GuiWrapperSetting back{};
    guiWrapperPowerOnFlashParamGet(&back);
    EXPECT_EQ(back.sales_area, 1u);
    EXPECT_EQ(back.bt_mac[0], 0x22);
    EXPECT_EQ(back.vol, 33);
    EXPECT_EQ(back.bass, 9);
    EXPECT_EQ(back.cus_eq_point[3], -7);
    EXPECT_EQ(back.night_lcd_dimmer_lvl, 4u);
    EXPECT_EQ(items().flash_written, 'Z');
    guiWrapperPowerOffFlashParamSet(nullptr);  // logged, nothing else
}

TEST_F(WrapperSettingTest, WidgetSlots)
{
    GuiWrapperSetting* rec = guiWrapperSettingRecord();
    *rec = gGuiWrapperDefaultSetting[0];
    rec->eq_mode = GUI_EQ_MODE_NIGHT;
    GuiWidgetSetting w{};
    guiWrapperWidgetSettingGet(&w);
    EXPECT_EQ(w.vol, 20) << "night values in night mode";
    EXPECT_EQ(w.tone_vol, 1);
    EXPECT_EQ(w.lcd_dimmer_lvl, 1u);
    EXPECT_EQ(w.day_vol, 50);
    EXPECT_EQ(guiWrapperVolGet(), 20);
    rec->eq_mode = 1;
    EXPECT_EQ(guiWrapperVolGet(), 50);
    guiWrapperWidgetSettingGet(&w);
    EXPECT_EQ(w.vol, 50);

    // One field into the record and its item; mute only into the record; the marker always.
    store(IDX_FLASH_WRITTEN, [](AcfgCusFlashParam& p) { p.flash_written = 0; });
    w.bass = 11;
    w.mute_sts = 1;
    guiWrapperWidgetSettingSet(GUI_WRAPPER_SETTING_BASS, &w);
    EXPECT_EQ(rec->bass, 11);
    EXPECT_EQ(items().bass, 11);
    EXPECT_EQ(items().flash_written, 'Z');
    store(IDX_FLASH_WRITTEN, [](AcfgCusFlashParam& p) { p.flash_written = 0; });
    guiWrapperWidgetSettingSet(GUI_WRAPPER_SETTING_MUTE, &w);
    EXPECT_EQ(rec->mute_sts, 1);
    EXPECT_EQ(items().mute, 0) << "no item for mute";
    EXPECT_EQ(items().flash_written, 'Z');
    store(IDX_FLASH_WRITTEN, [](AcfgCusFlashParam& p) { p.flash_written = 0; });
    w.center = 2;
    guiWrapperWidgetSettingSet(static_cast<GuiWrapperSettingId>(12), &w);
    EXPECT_EQ(rec->center, 6) << "id 12 changes nothing";
    EXPECT_EQ(items().flash_written, 'Z');

    w.day_vol = 71;
    w.night_lcd_dimmer_lvl = 5;
    w.auto_standby = 4;
    guiWrapperWidgetSettingSet(GUI_WRAPPER_SETTING_VOL, &w);
    guiWrapperWidgetSettingSet(GUI_WRAPPER_SETTING_NIGHT_LCD_DIMMER, &w);
    guiWrapperWidgetSettingSet(GUI_WRAPPER_SETTING_AUTO_STANDBY, &w);
    const AcfgCusFlashParam p = items();
    EXPECT_EQ(p.vol, 71);
    EXPECT_EQ(p.night_lcd_dimmer_lvl, 5u);
    EXPECT_EQ(p.auto_standby, 4);
    EXPECT_EQ(rec->auto_standby, 4u);

    guiWrapperWidgetEqReset(nullptr);
    EXPECT_EQ(rec->bass, 6);
    EXPECT_EQ(rec->eq_mode, 1u);
    EXPECT_EQ(guiWrapperMusicEqModeGet(), 1u);
    guiWrapperWidgetSettingSet(GUI_WRAPPER_SETTING_BASS, nullptr);
    guiWrapperWidgetSettingGet(nullptr);
}

}  // namespace
