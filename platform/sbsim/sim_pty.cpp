#include "platform/sbsim/sim_pty_priv.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace sbsim {

PtyPorts::~PtyPorts()
{
    for (Port& p : ports_) {
        ::close(p.master);
        ::close(p.slave);
    }
}

bool PtyPorts::create(const std::string& systemPath)
{
    Port port;
    port.path = systemPath;
    port.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (port.master < 0 || grantpt(port.master) != 0 || unlockpt(port.master) != 0) {
        ::close(port.master);
        return false;
    }
    char name[128];
    if (ptsname_r(port.master, name, sizeof(name)) != 0) {
        ::close(port.master);
        return false;
    }
    port.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (port.slave >= 0 && tcgetattr(port.slave, &raw) == 0) {
        // A serial line does not echo or translate: bytes pass as they are, both ways.
        cfmakeraw(&raw);
        tcsetattr(port.slave, TCSANOW, &raw);
    }
    const std::string link = board_.path(systemPath);
    ::unlink(link.c_str());
    if (::symlink(name, link.c_str()) != 0) {
        ::close(port.master);
        ::close(port.slave);
        return false;
    }
    board_.log("serial", systemPath + " -> " + name);
    ports_.push_back(port);
    return true;
}

void PtyPorts::addPollFds(std::vector<pollfd>& fds) const
{
    for (const Port& p : ports_) {
        if (!p.taken) {
            fds.push_back({p.master, POLLIN, 0});
        }
    }
}

void PtyPorts::onReadable(int masterFd)
{
    for (Port& p : ports_) {
        if (p.master == masterFd && !p.taken) {
            uint8_t buf[512];
            const ssize_t n = ::read(masterFd, buf, sizeof(buf));
            if (n > 0) {
                board_.log("serial", p.path + " " + hexBytes(buf, static_cast<size_t>(n)));
            }
        }
    }
}

bool PtyPorts::write(const std::string& systemPath, const Bytes& bytes)
{
    for (const Port& p : ports_) {
        if (p.path == systemPath && !p.taken) {
            size_t done = 0;
            while (done < bytes.size()) {
                const ssize_t n = ::write(p.master, bytes.data() + done, bytes.size() - done);
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    return false;
                }
                done += static_cast<size_t>(n);
            }
            return true;
        }
    }
    return false;
}

int PtyPorts::take(const std::string& systemPath)
{
    for (Port& p : ports_) {
        if (p.path == systemPath && !p.taken) {
            p.taken = true;
            return p.master;
        }
    }
    return -1;
}

void PtyPorts::removeLinks()
{
    for (const Port& p : ports_) {
        ::unlink(board_.path(p.path).c_str());
    }
}

}  // namespace sbsim
