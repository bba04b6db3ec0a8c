// The music wrapper's calls that key input makes.
#pragma once

#include <cstdint>

using GuiWrapperMusicCbk = void (*)(void);

// Resets the music wrapper's inactivity counters and, when `clearMenuTimer` is set, its menu
// timer. 1 when the key woke the display from its screensaver, else 0.
uint8_t guiWrapperMusicTimerReset(uint8_t clearMenuTimer);
// Registers the call the music wrapper makes when it powers off.
void guiWrapperMusicRegisterCbk(GuiWrapperMusicCbk cbk);

// Setters the setting record's writer calls.
void guiWrapperMusicEqModeSet(uint8_t eqMode);
void guiWrapperMusicAutoStandbySet(uint32_t value);
void guiWrapperMusicAutoScreensaverSet(uint32_t value);
