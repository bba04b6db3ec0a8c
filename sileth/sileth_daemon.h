// The life of the sileth process: start-up (i4SilethInit), the daemon thread that turns commands,
// stream-information changes and signals into exactly one forked pipeline child at a time (and
// sends the play and stop replies), the commands the receive thread hands over, and the teardown
// after EXIT.
#pragma once

#include <cstdint>

// `u4State`.
enum SilethState : uint32_t {
    GST_IDLE = 0,
    GST_STARTED = 2,
    GST_STOPPED = 3,
    GST_EXETED = 4,
};

// Start-up: shared record, source and CEC callbacks, the input side, the switch-event listener,
// the queue, signal handlers, the daemon and debug-fifo threads. 0, or -1 when the shared record
// cannot be made (nothing is left running then).
int i4SilethInit();

// The stream-change callback: the next daemon pass reads the input's information again.
void vSilethStreamChange(int);

// Commands, as the receive thread hands them over.
void vSilethCmdPlay(uint8_t srcType, int32_t drcMode);
void vSilethCmdStop();
void vSilethCmdPlugOut();
void vSilethCmdXupmix(uint8_t value);
// Stores a [GLOBAL] setting in the table and in the settings file.
void vSilethCmdSetting(const char* key, const char* text);

// The flow-mute word the next pipeline child starts with (the TV's temporary mute).
void vSilethSetFlowMute(uint8_t mute);

// EXIT: waits for the pipeline child to be gone, stops every thread, answers SILETH_EXIT and
// removes the queue, releases the input side and the shared record.
void vSilethExit();

// Stops the running pipeline child: SIGUSR1, then up to five tries of 100 ms that repeat the
// signal and end with SIGKILL. Returns once the child has been reaped or after the last try.
void vWaitGstExit(int);

uint32_t u4SilethState();
