#include "platform/sbalsa/sb_alsa.h"

#include "tests/support/sandbox.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

std::string le(uint32_t v, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i) {
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    return s;
}

std::string wav16Stereo(uint32_t rate, const std::string& data)
{
    return "RIFF" + le(36 + static_cast<uint32_t>(data.size()), 4) + "WAVE" + "fmt " + le(16, 4) + le(1, 2) + le(2, 2) +
           le(rate, 4) + le(rate * 4, 4) + le(4, 2) + le(16, 2) + "data" + le(static_cast<uint32_t>(data.size()), 4) +
           data;
}

std::string pattern(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        s[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    }
    return s;
}

// Runs the host's aplay (never under the board's emulator) with this test's environment.
int runAplay(const std::string& device, const std::string& file)
{
    std::vector<std::string> words = {"aplay", "-q", "-D", device, file};
    std::vector<char*> argv;
    for (auto& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, "aplay", nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

using SbAlsaTest = sbtest::SandboxTest;

TEST_F(SbAlsaTest, NamesMapOntoFilesInTheRoot)
{
    EXPECT_EQ("/sim/alsa/main.out", sb::pcmOutput("main"));
    EXPECT_EQ("/sim/alsa/track4.out", sb::pcmOutput("track:4"));
    EXPECT_EQ("/sim/alsa/hw1_0.out", sb::pcmOutput("hw:1,0"));
    EXPECT_EQ("/sim/alsa/hw0_1.in", sb::pcmInput("hw:0,1"));
    EXPECT_EQ("/sim/alsa/line_in.in", sb::pcmInput("line_in"));
    EXPECT_EQ(sandbox.path(SB_ALSA_CONFIG), std::string(getenv("ALSA_CONFIG_PATH")));
}

TEST_F(SbAlsaTest, AplayWritesItsSamplesToThePcmFile)
{
    const std::string data = pattern(4000);
    sandbox.write("/data/t.wav", wav16Stereo(48000, data));
    for (const char* device : {"main", "track:4", "hw:1,0"}) {
        SCOPED_TRACE(device);
        ASSERT_EQ(0, runAplay(device, sandbox.path("/data/t.wav")));
        const std::string out = sandbox.read(sb::pcmOutput(device));
        // aplay pads its last period with silence.
        ASSERT_GE(out.size(), data.size());
        EXPECT_EQ(data, out.substr(0, data.size()));
        EXPECT_EQ(std::string(out.size() - data.size(), '\0'), out.substr(data.size()));
    }
}

TEST_F(SbAlsaTest, CaptureReadsThePreparedInput)
{
    const std::string input = pattern(4 * 256);
    sandbox.write(sb::pcmInput("hw:0,1"), input);
    snd_pcm_t* pcm = nullptr;
    ASSERT_EQ(0, snd_pcm_open(&pcm, "hw:0,1", SND_PCM_STREAM_CAPTURE, 0));
    ASSERT_EQ(0, snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 2, 44100, 0, 80000));
    std::string got(input.size(), '\0');
    ASSERT_EQ(256, snd_pcm_readi(pcm, got.data(), 256));
    EXPECT_EQ(input, got);
    snd_pcm_close(pcm);

    // Without its prepared input a capture device does not open.
    EXPECT_LT(snd_pcm_open(&pcm, "line_in", SND_PCM_STREAM_CAPTURE, 0), 0);
}

}  // namespace
