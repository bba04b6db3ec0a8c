// Runs a built program as a child process in the test's root, prefixed with SOUNDBAR_EMULATOR,
// with its standard input a pipe from the test and its standard output and error a pipe to it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace sbtest {

class ProgramRunner {
public:
    // `program` is a path relative to the build tree; `env` overrides the test's environment.
    ProgramRunner(const std::string& program, const std::vector<std::string>& args = {},
                  const std::map<std::string, std::string>& env = {});
    ~ProgramRunner();
    ProgramRunner(const ProgramRunner&) = delete;
    ProgramRunner& operator=(const ProgramRunner&) = delete;

    pid_t pid() const { return pid_; }
    // Waits until the output holds `text` (after `from`); true when it does.
    bool waitFor(const std::string& text, size_t from = 0,
                 std::chrono::milliseconds deadline = std::chrono::seconds(60));
    // Everything the program has printed so far.
    const std::string& output();
    void send(const std::string& line);
    void signal(int signo);
    // Waits for the program to end and returns its waitpid status; -1 on timeout.
    int wait(std::chrono::milliseconds deadline = std::chrono::seconds(60));

private:
    void drain(int timeoutMs);
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    std::string output_;
};

// Whether `text` holds each of `parts`, one after the other.
::testing::AssertionResult containsInOrder(const std::string& text, std::initializer_list<std::string> parts);

}  // namespace sbtest
