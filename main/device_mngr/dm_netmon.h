// The network monitor: a thread that reads the wired link "eth0" once a second and broadcasts
// DM_BRDCST_MSG_NETWORK when its running state changes (a link up at start is announced within the
// first second).
#pragma once

#include <cstdint>

// Starts "network_monitor" once; 0, or -1 when the thread cannot start.
int32_t dmNetworkMonitorStart(void);
