// Device nodes of the board: the one way subsystem code opens, reads, writes, controls and polls a
// device ("/dev/hdmitx", "/dev/led_display", "/dev/input/event*", "/dev/i2c-N", "/dev/mtdN") or a
// sysfs node ("/sys/..."). Paths are system paths; they are mapped under the root here.
//
// On the board every call is the system call. On a development host whose root holds a running
// board simulator (its socket "/sim/board.sock"), the board's devices and "/sys" are served by the
// simulator, and the descriptor is a connection to it; every other path (serial ports, which are
// real pseudo-terminals there, plain files) is opened for real. Results follow the system calls:
// -1 with errno on failure, and a request the device does not know fails with ENOTTY.
#pragma once

#include <cstdint>
#include <poll.h>
#include <sys/types.h>
#include <type_traits>

// open(2) of a system path; the descriptor, or -1 with errno.
int sb_dev_open(const char* path, int flags);

// close(2); 0, or -1 with errno.
int sb_dev_close(int fd);

// read(2). An input device yields whole records of the platform's `struct input_event` (16 bytes on
// the 32-bit board, 24 on a 64-bit host); read it with sizeof, never a fixed 16.
ssize_t sb_dev_read(int fd, void* buf, size_t len);

// write(2).
ssize_t sb_dev_write(int fd, const void* buf, size_t len);

// lseek(2) (MTD partitions are read and written at block offsets).
off_t sb_dev_lseek(int fd, off_t offset, int whence);

// poll(2) over any mix of device and ordinary descriptors; a device with an input record waiting
// reports POLLIN.
int sb_dev_poll(struct pollfd* fds, nfds_t count, int timeoutMs);

// ioctl(2) whose argument points at the request's record (in, out or both, as the request's
// encoding says; I2C_RDWR carries its messages).
int sb_dev_ioctl_ptr(int fd, unsigned long request, void* arg);

// ioctl(2) whose argument is the value itself (the front display's requests, the HDMI
// transmitter's CEC and ARC switches, I2C_TIMEOUT and I2C_RETRIES).
int sb_dev_ioctl_val(int fd, unsigned long request, unsigned long value);

// ioctl(2) as subsystem code writes it: a pointer argument is passed as a pointer, anything
// else as a value.
template <typename T>
inline int sb_dev_ioctl(int fd, unsigned long request, T arg)
{
    if constexpr (std::is_pointer_v<T>) {
        return sb_dev_ioctl_ptr(fd, request, const_cast<void*>(static_cast<const void*>(arg)));
    } else {
        return sb_dev_ioctl_val(fd, request, static_cast<unsigned long>(arg));
    }
}
