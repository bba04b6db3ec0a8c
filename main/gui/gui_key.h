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
