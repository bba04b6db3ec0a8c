#include "tests/support/sim_process.h"

#include "platform/sbdev/sb_wire.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sbtest {
namespace {

// Generous: the simulator may start under an emulator on a loaded machine.
constexpr int kReadyTimeoutMs = 60000;

}  // namespace

SimProcess::SimProcess(const std::string& root) : root_(root)
{
    std::vector<std::string> words = programArgv("platform/sbsim/sbsim");
    words.push_back("--root");
    words.push_back(root);
    std::vector<char*> argv;
    for (auto& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe failed";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const int rc = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        pid_ = -1;
        close(out[0]);
        ADD_FAILURE() << "cannot start the simulator: " << argv[0];
        return;
    }
    std::string said;
    char c = 0;
    pollfd p{out[0], POLLIN, 0};
    while (said.find("ready\n") == std::string::npos && poll(&p, 1, kReadyTimeoutMs) > 0 && read(out[0], &c, 1) == 1) {
        said += c;
    }
    close(out[0]);
    if (said.find("ready\n") == std::string::npos) {
        ADD_FAILURE() << "the simulator did not come up in " << root;
        stop();
    }
}

SimProcess::~SimProcess()
{
    stop();
}

int SimProcess::stop()
{
    if (pid_ <= 0) {
        return -1;
    }
    kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool SimProcess::control(const std::string& line, std::string* out) const
{
    sbwire::Connection conn;
    if (!conn.connect(root_)) {
        if (out != nullptr) {
            *out = "no simulator";
        }
        return false;
    }
    const sbwire::Reply reply = conn.request(sbwire::Type::Control, std::vector<uint8_t>(line.begin(), line.end()));
    if (out != nullptr) {
        out->assign(reply.data.begin(), reply.data.end());
    }
    return reply.result >= 0;
}

std::string SimProcess::ctl(const std::string& line) const
{
    std::string out;
    EXPECT_TRUE(control(line, &out)) << line << ": " << out;
    return out;
}

int SimProcess::takePty(const std::string& systemPath) const
{
    sbwire::Connection conn;
    if (!conn.connect(root_)) {
        return -1;
    }
    int fd = -1;
    const sbwire::Reply reply =
        conn.request(sbwire::Type::TakePty, std::vector<uint8_t>(systemPath.begin(), systemPath.end()), &fd);
    if (reply.result < 0 && fd >= 0) {
        close(fd);
        fd = -1;
    }
    return fd;
}

}  // namespace sbtest
