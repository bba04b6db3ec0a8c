// The manager's helpers that nothing in the program calls yet: the post to its own queue, the
// lifecycle broadcast and the one-second tick window.
#include "main/am/am.h"

#include "main/am/amb/amb.h"
#include "main/timerd/os_timer.h"
#include "tests/main/am/app_harness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using apptest::TestApp;

namespace {

// One case: the manager starts once per process, and the post must be tried before it does.
TEST(AmSelfTest, PostToTheManagerFailsBeforeItStartsAndLifecycleBroadcastReachesEveryApplication)
{
    apptest::startExecEnv();
    const uint32_t body = 0;
    EXPECT_NE(amSendMsgToSelf(AM_REQ_BROADCAST, &body, sizeof(body)), 0) << "no manager yet";

    apptest::startFramework();
    static TestApp first("lc_first");
    static TestApp second("lc_second");
    for (TestApp* app : {&first, &second}) {
        ASSERT_EQ(apptest::registerApp(&app->record()), 0);
        ASSERT_EQ(u_amb_sync_start_app(app->record().acName), 0);
    }
    ASSERT_EQ(amBroadcastLifecycle("an_application_named_too_long", 0x10020), 0);
    for (TestApp* app : {&first, &second}) {
        ASSERT_TRUE(app->waitMessages(1)) << app->name();
        const auto msg = app->messages()[0];
        EXPECT_EQ(msg.msgId, 0x10020u);
        ASSERT_EQ(msg.data.size(), 17u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(msg.data.data())), "an_application_n");
    }
    EXPECT_EQ(amBroadcastLifecycle(nullptr, 0x10020), -2);
}


TEST(AmSelfTest, TickWindowOfOneSecond)
{
    ASSERT_EQ(os_timer_init(), 0);
    const uint32_t period = u_os_get_sys_tick_period();
    ASSERT_GT(period, 0u);
    const uint32_t second = 1000 / period;
    const uint32_t now = u_os_get_sys_tick();
    ASSERT_GT(now, 3 * second);
    struct Case {
        uint32_t tick;
        bool within;
    };
    // The clock moves on while the cases run, so each edge case stays well clear of the edge.
    const Case cases[] = {
        {0, true},
        {u_os_get_sys_tick(), true},
        {now - second / 2, true},
        {now - second - second / 2, false},
        {now - 3 * second, false},
        {now + 3 * second, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(amIsWithinSecondOfTick(c.tick), c.within) << c.tick << " now " << now;
    }
}

}  // namespace
