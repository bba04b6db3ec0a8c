// sbsimctl: the board simulator's control command. Usage: sbsimctl [--root DIR] COMMAND WORDS...
#include "platform/sbdev/sb_wire.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: sbsimctl [--root DIR] COMMAND [WORDS...]\n"
    "Talks to the board simulator of root DIR (default $SOUNDBAR_ROOT): sets a value, injects an\n"
    "event, reads a log or a state. Output is plain text; the exit status is 0 when the command\n"
    "was done, 1 when the simulator refused it (the reason goes to standard error), 2 when no\n"
    "simulator runs there. \"display watch\" prints the display's state at every change until\n"
    "stopped. \"sbsimctl help\" lists every command, for example:\n"
    "  sbsimctl input add KVX_Remote_Controller\n"
    "  sbsimctl input key KVX_Remote_Controller volup\n"
    "  sbsimctl hdmitx words GET_RX_AUDIO_INFO 0 6 88200 0 0 11\n"
    "  sbsimctl uevent switch eARC 1\n"
    "  sbsimctl log display\n";

}  // namespace

int main(int argc, char** argv)
{
    std::string root;
    const char* env = std::getenv("SOUNDBAR_ROOT");
    if (env != nullptr) {
        root = env;
    }
    int i = 1;
    if (i < argc && (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (i + 1 < argc && std::strcmp(argv[i], "--root") == 0) {
        root = argv[i + 1];
        i += 2;
    }
    if (i >= argc || root.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string line;
    for (; i < argc; ++i) {
        line += (line.empty() ? "" : " ") + std::string(argv[i]);
    }
    sbwire::Connection conn;
    if (!conn.connect(root)) {
        std::fprintf(stderr, "sbsimctl: no simulator at %s\n", sbwire::socketPath(root).c_str());
        return 2;
    }
    const sbwire::Reply reply = conn.request(sbwire::Type::Control, std::vector<uint8_t>(line.begin(), line.end()));
    const std::string text(reply.data.begin(), reply.data.end());
    if (reply.result < 0) {
        std::fputs(text.empty() ? "sbsimctl: the simulator went away\n" : text.c_str(), stderr);
        return reply.data.empty() && reply.error == EIO ? 2 : 1;
    }
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    if (line != "display watch") {
        return 0;
    }
    while (auto event = conn.nextEvent(true)) {
        std::fwrite(event->data(), 1, event->size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    return 0;
}
