// The phone-app notification wrapper: when a setting changes on the soundbar itself (remote, keys,
// HDMI-CEC, start-up), the widgets and device wrappers tell the phone app through these calls, so
// that its view stays in step. Each call sends one set command (group 0x02, or 0x04 for the usage
// report) through the protocol hub on slot 0, whose phone-app sender holds the caller 50 ms. Values
// travel in the app's codes; a value without a row in its table sends nothing. Each returns what
// the sender returns: 0, or -1 when nothing could be sent.
#pragma once

#include <cstdint>

constexpr uint8_t BRONTAL_SND_PAYLOAD_MAX = 42;

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperBrontalInit(void);
void guiWrapperBrontalExit(void);

// {0xBB, len LE, group, id, payload} to the hub for slot 0; len above 42 gives -1 and sends nothing.
int32_t guiWrapperBrontalSndPacket(uint8_t group, uint8_t id, uint8_t len, const uint8_t* payload);

// The GUI has reset its usage counters (the argument is not read).
int32_t guiWrapperTrackingReset(uint32_t unused);
int32_t guiWrapperBrontalPowerOn(uint32_t unused);
int32_t guiWrapperBrontalPowerOff(uint32_t unused);
int32_t guiWrapperBrontalFactoryReset(uint32_t unused);
// The display dimmer's low byte.
int32_t guiWrapperBrontalLcdDimmerSet(const uint32_t* level);
int32_t guiWrapperBrontalLedDimmerSet(const uint8_t* level);
// Tells the phone app the source (the low byte of aud_src).
int32_t guiWrapperBrontalManualSrcInSet(const uint8_t* src);
// Sound on is what the app shows: mute 0 sends 1. Holds the caller 20 ms more.
int32_t guiWrapperBrontalMuteSet(const uint8_t* mute);
int32_t guiWrapperBrontalVolSet(const uint8_t* vol);
int32_t guiWrapperBrontalXupmixSet(const uint8_t* on);
int32_t guiWrapperBrontalEqSet(const uint8_t* eqMode);
// Sends the phone app the EQ mode and curve the music wrapper holds, 100 ms after it is called
// (the argument is ignored).
int32_t guiWrapperBrontalCusEqPointSet(const void* unused);
int32_t guiWrapperBrontalToneVolSet(uint32_t level);
int32_t guiWrapperBrontalAutoStandbySet(const uint8_t* code);
int32_t guiWrapperBrontalAutoScreensaverSet(const uint8_t* setting);
