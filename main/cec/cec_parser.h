// The receive half of the CEC application: it checks the frames the driver received and dispatches
// them by opcode, and drives the transmit events from their transmit status to the reply wait or
// their release. Everything here runs on the application's thread.
#pragma once

#include "main/mw/os_pthread/os_msgq.h"

#include <cstdint>

// Keeps the queue "cecm_msgq" (nothing sends on it), makes RX0 the active input and creates the
// fake-plug-in guard's timer. @return 0; -2 when started already.
int32_t cecParserInit(msg_q_t* queue);
// Clears the started flag: the handlers then refuse every frame. @return 0; -4 when not started.
int32_t cecParserUninit(uint32_t reserved);
bool cecParserIsInited(void);
