// The mount calls: mount(2), umount(2) and umount2(2) of system paths. On the board they are the
// system calls; on a host with a board simulator the simulator answers them as a test set it up,
// keeps what is mounted and logs every call ("sbsimctl log mount").
#pragma once

// 0, or -1 with errno. `data` is the file system's option text, or null.
int sb_mount(const char* source, const char* target, const char* type, unsigned long flags, const void* data);
int sb_umount(const char* target);
int sb_umount2(const char* target, int flags);
