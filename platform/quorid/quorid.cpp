#include "platform/quorid/quorid.h"

#include "platform/sbdev/sb_sysfs.h"
#include "platform/sbroot/sb_root.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <glob.h>
#include <iterator>
#include <optional>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

void appendLog(const char* command)
{
    const std::string logPath = sb::path(QUORID_LOG_PATH);
    std::error_code ec;
    fs::create_directories(fs::path(logPath).parent_path(), ec);
    int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    std::string line(command);
    line += '\n';
    // One write per line keeps lines whole when several processes log at once.
    ssize_t written = write(fd, line.data(), line.size());
    (void)written;
    close(fd);
}

// The status of the first line of QUORID_RESULTS_PATH whose prefix begins the command; none when no
// line matches.
std::optional<int> configuredStatus(std::string_view command)
{
    std::ifstream in(sb::path(QUORID_RESULTS_PATH));
    std::string line;
    while (std::getline(in, line)) {
        char* end = nullptr;
        long status = std::strtol(line.c_str(), &end, 0);
        if (end == line.c_str()) {
            continue;
        }
        std::string_view prefix(end);
        while (!prefix.empty() && prefix.front() == ' ') {
            prefix.remove_prefix(1);
        }
        if (command.substr(0, prefix.size()) == prefix) {
            return static_cast<int>(status);
        }
    }
    return std::nullopt;
}

// Splits on blanks; single and double quotes group words and are removed.
Args splitWords(std::string_view line)
{
    Args words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (char c : line) {
        if (quote) {
            if (c == quote) {
                quote = 0;
            } else {
                word += c;
            }
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

// Maps a path operand under the root, expanding wildcards as a shell would.
Args mapOperand(const std::string& operand)
{
    const std::string mapped = sb::path(operand);
    if (mapped.find_first_of("*?[") == std::string::npos) {
        return {mapped};
    }
    Args matches;
    glob_t g{};
    if (glob(mapped.c_str(), 0, nullptr, &g) == 0) {
        for (size_t i = 0; i < g.gl_pathc; ++i) {
            matches.emplace_back(g.gl_pathv[i]);
        }
    }
    globfree(&g);
    return matches;
}

// Splits leading "-x" options from operands.
void takeOptions(const Args& args, std::string& options, Args& operands)
{
    bool optionsDone = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (!optionsDone && args[i].size() > 1 && args[i][0] == '-') {
            options += args[i].substr(1);
        } else {
            optionsDone = true;
            Args mapped = mapOperand(args[i]);
            operands.insert(operands.end(), mapped.begin(), mapped.end());
        }
    }
}

int doTouch(const Args& args)
{
    std::string options;
    Args paths;
    takeOptions(args, options, paths);
    int status = paths.empty() ? 1 : 0;
    for (const auto& p : paths) {
        int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            status = 1;
            continue;
        }
        futimens(fd, nullptr);
        close(fd);
    }
    return status;
}

int doMkdir(const Args& args)
{
    std::string options;
    Args paths;
    takeOptions(args, options, paths);
    int status = paths.empty() ? 1 : 0;
    for (const auto& p : paths) {
        std::error_code ec;
        fs::create_directories(p, ec);
        if (ec || !fs::is_directory(p)) {
            status = 1;
        }
    }
    return status;
}

int doRmdir(const Args& args)
{
    std::string options;
    Args paths;
    takeOptions(args, options, paths);
    int status = paths.empty() ? 1 : 0;
    for (const auto& p : paths) {
        if (rmdir(p.c_str()) != 0) {
            status = 1;  // missing, not a directory, or not empty
        }
    }
    return status;
}

int doRm(const Args& args)
{
    std::string options;
    Args paths;
    takeOptions(args, options, paths);
    const bool recursive = options.find_first_of("rR") != std::string::npos;
    const bool force = options.find('f') != std::string::npos;
    int status = 0;
    for (const auto& p : paths) {
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(p))) {
            status = force ? status : 1;
        } else if (recursive) {
            fs::remove_all(p, ec);
        } else if (fs::is_directory(p) || !fs::remove(p, ec)) {
            status = 1;
        }
        if (ec) {
            status = 1;
        }
    }
    return status;
}

int doCopyOrMove(const Args& args, bool move)
{
    std::string options;
    Args paths;
    takeOptions(args, options, paths);
    if (paths.size() < 2) {
        return 1;
    }
    const fs::path target = paths.back();
    paths.pop_back();
    const bool intoDir = fs::is_directory(target);
    if (paths.size() > 1 && !intoDir) {
        return 1;
    }
    int status = 0;
    for (const auto& src : paths) {
        const fs::path dst = intoDir ? target / fs::path(src).filename() : target;
        std::error_code ec;
        if (move) {
            fs::rename(src, dst, ec);
        } else {
            const bool recursive = options.find_first_of("rRa") != std::string::npos;
            if (fs::is_directory(src) && !recursive) {
                status = 1;
                continue;
            }
            fs::copy(src, dst, fs::copy_options::overwrite_existing | fs::copy_options::recursive, ec);
        }
        if (ec) {
            status = 1;
        }
    }
    return status;
}

int doChmod(const Args& args)
{
    std::string options;
    Args operands;
    // The mode is the first operand; it must not be mapped as a path.
    Args raw(args.begin(), args.end());
    size_t i = 1;
    while (i < raw.size() && raw[i].size() > 1 && raw[i][0] == '-') {
        options += raw[i++].substr(1);
    }
    if (i + 1 >= raw.size()) {
        return 1;
    }
    char* end = nullptr;
    const unsigned long mode = std::strtoul(raw[i].c_str(), &end, 8);
    if (*end != '\0' || mode > 07777) {
        return 0;  // symbolic modes are only recorded
    }
    const bool recursive = options.find('R') != std::string::npos;
    int status = 0;
    for (size_t k = i + 1; k < raw.size(); ++k) {
        for (const auto& p : mapOperand(raw[k])) {
            if (chmod(p.c_str(), static_cast<mode_t>(mode)) != 0) {
                status = 1;
            }
            if (recursive && fs::is_directory(p)) {
                std::error_code ec;
                for (const auto& entry : fs::recursive_directory_iterator(p, ec)) {
                    chmod(entry.path().c_str(), static_cast<mode_t>(mode));
                }
            }
        }
    }
    return status;
}

int doEcho(const Args& args)
{
    size_t i = 1;
    bool newline = true;
    if (i < args.size() && args[i] == "-n") {
        newline = false;
        ++i;
    }
    std::string text;
    std::string target;
    bool append = false;
    for (; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (w == ">" || w == ">>") {
            append = (w == ">>");
            if (i + 1 < args.size()) {
                target = args[++i];
            }
        } else if (w.rfind(">>", 0) == 0 || w.rfind('>', 0) == 0) {
            append = w.rfind(">>", 0) == 0;
            target = w.substr(append ? 2 : 1);
        } else {
            if (!text.empty()) {
                text += ' ';
            }
            text += w;
        }
    }
    if (target.empty()) {
        return 0;  // output to the daemon's own stdout is not kept
    }
    if (newline) {
        text += '\n';
    }
    // Sysfs nodes are the board's (the simulator's on a host): stored through the sysfs seam.
    if (target.rfind("/sys/", 0) == 0) {
        return sb_sysfs_write(target.c_str(), text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 1;
    }
    const std::string mapped = sb::path(target);
    int fd = open(mapped.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC), 0644);
    if (fd < 0) {
        return 1;
    }
    const bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return ok ? 0 : 1;
}

// The child's exit status; 1 when it did not exit normally or was reaped by someone else (the
// main program's reaper collects any child), so a lost status never reads as success.
int waitStatus(pid_t pid)
{
    int wstatus = 0;
    pid_t got = -1;
    do {
        got = waitpid(pid, &wstatus, 0);
    } while (got < 0 && errno == EINTR);
    if (got != pid) {
        return 1;
    }
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 1;
}

// unzip is run as a program (never through a shell) with its paths mapped under the root.
int doUnzip(const Args& args)
{
    Args argv{"unzip", "-q"};
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (w == "-d" && i + 1 < args.size()) {
            argv.push_back(w);
            argv.push_back(sb::path(args[++i]));
        } else if (w.size() > 1 && w[0] == '-') {
            argv.push_back(w);
        } else {
            argv.push_back(sb::path(w));
        }
    }
    std::vector<char*> cargv;
    for (auto& a : argv) {
        cargv.push_back(a.data());
    }
    cargv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        return -1;
    }
    if (pid == 0) {
        int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, STDOUT_FILENO);
        }
        execvp(cargv[0], cargv.data());
        _exit(127);
    }
    return waitStatus(pid);
}

// Separate programs (the flashing program, the FUSE exFAT mounter) are run as their stand-ins with
// the words of the line as their arguments, the root in their environment and, when the results
// file named a status for the line, that status as QUORID_STATUS; the exit status is the command's.
int runStandin(const char* program, const Args& args, std::optional<int> configured)
{
    Args argv{program};
    argv.insert(argv.end(), args.begin() + 1, args.end());
    std::vector<char*> cargv;
    for (auto& a : argv) {
        cargv.push_back(a.data());
    }
    cargv.push_back(nullptr);
    std::vector<std::string> envStrings{"SOUNDBAR_ROOT=" + sb::root()};
    if (configured) {
        envStrings.push_back("QUORID_STATUS=" + std::to_string(*configured));
    }
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view var(*e);
        if (var.rfind("SOUNDBAR_ROOT=", 0) != 0 && var.rfind("QUORID_STATUS=", 0) != 0) {
            envStrings.emplace_back(*e);
        }
    }
    std::vector<char*> cenv;
    for (auto& e : envStrings) {
        cenv.push_back(e.data());
    }
    cenv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, cargv[0], nullptr, nullptr, cargv.data(), cenv.data()) != 0) {
        return -1;
    }
    return waitStatus(pid);
}

// Writes the program's canned report to the line's output redirection; false when the program
// has no report.
bool writeCannedReport(const Args& words, int* status)
{
    const std::string report = sb::path(std::string(QUORID_REPORTS_DIR) + "/" + fs::path(words[0]).filename().string());
    std::ifstream in(report, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    *status = 0;
    for (size_t i = 1; i + 1 < words.size(); ++i) {
        if (words[i] == ">" || words[i] == ">>") {
            const int fd = open(sb::path(words[i + 1]).c_str(),
                                O_WRONLY | O_CREAT | O_CLOEXEC | (words[i] == ">>" ? O_APPEND : O_TRUNC), 0644);
            if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
                *status = 1;
            }
            if (fd >= 0) {
                close(fd);
            }
        }
    }
    return true;
}

struct FileCommand {
    std::string_view name;
    int (*run)(const Args&);
};

constexpr FileCommand kFileCommands[] = {
    {"touch", doTouch},
    {"mkdir", doMkdir},
    {"rm", doRm},
    {"rmdir", doRmdir},
    {"cp", [](const Args& a) { return doCopyOrMove(a, false); }},
    {"mv", [](const Args& a) { return doCopyOrMove(a, true); }},
    {"chmod", doChmod},
    {"echo", doEcho},
    {"unzip", doUnzip},
    {"quellip", [](const Args& a) { return runStandin(QUORID_QUELLIP_PROGRAM, a, std::nullopt); }},
};

constexpr std::string_view kExfatFuse = "/sbin/mount.exfat-fuse";

}  // namespace

extern "C" int quorid_exec(const char* command, int flag)
{
    (void)flag;
    if (command == nullptr) {
        return -1;
    }
    appendLog(command);
    const std::optional<int> configured = configuredStatus(command);
    const Args words = splitWords(command);
    // The mounter's stand-in always runs: it may leave files behind whatever it answers.
    if (!words.empty() && words[0] == kExfatFuse) {
        return runStandin(QUORID_EXFAT_FUSE_PROGRAM, words, configured);
    }
    if (configured.value_or(0) != 0) {
        return *configured;
    }
    if (words.empty()) {
        return 0;
    }
    int reportStatus = 0;
    if (writeCannedReport(words, &reportStatus)) {
        return reportStatus;
    }
    for (const auto& fc : kFileCommands) {
        if (words[0] == fc.name) {
            return fc.run(words);
        }
    }
    return 0;
}
