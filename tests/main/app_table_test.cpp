#include "main/app_table.h"

#include "main/am/am.h"
#include "main/am/amb/amb.h"
#include "tests/main/am/app_harness.h"
#include "tests/main/program_runner.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

using apptest::TestApp;

namespace {

// Test applications live as long as the process: the broker keeps their records.
TestApp& app(const std::string& name)
{
    static std::map<std::string, std::unique_ptr<TestApp>> apps;
    auto& slot = apps[name];
    if (!slot) {
        slot = std::make_unique<TestApp>(name);
    }
    return *slot;
}

void regGood1(amb_register_info_t* info)
{
    TestApp::fillRecord(info, "tbl_good1");
}
void regBigStack(amb_register_info_t* info)
{
    TestApp::fillRecord(info, "tbl_bigstack");
    info->ui4StackSize = 262144;
}
void regInitFails(amb_register_info_t* info)
{
    TestApp::fillRecord(info, "tbl_initfail");
}
void regLongName(amb_register_info_t* info)
{
    TestApp::fillRecord(info, "tbl_a_very_long_application_name");
}
void regGood2(amb_register_info_t* info)
{
    TestApp::fillRecord(info, "tbl_good2");
}
void regGood3(amb_register_info_t* info)
{
    TestApp::fillRecord(info, "tbl_good3");
}

class AppTableTest : public sbtest::SandboxTest {
protected:
    void SetUp() override { apptest::startFramework(); }

    bool markerOpenHere() const
    {
        const std::string marker = sandbox.path(APP_SETUP_FAIL_MARKER);
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            if (std::filesystem::read_symlink(fd.path(), ec) == marker) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(AppTableTest, FailingRowsAreMarkedAndTheWalkGoesOn)
{
    app("tbl_good1");
    app("tbl_initfail").initResult = -1;
    app("tbl_a_very_long_application_name");
    app("tbl_good2");
    // The broker keeps the rows' records for the life of the process, as it does the program's.
    static app_table_entry_t table[] = {
        {regGood1, {}, "tbl_good1"},
        {regBigStack, {}, "tbl_bigstack"},
        {regInitFails, {}, "tbl_initfail"},
        {regGood1, {}, "tbl_good1"},
        {regLongName, {}, "tbl_a_very_long_application_name"},
        {regGood2, {}, "tbl_good2"},
        {nullptr, {}, nullptr},
    };
    testing::internal::CaptureStdout();
    const uint32_t failed = appTableStart(table);
    fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(failed, 3u);

    EXPECT_TRUE(sbtest::containsInOrder(out, {
                                                 "<corvand>1.tbl_good1 Init Begin\n",
                                                 "<corvand>1.tbl_good1 Init Successful\n",
                                                 "<corvand>2.tbl_bigstack Init Begin\n",
                                                 "<corvand>2.tbl_bigstack register fail ret -2\n",
                                                 "<corvand>3.tbl_initfail Init Begin\n",
                                                 "<corvand>3.tbl_initfail sync start fail ret -1\n",
                                                 "<corvand>4.tbl_good1 Init Begin\n",
                                                 "<corvand>4.tbl_good1 register fail ret -4\n",
                                                 "<corvand>5.tbl_a_very_long_application_name Init Begin\n",
                                                 "<corvand>5.tbl_a_very_long_application_name Init Successful\n",
                                                 "<corvand>6.tbl_good2 Init Begin\n",
                                                 "<corvand>6.tbl_good2 Init Successful\n",
                                             }));

    EXPECT_TRUE(sandbox.exists(APP_SETUP_FAIL_MARKER));
    EXPECT_EQ(sandbox.read(APP_SETUP_FAIL_MARKER), "");
    EXPECT_FALSE(markerOpenHere());

    handle_t handle = 0;
    EXPECT_EQ(u_am_get_app_handle_from_name(&handle, "tbl_a_very_long_"), 0);
    EXPECT_EQ(handle, app("tbl_a_very_long_application_name").handle());
    EXPECT_NE(handle, 0u);
    // The application whose init failed stays registered without a thread.
    EXPECT_EQ(u_am_get_app_handle_from_name(&handle, "tbl_initfail"), 0);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(app("tbl_good2").initCalls(), 1);
}

TEST_F(AppTableTest, CleanWalkLeavesNoMarker)
{
    app("tbl_good3");
    // The broker keeps the rows' records for the life of the process, as it does the program's.
    static app_table_entry_t table[] = {
        {regGood3, {}, "tbl_good3"},
        {nullptr, {}, nullptr},
    };
    EXPECT_EQ(appTableStart(table), 0u);
    EXPECT_FALSE(sandbox.exists(APP_SETUP_FAIL_MARKER));
    EXPECT_NE(app("tbl_good3").handle(), 0u);
}

TEST_F(AppTableTest, ShippedTableHoldsOnlyBuiltApplications)
{
    size_t rows = 0;
    while (gAppTable[rows].pfRegister != nullptr) {
        ASSERT_NE(gAppTable[rows].psName, nullptr);
        ++rows;
    }
    EXPECT_EQ(appTableStart(gAppTable), 0u);
    EXPECT_FALSE(sandbox.exists(APP_SETUP_FAIL_MARKER));
    // Stopped again, last first: threads of their own must not outlive the test's root.
    while (rows > 0) {
        --rows;
        EXPECT_EQ(u_amb_sync_exit_app(gAppTable[rows].tInfo.acName), 0) << gAppTable[rows].psName;
    }
}

}  // namespace
