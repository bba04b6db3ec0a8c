// Display texts of the widgets (the builders the power widgets use so far).
#pragma once

#include <cstdint>

// The idle picture and its follow-up; shown by the source widgets once they exist.
void guiWidgetDispHome(void);
void guiWidgetDispHistory(void);

// Dimmer at the record's level, "----" blinking three times, then the idle mark.
void guiWidgetDispPowerIdle(void);
// "-   ".
void guiWidgetDispIdleMark(void);
// "----" blinking until replaced.
void guiWidgetDispPowerOnBlink(void);
// "RSET": with home scrolled once then home; without, five times 5 s then the idle mark.
void guiWidgetDispFactoryReset(uint8_t withHome);
void guiWidgetDispAutoStandby(uint32_t choice, uint16_t timeMs);
void guiWidgetDispAutoScreensaver(uint32_t choice, uint16_t timeMs);
