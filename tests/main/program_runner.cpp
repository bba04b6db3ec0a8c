#include "program_runner.h"

#include "sandbox.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace sbtest {

namespace {

std::vector<std::string> splitWords(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    std::string w;
    while (in >> w) {
        words.push_back(w);
    }
    return words;
}

}  // namespace

ProgramRunner::ProgramRunner(const std::string& program, const std::vector<std::string>& args,
                             const std::map<std::string, std::string>& env)
{
    const char* emulator = std::getenv("SOUNDBAR_EMULATOR");
    std::vector<std::string> argv = splitWords(emulator != nullptr ? emulator : "");
    argv.push_back(buildDir() + "/" + program);
    argv.insert(argv.end(), args.begin(), args.end());

    int toChild[2];
    int fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) {
        throw std::runtime_error("pipe failed");
    }
    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        dup2(toChild[0], STDIN_FILENO);
        dup2(fromChild[1], STDOUT_FILENO);
        dup2(fromChild[1], STDERR_FILENO);
        for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) {
            close(fd);
        }
        for (const auto& [key, value] : env) {
            setenv(key.c_str(), value.c_str(), 1);
        }
        std::vector<char*> cargv;
        for (auto& a : argv) {
            cargv.push_back(a.data());
        }
        cargv.push_back(nullptr);
        execvp(cargv[0], cargv.data());
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    in_ = toChild[1];
    out_ = fromChild[0];
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

}  // namespace sbtest
