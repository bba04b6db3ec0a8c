#include "main/playback/usb/usb_playlist.h"

#include "main/device_mngr/dm_mount.h"
#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "main/state_mngr/state_mngr.h"
#include "tests/main/am/app_harness.h"
#include "tests/main/playback/usb/stick_walk.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> paths(UsbPbNode* first)
{
    std::vector<std::string> out;
    uint32_t expectIndex = 1;
    const UsbPbNode* prev = nullptr;
    for (const UsbPbNode* n = first; n != nullptr; n = n->next, ++expectIndex) {
        EXPECT_EQ(n->index, expectIndex);
        EXPECT_EQ(n->prev, prev);
        out.emplace_back(n->path);
        prev = n;
    }
    return out;
}

class UsbPlaylistTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        apptest::startFramework();
        playbackUsbResetPlaylist();
        gIsSourceSwitchSeekPlay = 1;
    }
    void TearDown() override
    {
        playbackUsbResetPlaylist();
        dmModifyMntInfo(0, nullptr);
    }

    void file(const std::string& systemPath) { sandbox.write(systemPath, "ID3"); }
    void dir(const std::string& systemPath) { fs::create_directories(sandbox.path(systemPath)); }

    void mount(const char* path)
    {
        DmMntInfo rec{};
        rec.bMnt = 1;
        snprintf(rec.acMntPath, sizeof rec.acMntPath, "%s", path);
        dmModifyMntInfo(1, &rec);
    }

    std::vector<std::string> search(uint32_t* count = nullptr)
    {
        uint32_t n = 12345;
        UsbPbNode* first = playbackUsbDepthFirstSearch(&n, "/data/mnt");
        std::vector<std::string> out = paths(first);
        EXPECT_EQ(n, out.size());
        if (count != nullptr) {
            *count = n;
        }
        playbackUsbFreeList(&first);
        EXPECT_EQ(first, nullptr);
        return out;
    }
};

TEST_F(UsbPlaylistTest, TracksAreNamesHoldingMp3InAnyCaseButNotHidden)
{
    for (const char* name : {"A.MP3", ".hidden.mp3", "song.mp3.txt", "x.wav", "Mixed.Mp3"}) {
        file(std::string("/data/mnt/sda1/") + name);
    }
    const auto found = search();
    EXPECT_EQ(
        std::set<std::string>(found.begin(), found.end()),
        (std::set<std::string>{"/data/mnt/sda1/A.MP3", "/data/mnt/sda1/song.mp3.txt", "/data/mnt/sda1/Mixed.Mp3"}));
}

TEST_F(UsbPlaylistTest, WalkGivesEachDirectorysTracksThenItsSubdirectoriesLastListedFirst)
{
    for (const char* p : {"/data/mnt/sda1/a.mp3", "/data/mnt/sda1/b.mp3", "/data/mnt/sda1/d1/c.mp3",
                          "/data/mnt/sda1/d2/e.mp3", "/data/mnt/sda1/d2/deeper/f.mp3", "/data/mnt/sda1/d2/g.mp3"}) {
        file(p);
    }
    std::vector<std::string> expected = usbtest::expectedWalk(sandbox, "/data/mnt");
    ASSERT_EQ(expected.size(), 6u);
    EXPECT_EQ(search(), expected);
}

TEST_F(UsbPlaylistTest, SymbolicLinksAreNotFollowed)
{
    file("/data/mnt/sda1/real/in.mp3");
    fs::create_directory_symlink(sandbox.path("/data/mnt/sda1/real"), sandbox.path("/data/mnt/sda1/linkdir"));
    fs::create_directory_symlink(sandbox.path("/data/mnt/sda1/real"), sandbox.path("/data/mnt/sda1/link.mp3"));
    const auto found = search();
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()),
              (std::set<std::string>{"/data/mnt/sda1/real/in.mp3", "/data/mnt/sda1/link.mp3"}));
}

TEST_F(UsbPlaylistTest, MoreDirectoriesWaitingThanTheStackStartsWith)
{
    const int dirs = static_cast<int>(USB_PB_DIR_STACK_CAPACITY) + 100;
    for (int i = 0; i < dirs; ++i) {
        dir("/data/mnt/sda1/d" + std::to_string(i));
    }
    file("/data/mnt/sda1/d0/first.mp3");
    file("/data/mnt/sda1/d" + std::to_string(dirs - 1) + "/last.mp3");
    uint32_t count = 0;
    search(&count);
    EXPECT_EQ(count, 2u);
}

TEST_F(UsbPlaylistTest, PathsTheUrlFieldCannotHoldAreLeftOut)
{
    const std::string top = "/data/mnt/sda1/";
    const std::string fits = top + std::string(255 - top.size() - 4, 'f') + ".mp3";
    const std::string tooLong = top + std::string(256 - top.size() - 4, 'l') + ".mp3";
    ASSERT_EQ(fits.size(), 255u);
    file(fits);
    file(tooLong);
    file("/data/mnt/sda1/short.mp3");
    const auto found = search();
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()),
              (std::set<std::string>{fits, "/data/mnt/sda1/short.mp3"}));
}

TEST_F(UsbPlaylistTest, NoTrackAndNoDirectoryGiveNoList)
{
    uint32_t count = 7;
    EXPECT_EQ(playbackUsbDepthFirstSearch(&count, "/data/mnt"), nullptr);  // no such directory
    EXPECT_EQ(count, 0u);
    file("/data/mnt/sda1/readme.txt");
    count = 7;
    EXPECT_EQ(playbackUsbDepthFirstSearch(&count, "/data/mnt"), nullptr);
    EXPECT_EQ(count, 0u);
}

TEST_F(UsbPlaylistTest, WithoutAMountTheListFailsAndTheGuiHearsNoPlaylist)
{
    file("/data/mnt/sda1/a.mp3");
    EXPECT_EQ(playbackUsbUpdatePlaybackList(), -1);
    EXPECT_EQ(playbackUsbGetCurrentIndex(), -1);
    EXPECT_EQ(playbackUsbGetCurrentEntry(), nullptr);
    EXPECT_EQ(sandbox.read(WRAPPER_CALL_LOG), "guiWrapperUsbUDiskMusicStsCbk 1 0\n");

    mount("/data/mnt/sda1");
    ASSERT_EQ(playbackUsbUpdatePlaybackList(), 0);
    EXPECT_EQ(playbackUsbGetTrackCount(), 1u);
    EXPECT_STREQ(playbackUsbGetCurrentEntry()->path, "/data/mnt/sda1/a.mp3");
}

class UsbPlaylistMovesTest : public UsbPlaylistTest {
protected:
    void SetUp() override
    {
        UsbPlaylistTest::SetUp();
        file("/data/mnt/sdb1/other/a.mp3");
        file("/data/mnt/sdb1/other/b.mp3");
        file("/data/mnt/sdb1/other/x.mp3");
        mount("/data/mnt/sdb1");
        ASSERT_EQ(playbackUsbUpdatePlaybackList(), 0);
        ASSERT_EQ(playbackUsbGetTrackCount(), 3u);
    }

    uint32_t current() { return playbackUsbGetCurrentEntry()->index; }

    uint32_t indexOf(const std::string& path)
    {
        for (UsbPbNode* n = playbackUsbGetPlaylistHead(); n != nullptr; n = n->next) {
            if (path == n->path) {
                return n->index;
            }
        }
        return 0;
    }
};

TEST_F(UsbPlaylistMovesTest, ChoiceByNumberIsClampedToTheList)
{
    const struct {
        int32_t wanted;
        uint32_t got;
    } cases[] = {{-4, 1}, {0, 1}, {1, 1}, {2, 2}, {3, 3}, {8, 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(playbackUsbLocateByIndex(playbackUsbGetPlaylistHead(), c.wanted), 0);
        EXPECT_EQ(current(), c.got) << c.wanted;
    }
    EXPECT_EQ(playbackUsbLocateByIndex(nullptr, 2), -1);
    EXPECT_EQ(current(), 3u);  // unchanged
}

TEST_F(UsbPlaylistMovesTest, OrderedLoopWrapsAtBothEndsAndSingleLoopStays)
{
    playbackUsbSetPlayMode(USB_PLAY_MODE_ORDERED_LOOP);
    for (uint32_t expect : {2u, 3u, 1u}) {
        ASSERT_EQ(playbackGstGetNextMusic(), 0);
        EXPECT_EQ(current(), expect);
        EXPECT_EQ(playbackUsbGetCurrentIndex(), static_cast<int32_t>(expect));
    }
    for (uint32_t expect : {3u, 2u, 1u, 3u}) {
        ASSERT_EQ(playbackGstGetPrevMusic(), 0);
        EXPECT_EQ(current(), expect);
    }
    playbackUsbSetPlayMode(USB_PLAY_MODE_SINGLE_LOOP);
    ASSERT_EQ(playbackGstGetNextMusic(), 0);
    EXPECT_EQ(current(), 3u);
    ASSERT_EQ(playbackGstGetPrevMusic(), 0);
    EXPECT_EQ(current(), 3u);

    playbackUsbResetPlaylist();
    EXPECT_EQ(playbackGstGetNextMusic(), -1);
    EXPECT_EQ(playbackGstGetPrevMusic(), -1);
}

TEST_F(UsbPlaylistMovesTest, ResumeRecordIsTheIndexAndPathPaddedTo512Bytes)
{
    playbackUsbLocateByIndex(playbackUsbGetPlaylistHead(), 2);
    ASSERT_EQ(playbackUsbWriteResumeRecord(), 0);
    const std::string record = sandbox.read(USB_PB_RESUME_FILE);
    const std::string text = "2:" + std::string(playbackUsbGetCurrentEntry()->path);
    ASSERT_EQ(record.size(), 512u);
    EXPECT_EQ(record.substr(0, text.size()), text);
    EXPECT_EQ(record.find_first_not_of('\0', text.size()), std::string::npos);

    // A shorter record replaces the longer one whole.
    playbackUsbLocateByIndex(playbackUsbGetPlaylistHead(), 1);
    ASSERT_EQ(playbackUsbWriteResumeRecord(), 0);
    EXPECT_EQ(sandbox.read(USB_PB_RESUME_FILE).size(), 512u);
}

TEST_F(UsbPlaylistMovesTest, RecordedTrackResumesOnlyWithTheSameNameAtTheSameIndex)
{
    const uint32_t x = indexOf("/data/mnt/sdb1/other/x.mp3");
    const uint32_t other = x == 3 ? 2 : 3;
    const std::string xi = std::to_string(x);
    const struct {
        const char* what;
        std::string record;  // empty: no file
        uint32_t resumed;    // index made current
        uint8_t seekPlay;    // gIsSourceSwitchSeekPlay afterwards
    } cases[] = {
        {"same name, other stick and directory", xi + ":/data/mnt/sda1/music/x.mp3", x, 1},
        {"another name at that index", xi + ":/data/mnt/sda1/music/y.mp3", 1, 0},
        {"same name at another index", std::to_string(other) + ":/data/mnt/sda1/music/x.mp3", 1, 0},
        {"index beyond the list", "9:/data/mnt/sdb1/other/x.mp3", 1, 0},
        {"no colon", "garbage", 1, 0},
        {"nothing after the colon", xi + ":", 1, 0},
        {"saved path without a directory", xi + ":x.mp3", 1, 0},
        {"no record", "", 1, 1},
    };
    for (const auto& c : cases) {
        playbackUsbLocateByIndex(playbackUsbGetPlaylistHead(), 1);
        gIsSourceSwitchSeekPlay = 1;
        unlink(sandbox.path(USB_PB_RESUME_FILE).c_str());
        if (!c.record.empty()) {
            std::string padded = c.record;
            padded.resize(512, '\0');
            sandbox.write(USB_PB_RESUME_FILE, padded);
        }
        EXPECT_EQ(playbackUsbChooseResumeTrack(), c.resumed == x && c.seekPlay == 1 && !c.record.empty() ? 1 : 0)
            << c.what;
        EXPECT_EQ(current(), c.resumed) << c.what;
        EXPECT_EQ(gIsSourceSwitchSeekPlay.load(), c.seekPlay) << c.what;
    }
}

}  // namespace
