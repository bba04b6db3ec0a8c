#include "platform/sbroot/sb_root.h"

#include "platform/sbroot/sb_layout.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <sys/ipc.h>
#include <sys/stat.h>

namespace sb {
namespace {

struct RootState {
    std::mutex lock;
    std::string dir;
    bool loaded = false;
};

RootState& state()
{
    // Never destroyed: application threads may still map paths while the program exits.
    alignas(RootState) static unsigned char storage[sizeof(RootState)];
    static RootState* const s = ::new (storage) RootState;
    return *s;
}

std::string trimmed(std::string_view dir)
{
    while (!dir.empty() && dir.back() == '/') {
        dir.remove_suffix(1);
    }
    return std::string(dir);
}

}  // namespace

std::string root()
{
    RootState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.loaded) {
        const char* env = std::getenv("SOUNDBAR_ROOT");
        s.dir = trimmed(env ? env : "");
        s.loaded = true;
        // A program started in a root nobody laid out would otherwise fail later without a word.
        const std::string missing = s.dir.empty() ? std::string() : missingFromRoot(s.dir);
        if (!missing.empty()) {
            std::fprintf(stderr, "SOUNDBAR_ROOT %s has no %s: lay out the board's folders first with sbroot-init %s\n",
                         s.dir.c_str(), missing.c_str(), s.dir.c_str());
        }
    }
    return s.dir;
}

void setRoot(std::string_view dir)
{
    RootState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.dir = trimmed(dir);
    s.loaded = true;
}

std::string path(std::string_view systemPath)
{
    std::string mapped = root();
    if (systemPath.empty() || systemPath.front() != '/') {
        mapped += '/';
    }
    mapped += systemPath;
    return mapped;
}

key_t ftokKey(std::string_view systemPath, int id)
{
    // The board's peers derive their keys with ftok, so the board keeps it.
    if (root().empty()) {
        return ftok(path(systemPath).c_str(), id);
    }
    return rootKey(path(systemPath), id);
}

key_t rootKey(const std::string& file, int id)
{
    struct stat st {};
    if (stat(file.c_str(), &st) != 0) {
        return -1;
    }
    uint32_t hash = 2166136261u;  // FNV-1a
    const auto mix = [&hash](uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash ^= static_cast<uint8_t>(value >> (8 * i));
            hash *= 16777619u;
        }
    };
    mix(static_cast<uint64_t>(st.st_dev));
    mix(static_cast<uint64_t>(st.st_ino));
    mix(static_cast<uint8_t>(id));
    // Positive, so never -1, and never IPC_PRIVATE.
    const auto key = static_cast<key_t>(hash & 0x7fffffffu);
    return key == IPC_PRIVATE ? 1 : key;
}

}  // namespace sb
