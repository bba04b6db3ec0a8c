// The GUI's user-parameter record and its map onto the configuration store: each field of the
// 512-byte record is the value of exactly one store item, and the item's index names the field.
#pragma once

#include <cstddef>
#include <cstdint>

// The GUI's settings and usage counters, little-endian. A u32 field holds a one-byte item (set
// from its low byte, read back zero-extended); the counters are u32 words kept as plain bytes.
// Callers zero the record before filling it.
struct AcfgCusFlashParam {
    uint8_t sales_area;  // IDX_SALES_AREA
    uint8_t bt_mac[6];   // IDX_BT_MAC
    uint8_t ui1Reserved7;
    uint32_t aud_src;       // IDX_SOURCE
    uint8_t usb_play_mode;  // IDX_USB_PLAY_MODE
    uint8_t sur_en;         // IDX_SURROUND
    uint8_t mute;           // IDX_MUTE
    uint8_t ui1Reserved15;
    uint32_t eq_mode;         // IDX_EQ
    uint32_t lcd_dimmer_lvl;  // IDX_LCD_DIMMER
    uint32_t led_dimmer_lvl;  // IDX_LED_DIMMER
    uint8_t eq_customiz;      // IDX_EQ_CUSTOMIZ
    uint8_t ui1Reserved29;
    uint8_t style_eq_point[20];     // IDX_STYLE_EQ_POINT
    uint8_t cus_eq_point[20];       // IDX_CUS_EQ_POINT
    uint8_t vol;                    // IDX_VOLUME
    uint8_t tone_vol;               // IDX_TONE_VOLUME
    uint8_t sur_vol;                // IDX_SURROUND_VOL
    uint8_t bass;                   // IDX_BASS
    uint8_t treble;                 // IDX_TREBLE
    uint8_t shop_mode_en;           // IDX_SHOPMODE
    uint8_t auto_wake_en;           // IDX_AUTOWAKE
    uint8_t auto_standby;           // IDX_AUTOSTANDBY
    uint8_t auto_screensaver;       // IDX_AUTOSCREENSAVER
    uint8_t beep_en;                // IDX_BEEP
    uint32_t latency;               // IDX_LATENCY
    uint32_t bass_boost_en;         // IDX_BASS_BOOST
    uint8_t center;                 // IDX_CENTER
    uint8_t sur_left;               // IDX_SURROUND_LEFT
    uint8_t sur_right;              // IDX_SURROUND_RIGHT
    uint8_t height;                 // IDX_HEIGHT
    uint8_t virtual_x_en;           // IDX_VIRTUAL_X
    uint8_t xupmix_en;              // IDX_XUPMIX
    uint8_t night_vol;              // IDX_NIGHT_VOLUME
    uint8_t night_tone_vol;         // IDX_NIGHT_TONE_VOLUME
    uint32_t night_lcd_dimmer_lvl;  // IDX_NIGHT_LCD_DIMMER
    uint32_t dev_boot_times;        // IDX_DEV_BOOT_TIMES
    uint32_t pwr_on_times;          // IDX_PWR_ON_TIMES
    uint32_t pwr_off_times;         // IDX_PWR_OFF_TIMES
    uint32_t lcd_dimmer_times[6];   // IDX_LCD_DIMMER_TIMES
    uint32_t mute_times;            // IDX_MUTE_TIMES
    uint32_t unmute_times;          // IDX_UNMUTE_TIMES
    uint32_t bt_btn_times;          // IDX_BT_BTN_TIMES
    uint32_t eq_times[8];           // IDX_EQ_TIMES
    uint32_t bass_times[13];        // IDX_BASS_TIMES
    uint32_t mid_times[13];         // IDX_MID_TIMES
    uint32_t treble_times[13];      // IDX_TREBLE_TIMES
    uint32_t sur_times[13];         // IDX_SUR_TIMES
    uint32_t height_times[7];       // IDX_HEIGHT_TIMES
    uint32_t tone_times[4];         // IDX_TONE_TIMES
    uint32_t vol_times[11];         // IDX_VOL_TIMES
    uint32_t src_times[6];          // IDX_SRC_TIMES
    uint32_t xupmix_on_times;       // IDX_XUPMIX_ON_TIMES
    uint32_t xupmix_off_times;      // IDX_XUPMIX_OFF_TIMES
    uint8_t flash_written;          // IDX_FLASH_WRITTEN: 'Z' once the record was written
    uint8_t aui1Reserved509[3];
};
static_assert(sizeof(AcfgCusFlashParam) == 512);
static_assert(offsetof(AcfgCusFlashParam, bt_mac) == 1);
static_assert(offsetof(AcfgCusFlashParam, aud_src) == 8);
static_assert(offsetof(AcfgCusFlashParam, usb_play_mode) == 12);
static_assert(offsetof(AcfgCusFlashParam, eq_mode) == 16);
static_assert(offsetof(AcfgCusFlashParam, eq_customiz) == 28);
static_assert(offsetof(AcfgCusFlashParam, style_eq_point) == 30);
static_assert(offsetof(AcfgCusFlashParam, cus_eq_point) == 50);
static_assert(offsetof(AcfgCusFlashParam, vol) == 70);
static_assert(offsetof(AcfgCusFlashParam, latency) == 80);
static_assert(offsetof(AcfgCusFlashParam, center) == 88);
static_assert(offsetof(AcfgCusFlashParam, night_lcd_dimmer_lvl) == 96);
static_assert(offsetof(AcfgCusFlashParam, dev_boot_times) == 100);
static_assert(offsetof(AcfgCusFlashParam, lcd_dimmer_times) == 112);
static_assert(offsetof(AcfgCusFlashParam, mute_times) == 136);
static_assert(offsetof(AcfgCusFlashParam, eq_times) == 148);
static_assert(offsetof(AcfgCusFlashParam, bass_times) == 180);
static_assert(offsetof(AcfgCusFlashParam, mid_times) == 232);
static_assert(offsetof(AcfgCusFlashParam, treble_times) == 284);
static_assert(offsetof(AcfgCusFlashParam, sur_times) == 336);
static_assert(offsetof(AcfgCusFlashParam, height_times) == 388);
static_assert(offsetof(AcfgCusFlashParam, tone_times) == 416);
static_assert(offsetof(AcfgCusFlashParam, vol_times) == 432);
static_assert(offsetof(AcfgCusFlashParam, src_times) == 476);
static_assert(offsetof(AcfgCusFlashParam, xupmix_on_times) == 500);
static_assert(offsetof(AcfgCusFlashParam, xupmix_off_times) == 504);
static_assert(offsetof(AcfgCusFlashParam, flash_written) == 508);

// The written marker of IDX_FLASH_WRITTEN.
constexpr uint8_t ACFG_CUS_FLASH_WRITTEN = 'Z';

// Copies the record's field of item idx into the store (a value its item refuses is logged and
// not stored). Indices without a field (4 to 14, 63 and above) and a null record set nothing.
void uAcfgCusFlashSet(uint8_t idx, const AcfgCusFlashParam* record);
// Copies item idx into the record's field; a failed read leaves the field as it was.
void uAcfgCusFlashGet(uint8_t idx, AcfgCusFlashParam* record);
// Writes the store file now, on the caller's thread (the power-off path): 0, -2 or -5.
int32_t uAcfgCusFlashFlush(void);
