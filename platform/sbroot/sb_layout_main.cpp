// sbroot-init DIR: lays out the board's skeleton in DIR (creating DIR itself when needed).
#include "platform/sbroot/sb_layout.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || argv[1][0] == '\0') {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "usage: sbroot-init DIR\nLays out the board's folders and placeholder files in DIR, the root\n"
                     "that SOUNDBAR_ROOT names for the programs started there.\n");
        return argc == 2 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
    }
    std::string error;
    if (!sb::layoutRoot(argv[1], &error)) {
        std::fprintf(stderr, "sbroot-init: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
