// What tests that start programs as child processes share: polling a condition until a deadline,
// spawning a program with its output on a descriptor, and collecting its exit status.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace sbtest {

// Polls `condition` every `poll` until it holds (true) or the deadline passes (false).
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline,
             std::chrono::milliseconds poll);

// Starts argv[0] (searched in PATH) with `envp` (nullptr: this process's environment); a
// descriptor of `stdoutFd` >= 0 becomes its standard output, and its standard error too with
// `withStderr`. The pid, or -1.
pid_t spawnChild(std::vector<std::string> argv, int stdoutFd, bool withStderr = false, char* const* envp = nullptr);

// Reaps `pid` once it has ended within the deadline and keeps its wait status in `status`; a
// status already kept (or no child) is returned as it is.
std::optional<int> waitChildExit(pid_t pid, std::optional<int>& status, std::chrono::milliseconds deadline,
                                 std::chrono::milliseconds poll);

}  // namespace sbtest
