// A board simulator for one test's root: started in the constructor (it returns once the
// simulator answers), stopped in the destructor. The seams of the test process and of every
// program the test starts in that root then reach it.
#pragma once

#include "tests/support/sandbox.h"

#include <string>
#include <sys/types.h>

namespace sbtest {

class SimProcess {
public:
    explicit SimProcess(const std::string& root);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // Stops the simulator (SIGTERM) and waits for it; its exit status, or -1.
    int stop();

    // Runs one control command as `sbsimctl` would; true when the simulator did it. Its text
    // output (or its refusal) lands in `out`.
    bool control(const std::string& line, std::string* out = nullptr) const;
    // Output of a control command that must succeed (a failed one fails the test).
    std::string ctl(const std::string& line) const;

    // The master side of the serial port at `systemPath` ("/dev/ttyS2"); the caller closes it.
    int takePty(const std::string& systemPath) const;

private:
    std::string root_;
    pid_t pid_ = -1;
};

// A fresh root with a simulator in it.
class SimTest : public SandboxTest {
protected:
    SimProcess sim{sandbox.dir()};
};

}  // namespace sbtest
