// The order in which the USB playlist must list a stick's tracks, read from the directories
// themselves: a directory's tracks as it lists them, then its subdirectories, the one listed last
// first, each with its whole subtree. Every file counts; the tests' trees hold only tracks.
#pragma once

#include "tests/support/sandbox.h"

#include <dirent.h>
#include <filesystem>
#include <string>
#include <vector>

namespace usbtest {

inline std::vector<std::string> expectedWalk(const sbtest::Sandbox& sandbox, const std::string& systemDir)
{
    std::vector<std::string> tracks;
    std::vector<std::string> subdirs;
    DIR* d = opendir(sandbox.path(systemDir).c_str());
    if (d == nullptr) {
        return tracks;
    }
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string p = systemDir + "/" + name;
        if (std::filesystem::is_directory(std::filesystem::symlink_status(sandbox.path(p)))) {
            subdirs.push_back(p);
        } else {
            tracks.push_back(p);
        }
    }
    closedir(d);
    for (auto it = subdirs.rbegin(); it != subdirs.rend(); ++it) {
        for (const auto& t : expectedWalk(sandbox, *it)) {
            tracks.push_back(t);
        }
    }
    return tracks;
}

}  // namespace usbtest
