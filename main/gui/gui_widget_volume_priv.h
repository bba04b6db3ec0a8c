// The rules of the volume and mute widgets, apart from the widget record they are applied to: the
// step of one press and of a held key, the limits, and when a volume change ends a mute.
#pragma once

#include "main/gui/wrapper/gui_wrapper_setting.h"

#include <cstdint>

constexpr uint8_t GUI_WIDGET_VOL_DIR_UP = 0;
constexpr uint8_t GUI_WIDGET_VOL_DIR_DOWN = 1;
// A mute holds against a lowering volume only above this level.
constexpr uint8_t GUI_WIDGET_VOL_UNMUTE_MAX = 80;

// The volume after one press; at a limit the volume stays and `atLimit` is set.
uint8_t guiWidgetVolOnceStep(uint8_t vol, uint8_t dir, bool* atLimit);
// The volume after one repeat of a held key, stopping at 0 and 100.
uint8_t guiWidgetVolRepeatStep(uint8_t vol, uint8_t dir, uint8_t step);
// A volume from outside (a set event, the Bluetooth module) kept to the tables' range 0..100.
uint8_t guiWidgetVolClamp(uint32_t level);

// Whether a volume set to `level` ends the mute: never for 0, and not for a lowering set above 80.
bool guiWidgetVolSetUnmutes(uint8_t level, uint8_t vol);
// Whether a key press that leads to `newVol` ends the mute: every up press, a down press only at 80
// or below.
bool guiWidgetVolKeyUnmutes(uint8_t dir, uint8_t newVol);
// Whether a volume from the Bluetooth module ends the mute: at 79 or below, or above the volume.
bool guiWidgetVolBtUnmutes(uint8_t level, uint8_t vol);
