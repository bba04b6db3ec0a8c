// The debug fifo "/tmp/auddbg": a developer writes a line into it to change the log level, dump
// the input information, or inject PLAY, STOP and EXIT into the daemon's own queue as if corvand
// had sent them.
#pragma once

#define SILETH_DBG_FIFO "/tmp/auddbg"

// Acts on one text read from the fifo (the first matching command wins).
void vSilethDbgCommand(const char* text);

// Creates the fifo (or reuses one left by an earlier run) and starts its reader (pvDbgThread);
// 0, or -1 when the fifo cannot be made.
int i4SilethDbgStart();

// Wakes the reader without a writer and joins it.
void vSilethDbgStop();
