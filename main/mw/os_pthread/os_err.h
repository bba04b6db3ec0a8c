// Result codes of the OS layer and its two ways of reporting what went wrong inside it.
#pragma once

#include <cstdint>

// 0 is success; every failure is one of these.
enum os_err : int32_t {
    OSR_OK = 0,
    OSR_EXIST = -1,  // a queue or thread of that name exists already
    OSR_INV_ARG = -2,
    OSR_TIMEOUT = -3,
    OSR_NO_MEM = -4,
    OSR_NOT_EXIST = -5,  // no queue of that name, or the calling thread has no record
    OSR_TOO_MANY = -10,  // queue full
    OSR_TOO_BIG = -11,   // message larger than the queue's largest message
    OSR_NO_MSG = -13,    // queue empty and no waiting asked for
    OSR_EINVAL = -14,    // the thread library reported EINVAL, or an unknown thread
    OSR_FAIL = -15,      // any other thread-library failure; a mutex released by a non-owner
    OSR_NOT_SUPPORT = -17,
    OSR_KEY_EXIST = -23,      // thread-private key in use
    OSR_KEY_NOT_EXIST = -24,  // thread-private key not set
};

// The line an OS-layer module prints for an internal failure that it then returns as a code:
// "%s,%d\n,exit code = %u" with the module's source name, the line and the code.
void osLogExitCode(const char* file, int line, uint32_t code);
#define OS_LOG_EXIT_CODE(file, code) osLogExitCode((file), __LINE__, (code))

// Failures that must never happen (the thread library refusing a valid object) end the process.
// Unlike assert() this stays armed in release builds.
[[noreturn]] void osAssertFail(const char* expression, const char* file, int line, const char* function);
#define OS_ASSERT(expression) \
    ((expression) ? static_cast<void>(0) : osAssertFail(#expression, __FILE__, __LINE__, __func__))
