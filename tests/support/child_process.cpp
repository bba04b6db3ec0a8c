#include "tests/support/child_process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace sbtest {

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline, std::chrono::milliseconds poll)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(poll);
    }
    return true;
}

pid_t spawnChild(std::vector<std::string> argv, int stdoutFd, bool withStderr, char* const* envp)
{
    std::vector<char*> cargv;
    for (auto& a : argv) {
        cargv.push_back(a.data());
    }
    cargv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
        if (withStderr) {
            posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDERR_FILENO);
        }
    }
    pid_t pid = -1;
    if (posix_spawnp(&pid, cargv[0], &actions, nullptr, cargv.data(), envp != nullptr ? envp : environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

std::optional<int> waitChildExit(pid_t pid, std::optional<int>& status, std::chrono::milliseconds deadline,
                                 std::chrono::milliseconds poll)
{
    if (status || pid <= 0) {
        return status;
    }
    waitFor(
        [&] {
            int raw = 0;
            if (waitpid(pid, &raw, WNOHANG) == pid) {
                status = raw;
            }
            return status.has_value();
        },
        deadline, poll);
    return status;
}

}  // namespace sbtest
