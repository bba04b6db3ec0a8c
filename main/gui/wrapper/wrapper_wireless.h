// The module links' calls of the power sequences (5.8 GHz link and phone app). Recorded in the
// wrapper call log until the module links are built.
#pragma once

#include <cstdint>

void guiWrapperWirelessAudPowerOn(void);
void guiWrapperWirelessAudPowerOff(void);
void guiWrapperWirelessAudFactoryReset(uint32_t unused);
void guiWrapperBrontalFactoryReset(uint32_t unused);
// Tells the phone app the source (the low byte of aud_src).
void guiWrapperBrontalManualSrcInSet(const uint8_t* src);
