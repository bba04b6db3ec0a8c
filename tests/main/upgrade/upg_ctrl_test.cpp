// upg_control in the test process: the console's ota_dl, the early-morning check, the end of an
// attempt and the USB-stick upgrade, against a loopback server in a fresh root.
#include "main/upgrade/upg_ctrl.h"

#include "main/device_mngr/dm_mount.h"
#include "main/upgrade/upg_dl_ctrl.h"
#include "main/upgrade/upg_id.h"
#include "main/upgrade/upg_log.h"
#include "platform/sbroot/sb_root.h"
#include "platform/wallclock/wallclock.h"
#include "tests/main/program_runner.h"
#include "tests/main/upgrade/upg_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <sys/stat.h>
#include <thread>

namespace {

using sbtest::HttpRequest;

class UpgCtrlTest : public upgtest::UpgAppTest {
protected:
    size_t idRequests() const
    {
        const auto reqs = server.requests();
        return static_cast<size_t>(std::count_if(
            reqs.begin(), reqs.end(), [](const HttpRequest& r) { return r.line == "GET /upg_id_file.bin HTTP/1.1"; }));
    }

    size_t quoridCount(const std::string& line) const
    {
        const auto log = sandbox.quoridLog();
        return static_cast<size_t>(std::count(log.begin(), log.end(), line));
    }

    bool waitQuorid(const std::string& line, size_t count)
    {
        return waitUntil([&] { return quoridCount(line) >= count; });
    }

    size_t quellipCount(const std::string& args) const
    {
        const auto calls = upgtest::quellipCalls(sandbox);
        return static_cast<size_t>(
            std::count_if(calls.begin(), calls.end(), [&](const upgtest::QuellipCall& c) { return c.args == args; }));
    }

    // The flashing program has ended when its call is recorded.
    bool waitQuellip(const std::string& args, size_t count)
    {
        return waitUntil([&] { return quellipCount(args) >= count; });
    }

    template <typename Pred>
    bool waitUntil(Pred done)
    {
        const auto end = std::chrono::steady_clock::now() + upgtest::kDeadline;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    void mount(const char* path)
    {
        DmMntInfo rec{};
        rec.bMnt = 1;
        strncpy(rec.acMntPath, path, sizeof rec.acMntPath - 1);
        dmModifyMntInfo(1, &rec);
    }

    // Runs everything upg_control was sent before: a USB-stick request behind them is answered
    // only after them.
    void fence()
    {
        mount("/data/mnt/fence");
        const size_t before = quellipCount("/data/mnt/fence");
        sendUsbUpgrade();
        ASSERT_TRUE(waitQuellip("/data/mnt/fence", before + 1));
        dmModifyMntInfo(0, nullptr);
    }
};

TEST_F(UpgCtrlTest, OtaDlWithANewerRemoteVersionStartsTheDownloadAndItsLog)
{
    sandbox.write(UPG_ID_LOCAL_PATH, "Version=7\n");
    server.setFile("/upg_id_file.bin", "Version=8\nFile_Size=1000\nImage_Count=1\n");
    server.setStatus("/update.zip", 404);
    sandbox.write(UPG_LOG_FILE, "a line of the attempt before\n");

    ASSERT_EQ(otaDl(), 0);
    ASSERT_TRUE(waitStatus(UPG_STATUS_FAILED));
    const auto reqs = server.requests();
    ASSERT_GE(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].line, "GET /upg_id_file.bin HTTP/1.1");
    EXPECT_EQ(reqs[1].line, "GET /update.zip HTTP/1.1");  // the download thread's size probe
    EXPECT_EQ(sandbox.read(UPG_ID_TMP_PATH), "Version=8\nFile_Size=1000\nImage_Count=1\n");

    const std::string log = sandbox.read(UPG_LOG_FILE);
    EXPECT_EQ(log.rfind("OTA under processing, Storing log to /data/misc/OTA_UPG.log\nupgDownloadThread ENTRY\n", 0),
              0u)
        << log;
    EXPECT_NE(log.find("[UPG_FAILED_ERR] upgrade failed!"), std::string::npos) << log;
    EXPECT_FALSE(sandbox.exists("/data/misc/update.zip"));
    EXPECT_EQ(sandbox.read(UPG_ID_LOCAL_PATH), "Version=7\n");  // nothing flashed, nothing saved
}

std::atomic<int> gPauses{0};

TEST_F(UpgCtrlTest, APackageServerThatRefusesEveryConnectionFailsTheAttemptAfterSixtyPausedRetries)
{
    upgDlSetDelayFunction([](uint32_t ms) {
        EXPECT_EQ(ms, 1000u);
        ++gPauses;
    });
    sbtest::HttpServer refusing;
    refusing.refuse(true);
    server.setFile("/upg_id_file.bin", "Version=8\nFile_Size=1000\nImage_Count=1\n");
    ASSERT_EQ(setUrl({server.url() + "upg_id_file.bin", refusing.url() + "update.zip"}), 0);

    ASSERT_EQ(otaDl(), 0);
    ASSERT_TRUE(waitStatus(UPG_STATUS_FAILED));
    u_amb_sync_exit_app(UPG_CTRL_APP_NAME);  // the download thread has ended
    EXPECT_EQ(gPauses.load(), 60);
    EXPECT_TRUE(sbtest::containsInOrder(sandbox.read(UPG_LOG_FILE),
                                        {"download failed, err:Couldn't connect to server", "times:0",
                                         "resume download failed", "[UPG_FAILED_ERR] upgrade failed!"}));
    ASSERT_EQ(u_amb_sync_start_app(UPG_CTRL_APP_NAME), 0);
}

TEST_F(UpgCtrlTest, TheVersionDecidesWhetherAnAttemptStarts)
{
    struct Case {
        const char* what;
        const char* remote;
        bool starts;
    };
    const Case cases[] = {
        {"same version", "Version=7\nImage_Count=1\n", false},
        {"forced older version", "Version=3\nForce_Update=true\nImage_Count=1\n", true},
        {"newer version", "Version=8\nImage_Count=1\n", true},
    };
    sandbox.write(UPG_ID_LOCAL_PATH, "Version=7\n");
    server.setStatus("/update.zip", 404);
    size_t seen = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        server.setFile("/upg_id_file.bin", c.remote);
        upgCtrlSetStatus(UPG_STATUS_IDLE);
        testing::internal::CaptureStdout();
        const int result = otaDl();
        ASSERT_TRUE(waitStatus(UPG_STATUS_FAILED));
        // The download thread of a started attempt ends before the next case.
        u_amb_sync_exit_app(UPG_CTRL_APP_NAME);
        const std::string out = testing::internal::GetCapturedStdout();
        ASSERT_EQ(u_amb_sync_start_app(UPG_CTRL_APP_NAME), 0);
        const auto reqs = server.requests();
        const bool fetchedPackage = std::any_of(reqs.begin() + static_cast<long>(seen), reqs.end(),
                                                [](const HttpRequest& r) { return r.path == "/update.zip"; });
        seen = reqs.size();
        EXPECT_EQ(fetchedPackage, c.starts);
        EXPECT_EQ(result, c.starts ? 0 : -1);
        EXPECT_EQ(out.find("system is up-to-date") != std::string::npos, !c.starts) << out;
    }
}

TEST_F(UpgCtrlTest, TheCheckTimerLooksForAnUpgradeOnlyFromFourToSevenInTheMorning)
{
    sandbox.write(UPG_ID_LOCAL_PATH, "Version=7\n");
    server.setFile("/upg_id_file.bin", "Version=7\n");  // up to date: each check ends at once
    struct Case {
        const char* clock;
        uint32_t status;
        bool checks;
    };
    const Case cases[] = {
        {"03:59", UPG_STATUS_IDLE, false}, {"04:00", UPG_STATUS_IDLE, true},       {"06:59", UPG_STATUS_IDLE, true},
        {"07:00", UPG_STATUS_IDLE, false}, {"05:30", UPG_STATUS_CANCELLED, true},  {"05:30", UPG_STATUS_FAILED, true},
        {"05:30", UPG_STATUS_DONE, false}, {"05:30", UPG_STATUS_UPGRADING, false}, {"25:00", UPG_STATUS_IDLE, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.clock) + " in status " + std::to_string(c.status));
        sandbox.write(WALLCLOCK_OVERRIDE_PATH, c.clock);
        upgCtrlSetStatus(c.status);
        const size_t before = idRequests();
        sendTimerExpiry();
        sendTimerExpiry(1);  // another kind of timer does nothing
        fence();
        EXPECT_EQ(idRequests(), before + (c.checks ? 1 : 0));
        EXPECT_EQ(upgCtrlGetStatus(), c.checks ? static_cast<uint32_t>(UPG_STATUS_FAILED) : c.status);
    }
}

TEST_F(UpgCtrlTest, OtaDlDuringAnAttemptIsRefusedAndAfterADoneUpgradeStartsAgain)
{
    server.setFile("/upg_id_file.bin", "Version=1\n");
    upgCtrlSetStatus(UPG_STATUS_UPGRADING);
    testing::internal::CaptureStdout();
    EXPECT_EQ(otaDl(), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("system is now upgrading"), std::string::npos) << out;
    EXPECT_EQ(idRequests(), 0u);
    EXPECT_EQ(upgCtrlGetStatus(), static_cast<uint32_t>(UPG_STATUS_UPGRADING));

    sandbox.write(UPG_ID_LOCAL_PATH, "Version=1\n");
    upgCtrlSetStatus(UPG_STATUS_DONE);
    EXPECT_EQ(otaDl(), -1);  // up to date, but it asked
    EXPECT_EQ(idRequests(), 1u);
    EXPECT_EQ(upgCtrlGetStatus(), static_cast<uint32_t>(UPG_STATUS_FAILED));
}

// "/tmp" is RAM on the board: a body without end fills it no further than the ID file's bound.
TEST_F(UpgCtrlTest, AnIdFileWithoutEndIsCutAtItsBoundAndFailsTheCheck)
{
    server.setFile("/upg_id_file.bin", "Version=8\nFile_Size=1000\nImage_Count=1\n");
    server.setEndless("/upg_id_file.bin", true);
    std::atomic<bool> fetching{true};
    std::atomic<off_t> largest{0};
    std::thread watcher([&] {
        const std::string path = sb::path(UPG_ID_TMP_PATH);
        while (fetching) {
            struct stat st {};
            if (stat(path.c_str(), &st) == 0) {
                largest = std::max(largest.load(), st.st_size);
            }
            std::this_thread::yield();
        }
    });
    testing::internal::CaptureStdout();
    const int result = otaDl();
    const std::string out = testing::internal::GetCapturedStdout();
    fetching = false;
    watcher.join();

    EXPECT_EQ(result, -1);
    // The bound cut the body: a watcher that never saw the file (a fast fetch on a busy host) still
    // knows the fetch ran into it.
    EXPECT_NE(out.find("ID file larger than 65536 bytes, refused"), std::string::npos) << out;
    EXPECT_EQ(upgCtrlGetStatus(), static_cast<uint32_t>(UPG_STATUS_FAILED));
    EXPECT_FALSE(sandbox.exists(UPG_ID_TMP_PATH));
    EXPECT_LE(largest.load(), 64 * 1024);
    EXPECT_EQ(idRequests(), 1u);
}

TEST_F(UpgCtrlTest, AnIdFileAnsweredWithAnErrorFailsTheCheckAndStoresNothing)
{
    server.setStatus("/upg_id_file.bin", 404);
    EXPECT_EQ(otaDl(), -1);
    EXPECT_EQ(upgCtrlGetStatus(), static_cast<uint32_t>(UPG_STATUS_FAILED));
    EXPECT_FALSE(sandbox.exists(UPG_ID_TMP_PATH));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_FALSE(sandbox.exists(UPG_ID_LOCAL_PATH));
}

TEST_F(UpgCtrlTest, TheEndOfAnAttemptSavesTheIdFileAndRebootsOnlyWhenItSucceeded)
{
    // Done after a flashing failure: no reboot, the status stays.
    upgCtrlSetStatus(UPG_STATUS_CANCELLED);
    sendInternal(UPG_MSG_DONE);
    fence();
    EXPECT_EQ(upgCtrlGetStatus(), static_cast<uint32_t>(UPG_STATUS_CANCELLED));

    // Done without a fetched ID file: the attempt fails instead of staying in progress.
    upgCtrlSetStatus(UPG_STATUS_UPGRADING);
    sendInternal(UPG_MSG_DONE);
    fence();
    EXPECT_EQ(upgCtrlGetStatus(), static_cast<uint32_t>(UPG_STATUS_FAILED));
    EXPECT_EQ(quoridCount(UPG_REBOOT_CMD), 0u);

    upgCtrlSetStatus(UPG_STATUS_UPGRADING);
    sendInternal(UPG_MSG_FAILED);
    fence();
    EXPECT_EQ(upgCtrlGetStatus(), static_cast<uint32_t>(UPG_STATUS_FAILED));

    sandbox.write(UPG_ID_TMP_PATH, "Version=12\n");
    upgCtrlSetStatus(UPG_STATUS_UPGRADING);
    sendInternal(UPG_MSG_DONE);
    ASSERT_TRUE(waitQuorid(UPG_REBOOT_CMD, 1));
    EXPECT_EQ(upgCtrlGetStatus(), static_cast<uint32_t>(UPG_STATUS_DONE));
    EXPECT_EQ(sandbox.read(UPG_ID_LOCAL_PATH), "Version=12\n");
}

TEST_F(UpgCtrlTest, TheUsbStickUpgradeFlashesTheMountedStickOnly)
{
    mount("/data/mnt/sda1");
    sendUsbUpgrade();
    ASSERT_TRUE(waitQuellip("/data/mnt/sda1", 1));
    const auto calls = upgtest::quellipCalls(sandbox);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args, "/data/mnt/sda1");

    // A mount path that is more than a path never reaches a command line; without a stick there is
    // nothing to flash.
    mount("/data/mnt/sd$(reboot)");
    EXPECT_EQ(upgCtrlUsbUpgradeEvent(), -1);
    dmModifyMntInfo(0, nullptr);
    EXPECT_EQ(upgCtrlUsbUpgradeEvent(), -1);
    for (const auto& line : sandbox.quoridLog()) {
        EXPECT_EQ(line.find("reboot"), std::string::npos) << line;
    }
    EXPECT_EQ(upgtest::quellipCalls(sandbox).size(), 1u);
    EXPECT_EQ(upgCtrlGetStatus(), static_cast<uint32_t>(UPG_STATUS_IDLE));
}

TEST_F(UpgCtrlTest, ARecoveryUpgradeFromTheStickFlashesRenamesAndReboots)
{
    mount("/data/mnt/sdb1");
    EXPECT_EQ(upgCtrlUsbMountEventHandle(), -1);  // no package on the stick
    EXPECT_EQ(upgtest::quellipCalls(sandbox).size(), 0u);

    sandbox.write("/data/mnt/sdb1/update/update.zip", "zip");
    ASSERT_EQ(upgCtrlUsbMountEventHandle(), 0);
    const auto log = sandbox.quoridLog();
    const std::vector<std::string> expected{
        "quellip /data/mnt/sdb1/update/update.zip /data/mnt/sdb1/",
        "mv /data/mnt/sdb1/update/update.zip /data/mnt/sdb1/update/update_normal.zip",
        "quellip reboot-recovery",
        "reboot -f",
    };
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(sandbox.exists("/data/mnt/sdb1/update/update_normal.zip"));
    const auto calls = upgtest::quellipCalls(sandbox);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].length, "3");
    EXPECT_EQ(calls[0].sha256, upgtest::sha256Hex("zip"));
    dmModifyMntInfo(0, nullptr);
}

}  // namespace
