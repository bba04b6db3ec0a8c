// Shared by the seams whose board side is a plain system call (mount, the network link): on a host
// with a board simulator the call is sent to it as lines, its name first.
#pragma once

#include <string>
#include <vector>

namespace sbdev {

// The simulator's answer to one call: its result, or -1 with errno set; the reply's text in `out`.
long simCall(const std::vector<std::string>& fields, std::string* out = nullptr);

}  // namespace sbdev
