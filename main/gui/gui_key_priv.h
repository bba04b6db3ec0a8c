// Key input's tables and pure steps, for its own file and its tests.
#pragma once

#include "main/gui/gui_key.h"

#include <cstddef>
#include <cstdint>

// One row of the key table: the states it answers in, the key, the event it posts.
struct GuiKeyEvtRow {
    uint32_t mask;
    GuiKeyEvt key;
    uint16_t evt;
};

constexpr size_t GUI_KEY_EVT_ROWS = 132;
extern const GuiKeyEvtRow gGuiKeyEvtHash[GUI_KEY_EVT_ROWS];

// The IR remote's keys and their log labels.
struct GuiKeyIrMapRow {
    int16_t code;
    const char* label;
};
constexpr size_t GUI_KEY_IR_MAP_ROWS = 40;
extern const GuiKeyIrMapRow gGuiKeyIrMap[GUI_KEY_IR_MAP_ROWS];

// The rows of the key table that answer `key` in `sysState`, in table order: their indexes go to
// `rows` (at most `max`); the count of matching rows is returned.
size_t guiKeyEvtMatch(uint32_t sysState, const GuiKeyEvt& key, size_t* rows, size_t max);

// The label of an IR-remote key, or null when the code is not one.
const char* guiKeyIrLabel(uint32_t code);
// The key code of a touch-panel code (0 for an unknown one).
uint32_t guiKeyTouchCodeMap(uint32_t touchCode);

// The hold parser: with the repeat count already raised, counts hold units and sets the key's type
// for `sysState`. Null arguments are refused ("Param Error!").
void guiKeyHoldTypeParser(uint16_t* msecCnt, uint16_t* secCnt, GuiKeyEvt* key, uint32_t sysState);
