// Installs corvand's crash handlers and then meets the signal named by its argument, so that a test
// can watch what the handlers print and how the process ends.
#include "main/dbg_backtrace.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// Kept out of the compiler's sight so the write really reaches address 0.
int* volatile gNowhere = nullptr;

__attribute__((noinline, no_sanitize_address, no_sanitize("undefined"))) void writeNowhere()
{
    *gNowhere = 1;
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc < 2 || dbgInit() != 0) {
        return 2;
    }
    prctl(PR_SET_NAME, "crash_helper", 0, 0, 0);
    const char* mode = argv[1];
    if (strcmp(mode, "segv") == 0) {
        writeNowhere();
    } else if (strcmp(mode, "pipe") == 0) {
        int fds[2];
        if (pipe(fds) != 0) {
            return 2;
        }
        close(fds[0]);
        const ssize_t n = write(fds[1], "x", 1);
        printf("write=%zd errno=%s\n", n, n < 0 && errno == EPIPE ? "EPIPE" : "other");
        return 0;
    } else if (strcmp(mode, "wait") == 0) {
        printf("ready\n");
        // Short sleeps rather than pause(): the race detector delivers signals between calls.
        for (;;) {
            usleep(10000);
        }
    }
    return 2;
}
