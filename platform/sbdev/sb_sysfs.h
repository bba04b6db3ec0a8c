// Sysfs nodes ("/sys/class/gpio/export", "/sys/class/gpio/gpio428/value", the amplifier and
// pin-control nodes): one open, one write or read, one close, through the device seam.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

// Writes `len` bytes to the node; the count written, or -1 with errno (ENOENT for a missing node).
ssize_t sb_sysfs_write(const char* path, const void* data, size_t len);

// Reads at most `len` bytes of the node into `buf` (not terminated); the count, or -1 with errno.
ssize_t sb_sysfs_read(const char* path, void* buf, size_t len);

struct SbSysfsEntry {
    std::string name;
    bool isDir = false;  // by lstat: a link to a directory is not one
};

// The entries of a sysfs directory but "." and "..", in the order the directory gives them; the
// simulator's sysfs is a tree of files under the root, so both sides read the tree itself. 0, or -1
// with errno (ENOTDIR for a file).
int sb_sysfs_list(const char* path, std::vector<SbSysfsEntry>* out);
