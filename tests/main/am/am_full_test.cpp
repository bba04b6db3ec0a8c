// The manager's name table, filled to its end; in a program of its own because a full table
// fails every later lookup in the process.
#include "main/am/am.h"

#include "main/am/amb/amb.h"
#include "tests/main/am/app_harness.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>

using apptest::TestApp;

namespace {

TEST(AmFullTest, FullNameTableRefusesFurtherNamesAndFailsLookups)
{
    apptest::startFramework();
    static std::array<amb_register_info_t, AM_MAX_APPS + 1> records{};
    uint32_t registered = 0;
    for (uint32_t i = 0; i < records.size(); ++i) {
        TestApp::fillRecord(&records[i], "am_full_" + std::to_string(i));
        if (u_amb_register_app(&records[i]) == 0) {
            ++registered;
        } else {
            break;
        }
    }
    EXPECT_EQ(am_get_app_id(), AM_MAX_APPS);
    EXPECT_EQ(registered, AM_MAX_APPS);
    // Every slot kept its own name; nothing was written past the last one.
    EXPECT_STREQ(am_get_app_name(AM_MAX_APPS - 1), ("am_full_" + std::to_string(AM_MAX_APPS - 1)).c_str());

    testing::internal::CaptureStdout();
    handle_t handle = 0;
    EXPECT_EQ(u_am_get_app_handle_from_name(&handle, "am_full_0"), -1);
    fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("<AM> ERR: Buffer overflow,outside the bounds."), std::string::npos) << out;
}

}  // namespace
