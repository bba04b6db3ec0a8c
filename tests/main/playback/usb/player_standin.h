// The USB music player's stand-in program, started in a test's root.
#pragma once

#include "tests/main/program_runner.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

namespace usbtest {

class PlayerStandIn {
public:
    explicit PlayerStandIn(const sbtest::Sandbox& sandbox)
        : ctl_(sandbox.path("/sim/velmor.ctl")),
          program_(std::make_unique<sbtest::ProgramRunner>("platform/velmor/velmor"))
    {
        ready_ = program_->waitFor("velmor: ready\n");
        cursor_ = program_->output().find("velmor: ready\n") + 14;
    }

    bool ready() const { return ready_; }
    sbtest::ProgramRunner& program() { return *program_; }

    // Writes a control line and returns once the player has acted on it.
    ::testing::AssertionResult tell(const std::string& line)
    {
        const std::string done = "velmor: control " + line + "\n";
        const size_t last = program_->output().rfind(done);
        const size_t from = last == std::string::npos ? 0 : last + done.size();
        const int fd = open(ctl_.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0) {
            return ::testing::AssertionFailure() << "no control fifo";
        }
        const std::string text = line + "\n";
        const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        close(fd);
        if (!written || !program_->waitFor(done, from)) {
            return ::testing::AssertionFailure() << "player did not take " << line << "\n" << program_->output();
        }
        return ::testing::AssertionSuccess();
    }

    // The next command the player receives (control lines aside) is this one.
    ::testing::AssertionResult gets(const std::string& command)
    {
        const std::string line = "velmor: " + command + "\n";
        if (!program_->waitFor(line, cursor_)) {
            return ::testing::AssertionFailure() << "player never got " << command << "\n" << program_->output();
        }
        const std::string out = program_->output();
        const size_t at = out.find(line, cursor_);
        std::istringstream between(out.substr(cursor_, at - cursor_));
        cursor_ = at + line.size();
        for (std::string l; std::getline(between, l);) {
            if (l.rfind("velmor: control ", 0) != 0) {
                return ::testing::AssertionFailure() << "before " << command << " the player got: " << l;
            }
        }
        return ::testing::AssertionSuccess();
    }

    // What the player printed after the last command taken by gets().
    std::string rest() { return program_->output().substr(cursor_); }

private:
    std::string ctl_;
    std::unique_ptr<sbtest::ProgramRunner> program_;
    bool ready_ = false;
    size_t cursor_ = 0;
};

}  // namespace usbtest
