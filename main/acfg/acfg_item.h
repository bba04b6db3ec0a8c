// The configuration store's item table: 63 slots, each describing one persistent setting (its
// name, size, default, validation rule). Values live in the store's cache, not here.
#pragma once

#include <cstdint>

enum AcfgItemIdx : uint16_t {
    IDX_VOLUME = 0,
    IDX_MUTE = 1,
    IDX_TONE_VOLUME = 2,
    IDX_SOURCE = 3,
    IDX_CUR_APP = 4,
    IDX_HW_SPEAKER_CHMAP = 5,
    IDX_USER_SPEAKER_CHMAP = 6,
    IDX_BLUETOOTH_ENABLE = 7,
    IDX_WLAN_MAC = 8,
    IDX_WLAN_KEY = 9,
    IDX_WLAN_AP = 10,
    IDX_CEC_OSD_NAME = 11,
    IDX_CEC_MENULANGU = 12,
    IDX_CEC_CONFIG = 13,
    IDX_CEC_MUTE = 14,
    IDX_EQ = 15,
    IDX_BASS = 16,
    IDX_TREBLE = 17,
    IDX_LCD_DIMMER = 18,
    IDX_LED_DIMMER = 19,
    IDX_SURROUND = 20,
    IDX_SHOPMODE = 21,
    IDX_AUTOWAKE = 22,
    IDX_AUTOSTANDBY = 23,
    IDX_AUTOSCREENSAVER = 24,
    IDX_BEEP = 25,
    IDX_LATENCY = 26,
    IDX_BASS_BOOST = 27,
    IDX_SURROUND_VOL = 28,
    IDX_SALES_AREA = 29,
    IDX_BT_MAC = 30,
    IDX_CENTER = 31,
    IDX_SURROUND_LEFT = 32,
    IDX_SURROUND_RIGHT = 33,
    IDX_HEIGHT = 34,
    IDX_VIRTUAL_X = 35,
    IDX_XUPMIX = 36,
    IDX_EQ_CUSTOMIZ = 37,
    IDX_CUS_EQ_POINT = 38,
    IDX_STYLE_EQ_POINT = 39,
    IDX_NIGHT_VOLUME = 40,
    IDX_NIGHT_TONE_VOLUME = 41,
    IDX_NIGHT_LCD_DIMMER = 42,
    IDX_USB_PLAY_MODE = 43,
    IDX_DEV_BOOT_TIMES = 44,
    IDX_PWR_ON_TIMES = 45,
    IDX_PWR_OFF_TIMES = 46,
    IDX_LCD_DIMMER_TIMES = 47,
    IDX_MUTE_TIMES = 48,
    IDX_UNMUTE_TIMES = 49,
    IDX_BT_BTN_TIMES = 50,
    IDX_EQ_TIMES = 51,
    IDX_BASS_TIMES = 52,
    IDX_MID_TIMES = 53,
    IDX_TREBLE_TIMES = 54,
    IDX_SUR_TIMES = 55,
    IDX_HEIGHT_TIMES = 56,
    IDX_TONE_TIMES = 57,
    IDX_VOL_TIMES = 58,
    IDX_SRC_TIMES = 59,
    IDX_XUPMIX_ON_TIMES = 60,
    IDX_XUPMIX_OFF_TIMES = 61,
    IDX_FLASH_WRITTEN = 62,
};

constexpr uint16_t ACFG_ITEM_NUM = 63;
constexpr uint32_t ACFG_ITEM_NAME_LEN = 32;

// Answers non-zero to accept `size` bytes at `value` for the item with `key`, 0 to refuse.
using AcfgValidateFct = int32_t (*)(uint16_t key, const void* value, uint32_t size);
// Runs after a set has stored a new value, and once per slot at the end of start-up.
using AcfgUpdateFct = void (*)(uint16_t key);

// One slot. A slot that no group initialiser fills stays all zero: disabled, element size 0.
struct AcfgItem {
    char szName[ACFG_ITEM_NAME_LEN];  // the IDX_ name, zero-padded; also the record name in the file
    uint16_t ui2Key;                  // group in bits 8-15 (0 system, 1 Bluetooth, 2 network, 3 CEC)
    uint32_t ui4Type;                 // element size in bytes: 1, 2, 4 or 8
    uint16_t ui2Count;                // number of elements
    const void* pvDefault;
    uint16_t ui2DefaultCount;
    AcfgValidateFct pfValidate;  // absent: every value is accepted
    AcfgUpdateFct pfUpdate;      // absent: skipped
    uint8_t ui1Enable;
    uint32_t ui4CacheOffset;  // of the value in the cache, written once when the cache is built
};

// The descriptor of slot idx; null (logged) when idx >= ACFG_ITEM_NUM.
AcfgItem* acfgGetItem(uint16_t idx);

// The descriptor of slot idx as the store's users read it, on any thread: all zero (not in use)
// until the store has filled the table and built its cache. Null when idx >= ACFG_ITEM_NUM.
const AcfgItem* acfgGetFilledItem(uint16_t idx);

// Zeroes every slot; the store does it at each start before the group initialisers run.
void acfgItemTableClear(void);
// Hands the filled table, cache offsets included, to the other threads.
void acfgItemTablePublish(void);

// Fill their groups' slots; run in this order: Bluetooth, network, CEC, system. Each returns 0.
int32_t acfgGrpBluetoothInit(void);
int32_t acfgGrpNetworkInit(void);
int32_t acfgGrpCecInit(void);
int32_t acfgGrpSystemInit(void);

// Validation rules; only the first byte of the value is tested.
int32_t acfgVolumeValidate(uint16_t key, const void* value, uint32_t size);
int32_t acfgMuteValidate(uint16_t key, const void* value, uint32_t size);
int32_t acfgSourceValidate(uint16_t key, const void* value, uint32_t size);
int32_t acfgCurappValidate(uint16_t key, const void* value, uint32_t size);
int32_t acfgBluetoothValidate(uint16_t key, const void* value, uint32_t size);
// The network items have no structure in the store: these accept every value.
int32_t acfgSsidValidate(uint16_t key, const void* value, uint32_t size);
int32_t acfgKeyValidate(uint16_t key, const void* value, uint32_t size);
int32_t acfgWlanApValidate(uint16_t key, const void* value, uint32_t size);

// Re-reads the Bluetooth enable item and asks for a store.
void acfgBluetoothUpdate(uint16_t key);
