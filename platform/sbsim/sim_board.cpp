#include "platform/sbsim/sim_board_priv.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace sbsim {

Board::Board(std::string root) : root_(std::move(root))
{
}

double Board::now()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void Board::setNodePresent(const std::string& systemPath, bool present) const
{
    const std::string node = path(systemPath);
    if (!present) {
        unlink(node.c_str());
        return;
    }
    const int fd = ::open(node.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
    }
}

void Board::log(const std::string& facility, const std::string& line)
{
    char stamp[32];
    std::snprintf(stamp, sizeof(stamp), "%.6f ", now());
    const std::string entry = stamp + line + "\n";
    logs_[facility] += entry;
    const std::string file = path("/sim/" + facility + ".log");
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
        const ssize_t n = ::write(fd, entry.data(), entry.size());
        (void)n;
        ::close(fd);
    }
}

std::string Board::logText(const std::string& facility) const
{
    auto it = logs_.find(facility);
    return it == logs_.end() ? std::string() : it->second;
}

void Board::raiseUevent(const std::string& action, const std::string& devpath, const Words& props)
{
    std::string text = action + "@" + devpath;
    text += '\0';
    for (const std::string& p : {"ACTION=" + action, "DEVPATH=" + devpath}) {
        text += p;
        text += '\0';
    }
    std::string shown = action + " " + devpath;
    for (const std::string& p : props) {
        text += p;
        text += '\0';
        shown += " " + p;
    }
    log("uevent", shown);
    if (deliverUevent) {
        deliverUevent(Bytes(text.begin(), text.end()));
    }
}

void Board::raiseRawUevent(const Bytes& datagram)
{
    log("uevent", "raw " + hexBytes(datagram.data(), datagram.size()));
    if (deliverUevent) {
        deliverUevent(datagram);
    }
}

void Board::raiseSwitch(const std::string& name, int state)
{
    raiseUevent("change", "/devices/virtual/switch/" + name,
                {"SUBSYSTEM=switch", "SWITCH_NAME=" + name, "SWITCH_STATE=" + std::to_string(state)});
}

bool parseNumber(const std::string& text, int64_t& value)
{
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0') {
        return false;
    }
    value = v;
    return true;
}

std::string hexBytes(const uint8_t* data, size_t len)
{
    std::string out;
    char b[4];
    for (size_t i = 0; i < len; ++i) {
        std::snprintf(b, sizeof(b), i == 0 ? "%02x" : " %02x", data[i]);
        out += b;
    }
    return out;
}

bool parseHexBytes(const Words& w, size_t from, Bytes& out)
{
    for (size_t i = from; i < w.size(); ++i) {
        int64_t v = 0;
        if (!parseNumber(w[i].rfind("0x", 0) == 0 ? w[i] : "0x" + w[i], v) || v < 0 || v > 0xFF) {
            return false;
        }
        out.push_back(static_cast<uint8_t>(v));
    }
    return true;
}

}  // namespace sbsim
