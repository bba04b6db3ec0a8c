// The WAV path of playback_usb, driven by its console command as a person would: real WAV files on
// a stick in the test's root, the real ALSA library playing "track:4" into a fifo that the test
// reads, the real application manager and a recording application in the state manager's place.
#include "main/playback/usb/playback_usb.h"

#include "main/cli/cli.h"
#include "main/device_mngr/dm_mount.h"
#include "main/playback/usb/usb_pb_wav.h"
#include "main/state_mngr/state_mngr.h"
#include "platform/sbalsa/sb_alsa.h"
#include "tests/main/am/app_harness.h"
#include "tests/main/playback/usb/usb_app_fixture.h"
#include "tests/support/app_support.h"
#include "tests/support/sandbox.h"
#include "tests/support/wav_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr uint32_t kInformStopped = 0x03000000;
constexpr uint32_t kInformPlaying = 0x03010000;
constexpr uint32_t kInformPaused = 0x03030000;

using wavbytes::le16;
using wavbytes::le32;
using wavbytes::riff;

// A chunk with the pad byte that keeps the next one at an even offset.
std::string chunk(const std::string& id, const std::string& payload)
{
    std::string c = wavbytes::chunk(id, payload);
    if (payload.size() % 2 != 0) {
        c += '\0';
    }
    return c;
}

std::string fmtChunk(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign)
{
    return chunk("fmt ", wavbytes::fmtPayload(tag, channels, rate, blockAlign, bits));
}

// Sample bytes that show their order and are never all zero.
std::string samples(size_t n, uint8_t seed)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        s[i] = static_cast<char>(1 + (i * 7 + seed) % 251);
    }
    return s;
}

// A canonical 44-byte-header file, 48 kHz stereo 16-bit.
std::string canonicalWav(const std::string& data)
{
    return riff(fmtChunk(1, 2, 48000, 16, 4) + chunk("data", data));
}

// The output of PCM "track:4" as a fifo: the test sees each open-to-close of the PCM as one pass
// and, once it drains, never holds the player up.
class TrackFifo {
public:
    explicit TrackFifo(const sbtest::Sandbox& sandbox) : path_(sandbox.path(sb::pcmOutput("track:4")))
    {
        std::filesystem::create_directories(std::filesystem::path(path_).parent_path());
        std::filesystem::remove(path_);
        EXPECT_EQ(mkfifo(path_.c_str(), 0644), 0) << strerror(errno);
        // A reader from the start, so the PCM's open never waits for the test.
        reader_ = open(path_.c_str(), O_RDONLY | O_NONBLOCK);
        EXPECT_GE(reader_, 0);
    }

    ~TrackFifo()
    {
        stop_ = true;
        if (drainer_.joinable()) {
            drainer_.join();
        }
        for (int fd : {reader_, both_}) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }

    // Everything written between the PCM's next open and its close; with `skipEmpty`, an open
    // and close without anything written (a device that refused its parameters) does not count.
    std::string onePass(bool skipEmpty = true)
    {
        std::string got;
        const auto deadline = std::chrono::steady_clock::now() + apptest::kDeadline;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{reader_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) {
                continue;
            }
            char buf[65536];
            const ssize_t n = read(reader_, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, static_cast<size_t>(n));
            } else if (n == 0) {
                // A fresh reader: the old one would report this end again at once.
                close(reader_);
                reader_ = open(path_.c_str(), O_RDONLY | O_NONBLOCK);
                if (!got.empty() || !skipEmpty) {
                    return got;
                }
            }
        }
        ADD_FAILURE() << "the PCM never closed its output";
        return got;
    }

    // Reads and drops whatever comes from now on, so the player never blocks on its output.
    void drain()
    {
        if (drainer_.joinable()) {
            return;
        }
        both_ = open(path_.c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(both_, 0);
        drainer_ = std::thread([this] {
            while (!stop_) {
                pollfd p{both_, POLLIN, 0};
                if (poll(&p, 1, 20) > 0) {
                    char buf[65536];
                    while (read(both_, buf, sizeof buf) > 0) {
                    }
                }
            }
        });
    }

private:
    std::string path_;
    int reader_ = -1;
    int both_ = -1;
    std::atomic<bool> stop_{false};
    std::thread drainer_;
};

class PlaybackUsbWavTest : public usbtest::UsbAppTest {
protected:
    void SetUp() override
    {
        UsbAppTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        track_ = std::make_unique<TrackFifo>(sandbox);
    }

    void TearDown() override
    {
        if (running_) {
            // The drain keeps the fifo open for the player until the application has gone.
            track_->drain();
            EXPECT_EQ(u_amb_sync_exit_app(PLAYBACK_USB_APP_NAME), 0);
        }
        track_.reset();
        dmModifyMntInfo(0, nullptr);
    }

    // Files on a stick at "/data/mnt/sda1" (an empty content makes a dangling link: a track
    // that cannot be opened), announced as the device manager does.
    void mountStick(std::initializer_list<std::pair<const char*, std::string>> files)
    {
        for (const auto& [name, content] : files) {
            const std::string at = "/data/mnt/sda1/" + std::string(name);
            if (content.empty()) {
                std::filesystem::create_directories(std::filesystem::path(sandbox.path(at)).parent_path());
                std::filesystem::create_symlink("/nowhere/at/all", sandbox.path(at));
            } else {
                sandbox.write(at, content);
            }
        }
        DmMntInfo rec{};
        rec.bMnt = 1;
        snprintf(rec.acMntPath, sizeof rec.acMntPath, "/data/mnt/sda1");
        dmModifyMntInfo(1, &rec);
    }

    static void alsa(int id) { ASSERT_EQ(u_cli_parser(("app.pbusb.alsa " + std::to_string(id)).c_str()), 0); }

    static size_t count(const std::string& text, const std::string& what)
    {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
            ++n;
        }
        return n;
    }

    std::unique_ptr<TrackFifo> track_;
};

// What a pass of the output must be: the data in order, then silence up to the end of the period.
void expectPlayed(const std::string& out, const std::string& data)
{
    ASSERT_GT(out.size(), data.size()) << "the last period is padded";
    const auto differ = std::mismatch(data.begin(), data.end(), out.begin());
    EXPECT_TRUE(differ.first == data.end()) << "first wrong byte at " << (differ.first - data.begin()) << " of "
                                            << data.size() << " (output " << out.size() << " bytes)";
    EXPECT_EQ(out.find_first_not_of('\0', data.size()), std::string::npos) << "padding is silence";
    EXPECT_LT(out.size() - data.size(), 48000u) << "at most one period of padding";
}

struct WavCase {
    const char* name;
    std::string file;
    std::string data;  // what it plays, when it plays
    bool plays;
    const char* logged;  // a further line the parse logs, or ""
};

TEST_F(PlaybackUsbWavTest, PlaysPlayableFilesAndSkipsTheOthersToTheNextTrack)
{
    const std::string data = samples(10000, 3);
    const std::string data24 = samples(6 * 1001, 5);
    const std::string fallback = samples(7000, 9);
    const std::string fmt16 = fmtChunk(1, 2, 48000, 16, 4);
    // 24 bits in 3-byte containers, stereo, in the extensible form with sub-format PCM.
    const std::string ext24 = chunk(
        "fmt ", le16(0xFFFE) + le16(2) + le32(48000) + le32(48000 * 6) + le16(6) + le16(24) + le16(22) + le16(24) +
                    le32(3) + le16(1) + std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14));
    const std::string wholeFile = canonicalWav(data);
    const WavCase cases[] = {
        {"44-byte header", wholeFile, data, true, ""},
        {"odd-length LIST chunk", riff(fmt16 + chunk("LIST", "INFOabc") + chunk("data", data)), data, true, ""},
        {"extensible 24 bits in 3 bytes", riff(ext24 + chunk("data", data24)), data24, true,
         "<wav_parser>format is changed to S24_3LE"},
        {"streamed data length", riff(fmt16) + "data" + le32(0xFFFFFFFF) + data, data, true, ""},
        {"AC3 over S/PDIF", riff(fmtChunk(0x0092, 2, 48000, 16, 4) + chunk("data", data)), "", false,
         "not PCM or FLOAT encoded"},
        {"cut inside the header", wholeFile.substr(0, 30), "", false, ""},
        {"chunk of length 0xFFFFFFFF", riff(fmt16) + "junk" + le32(0xFFFFFFFF) + "abcd", "", false, ""},
        // Parsed, but no period fits a buffer of this rate: the device refuses the parameters.
        {"a rate of 1 Hz", riff(fmtChunk(1, 2, 1, 16, 4) + chunk("data", data)), "", false, "set alsa hw params fail"},
    };
    for (const WavCase& c : cases) {
        SCOPED_TRACE(c.name);
        // The file under test comes first; the fallback track and a track that cannot be opened
        // follow (subdirectories are walked after the files), which ends the sequence there.
        mountStick({{"t1.mp3.wav", c.file}, {"z/t2.mp3.wav", canonicalWav(fallback)}, {"z/zz/gone.mp3", ""}});
        if (c.plays) {
            std::filesystem::remove(sandbox.path("/data/mnt/sda1/z/t2.mp3.wav"));
        }
        startApp();
        testing::internal::CaptureStdout();
        alsa(1);
        const std::string out = track_->onePass();
        ASSERT_TRUE(smReceives(kInformPlaying));
        alsa(10);
        ASSERT_TRUE(smReceives(kInformStopped));
        EXPECT_EQ(uPlaybackUsbGetPlaybackStatus(), 0);
        fflush(stdout);
        const std::string log = testing::internal::GetCapturedStdout();

        expectPlayed(out, c.plays ? c.data : fallback);
        const bool parses = c.plays || std::strcmp(c.logged, "set alsa hw params fail") == 0;
        const std::string parsed = parses ? "parser usb wav file /data/mnt/sda1/t1.mp3.wav ok"
                                          : "parser usb wav file /data/mnt/sda1/t1.mp3.wav fail";
        EXPECT_NE(log.find(parsed), std::string::npos) << log;
        EXPECT_EQ(log.find("goto playback next wav") != std::string::npos, !c.plays) << log;
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        EXPECT_NE(log.find("alsa stop starting"), std::string::npos) << log;
        EXPECT_NE(log.find("alsa stop finished"), std::string::npos) << log;

        EXPECT_EQ(u_amb_sync_exit_app(PLAYBACK_USB_APP_NAME), 0);
        running_ = false;
        std::filesystem::remove_all(sandbox.path("/data/mnt/sda1"));
        track_ = std::make_unique<TrackFifo>(sandbox);
    }
}

TEST_F(PlaybackUsbWavTest, PausesResumesAndStops)
{
    // Far more than the fifo holds: the player is still inside the file when the test pauses.
    mountStick({{"big.mp3.wav", canonicalWav(samples(1 << 20, 1))}, {"z/gone.mp3", ""}});
    startApp();
    alsa(1);
    ASSERT_TRUE(smReceives(kInformPlaying));  // the thread starts
    ASSERT_TRUE(smReceives(kInformPlaying));  // the first period is out
    EXPECT_EQ(uPlaybackUsbGetPlaybackStatus(), 1);

    alsa(6);
    ASSERT_TRUE(smReceives(kInformPaused));
    alsa(6);
    // The player may be held up writing a period; the pause waits for that period.
    track_->drain();
    ASSERT_TRUE(smReceives(kInformPlaying));

    testing::internal::CaptureStdout();
    alsa(10);
    ASSERT_TRUE(smReceives(kInformStopped));
    fflush(stdout);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("alsa stop starting"), std::string::npos) << log;
    EXPECT_NE(log.find("alsa stop finished"), std::string::npos) << log;
    EXPECT_EQ(uPlaybackUsbGetPlaybackStatus(), 0);

    // Stopped already: still reported.
    alsa(10);
    EXPECT_TRUE(smReceives(kInformStopped));
}

TEST_F(PlaybackUsbWavTest, AnEmptyDataChunkPlaysNothingAndTheThreadEndsByItself)
{
    mountStick({{"empty.mp3.wav", canonicalWav("")}, {"z/gone.mp3", ""}});
    startApp();
    for (int run = 0; run < 2; ++run) {
        alsa(1);
        // The PCM was opened for the file and closed again when the thread ended.
        EXPECT_EQ(track_->onePass(false), "");
        alsa(10);
        for (size_t n = smSeen_ + 1; sm().waitMessages(n); ++n) {
            const apptest::ReceivedMsg m = sm().messages()[n - 1];
            smSeen_ = n;
            if (m.msgId != E_APP_MSG_TYPE_STATE_MNGR || m.data.size() != sizeof(appmsg_t)) {
                continue;
            }
            uint32_t word = 0;
            std::memcpy(&word, m.data.data() + 4, 4);
            EXPECT_NE(word, kInformPlaying) << run;
            if (word == kInformStopped) {
                break;
            }
        }
        EXPECT_EQ(uPlaybackUsbGetPlaybackStatus(), 0);
    }
}

TEST_F(PlaybackUsbWavTest, AListWithNothingPlayableStopsAfterOnePass)
{
    mountStick({{"a.mp3", "ID3"}, {"b.mp3", "ID3"}, {"d/c.mp3.wav", riff(fmtChunk(0x0092, 2, 48000, 16, 4))}});
    startApp();
    testing::internal::CaptureStdout();
    alsa(1);
    ASSERT_TRUE(smReceives(kInformStopped));
    alsa(12);  // the state check, handled once the skipping is over
    alsa(10);
    ASSERT_TRUE(smReceives(kInformStopped));
    fflush(stdout);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(count(log, "parser usb wav file"), 3u) << log;
    EXPECT_EQ(count(log, "goto playback next wav"), 2u) << log;
    EXPECT_EQ(uPlaybackUsbGetPlaybackStatus(), 0);
}

TEST_F(PlaybackUsbWavTest, APassOfRefusedParametersWhilePlayingStopsTheThread)
{
    // No period fits a buffer at 1 Hz: the device refuses these files after they parse.
    const std::string refused = riff(fmtChunk(1, 2, 1, 16, 4) + chunk("data", samples(400, 4)));
    mountStick(
        {{"t1.mp3.wav", canonicalWav(samples(1 << 20, 1))}, {"z/r1.mp3.wav", refused}, {"z/r2.mp3.wav", refused}});
    startApp();
    alsa(1);
    ASSERT_TRUE(smReceives(kInformPlaying));
    // While the thread plays the first track, it is replaced by a refused one (the open file
    // stays as it was).
    sandbox.write("/data/mnt/sda1/t1.new", refused);
    std::filesystem::rename(sandbox.path("/data/mnt/sda1/t1.new"), sandbox.path("/data/mnt/sda1/t1.mp3.wav"));
    track_->drain();
    // The whole list refused while the thread runs: the skipping stops it and reports stopped.
    ASSERT_TRUE(smReceives(kInformStopped));
    EXPECT_EQ(uPlaybackUsbGetPlaybackStatus(), 0);
}

TEST_F(PlaybackUsbWavTest, RapidCommandsWhileTracksChange)
{
    track_->drain();
    mountStick({{"a.mp3.wav", canonicalWav(samples(30000, 1))},
                {"b.mp3.wav", canonicalWav(samples(5000, 2))},
                {"c.mp3.wav", canonicalWav(samples(20000, 3))}});
    startApp();
    const auto post = [](uint32_t id) {
        usb_pb_msg_t msg{};
        msg.ui4Path = USB_PB_PATH_PCM;
        msg.ui4Id = id;
        while (uPlaybackUsbSendMsg(&msg) != 0) {
            std::this_thread::yield();  // the queue is full for a moment
        }
    };
    // Each round starts playing, throws track changes, pauses and a second thread start at the
    // playing thread without waiting, and stops in the middle of them.
    const uint32_t burst[] = {USB_PB_NEXT, USB_PB_PREVIOUS,   USB_PB_NEXT,     USB_PB_PAUSE,
                              USB_PB_NEXT, USB_PB_PLAY_PAUSE, USB_PB_PREVIOUS, USB_PB_CREATE_PB_THREAD,
                              USB_PB_PLAY, USB_PB_NEXT,       USB_PB_STOP,     USB_PB_PREVIOUS};
    for (int round = 0; round < 25; ++round) {
        post(USB_PB_CREATE_PB_LIST);
        ASSERT_TRUE(smReceives(kInformPlaying)) << round;
        for (uint32_t id : burst) {
            post(id);
        }
        ASSERT_TRUE(smReceives(kInformStopped)) << round;
        // The previous after the stop starts playing again; the next round's stop ends that.
        post(USB_PB_STOP);
        ASSERT_TRUE(smReceives(kInformStopped)) << round;
    }
    EXPECT_EQ(uPlaybackUsbGetPlaybackStatus(), 0);
}

}  // namespace
