// The last phase of corvand's start-up, on the main thread once the application table is walked:
// wait for the audio server, connect its client, have the state manager look up the last source,
// tell the GUI manager the system is idle, then reap child processes for the rest of the process's
// life.
#pragma once

#include "common/vesk_ipc/vesk_ipc_records.h"

#include <cstdint>

constexpr const char* VESK_READY_MARKER = VESK_IPC_READY_PATH;
constexpr uint32_t VESK_READY_POLL_US = 5000;

// Never returns.
[[noreturn]] void startupHandOver(void);

// The steps, one by one.
void startupWaitVeskReady(void);
void startupPostGuiIdle(void);
// One non-blocking reap; returns the reaped process id, or 0 / -1 as waitpid does.
int startupReapChild(void);
