#include "platform/sbdev/sb_sysfs.h"

#include "platform/sbdev/sb_dev.h"

#include <cerrno>
#include <fcntl.h>

ssize_t sb_sysfs_write(const char* path, const void* data, size_t len)
{
    const int fd = sb_dev_open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    const ssize_t n = sb_dev_write(fd, data, len);
    const int error = errno;
    sb_dev_close(fd);
    errno = error;
    return n;
}

ssize_t sb_sysfs_read(const char* path, void* buf, size_t len)
{
    const int fd = sb_dev_open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    const ssize_t n = sb_dev_read(fd, buf, len);
    const int error = errno;
    sb_dev_close(fd);
    errno = error;
    return n;
}
