#include "main/playback/wav_parser/wav_parser.h"

#include "main/cli/dbg_level.h"
#include "tests/support/sandbox.h"
#include "tests/support/wav_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

using wavbytes::chunk;
using wavbytes::le;
using wavbytes::riff;

std::string fmt16(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits)
{
    return wavbytes::fmtPayload(tag, channels, rate, blockAlign, bits);
}

const std::string kGuidTail("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);

std::string fmtExtensible(uint16_t subFormat, uint16_t channels, uint16_t blockAlign, uint16_t bits,
                          const std::string& tail = kGuidTail)
{
    return fmt16(0xFFFE, channels, 44100, blockAlign, bits) + le(22, 2) + le(bits, 2) + le(3, 4) + le(subFormat, 2) +
           tail;
}

const std::string kSamples("\x01\x02\x03\x04\x05\x06\x07\x08", 8);

std::string canonical(const std::string& fmtPayload, const std::string& data = kSamples)
{
    return riff(chunk("fmt ", fmtPayload) + chunk("data", data));
}

class WavParserTest : public sbtest::SandboxTest {
protected:
    ~WavParserTest() override
    {
        if (fd_ >= 0) {
            close(fd_);
        }
    }

    int openWith(const std::string& content)
    {
        if (fd_ >= 0) {
            close(fd_);
        }
        sandbox.write("/data/t.wav", content);
        fd_ = ::open(sandbox.path("/data/t.wav").c_str(), O_RDONLY);
        return fd_;
    }

    int fd_ = -1;
};

struct Accepted {
    const char* what;
    std::string file;
    uint32_t format;
    uint16_t channels;
    uint32_t rate;
    int64_t dataCount;
};

TEST_F(WavParserTest, PlayableFilesFillTheContainerAndStopAtTheFirstSample)
{
    const Accepted cases[] = {
        {"canonical 44-byte header", canonical(fmt16(1, 2, 48000, 4, 16)), SND_PCM_FORMAT_S16_LE, 2, 48000, 8},
        {"odd LIST chunk before data",
         riff(chunk("fmt ", fmt16(1, 2, 48000, 4, 16)) + chunk("LIST", std::string(7, 'L') + '\0', 7) +
              chunk("data", kSamples)),
         SND_PCM_FORMAT_S16_LE, 2, 48000, 8},
        {"chunk ahead of fmt",
         riff(chunk("junk", "abcd") + chunk("fmt ", fmt16(1, 1, 8000, 1, 8)) + chunk("data", kSamples)),
         SND_PCM_FORMAT_U8, 1, 8000, 8},
        {"fmt of 18 bytes", canonical(fmt16(1, 2, 44100, 4, 16) + le(0, 2)), SND_PCM_FORMAT_S16_LE, 2, 44100, 8},
        {"extensible 24 bits in 3 bytes", canonical(fmtExtensible(1, 2, 6, 24)), SND_PCM_FORMAT_S24_3LE, 2, 44100, 8},
        {"24 bits in 4 bytes", canonical(fmt16(1, 2, 96000, 8, 24)), SND_PCM_FORMAT_S24_LE, 2, 96000, 8},
        {"32-bit integer", canonical(fmt16(1, 2, 48000, 8, 32)), SND_PCM_FORMAT_S32_LE, 2, 48000, 8},
        {"32-bit float", canonical(fmt16(3, 2, 48000, 8, 32)), SND_PCM_FORMAT_FLOAT_LE, 2, 48000, 8},
        {"extensible float", canonical(fmtExtensible(3, 2, 8, 32)), SND_PCM_FORMAT_FLOAT_LE, 2, 44100, 8},
        {"streamed data length", riff(chunk("fmt ", fmt16(1, 2, 48000, 4, 16)) + chunk("data", kSamples, 0xFFFFFFFF)),
         SND_PCM_FORMAT_S16_LE, 2, 48000, INT64_MAX},
    };
    for (const Accepted& c : cases) {
        SCOPED_TRACE(c.what);
        const int fd = openWith(c.file);
        ASSERT_GE(fd, 0);
        PcmContainer pcm{};
        ASSERT_EQ(0, uWaveFileGetPcmContainer(fd, &pcm));
        EXPECT_EQ(c.format, pcm.format);
        EXPECT_EQ(c.channels, pcm.channels);
        EXPECT_EQ(c.rate, pcm.rate);
        EXPECT_EQ(c.dataCount, pcm.data_count);
        char first[2] = {};
        ASSERT_EQ(2, read(fd, first, 2));
        EXPECT_EQ(kSamples.substr(0, 2), std::string(first, 2));
    }
}

struct Refused {
    const char* what;
    std::string file;
    int result;
    const char* line;  // nullptr: no particular line
};

TEST_F(WavParserTest, UnplayableOrBrokenFilesAreRefused)
{
    const std::string good = canonical(fmt16(1, 2, 48000, 4, 16));
    const Refused cases[] = {
        {"shorter than 12 bytes", "RIFF\x10\0\0\0WAV", -2, "<wav_parser>read error in func uWaveFileGetPcmContainer"},
        {"not RIFF", "RIFX" + good.substr(4), -3, "<wav_parser>unsupport wav format"},
        {"not WAVE", good.substr(0, 8) + "AVI " + good.substr(12), -3, nullptr},
        {"Dolby AC3 over S/PDIF", canonical(fmt16(0x0092, 2, 48000, 4, 16)), -3,
         "<wav_parser>can't play WAVE-file format 0x0092 which is not PCM or FLOAT encoded"},
        {"extensible with a wrong GUID", canonical(fmtExtensible(1, 2, 6, 24, std::string(14, 'x'))), -3,
         "<wav_parser>wrong format tag in extensible 'fmt ' chunk"},
        {"extensible too short", canonical(fmt16(0xFFFE, 2, 48000, 4, 16) + le(0, 2)), -3,
         "<wav_parser>unknown length of extensible 'fmt ' chunk--read 18, should be 40 at least"},
        {"fmt too short", canonical(fmt16(1, 2, 48000, 4, 16).substr(0, 14)), -3,
         "<wav_parser>unknown length of 'fmt ' chunk -- read 14, should be 16 at least"},
        {"no channels", canonical(fmt16(1, 0, 48000, 4, 16)), -3, "<wav_parser>can't play WAVE-files with 0 tracks"},
        {"24 bits in 5 bytes", canonical(fmt16(1, 2, 48000, 10, 24)), -3,
         "<wav_parser>can't play WAVE-files with sample 24 bits in 10 bytes wide (2 channels)"},
        {"12 bits", canonical(fmt16(1, 2, 48000, 4, 12)), -3,
         "<wav_parser> can't play WAVE-files with sample 12 bits wide"},
        {"cut inside the fmt chunk", good.substr(0, 30), -3, "<wav_parser>read error -- called from line"},
        {"cut inside the data header", good.substr(0, 40), -3, "<wav_parser>read error -- called from line"},
        {"no fmt chunk", riff(chunk("data", kSamples)), -3, nullptr},
        {"huge chunk ahead of data",
         riff(chunk("fmt ", fmt16(1, 2, 48000, 4, 16)) + chunk("LIST", "abcd", 0xFFFFFFFF) + chunk("data", kSamples)),
         -3, "<wav_parser>read error -- called from line"},
        {"huge fmt chunk", riff(chunk("fmt ", fmt16(1, 2, 48000, 4, 16), 0xFFFFFFFF) + chunk("data", kSamples)), -3,
         "<wav_parser>read error -- called from line"},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.what);
        const int fd = openWith(c.file);
        ASSERT_GE(fd, 0);
        PcmContainer pcm{};
        pcm.format = 77;
        pcm.rate = 1234;
        testing::internal::CaptureStdout();
        const int res = uWaveFileGetPcmContainer(fd, &pcm);
        const std::string log = testing::internal::GetCapturedStdout();
        EXPECT_EQ(c.result, res);
        if (c.line != nullptr) {
            EXPECT_NE(std::string::npos, log.find(c.line)) << log;
        }
        EXPECT_EQ(77u, pcm.format);
        EXPECT_EQ(1234u, pcm.rate);
        // Nothing was read from past the end of the file.
        EXPECT_LE(lseek(fd, 0, SEEK_CUR), static_cast<off_t>(c.file.size()));
    }
}

TEST_F(WavParserTest, BytesReadAheadAreHandedBack)
{
    const std::string file = canonical(fmt16(1, 2, 48000, 4, 16));
    const int fd = openWith(file);
    ASSERT_GE(fd, 0);
    // The caller already read the header and four data bytes.
    std::string buffer = file.substr(0, 48);
    ASSERT_EQ(48, lseek(fd, 48, SEEK_SET));
    EXPECT_EQ(4, wavParseHeader(fd, buffer.data(), 48));
    EXPECT_EQ(kSamples.substr(0, 4), buffer.substr(0, 4));
    EXPECT_EQ(48, lseek(fd, 0, SEEK_CUR));
}

TEST_F(WavParserTest, FormatNames)
{
    EXPECT_STREQ("WAV_FMT_PCM", WavPFmtString(1));
    EXPECT_STREQ("WAV_FMT_IEEE_FLOAT", WavPFmtString(3));
    EXPECT_STREQ("WAV_FMT_DOLBY_AC3_SPDIF", WavPFmtString(0x92));
    EXPECT_STREQ("WAV_FMT_EXTENSIBLE", WavPFmtString(0xFFFE));
    EXPECT_STREQ("NON Support Fmt", WavPFmtString(2));
}

TEST_F(WavParserTest, LogsOnlyWhileAllLogIsOn)
{
    const int fd = openWith(canonical(fmt16(1, 2, 48000, 4, 16)));
    PcmContainer pcm{};
    gUi4EnableAllLog.store(0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, uWaveFileGetPcmContainer(fd, &pcm));
    const std::string quiet = testing::internal::GetCapturedStdout();
    gUi4EnableAllLog.store(1);
    EXPECT_EQ("", quiet);
}

}  // namespace
