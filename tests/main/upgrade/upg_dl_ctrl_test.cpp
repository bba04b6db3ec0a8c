// Ranged fetches against the loopback server: resumption at the right offset, refused connections,
// a transfer that ends in an error after every byte arrived, the size probe and cancellation.
#include "main/upgrade/upg_dl_ctrl.h"

#include "main/upgrade/upg_download.h"
#include "main/upgrade/upg_id.h"
#include "main/upgrade/upg_pkg.h"
#include "tests/main/upgrade/upg_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <vector>

namespace {

using sbtest::HttpRequest;

// The pauses the resumption asked for, and what the test does at each.
struct Pauses {
    std::mutex lock;
    std::vector<uint32_t> ms;
    std::function<void(size_t)> onPause;
};
Pauses gPauses;

void recordPause(uint32_t ms)
{
    std::function<void(size_t)> hook;
    size_t n = 0;
    {
        std::lock_guard<std::mutex> guard(gPauses.lock);
        gPauses.ms.push_back(ms);
        n = gPauses.ms.size();
        hook = gPauses.onPause;
    }
    if (hook) {
        hook(n);
    }
}

class UpgDlCtrlTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        upgCtrlSetStatus(UPG_STATUS_IDLE);
        ASSERT_EQ(upgDlSetUrl(server.url().c_str(), nullptr), 0);
        upgDlSetDelayFunction(recordPause);
        std::lock_guard<std::mutex> guard(gPauses.lock);
        gPauses.ms.clear();
        gPauses.onPause = nullptr;
    }
    void TearDown() override
    {
        upgDlCtrlClean(&gDlControl);
        upgDlSetDelayFunction(nullptr);
        upgCtrlSetStatus(UPG_STATUS_IDLE);
    }

    // The control record of a normal-mode fetch of `content`, its save file open.
    UpgDlControl* startPackage(const std::string& content)
    {
        server.setFile("/update.zip", content);
        UpgDlControl* ctrl = &gDlControl;
        EXPECT_EQ(upgDlCtrlInit(ctrl, UPG_PKG_DIR, static_cast<int32_t>(content.size()), 0), 0);
        EXPECT_EQ(upgDlReopenPkgSaveFile(ctrl), 0);
        EXPECT_EQ(upgDlCurlInit(ctrl, upgDlGetPkgCallback), 0);
        upgDlCtrlReset(ctrl);
        return ctrl;
    }

    std::vector<HttpRequest> dataRequests() const
    {
        auto all = server.requests();
        all.erase(all.begin());  // the size probe
        return all;
    }

    size_t pauses()
    {
        std::lock_guard<std::mutex> guard(gPauses.lock);
        for (uint32_t ms : gPauses.ms) {
            EXPECT_EQ(ms, 1000u);
        }
        return gPauses.ms.size();
    }

    sbtest::HttpServer server;
};

TEST_F(UpgDlCtrlTest, ADroppedPackageFetchResumesWhereTheBytesStopped)
{
    const std::string content = upgtest::patternBytes(300000, 1);
    UpgDlControl* ctrl = startPackage(content);
    server.dropAt("/update.zip", 123457);
    ASSERT_EQ(upgDlGetPkgFromOffset(ctrl, 0, static_cast<uint32_t>(content.size())), 0);
    fflush(ctrl->mSaveFp);

    const auto reqs = dataRequests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].line, "GET /update.zip HTTP/1.1");
    EXPECT_EQ(reqs[0].range, "");
    EXPECT_EQ(reqs[1].range, "bytes=123457-");
    EXPECT_EQ(ctrl->mDownloadedSize, content.size());
    EXPECT_EQ(sandbox.read("/data/misc/update.zip"), content);
    EXPECT_EQ(pauses(), 0u);  // a drop is retried at once
}

TEST_F(UpgDlCtrlTest, ADroppedHeaderFetchResumesAtItsOwnOffsetIntoTheSameBuffer)
{
    const std::string content = upgtest::patternBytes(4096, 2);
    UpgDlControl* ctrl = startPackage(content);
    upgDlCurlClean(ctrl);
    ASSERT_EQ(upgDlCurlInit(ctrl, upgDlGetHeaderCallback), 0);
    server.dropAt("/update.zip", 1000 + 50);

    uint8_t buf[UPG_PKG_HEADER_FETCH] = {};
    upgDlCtrlReset(ctrl);
    ctrl->mRequestSize = UPG_PKG_HEADER_FETCH;
    ctrl->mRequestHeader = 1;
    ctrl->mPkgHeaderBuf = buf;
    ASSERT_EQ(upgDlGetPkgFromOffset(ctrl, 1000, UPG_PKG_HEADER_FETCH), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), sizeof buf), content.substr(1000, UPG_PKG_HEADER_FETCH));

    const auto reqs = dataRequests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].range, "bytes=1000-");
    EXPECT_EQ(reqs[1].range, "bytes=1050-");
}

TEST_F(UpgDlCtrlTest, RefusedConnectionsAreRetriedASecondApartAtMostSixtyTimes)
{
    const std::string content = upgtest::patternBytes(1000, 3);
    UpgDlControl* ctrl = startPackage(content);
    server.refuse(true);
    EXPECT_EQ(upgDlGetPkgFromOffset(ctrl, 0, static_cast<uint32_t>(content.size())), -1);
    EXPECT_EQ(pauses(), 60u);
    EXPECT_EQ(dataRequests().size(), 0u);
}

TEST_F(UpgDlCtrlTest, AServerBackAfterRefusalsGivesThePackage)
{
    const std::string content = upgtest::patternBytes(1000, 4);
    UpgDlControl* ctrl = startPackage(content);
    server.refuse(true);
    {
        std::lock_guard<std::mutex> guard(gPauses.lock);
        gPauses.onPause = [this](size_t n) {
            if (n == 3) {
                server.refuse(false);
            }
        };
    }
    ASSERT_EQ(upgDlGetPkgFromOffset(ctrl, 0, static_cast<uint32_t>(content.size())), 0);
    fflush(ctrl->mSaveFp);
    EXPECT_EQ(pauses(), 3u);
    EXPECT_EQ(dataRequests().size(), 1u);
    EXPECT_EQ(sandbox.read("/data/misc/update.zip"), content);
}

TEST_F(UpgDlCtrlTest, ATransferThatFailsAfterEveryByteArrivedIsComplete)
{
    const std::string content = upgtest::patternBytes(5000, 5);
    UpgDlControl* ctrl = startPackage(content);
    // The body ends short of the announced length: the transfer ends in an error.
    server.announceLength("/update.zip", static_cast<int64_t>(content.size()) + 100);
    ASSERT_EQ(upgDlGetPkgFromOffset(ctrl, 0, static_cast<uint32_t>(content.size())), 0);
    EXPECT_EQ(dataRequests().size(), 1u);
    fflush(ctrl->mSaveFp);
    EXPECT_EQ(sandbox.read("/data/misc/update.zip"), content);
}

TEST_F(UpgDlCtrlTest, ACancelledAttemptAbortsTheFetchWithoutRetries)
{
    const std::string content = upgtest::patternBytes(5000, 6);
    UpgDlControl* ctrl = startPackage(content);
    upgCtrlSetStatus(UPG_STATUS_CANCELLED);
    EXPECT_EQ(upgDlGetPkgFromOffset(ctrl, 0, static_cast<uint32_t>(content.size())), -1);
    EXPECT_EQ(dataRequests().size(), 1u);
    EXPECT_EQ(ctrl->mDownloadedSize, 0u);
}

TEST_F(UpgDlCtrlTest, AWaitBegunAfterTheAttemptWasCancelledEndsWithoutAFlash)
{
    // The exit cancels the attempt and releases the wake flags once; a download thread still
    // checking its data clears its flag after that and asks for a flash that will never run.
    UpgDlControl* ctrl = &gDlControl;
    upgCtrlSetStatus(UPG_STATUS_CANCELLED);
    for (uint8_t* flag : {&ctrl->mIsRequestDone, &ctrl->mImg[0].mUnitFlashed}) {
        upgDlSetFlag(ctrl, flag, 0);
        auto waiter = std::async(std::launch::async, [ctrl, flag] { upgDownloadWait(ctrl, flag); });
        const bool ended = waiter.wait_for(upgtest::kDeadline) == std::future_status::ready;
        if (!ended) {
            upgDownloadWakeUp(ctrl, flag);  // let the test end
        }
        ASSERT_TRUE(ended);
    }
}

TEST_F(UpgDlCtrlTest, TheProbeAmendsThePackageSizeOnlyWhenTheServerNamesAnother)
{
    const std::string content(777, 'p');
    server.setFile("/update.zip", content);
    struct Case {
        const char* what;
        int32_t idSize;
        int64_t announced;  // 0: the true length
        bool missing;
        int32_t expected;
    };
    const Case cases[] = {
        {"same length", 777, 0, false, 777},
        {"another length", 500, 0, false, 777},
        {"a wrong announcement", 777, 900, false, 900},
        {"no package", 500, 0, true, 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.announced != 0) {
            server.announceLength("/update.zip", c.announced);
        }
        server.setStatus("/update.zip", c.missing ? 404 : 0);
        if (!c.missing) {
            server.setFile("/update.zip", content);
        }
        ASSERT_EQ(upgDlCtrlInit(&gDlControl, UPG_PKG_DIR, c.idSize, 0), 0);
        EXPECT_EQ(gDlControl.mPkgSize, c.expected);
        EXPECT_STREQ(gDlControl.mSavePath, "/data/misc/update.zip");
        EXPECT_EQ(gDlControl.mUrl, server.url() + "update.zip");
        upgDlCtrlClean(&gDlControl);
        EXPECT_FALSE(sandbox.exists("/data/misc/update.zip"));
    }
}

TEST_F(UpgDlCtrlTest, AStalledTransferIsCutAndResumed)
{
    const std::string content = upgtest::patternBytes(200000, 7);
    UpgDlControl* ctrl = startPackage(content);
    server.stallAt("/update.zip", 70000);
    ASSERT_EQ(upgDlGetPkgFromOffset(ctrl, 0, static_cast<uint32_t>(content.size())), 0);
    fflush(ctrl->mSaveFp);
    const auto reqs = dataRequests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[1].range, "bytes=70000-");
    EXPECT_EQ(sandbox.read("/data/misc/update.zip"), content);
}

}  // namespace
