// sbqpeer: a peer on the system's System V queues, for tests and people. It sends and receives
// the typed bodies at the board's byte offsets; only the `long` type word in front of the body is
// the host's own.
//
//   sbqpeer [--root DIR] send QUEUE TYPE [FIELD=VALUE...]
//   sbqpeer [--root DIR] recv QUEUE TYPE [--wait MS]
//
// QUEUE: sileth (68-byte body, queue of "/usr/bin/sileth"), player (268 bytes, "/usr/bin/velmor"),
// mervane (4 bytes, "/usr/bin/mervane"); each keyed by ftok of the path under the root with id 1.
// recv prints "type=T" and every field that is not zero, "FIELD=VALUE" blank-separated.
#include "platform/sbroot/sb_root.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/time.h>
#include <vector>

namespace {

enum class Kind { I32, I64, U8, Bytes, Text };

struct Field {
    const char* name;
    size_t offset;
    Kind kind;
    size_t width;  // Bytes and Text
};

struct Body {
    const char* queue;
    const char* keyPath;
    size_t size;
    std::vector<Field> fields;
};

const std::vector<Body>& bodies()
{
    static const std::vector<Body> all = {
        {"sileth",
         "/usr/bin/sileth",
         68,
         {{"cmd", 0, Kind::I32, 4},
          {"power_en", 4, Kind::U8, 1},
          {"source_volume", 5, Kind::U8, 1},
          {"sig_flow_mute", 6, Kind::U8, 1},
          {"src_type", 7, Kind::U8, 1},
          {"earc_sts", 8, Kind::U8, 1},
          {"cec", 9, Kind::Bytes, 16},
          {"cec_len", 25, Kind::U8, 1},
          {"energy", 28, Kind::I32, 4},
          {"drc_mode", 32, Kind::I32, 4},
          {"channels", 36, Kind::I32, 4},
          {"rate", 40, Kind::I32, 4},
          {"codec_type", 44, Kind::I32, 4},
          {"atmos_stream_type", 48, Kind::I32, 4},
          {"proc_type", 52, Kind::I32, 4},
          {"dts_stream_type", 56, Kind::I32, 4},
          {"dts_comp_gain", 60, Kind::I32, 4},
          {"dts_direct", 64, Kind::U8, 1},
          {"drc_percent", 65, Kind::U8, 1},
          {"dialog", 66, Kind::U8, 1},
          {"xupmix", 67, Kind::U8, 1}}},
        {"player",
         "/usr/bin/velmor",
         268,
         {{"cmd", 0, Kind::I32, 4},
          {"url", 4, Kind::Text, 256},
          {"value", 260, Kind::I64, 8},
          {"position", 260, Kind::I32, 4},
          {"whence", 264, Kind::I32, 4}}},
        {"mervane", "/usr/bin/mervane", 4, {{"value", 0, Kind::I32, 4}}},
    };
    return all;
}

void putLe(uint8_t* p, uint64_t v, size_t width)
{
    for (size_t i = 0; i < width; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

uint64_t getLe(const uint8_t* p, size_t width)
{
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i) {
        v |= static_cast<uint64_t>(p[i]) << (8 * i);
    }
    return v;
}

int64_t signExtend(uint64_t v, size_t width)
{
    const unsigned bits = static_cast<unsigned>(width * 8);
    if (bits >= 64) {
        return static_cast<int64_t>(v);
    }
    const uint64_t sign = 1ull << (bits - 1);
    return static_cast<int64_t>((v ^ sign) - sign);
}

// FIELD=VALUE into the body; false with a message when the field or value does not fit.
bool encodeField(const Body& body, std::string_view assignment, std::vector<uint8_t>& out)
{
    const size_t eq = assignment.find('=');
    const std::string name(assignment.substr(0, eq));
    const std::string value(eq == std::string_view::npos ? "" : assignment.substr(eq + 1));
    for (const Field& f : body.fields) {
        if (name != f.name || eq == std::string_view::npos) {
            continue;
        }
        uint8_t* p = out.data() + f.offset;
        if (f.kind == Kind::Text) {
            if (value.size() >= f.width) {
                std::fprintf(stderr, "sbqpeer: %s is longer than %zu bytes\n", f.name, f.width - 1);
                return false;
            }
            std::memset(p, 0, f.width);
            std::memcpy(p, value.data(), value.size());
            return true;
        }
        if (f.kind == Kind::Bytes) {
            // Comma-separated bytes: cec=0x05,0x00,0x72
            size_t n = 0;
            for (size_t at = 0; at < value.size() && n <= f.width;) {
                const size_t comma = std::min(value.find(',', at), value.size());
                char* end = nullptr;
                const std::string word = value.substr(at, comma - at);
                const unsigned long b = std::strtoul(word.c_str(), &end, 0);
                if (word.empty() || *end != '\0' || b > 0xFF || n == f.width) {
                    std::fprintf(stderr, "sbqpeer: %s takes up to %zu comma-separated bytes\n", f.name, f.width);
                    return false;
                }
                p[n++] = static_cast<uint8_t>(b);
                at = comma + 1;
            }
            return true;
        }
        char* end = nullptr;
        errno = 0;
        const long long v = std::strtoll(value.c_str(), &end, 0);
        if (value.empty() || *end != '\0' || errno != 0) {
            std::fprintf(stderr, "sbqpeer: %s: not a number: %s\n", f.name, value.c_str());
            return false;
        }
        putLe(p, static_cast<uint64_t>(v), f.width);
        return true;
    }
    std::fprintf(stderr, "sbqpeer: %s has no field %s (FIELD=VALUE)\n", body.queue, name.c_str());
    return false;
}

std::string decodeBody(const Body& body, const uint8_t* in)
{
    std::string text;
    char b[64];
    for (const Field& f : body.fields) {
        const uint8_t* p = in + f.offset;
        std::string value;
        if (f.kind == Kind::Text) {
            const void* nul = std::memchr(p, '\0', f.width);
            const size_t len = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - p) : f.width;
            if (len == 0) {
                continue;
            }
            value.assign(reinterpret_cast<const char*>(p), len);
        } else if (f.kind == Kind::Bytes) {
            bool any = false;
            for (size_t i = 0; i < f.width; ++i) {
                any = any || p[i] != 0;
                std::snprintf(b, sizeof(b), i == 0 ? "0x%02x" : ",0x%02x", p[i]);
                value += b;
            }
            if (!any) {
                continue;
            }
        } else {
            const int64_t v = f.kind == Kind::U8 ? static_cast<int64_t>(p[0]) : signExtend(getLe(p, f.width), f.width);
            if (v == 0 && std::strcmp(f.name, "cmd") != 0) {
                continue;
            }
            value = std::to_string(v);
        }
        text += std::string(" ") + f.name + "=" + value;
    }
    return text;
}

void onAlarm(int)
{
}

int usage(FILE* to, int status)
{
    std::fprintf(to, "usage: sbqpeer [--root DIR] send QUEUE TYPE [FIELD=VALUE...]\n"
                     "       sbqpeer [--root DIR] recv QUEUE TYPE [--wait MS]   (TYPE 0: any)\n"
                     "QUEUE and its fields:\n");
    for (const Body& body : bodies()) {
        std::fprintf(to, "  %s (%zu-byte body):", body.queue, body.size);
        for (const Field& f : body.fields) {
            std::fprintf(to, " %s@%zu", f.name, f.offset);
        }
        std::fprintf(to, "\n");
    }
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    int i = 1;
    if (i < argc && std::strcmp(argv[i], "--help") == 0) {
        return usage(stdout, 0);
    }
    if (i + 1 < argc && std::strcmp(argv[i], "--root") == 0) {
        sb::setRoot(argv[i + 1]);
        i += 2;
    }
    if (argc - i < 3) {
        return usage(stderr, 2);
    }
    const std::string verb = argv[i];
    const Body* body = nullptr;
    for (const Body& b : bodies()) {
        if (argv[i + 1] == std::string(b.queue)) {
            body = &b;
        }
    }
    char* end = nullptr;
    const long type = std::strtol(argv[i + 2], &end, 0);
    if (body == nullptr || *end != '\0' || (verb != "send" && verb != "recv") || (verb == "send" && type <= 0) ||
        type < 0) {
        return usage(stderr, 2);
    }
    const key_t key = sb::ftokKey(body->keyPath, 1);
    const int queue = key == -1 ? -1 : msgget(key, IPC_CREAT | 0666);
    if (queue < 0) {
        std::fprintf(stderr, "sbqpeer: no queue for %s: %s\n", body->keyPath, std::strerror(errno));
        return 1;
    }
    // The host's message: its own long type word, then the board's body bytes.
    std::vector<uint8_t> message(sizeof(long) + body->size, 0);
    if (verb == "send") {
        std::vector<uint8_t> bytes(body->size, 0);
        for (int k = i + 3; k < argc; ++k) {
            if (!encodeField(*body, argv[k], bytes)) {
                return 2;
            }
        }
        std::memcpy(message.data(), &type, sizeof(long));
        std::memcpy(message.data() + sizeof(long), bytes.data(), bytes.size());
        if (msgsnd(queue, message.data(), body->size, IPC_NOWAIT) != 0) {
            std::fprintf(stderr, "sbqpeer: send failed: %s\n", std::strerror(errno));
            return 1;
        }
        return 0;
    }
    long waitMs = 0;
    if (argc - i == 5 && std::strcmp(argv[i + 3], "--wait") == 0) {
        waitMs = std::strtol(argv[i + 4], &end, 10);
    } else if (argc - i != 3) {
        return usage(stderr, 2);
    }
    int flags = IPC_NOWAIT;
    if (waitMs > 0) {
        // A blocking receive that the timer interrupts: no polling loop.
        struct sigaction sa {};
        sa.sa_handler = onAlarm;
        sigaction(SIGALRM, &sa, nullptr);
        itimerval timer{};
        timer.it_value.tv_sec = waitMs / 1000;
        timer.it_value.tv_usec = (waitMs % 1000) * 1000;
        setitimer(ITIMER_REAL, &timer, nullptr);
        flags = 0;
    }
    const ssize_t n = msgrcv(queue, message.data(), body->size, type, flags | MSG_NOERROR);
    if (n < 0) {
        std::fprintf(stderr, "sbqpeer: nothing received\n");
        return 1;
    }
    long got = 0;
    std::memcpy(&got, message.data(), sizeof(long));
    std::printf("type=%ld%s\n", got, decodeBody(*body, message.data() + sizeof(long)).c_str());
    return 0;
}
