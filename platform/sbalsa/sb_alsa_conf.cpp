// Writes the host's ALSA configuration into the root named by SOUNDBAR_ROOT and prints its path,
// for `export ALSA_CONFIG_PATH=$(sb_alsa_conf)`.
#include "platform/sbalsa/sb_alsa.h"
#include "platform/sbroot/sb_root.h"

#include <cstdio>

int main()
{
    const std::string root = sb::root();
    if (root.empty()) {
        fprintf(stderr, "sb_alsa_conf: SOUNDBAR_ROOT is not set\n");
        return 1;
    }
    const std::string file = sb::writeAlsaConfig(root);
    if (file.empty()) {
        fprintf(stderr, "sb_alsa_conf: cannot write the configuration under %s\n", root.c_str());
        return 1;
    }
    printf("%s\n", file.c_str());
    return 0;
}
