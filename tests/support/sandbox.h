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

private:
    std::string dir_;
};

// Program paths whose placeholder files key System V queues (ftok).
extern const char* const kFtokPrograms[];

class SandboxTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

// Directory of the build tree (for tests that start the built programs).
std::string buildDir();

}  // namespace sbtest
