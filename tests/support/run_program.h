// Runs a built program to its end (through the emulator in the ARM build) and keeps what it said.
#pragma once

#include <string>
#include <vector>

namespace sbtest {

struct ProgramRun {
    int status = -1;     // exit status; -1 when it could not start or did not exit normally
    std::string output;  // standard output and standard error together
};

// `program` is relative to the build tree ("platform/sbsim/sbsimctl"); the environment is this
// process's (so SOUNDBAR_ROOT names the test's root).
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace sbtest
