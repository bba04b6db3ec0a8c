#include "main/playback/playback_alsa/playback_alsa.h"

#include "platform/sbalsa/sb_alsa.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

class PlaybackAlsaTest : public sbtest::SandboxTest {
protected:
    ~PlaybackAlsaTest() override { closeStream(); }

    // A zeroed container for 16-bit stereo opened on `device`.
    PcmContainer* open(const char* device, snd_pcm_stream_t stream = SND_PCM_STREAM_PLAYBACK,
                       uint32_t format = SND_PCM_FORMAT_S16_LE, uint32_t rate = 48000)
    {
        pcm_ = PcmContainer{};
        pcm_.format = format;
        pcm_.channels = 2;
        pcm_.rate = rate;
        EXPECT_EQ(0, snd_pcm_open(&pcm_.handle, device, stream, 0));
        return &pcm_;
    }

    void closeStream()
    {
        if (pcm_.handle != nullptr) {
            snd_pcm_close(pcm_.handle);
            pcm_.handle = nullptr;
        }
        std::free(pcm_.data_buf);
        pcm_.data_buf = nullptr;
    }

    PcmContainer pcm_{};
};

std::string bytes(const uint8_t* p, size_t n)
{
    return std::string(reinterpret_cast<const char*>(p), n);
}

TEST_F(PlaybackAlsaTest, HwParamsByTimeGrantAQuarterPeriodAndOneBuffer)
{
    PcmContainer* pcm = open("main");
    ASSERT_EQ(0, uAlsaSetHwParams(pcm, 80000));
    EXPECT_EQ(960u, pcm->chunk_size);  // 20 ms at 48 kHz
    EXPECT_EQ(3840u, pcm->buffer_size);
    EXPECT_EQ(16u, pcm->bits_per_sample);
    EXPECT_EQ(32u, pcm->bits_per_frame);
    EXPECT_EQ(3840u, pcm->chunk_bytes);
    EXPECT_EQ(48000u, pcm->rate);
    ASSERT_NE(nullptr, pcm->data_buf);
    EXPECT_EQ(SND_PCM_STATE_PREPARED, uAlsaGetPcmState(pcm->handle));
}

TEST_F(PlaybackAlsaTest, WritesPeriodsAndPadsAShortOneWithSilence)
{
    PcmContainer* pcm = open("main");
    ASSERT_EQ(0, uAlsaSetHwParams(pcm, 80000));
    std::string played;
    for (uint32_t i = 0; i < pcm->chunk_bytes; ++i) {
        pcm->data_buf[i] = static_cast<uint8_t>(i * 3 + 1);
    }
    played += bytes(pcm->data_buf, pcm->chunk_bytes);
    EXPECT_EQ(static_cast<int32_t>(pcm->chunk_size), uAlsaWritePcm(pcm, pcm->chunk_size));
    // 100 frames of sound, the rest of the period silence.
    EXPECT_EQ(static_cast<int32_t>(pcm->chunk_size), uAlsaWritePcm(pcm, 100));
    played += bytes(pcm->data_buf, 400) + std::string(pcm->chunk_bytes - 400, '\0');
    // No frames at all: one whole period of silence.
    EXPECT_EQ(static_cast<int32_t>(pcm->chunk_size), uAlsaWritePcm(pcm, 0));
    played += std::string(pcm->chunk_bytes, '\0');
    // data_buf holds one period; more is refused rather than read from past its end.
    EXPECT_EQ(-1, uAlsaWritePcm(pcm, pcm->chunk_size + 1));
    EXPECT_EQ(-1, uAlsaWritePcmForAnysize(pcm, pcm->chunk_size + 1));
    EXPECT_EQ(50, uAlsaWritePcmForAnysize(pcm, 50));
    played += bytes(pcm->data_buf, 200);
    snd_pcm_drain(pcm->handle);
    closeStream();
    EXPECT_EQ(played, sandbox.read(sb::pcmOutput("main")));
}

TEST_F(PlaybackAlsaTest, ReadFillsAWholePeriodWhateverIsAsked)
{
    std::string input(3 * 3840, '\0');
    for (size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<char>(i % 251);
    }
    sandbox.write(sb::pcmInput("line_in"), input);
    PcmContainer* pcm = open("line_in", SND_PCM_STREAM_CAPTURE, SND_PCM_FORMAT_S16_BE);
    ASSERT_EQ(0, uAlsaSetHwParams(pcm, 80000));
    ASSERT_EQ(3840u, pcm->chunk_bytes);
    EXPECT_EQ(10, uAlsaReadPcm(pcm, 10));
    EXPECT_EQ(input.substr(0, 3840), bytes(pcm->data_buf, 3840));
    EXPECT_EQ(static_cast<int32_t>(pcm->chunk_size), uAlsaReadPcm(pcm, pcm->chunk_size));
    EXPECT_EQ(input.substr(3840, 3840), bytes(pcm->data_buf, 3840));
}

TEST_F(PlaybackAlsaTest, HwParamsBySizeMakeThePeriodDivideTheBuffer)
{
    PcmContainer* pcm = open("sub0");
    CaptureStdout();
    const int32_t res = uAlsaSetHwParamsBySize(pcm, 4096, 1000);
    const std::string log = GetCapturedStdout();
    ASSERT_EQ(0, res);
    EXPECT_NE(std::string::npos,
              log.find("<playback_alsa>Error Please make sure PeiordSize can be divisible by BufferSize"));
    EXPECT_EQ(4096u, pcm->buffer_size);
    EXPECT_EQ(2048u, pcm->chunk_size);
    EXPECT_EQ(8192u, pcm->chunk_bytes);
}

// Every failing hardware-parameter call leaves nothing behind: no buffer, the PCM closed.
TEST_F(PlaybackAlsaTest, FailedHwParamsCloseThePcm)
{
    struct Case {
        const char* what;
        uint32_t format;
        uint16_t channels;
        int32_t (*call)(PcmContainer*);
        const char* line;
    };
    const Case cases[] = {
        {"bad format", 60, 2, [](PcmContainer* p) { return uAlsaSetHwParams(p, 80000); },
         "<playback_alsa>Error snd_pcm_hw_params_set_format"},
        {"no channels", SND_PCM_FORMAT_S16_LE, 0, [](PcmContainer* p) { return uAlsaSetHwParams(p, 80000); },
         "<playback_alsa>Error snd_pcm_hw_params_set_channels"},
        {"zero buffer time", SND_PCM_FORMAT_S16_LE, 2, [](PcmContainer* p) { return uAlsaSetHwParams(p, 0); },
         "<playback_alsa>Error buffer time 0 us"},
        {"zero divisor", SND_PCM_FORMAT_S16_LE, 2,
         [](PcmContainer* p) { return uAlsaSetHwParamsAdjustPeroidTime(p, 80000, 0); },
         "<playback_alsa>Error buffer time 80000 us, period divisor 0"},
        {"period equals buffer", SND_PCM_FORMAT_S16_LE, 2,
         [](PcmContainer* p) { return uAlsaSetHwParamsBySize(p, 2048, 2048); },
         "<playback_alsa>Can't use period equal to buffer size (2048 == 2048)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PcmContainer* pcm = open("main", SND_PCM_STREAM_PLAYBACK, c.format);
        pcm->channels = c.channels;
        CaptureStdout();
        const int32_t res = c.call(pcm);
        const std::string log = GetCapturedStdout();
        EXPECT_EQ(-1, res);
        EXPECT_EQ(nullptr, pcm->handle);
        EXPECT_EQ(nullptr, pcm->data_buf);
        EXPECT_NE(std::string::npos, log.find(c.line)) << log;
    }
}

TEST_F(PlaybackAlsaTest, PeriodDivisorSetsThePeriodTime)
{
    PcmContainer* pcm = open("main");
    ASSERT_EQ(0, uAlsaSetHwParamsAdjustPeroidTime(pcm, 80000, 8));
    EXPECT_EQ(3840u, pcm->buffer_size);
    EXPECT_EQ(480u, pcm->chunk_size);
}

TEST_F(PlaybackAlsaTest, NullHandlesAreRefused)
{
    PcmContainer empty{};
    CaptureStdout();
    EXPECT_EQ(-1, uAlsaSetHwParams(&empty, 80000));
    EXPECT_EQ(-1, uAlsaSetSwParams(&empty, 0));
    EXPECT_EQ(-1, uAlsaReadPcm(&empty, 1));
    EXPECT_EQ(-1, uAlsaWritePcm(&empty, 1));
    EXPECT_EQ(-1, uAlsaGetPcmState(nullptr));
    EXPECT_EQ(-1, uAlsaPause(nullptr));
    EXPECT_EQ(-1, uAlsaResume(nullptr));
    const std::string log = GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("<playback_alsa>uAlsaSetHwParams -- Invail pcm handle fail\n"));
    EXPECT_NE(std::string::npos, log.find("<playback_alsa>uAlsaPause -- Invail pcm handle fail\n"));
}

TEST_F(PlaybackAlsaTest, PauseDropsAndResumePreparesAgain)
{
    PcmContainer* pcm = open("main");
    ASSERT_EQ(0, uAlsaSetHwParams(pcm, 80000));
    ASSERT_EQ(0, uAlsaSetSwParams(pcm, 1));
    memset(pcm->data_buf, 0x11, pcm->chunk_bytes);
    ASSERT_EQ(static_cast<int32_t>(pcm->chunk_size), uAlsaWritePcm(pcm, pcm->chunk_size));
    EXPECT_EQ(SND_PCM_STATE_RUNNING, uAlsaGetPcmState(pcm->handle));
    EXPECT_EQ(0, uAlsaPause(pcm->handle));
    CaptureStdout();
    EXPECT_EQ(SND_PCM_STATE_SETUP, uAlsaGetPcmState(pcm->handle));
    EXPECT_EQ(0, uAlsaResume(pcm->handle));
    EXPECT_EQ(SND_PCM_STATE_PREPARED, uAlsaGetPcmState(pcm->handle));
    const std::string log = GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("<playback_alsa>Current PCM state is SND_PCM_STATE_SETUP 1\n"));
    EXPECT_NE(std::string::npos, log.find("<playback_alsa>Current PCM state is SND_PCM_STATE_PREPARED 2\n"));
    EXPECT_EQ(static_cast<int32_t>(pcm->chunk_size), uAlsaWritePcm(pcm, pcm->chunk_size));
}

PcmOpenParam openParam(const char* device, uint32_t bufferFrames, uint16_t periodFrames,
                       uint16_t format = SND_PCM_FORMAT_S16_LE)
{
    PcmOpenParam p{};
    snprintf(p.device, sizeof(p.device), "%s", device);
    p.stream = SND_PCM_STREAM_PLAYBACK;
    p.rate = 48000;
    p.format = format;
    p.channels = 2;
    p.buffer_frames = bufferFrames;
    p.period_frames = periodFrames;
    return p;
}

TEST_F(PlaybackAlsaTest, OpenConfiguresAndCloseDrains)
{
    PcmContainer* pcm = uAlsaPcmOpen(openParam("sub1", 4096, 1024));
    ASSERT_NE(nullptr, pcm);
    EXPECT_EQ(1024u, pcm->chunk_size);
    EXPECT_EQ(4096u, pcm->buffer_size);
    memset(pcm->data_buf, 0x5A, pcm->chunk_bytes);
    EXPECT_EQ(1024, uAlsaWritePcm(pcm, 1024));
    EXPECT_EQ(0, uAlsaPcmClose(pcm, 1));
    EXPECT_EQ(std::string(4096, 0x5A), sandbox.read(sb::pcmOutput("sub1")));
    EXPECT_TRUE(sandbox.quoridLog().empty());
}

// A failed open after the PCM opened removes the plug-in's marker of the device.
TEST_F(PlaybackAlsaTest, FailedOpenRemovesTheDeviceMarker)
{
    struct Case {
        const char* device;
        const char* command;  // nullptr: the device has no marker
    };
    const Case cases[] = {
        {"main", "rm -f /tmp/kvxac0_opened"},
        {"sub0", "rm -f /tmp/kvxac1_opened"},
        {"sub1", "rm -f /tmp/kvxac2_opened"},
        {"track:4", "rm -f /tmp/kvxac4_opened"},
        {"line_in", nullptr},
    };
    sandbox.write("/tmp/kvxac2_opened", "");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        const size_t before = sandbox.quoridLog().size();
        CaptureStdout();
        // No such sample format: the hardware parameters fail after the open.
        EXPECT_EQ(nullptr, uAlsaPcmOpen(openParam(c.device, 4096, 1024, 60)));
        const std::string log = GetCapturedStdout();
        const auto commands = sandbox.quoridLog();
        if (c.command != nullptr) {
            ASSERT_EQ(before + 1, commands.size());
            EXPECT_EQ(c.command, commands.back());
        } else {
            EXPECT_EQ(before, commands.size());
            EXPECT_NE(std::string::npos, log.find("<playback_alsa>Not node of vesk.line:"));
        }
    }
    EXPECT_FALSE(sandbox.exists("/tmp/kvxac2_opened"));
}

TEST_F(PlaybackAlsaTest, OpenWithoutHardwareParametersFailsItsSoftwareParameters)
{
    // Nothing configured the PCM, so its software parameters cannot be read: the open fails and
    // closes the PCM again.
    CaptureStdout();
    EXPECT_EQ(nullptr, uAlsaPcmOpen(openParam("main", 0, 0)));
    const std::string log = GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("<playback_alsa>uAlsaSetSwParams default! line:"));
    EXPECT_NE(std::string::npos, log.find("<playback_alsa>uAlsaSetSwParams error! line:"));
    EXPECT_EQ(std::vector<std::string>{"rm -f /tmp/kvxac0_opened"}, sandbox.quoridLog());
}

TEST_F(PlaybackAlsaTest, OpenOfAMissingDeviceFailsWithoutMarkerRemoval)
{
    CaptureStdout();
    PcmOpenParam p = openParam("line_in", 4096, 1024);
    p.stream = SND_PCM_STREAM_CAPTURE;  // its input file was never prepared
    EXPECT_EQ(nullptr, uAlsaPcmOpen(p));
    const std::string log = GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("<playback_alsa>snd_pcm_open line_in error! line:"));
    EXPECT_TRUE(sandbox.quoridLog().empty());
}

}  // namespace
