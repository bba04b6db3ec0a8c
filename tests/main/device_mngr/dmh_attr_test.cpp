#include "main/device_mngr/dmh_attr.h"

#include "main/device_mngr/dm_mount.h"
#include "tests/main/am/app_harness.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class DmhAttrTest : public sbtest::SandboxTest {
protected:
    static void SetUpTestSuite() { apptest::startFramework(); }
    void TearDown() override { dmModifyMntInfo(0, nullptr); }

    static size_t count(const std::vector<std::string>& lines, const std::string& line)
    {
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
    }
    std::vector<std::string> wrapperLog() const
    {
        std::vector<std::string> lines;
        std::string text = sandbox.read("/sim/gui_wrapper.log");
        for (size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1) {
            lines.push_back(text.substr(at, nl - at));
        }
        return lines;
    }
};

TEST_F(DmhAttrTest, ReadersTakeTheLastCompleteLineAndTheirFailureValues)
{
    const std::string d = "/sys/devices/x";
    sandbox.write(d + "/idVendor", "148f\n");
    sandbox.write(d + "/idProduct", "7a15\n");
    sandbox.write(d + "/two", "first\nsecond\n");
    sandbox.write(d + "/open", "first\nsecond");
    sandbox.write(d + "/only", "12");
    sandbox.write(d + "/model", "Cruzer\n");
    sandbox.write(d + "/size", "15974400\n");
    sandbox.write(d + "/queue/hw_sector_size", "4096\n");

    EXPECT_EQ(dmhGetAttrVendorId(d), 0x148Fu);
    EXPECT_EQ(dmhGetAttrNum(d, "idVendor"), 148u);  // the decimal reading stops at the letter
    EXPECT_EQ(dmhGetAttrProductId(d), 0x7A15u);
    EXPECT_EQ(dmhGetAttrNum(d, "idProduct"), 7u);
    EXPECT_EQ(dmhGetAttrTxt(d, "two"), "second");
    EXPECT_EQ(dmhGetAttrTxt(d, "open"), "first");
    EXPECT_EQ(dmhGetAttrTxt(d, "only"), std::nullopt);
    EXPECT_EQ(dmhGetAttrNum(d, "only"), 0u);
    EXPECT_EQ(dmhGetAttrTxt(d + "/", "model"), "Cruzer");  // no second '/'
    EXPECT_EQ(dmhGetModelName(d), "Cruzer");
    EXPECT_EQ(dmhGetDevSize(d), 15974400u);
    EXPECT_EQ(dmhGetDevHwSectorSize(d), 4096u);

    EXPECT_EQ(dmhGetAttrTxt(d, "missing"), std::nullopt);
    EXPECT_EQ(dmhGetAttrNum(d, "missing"), DMH_ATTR_NUM_FAIL);
    EXPECT_EQ(dmhGetAttrVendorId("/sys/none"), DMH_ATTR_NUM_FAIL);
    EXPECT_EQ(dmhGetDevSize("/sys/none"), DMH_ATTR_SIZE_FAIL);  // so the record is kept
    EXPECT_EQ(dmhGetDevHwSectorSize("/sys/none"), DMH_ATTR_NUM_FAIL);
    EXPECT_EQ(dmhCheckFile(d + "/model"), 1);
    EXPECT_EQ(dmhCheckFile(d + "/nothing"), 0);

    const std::string deep = "/sys/" + std::string(300, 'd');
    EXPECT_EQ(dmhAttrPath(deep, "uevent").size(), 255u);  // cut, and logged

    char serial[8] = {};
    sandbox.write(d + "/serial", "ABCDEFGHIJ\n");
    EXPECT_EQ(dmhParseSerialFile(d, serial, sizeof(serial) - 1), 0);
    EXPECT_STREQ(serial, "ABCDEFG");
    EXPECT_EQ(dmhParseSerialFile("/sys/none", serial, sizeof(serial)), -2);
}

TEST_F(DmhAttrTest, UeventFileKeys)
{
    const std::string d = "/sys/devices/y";
    sandbox.write(d + "/uevent", "MAJOR=8\nMINOR=x\nDEVTYPE=disk\nDRIVER=sd\nDRIVER=usb-storage\nPRODUCT=781/5567/100\n"
                                 "PHYSDEVPATH=/p\nPHYSDEVDRIVER=q\nDEVNAME=sda\n");
    DmhBlkUeventAttr attr;
    ASSERT_EQ(dmhParseUeventFile(d, &attr), 0);
    EXPECT_EQ(attr.uMajor, 8u);
    EXPECT_EQ(attr.uMinor, 0u);
    EXPECT_EQ(attr.ps_dev_type, "disk");
    EXPECT_EQ(attr.ps_driver, "usb-storage");  // a later line replaces the earlier
    EXPECT_EQ(attr.ps_product, "781/5567/100");
    EXPECT_EQ(attr.ps_phys_dev_path, "/p");
    EXPECT_EQ(attr.ps_phys_dev_driver, "q");
    EXPECT_EQ(dmhFreeUeventFile(&attr), 0);
    EXPECT_FALSE(attr.ps_driver.has_value());
    EXPECT_EQ(dmhFreeUeventFile(nullptr), -2);
    EXPECT_EQ(dmhParseUeventFile("/sys/none", &attr), -2);
    EXPECT_EQ(dmhParseUeventFile(d, nullptr), -2);
}

// Only a four-character partition name not beginning with 'm' runs the FUSE attempt.
TEST_F(DmhAttrTest, FuseAttemptOnlyForFourCharacterNames)
{
    for (const char* name : {"sda", "sda10", "mmc0"}) {
        sandbox.write("/sys/p/uevent", std::string("DEVNAME=") + name + "\n");
        DmhBlkUeventAttr attr;
        EXPECT_EQ(dmhParseUeventFile("/sys/p", &attr), 0);
    }
    EXPECT_TRUE(sandbox.quoridLog().empty());
}

TEST_F(DmhAttrTest, FuseMountSuccessRecordsItsPath)
{
    sandbox.setQuoridStatus(0, "/sbin/mount.exfat-fuse");
    sandbox.write("/sys/p/uevent", "MAJOR=8\nMINOR=1\nDEVNAME=sda1\nDEVTYPE=partition\n");
    DmhBlkUeventAttr attr;
    ASSERT_EQ(dmhParseUeventFile("/sys/p", &attr), 0);
    EXPECT_EQ(sandbox.quoridLog(), (std::vector<std::string>{"mkdir /data/mnt/sda1", "chmod 777 /data/mnt/sda1",
                                                             "/sbin/mount.exfat-fuse /dev/sda1 /data/mnt/sda1"}));
    EXPECT_EQ(sandbox.read("/sim/mount.exfat-fuse.log"), "/dev/sda1 /data/mnt/sda1\n");
    DmMntInfo info{};
    ASSERT_EQ(uDmGetMntInfo(&info), DMR_OK);
    EXPECT_EQ(info.bMnt, 1);
    EXPECT_EQ(info.ui4FsCode, DM_FS_TEXFAT);
    EXPECT_STREQ(info.acMntPath, "/data/mnt/sda1");
}

TEST_F(DmhAttrTest, FuseMountFailureTriesFiveRoundsUnlessFilesAppear)
{
    sandbox.write("/sys/p/uevent", "DEVNAME=sdb1\n");
    DmhBlkUeventAttr attr;
    ASSERT_EQ(dmhParseUeventFile("/sys/p", &attr), 0);
    EXPECT_EQ(count(sandbox.quoridLog(), "/sbin/mount.exfat-fuse /dev/sdb1 /data/mnt/sdb1"), 5u);
    EXPECT_EQ(count(wrapperLog(), "guiWrapperUsbUdiskPlugStsSet 1"), 5u);
    DmMntInfo info{};
    EXPECT_EQ(uDmGetMntInfo(&info), DMR_NOT_MOUNTED);

    // The mounter answers failure but leaves files behind: that counts as mounted.
    sandbox.write("/sim/mount.exfat-fuse.put", "track");
    sandbox.write("/sys/q/uevent", "DEVNAME=sdc1\n");
    ASSERT_EQ(dmhParseUeventFile("/sys/q", &attr), 0);
    EXPECT_EQ(count(sandbox.quoridLog(), "/sbin/mount.exfat-fuse /dev/sdc1 /data/mnt/sdc1"), 1u);
    ASSERT_EQ(uDmGetMntInfo(&info), DMR_OK);
    EXPECT_STREQ(info.acMntPath, "/data/mnt/sdc1");
}

}  // namespace
