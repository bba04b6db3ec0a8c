#include "main/device_mngr/dm_cb.h"

#include "main/device_mngr/dm_core_priv.h"
#include "tests/main/am/app_harness.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class DmCbTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { apptest::startExecEnv(); }
    void SetUp() override
    {
        ASSERT_EQ(xMsgQCreate(&queue_, "dm_cb_test_q", sizeof(DmCbMsg), 16), OSR_OK);
        dmCoreGet().t_cb_queue.store(queue_);
    }
    void TearDown() override
    {
        dmCoreGet().t_cb_queue.store(nullptr);
        xMsgQDelete(queue_);
    }
    // The next posted message, or none.
    bool take(DmCbMsg* msg)
    {
        uint32_t size = sizeof(*msg);
        uint16_t index = 0;
        return xMsgQReceive(&index, msg, &size, &queue_, 1, MSGQ_OPTION_NOWAIT) == OSR_OK && size == sizeof(*msg);
    }
    msg_q_t* queue_ = nullptr;
};

DmhDevInfo info(uint32_t type, uint32_t status, const char* name, uint32_t vendor, uint32_t product)
{
    DmhDevInfo i{};
    i.tDevType = type;
    i.eStatus = status;
    i.ui4_skt_no = 1;
    i.uMajor = 8;
    i.uMinor = 1;
    i.ui4_dev_flag = 1;
    std::strncpy(i.pDevName, name, sizeof(i.pDevName) - 1);
    i.ps_vendor = vendor;
    i.ps_product = product;
    return i;
}

TEST_F(DmCbTest, NotifyPostsOneMessageUnlessDroppedOrStatusZero)
{
    struct Case {
        const char* what;
        DmhDevInfo in;
        bool posted;
    };
    const Case cases[] = {
        {"Apple partition", info(32, 5, "sda1", 0x05AC, 0x1209), false},
        {"Apple twelfth partition", info(32, 5, "sda12", 0x05AC, 0x1260), false},
        {"Apple disk", info(31, 3, "sda", 0x05AC, 0x120A), true},
        {"Apple other product", info(32, 5, "sdb1", 0x05AC, 0x1234), true},
        {"other vendor", info(32, 5, "sda1", 0x0781, 0x1209), true},
        {"status 0", info(32, 0, "sda1", 0x0781, 0x5567), false},
    };
    for (const Case& c : cases) {
        dmDevNfyFct(0x1234, c.in.eStatus, &c.in);
        DmCbMsg msg{};
        EXPECT_EQ(take(&msg), c.posted) << c.what;
    }

    DmhDevInfo part = info(32, 5, "", 0x0781, 0x5567);
    std::memset(part.pDevName, 'n', sizeof(part.pDevName));  // unterminated
    dmDevNfyFct(0x4321, 5, &part);
    DmCbMsg msg{};
    ASSERT_TRUE(take(&msg));
    EXPECT_EQ(msg.ui4_quit, 0u);
    EXPECT_EQ(msg.t_cb_type, DM_CB_PART_ATTACH);
    EXPECT_EQ(msg.t_dev_type, DM_DEV_MED_TYPE_PARTITION);
    EXPECT_EQ(msg.ui4_match, 1u);
    EXPECT_EQ(msg.uMajor, 8u);
    EXPECT_EQ(msg.uMinor, 1u);
    EXPECT_EQ(msg.ui4_skt_no, 1u);
    EXPECT_EQ(msg.ui4_dev_flag, 1u);
    EXPECT_EQ(msg.ui4_tag, 0x4321u);
    EXPECT_EQ(std::strlen(msg.pDevName), 31u);
}

TEST(DmCbMapTest, TypeMaps)
{
    const std::pair<uint32_t, uint32_t> events[] = {{1, 2}, {3, 2}, {2, 3}, {4, 3}, {5, 4}, {6, 5},
                                                    {7, 1}, {8, 0}, {0, 0xFF00}, {9, 0xFF00}};
    for (const auto& [status, event] : events) {
        EXPECT_EQ(dmGetCbTypeFromDmh(status), event) << status;
    }
    const std::pair<uint32_t, uint32_t> types[] = {{0, 0},     {1, 264},  {3, 264},  {4, 266},  {11, 276},
                                                   {25, 283},  {26, 284}, {27, 285}, {30, 287}, {31, 522},
                                                   {32, 523},  {33, 516}, {34, 517}, {38, 526}, {18, 0}};
    for (const auto& [hotplug, dm] : types) {
        EXPECT_EQ(dmGetDevTypeFromDmh(hotplug), dm) << hotplug;
    }
    EXPECT_EQ(dmGetHwType(DRVT_HW_IDE), 5u);
    EXPECT_EQ(dmGetHwType(DRVT_HW_USB), 4u);
    EXPECT_EQ(dmGetHwType(1), 0u);
    EXPECT_EQ(dmGetCompDevType(DRVT_HW_IDE), 261u);
    EXPECT_EQ(dmGetCompDevType(DRVT_HW_USB), 260u);
    EXPECT_EQ(dmGetCompDevType(101), 522u);
    EXPECT_EQ(dmGetCompDevType(105), 264u);
}

}  // namespace
