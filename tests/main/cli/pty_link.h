// A pseudo-terminal whose slave is linked at a system path under the test root, standing in for
// a serial port of the board.
#pragma once

#include "tests/support/sandbox.h"

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

    // True when the slave keeps `speed` once set: a terminal layer may refuse some speeds.
    bool holds(speed_t speed) const
    {
        const int fd = open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios attrs{};
        bool kept = false;
        if (fd >= 0 && tcgetattr(fd, &attrs) == 0) {
            const termios before = attrs;
            cfsetospeed(&attrs, speed);
            kept = tcsetattr(fd, TCSANOW, &attrs) == 0 && tcgetattr(fd, &attrs) == 0 && cfgetospeed(&attrs) == speed;
            tcsetattr(fd, TCSANOW, &before);
        }
        if (fd >= 0) {
            close(fd);
        }
        return kept;
    }

private:
    int master_ = -1;
    std::string slave_;
};

}  // namespace sbtest
