#include "tests/support/run_program.h"

#include "tests/support/sandbox.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sbtest {

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args)
{
    std::vector<std::string> words = programArgv(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    ProgramRun run;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char buf[512];
    for (ssize_t n; rc == 0 && (n = read(out[0], buf, sizeof(buf))) != 0;) {
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            break;
        }
        run.output.append(buf, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    if (rc == 0) {
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return run;
}

}  // namespace sbtest
