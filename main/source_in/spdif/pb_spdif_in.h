// The `pb_spdif_in` application: plays the digital inputs (optical S/PDIF, the TV's ARC or eARC,
// the HDMI input) as a source under the state manager. It keeps no source of its own: it asks the
// state manager which of its sources is current, selects that input on the HDMI transmitter,
// sends PLAY and STOP to the audio-input daemon (sileth_link.h) and turns CEC system audio on and
// off around ARC and the HDMI input. Its console table is `spdif_in`.
#pragma once

#include "main/am/aee/aee.h"
#include "main/am/amb/amb.h"
#include "main/source_in/spdif/spdif_in_send.h"

#include <atomic>
#include <cstdint>

#define SPDIF_IN_APP_NAME "pb_spdif_in"

// Fills the registration record of "pb_spdif_in"; leaves it alone while the application runs.
void aPlaybackSpdifInRegister(amb_register_info_t* info);

// 0; -1 when the console table cannot be attached (a console not yet started is fine).
int32_t i4SpdifInInit(const char* name, handle_t app);
// -1 when not initialised; else ends the status thread and clears the state; 0.
int32_t i4SpdifInExit(handle_t app, uint32_t exitCode);
// -1 when not initialised or the message is null; else 0.
int32_t i4SpdifInProcessMsg(handle_t app, uint32_t msgId, const void* data, uint32_t size);

// Non-zero switches the current source on (CEC system audio on for ARC and the HDMI input, then
// input and PLAY); zero switches it off (STOP, then CEC system audio off).
void vSpdifInSwitchSource(uint8_t on);
// Non-zero: input and PLAY to the daemon; zero: STOP.
void vSpdifInGstPlayPause(uint8_t play);

// The debug level ORed with the application layer bit, and its setter.
uint16_t i4SpdifInGetDbgLevel(void);
void vSpdifInSetDbgLevel(uint16_t level);
