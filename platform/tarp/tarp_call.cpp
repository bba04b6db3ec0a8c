// tarp_call: makes one remote call and prints the server's result.
//
//   tarp_call <path> <function id> [-w <word>...] [-x <hex bytes>...]
//
// Words are u32 (decimal, 0x-hex or negative) sent little-endian; hex bytes are sent as given.
// Both kinds may be mixed and are sent in order. The path is a system path, mapped under
// SOUNDBAR_ROOT. Exit status: 0 when the call was made, 1 on a transport error, 2 on bad usage.
#include "common/support/support.h"
#include "platform/tarp/tarp_client.h"
#include "platform/tarp/tarp_wire.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: tarp_call <path> <function id> [-w <word>...] [-x <hex bytes>...]\n");
    return 2;
}

std::optional<uint32_t> parseWord(const char* text)
{
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || value < INT32_MIN || value > static_cast<long long>(UINT32_MAX)) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool appendHex(std::string_view text, std::vector<uint8_t>& out)
{
    if (text.size() % 2 != 0) {
        return false;
    }
    for (size_t i = 0; i < text.size(); i += 2) {
        const int hi = hexDigit(text[i]);
        const int lo = hexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) {
            return false;
        }
        out.push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        return usage();
    }
    const auto funcId = parseWord(argv[2]);
    if (!funcId) {
        return usage();
    }
    std::vector<uint8_t> args;
    enum class Kind { None, Words, Hex } kind = Kind::None;
    for (int i = 3; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-w") {
            kind = Kind::Words;
        } else if (arg == "-x") {
            kind = Kind::Hex;
        } else if (kind == Kind::Words) {
            const auto word = parseWord(argv[i]);
            if (!word) {
                return usage();
            }
            uint8_t bytes[4];
            sb::storeLe32(bytes, *word);
            args.insert(args.end(), bytes, bytes + 4);
        } else if (kind == Kind::Hex) {
            if (!appendHex(arg, args)) {
                return usage();
            }
        } else {
            return usage();
        }
    }
    uint32_t handle = 0;
    const int connected = tarpc_create(&handle, argv[1]);
    if (connected != 0) {
        std::fprintf(stderr, "tarp_call: connect %s: %s\n", argv[1], std::strerror(-connected));
        return 1;
    }
    const int result =
        tarpc_func_call(handle, *funcId, args.empty() ? nullptr : args.data(), static_cast<uint32_t>(args.size()));
    tarpc_destroy(handle);
    if (result == -EPIPE || result == -EMSGSIZE) {
        std::fprintf(stderr, "tarp_call: call failed: %s\n", std::strerror(-result));
        return 1;
    }
    std::printf("%d\n", result);
    return 0;
}
