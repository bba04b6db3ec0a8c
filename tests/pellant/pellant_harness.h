// Running the built programs against a sandbox root: pellant as a child process, the call tool,
// and reading what reached the audio-server stand-in.
#pragma once

#include "tests/support/sandbox.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace pellanttest {

// Generous enough for the ARM build under qemu.
constexpr std::chrono::seconds kDeadline{60};

// Polls `condition` every few milliseconds until it holds or the deadline passes.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline = kDeadline);

// A child process (argv as sbtest::programArgv gives it) with its standard output in a file;
// stopped (SIGTERM, then SIGKILL) and reaped when destroyed.
class Child {
public:
    Child(const std::vector<std::string>& argv, const std::string& stdoutPath);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }
    // The wait status once the child has ended within the deadline.
    std::optional<int> waitExit(std::chrono::milliseconds deadline = kDeadline);
    // SIGTERM, then SIGKILL when it outlives the deadline; the wait status.
    int stop(std::chrono::milliseconds deadline = std::chrono::seconds(20));

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Starts pellant in the sandbox; its standard output goes to kPellantOut under the root.
constexpr const char* kPellantOut = "/sim/pellant.out";
std::unique_ptr<Child> startPellant(const sbtest::Sandbox& sandbox);
// Waits until pellant has set its initial stream volumes, its last start-up step.
bool waitStarted(const sbtest::Sandbox& sandbox);

struct CallResult {
    int exitCode = -1;
    std::string out;
    int value() const;  // the printed result
};
// Runs the real call tool against pellant's server with u32 words or hex bytes.
CallResult callWords(uint32_t funcId, const std::vector<uint32_t>& words);
CallResult callHex(uint32_t funcId, const std::string& hex);

std::vector<std::string> lines(const std::string& text);
std::vector<std::string> vesk2Log(const sbtest::Sandbox& sandbox);
std::vector<std::string> vesk2State(const sbtest::Sandbox& sandbox);
bool contains(const std::vector<std::string>& lines, std::string_view line);

// One vesk_ppc_set_parameter call from the audio-server log.
struct ParamWrite {
    uint32_t element = 0;
    uint32_t param = 0;
    uint32_t count = 0;
    std::vector<uint8_t> data;
    bool operator==(const ParamWrite& o) const
    {
        return element == o.element && param == o.param && count == o.count && data == o.data;
    }
};
std::ostream& operator<<(std::ostream& os, const ParamWrite& w);
// The parameter writes among log lines [from, end).
std::vector<ParamWrite> paramWrites(const std::vector<std::string>& log, size_t from = 0);
// Modes set by vesk_ppc_set_mode among log lines [from, end).
std::vector<uint32_t> modesSet(const std::vector<std::string>& log, size_t from = 0);

std::vector<uint8_t> le64(const std::vector<int64_t>& values);

}  // namespace pellanttest
