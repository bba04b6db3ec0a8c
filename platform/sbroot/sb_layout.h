// The board's file-system skeleton in a root: the folders the programs assume, the placeholder
// program files whose paths key the System V queues, the resource paths under "/res" that the
// programs read. The tests' fixture, scripts/run and a person starting a program by hand lay out a
// fresh root the same way (the program `sbroot-init DIR`).
#pragma once

#include <string>

namespace sb {

// Creates whatever of the skeleton is missing under `dir`; existing files are left as they are.
// False with a reason in `error` when something cannot be created.
bool layoutRoot(const std::string& dir, std::string* error = nullptr);

// The first skeleton folder missing under `dir`, or empty when it is complete.
std::string missingFromRoot(const std::string& dir);

// Removes the System V queues and shared-memory blocks keyed (ftok, ids 1 to 4) by the root's
// program files ("/usr/bin/sileth", ...): what the programs of a root leave in the kernel once
// they are stopped. The count removed.
int releaseRootIpc(const std::string& dir);

}  // namespace sb
