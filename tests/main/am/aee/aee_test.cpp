#include "main/am/aee/aee.h"

#include "main/cli/cli.h"
#include "main/mw/handle/handle.h"
#include "tests/main/am/app_harness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <thread>
#include <vector>

using apptest::NotifyRecorder;
using apptest::TestApp;

namespace {

// A notify function that holds the receiving thread before a message until the test opens it.
class Gate {
public:
    static int32_t fct(handle_t, aee_nfy_tag_t tag, uint32_t code)
    {
        auto* self = reinterpret_cast<Gate*>(tag);
        if (code == AEE_NFY_BEFORE_MSG) {
            std::unique_lock<std::mutex> g(self->lock_);
            self->entered_ = true;
            self->changed_.notify_all();
            self->changed_.wait(g, [&] { return self->open_; });
        }
        return 0;
    }
    aee_nfy_tag_t tag() { return reinterpret_cast<aee_nfy_tag_t>(this); }
    void waitEntered()
    {
        std::unique_lock<std::mutex> g(lock_);
        changed_.wait(g, [&] { return entered_; });
    }
    void open()
    {
        std::lock_guard<std::mutex> g(lock_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool open_ = false;
};

class AeeTest : public ::testing::Test {
protected:
    void SetUp() override { apptest::startExecEnv(); }

    // Starts the application directly (no manager) and waits for its init.
    handle_t start(TestApp& app, NotifyRecorder& nfy, uint16_t maxPayload = 64)
    {
        const app_fct_t fct = TestApp::functions();
        const app_start_param_t param{~0ULL, 16384, 130, 16, 0, 7, 16, maxPayload};
        handle_t handle = 0;
        EXPECT_EQ(u_app_start(&fct, &param, app.name().c_str(), NotifyRecorder::fct, nfy.tag(), &handle), 0);
        return handle;
    }

    handle_t startOk(TestApp& app, uint16_t maxPayload = 64)
    {
        NotifyRecorder nfy;
        const handle_t handle = start(app, nfy, maxPayload);
        EXPECT_TRUE(nfy.waitFor(AEE_NFY_INIT_OK));
        return handle;
    }

    static bool handleGone(handle_t handle)
    {
        const auto deadline = std::chrono::steady_clock::now() + apptest::kDeadline;
        uint16_t type = 0;
        void* obj = nullptr;
        while (uHandleGetTypeObj(handle, &type, &obj) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            uThreadDelay(1);
        }
        return true;
    }
};

TEST_F(AeeTest, MessageReachesProcessFunctionOnTheApplicationsThread)
{
    TestApp app("aee_msg");
    const handle_t handle = startOk(app);
    const uint8_t bytes[5] = {1, 2, 3, 4, 5};
    struct Case {
        const void* data;
        uint32_t size;
        bool nullPayload;
    };
    // Data without size, or size without data, posts no payload at all.
    const Case cases[] = {{bytes, 5, false}, {bytes, 0, true}, {nullptr, 5, true}};
    for (const Case& c : cases) {
        ASSERT_EQ(u_app_send_msg(handle, 42, c.data, c.size, nullptr, 0), 0);
    }
    ASSERT_TRUE(app.waitMessages(3));
    const auto msgs = app.messages();
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(msgs[i].msgId, 42u);
        EXPECT_EQ(msgs[i].nullPayload, cases[i].nullPayload);
        EXPECT_EQ(msgs[i].data.size(), cases[i].nullPayload ? 0u : 5u);
        EXPECT_EQ(msgs[i].threadApp, "aee_msg");
    }
    EXPECT_EQ(memcmp(msgs[0].data.data(), bytes, 5), 0);
    EXPECT_EQ(aee_get_name(), nullptr);
}

TEST_F(AeeTest, NotifyFunctionSeesEachStepAndItsResult)
{
    TestApp app("aee_nfy");
    NotifyRecorder nfy;
    const handle_t handle = start(app, nfy);
    ASSERT_TRUE(nfy.waitFor(AEE_NFY_INIT_OK));
    EXPECT_EQ(nfy.codes(), (std::vector<uint32_t>{AEE_NFY_BEFORE_INIT, AEE_NFY_INIT_OK}));

    NotifyRecorder ok, failed;
    ASSERT_EQ(u_app_send_msg(handle, 1, nullptr, 0, NotifyRecorder::fct, ok.tag()), 0);
    ASSERT_TRUE(ok.waitFor(AEE_NFY_MSG_OK));
    app.processResult = -1;
    ASSERT_EQ(u_app_send_msg(handle, 2, nullptr, 0, NotifyRecorder::fct, failed.tag()), 0);
    ASSERT_TRUE(failed.waitFor(AEE_NFY_MSG_FAIL));
    EXPECT_EQ(ok.codes(), (std::vector<uint32_t>{AEE_NFY_BEFORE_MSG, AEE_NFY_MSG_OK}));
    EXPECT_EQ(failed.codes(), (std::vector<uint32_t>{AEE_NFY_BEFORE_MSG, AEE_NFY_MSG_FAIL}));
}

TEST_F(AeeTest, VetoBeforeAMessageSkipsIt)
{
    TestApp app("aee_veto");
    const handle_t handle = startOk(app);
    NotifyRecorder veto;
    veto.vetoCode = AEE_NFY_BEFORE_MSG;
    ASSERT_EQ(u_app_send_msg(handle, 1, nullptr, 0, NotifyRecorder::fct, veto.tag()), 0);
    ASSERT_EQ(u_app_send_msg(handle, 2, nullptr, 0, nullptr, 0), 0);
    ASSERT_TRUE(app.waitMessages(1));
    EXPECT_EQ(app.messages()[0].msgId, 2u);
    EXPECT_EQ(veto.codes(), (std::vector<uint32_t>{AEE_NFY_BEFORE_MSG}));
}

TEST_F(AeeTest, PayloadAboveTheLargestIsRefusedAtPosting)
{
    TestApp app("aee_big");
    const handle_t handle = startOk(app, 64);
    std::vector<uint8_t> data(65, 0xab);
    EXPECT_EQ(u_app_send_msg(handle, 1, data.data(), 64, nullptr, 0), 0);
    EXPECT_EQ(u_app_send_msg(handle, 1, data.data(), 65, nullptr, 0), -1);
    ASSERT_TRUE(app.waitMessages(1));
    EXPECT_EQ(app.messages()[0].data.size(), 64u);
}

TEST_F(AeeTest, FullQueueFailsAtOnce)
{
    TestApp app("aee_full");
    const handle_t handle = startOk(app);
    Gate gate;
    ASSERT_EQ(u_app_send_msg(handle, 1, nullptr, 0, Gate::fct, gate.tag()), 0);
    gate.waitEntered();
    // The receiver is held inside the first message; the queue holds 16 more.
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(u_app_send_msg(handle, 2, nullptr, 0, nullptr, 0), 0) << i;
    }
    EXPECT_EQ(u_app_send_msg(handle, 3, nullptr, 0, nullptr, 0), -1);
    gate.open();
    ASSERT_TRUE(app.waitMessages(17));
}

TEST_F(AeeTest, AppMsgCarriesTheRecordAndTrailingZeros)
{
    TestApp app("aee_appmsg", 4096);
    const handle_t handle = startOk(app, 4096);
    std::vector<uint8_t> data(600);
    std::iota(data.begin(), data.end(), 1);
    struct Case {
        uint32_t size;
        size_t delivered;
        bool dataCopied;
    };
    const Case cases[] = {{16, 536, true}, {512, 1032, true}, {600, 1120, false}};
    for (const Case& c : cases) {
        ASSERT_EQ(u_app_send_appmsg(handle, E_APP_MSG_TYPE_GUI, 12, 0x0301, data.data(), c.size), 0);
    }
    EXPECT_EQ(u_app_send_appmsg(handle, E_APP_MSG_TYPE_GUI, 12, 0x0301, data.data(), 4001), -1);
    ASSERT_TRUE(app.waitMessages(3));
    const auto msgs = app.messages();
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(cases[i].size);
        const auto& got = msgs[i].data;
        ASSERT_EQ(got.size(), cases[i].delivered);
        appmsg_t rec{};
        memcpy(&rec, got.data(), sizeof(rec));
        EXPECT_EQ(rec.ui4_sender_id, 12u);
        EXPECT_EQ(rec.ui4_msg_type, 0x0301u);
        const size_t copied = cases[i].dataCopied ? cases[i].size : 0;
        EXPECT_EQ(memcmp(rec.aui1_data, data.data(), copied), 0);
        for (size_t b = offsetof(appmsg_t, aui1_data) + copied; b < got.size(); ++b) {
            ASSERT_EQ(got[b], 0) << "byte " << b;
        }
    }
}

TEST_F(AeeTest, RefusedExitKeepsTheApplicationRunning)
{
    TestApp app("aee_exit");
    const handle_t handle = startOk(app);
    app.exitResult = -1;
    NotifyRecorder refused;
    ASSERT_EQ(u_app_exit(handle, 3, NotifyRecorder::fct, refused.tag()), 0);
    ASSERT_TRUE(refused.waitFor(AEE_NFY_EXIT_FAIL));
    ASSERT_EQ(u_app_send_msg(handle, 9, nullptr, 0, nullptr, 0), 0);
    ASSERT_TRUE(app.waitMessages(1));

    app.exitResult = 0;
    NotifyRecorder done;
    ASSERT_EQ(u_app_exit(handle, 3, NotifyRecorder::fct, done.tag()), 0);
    ASSERT_TRUE(done.waitFor(AEE_NFY_EXIT_OK));
    EXPECT_EQ(app.exitCalls(), 2);
    ASSERT_TRUE(handleGone(handle));
    EXPECT_EQ(u_app_send_msg(handle, 9, nullptr, 0, nullptr, 0), -1);
}

TEST_F(AeeTest, FailedOrVetoedInitEndsTheApplicationAndFreesItsName)
{
    TestApp app("aee_init");
    app.initResult = -1;
    NotifyRecorder failed;
    const handle_t first = start(app, failed);
    ASSERT_TRUE(failed.waitFor(AEE_NFY_INIT_FAIL));
    ASSERT_TRUE(handleGone(first));

    NotifyRecorder vetoed;
    vetoed.vetoCode = AEE_NFY_BEFORE_INIT;
    const handle_t second = start(app, vetoed);
    ASSERT_TRUE(handleGone(second));
    EXPECT_EQ(vetoed.codes(), (std::vector<uint32_t>{AEE_NFY_BEFORE_INIT}));
    EXPECT_EQ(app.initCalls(), 1);

    // The same name starts again once the earlier threads are gone.
    app.initResult = 0;
    const handle_t third = startOk(app);
    EXPECT_EQ(u_app_send_msg(third, 1, nullptr, 0, nullptr, 0), 0);
}

TEST_F(AeeTest, StartRefusesMissingPieces)
{
    const app_fct_t fct = TestApp::functions();
    const app_fct_t noExit{fct.pfInit, nullptr, fct.pfProcess};
    const app_start_param_t param{~0ULL, 16384, 130, 16, 0, 1, 16, 64};
    app_start_param_t noQueue = param;
    noQueue.ui2QueueLen = 0;
    handle_t handle = 0;
    EXPECT_EQ(u_app_start(nullptr, &param, "x", nullptr, 0, &handle), -2);
    EXPECT_EQ(u_app_start(&noExit, &param, "x", nullptr, 0, &handle), -2);
    EXPECT_EQ(u_app_start(&fct, &noQueue, "x", nullptr, 0, &handle), -2);
    EXPECT_EQ(u_app_start(&fct, &param, nullptr, nullptr, 0, &handle), -2);
    EXPECT_EQ(u_app_start(&fct, &param, "x", nullptr, 0, nullptr), -2);
}

TEST_F(AeeTest, ReferencesByNameAndId)
{
    TestApp app("aee_ref");
    const handle_t handle = startOk(app);

    handle_t ref = 0;
    ASSERT_EQ(u_aee_get_handle("aee_ref", &ref), 0);
    EXPECT_NE(ref, handle);
    EXPECT_EQ(u_app_send_msg(ref, 5, nullptr, 0, nullptr, 0), 0);
    ASSERT_TRUE(app.waitMessages(1));
    EXPECT_EQ(u_aee_get_handle("nobody", &ref), -1);
    EXPECT_EQ(u_aee_get_handle(nullptr, &ref), -4);
    EXPECT_EQ(u_aee_get_handle("aee_ref", nullptr), -2);

    handle_t byId = 0;
    EXPECT_EQ(aee_get_app_handle(&byId, 7), 0);
    EXPECT_EQ(byId, handle);
    EXPECT_EQ(aee_get_app_handle(&byId, 999), -3);
    ASSERT_NE(aee_find_by_name("aee_ref"), nullptr);
    EXPECT_EQ(aee_find_by_name("aee_ref")->hSelf, handle);

    // Only the owner releases an execution record; a reference goes at any time.
    handle_t own = handle;
    EXPECT_NE(u_aee_free_handle(&own), 0);
    EXPECT_EQ(u_app_send_msg(handle, 6, nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(u_aee_free_handle(&ref), 0);
    EXPECT_EQ(u_app_send_msg(ref, 6, nullptr, 0, nullptr, 0), -1);
}

TEST_F(AeeTest, ReferenceOutlivingItsApplicationFailsSafely)
{
    handle_t ref = 0;
    {
        TestApp app("aee_gone");
        startOk(app);
        ASSERT_EQ(u_aee_get_handle("aee_gone", &ref), 0);
    }
    EXPECT_EQ(u_app_send_msg(ref, 1, nullptr, 0, nullptr, 0), -1);
    msg_q_t* queue = nullptr;
    EXPECT_EQ(aee_get_msg_queue(ref, &queue), -3);
    u_aee_free_handle(&ref);
}

// Senders post outside the list lock, holding only the queue: while the application ends under
// them each post arrives or fails, none touches a freed queue, and once they have let go the name
// starts a new application.
TEST_F(AeeTest, PostsRacingTheEndOfTheApplicationArriveOrFailCleanly)
{
    for (int round = 0; round < 5; ++round) {
        TestApp app("aee_race");
        const handle_t handle = startOk(app);
        std::vector<std::thread> senders;
        for (int t = 0; t < 3; ++t) {
            senders.emplace_back([handle] {
                const uint8_t payload[32] = {1, 2, 3};
                msg_q_t* queue = nullptr;
                for (;;) {
                    const int32_t res = u_app_send_msg(handle, 9, payload, sizeof(payload), nullptr, 0);
                    EXPECT_TRUE(res == 0 || res == -1) << res;
                    if (res == -1 && aee_get_msg_queue(handle, &queue) != 0) {
                        return;
                    }
                    std::this_thread::yield();
                }
            });
        }
        ASSERT_TRUE(app.waitMessages(3));
        // The senders keep the queue busy; the exit gets in once a slot is free.
        while (u_app_exit(handle, 0, nullptr, 0) != 0) {
            std::this_thread::yield();
        }
        ASSERT_TRUE(handleGone(handle));
        for (auto& s : senders) {
            s.join();
        }
        EXPECT_EQ(u_app_send_msg(handle, 9, nullptr, 0, nullptr, 0), -1);
    }
    TestApp again("aee_race");
    const handle_t handle = startOk(again);
    EXPECT_EQ(u_app_send_msg(handle, 1, nullptr, 0, nullptr, 0), 0);
    EXPECT_TRUE(again.waitMessages(1));
}

TEST_F(AeeTest, TwoPartSendJoinsHeaderAndPayload)
{
    msg_q_t* queue = nullptr;
    ASSERT_EQ(xMsgQCreate(&queue, "aee_2parts", 64, 4), 0);
    const char header[] = "head";
    const char payload[] = "payload";
    ASSERT_EQ(msg_q_send_2_parts(queue, header, 4, payload, 7, 0), 0);
    ASSERT_EQ(msg_q_send_2_parts(queue, header, 4, nullptr, 0, 0), 0);
    std::vector<uint8_t> big(61);
    EXPECT_EQ(msg_q_send_2_parts(queue, header, 4, big.data(), 61, 0), OSR_TOO_BIG);

    char buf[64];
    uint16_t index = 0;
    uint32_t size = sizeof(buf);
    msg_q_t* const queues[1] = {queue};
    ASSERT_EQ(xMsgQReceive(&index, buf, &size, queues, 1, MSGQ_OPTION_NOWAIT), 0);
    EXPECT_EQ(std::string(buf, size), "headpayload");
    size = sizeof(buf);
    ASSERT_EQ(xMsgQReceive(&index, buf, &size, queues, 1, MSGQ_OPTION_NOWAIT), 0);
    EXPECT_EQ(std::string(buf, size), "head");
    xMsgQDelete(queue);
}

TEST_F(AeeTest, ConsoleListsApplications)
{
    TestApp app("aee_list");
    startOk(app);
    testing::internal::CaptureStdout();
    u_cli_parser("mw.aee.list");
    u_cli_parser("mw.aee.l aee_list nosuch");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("AEEs:"), std::string::npos) << out;
    EXPECT_NE(out.find(" aee_list [app:"), std::string::npos) << out;
    EXPECT_NE(out.find("\"nosuch\" does not exist"), std::string::npos) << out;
}

}  // namespace
