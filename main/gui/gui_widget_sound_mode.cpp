// The sound-mode widgets: the EQ preset (night mode carries its own volume, tone level and display
// dimmer, swapped in and out with it), the custom curves, surround on and off, the EQ reset and
// the prompt-tone level.
#include "main/gui/gui_widget.h"

#include "main/gui/gui_ops.h"
#include "main/gui/gui_tracking.h"
#include "main/gui/gui_widget_disp.h"
#include "main/gui/link/wrapper_brontal.h"
#include "main/gui/tone/gui_tone.h"
#include "main/timerd/gui_log.h"
#include "main/timerd/gui_timer.h"

#include <cstring>
#include <mutex>

namespace {

constexpr uint16_t kShowMs = 5000;
constexpr uint16_t kSwitchShowMs = 1000;
constexpr uint32_t kVolDeferMs = 500;
constexpr uint32_t kEqNight = 5;
constexpr uint32_t kEqStyle = 6;
constexpr uint8_t kToneVolMax = 3;

template <typename F>
auto withRecord(F&& f)
{
    std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
    return f(guiWidgetRecord());
}

void stopVolumeTimers()
{
    for (GuiWidgetTimer t :
         {GUI_WIDGET_TIMER_VOL, GUI_WIDGET_TIMER_VOL_SYNC, GUI_WIDGET_TIMER_VOL_BT, GUI_WIDGET_TIMER_VOL_WIRELESS}) {
        const uint32_t handle = guiWidgetTimerGet(t);
        if (handle != 0 && guiTimerActiveStsGet(handle) != 0) {
            guiTimerSet(handle, 0, 0);
        }
    }
}

void applyDimmer(uint32_t level, GuiWrapperSettingId id)
{
    guiWrapperBrontalLcdDimmerSet(&level);
    guiOpsDispDimmerSet(level, 1);
    guiWidgetSlotSettingSet(id);
    guiTrackingPrint(3, level);
}

void applyToneVol(uint8_t toneVol)
{
    guiWidgetSlotCall(GUI_WIDGET_CBK_TONE_VOL_SET, &toneVol);
}

// Now, or by the volume timer once the prompt tone has ended (it sends the then current volume).
void applyVol(uint8_t vol)
{
    if (guiTonePlayDoneGet() != 0) {
        guiWidgetSlotCall(GUI_WIDGET_CBK_VOL_SET, &vol);
    } else {
        guiTimerSet(guiWidgetTimerGet(GUI_WIDGET_TIMER_VOL), kVolDeferMs, 0);
    }
}

// Night mode swaps in its own volume, tone level and dimmer; the day values come back only where
// they differ.
void guiWidgetEqSet(uint8_t isNightMode)
{
    GUI_LOG_INFO("is_night_mode=%d!", isNightMode);
    stopVolumeTimers();
    struct Values {
        uint32_t dimmer;
        uint8_t toneVol;
        uint8_t vol;
        uint32_t eqMode;
        bool dimmerChanged;
        bool toneChanged;
        bool volChanged;
    };
    const Values v = withRecord([&](GuiWidgetSetting& s) {
        Values out{};
        if (isNightMode != 0) {
            s.lcd_dimmer_lvl = s.night_lcd_dimmer_lvl;
            s.tone_vol = s.night_tone_vol;
            s.vol = s.night_vol;
            out = {s.lcd_dimmer_lvl, s.tone_vol, s.vol, s.eq_mode, true, true, true};
        } else {
            out.dimmerChanged = s.lcd_dimmer_lvl != s.day_lcd_dimmer_lvl;
            out.toneChanged = s.tone_vol != s.day_tone_vol;
            out.volChanged = s.vol != s.day_vol;
            s.lcd_dimmer_lvl = s.day_lcd_dimmer_lvl;
            s.tone_vol = s.day_tone_vol;
            s.vol = s.day_vol;
            out.dimmer = s.lcd_dimmer_lvl;
            out.toneVol = s.tone_vol;
            out.vol = s.vol;
            out.eqMode = s.eq_mode;
        }
        return out;
    });
    if (isNightMode != 0) {
        GUI_LOG_INFO("Widget Param: vol=%d, tone=%d, lcd_dimmer_lvl=%d", v.vol, v.toneVol, static_cast<int>(v.dimmer));
    }
    if (v.dimmerChanged) {
        applyDimmer(v.dimmer, isNightMode != 0 ? GUI_WRAPPER_SETTING_NIGHT_LCD_DIMMER : GUI_WRAPPER_SETTING_LCD_DIMMER);
    }
    guiWidgetDispEq(v.eqMode, kShowMs);
    if (v.toneChanged) {
        applyToneVol(v.toneVol);
    }
    if (v.volChanged) {
        applyVol(v.vol);
    }
}

void storeToneVol(uint8_t value)
{
    const bool night = withRecord([&](GuiWidgetSetting& s) {
        s.tone_vol = value;
        if (s.eq_mode == kEqNight) {
            s.night_tone_vol = value;
            return true;
        }
        s.day_tone_vol = value;
        return false;
    });
    guiWidgetSlotSettingSet(night ? GUI_WRAPPER_SETTING_NIGHT_TONE_VOL : GUI_WRAPPER_SETTING_TONE_VOL);
    applyToneVol(value);
}

void showToneVol(uint8_t value)
{
    GUI_LOG_INFO("tone_volume=%d!", value);
    if (value <= kToneVolMax) {
        guiWidgetDispToneVolume(value, kShowMs);
    }
    guiTrackingPrint(13, value);
}

}  // namespace

void guiWidgetSurDispProcess(void)
{
    const uint8_t level = withRecord([](const GuiWidgetSetting& s) { return s.sur_vol; });
    GUI_LOG_INFO("sur_vol=%d", level);
    guiWidgetDispSurround(level, kShowMs);
}

void guiWidgetSurEnToggleProcess(void)
{
    if (withRecord([](const GuiWidgetSetting& s) { return s.tv_symphony; }) != 0) {
        guiWidgetDispTvBlink(1);
        return;
    }
    uint8_t on = withRecord([](GuiWidgetSetting& s) {
        s.sur_en = s.sur_en == 0 ? 1 : 0;
        return s.sur_en;
    });
    guiWidgetDispSurEn(on, kSwitchShowMs);
    guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_SUR_EN);
    guiWidgetSlotCall(GUI_WIDGET_CBK_SUR_EN_SET, &on);
}

void guiWidgetEqDispProcess(void)
{
    const uint32_t mode = withRecord([](const GuiWidgetSetting& s) { return s.eq_mode; });
    GUI_LOG_INFO("eq_mode=%d", static_cast<int>(mode));
    guiWidgetDispEq(mode, kShowMs);
}

void guiWidgetEqSelProcess(const GuiWidgetEqSel* sel)
{
    if (sel == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    const auto [current, tv] = withRecord([](const GuiWidgetSetting& s) { return std::make_pair(s.eq_mode, s.tv_symphony); });
    // The curves (6 and 7) are always applied again, so that new custom values take effect.
    if (sel->eq_mode == current && current < kEqStyle) {
        GUI_LOG_INFO("The current eq mode is the same as the set eq mode!");
        guiWidgetDispEq(current, kShowMs);
        return;
    }
    if (tv != 0) {
        guiWidgetDispTvBlink(1);
        return;
    }
    withRecord([&](GuiWidgetSetting& s) { s.eq_mode = sel->eq_mode; });
    guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_EQ_MODE);
    guiTrackingPrint(7, sel->eq_mode);
    if (sel->eq_mode < kEqStyle) {
        guiWidgetEqSet(sel->eq_mode == kEqNight ? 1 : 0);
        uint8_t mode = static_cast<uint8_t>(sel->eq_mode);
        guiWidgetSlotCall(GUI_WIDGET_CBK_EQ_SET, &mode);
        return;
    }
    GuiWidgetEqSel copy{};
    std::memcpy(&copy, sel, sizeof copy);
    guiWidgetEqSet(0);
    guiWidgetSlotCall(GUI_WIDGET_CBK_CUS_EQ_SET, &copy);
}

void guiWidgetEqToggleProcess(void)
{
    const uint32_t current = withRecord([](const GuiWidgetSetting& s) { return s.eq_mode; });
    GuiWidgetEqSel sel{};
    sel.eq_mode = current <= 4 ? current + 1 : 0;
    guiWidgetEqSelProcess(&sel);
}

void guiWidgetEqResetProcess(void)
{
    stopVolumeTimers();
    guiWrapperWidgetEqReset(nullptr);
    guiWidgetSettingRefresh();
    guiWidgetDispEqReset(kShowMs);
    for (GuiWrapperSettingId id : {GUI_WRAPPER_SETTING_EQ_MODE, GUI_WRAPPER_SETTING_BASS, GUI_WRAPPER_SETTING_CENTER,
                                   GUI_WRAPPER_SETTING_TREBLE}) {
        guiWidgetSlotSettingSet(id);
    }
    struct Values {
        uint8_t vol, toneVol, bass, center, treble;
        uint32_t dimmer, eqMode;
    };
    const Values v = withRecord([](GuiWidgetSetting& s) {
        s.vol = s.day_vol;
        s.tone_vol = s.day_tone_vol;
        s.lcd_dimmer_lvl = s.day_lcd_dimmer_lvl;
        return Values{s.vol, s.tone_vol, s.bass, s.center, s.treble, s.lcd_dimmer_lvl, s.eq_mode};
    });
    applyToneVol(v.toneVol);
    applyVol(v.vol);
    // The dimmer widgets are not in the tree yet: the day level is applied as night mode's swap does.
    applyDimmer(v.dimmer, GUI_WRAPPER_SETTING_LCD_DIMMER);
    uint8_t mode = static_cast<uint8_t>(v.eqMode);
    guiWidgetSlotCall(GUI_WIDGET_CBK_EQ_SET, &mode);
    uint8_t bass = v.bass;
    uint8_t center = v.center;
    uint8_t treble = v.treble;
    guiWidgetSlotCall(GUI_WIDGET_CBK_BASS_SET, &bass);
    guiWidgetSlotCall(GUI_WIDGET_CBK_CENTER_SET, &center);
    guiWidgetSlotCall(GUI_WIDGET_CBK_TREBLE_SET, &treble);
}

void guiWidgetToneVolDispProcess(void)
{
    const uint8_t value = withRecord([](const GuiWidgetSetting& s) { return s.tone_vol; });
    GUI_LOG_INFO("tone_volume=%d!", value);
    guiWidgetDispToneVolume(value, kShowMs);
}

void guiWidgetToneVolSetProcess(uint8_t value)
{
    showToneVol(value);
    if (withRecord([](const GuiWidgetSetting& s) { return s.tone_vol; }) != value) {
        storeToneVol(value);
    }
}

void guiWidgetToneVolOnceProcess(uint8_t down)
{
    if (down > 1) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    const uint8_t current = withRecord([](const GuiWidgetSetting& s) { return s.tone_vol; });
    uint8_t value = current;
    if (down == 0 && value < kToneVolMax) {
        ++value;
    } else if (down == 1 && value > 0) {
        --value;
    }
    showToneVol(value);
    if (value != current) {
        storeToneVol(value);
    }
}
