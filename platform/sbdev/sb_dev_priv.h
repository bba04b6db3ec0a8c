// Shared by the seam's own files.
#pragma once

#include <string_view>

namespace sbdev {

// True for the board's device and sysfs paths that a running simulator serves.
bool isSimulatedPath(std::string_view path);

}  // namespace sbdev
