// Client side of the remote-call library: calls a numbered function with an argument record on
// a named server over a Unix stream socket and returns the server callback's i32 result.
//
// The path is a system path ("/tmp/..."), mapped under the root. Results of the library itself
// are negative errno values: -EBADF unknown handle, -EINVAL bad argument, -EMSGSIZE record above
// the frame limit, -EMFILE no free client slot, -EPIPE the connection broke; a failed connect
// returns the connect error. Calls on one handle are serialised, so several threads may share it.
#pragma once

#include <cstdint>

extern "C" {

// Connects to the server at `path`; on success *handle is a non-zero handle.
int tarpc_create(uint32_t* handle, const char* path);

// Sends {func_id, size, args} and waits for the result.
int tarpc_func_call(uint32_t handle, uint32_t func_id, const void* args, uint32_t size);

int tarpc_destroy(uint32_t handle);
}
