// The waits of the display texts that pace themselves on the caller's thread (version, menu and
// amplifier read-outs, the Bluetooth status waiting for a timed text to end).
#pragma once

#include <cstdint>

using GuiWidgetDispSleepFct = void (*)(uint32_t ms);

// Replaces the real sleep (null restores it), so the paced texts can be followed step by step.
void guiWidgetDispSleepSet(GuiWidgetDispSleepFct fct);
void guiWidgetDispSleep(uint32_t ms);
