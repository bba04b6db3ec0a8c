// Writes the host's ALSA configuration into the root named by SOUNDBAR_ROOT and prints its path,
// for `export ALSA_CONFIG_PATH=$(sb_alsa_conf)`. With --live, every output goes through the
// program sbpcm beside this one: kept to its last seconds.
#include "platform/sbalsa/sb_alsa.h"
#include "platform/sbroot/sb_root.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// sbpcm, built beside this program.
std::string keeperBesideUs()
{
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (n <= 0) {
        return {};
    }
    const std::string exe(self, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/') + 1) + "sbpcm";
}

}  // namespace

int main(int argc, char** argv)
{
    const bool live = argc == 2 && std::strcmp(argv[1], "--live") == 0;
    if (argc > 1 && !live) {
        fprintf(stderr, "usage: sb_alsa_conf [--live]\n");
        return 2;
    }
    const std::string keeper = live ? keeperBesideUs() : std::string();
    if (live && access(keeper.c_str(), X_OK) != 0) {
        fprintf(stderr, "sb_alsa_conf: %s is missing\n", keeper.c_str());
        return 1;
    }
    const std::string root = sb::root();
    if (root.empty()) {
        fprintf(stderr, "sb_alsa_conf: SOUNDBAR_ROOT is not set\n");
        return 1;
    }
    const std::string file = sb::writeAlsaConfig(root, keeper);
    if (file.empty()) {
        fprintf(stderr, "sb_alsa_conf: cannot write the configuration under %s\n", root.c_str());
        return 1;
    }
    printf("%s\n", file.c_str());
    return 0;
}
