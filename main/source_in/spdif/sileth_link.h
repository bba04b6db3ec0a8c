// corvand's end of the audio-input queue to `sileth`: opening the queue, the commands (PLAY, STOP,
// the HDMI-input stop and the settings) and the status thread that receives every reply of the
// daemon and turns it into informs and requests to the state manager and calls of the device
// wrappers. Commands never wait on a full queue: a daemon that does not read must not hold up
// the thread that sends.
#pragma once

#include <cstdint>

// Opens (or creates) the queue; a failure is logged and leaves no queue, so later commands are
// dropped. 0.
int32_t i4GstInit(void);
// Sends one command with the current source's input type and DrcMode 8; PLAY first selects the
// input. 0.
int32_t i4GstCtl(uint32_t cmd);
int32_t fgGstPlay(void);
int32_t fgGstStop(void);
int32_t fgGstHdmiRxPlugOutStop(void);
// One setting command (8 DTS direct mode from values[0], 9 DRC percent from values[1], 10
// dialogue control from values[2], 29 upmix from values[3]).
void vSpdifInGstSet(uint32_t cmd, const uint8_t values[4]);

// Starts the status thread; 0, or -1 when it could not be started.
int32_t silethLinkStartStatusThread(void);
// Stops the status thread, waking it out of its receive, and forgets the queue.
void silethLinkStop(void);
