// sileth-cfg-init DIR: writes sileth's settings file of the board's image, "/res/sileth.cfg" at
// its defaults, into the root DIR (laid out by sbroot-init), unless the root has one already.
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
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || argv[1][0] == '\0') {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "usage: sileth-cfg-init DIR\nWrites sileth's settings file at its defaults into the root DIR,\n"
                     "unless it has one.\n");
        return argc == 2 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
    }
    std::string error;
    if (!writeSilethCfg(argv[1], error)) {
        std::fprintf(stderr, "sileth-cfg-init: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
