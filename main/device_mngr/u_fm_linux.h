// The file manager: path labels, partition discovery, directories, and mounting with a fixed list
// of file systems.
#pragma once

#include <cstdint>

// Creates the mount lock and the partition list; 0, or -4.
int32_t uFmInit(void);
