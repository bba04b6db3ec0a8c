#include "tests/support/sandbox.h"

#include "platform/quorid/quorid.h"
#include "platform/sbalsa/sb_alsa.h"
#include "platform/sbroot/sb_layout.h"
#include "platform/sbroot/sb_root.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/resource.h>
#include <sys/shm.h>

namespace fs = std::filesystem;

namespace sbtest {

const char* const kFtokPrograms[] = {
    "/usr/bin/sileth", "/usr/bin/velmor", "/usr/bin/mervane", "/usr/bin/upgrade", nullptr,
};

namespace {

constexpr int kMaxFtokId = 4;
// No file a test writes comes near this; a runaway writer (a capture of a plain file is not paced:
// it repeats its last period as fast as it is read, and a player fed by it writes as fast) is
// ended by SIGXFSZ here instead of filling the disk.
constexpr rlim_t kMaxFileBytes = rlim_t{1} << 30;

// Bounds every file this process and the programs it starts write.
void boundFileSizes()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur <= kMaxFileBytes)) {
        return;
    }
    limit.rlim_cur = kMaxFileBytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

void removeIpcKeyedBy(const fs::path& file)
{
    for (int id = 1; id <= kMaxFtokId; ++id) {
        const key_t key = sb::rootKey(file.string(), id);
        if (key == -1) {
            return;
        }
        const int q = msgget(key, 0);
        if (q >= 0) {
            msgctl(q, IPC_RMID, nullptr);
        }
        const int shm = shmget(key, 0, 0);
        if (shm >= 0) {
            shmctl(shm, IPC_RMID, nullptr);
        }
    }
}

}  // namespace

Sandbox::Sandbox()
{
    boundFileSizes();
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/sbroot.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir_ = pattern;
    for (const char* d : {"/tmp", "/data/misc", "/res", "/dev", "/usr/bin", "/sim"}) {
        fs::create_directories(dir_ + d);
    }
    for (int i = 0; kFtokPrograms[i] != nullptr; ++i) {
        std::ofstream(dir_ + kFtokPrograms[i]).put('\n');
    }
    std::string error;
    if (!sb::layoutRoot(dir_, &error)) {
        throw std::runtime_error(error);
    }
    sb::setRoot(dir_);
    setenv("SOUNDBAR_ROOT", dir_.c_str(), 1);
    // The board's PCM names, on files inside this root.
    const std::string alsaConfig = sb::writeAlsaConfig(dir_);
    if (alsaConfig.empty()) {
        throw std::runtime_error("cannot write the ALSA configuration");
    }
    setenv("ALSA_CONFIG_PATH", alsaConfig.c_str(), 1);
}

Sandbox::~Sandbox()
{
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_regular_file(ec)) {
            removeIpcKeyedBy(it->path());
        }
    }
    fs::remove_all(dir_, ec);
}

std::string Sandbox::path(std::string_view systemPath) const
{
    std::string p = dir_;
    if (systemPath.empty() || systemPath.front() != '/') {
        p += '/';
    }
    p += systemPath;
    return p;
}

bool Sandbox::exists(std::string_view systemPath) const
{
    std::error_code ec;
    return fs::exists(path(systemPath), ec);
}

std::string Sandbox::read(std::string_view systemPath) const
{
    std::ifstream in(path(systemPath), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void Sandbox::write(std::string_view systemPath, std::string_view content) const
{
    const fs::path p = path(systemPath);
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::vector<std::string> Sandbox::quoridLog() const
{
    std::vector<std::string> lines;
    std::istringstream in(read(QUORID_LOG_PATH));
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

void Sandbox::setQuoridStatus(int status, std::string_view prefix) const
{
    std::ofstream out(path(QUORID_RESULTS_PATH), std::ios::app);
    out << status << ' ' << prefix << '\n';
}

void Sandbox::setQuoridReport(std::string_view program, std::string_view report) const
{
    write(std::string(QUORID_REPORTS_DIR) + "/" + std::string(program), report);
}

std::string buildDir()
{
    const char* dir = std::getenv("SOUNDBAR_BUILD_DIR");
    return dir ? dir : SOUNDBAR_TEST_BUILD_DIR;
}

std::string emulator()
{
    const char* prefix = std::getenv("SOUNDBAR_EMULATOR");
    return prefix ? prefix : SOUNDBAR_TEST_EMULATOR;
}

std::vector<std::string> programArgv(const std::string& path)
{
    std::vector<std::string> words;
    std::istringstream prefix(emulator());
    for (std::string word; prefix >> word;) {
        words.push_back(word);
    }
    words.push_back(!path.empty() && path.front() == '/' ? path : buildDir() + "/" + path);
    return words;
}

}  // namespace sbtest
