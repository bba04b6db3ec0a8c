#include "platform/sbroot/sb_root.h"

#include "platform/sbroot/sb_layout.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sys/ipc.h>

namespace sb {
namespace {

struct RootState {
    std::mutex lock;
    std::string dir;
    bool loaded = false;
};

RootState& state()
{
    static RootState s;
    return s;
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
    return ftok(path(systemPath).c_str(), id);
}

}  // namespace sb
