// sbsim: the board simulator of one root. Usage: sbsim [--root DIR] [--cec-device DEV]
// (root default: $SOUNDBAR_ROOT)
// Prints "ready" on standard output once its socket "/sim/board.sock" accepts connections, and
// serves until SIGTERM or SIGINT.
#include "platform/sbsim/sim_server_priv.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/signalfd.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::string root;
    std::string cecDevice;
    const char* env = std::getenv("SOUNDBAR_ROOT");
    if (env != nullptr) {
        root = env;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--root") == 0 && i + 1 < argc) {
            root = argv[++i];
        } else if (std::strcmp(argv[i], "--cec-device") == 0 && i + 1 < argc) {
            cecDevice = argv[++i];
        } else {
            std::printf("usage: sbsim [--root DIR] [--cec-device DEV]\n"
                        "Plays the board's devices for the programs running in root DIR (default\n"
                        "$SOUNDBAR_ROOT), on the socket DIR/sim/board.sock. Talk to it with sbsimctl.\n"
                        "--cec-device DEV carries the HDMI transmitter's CEC line by the Linux CEC\n"
                        "adapter DEV (such as /dev/cec1) instead of the scripted frames and statuses.\n");
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    while (!root.empty() && root.back() == '/') {
        root.pop_back();
    }
    if (root.empty()) {
        std::fprintf(stderr, "sbsim: no root: give --root DIR or set SOUNDBAR_ROOT\n");
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    const int stopFd = signalfd(-1, &stop, SFD_CLOEXEC);
    if (stopFd < 0) {
        std::perror("sbsim: signalfd");
        return 1;
    }
    sbsim::Server server(root, cecDevice);
    if (!server.listen()) {
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    server.run(stopFd);
    close(stopFd);
    return 0;
}
