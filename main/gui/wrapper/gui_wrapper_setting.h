// The wrapper layer's record of the user's settings: restored from the configuration store's
// user-parameter items at power on, stored there at power off, and changed one field at a time by
// the widgets in between.
#pragma once

#include <cstdint>

constexpr uint32_t GUI_WRAPPER_EQ_POINTS = 10;

// The widgets' record of what they show and change, as the wrapper table hands it over: slot 0
// fills its persistent part from the wrapper record, slot 1 stores single fields of it there.
constexpr uint32_t GUI_WIDGET_DSP_VER_SIZE = 32;

struct GuiWidgetSetting {
    uint8_t pwr_on;
    uint8_t ver_disp_reset;
    uint32_t ver_sts;
    uint32_t sales_area;
    uint8_t bt_mac[6];
    uint8_t src_sel_retry_cnt;
    uint32_t aud_src;
    uint32_t aud_fmt;
    uint32_t src_gst_sts;
    uint32_t eArc_sts;
    uint8_t sur_en;
    uint8_t sur_vol;
    uint8_t mute_sts;
    uint8_t mute_toggle_play;
    uint32_t eq_mode;
    uint32_t last_usb_file_idx;
    uint32_t usb_file_idx;
    uint32_t play_min;
    uint32_t play_sec;
    uint32_t usb_conn;
    uint32_t udisk_ctl;
    uint32_t udisk_sts;
    uint32_t usb_play_mode;
    uint32_t music_sts;
    uint32_t bt_sts;
    uint32_t wireless_aud_sts;
    uint8_t vol;
    uint8_t sync_vol;
    uint8_t tone_vol;
    uint8_t bass;
    uint8_t treble;
    uint8_t center;
    uint8_t sur_right;
    uint8_t sur_left;
    uint8_t height;
    uint8_t eq_customiz;
    uint32_t lcd_dimmer_lvl;
    uint32_t led_dimmer;
    uint8_t tv_symphony;
    uint8_t shop_mode_en;
    uint8_t autowake;
    uint32_t auto_standby;
    uint32_t auto_screensaver;
    uint8_t aud_fmt_shown;
    uint8_t virtual_x;
    uint8_t xupmix;
    uint8_t xupmix_shown;
    uint8_t day_vol;
    uint8_t day_tone_vol;
    uint32_t day_lcd_dimmer_lvl;
    uint8_t night_vol;
    uint8_t night_tone_vol;
    uint32_t night_lcd_dimmer_lvl;
    uint32_t wireless_last_aud_sts;
    char dsp_ver[GUI_WIDGET_DSP_VER_SIZE];
};

// The night sound mode: volume, tone volume and dimmer come from their night fields.
constexpr uint32_t GUI_EQ_MODE_NIGHT = 5;
// Volumes run 0..100 everywhere: the widgets' steps, the record, the streams and the amplifiers'
// 101-step tables.
constexpr uint8_t GUI_VOL_MAX = 100;

struct GuiWrapperSetting {
    uint32_t sales_area;
    uint8_t bt_mac[6];
    uint32_t latency;
    uint8_t bass;
    uint8_t center;
    uint8_t treble;
    uint32_t eq_mode;
    int16_t style_eq_point[GUI_WRAPPER_EQ_POINTS];
    int16_t cus_eq_point[GUI_WRAPPER_EQ_POINTS];
    uint8_t eq_customiz;
    uint8_t sur_vol;
    uint8_t sur_en;
    uint8_t bass_boost_en;
    uint8_t virtual_x_en;
    uint8_t xupmix_en;
    uint8_t sur_left;
    uint8_t sur_right;
    uint8_t height;
    uint32_t aud_src;
    uint32_t usb_play_mode;
    uint8_t mute_sts;
    uint32_t lcd_dimmer_lvl;
    uint32_t led_dimmer_lvl;
    uint8_t vol;
    uint32_t tone_vol;
    uint8_t shop_mode_en;
    uint8_t auto_wake_en;
    uint32_t auto_standby;
    uint32_t auto_screensaver;
    uint8_t beep_en;
    uint32_t reserved[2];
    uint8_t reserved_byte;
    uint8_t tv_symphony;
    uint8_t night_vol;
    uint32_t night_tone_vol;
    uint32_t night_lcd_dimmer_lvl;
};

enum GuiWrapperSettingId : uint32_t {
    GUI_WRAPPER_SETTING_SALES_AREA = 0,
    GUI_WRAPPER_SETTING_AUD_SRC = 1,
    GUI_WRAPPER_SETTING_USB_PLAY_MODE = 2,
    GUI_WRAPPER_SETTING_EQ_MODE = 3,
    GUI_WRAPPER_SETTING_EQ_CUSTOMIZ = 4,
    GUI_WRAPPER_SETTING_SUR_EN = 7,
    GUI_WRAPPER_SETTING_SUR_VOL = 8,
    GUI_WRAPPER_SETTING_BASS = 9,
    GUI_WRAPPER_SETTING_CENTER = 10,
    GUI_WRAPPER_SETTING_TREBLE = 11,
    GUI_WRAPPER_SETTING_HEIGHT = 13,
    GUI_WRAPPER_SETTING_LCD_DIMMER = 14,
    GUI_WRAPPER_SETTING_LED_DIMMER = 15,
    GUI_WRAPPER_SETTING_VOL = 16,
    GUI_WRAPPER_SETTING_MUTE = 17,
    GUI_WRAPPER_SETTING_TONE_VOL = 18,
    GUI_WRAPPER_SETTING_SHOP = 19,
    GUI_WRAPPER_SETTING_VIRTUAL_X = 20,
    GUI_WRAPPER_SETTING_XUPMIX = 21,
    GUI_WRAPPER_SETTING_AUTO_WAKE = 22,
    GUI_WRAPPER_SETTING_AUTO_STANDBY = 23,
    GUI_WRAPPER_SETTING_AUTO_SCREENSAVER = 24,
    GUI_WRAPPER_SETTING_NIGHT_VOL = 25,
    GUI_WRAPPER_SETTING_NIGHT_TONE_VOL = 26,
    GUI_WRAPPER_SETTING_NIGHT_LCD_DIMMER = 27,
};

// The defaults, one row per sales area (0, 1).
extern const GuiWrapperSetting gGuiWrapperDefaultSetting[2];

// The wrapper layer's own record (the one the power paths and the widgets' slots use).
GuiWrapperSetting* guiWrapperSettingRecord(void);

// Power on: the record from the store; a store never written gets default row 0, written at once.
void guiWrapperPowerOnFlashParamGet(GuiWrapperSetting* rec);
// Power off: every field that differs from its item is written, then the store file.
void guiWrapperPowerOffFlashParamSet(const GuiWrapperSetting* rec);
// Slot 0: the widgets' record from the wrapper record.
void guiWrapperWidgetSettingGet(GuiWidgetSetting* w);
// Slot 1: one field of the widgets' record into the wrapper record and its item.
void guiWrapperWidgetSettingSet(GuiWrapperSettingId id, const GuiWidgetSetting* w);
// The volume in use: the night volume in night mode.
uint8_t guiWrapperVolGet(void);
// The volume in use (the night volume in night mode) takes `vol`, under the record's lock like
// every other change of the record. Its item is slot 1's and the power-off path's to write.
// Returns the record's EQ mode, which chose the field.
uint32_t guiWrapperVolSet(uint8_t vol);
uint32_t guiWrapperMusicEqModeGet(void);
void guiWrapperEqModeSet(uint32_t eqMode);
// The tone level in use (the night one in night mode) takes `vol`; returns the record's EQ mode.
uint32_t guiWrapperToneVolSet(uint32_t vol);
// A curve's ten gains: mode 7's (custom) go to `style_eq_point`, any other mode's to
// `cus_eq_point` (the record names the curves crosswise to the music wrapper, which reads them
// back the same way).
void guiWrapperEqPointSet(uint32_t eqMode, const int16_t gains[GUI_WRAPPER_EQ_POINTS]);
// Bass, centre and treble back to neutral and the movie mode, in the record only.
void guiWrapperWidgetEqReset(void* unused);
