// Usage tracking: how long and how the soundbar is used, counted for the phone app. Runs on the
// GUI manager's thread.
#pragma once

#include <cstdint>

// Categories 0 (device boots) to 17 (upmix off).
constexpr uint32_t GUI_TRACKING_CATEGORIES = 18;

void guiTrackingInit(void);
void guiTrackingExit(void);

void guiTrackingPowerOn(uint8_t fromApp);
void guiTrackingPowerOff(uint8_t fromApp);
void guiTrackingPrint(uint32_t what, uint32_t value);
void guiTrackingReset(void);
// One usage counter; a category of 18 or more logs "Param Error!" and gives 0.
uint32_t guiTrackingGet(uint32_t category, uint8_t item);
