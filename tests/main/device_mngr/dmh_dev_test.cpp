#include "main/device_mngr/dmh_dev.h"

#include "tests/main/device_mngr/dmh_tree_fixture.h"

#include <gtest/gtest.h>

namespace {

using dmhtest::layOutStick;
using dmhtest::recordAt;
using dmhtest::records;
using DmhDevTest = dmhtest::TreeTest;

TEST_F(DmhDevTest, ScanRecordsTheStickAndItsLevels)
{
    const auto p = layOutStick(sandbox, "KvxUsbHcd.0", "0781", "5567");
    ASSERT_EQ(dmhScanPath("/sys/devices/platform"), 0);
    ASSERT_EQ(records().size(), 4u);

    const DmhDevNode* hub = recordAt(p.hub);
    ASSERT_NE(hub, nullptr);
    EXPECT_EQ(hub->t_device_type, DMH_DEV_ROOT_HUB);
    EXPECT_EQ(hub->ui1_dev_level, 0);
    EXPECT_EQ(hub->ui4_root_dev_id, 4u);

    const DmhDevNode* dev = recordAt(p.device);
    ASSERT_NE(dev, nullptr);
    EXPECT_EQ(dev->t_device_type, DMH_DEV_FAKE_HUB);
    EXPECT_EQ(dev->ui1_dev_level, 1);
    EXPECT_EQ(dev->ui4_vendor, 0x0781u);
    EXPECT_EQ(dev->ui4_product, 5567u);  // the decimal reading of "5567"
    EXPECT_EQ(dev->ui1_skt_no, 1);
    EXPECT_EQ(dev->ui4_dev_flag, 4u);

    const DmhDevNode* disk = recordAt(p.disk);
    ASSERT_NE(disk, nullptr);
    EXPECT_EQ(disk->t_device_type, DMH_DEV_USB_STORAGE);
    EXPECT_EQ(disk->ui1_dev_level, 2);
    EXPECT_EQ(disk->ps_dev_node, "/dev/sda");
    EXPECT_EQ(disk->ui8_size, 16000000u);
    EXPECT_EQ(disk->ui4_hw_sector_size, 512u);

    const DmhDevNode* part = recordAt(p.partition);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->t_device_type, DMH_DEV_PARTITION);
    EXPECT_EQ(part->ui1_dev_level, 3);
    EXPECT_EQ(part->ps_dev_node, "/dev/sda1");
    EXPECT_EQ(part->ui1_skt_no, 1);
    EXPECT_EQ(part->ui4_vendor_id, 0x0781u);  // from the first 42 characters of its path
    EXPECT_EQ(part->ui4_product_id, 0x5567u);
    EXPECT_EQ(part->t_uevent.uMinor, 1u);
}

TEST_F(DmhDevTest, CardReaderWithoutCardLeavesNoDisk)
{
    const auto p = layOutStick(sandbox, "KvxUsbHcd.0", "0781", "5567", 0);
    sandbox.write(p.partition + "/size", "0\n");
    ASSERT_EQ(dmhScanPath("/sys/devices/platform"), 0);
    EXPECT_EQ(recordAt(p.disk), nullptr);
    EXPECT_EQ(recordAt(p.partition), nullptr);
    EXPECT_EQ(dmhAddUsbStorageDev(p.disk), -2);
}

TEST_F(DmhDevTest, WifiDongleClasses)
{
    struct Case {
        const char* vendor;
        const char* product;
        uint32_t type;
    };
    const Case cases[] = {
        {"043e", "31253", DMH_DEV_WIFI_RTSTA},
        {"043e", "7a15", DMH_DEV_UNSUPPORTED},  // reads as 7: no row
        {"3ca1", "7662", DMH_DEV_WIFI_RT2870},
    };
    for (const Case& c : cases) {
        dmhClearLists();
        const auto p = layOutStick(sandbox, "KvxUsbHcd.0", c.vendor, c.product);
        sandbox.write(p.interface + "/uevent", "DEVTYPE=usb_interface\nDRIVER=rt2870\n");
        ASSERT_EQ(dmhHandPath(p.interface), 0);
        const DmhDevNode* dev = recordAt(p.device);
        ASSERT_NE(dev, nullptr) << c.product;
        EXPECT_EQ(dev->t_device_type, c.type) << c.vendor << ":" << c.product;
    }
    EXPECT_EQ(dmhHandPath("/sys/devices/platform/none"), -2);
    sandbox.write("/sys/devices/platform/usbx/uevent", "MAJOR=1\n");
    EXPECT_EQ(dmhHandPath("/sys/devices/platform/usbx"), -3);
}

// More than 200 directories pending at once, and the names the scan never enters.
TEST_F(DmhDevTest, WideTreeAndSkippedNames)
{
    constexpr int kWide = 250;
    for (int i = 0; i < kWide; ++i) {
        const std::string hub = "/sys/devices/platform/wide/usb" + std::to_string(i);
        sandbox.write(hub + "/uevent", "DEVTYPE=usb_device\nDRIVER=usb\n");
        sandbox.write(hub + "/devnum", "1\n");
        sandbox.write(hub + "/maxchild", "2\n");
    }
    for (const char* skipped : {"power", "scsi_disk", "ram0", "loop1", "usb_device"}) {
        const std::string hub = std::string("/sys/devices/platform/wide/usb0/") + skipped + "/usb9";
        sandbox.write(hub + "/uevent", "DEVTYPE=usb_device\nDRIVER=usb\n");
        sandbox.write(hub + "/devnum", "1\n");
        sandbox.write(hub + "/maxchild", "2\n");
    }
    ASSERT_EQ(dmhScanPath("/sys/devices/platform"), 0);
    EXPECT_EQ(records().size(), static_cast<size_t>(kWide));
}

TEST_F(DmhDevTest, PathHelpers)
{
    EXPECT_EQ(dmhDevNodeOf("/sys/x/block/sda/sda1"), "/dev/sda1");
    EXPECT_EQ(dmhDevNodeOf("/sys/x/block/sda"), "/dev/sda");
    EXPECT_EQ(dmhDevNodeOf("/sys/x/block/sda/sda12345678901234567"), "/dev/sda123456789012");
    EXPECT_EQ(dmhGetPathLength("/sys/devices/platform"), 3);
    EXPECT_EQ(dmhFreeDev(nullptr), -2);
}

}  // namespace
