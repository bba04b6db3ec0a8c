// Helpers for the capture sources' tests: a capture input the test feeds as it likes, the lines
// the recording music-wrapper calls wrote, and bounded waits on conditions.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace srctest {

// Waits until `condition` holds (polling); false when the deadline passed first.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline = std::chrono::seconds(60));

// Threads of this process.
int threadCount();

// The lines of a text file under the root.
std::vector<std::string> lines(const std::string& text);

// A capture input that blocks its reader until the test feeds it: a fifo at the PCM's input path.
// Whatever is fed is read in order; once closed, the reader sees the end of the input.
class FifoInput {
public:
    explicit FifoInput(const std::string& file);
    ~FifoInput();
    FifoInput(const FifoInput&) = delete;
    FifoInput& operator=(const FifoInput&) = delete;

    // Writes `data` from a thread of its own, so a reader that takes it slowly blocks no one, in
    // writes of `unit` bytes (at most PIPE_BUF): each lands whole, so a reader asking for one unit
    // always gets one whole unit.
    void feed(std::string data, size_t unit);
    // Waits for the feeding to end and closes the input.
    void close();

private:
    int fd_ = -1;
    std::thread writer_;
};

}  // namespace srctest
