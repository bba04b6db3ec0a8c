#include "platform/sbroot/sb_layout.h"

#include "platform/sbroot/sb_root.h"

#include <filesystem>
#include <fstream>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/shm.h>

namespace fs = std::filesystem;

namespace sb {
namespace {

constexpr const char* kFolders[] = {
    "/tmp",      "/data",         "/data/misc",
    "/data/tmp", "/data/mervane", "/res",
    "/res/xml",  "/res/tone",     "/res/ppc_cfg/brontal",
    "/dev",      "/dev/input",    "/sys/class/gpio",
    "/proc",     "/usr/bin",      "/mnt",
    "/sim",
};

// The program paths whose files key the System V queues and shared memory.
constexpr const char* kQueueKeys[] = {"/usr/bin/sileth", "/usr/bin/velmor", "/usr/bin/mervane", "/usr/bin/upgrade"};

// Placeholders: the queue keys, and the effect configurations the audio server preloads (their
// content belongs to the platform's tuning, not to this system).
constexpr const char* kFiles[] = {
    "/usr/bin/sileth",
    "/usr/bin/velmor",
    "/usr/bin/mervane",
    "/usr/bin/upgrade",
    "/res/xml/ppc_dolby.xml",
    "/res/xml/ppc_pcm_multichannel.xml",
    "/res/xml/ppc_pcm_stereo.xml",
};

}  // namespace

bool layoutRoot(const std::string& dir, std::string* error)
{
    std::error_code ec;
    for (const char* folder : kFolders) {
        fs::create_directories(dir + folder, ec);
        if (ec) {
            if (error != nullptr) {
                *error = dir + folder + ": " + ec.message();
            }
            return false;
        }
    }
    for (const char* file : kFiles) {
        if (!fs::exists(dir + file, ec)) {
            std::ofstream out(dir + file);
            out.put('\n');
            if (!out) {
                if (error != nullptr) {
                    *error = dir + file + ": cannot be written";
                }
                return false;
            }
        }
    }
    return true;
}

std::string missingFromRoot(const std::string& dir)
{
    std::error_code ec;
    for (const char* folder : kFolders) {
        if (!fs::is_directory(dir + folder, ec)) {
            return folder;
        }
    }
    return {};
}

int releaseRootIpc(const std::string& dir)
{
    constexpr int kMaxFtokId = 4;
    int removed = 0;
    for (const char* file : kQueueKeys) {
        for (int id = 1; id <= kMaxFtokId; ++id) {
            const key_t key = rootKey(dir + file, id);
            if (key == -1) {
                break;
            }
            const int q = msgget(key, 0);
            if (q >= 0 && msgctl(q, IPC_RMID, nullptr) == 0) {
                ++removed;
            }
            const int shm = shmget(key, 0, 0);
            if (shm >= 0 && shmctl(shm, IPC_RMID, nullptr) == 0) {
                ++removed;
            }
        }
    }
    return removed;
}

}  // namespace sb
