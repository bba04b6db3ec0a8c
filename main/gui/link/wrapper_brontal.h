// The phone-app control link: the reports the soundbar sends to the phone app over the Bluetooth
// module's serial link, one frame each.
#pragma once

#include <cstdint>

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperBrontalInit(void);
void guiWrapperBrontalExit(void);

void guiWrapperBrontalVolSet(const uint8_t* vol);
void guiWrapperBrontalMuteSet(const uint8_t* mute);
void guiWrapperBrontalXupmixSet(const uint8_t* on);
void guiWrapperBrontalFactoryReset(uint32_t unused);
// Tells the phone app the source (the low byte of aud_src).
void guiWrapperBrontalManualSrcInSet(const uint8_t* src);
void guiWrapperBrontalLedDimmerSet(const uint8_t* level);
void guiWrapperBrontalAutoScreensaverSet(const uint8_t* setting);
void guiWrapperBrontalPowerOff(void);
void guiWrapperBrontalLcdDimmerSet(const uint8_t* level);
void guiWrapperBrontalEqSet(const uint8_t* eqMode);
void guiWrapperBrontalToneVolSet(const uint8_t* level);
// Sends the phone app the EQ mode and curve the music wrapper holds (the argument is ignored).
void guiWrapperBrontalCusEqPointSet(const void* unused);
