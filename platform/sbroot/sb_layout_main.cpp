// sbroot-init DIR: lays out the board's skeleton in DIR (creating DIR itself when needed), with the
// read-only resources of the board's image that the programs read: "/res/sileth.cfg" at its
// defaults.
// sbroot-init --release-ipc DIR: removes the System V objects keyed by DIR's files.
#include "platform/sbroot/sb_layout.h"
#include "sileth/sileth_cfg.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// The image's settings file, when the root has none yet.
bool writeSilethCfg(const std::string& dir, std::string& error)
{
    const std::string file = dir + SILETH_CFG_PATH;
    if (std::ifstream(file).good()) {
        return true;
    }
    sileth_cfg_item_t table[SILETH_CFG_ROWS];
    vSilethCfgDefaults(table);
    std::ofstream out(file);
    out << silethCfgFileText(table, SILETH_CFG_ROWS);
    out.close();
    if (!out) {
        error = file + ": cannot be written";
        return false;
    }
    return true;
}

}  // namespace

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
    if (!sb::layoutRoot(argv[1], &error) || !writeSilethCfg(argv[1], error)) {
        std::fprintf(stderr, "sbroot-init: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
