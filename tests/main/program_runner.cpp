#include "tests/main/program_runner.h"

#include "tests/support/sandbox.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sbtest {

ProgramRunner::ProgramRunner(const std::string& program, const std::vector<std::string>& args,
                             const std::map<std::string, std::string>& env)
{
    std::vector<std::string> argv = programArgv(program);
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& a : argv) {
        cargv.push_back(a.data());
    }
    cargv.push_back(nullptr);

    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (env.count(entry.substr(0, entry.find('='))) == 0) {
            envStrings.push_back(entry);
        }
    }
    for (const auto& [key, value] : env) {
        envStrings.push_back(key + "=" + value);
    }
    std::vector<char*> cenv;
    for (auto& e : envStrings) {
        cenv.push_back(e.data());
    }
    cenv.push_back(nullptr);

    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDERR_FILENO);
    const int res = posix_spawnp(&pid_, cargv[0], &actions, nullptr, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    in_ = toChild[1];
    out_ = fromChild[0];
    if (res != 0) {
        reaped_ = true;
        throw std::runtime_error("cannot start " + argv[0]);
    }
    fcntl(out_, F_SETFL, fcntl(out_, F_GETFL) | O_NONBLOCK);
}

ProgramRunner::~ProgramRunner()
{
    if (!reaped_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
    close(in_);
    close(out_);
}

void ProgramRunner::drain(int timeoutMs)
{
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) {
        return;
    }
    char buf[4096];
    ssize_t n = 0;
    while ((n = read(out_, buf, sizeof(buf))) > 0) {
        output_.append(buf, static_cast<size_t>(n));
    }
}

bool ProgramRunner::waitFor(const std::string& text, size_t from, std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (output_.find(text, from) == std::string::npos) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        drain(20);
    }
    return true;
}

const std::string& ProgramRunner::output()
{
    drain(0);
    return output_;
}

void ProgramRunner::send(const std::string& line)
{
    const std::string withEnd = line + "\n";
    (void)!write(in_, withEnd.data(), withEnd.size());
}

void ProgramRunner::signal(int signo)
{
    kill(pid_, signo);
}

int ProgramRunner::wait(std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!reaped_) {
        const pid_t r = waitpid(pid_, &status_, WNOHANG);
        if (r == pid_) {
            reaped_ = true;
            break;
        }
        if (std::chrono::steady_clock::now() > end) {
            return -1;
        }
        drain(20);
    }
    drain(0);
    return status_;
}

::testing::AssertionResult containsInOrder(const std::string& text, std::initializer_list<std::string> parts)
{
    size_t at = 0;
    for (const std::string& part : parts) {
        const size_t found = text.find(part, at);
        if (found == std::string::npos) {
            return ::testing::AssertionFailure() << "missing in order: " << part << "\n" << text;
        }
        at = found + part.size();
    }
    return ::testing::AssertionSuccess();
}

}  // namespace sbtest
