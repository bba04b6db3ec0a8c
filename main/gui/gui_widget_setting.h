// The widgets' record of what they show and change; the wrapper layer fills its persistent part
// and stores single fields of it.
#pragma once

#include <cstdint>

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
