// Server side of the remote-call library: one callback serves every function id. Requests from
// all connected clients are served one at a time on the server's own thread.
//
// Results are 0 or negative errno values (see tarp_client.h).
#pragma once

#include <cstdint>

extern "C" {

struct tarps_server;

// Called for each request: `args` points at the `args_len` bytes that arrived (nullptr when none
// did); `reserved` is 0; `user` is the word given at registration. The return value goes back to
// the caller.
typedef int (*tarps_callback_t)(uint32_t func_id, const void* args, uint32_t args_len, uint32_t reserved,
                                uint32_t user);

// Binds and listens at `path` (mapped under the root); a stale socket file there is replaced.
// On failure *server is null.
int tarps_create(tarps_server** server, const char* path);

int tarps_register_callback_ext(tarps_server* server, tarps_callback_t callback, uint32_t user);

// Starts the serving thread; a callback must be registered first.
int tarps_start(tarps_server* server);

// Stops and joins the serving thread, closes every connection and removes the socket file.
int tarps_destroy(tarps_server* server);
}
