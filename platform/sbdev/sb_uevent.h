// The kernel's hotplug events (netlink kobject uevents): one datagram per event, a header
// "action@devpath" followed by NUL-terminated KEY=VALUE strings (ACTION, DEVPATH, SUBSYSTEM,
// SWITCH_NAME, SWITCH_STATE, DEVTYPE, MAJOR, MINOR, DEVNAME, ...).
//
// On the board the monitor is a NETLINK_KOBJECT_UEVENT socket bound to the kernel's group; on a
// host with a board simulator it is a connection on which the simulator delivers the events it
// raises or is told to inject, in the same datagram form.
#pragma once

#include <cstddef>
#include <sys/types.h>

// Opens a monitor; a descriptor to poll for POLLIN, or -1 with errno.
int sb_uevent_open();

// Receives one event into `buf` (at most `len` bytes, cut there; never terminated beyond what the
// event holds); the event's length, or -1 with errno (blocks until an event comes).
ssize_t sb_uevent_recv(int fd, char* buf, size_t len);

// Closes the monitor; 0, or -1 with errno.
int sb_uevent_close(int fd);

// The value of `key` ("SWITCH_STATE") in a received event of `len` bytes, or nullptr. Values run
// to the next NUL inside the event; an unterminated last value is not returned.
const char* sb_uevent_get(const char* event, size_t len, const char* key);

// The device manager's hotplug socket. On the board: a NETLINK_KOBJECT_UEVENT datagram socket
// with a forced 16384-byte receive buffer, bound to the kernel's group 1 with the process id as
// its port; a refused buffer size is not fatal and its errno lands in *rcvbufError (0 when it was
// taken). On a host with a board simulator: the simulator's uevents, as sb_uevent_open. Read it
// with sb_uevent_recv. The descriptor, or -1 with errno.
int sb_uevent_open_hotplug(int* rcvbufError);
