// The hotplug listener: the kernel's uevents on one socket and one thread ("dmh_cb_msg_thrd")
// that adds and removes USB hubs, storage, disks and partitions in the device tree and tells the
// registered callbacks, broadcasts a pulled stick or a changed medium at once, and forwards the
// HDMI driver's CEC switch events to "cec".
#pragma once

#include <atomic>
#include <cstdint>

// 1 while the usbfs mount on "/proc/bus/usb" is still to be tried (set again when the socket is
// bound, cleared after the first attempt).
extern std::atomic<uint8_t> gDmhMountUsbfs;
// 1: every received datagram is printed at information level.
extern std::atomic<uint8_t> g_kernelInfo;
// Set when the hotplug thread starts.
extern std::atomic<uint8_t> gDmhOpenDevThread;
extern std::atomic<uint8_t> gDmhOpenDevThreadExited;

// The hotplug socket (through the uevent seam); its descriptor, or -1 ("[DMH]bind failed: %s").
int dmhInitHotplugSock(void);

// Opens the socket, scans "/sys/devices/virtual/block" and "/sys/devices/platform" and starts the
// hotplug thread; does nothing once it has succeeded. 0; -1 (no socket, or a failed scan); -12
// (no thread).
int32_t dmhInitNetlinkServices(void);

// The hotplug thread's entry; `arg` holds a copy of the socket descriptor.
void dmhCbMsgThread(void* arg);

// Tries the usbfs mount on "/proc/bus/usb" (a second time when the first fails) while
// gDmhMountUsbfs is set, then clears it.
void dmhMountUsbfsOnce(void);

// Message 33 to "cec": an appmsg_t from MSG_FROM_DM with the switch state as its type and no data.
// The send's result.
int32_t dmSendMsgToCec(uint32_t switchState);

// Broadcasts DM_BRDCST_MSG_USB_MNT with `eDmEvent` (0 a partition pulled out, 2 a medium changed);
// the broadcast's result.
int32_t dmSendMsgToPlaybackUsb(uint32_t eDmEvent);

// Makes a device node: character and block types through the shell ("mknod %s %c %u %u", then
// "chmod 0660 %s"), any other type by the system call. 0 or -1; a path outside the plain
// characters is refused with -1.
int32_t dmMknod(const char* path, uint32_t type, uint32_t perm, uint32_t reserved, uint64_t dev);
