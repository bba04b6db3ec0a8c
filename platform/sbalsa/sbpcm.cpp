// sbpcm: the two ends of the simulated soundbar's PCM devices that a clock drives, as the board's
// codec does (see sb_alsa.h, the live configuration).
//
//   sbpcm keep FILE RATE CHANNELS BITS [SECONDS]
//       Takes what a PCM plays on standard input and keeps only the last seconds of it: FILE grows
//       to SECONDS (default 5) of audio, then becomes FILE.1 and FILE starts again. Ends at the
//       end of its input. It takes the stream as fast as it comes: a player fed by a capture is
//       paced by that capture, and a second clock here would let the two drift apart.
//   sbpcm tone FIFO RATE CHANNELS FORMAT
//       Plays a looping 1 kHz tone (FORMAT S16_LE or S16_BE) into FIFO at the stream's rate, to
//       one capture after another: it waits for a reader, writes until the reader goes, and waits
//       again. Runs until it is stopped.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kUsage =
    "usage: sbpcm keep FILE RATE CHANNELS BITS [SECONDS]\n"
    "       sbpcm tone FIFO RATE CHANNELS S16_LE|S16_BE\n";
constexpr long kDefaultKeepSeconds = 5;
constexpr double kToneHz = 1000.0;
constexpr double kToneAmplitude = 8000.0;  // about -12 dBFS: a period of it is "loud"
constexpr int kChunkMs = 20;
// How far a stream may run ahead of its clock: what a device's buffer would hold.
constexpr double kLeadSeconds = 0.1;

bool number(const char* text, long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value > 0;
}

// Sleeps until `bytes` of a stream of `bytesPerSecond` are due, counted from `start`.
void pace(Clock::time_point start, uint64_t bytes, double bytesPerSecond)
{
    const double due = static_cast<double>(bytes) / bytesPerSecond - kLeadSeconds;
    const auto at = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(due));
    std::this_thread::sleep_until(at);
}

bool writeAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

int keep(const std::string& file, long rate, long channels, long bits, long seconds)
{
    const double bytesPerSecond = static_cast<double>(rate) * channels * bits / 8.0;
    const auto limit = static_cast<uint64_t>(bytesPerSecond * seconds);
    int out = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        std::fprintf(stderr, "sbpcm: %s: %s\n", file.c_str(), std::strerror(errno));
        // Still take the stream, so the player is not stopped by a broken pipe.
    }
    std::vector<uint8_t> buf(4096);
    uint64_t inFile = 0;
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        if (out >= 0 && inFile + static_cast<uint64_t>(n) > limit) {
            close(out);
            std::rename(file.c_str(), (file + ".1").c_str());
            out = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            inFile = 0;
        }
        if (out >= 0 && writeAll(out, buf.data(), static_cast<size_t>(n))) {
            inFile += static_cast<uint64_t>(n);
        }
    }
    if (out >= 0) {
        close(out);
    }
    return 0;
}

// One chunk of the tone, its phase carried on from the previous chunk.
void toneChunk(std::vector<uint8_t>& chunk, long rate, long channels, bool bigEndian, uint64_t& frame)
{
    const size_t frames = chunk.size() / (2 * static_cast<size_t>(channels));
    for (size_t i = 0; i < frames; ++i, ++frame) {
        const double t = static_cast<double>(frame % static_cast<uint64_t>(rate)) / static_cast<double>(rate);
        const auto v = static_cast<int16_t>(std::lround(kToneAmplitude * std::sin(2.0 * M_PI * kToneHz * t)));
        const auto u = static_cast<uint16_t>(v);
        for (long c = 0; c < channels; ++c) {
            uint8_t* at = &chunk[(i * static_cast<size_t>(channels) + static_cast<size_t>(c)) * 2];
            at[bigEndian ? 1 : 0] = static_cast<uint8_t>(u & 0xFF);
            at[bigEndian ? 0 : 1] = static_cast<uint8_t>(u >> 8);
        }
    }
}

int tone(const std::string& fifo, long rate, long channels, bool bigEndian)
{
    // A reader that goes away is a normal end of one capture, not of this program.
    std::signal(SIGPIPE, SIG_IGN);
    const double bytesPerSecond = static_cast<double>(rate) * channels * 2;
    // Whole frames, and at most one atomic pipe write, so a reader never sees half a frame.
    const size_t frameBytes = 2 * static_cast<size_t>(channels);
    size_t chunkBytes = static_cast<size_t>(rate) * kChunkMs / 1000 * frameBytes;
    chunkBytes = std::min(chunkBytes, PIPE_BUF / frameBytes * frameBytes);
    std::vector<uint8_t> chunk(chunkBytes);
    uint64_t frame = 0;
    for (;;) {
        const int fd = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);  // waits for a capture to open it
        if (fd < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::fprintf(stderr, "sbpcm: %s: %s\n", fifo.c_str(), std::strerror(errno));
            return 1;
        }
        const auto start = Clock::now();
        uint64_t sent = 0;
        for (;;) {
            toneChunk(chunk, rate, channels, bigEndian, frame);
            if (!writeAll(fd, chunk.data(), chunk.size())) {
                break;
            }
            sent += chunk.size();
            pace(start, sent, bytesPerSecond);
        }
        close(fd);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    long rate = 0;
    long channels = 0;
    long bits = 0;
    long seconds = kDefaultKeepSeconds;
    if (mode == "keep" && (argc == 6 || argc == 7) && number(argv[3], rate) && number(argv[4], channels) &&
        number(argv[5], bits) && (argc == 6 || number(argv[6], seconds))) {
        return keep(argv[2], rate, channels, bits, seconds);
    }
    const std::string format = argc == 6 ? argv[5] : "";
    if (mode == "tone" && argc == 6 && number(argv[3], rate) && number(argv[4], channels) &&
        (format == "S16_LE" || format == "S16_BE")) {
        return tone(argv[2], rate, channels, format == "S16_BE");
    }
    std::fputs(kUsage, mode == "--help" ? stdout : stderr);
    return mode == "--help" ? 0 : 2;
}
