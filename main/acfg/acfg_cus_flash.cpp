#include "main/acfg/acfg_cus_flash.h"

#include "main/acfg/acfg.h"
#include "main/acfg/acfg_log_priv.h"

#include <array>
#include <cstring>

namespace {

// How a field holds its item: a byte, a u32 word holding a one-byte item, or the item's bytes.
enum class FieldKind : uint8_t { None, Byte, Word, Bytes };

struct Field {
    FieldKind kind = FieldKind::None;
    uint16_t ui2Offset = 0;
    uint16_t ui2Size = 0;  // the item's size in the store
};

#define FIELD(idx, kind, member)                                                                \
    table[idx] = Field                                                                          \
    {                                                                                           \
        FieldKind::kind, offsetof(AcfgCusFlashParam, member), sizeof(AcfgCusFlashParam::member) \
    }

constexpr std::array<Field, ACFG_ITEM_NUM> buildMap()
{
    std::array<Field, ACFG_ITEM_NUM> table{};
    FIELD(IDX_SALES_AREA, Byte, sales_area);
    FIELD(IDX_BT_MAC, Bytes, bt_mac);
    FIELD(IDX_SOURCE, Word, aud_src);
    FIELD(IDX_USB_PLAY_MODE, Byte, usb_play_mode);
    FIELD(IDX_SURROUND, Byte, sur_en);
    FIELD(IDX_MUTE, Byte, mute);
    FIELD(IDX_EQ, Word, eq_mode);
    FIELD(IDX_LCD_DIMMER, Word, lcd_dimmer_lvl);
    FIELD(IDX_LED_DIMMER, Word, led_dimmer_lvl);
    FIELD(IDX_EQ_CUSTOMIZ, Byte, eq_customiz);
    FIELD(IDX_STYLE_EQ_POINT, Bytes, style_eq_point);
    FIELD(IDX_CUS_EQ_POINT, Bytes, cus_eq_point);
    FIELD(IDX_VOLUME, Byte, vol);
    FIELD(IDX_TONE_VOLUME, Byte, tone_vol);
    FIELD(IDX_SURROUND_VOL, Byte, sur_vol);
    FIELD(IDX_BASS, Byte, bass);
    FIELD(IDX_TREBLE, Byte, treble);
    FIELD(IDX_SHOPMODE, Byte, shop_mode_en);
    FIELD(IDX_AUTOWAKE, Byte, auto_wake_en);
    FIELD(IDX_AUTOSTANDBY, Byte, auto_standby);
    FIELD(IDX_AUTOSCREENSAVER, Byte, auto_screensaver);
    FIELD(IDX_BEEP, Byte, beep_en);
    FIELD(IDX_LATENCY, Word, latency);
    FIELD(IDX_BASS_BOOST, Word, bass_boost_en);
    FIELD(IDX_CENTER, Byte, center);
    FIELD(IDX_SURROUND_LEFT, Byte, sur_left);
    FIELD(IDX_SURROUND_RIGHT, Byte, sur_right);
    FIELD(IDX_HEIGHT, Byte, height);
    FIELD(IDX_VIRTUAL_X, Byte, virtual_x_en);
    FIELD(IDX_XUPMIX, Byte, xupmix_en);
    FIELD(IDX_NIGHT_VOLUME, Byte, night_vol);
    FIELD(IDX_NIGHT_TONE_VOLUME, Byte, night_tone_vol);
    FIELD(IDX_NIGHT_LCD_DIMMER, Word, night_lcd_dimmer_lvl);
    FIELD(IDX_DEV_BOOT_TIMES, Bytes, dev_boot_times);
    FIELD(IDX_PWR_ON_TIMES, Bytes, pwr_on_times);
    FIELD(IDX_PWR_OFF_TIMES, Bytes, pwr_off_times);
    FIELD(IDX_LCD_DIMMER_TIMES, Bytes, lcd_dimmer_times);
    FIELD(IDX_MUTE_TIMES, Bytes, mute_times);
    FIELD(IDX_UNMUTE_TIMES, Bytes, unmute_times);
    FIELD(IDX_BT_BTN_TIMES, Bytes, bt_btn_times);
    FIELD(IDX_EQ_TIMES, Bytes, eq_times);
    FIELD(IDX_BASS_TIMES, Bytes, bass_times);
    FIELD(IDX_MID_TIMES, Bytes, mid_times);
    FIELD(IDX_TREBLE_TIMES, Bytes, treble_times);
    FIELD(IDX_SUR_TIMES, Bytes, sur_times);
    FIELD(IDX_HEIGHT_TIMES, Bytes, height_times);
    FIELD(IDX_TONE_TIMES, Bytes, tone_times);
    FIELD(IDX_VOL_TIMES, Bytes, vol_times);
    FIELD(IDX_SRC_TIMES, Bytes, src_times);
    FIELD(IDX_XUPMIX_ON_TIMES, Bytes, xupmix_on_times);
    FIELD(IDX_XUPMIX_OFF_TIMES, Bytes, xupmix_off_times);
    FIELD(IDX_FLASH_WRITTEN, Byte, flash_written);
    for (Field& field : table) {
        if (field.kind == FieldKind::Word) {
            field.ui2Size = 1;  // the item holds the word's low byte
        }
    }
    return table;
}

#undef FIELD

constexpr std::array<Field, ACFG_ITEM_NUM> kMap = buildMap();
constexpr size_t kLargestField = 52;

// The field of item idx, or null when the item has none.
const Field* fieldOf(uint8_t idx)
{
    if (idx >= ACFG_ITEM_NUM || kMap[idx].kind == FieldKind::None) {
        return nullptr;
    }
    return &kMap[idx];
}

void logValue(const char* what, const char* function, int line, uint8_t idx, const uint8_t* value, const Field& field)
{
    const uint16_t level = acfgGetDbgLevel();
    if (idx == IDX_BT_MAC) {
        dbgPrint(level, DBG_LEVEL_INFO, "[%s,%d]:<FLASH>ui1index=%d: %02x %02x %02x %02x %02x %02x\n\r\n", function,
                 line, idx, value[0], value[1], value[2], value[3], value[4], value[5]);
    } else {
        dbgPrint(level, DBG_LEVEL_INFO, "[%s,%d]:<FLASH>ui1index=%d,%s=%d\n\r\n", function, line, idx, what,
                 field.ui2Size == 1 ? value[0] : 0);
    }
}

}  // namespace

void uAcfgCusFlashSet(uint8_t idx, const AcfgCusFlashParam* record)
{
    if (record == nullptr) {
        ACFG_FLASH_ERR("Param Error!");
        return;
    }
    const Field* field = fieldOf(idx);
    if (field == nullptr) {
        return;
    }
    // A word field gives its low byte, which is the record's first byte of it (little-endian).
    const auto* value = reinterpret_cast<const uint8_t*>(record) + field->ui2Offset;
    logValue("ui1TzDataSet", __func__, __LINE__, idx, value, *field);
    const int32_t ret = acfgSet(idx, value, field->ui2Size);
    if (ret != ACFGR_OK) {
        ACFG_FLASH_ERR("Err: uAcfgCusFlashSet fail, error=%d", static_cast<int>(ret));
    }
}

void uAcfgCusFlashGet(uint8_t idx, AcfgCusFlashParam* record)
{
    if (record == nullptr) {
        ACFG_FLASH_ERR("Param Error!");
        return;
    }
    const Field* field = fieldOf(idx);
    if (field == nullptr) {
        return;
    }
    std::array<uint8_t, kLargestField> value{};
    uint32_t size = 0;
    const int32_t ret = acfgGet(idx, value.data(), &size);
    if (ret != ACFGR_OK || size != field->ui2Size) {
        ACFG_FLASH_ERR("Err: uAcfgGetSource fail, errno=%d", static_cast<int>(ret));
        return;
    }
    auto* out = reinterpret_cast<uint8_t*>(record) + field->ui2Offset;
    if (field->kind == FieldKind::Word) {
        const uint8_t word[4] = {value[0], 0, 0, 0};  // zero-extended, little-endian
        memcpy(out, word, sizeof(word));
    } else {
        memcpy(out, value.data(), field->ui2Size);
    }
    logValue("ui1TzData", __func__, __LINE__, idx, value.data(), *field);
}

int32_t uAcfgCusFlashFlush(void)
{
    ACFG_FLASH_INFO("Flush user param from cache to nand!");
    acfgStopTimer();
    return acfgStore();
}
