// sbroot-init DIR: lays out the board's skeleton in DIR (creating DIR itself when needed). The
// programs' own resources of the board's image come with them (sileth-cfg-init writes sileth's).
// sbroot-init --release-ipc DIR: removes the System V objects keyed by DIR's files.
#include "platform/sbroot/sb_layout.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--release-ipc") == 0) {
        sb::releaseRootIpc(argv[2]);
        return 0;
    }
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || argv[1][0] == '\0') {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "usage: sbroot-init DIR | sbroot-init --release-ipc DIR\nLays out the board's folders and "
                     "placeholder files in DIR, the root\n"
                     "that SOUNDBAR_ROOT names for the programs started there; or removes the\n"
                     "System V queues and shared memory keyed by DIR's files once its programs stopped.\n");
        return argc == 2 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
    }
    std::string error;
    if (!sb::layoutRoot(argv[1], &error)) {
        std::fprintf(stderr, "sbroot-init: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
