// A pseudo-terminal whose slave is linked at a system path under the test root, standing in for
// a serial port of the board.
#pragma once

#include "sandbox.h"

#include <fcntl.h>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace sbtest {

class PtyLink {
public:
    PtyLink(const Sandbox& sandbox, const std::string& systemPath)
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        slave_ = ptsname(master_);
        if (symlink(slave_.c_str(), sandbox.path(systemPath).c_str()) != 0) {
            throw std::runtime_error("cannot link " + systemPath);
        }
    }
    ~PtyLink() { close(master_); }
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    // The attributes of the slave side, as the console left them.
    termios attributes() const
    {
        termios attrs{};
        const int fd = open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) {
            tcgetattr(fd, &attrs);
            close(fd);
        }
        return attrs;
    }

private:
    int master_ = -1;
    std::string slave_;
};

}  // namespace sbtest
