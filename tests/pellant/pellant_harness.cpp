#include "tests/pellant/pellant_harness.h"

#include "tests/support/child_process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iomanip>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace pellanttest {
namespace {

constexpr std::chrono::milliseconds kPoll{5};

CallResult runTool(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = sbtest::programArgv("platform/tarp/tarp_call");
    argv.push_back("/tmp/vesk_ipc_app_server");
    argv.insert(argv.end(), args.begin(), args.end());
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return {};
    }
    const pid_t pid = sbtest::spawnChild(argv, fds[1]);
    close(fds[1]);
    CallResult result;
    char buf[256];
    ssize_t n = 0;
    while ((n = read(fds[0], buf, sizeof(buf))) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) {
            result.out.append(buf, static_cast<size_t>(n));
        }
    }
    close(fds[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    return result;
}

uint32_t hexNumber(const std::string& text)
{
    return static_cast<uint32_t>(std::stoul(text, nullptr, 0));
}

std::vector<uint8_t> hexBytes(const std::string& text)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        out.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

}  // namespace

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline)
{
    return sbtest::waitFor(condition, deadline, kPoll);
}

Child::Child(const std::vector<std::string>& argv, const std::string& stdoutPath)
{
    const int fd = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_ = sbtest::spawnChild(argv, fd);
    if (fd >= 0) {
        close(fd);
    }
}

Child::~Child()
{
    stop();
}

std::optional<int> Child::waitExit(std::chrono::milliseconds deadline)
{
    return sbtest::waitChildExit(pid_, status_, deadline, kPoll);
}

int Child::stop(std::chrono::milliseconds deadline)
{
    if (pid_ <= 0) {
        return -1;
    }
    if (!status_) {
        kill(pid_, SIGTERM);
        if (!waitExit(deadline)) {
            kill(pid_, SIGKILL);
            int status = 0;
            if (waitpid(pid_, &status, 0) == pid_) {
                status_ = status;
            }
        }
    }
    return status_.value_or(-1);
}

std::unique_ptr<Child> startPellant(const sbtest::Sandbox& sandbox)
{
    return std::make_unique<Child>(sbtest::programArgv("pellant/pellant"), sandbox.path(kPellantOut));
}

bool waitStarted(const sbtest::Sandbox& sandbox)
{
    return waitFor([&] { return contains(vesk2State(sandbox), "vesk_set_stream_vol_ext 2 100000"); });
}

int CallResult::value() const
{
    return std::stoi(out);
}

CallResult callWords(uint32_t funcId, const std::vector<uint32_t>& words)
{
    std::vector<std::string> args = {std::to_string(funcId)};
    if (!words.empty()) {
        args.push_back("-w");
        for (uint32_t w : words) {
            args.push_back(std::to_string(w));
        }
    }
    return runTool(args);
}

CallResult callHex(uint32_t funcId, const std::string& hex)
{
    return runTool({std::to_string(funcId), "-x", hex});
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> vesk2Log(const sbtest::Sandbox& sandbox)
{
    return lines(sandbox.read("/sim/vesk2.log"));
}

std::vector<std::string> vesk2State(const sbtest::Sandbox& sandbox)
{
    return lines(sandbox.read("/sim/vesk2.state"));
}

bool contains(const std::vector<std::string>& lines, std::string_view line)
{
    for (const auto& l : lines) {
        if (l == line) {
            return true;
        }
    }
    return false;
}

std::ostream& operator<<(std::ostream& os, const ParamWrite& w)
{
    os << std::hex << "{element 0x" << w.element << ", param 0x" << w.param << std::dec << ", count " << w.count
       << ", data ";
    for (uint8_t b : w.data) {
        os << std::hex << std::setw(2) << std::setfill('0') << int{b};
    }
    return os << std::dec << std::setfill(' ') << "}";
}

std::vector<ParamWrite> paramWrites(const std::vector<std::string>& log, size_t from)
{
    std::vector<ParamWrite> writes;
    for (size_t i = from; i < log.size(); ++i) {
        std::istringstream in(log[i]);
        std::string call, element, param, count, data;
        in >> call >> element >> param >> count >> data;
        if (call != "vesk_ppc_set_parameter") {
            continue;
        }
        writes.push_back({hexNumber(element), hexNumber(param), hexNumber(count), hexBytes(data == "->" ? "" : data)});
    }
    return writes;
}

std::vector<uint32_t> modesSet(const std::vector<std::string>& log, size_t from)
{
    std::vector<uint32_t> modes;
    for (size_t i = from; i < log.size(); ++i) {
        std::istringstream in(log[i]);
        std::string call, mode;
        in >> call >> mode;
        if (call == "vesk_ppc_set_mode") {
            modes.push_back(hexNumber(mode));
        }
    }
    return modes;
}

std::vector<uint8_t> le64(const std::vector<int64_t>& values)
{
    std::vector<uint8_t> out;
    for (int64_t v : values) {
        for (int i = 0; i < 8; ++i) {
            out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
        }
    }
    return out;
}

}  // namespace pellanttest
