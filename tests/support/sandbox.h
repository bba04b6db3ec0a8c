// A fresh root directory for one test: every fixed path of the system lands inside it, and the
// System V queues keyed by its files are removed with it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace sbtest {

class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& dir() const { return dir_; }
    std::string path(std::string_view systemPath) const;

    bool exists(std::string_view systemPath) const;
    std::string read(std::string_view systemPath) const;
    void write(std::string_view systemPath, std::string_view content) const;

    // Command lines the shell-command client was given, in order.
    std::vector<std::string> quoridLog() const;
    // Makes the shell-command client answer `status` to commands starting with `prefix`.
    void setQuoridStatus(int status, std::string_view prefix = "") const;
    // Gives `program` a canned report that the shell-command client writes where a command line
    // of it redirects its output.
    void setQuoridReport(std::string_view program, std::string_view report) const;

private:
    std::string dir_;
};

// Program paths whose placeholder files key System V queues (ftok).
extern const char* const kFtokPrograms[];

class SandboxTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

// Directory of the build tree (for tests that start the built programs); SOUNDBAR_BUILD_DIR overrides.
std::string buildDir();

// Command prefix that runs a built program: empty on the host, the qemu command line in the ARM
// build (blank-separated); SOUNDBAR_EMULATOR overrides.
std::string emulator();

// The words that start the built program at `path` (relative to the build tree when not
// absolute): the emulator's words, then the program. Start it with posix_spawn: plain fork()
// inside a program running under qemu is not reliable.
std::vector<std::string> programArgv(const std::string& path);

}  // namespace sbtest
