// Running the built sileth in a test's root: the program with its standard output in a file, and
// corvand's end of the audio-input queue.
#pragma once

#include "common/sileth_ipc/sileth_msg.h"
#include "tests/support/sandbox.h"

#include <chrono>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace silethtest {

// Generous enough for the ARM build under qemu and for a first GStreamer registry scan.
constexpr std::chrono::seconds kDeadline{60};

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline = kDeadline);

// The board simulator's text of little-endian words ("hdmitx last ...").
std::string wordsHex(std::initializer_list<uint32_t> words);

// How often `word` occurs in `text`.
int occurrences(const std::string& text, const std::string& word);

// sileth started in the sandbox; SIGKILL and reaped when destroyed while still running.
class SilethProcess {
public:
    // `extraEnv`: "NAME=value" entries set for the program only.
    explicit SilethProcess(const sbtest::Sandbox& sandbox, std::vector<std::string> extraEnv = {});
    ~SilethProcess();
    SilethProcess(const SilethProcess&) = delete;
    SilethProcess& operator=(const SilethProcess&) = delete;

    pid_t pid() const { return pid_; }
    std::string output() const;
    bool said(const std::string& text) const { return output().find(text) != std::string::npos; }
    // Waits until the output holds `text`.
    bool waitSaid(const std::string& text) const;
    // Waits until start-up has finished and the settings have been read.
    bool waitStarted() const;
    // The wait status once the program has ended within the deadline.
    std::optional<int> waitExit(std::chrono::milliseconds deadline = kDeadline);

private:
    const sbtest::Sandbox& sandbox_;
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// corvand's side of the queue in the sandbox (created here when sileth has not yet).
class Corvand {
public:
    Corvand();
    int id() const { return id_; }
    bool send(const sileth_msg_t& msg) const;
    bool sendCmd(int32_t cmd, uint8_t srcType = 0, int32_t drcMode = 8) const;
    // The next reply (type 1), polled until the deadline.
    std::optional<sileth_msg_t> reply(std::chrono::milliseconds deadline = kDeadline) const;
    // The next reply's code, or -1 when none came.
    int replyCmd(std::chrono::milliseconds deadline = kDeadline) const;

private:
    int id_ = -1;
};

}  // namespace silethtest
