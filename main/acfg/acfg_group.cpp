#include "main/acfg/acfg_group_priv.h"

#include "main/acfg/acfg.h"
#include "main/acfg/acfg_item_accessor.h"
#include "main/acfg/acfg_item_priv.h"
#include "main/acfg/acfg_log_priv.h"

#include <array>
#include <cstdio>

namespace {

// Default blocks. The usage counters are little-endian u32 words with one word set to 1.
template <size_t Words, size_t One>
constexpr std::array<uint8_t, Words * 4> counterDefault()
{
    static_assert(One < Words);
    std::array<uint8_t, Words * 4> block{};
    block[One * 4] = 1;
    return block;
}

constexpr uint8_t kZero[140] = {};
constexpr uint8_t kVolumeDefault = 50;
constexpr uint8_t kToneVolumeDefault = 2;
constexpr uint8_t kSourceDefault = 6;
constexpr uint8_t kNightVolumeDefault = 20;
constexpr uint8_t kOne = 1;
constexpr char kOsdNameDefault[14] = "soundbar";
constexpr char kMenuLanguDefault[4] = "chi";
constexpr auto kOneWord = counterDefault<1, 0>();
constexpr auto kLcdDimmerTimes = counterDefault<6, 3>();
constexpr auto kEqTimes = counterDefault<8, 0>();
constexpr auto kLevelTimes = counterDefault<13, 12>();  // bass, mid, treble and surround
constexpr auto kHeightTimes = counterDefault<7, 6>();
constexpr auto kToneTimes = counterDefault<4, 2>();
constexpr auto kVolTimes = counterDefault<11, 5>();
constexpr auto kSrcTimes = counterDefault<6, 0>();

int32_t acceptValidate(uint16_t, const void*, uint32_t)
{
    return 1;
}

void noUpdate(uint16_t)
{
}

// What a group initialiser writes into one slot; every item has 1-byte elements.
struct ItemRow {
    uint16_t ui2Idx;
    const char* pcName;
    uint16_t ui2Key;
    uint16_t ui2Count;
    const void* pvDefault;
    AcfgValidateFct pfValidate;
    AcfgUpdateFct pfUpdate;
};

#define ROW(idx, key, count, def, validate, update)  \
    {                                                \
        idx, #idx, key, count, def, validate, update \
    }

const ItemRow kBluetoothRows[] = {
    ROW(IDX_BLUETOOTH_ENABLE, 256, 1, kZero, acfgBluetoothValidate, acfgBluetoothUpdate),
};

const ItemRow kNetworkRows[] = {
    ROW(IDX_WLAN_MAC, 512, 21, kZero, acfgSsidValidate, noUpdate),
    ROW(IDX_WLAN_KEY, 513, 65, kZero, acfgKeyValidate, noUpdate),
    ROW(IDX_WLAN_AP, 514, 140, kZero, acfgWlanApValidate, noUpdate),
};

const ItemRow kCecRows[] = {
    ROW(IDX_CEC_OSD_NAME, 768, 14, kOsdNameDefault, acceptValidate, noUpdate),
    ROW(IDX_CEC_MENULANGU, 769, 4, kMenuLanguDefault, acceptValidate, noUpdate),
    ROW(IDX_CEC_CONFIG, 770, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_CEC_MUTE, 771, 1, kZero, acceptValidate, noUpdate),
};

const ItemRow kSystemRows[] = {
    ROW(IDX_VOLUME, 0, 1, &kVolumeDefault, acfgVolumeValidate, noUpdate),
    ROW(IDX_MUTE, 2, 1, kZero, acfgMuteValidate, noUpdate),
    ROW(IDX_TONE_VOLUME, 1, 1, &kToneVolumeDefault, acceptValidate, noUpdate),
    ROW(IDX_SOURCE, 3, 1, &kSourceDefault, acfgSourceValidate, noUpdate),
    ROW(IDX_CUR_APP, 5, 1, kZero, acfgCurappValidate, noUpdate),
    ROW(IDX_EQ, 8, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_BASS, 12, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_TREBLE, 13, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_LCD_DIMMER, 14, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_LED_DIMMER, 14, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_SURROUND, 15, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_SHOPMODE, 16, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_AUTOWAKE, 17, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_AUTOSTANDBY, 18, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_AUTOSCREENSAVER, 19, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_BEEP, 20, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_LATENCY, 23, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_BASS_BOOST, 24, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_SURROUND_VOL, 25, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_SALES_AREA, 26, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_BT_MAC, 27, 6, kZero, acceptValidate, noUpdate),
    ROW(IDX_CENTER, 28, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_SURROUND_LEFT, 29, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_SURROUND_RIGHT, 30, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_HEIGHT, 31, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_VIRTUAL_X, 32, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_XUPMIX, 33, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_EQ_CUSTOMIZ, 9, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_CUS_EQ_POINT, 10, 20, kZero, acceptValidate, noUpdate),
    ROW(IDX_STYLE_EQ_POINT, 11, 20, kZero, acceptValidate, noUpdate),
    ROW(IDX_NIGHT_VOLUME, 34, 1, &kNightVolumeDefault, acfgVolumeValidate, noUpdate),
    ROW(IDX_NIGHT_TONE_VOLUME, 35, 1, &kOne, acceptValidate, noUpdate),
    ROW(IDX_NIGHT_LCD_DIMMER, 36, 1, &kOne, acceptValidate, noUpdate),
    ROW(IDX_USB_PLAY_MODE, 4, 1, kZero, acceptValidate, noUpdate),
    ROW(IDX_DEV_BOOT_TIMES, 37, 4, kOneWord.data(), acceptValidate, noUpdate),
    ROW(IDX_PWR_ON_TIMES, 38, 4, kOneWord.data(), acceptValidate, noUpdate),
    ROW(IDX_PWR_OFF_TIMES, 39, 4, kZero, acceptValidate, noUpdate),
    ROW(IDX_LCD_DIMMER_TIMES, 40, 24, kLcdDimmerTimes.data(), acceptValidate, noUpdate),
    ROW(IDX_MUTE_TIMES, 41, 4, kZero, acceptValidate, noUpdate),
    ROW(IDX_UNMUTE_TIMES, 42, 4, kOneWord.data(), acceptValidate, noUpdate),
    ROW(IDX_BT_BTN_TIMES, 43, 4, kZero, acceptValidate, noUpdate),
    ROW(IDX_EQ_TIMES, 44, 32, kEqTimes.data(), acceptValidate, noUpdate),
    ROW(IDX_BASS_TIMES, 45, 52, kLevelTimes.data(), acceptValidate, noUpdate),
    ROW(IDX_MID_TIMES, 46, 52, kLevelTimes.data(), acceptValidate, noUpdate),
    ROW(IDX_TREBLE_TIMES, 47, 52, kLevelTimes.data(), acceptValidate, noUpdate),
    ROW(IDX_SUR_TIMES, 48, 52, kLevelTimes.data(), acceptValidate, noUpdate),
    ROW(IDX_HEIGHT_TIMES, 49, 28, kHeightTimes.data(), acceptValidate, noUpdate),
    ROW(IDX_TONE_TIMES, 50, 16, kToneTimes.data(), acceptValidate, noUpdate),
    ROW(IDX_VOL_TIMES, 51, 44, kVolTimes.data(), acceptValidate, noUpdate),
    ROW(IDX_SRC_TIMES, 52, 24, kSrcTimes.data(), acceptValidate, noUpdate),
    ROW(IDX_XUPMIX_ON_TIMES, 53, 4, kOneWord.data(), acceptValidate, noUpdate),
    ROW(IDX_XUPMIX_OFF_TIMES, 54, 4, kZero, acceptValidate, noUpdate),
    ROW(IDX_FLASH_WRITTEN, 55, 1, kZero, acceptValidate, noUpdate),
};

#undef ROW

template <size_t N>
int32_t fillRows(const ItemRow (&rows)[N])
{
    for (const ItemRow& row : rows) {
        AcfgItem* item = acfgGetItem(row.ui2Idx);
        if (item == nullptr) {
            ACFG_SM_ERR("Err: get item fail idx=%d\n", row.ui2Idx);
            continue;
        }
        snprintf(item->szName, sizeof(item->szName), "%s", row.pcName);
        item->ui2Key = row.ui2Key;
        item->ui4Type = 1;
        item->ui2Count = row.ui2Count;
        item->pvDefault = row.pvDefault;
        item->ui2DefaultCount = row.ui2Count;
        item->pfValidate = row.pfValidate;
        item->pfUpdate = row.pfUpdate;
        item->ui1Enable = 1;
    }
    return 0;
}

// The rules test the first byte of a value against an upper bound; a refusal is logged with the
// rule's own words for the pointer and the value.
int32_t firstByteBelow(const void* value, uint32_t limit, const char* pointerName, const char* refusal,
                       const char* rule, int line)
{
    const uint16_t level = acfgAccessorGetDbgLevel();
    if (value == nullptr) {
        dbgPrint(level, DBG_LEVEL_ERROR, "%s[%s:%d]:Err: %s can't be NULL", "<ACFG>", rule, line, pointerName);
        return 0;
    }
    const uint8_t first = *static_cast<const uint8_t*>(value);
    if (first >= limit) {
        dbgPrint(level, DBG_LEVEL_ERROR, "%s[%s:%d]:%s%d\n", "<ACFG>", rule, line, refusal, first);
        return 0;
    }
    return 1;
}

}  // namespace

int32_t acfgGrpBluetoothInit(void)
{
    return fillRows(kBluetoothRows);
}

int32_t acfgGrpNetworkInit(void)
{
    return fillRows(kNetworkRows);
}

int32_t acfgGrpCecInit(void)
{
    return fillRows(kCecRows);
}

int32_t acfgGrpSystemInit(void)
{
    return fillRows(kSystemRows);
}

int32_t acfgSsidValidate(uint16_t, const void*, uint32_t)
{
    return 1;
}

int32_t acfgKeyValidate(uint16_t, const void*, uint32_t)
{
    return 1;
}

int32_t acfgWlanApValidate(uint16_t, const void*, uint32_t)
{
    return 1;
}

int32_t acfgVolumeValidate(uint16_t, const void* value, uint32_t)
{
    return firstByteBelow(value, 101, "ptValue", "Err: invalid value : ", __func__, __LINE__);
}

int32_t acfgMuteValidate(uint16_t, const void* value, uint32_t)
{
    return firstByteBelow(value, 2, "ptValue", "Err: invalid value : ", __func__, __LINE__);
}

int32_t acfgSourceValidate(uint16_t, const void* value, uint32_t)
{
    return firstByteBelow(value, 16, "ptValue", "Err: acfgSourceValidate, invalid value : ", __func__, __LINE__);
}

int32_t acfgCurappValidate(uint16_t, const void* value, uint32_t)
{
    return firstByteBelow(value, 2, "pt_value", "Err: invalid value : ", __func__, __LINE__);
}

int32_t acfgBluetoothValidate(uint16_t, const void* value, uint32_t)
{
    if (value != nullptr && *static_cast<const uint8_t*>(value) >= 2) {
        dbgPrint(acfgAccessorGetDbgLevel(), DBG_LEVEL_ERROR,
                 "<ACFG> ERROR, acfgBluetoothValidate, invalid value : %d\n", *static_cast<const uint8_t*>(value));
        return 0;
    }
    return value != nullptr ? 1 : 0;
}

void acfgBluetoothUpdate(uint16_t)
{
    uint8_t value = 0xFF;
    uCfgGetBluetoothEnable(&value);
    if (value != 0 && value != 1) {
        ACFG_SM_ERR("ERROR, acfgBluetoothUpdate, fail : %d\n", value);
    }
    acfgStoreRequest();
}
