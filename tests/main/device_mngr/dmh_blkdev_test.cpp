#include "main/device_mngr/dmh_blkdev.h"

#include "tests/main/device_mngr/dmh_tree_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using dmhtest::layOutStick;
using dmhtest::recordAt;
using DmhBlkdevTest = dmhtest::TreeTest;

TEST_F(DmhBlkdevTest, GettersByNumbers)
{
    const auto p = layOutStick(sandbox, "KvxUsbHcd.0", "0781", "5567");
    const std::string scsi = p.interface + "/host0/target0:0:0/0:0:0:0";
    sandbox.write(scsi + "/model", "Cruzer\n");
    sandbox.write(p.disk + "/rev", "1.00\n");
    ASSERT_EQ(dmhScanPath("/sys/devices/platform"), 0);

    uint64_t sectors = 0;
    EXPECT_EQ(dmhBlkdevGetSize(8, 0, &sectors), 0);
    EXPECT_EQ(sectors, 16000000u);
    EXPECT_EQ(dmhBlkdevGetSectorNs(8, 1, &sectors), 0);
    EXPECT_EQ(sectors, 15990000u);
    EXPECT_EQ(dmhBlkdevGetSize(8, 9, &sectors), -1);
    EXPECT_EQ(dmhBlkdevGetFreesize(8, 0, &sectors), 0);
    EXPECT_EQ(sectors, 0u);

    char model[DMH_MODEL_SIZE] = "untouched";
    EXPECT_EQ(dmhBlkdevGetModel(8, 0, model), 0);
    EXPECT_STREQ(model, "Cruzer 1.00");
    std::strcpy(model, "untouched");
    EXPECT_EQ(dmhSktdevGetModel(8, 1, model), 0);  // a partition has no model: nothing written
    EXPECT_STREQ(model, "untouched");
    EXPECT_EQ(dmhBlkdevGetModel(8, 9, model), -1);

    uint32_t n = 0;
    EXPECT_EQ(dmhSktdevGetSktNs(8, 1, &n), 0);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(dmhSktdevGetSktNs(8, 9, &n), -1);

    char path[128] = {};
    EXPECT_EQ(dmhBlkdevGetUsbDevicePath(8, 1, path, sizeof(path)), 0);
    EXPECT_STREQ(path, "KvxUsbHcd.0/usb1/1-1/1-1");
    EXPECT_EQ(dmhBlkdevGetUsbDevicePath(8, 9, path, sizeof(path)), -1);
}

// A disk whose sector-size file was unreadable or read 0 gives 512.
TEST_F(DmhBlkdevTest, SectorSizeFallsBackTo512)
{
    const auto p = layOutStick(sandbox, "KvxUsbHcd.0", "0781", "5567");
    sandbox.write(p.disk + "/queue/hw_sector_size", "0\n");
    ASSERT_EQ(dmhScanPath("/sys/devices/platform"), 0);
    recordAt(p.partition)->ui4_hw_sector_size = 4096;
    uint32_t size = 7;
    EXPECT_EQ(dmhBlkdevGetSectorSize(8, 0, &size), 0);
    EXPECT_EQ(size, 512u);
    EXPECT_EQ(dmhBlkdevGetSectorSize(8, 1, &size), 0);
    EXPECT_EQ(size, 4096u);
    recordAt(p.partition)->ui4_hw_sector_size = 0xFFFFFFFFu;  // unreadable
    EXPECT_EQ(dmhBlkdevGetSectorSize(8, 1, &size), 0);
    EXPECT_EQ(size, 512u);
    size = 7;
    EXPECT_EQ(dmhBlkdevGetSectorSize(8, 9, &size), 0);
    EXPECT_EQ(size, 7u);
}

}  // namespace
