#include "platform/sbdev/sb_sysfs.h"

#include "platform/sbdev/sb_dev.h"
#include "platform/sbroot/sb_root.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

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

int sb_sysfs_list(const char* path, std::vector<SbSysfsEntry>* out)
{
    if (path == nullptr || out == nullptr) {
        errno = EFAULT;
        return -1;
    }
    const std::string dirPath = sb::path(path);
    DIR* dir = opendir(dirPath.c_str());
    if (dir == nullptr) {
        return -1;
    }
    out->clear();
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        struct stat st {};
        const bool isDir = lstat((dirPath + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        out->push_back({name, isDir});
    }
    closedir(dir);
    return 0;
}
