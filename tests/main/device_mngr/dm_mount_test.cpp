#include "main/device_mngr/dm_mount.h"

#include "tests/main/am/app_harness.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

DmMntInfo record(const char* path)
{
    DmMntInfo rec{};
    rec.bMnt = 1;
    rec.ui4FsCode = DM_FS_VFAT;
    std::strncpy(rec.acMntPath, path, sizeof(rec.acMntPath) - 1);
    return rec;
}

uint32_t eventOf(const apptest::ReceivedMsg& msg)
{
    uint32_t event = 0xffffffff;
    std::memcpy(&event, msg.data.data(), sizeof(event));
    return event;
}

TEST(DmMountTest, RecordFollowsMountsAndEveryChangeIsBroadcast)
{
    apptest::startFramework();
    apptest::TestApp listener("dm_listener");
    ASSERT_EQ(apptest::registerApp(&listener.record()), 0);
    ASSERT_EQ(u_amb_sync_start_app(listener.name().c_str()), 0);

    EXPECT_EQ(uDmGetMntInfo(nullptr), DMR_INV_ARG);
    DmMntInfo out = record("/untouched");
    EXPECT_EQ(uDmGetMntInfo(&out), DMR_NOT_MOUNTED);
    EXPECT_STREQ(out.acMntPath, "/untouched");

    DmMntInfo first = record("/data/mnt/sda1");
    dmModifyMntInfo(1, &first);
    DmMntInfo second = record("/data/mnt/sdb1");
    dmModifyMntInfo(1, &second);
    ASSERT_EQ(uDmGetMntInfo(&out), DMR_OK);
    EXPECT_STREQ(out.acMntPath, "/data/mnt/sdb1");  // the later mount's record is kept
    EXPECT_EQ(out.bMnt, 1);

    // While an unmount left another partition mounted, changes are recorded but not announced.
    dmSetUmntDone(1);
    dmModifyMntInfo(0, nullptr);
    EXPECT_EQ(uDmGetMntInfo(&out), DMR_NOT_MOUNTED);
    dmSetUmntDone(0);
    dmModifyMntInfo(0, nullptr);

    ASSERT_TRUE(listener.waitMessages(3));
    const auto msgs = listener.messages();
    ASSERT_EQ(msgs.size(), 3u);
    for (const auto& msg : msgs)
        EXPECT_EQ(msg.msgId, DM_BRDCST_MSG_USB_MNT);
    EXPECT_EQ(eventOf(msgs[0]), DM_USB_MOUNTED);
    EXPECT_EQ(eventOf(msgs[1]), DM_USB_MOUNTED);
    EXPECT_EQ(eventOf(msgs[2]), DM_USB_UNMOUNTED);
    listener.stop();
}

}  // namespace
