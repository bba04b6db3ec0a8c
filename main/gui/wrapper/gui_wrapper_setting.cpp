#include "main/gui/wrapper/gui_wrapper_setting.h"

#include "main/acfg/acfg_cus_flash.h"
#include "main/acfg/acfg_item_idx.h"
#include "main/gui/link/wrapper_brontal.h"
#include "main/gui/link/wrapper_wireless.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/timerd/gui_log.h"

#include <cstring>
#include <initializer_list>
#include <algorithm>
#include <mutex>
#include <type_traits>

namespace {

constexpr uint8_t kVolCap = 80;
constexpr uint8_t kVolAfterCap = 50;
constexpr uint8_t kNeutralTone = 6;
constexpr uint32_t kMovieMode = 1;

constexpr GuiWrapperSetting defaultRow(uint32_t salesArea, uint8_t macByte)
{
    GuiWrapperSetting s{};
    s.sales_area = salesArea;
    for (uint8_t& b : s.bt_mac) {
        b = macByte;
    }
    s.bass = 6;
    s.center = 6;
    s.treble = 6;
    s.eq_mode = 1;
    s.sur_vol = 6;
    s.sur_en = 1;
    s.bass_boost_en = 1;
    s.virtual_x_en = 1;
    s.xupmix_en = 1;
    s.sur_left = 5;
    s.sur_right = 5;
    s.height = 3;
    s.lcd_dimmer_lvl = 3;
    s.vol = 50;
    s.tone_vol = 2;
    s.auto_screensaver = 1;
    s.beep_en = 1;
    s.night_vol = 20;
    s.night_tone_vol = 1;
    s.night_lcd_dimmer_lvl = 1;
    return s;
}

// The widgets (GUI thread) and the power paths change it; one lock keeps each change whole.
struct WrapperSettingState {
    std::mutex lock;
    GuiWrapperSetting setting{};
};

WrapperSettingState& state()
{
    static WrapperSettingState s;
    return s;
}

// The user-parameter items the record lives in, read into a zeroed record.
AcfgCusFlashParam readItems(std::initializer_list<uint8_t> first)
{
    AcfgCusFlashParam p{};
    for (uint8_t idx : first) {
        uAcfgCusFlashGet(idx, &p);
    }
    for (uint8_t idx = IDX_EQ; idx <= IDX_FLASH_WRITTEN; ++idx) {
        uAcfgCusFlashGet(idx, &p);
    }
    return p;
}

void gainsFromBytes(int16_t (&to)[GUI_WRAPPER_EQ_POINTS], const uint8_t (&from)[20])
{
    for (uint32_t i = 0; i < GUI_WRAPPER_EQ_POINTS; ++i) {
        to[i] = static_cast<int16_t>(from[2 * i] | from[2 * i + 1] << 8);
    }
}

void gainsToBytes(uint8_t (&to)[20], const int16_t (&from)[GUI_WRAPPER_EQ_POINTS])
{
    for (uint32_t i = 0; i < GUI_WRAPPER_EQ_POINTS; ++i) {
        const auto v = static_cast<uint16_t>(from[i]);
        to[2 * i] = static_cast<uint8_t>(v);
        to[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
}

// Writes one item from a zeroed record holding only the new value.
template <typename Fill>
void writeItem(uint8_t idx, Fill fill)
{
    AcfgCusFlashParam p{};
    fill(p);
    uAcfgCusFlashSet(idx, &p);
}

void ensureWrittenMarker()
{
    AcfgCusFlashParam p{};
    uAcfgCusFlashGet(IDX_FLASH_WRITTEN, &p);
    if (p.flash_written != ACFG_CUS_FLASH_WRITTEN) {
        writeItem(IDX_FLASH_WRITTEN, [](AcfgCusFlashParam& q) { q.flash_written = ACFG_CUS_FLASH_WRITTEN; });
    }
}

}  // namespace

const GuiWrapperSetting gGuiWrapperDefaultSetting[2] = {defaultRow(0, 0x11), defaultRow(1, 0x22)};

GuiWrapperSetting* guiWrapperSettingRecord(void)
{
    return &state().setting;
}

void guiWrapperPowerOnFlashParamGet(GuiWrapperSetting* rec)
{
    if (rec == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    const AcfgCusFlashParam p = readItems({IDX_VOLUME, IDX_MUTE, IDX_TONE_VOLUME, IDX_SOURCE});
    GUI_LOG_INFO("flash_written=0x%x", p.flash_written);
    if (p.flash_written == ACFG_CUS_FLASH_WRITTEN) {
        rec->sales_area = p.sales_area;
        memcpy(rec->bt_mac, p.bt_mac, sizeof(rec->bt_mac));
        rec->aud_src = p.aud_src;
        rec->usb_play_mode = p.usb_play_mode;
        rec->sur_en = p.sur_en;
        rec->eq_mode = p.eq_mode;
        gainsFromBytes(rec->cus_eq_point, p.cus_eq_point);
        gainsFromBytes(rec->style_eq_point, p.style_eq_point);
        rec->lcd_dimmer_lvl = p.lcd_dimmer_lvl;
        rec->led_dimmer_lvl = p.led_dimmer_lvl;
        rec->sur_vol = p.sur_vol;
        rec->bass = p.bass;
        rec->treble = p.treble;
        rec->tone_vol = p.tone_vol;
        rec->shop_mode_en = p.shop_mode_en;
        rec->auto_wake_en = p.auto_wake_en;
        rec->auto_standby = p.auto_standby;
        rec->auto_screensaver = p.auto_screensaver;
        rec->beep_en = p.beep_en;
        rec->latency = p.latency;
        rec->bass_boost_en = static_cast<uint8_t>(p.bass_boost_en);
        rec->xupmix_en = p.xupmix_en;
        rec->center = p.center;
        rec->sur_left = p.sur_left;
        rec->sur_right = p.sur_right;
        rec->height = p.height;
        rec->night_vol = p.night_vol;
        rec->night_tone_vol = p.night_tone_vol;
        rec->night_lcd_dimmer_lvl = p.night_lcd_dimmer_lvl;
        rec->mute_sts = 0;
        rec->virtual_x_en = 1;
        rec->reserved[0] = 0;
        rec->reserved[1] = 0;
        rec->reserved_byte = 0;
        rec->tv_symphony = 0;
    } else {
        *rec = gGuiWrapperDefaultSetting[0];
        guiWrapperPowerOffFlashParamSet(rec);
        GUI_LOG_INFO("FLASH DEFAULT");
    }
    rec->vol = p.vol;
    if (rec->vol > kVolCap) {
        rec->vol = kVolAfterCap;
    }
    if (rec->night_vol > kVolCap) {
        rec->night_vol = kVolAfterCap;
    }
    GUI_LOG_INFO("Restore Param From Flash, After Power On!");
}

void guiWrapperPowerOffFlashParamSet(const GuiWrapperSetting* rec)
{
    if (rec == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    AcfgCusFlashParam p = readItems({IDX_VOLUME, IDX_TONE_VOLUME, IDX_MUTE, IDX_SOURCE});
    // Each field that differs from its item goes into the record and that one item is written.
    auto put = [&p](uint8_t idx, auto& stored, auto value) {
        if (stored != static_cast<std::remove_reference_t<decltype(stored)>>(value)) {
            stored = static_cast<std::remove_reference_t<decltype(stored)>>(value);
            uAcfgCusFlashSet(idx, &p);
        }
    };
    put(IDX_SALES_AREA, p.sales_area, rec->sales_area);
    if (memcmp(p.bt_mac, rec->bt_mac, sizeof(p.bt_mac)) != 0) {
        memcpy(p.bt_mac, rec->bt_mac, sizeof(p.bt_mac));
        uAcfgCusFlashSet(IDX_BT_MAC, &p);
    }
    put(IDX_SOURCE, p.aud_src, rec->aud_src);
    put(IDX_USB_PLAY_MODE, p.usb_play_mode, rec->usb_play_mode);
    put(IDX_SURROUND, p.sur_en, rec->sur_en);
    put(IDX_EQ, p.eq_mode, rec->eq_mode);
    uint8_t gains[20];
    gainsToBytes(gains, rec->cus_eq_point);
    if (memcmp(p.cus_eq_point, gains, sizeof(gains)) != 0) {
        memcpy(p.cus_eq_point, gains, sizeof(gains));
        uAcfgCusFlashSet(IDX_CUS_EQ_POINT, &p);
    }
    gainsToBytes(gains, rec->style_eq_point);
    if (memcmp(p.style_eq_point, gains, sizeof(gains)) != 0) {
        memcpy(p.style_eq_point, gains, sizeof(gains));
        uAcfgCusFlashSet(IDX_STYLE_EQ_POINT, &p);
    }
    put(IDX_LED_DIMMER, p.led_dimmer_lvl, rec->led_dimmer_lvl);
    put(IDX_LCD_DIMMER, p.lcd_dimmer_lvl, rec->lcd_dimmer_lvl);
    put(IDX_VOLUME, p.vol, rec->vol);
    put(IDX_TONE_VOLUME, p.tone_vol, rec->tone_vol);
    put(IDX_NIGHT_LCD_DIMMER, p.night_lcd_dimmer_lvl, rec->night_lcd_dimmer_lvl);
    put(IDX_NIGHT_VOLUME, p.night_vol, rec->night_vol);
    put(IDX_NIGHT_TONE_VOLUME, p.night_tone_vol, rec->night_tone_vol);
    put(IDX_SURROUND_VOL, p.sur_vol, rec->sur_vol);
    put(IDX_BASS, p.bass, rec->bass);
    put(IDX_TREBLE, p.treble, rec->treble);
    put(IDX_SHOPMODE, p.shop_mode_en, rec->shop_mode_en);
    put(IDX_AUTOWAKE, p.auto_wake_en, rec->auto_wake_en);
    put(IDX_AUTOSTANDBY, p.auto_standby, rec->auto_standby);
    put(IDX_AUTOSCREENSAVER, p.auto_screensaver, rec->auto_screensaver);
    put(IDX_BEEP, p.beep_en, rec->beep_en);
    put(IDX_LATENCY, p.latency, rec->latency);
    put(IDX_BASS_BOOST, p.bass_boost_en, rec->bass_boost_en);
    put(IDX_CENTER, p.center, rec->center);
    put(IDX_SURROUND_LEFT, p.sur_left, rec->sur_left);
    put(IDX_SURROUND_RIGHT, p.sur_right, rec->sur_right);
    put(IDX_HEIGHT, p.height, rec->height);
    put(IDX_VIRTUAL_X, p.virtual_x_en, rec->virtual_x_en);
    put(IDX_XUPMIX, p.xupmix_en, rec->xupmix_en);
    if (p.flash_written != ACFG_CUS_FLASH_WRITTEN) {
        p.flash_written = ACFG_CUS_FLASH_WRITTEN;
        uAcfgCusFlashSet(IDX_FLASH_WRITTEN, &p);
    }
    uAcfgCusFlashFlush();
    GUI_LOG_INFO("Store Param Into Flash, Before Power Off!");
}

void guiWrapperWidgetSettingGet(GuiWidgetSetting* w)
{
    if (w == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    std::lock_guard<std::mutex> lock(state().lock);
    const GuiWrapperSetting& s = state().setting;
    w->sales_area = s.sales_area;
    w->aud_src = s.aud_src;
    w->usb_play_mode = s.usb_play_mode;
    w->sur_en = s.sur_en;
    w->sur_vol = s.sur_vol;
    w->mute_sts = s.mute_sts;
    w->eq_mode = s.eq_mode;
    w->eq_customiz = s.eq_customiz;
    w->day_vol = s.vol;
    w->day_tone_vol = static_cast<uint8_t>(s.tone_vol);
    w->bass = s.bass;
    w->treble = s.treble;
    w->center = s.center;
    w->sur_right = s.sur_right;
    w->sur_left = s.sur_left;
    w->height = s.height;
    w->virtual_x = s.virtual_x_en;
    w->xupmix = s.xupmix_en;
    w->day_lcd_dimmer_lvl = s.lcd_dimmer_lvl;
    w->led_dimmer = s.led_dimmer_lvl;
    w->tv_symphony = s.tv_symphony;
    w->shop_mode_en = s.shop_mode_en;
    w->autowake = s.auto_wake_en;
    w->auto_standby = s.auto_standby;
    w->auto_screensaver = s.auto_screensaver;
    w->night_vol = s.night_vol;
    w->night_tone_vol = static_cast<uint8_t>(s.night_tone_vol);
    w->night_lcd_dimmer_lvl = s.night_lcd_dimmer_lvl;
    const bool night = w->eq_mode == GUI_EQ_MODE_NIGHT;
    w->vol = night ? w->night_vol : w->day_vol;
    w->tone_vol = night ? w->night_tone_vol : w->day_tone_vol;
    w->lcd_dimmer_lvl = night ? w->night_lcd_dimmer_lvl : w->day_lcd_dimmer_lvl;
    GUI_LOG_INFO("Widget Param: vol=%d, tone=%d, lcd_dimmer_lvl=%d", w->vol, w->tone_vol,
                 static_cast<int>(w->lcd_dimmer_lvl));
}

void guiWrapperWidgetSettingSet(GuiWrapperSettingId id, const GuiWidgetSetting* w)
{
    if (w == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    std::unique_lock<std::mutex> lock(state().lock);
    GuiWrapperSetting& s = state().setting;
    // Copies the widget's value into the record and writes its item when it changed (or always).
    auto set = [](auto& field, auto value, uint8_t idx, auto fill, bool always = false) {
        using T = std::remove_reference_t<decltype(field)>;
        const bool changed = field != static_cast<T>(value);
        field = static_cast<T>(value);
        if (changed || always) {
            writeItem(idx, fill);
        }
        return changed;
    };
    switch (id) {
    case GUI_WRAPPER_SETTING_SALES_AREA:
        set(s.sales_area, w->sales_area, IDX_SALES_AREA,
            [&](AcfgCusFlashParam& p) { p.sales_area = static_cast<uint8_t>(w->sales_area); });
        break;
    case GUI_WRAPPER_SETTING_AUD_SRC:
        set(s.aud_src, w->aud_src, IDX_SOURCE, [&](AcfgCusFlashParam& p) { p.aud_src = w->aud_src; });
        break;
    case GUI_WRAPPER_SETTING_USB_PLAY_MODE:
        set(s.usb_play_mode, w->usb_play_mode, IDX_USB_PLAY_MODE,
            [&](AcfgCusFlashParam& p) { p.usb_play_mode = static_cast<uint8_t>(w->usb_play_mode); });
        break;
    case GUI_WRAPPER_SETTING_EQ_MODE:
        if (s.eq_mode != w->eq_mode) {
            s.eq_mode = w->eq_mode;
            guiWrapperMusicEqModeSet(static_cast<uint8_t>(w->eq_mode));
            writeItem(IDX_EQ, [&](AcfgCusFlashParam& p) { p.eq_mode = w->eq_mode; });
        }
        break;
    case GUI_WRAPPER_SETTING_EQ_CUSTOMIZ:
        set(
            s.eq_customiz, w->eq_customiz, IDX_EQ_CUSTOMIZ,
            [&](AcfgCusFlashParam& p) { p.eq_customiz = w->eq_customiz; }, true);
        break;
    case GUI_WRAPPER_SETTING_SUR_EN:
        set(s.sur_en, w->sur_en, IDX_SURROUND, [&](AcfgCusFlashParam& p) { p.sur_en = w->sur_en; });
        break;
    case GUI_WRAPPER_SETTING_SUR_VOL:
        set(s.sur_vol, w->sur_vol, IDX_SURROUND_VOL, [&](AcfgCusFlashParam& p) { p.sur_vol = w->sur_vol; });
        break;
    case GUI_WRAPPER_SETTING_BASS:
        set(s.bass, w->bass, IDX_BASS, [&](AcfgCusFlashParam& p) { p.bass = w->bass; });
        break;
    case GUI_WRAPPER_SETTING_CENTER:
        set(s.center, w->center, IDX_CENTER, [&](AcfgCusFlashParam& p) { p.center = w->center; });
        break;
    case GUI_WRAPPER_SETTING_TREBLE:
        set(s.treble, w->treble, IDX_TREBLE, [&](AcfgCusFlashParam& p) { p.treble = w->treble; });
        break;
    case GUI_WRAPPER_SETTING_HEIGHT:
        set(s.height, w->height, IDX_HEIGHT, [&](AcfgCusFlashParam& p) { p.height = w->height; });
        break;
    case GUI_WRAPPER_SETTING_LCD_DIMMER:
        set(s.lcd_dimmer_lvl, w->day_lcd_dimmer_lvl, IDX_LCD_DIMMER,
            [&](AcfgCusFlashParam& p) { p.lcd_dimmer_lvl = w->day_lcd_dimmer_lvl; });
        break;
    case GUI_WRAPPER_SETTING_LED_DIMMER: {
        guiWrapperWirelesRxLedStsSet(static_cast<uint8_t>(w->led_dimmer));
        if (set(s.led_dimmer_lvl, w->led_dimmer, IDX_LED_DIMMER,
                [&](AcfgCusFlashParam& p) { p.led_dimmer_lvl = w->led_dimmer; })) {
            const uint8_t level = static_cast<uint8_t>(w->led_dimmer);
            guiWrapperWirelessAudLedDimmerSet(w->led_dimmer);
            guiWrapperWirelesRxLedStsSet(w->led_dimmer);
            guiWrapperBrontalLedDimmerSet(&level);
        }
        break;
    }
    case GUI_WRAPPER_SETTING_VOL:
        set(s.vol, w->day_vol, IDX_VOLUME, [&](AcfgCusFlashParam& p) { p.vol = w->day_vol; });
        break;
    case GUI_WRAPPER_SETTING_MUTE:
        s.mute_sts = w->mute_sts;
        break;
    case GUI_WRAPPER_SETTING_TONE_VOL:
        set(s.tone_vol, w->day_tone_vol, IDX_TONE_VOLUME, [&](AcfgCusFlashParam& p) { p.tone_vol = w->day_tone_vol; });
        break;
    case GUI_WRAPPER_SETTING_SHOP:
        set(s.shop_mode_en, w->shop_mode_en, IDX_SHOPMODE,
            [&](AcfgCusFlashParam& p) { p.shop_mode_en = w->shop_mode_en; });
        break;
    case GUI_WRAPPER_SETTING_VIRTUAL_X:
        set(s.virtual_x_en, w->virtual_x, IDX_VIRTUAL_X, [&](AcfgCusFlashParam& p) { p.virtual_x_en = w->virtual_x; });
        break;
    case GUI_WRAPPER_SETTING_XUPMIX:
        set(s.xupmix_en, w->xupmix, IDX_XUPMIX, [&](AcfgCusFlashParam& p) { p.xupmix_en = w->xupmix; });
        break;
    case GUI_WRAPPER_SETTING_AUTO_WAKE:
        set(
            s.auto_wake_en, w->autowake, IDX_AUTOWAKE, [&](AcfgCusFlashParam& p) { p.auto_wake_en = w->autowake; },
            true);
        break;
    case GUI_WRAPPER_SETTING_AUTO_STANDBY:
        if (s.auto_standby != w->auto_standby) {
            s.auto_standby = w->auto_standby;
            guiWrapperMusicAutoStandbySet(w->auto_standby);
            writeItem(IDX_AUTOSTANDBY,
                      [&](AcfgCusFlashParam& p) { p.auto_standby = static_cast<uint8_t>(w->auto_standby); });
        }
        break;
    case GUI_WRAPPER_SETTING_AUTO_SCREENSAVER: {
        if (s.auto_screensaver != w->auto_screensaver) {
            s.auto_screensaver = w->auto_screensaver;
            guiWrapperMusicAutoScreensaverSet(w->auto_screensaver);
            writeItem(IDX_AUTOSCREENSAVER,
                      [&](AcfgCusFlashParam& p) { p.auto_screensaver = static_cast<uint8_t>(w->auto_screensaver); });
        }
        const uint8_t setting = static_cast<uint8_t>(w->auto_screensaver);
        guiWrapperBrontalAutoScreensaverSet(&setting);
        break;
    }
    case GUI_WRAPPER_SETTING_NIGHT_VOL:
        set(s.night_vol, w->night_vol, IDX_NIGHT_VOLUME, [&](AcfgCusFlashParam& p) { p.night_vol = w->night_vol; });
        break;
    case GUI_WRAPPER_SETTING_NIGHT_TONE_VOL:
        set(s.night_tone_vol, w->night_tone_vol, IDX_NIGHT_TONE_VOLUME,
            [&](AcfgCusFlashParam& p) { p.night_tone_vol = w->night_tone_vol; });
        break;
    case GUI_WRAPPER_SETTING_NIGHT_LCD_DIMMER:
        set(s.night_lcd_dimmer_lvl, w->night_lcd_dimmer_lvl, IDX_NIGHT_LCD_DIMMER,
            [&](AcfgCusFlashParam& p) { p.night_lcd_dimmer_lvl = w->night_lcd_dimmer_lvl; });
        break;
    default:
        break;
    }
    lock.unlock();
    ensureWrittenMarker();
    GUI_LOG_INFO("Widget Param Set!");
}

uint8_t guiWrapperVolGet(void)
{
    std::lock_guard<std::mutex> lock(state().lock);
    const GuiWrapperSetting& s = state().setting;
    return s.eq_mode == GUI_EQ_MODE_NIGHT ? s.night_vol : s.vol;
}

uint32_t guiWrapperVolSet(uint8_t vol)
{
    std::lock_guard<std::mutex> lock(state().lock);
    GuiWrapperSetting& s = state().setting;
    (s.eq_mode == GUI_EQ_MODE_NIGHT ? s.night_vol : s.vol) = vol;
    return s.eq_mode;
}

uint32_t guiWrapperMusicEqModeGet(void)
{
    std::lock_guard<std::mutex> lock(state().lock);
    return state().setting.eq_mode;
}

void guiWrapperEqModeSet(uint32_t eqMode)
{
    std::lock_guard<std::mutex> lock(state().lock);
    state().setting.eq_mode = eqMode;
}

uint32_t guiWrapperToneVolSet(uint32_t vol)
{
    std::lock_guard<std::mutex> lock(state().lock);
    GuiWrapperSetting& s = state().setting;
    (s.eq_mode == GUI_EQ_MODE_NIGHT ? s.night_tone_vol : s.tone_vol) = vol;
    return s.eq_mode;
}

void guiWrapperEqPointSet(uint32_t eqMode, const int16_t gains[GUI_WRAPPER_EQ_POINTS])
{
    std::lock_guard<std::mutex> lock(state().lock);
    GuiWrapperSetting& s = state().setting;
    int16_t* to = eqMode == 7 ? s.style_eq_point : s.cus_eq_point;
    std::copy(gains, gains + GUI_WRAPPER_EQ_POINTS, to);
}

void guiWrapperWidgetEqReset(void*)
{
    std::lock_guard<std::mutex> lock(state().lock);
    GuiWrapperSetting& s = state().setting;
    s.bass = kNeutralTone;
    s.center = kNeutralTone;
    s.treble = kNeutralTone;
    s.eq_mode = kMovieMode;
}
