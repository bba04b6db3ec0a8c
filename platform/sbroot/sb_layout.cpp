#include "platform/sbroot/sb_layout.h"

#include "platform/sbroot/sb_root.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>
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

// The prompt tones' file names: stand-in tones of our own (the product's tones are not ours), each a
// short beep of its own pitch so that a test can tell which one was played.
constexpr const char* kToneNames[] = {
    "Power_On",     "Power_Off",       "Src_ARC",        "Src_eARC",       "Src_Hdmiin",
    "Src_OPT",      "Src_AUX",         "Src_USB",        "Src_BT",         "BT_Pairing",
    "BT_Connected", "BT_Disconnected", "Surl_Connected", "Surr_Connected", "Subw_Connected",
};
constexpr uint32_t kToneRate = 48000;
constexpr uint16_t kToneChannels = 2;
constexpr uint32_t kToneFrames = kToneRate / 5;  // 200 ms

void putLe(std::vector<uint8_t>& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

// A RIFF/WAVE file of 16-bit little-endian PCM.
std::vector<uint8_t> toneWav(double hz)
{
    const uint32_t dataBytes = kToneFrames * kToneChannels * 2;
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    putLe(out, 36 + dataBytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(out, 16, 4);
    putLe(out, 1, 2);  // PCM
    putLe(out, kToneChannels, 2);
    putLe(out, kToneRate, 4);
    putLe(out, kToneRate * kToneChannels * 2, 4);
    putLe(out, kToneChannels * 2, 2);
    putLe(out, 16, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    putLe(out, dataBytes, 4);
    for (uint32_t f = 0; f < kToneFrames; ++f) {
        const double v = 8000.0 * std::sin(2.0 * M_PI * hz * f / kToneRate);
        const auto sample = static_cast<uint16_t>(static_cast<int16_t>(std::lround(v)));
        for (uint16_t c = 0; c < kToneChannels; ++c) {
            putLe(out, sample, 2);
        }
    }
    return out;
}

bool writeTones(const std::string& dir, std::string* error)
{
    std::error_code ec;
    double hz = 440.0;
    for (const char* name : kToneNames) {
        const std::string file = dir + "/res/tone/" + name + ".wav";
        hz += 40.0;
        if (fs::exists(file, ec)) {
            continue;
        }
        const std::vector<uint8_t> wav = toneWav(hz);
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
        if (!out) {
            if (error != nullptr) {
                *error = file + ": cannot be written";
            }
            return false;
        }
    }
    return true;
}

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
    return writeTones(dir, error);
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
