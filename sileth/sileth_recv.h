// The receive thread of the audio-input queue: turns corvand's commands into daemon state until
// EXIT, then tears the daemon down.
#pragma once

#include "common/sileth_ipc/sileth_msg.h"

// Acts on one command; false for EXIT (the caller then tears down).
bool fgSilethHandleCmd(const sileth_msg_t& msg);

// The receive loop; returns after EXIT and the teardown.
void pvGstMsgThread();
