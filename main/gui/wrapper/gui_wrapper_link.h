// The module-link calls the setting record's writer makes (the wireless receiver's LED, the phone
// app's reports).
#pragma once

#include <cstdint>

void guiWrapperWirelesRxLedStsSet(uint32_t on);
void guiWrapperWirelessAudLedDimmerSet(uint32_t level);
void guiWrapperBrontalLedDimmerSet(const uint8_t* level);
void guiWrapperBrontalAutoScreensaverSet(const uint8_t* setting);
void guiWrapperBrontalPowerOff(void);
void guiWrapperBrontalLcdDimmerSet(const uint8_t* level);
