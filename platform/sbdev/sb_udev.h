// A monitor of the kernel's device events for a few subsystems, as the audio-input daemon watches
// the HDMI driver's switches. On the board it is udev's netlink monitor filtered on the subsystems
// (any device type); on a host with a board simulator it is the simulator's uevents, all of them
// (the caller keeps its own subsystem test). Either way an event is read in the kernel's datagram
// form: "action@devpath", NUL, then NUL-terminated KEY=VALUE strings.
#pragma once

#include <cstddef>
#include <sys/types.h>

// A descriptor to poll for POLLIN, or -1 with errno.
int sb_udev_monitor_open(const char* const* subsystems, size_t count);

// Receives one event into `buf` (cut at `len`); its length, 0 when the event could not be read
// (nothing to hand over), or -1 with errno.
ssize_t sb_udev_monitor_recv(int fd, char* buf, size_t len);

// 0, or -1 with errno.
int sb_udev_monitor_close(int fd);

// Which source the monitor reads, for the caller's start line: "udev netlink monitor" or "board
// simulator".
const char* sb_udev_monitor_source(int fd);
