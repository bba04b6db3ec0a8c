// The HDMI transmitter driver's switch events: a listener thread on the kernel's uevents of the
// "switch" and "hdmirxswitch" subsystems that marks the input's stream information as changed
// where audio is affected and forwards the CEC-related events to corvand as queue replies.
#pragma once

#include <cstdint>

// The CEC callback: one reply per code (0 power, 1 source, 2 ARC status, 3 volume, 4 mute, 5 TV
// link plug, 6 HDMI input plug, 7 received frame: 16 bytes and the length in byte 16). `len` is
// the payload's size; a code of 8 or more, a missing payload or one too short logs "Param Error!"
// and sends nothing.
void vSilethCecChange(uint32_t code, const uint8_t* payload, int len);

// Handles one received event of `len` bytes (the "action@path" header, then KEY=VALUE strings):
// -1 when it carries no SWITCH_STATE ("I: get SWITCH_STATE error "), else the state, or 0 for
// an action other than "change".
int ParseUdevEvent(const char* event, int len);

// Starts the listener (pvUdevCbThread); 0, or -1 when the thread could not start.
int i4SilethUdevStart();

// Wakes the listener without an event and joins it.
void vSilethUdevStop();
