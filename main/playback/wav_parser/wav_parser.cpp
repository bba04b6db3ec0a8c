#include "main/playback/wav_parser/wav_parser.h"

#include "common/support/support.h"
#include "main/cli/dbg_level.h"

#include <array>
#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#define WAV_LOG(fmt, ...)                              \
    do {                                               \
        if (gUi4EnableAllLog.load() == 1) {            \
            printf("<wav_parser>" fmt, ##__VA_ARGS__); \
        }                                              \
    } while (0)

namespace {

constexpr size_t kHeaderBytes = 12;
constexpr size_t kChunkHeaderBytes = 8;
constexpr uint32_t kFmtMinBytes = 16;
constexpr uint32_t kFmtExtensibleBytes = 40;
constexpr uint32_t kLargestDataCount = 0x7FFFFFFE;
constexpr std::array<uint8_t, 14> kSubFormatTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// What the parse found; one record for the process, copied out by uWaveFileGetPcmContainer.
struct WavResult {
    uint32_t format;
    uint16_t channels;
    uint32_t rate;
    int64_t dataCount;
};

struct {
    WavResult result;
} gWav;

// A chunk's length with its pad byte: 64-bit, so 0xFFFFFFFF cannot wrap.
uint64_t padded(uint32_t length)
{
    return static_cast<uint64_t>(length) + (length & 1U);
}

// The bytes after the RIFF header: first those the caller already read, then the file. Every read
// asks for exactly what is missing, so nothing past the data chunk's header is taken from fd.
class HeaderReader {
public:
    HeaderReader(int fd, uint8_t* pending, size_t pendingLen) : fd_(fd), pending_(pending), pendingLen_(pendingLen) {}

    // False when the file ended first.
    bool take(uint8_t* dst, size_t n, int line)
    {
        const size_t fromPending = n < pendingLen_ ? n : pendingLen_;
        memcpy(dst, pending_, fromPending);
        pending_ += fromPending;
        pendingLen_ -= fromPending;
        return wavReadUpTo(fd_, dst, fromPending, n, line) == n;
    }

    // Drops n bytes through a small scratch buffer, so that a huge chunk length costs no memory
    // and ends at the end of the file.
    bool skip(uint64_t n, int line)
    {
        std::array<uint8_t, 1024> scratch;
        while (n > 0) {
            const size_t step = n < scratch.size() ? static_cast<size_t>(n) : scratch.size();
            if (!take(scratch.data(), step, line)) {
                return false;
            }
            n -= step;
        }
        return true;
    }

    // Moves the caller's bytes not used by the header to the start of `buffer`; their count.
    size_t handBack(uint8_t* buffer)
    {
        memmove(buffer, pending_, pendingLen_);
        return pendingLen_;
    }

private:
    int fd_;
    uint8_t* pending_;
    size_t pendingLen_;
};

struct ChunkHeader {
    char id[4];
    uint32_t length;
};

bool readChunkHeader(HeaderReader& in, ChunkHeader* chunk, int line)
{
    uint8_t raw[kChunkHeaderBytes];
    if (!in.take(raw, sizeof(raw), line)) {
        return false;
    }
    memcpy(chunk->id, raw, 4);
    chunk->length = sb::loadLe32(raw + 4);
    return true;
}

void logStars()
{
    WAV_LOG("**********************************************************\n");
}

// The ALSA format of a playable fmt chunk, or -2 after its log line.
int sampleFormat(uint16_t tag, uint16_t bits, uint16_t blockAlign, uint16_t channels, uint32_t* format)
{
    switch (bits) {
    case 8:
        *format = SND_PCM_FORMAT_U8;
        WAV_LOG("format is changed to U8");
        return 0;
    case 16:
        *format = SND_PCM_FORMAT_S16_LE;
        WAV_LOG("format is changed to S16_LE");
        return 0;
    case 24:
        if (blockAlign / channels == 3) {
            *format = SND_PCM_FORMAT_S24_3LE;
            WAV_LOG("format is changed to S24_3LE");
            return 0;
        }
        if (blockAlign / channels == 4) {
            *format = SND_PCM_FORMAT_S24_LE;
            WAV_LOG("format is changed to S24_LE");
            return 0;
        }
        WAV_LOG("can't play WAVE-files with sample %d bits in %d bytes wide (%d channels)\n", bits, blockAlign,
                channels);
        return -2;
    case 32:
        if (tag == WAV_FMT_PCM) {
            *format = SND_PCM_FORMAT_S32_LE;
            WAV_LOG("format is changed to S32_LE");
        } else {
            *format = SND_PCM_FORMAT_FLOAT_LE;
            WAV_LOG("format is changed to FLOAT_LE");
        }
        return 0;
    default:
        WAV_LOG(" can't play WAVE-files with sample %d bits wide\n", bits);
        return -2;
    }
}

// The fmt chunk of `length` bytes: into the result record, or -1 (cut short) / -2 (unplayable).
int parseFmt(HeaderReader& in, uint32_t length)
{
    if (length < kFmtMinBytes) {
        WAV_LOG("unknown length of 'fmt ' chunk -- read %u, should be %u at least\n", length, kFmtMinBytes);
        return -2;
    }
    // Only the first 40 bytes mean anything here; the rest of a longer chunk is dropped.
    const uint64_t total = padded(length);
    std::array<uint8_t, kFmtExtensibleBytes> fmt{};
    const size_t kept = total < fmt.size() ? static_cast<size_t>(total) : fmt.size();
    if (!in.take(fmt.data(), kept, __LINE__) || !in.skip(total - kept, __LINE__)) {
        return -1;
    }
    uint16_t tag = sb::loadLe16(&fmt[0]);
    const uint16_t channels = sb::loadLe16(&fmt[2]);
    const uint32_t rate = sb::loadLe32(&fmt[4]);
    const uint16_t blockAlign = sb::loadLe16(&fmt[12]);
    const uint16_t bits = sb::loadLe16(&fmt[14]);
    WAV_LOG("Fmt Format:         [%s]\n", WavPFmtString(tag));
    WAV_LOG("Fmt Channels:       [%d]\n", channels);
    WAV_LOG("Fmt Sample_rate:    [%d](HZ)\n", static_cast<int>(rate));
    WAV_LOG("Fmt Bytes_p_second: [%d]\n", static_cast<int>(sb::loadLe32(&fmt[8])));
    WAV_LOG("Fmt Blocks_align:   [%d]\n", blockAlign);
    WAV_LOG("Fmt BitsPerSample:  [%d]\n", bits);

    if (tag == WAV_FMT_EXTENSIBLE) {
        if (length < kFmtExtensibleBytes) {
            WAV_LOG("unknown length of extensible 'fmt ' chunk--read %u, should be %u at least\n", length,
                    kFmtExtensibleBytes);
            return -2;
        }
        if (memcmp(&fmt[26], kSubFormatTail.data(), kSubFormatTail.size()) != 0) {
            WAV_LOG("wrong format tag in extensible 'fmt ' chunk");
            return -2;
        }
        tag = sb::loadLe16(&fmt[24]);
    }
    if (tag != WAV_FMT_PCM && tag != WAV_FMT_IEEE_FLOAT) {
        WAV_LOG("can't play WAVE-file format 0x%04x which is not PCM or FLOAT encoded\n", tag);
        return -2;
    }
    if (channels == 0) {
        WAV_LOG("can't play WAVE-files with %d tracks\n", channels);
        return -2;
    }
    uint32_t format = 0;
    if (sampleFormat(tag, bits, blockAlign, channels, &format) != 0) {
        return -2;
    }
    WAV_LOG("PCM Type is:  [%s]\n", snd_pcm_format_name(static_cast<snd_pcm_format_t>(format)));
    gWav.result.format = format;
    gWav.result.channels = channels;
    gWav.result.rate = rate;
    return 0;
}

}  // namespace

const char* WavPFmtString(uint16_t tag)
{
    switch (tag) {
    case WAV_FMT_PCM:
        return "WAV_FMT_PCM";
    case WAV_FMT_IEEE_FLOAT:
        return "WAV_FMT_IEEE_FLOAT";
    case WAV_FMT_DOLBY_AC3_SPDIF:
        return "WAV_FMT_DOLBY_AC3_SPDIF";
    case WAV_FMT_EXTENSIBLE:
        return "WAV_FMT_EXTENSIBLE";
    default:
        return "NON Support Fmt";
    }
}

ssize_t wavSafeRead(int fd, void* buffer, size_t count)
{
    auto* p = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t r = read(fd, p + done, count - done);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0) {
            return done > 0 ? static_cast<ssize_t>(done) : r;
        }
        if (r == 0) {
            break;
        }
        done += static_cast<size_t>(r);
    }
    return static_cast<ssize_t>(done);
}

size_t wavReadUpTo(int fd, void* buffer, size_t have, size_t want, int line)
{
    if (have >= want) {
        return have;
    }
    const ssize_t r = wavSafeRead(fd, static_cast<uint8_t*>(buffer) + have, want - have);
    if (r != static_cast<ssize_t>(want - have)) {
        WAV_LOG("read error -- called from line %d\n", line);
        return have + (r > 0 ? static_cast<size_t>(r) : 0);
    }
    return want;
}

int wavParseHeader(int fd, void* buffer, uint32_t size)
{
    auto* bytes = static_cast<uint8_t*>(buffer);
    if (bytes == nullptr || size < kHeaderBytes || memcmp(bytes, "RIFF", 4) != 0 || memcmp(bytes + 8, "WAVE", 4) != 0) {
        return -1;
    }
    logStars();
    WAV_LOG("File Magic:[%c%c%c%c]\n", bytes[0], bytes[1], bytes[2], bytes[3]);
    WAV_LOG("File Length:[%d]\n", static_cast<int>(sb::loadLe32(bytes + 4)));
    WAV_LOG("File Type: [%c%c%c%c]\n", bytes[8], bytes[9], bytes[10], bytes[11]);

    HeaderReader in(fd, bytes + kHeaderBytes, size - kHeaderBytes);
    ChunkHeader chunk{};
    for (;;) {
        if (!readChunkHeader(in, &chunk, __LINE__)) {
            return -1;
        }
        if (memcmp(chunk.id, "fmt ", 4) == 0) {
            break;
        }
        if (!in.skip(padded(chunk.length), __LINE__)) {
            return -1;
        }
    }
    const int fmt = parseFmt(in, chunk.length);
    if (fmt != 0) {
        return fmt;
    }
    for (;;) {
        if (!readChunkHeader(in, &chunk, __LINE__)) {
            return -1;
        }
        if (memcmp(chunk.id, "data", 4) == 0) {
            break;
        }
        if (!in.skip(padded(chunk.length), __LINE__)) {
            return -1;
        }
    }
    // A streamed file's length (0xFFFFFFFF) and other absurd lengths leave the count unbounded.
    if (chunk.length < gWav.result.dataCount && chunk.length < kLargestDataCount) {
        gWav.result.dataCount = chunk.length;
    }
    const size_t already = in.handBack(bytes);
    WAV_LOG("Data count is:  [%lld]\n", static_cast<long long>(gWav.result.dataCount));
    logStars();
    return static_cast<int>(already);
}

int uWaveFileGetPcmContainer(int fd, PcmContainer* pPCMContainer)
{
    assert((fd >= 0) && pPCMContainer);
    gWav.result.dataCount = INT64_MAX;
    auto* buffer = static_cast<uint8_t*>(std::malloc(1024));
    if (buffer == nullptr) {
        WAV_LOG("malloc audiobuf error in func %s : line %d\n", __func__, __LINE__);
        return -1;
    }
    if (wavSafeRead(fd, buffer, kHeaderBytes) != static_cast<ssize_t>(kHeaderBytes)) {
        WAV_LOG("read error in func %s : line %d\n", __func__, __LINE__);
        std::free(buffer);
        return -2;
    }
    const int parsed = wavParseHeader(fd, buffer, kHeaderBytes);
    if (parsed < 0) {
        WAV_LOG("unsupport wav format in func %s : line %d\n", __func__, __LINE__);
        std::free(buffer);
        return -3;
    }
    WAV_LOG("%s success at line: %d\n", __func__, __LINE__);
    pPCMContainer->format = gWav.result.format;
    pPCMContainer->channels = gWav.result.channels;
    pPCMContainer->rate = gWav.result.rate;
    pPCMContainer->data_count = gWav.result.dataCount;
    WAV_LOG("%s dtawave is %d\n", __func__, parsed);
    std::free(buffer);
    return 0;
}
