// Key input: IR-remote, panel-key and touch-panel reports become GUI user events. Repeats are
// classified by the hold parser, IR releases also run the hidden-sequence matcher, and the result
// is looked up in the key table for the current GUI system state; each matching row posts its
// event to the GUI manager.
#pragma once

#include <cstdint>
#include <linux/input.h>

// One key as the key table compares it.
struct GuiKeyEvt {
    uint32_t source;    // GUI_KEY_SRC_*
    uint32_t key_type;  // GUI_KEY_TYPE_*
    uint32_t key_code;  // Linux key code, touch key code (1024..1026) or sequence code (0x800..)
};
static_assert(sizeof(GuiKeyEvt) == 12);

constexpr uint32_t GUI_KEY_SRC_TOUCH = 0;
constexpr uint32_t GUI_KEY_SRC_IR = 1;

constexpr uint32_t GUI_KEY_TYPE_NONE = 0;
constexpr uint32_t GUI_KEY_TYPE_PRESS = 1;
constexpr uint32_t GUI_KEY_TYPE_RELEASE = 2;
constexpr uint32_t GUI_KEY_TYPE_REPEAT = 4;
constexpr uint32_t GUI_KEY_TYPE_HOLD_5 = 5;
constexpr uint32_t GUI_KEY_TYPE_HOLD_7 = 7;
constexpr uint32_t GUI_KEY_TYPE_HOLD_8 = 8;
constexpr uint32_t GUI_KEY_TYPE_HOLD_RELEASE = 10;
constexpr uint32_t GUI_KEY_TYPE_SEQUENCE = 13;

// Key codes of the key tables: the IR remote's keys (Linux key codes, named by their IR-map labels;
// the menu key is not in the map), the panel's source key, the touch panel's own three keys and the
// hidden sequences' codes.
enum GuiKeyCode : uint32_t {
    GUI_KEY_IR_VOLUMEUP = 103,
    GUI_KEY_IR_VOLUMEDOWN = 108,
    GUI_KEY_IR_MUTE = 113,
    GUI_KEY_IR_POWER = 116,
    GUI_KEY_IR_PLAYPAUSE = 119,
    GUI_KEY_MENU = 139,
    GUI_KEY_IR_NEXTSONG = 163,
    GUI_KEY_IR_PREVIOUSSONG = 165,
    GUI_KEY_PANEL_SOURCE = 210,
    GUI_KEY_IR_BT = 211,
    GUI_KEY_IR_BASS_UP = 214,
    GUI_KEY_IR_BASS_DOWN = 215,
    GUI_KEY_IR_TREBLE_UP = 216,
    GUI_KEY_IR_TREBLE_DOWN = 217,
    GUI_KEY_IR_EARC = 222,
    GUI_KEY_IR_HDMI_IN = 223,
    GUI_KEY_IR_PAIR = 226,
    GUI_KEY_IR_FACTORY_PAIR = 227,
    GUI_KEY_IR_FACTORY_TEST_PAIR = 227,
    GUI_KEY_IR_FACTORY_TEST_ENTER = 228,
    GUI_KEY_IR_USB = 229,
    GUI_KEY_IR_XUPMIX = 230,
    GUI_KEY_IR_LED_DIMMER = 231,
    GUI_KEY_IR_BASS_VOL_LEVEL = 232,
    GUI_KEY_IR_MIDRANGE_ADD = 233,
    GUI_KEY_IR_MIDRANGE_SUB = 234,
    GUI_KEY_IR_TREBLE_VOL_LEVEL = 235,
    GUI_KEY_IR_MOVIE = 236,
    GUI_KEY_IR_MUSIC = 237,
    GUI_KEY_IR_VOICE = 238,
    GUI_KEY_IR_SPORT = 239,
    GUI_KEY_IR_NIGHT = 241,
    GUI_KEY_IR_SURROUND_ADD = 242,
    GUI_KEY_IR_SURROUND_SUB = 243,
    GUI_KEY_IR_SURROUND_VOL_LEVEL = 244,
    GUI_KEY_IR_PROMPT_ADD = 245,
    GUI_KEY_IR_PROMPT_SUB = 246,
    GUI_KEY_IR_PROMPT_VOL_LEVE = 247,
    GUI_KEY_IR_OPT = 248,
    GUI_KEY_IR_AUX = 249,
    GUI_KEY_IR_MIDRANGE_VOL_LEVEL = 250,
    GUI_KEY_IR_GAME = 251,
    GUI_KEY_TOUCH_ERP = 1024,
    GUI_KEY_TOUCH_PDT = 1025,
    GUI_KEY_TOUCH_PAIR = 1026,
    GUI_KEY_SEQ_BYPASS_TEST = 0x800,
    GUI_KEY_SEQ_EZPLAY_SYMPHONY_FUNC_TOGGLE = 0x801,
    GUI_KEY_SEQ_HDMI_UDISK_UPG = 0x802,
    GUI_KEY_SEQ_DSP_UDISK_UPG = 0x803,
    GUI_KEY_SEQ_USR_PCBA_TEST_ENTER = 0x804,
    GUI_KEY_SEQ_USR_PCBA_TEST_EXIT = 0x805,
    GUI_KEY_SEQ_USR_MACHINE_TEST_ENTER = 0x806,
    GUI_KEY_SEQ_USR_MACHINE_TEST_EXIT = 0x807,
    GUI_KEY_SEQ_USB_TUNING = 0x808,
    GUI_KEY_SEQ_USB_CONN_SET = 0x809,
    GUI_KEY_SEQ_READ_ROKU_SOLUTION_ID = 0x80A,
    GUI_KEY_SEQ_STANDARD_TEST = 0x80B,
    GUI_KEY_SEQ_BT_UDISK_UPG = 0x80C,
    GUI_KEY_SEQ_WIRELESS_TX_UDISK_UPG = 0x80D,
    GUI_KEY_SEQ_WIRELESS_RX_UDISK_UPG = 0x80E,
    GUI_KEY_SEQ_SALES_AREA_SEL = 0x80F,
    GUI_KEY_SEQ_EQ_TEST = 0x810,
    GUI_KEY_SEQ_AMP_PROTECT_COUNT = 0x811,
};

// Kinds of input devices, by name (the user-interface application classifies them).
constexpr uint8_t GUI_KEY_DEV_OTHER = 0;
constexpr uint8_t GUI_KEY_DEV_PANEL = 1;  // wake-only panel keys
constexpr uint8_t GUI_KEY_DEV_IR = 2;

// Touch-panel report types.
constexpr uint32_t GUI_KEY_TOUCH_PRESS = 2;
constexpr uint32_t GUI_KEY_TOUCH_RELEASE = 4;
constexpr uint32_t GUI_KEY_TOUCH_HOLD = 8;

// One input record of a device of `kind`, on the key-monitor thread. Kind 0 is ignored.
void guiKeyIrProcess(uint8_t kind, const struct input_event* ev);
// One touch-panel report, on the Bluetooth-module link's thread.
void guiKeyTouchProcess(uint32_t touchType, uint32_t touchCode);
// 1 for the keys that also clear the music wrapper's menu timer, else 0.
uint8_t guiKeyMenuTimerClrGet(uint32_t keyCode);

void guiKeyInit(void);
void guiKeyExit(void);

// The hidden-sequence matcher, run on the release of an IR-remote key: a completed sequence turns
// `key` into its sequence key. Returns 0.
int32_t guiKeyPasswordProcess(uint16_t keyCode, GuiKeyEvt* key);
// Drops the progress of every sequence (the music wrapper calls it when it powers off).
void guiKeyPasswordClear(void);
