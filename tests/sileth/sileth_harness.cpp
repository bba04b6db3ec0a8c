#include "tests/sileth/sileth_harness.h"

#include "platform/sbroot/sb_root.h"
#include "tests/support/child_process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace silethtest {
namespace {

constexpr std::chrono::milliseconds kPoll{2};
constexpr const char* kOut = "/sim/sileth.out";

struct RawMsg {
    long type;
    uint8_t body[SILETH_MSG_BODY_SIZE];
};

}  // namespace

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline)
{
    return sbtest::waitFor(condition, deadline, kPoll);
}

std::string wordsHex(std::initializer_list<uint32_t> words)
{
    std::string out;
    char b[4];
    for (uint32_t w : words) {
        for (int i = 0; i < 4; ++i) {
            std::snprintf(b, sizeof(b), out.empty() ? "%02x" : " %02x", (w >> (8 * i)) & 0xFF);
            out += b;
        }
    }
    return out + "\n";
}

int occurrences(const std::string& text, const std::string& word)
{
    int n = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++n;
    }
    return n;
}

SilethProcess::SilethProcess(const sbtest::Sandbox& sandbox, std::vector<std::string> extraEnv) : sandbox_(sandbox)
{
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    // The registry scan stays in the program's own process.
    extraEnv.insert(extraEnv.begin(), "GST_REGISTRY_FORK=no");
    for (const std::string& extra : extraEnv) {
        const std::string name = extra.substr(0, extra.find('=') + 1);
        auto it = std::find_if(env.begin(), env.end(), [&](const std::string& e) { return e.rfind(name, 0) == 0; });
        if (it != env.end()) {
            *it = extra;
        } else {
            env.push_back(extra);
        }
    }
    std::vector<char*> envp;
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    const std::vector<std::string> argv = sbtest::programArgv("sileth/sileth");
    const int fd = open(sandbox.path(kOut).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_ = fd >= 0 ? sbtest::spawnChild(argv, fd, true, envp.data()) : -1;
    if (pid_ <= 0) {
        pid_ = -1;
        ADD_FAILURE() << "cannot start " << argv[0];
    }
    if (fd >= 0) {
        close(fd);
    }
}

SilethProcess::~SilethProcess()
{
    if (pid_ > 0 && !status_) {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

std::string SilethProcess::output() const
{
    return sandbox_.read(kOut);
}

bool SilethProcess::waitSaid(const std::string& text) const
{
    return waitFor([&] { return said(text); });
}

bool SilethProcess::waitStarted() const
{
    // The last settings row is printed on the daemon's first pass, after every start-up step.
    return waitSaid("[DTSCD_CFG] alsa_thres_hold = ");
}

std::optional<int> SilethProcess::waitExit(std::chrono::milliseconds deadline)
{
    return sbtest::waitChildExit(pid_, status_, deadline, kPoll);
}

Corvand::Corvand()
{
    const key_t key = sb::ftokKey(SILETH_QUEUE_KEY_PATH, SILETH_QUEUE_KEY_ID);
    id_ = key == -1 ? -1 : msgget(key, IPC_CREAT | SILETH_QUEUE_MODE);
    EXPECT_GE(id_, 0) << std::strerror(errno);
}

bool Corvand::send(const sileth_msg_t& msg) const
{
    RawMsg raw{};
    raw.type = msg.type;
    const SilethMsgBody body = silethMsgEncode(msg);
    std::memcpy(raw.body, body.data(), body.size());
    return msgsnd(id_, &raw, SILETH_MSG_BODY_SIZE, IPC_NOWAIT) == 0;
}

bool Corvand::sendCmd(int32_t cmd, uint8_t srcType, int32_t drcMode) const
{
    sileth_msg_t msg;
    msg.type = MSG_TO_SILETH;
    msg.cmd = cmd;
    msg.SrcType = srcType;
    msg.DrcMode = drcMode;
    return send(msg);
}

std::optional<sileth_msg_t> Corvand::reply(std::chrono::milliseconds deadline) const
{
    std::optional<sileth_msg_t> got;
    waitFor(
        [&] {
            RawMsg raw{};
            const ssize_t n = msgrcv(id_, &raw, SILETH_MSG_BODY_SIZE, MSG_TO_MAIN, IPC_NOWAIT);
            if (n >= 0) {
                got = silethMsgDecode(raw.type, raw.body, static_cast<size_t>(n));
                return true;
            }
            return errno != ENOMSG && errno != EINTR;  // the queue is gone: nothing more will come
        },
        deadline);
    return got;
}

int Corvand::replyCmd(std::chrono::milliseconds deadline) const
{
    const auto msg = reply(deadline);
    return msg ? msg->cmd : -1;
}

}  // namespace silethtest
