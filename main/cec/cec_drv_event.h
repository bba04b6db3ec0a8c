// The HDMI driver's events, forwarded by the device manager as CEC application messages from
// MSG_FROM_DM: the TV link's plug events, a finished transmission, a received frame, the inputs'
// plug and lock events, and the volume, mute and standby the driver decides itself.
#pragma once

#include "main/cec/cec_state.h"

// Handles one driver event on the application's thread.
void cecPsrProcessMessage(const CecAppMsg* msg);
