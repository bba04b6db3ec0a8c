// Usage tracking: how long and how the soundbar is used, counted for the phone app. Runs on the
// GUI manager's thread.
#pragma once

#include <cstdint>

void guiTrackingInit(void);
void guiTrackingExit(void);

void guiTrackingPowerOn(uint8_t fromApp);
void guiTrackingPowerOff(uint8_t fromApp);
void guiTrackingPrint(uint32_t what, uint32_t value);
void guiTrackingReset(void);
