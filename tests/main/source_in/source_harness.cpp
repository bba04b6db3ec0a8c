#include "tests/main/source_in/source_harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace srctest {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

int threadCount()
{
    int n = 0;
    DIR* dir = opendir("/proc/self/task");
    if (dir == nullptr) {
        return -1;
    }
    while (const dirent* e = readdir(dir)) {
        n += e->d_name[0] != '.' ? 1 : 0;
    }
    closedir(dir);
    return n;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

FifoInput::FifoInput(const std::string& file)
{
    unlink(file.c_str());
    if (mkfifo(file.c_str(), 0644) != 0) {
        throw std::runtime_error("mkfifo failed");
    }
    // Read-write, so neither this open nor the reader's waits for the other side.
    fd_ = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) {
        throw std::runtime_error("fifo open failed");
    }
}

FifoInput::~FifoInput()
{
    close();
}

void FifoInput::feed(std::string data, size_t unit)
{
    if (writer_.joinable()) {
        writer_.join();
    }
    writer_ = std::thread([fd = fd_, data = std::move(data), unit] {
        size_t done = 0;
        while (done < data.size()) {
            const size_t step = data.size() - done < unit ? data.size() - done : unit;
            const ssize_t n = write(fd, data.data() + done, step);
            if (n <= 0) {
                return;
            }
            done += static_cast<size_t>(n);
        }
    });
}

void FifoInput::close()
{
    if (writer_.joinable()) {
        writer_.join();
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace srctest
