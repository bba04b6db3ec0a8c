// The one place where the system's fixed paths ("/data/...", "/tmp/...", "/dev/...") are mapped
// onto the file system. On the board the root is "/", so a path maps to itself; on a development
// host the root is the directory named by SOUNDBAR_ROOT, so every program and test runs sandboxed.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace sb {

// The root directory without a trailing slash; empty means "/".
std::string root();

// Replaces the root for this process (tests give every case a fresh one). Call it while no
// other thread of the process maps paths.
void setRoot(std::string_view dir);

// Maps an absolute system path under the root. A relative path is taken as relative to "/".
std::string path(std::string_view systemPath);

// ftok() of a system path, mapped under the root; -1 when the file is missing. Under a host root
// the key is rootKey() of the mapped file.
key_t ftokKey(std::string_view systemPath, int id);

// The IPC key of a file inside a host root: the whole device and inode numbers folded with `id`.
// ftok keeps only 16 inode bits, so files of two roots alive at once (parallel tests) could share
// a key, and one root's clean-up would then remove the other's queue. -1 when the file is missing.
key_t rootKey(const std::string& file, int id);

}  // namespace sb
