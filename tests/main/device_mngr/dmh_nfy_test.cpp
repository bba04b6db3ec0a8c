#include "main/device_mngr/dmh_nfy.h"

#include "tests/main/device_mngr/dmh_tree_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using dmhtest::layOutStick;
using dmhtest::recordAt;

struct Heard {
    uintptr_t tag;
    uint32_t status;
    DmhDevInfo info;
};

std::vector<Heard> gHeard;

void listen(uintptr_t tag, uint32_t status, const DmhDevInfo* info)
{
    gHeard.push_back({tag, status, *info});
}

class DmhNfyTest : public dmhtest::TreeTest {
protected:
    void SetUp() override
    {
        dmhtest::TreeTest::SetUp();
        gHeard.clear();
    }
    static int32_t notify(DmhDevNode* rec, uint32_t status) { return dmhNfyFunc(rec, rec->ui1_dev_level, status); }
};

// A stick on a root port at start-up: its disk sits at level 2 and is replayed as the hotplug
// thread would tell it, named, once, with this registration as the receiver of its detach.
TEST_F(DmhNfyTest, RootRegistrationReplaysTheDiskOfAStickPresentAtStart)
{
    const auto p = layOutStick(sandbox, "KvxUsbHcd.0", "0781", "5567");
    ASSERT_EQ(dmhScanPath("/sys/devices/platform"), 0);
    const DmhNfy nfy{7, listen};
    ASSERT_EQ(dmhRegRootNfyFct(4, &nfy), 0);
    ASSERT_EQ(gHeard.size(), 1u);
    EXPECT_EQ(gHeard[0].tag, 7u);
    EXPECT_EQ(gHeard[0].status, DMH_NFY_DISK_ATTACH);
    EXPECT_EQ(gHeard[0].info.tDevType, DMH_DEV_USB_STORAGE);
    EXPECT_EQ(gHeard[0].info.uMajor, 8u);
    EXPECT_EQ(gHeard[0].info.uMinor, 0u);
    EXPECT_STREQ(gHeard[0].info.pDevName, "sda");
    EXPECT_EQ(gHeard[0].info.ps_vendor, 0u);  // replays carry no ids

    // A medium change re-announces the disk: absorbed. Pulling it reaches this registration.
    DmhDevNode* disk = recordAt(p.disk);
    ASSERT_NE(disk, nullptr);
    EXPECT_EQ(notify(disk, DMH_NFY_DISK_ATTACH), 0);
    EXPECT_EQ(gHeard.size(), 1u);
    EXPECT_EQ(notify(disk, DMH_NFY_DISK_DETACH), 0);
    ASSERT_EQ(gHeard.size(), 2u);
    EXPECT_EQ(gHeard[1].tag, 7u);
    EXPECT_EQ(gHeard[1].status, DMH_NFY_DISK_DETACH);

    gHeard.clear();
    ASSERT_EQ(dmhRegRootNfyFct(5, &nfy), 0);
    ASSERT_EQ(dmhRegRootNfyFct(8, &nfy), 0);
    EXPECT_TRUE(gHeard.empty());
}

// A second registration for the same controller hears no second attach of a disk already told.
TEST_F(DmhNfyTest, RootReplayTellsADiskOnce)
{
    layOutStick(sandbox, "KvxUsbHcd.0", "0781", "5567");
    ASSERT_EQ(dmhScanPath("/sys/devices/platform"), 0);
    const DmhNfy first{1, listen};
    const DmhNfy second{2, listen};
    ASSERT_EQ(dmhRegRootNfyFct(4, &first), 0);
    ASSERT_EQ(dmhRegRootNfyFct(4, &second), 0);
    ASSERT_EQ(gHeard.size(), 1u);
    EXPECT_EQ(gHeard[0].tag, 1u);
}

TEST_F(DmhNfyTest, RootIdNineStaysAndHearsUnknownControllers)
{
    const auto p = layOutStick(sandbox, "EhciUsbHc.0", "0781", "5567");
    const DmhNfy none{9, listen};
    EXPECT_EQ(dmhRegRootNfyFct(9, &none), -1);
    const DmhNfy bad{10, listen};
    EXPECT_EQ(dmhRegRootNfyFct(10, &bad), -2);
    ASSERT_EQ(dmhScanPath("/sys/devices/platform"), 0);
    EXPECT_EQ(notify(recordAt(p.disk), DMH_NFY_DISK_ATTACH), 0);
    EXPECT_EQ(notify(recordAt(p.partition), DMH_NFY_PART_ATTACH), 0);
    ASSERT_EQ(gHeard.size(), 2u);
    EXPECT_EQ(gHeard[0].tag, 9u);
    EXPECT_EQ(gHeard[0].status, DMH_NFY_DISK_ATTACH);
    EXPECT_STREQ(gHeard[0].info.pDevName, "sda");
    EXPECT_EQ(gHeard[1].tag, 9u);
    EXPECT_STREQ(gHeard[1].info.pDevName, "sda1");
    EXPECT_EQ(gHeard[1].info.ps_product, 0x5567u);
    EXPECT_EQ(gHeard[1].info.ps_vendor, 0x0781u);
}

// Two registrations for the hub: the later one hears the new disk, once until its detach.
TEST_F(DmhNfyTest, LaterRegistrationHearsAttachOnceUntilDetach)
{
    const auto p = layOutStick(sandbox, "KvxUsbHcd.0", "0781", "5567");
    ASSERT_EQ(dmhAddRootHubDev(p.hub), 0);
    ASSERT_EQ(dmhAddFakeHubDev(p.device, nullptr), 0);
    const DmhNfy first{1, listen};
    const DmhNfy second{2, listen};
    ASSERT_EQ(dmhRegNfyFct(189, 1, &first), 0);
    ASSERT_EQ(dmhRegNfyFct(189, 1, &second), 0);
    ASSERT_EQ(dmhAddUsbStorageDev(p.disk), 0);
    DmhDevNode* disk = recordAt(p.disk);
    ASSERT_NE(disk, nullptr);

    EXPECT_EQ(notify(disk, DMH_NFY_DISK_ATTACH), 0);
    EXPECT_EQ(notify(disk, DMH_NFY_DISK_ATTACH), 0);  // absorbed
    EXPECT_EQ(notify(disk, DMH_NFY_DISK_DETACH), 0);
    EXPECT_EQ(notify(disk, DMH_NFY_DISK_ATTACH), 0);
    ASSERT_EQ(gHeard.size(), 3u);
    for (const Heard& h : gHeard) {
        EXPECT_EQ(h.tag, 2u);
    }
    EXPECT_EQ(gHeard[0].status, DMH_NFY_DISK_ATTACH);
    EXPECT_EQ(gHeard[1].status, DMH_NFY_DISK_DETACH);
    EXPECT_EQ(gHeard[2].status, DMH_NFY_DISK_ATTACH);
}

// A device registration replays the children and marks a disk's attach as delivered.
TEST_F(DmhNfyTest, DeviceRegistrationReplaysChildren)
{
    const auto p = layOutStick(sandbox, "KvxUsbHcd.0", "0781", "5567");
    ASSERT_EQ(dmhScanPath("/sys/devices/platform"), 0);
    const DmhNfy hub{3, listen};
    ASSERT_EQ(dmhRegNfyFct(189, 1, &hub), 0);
    ASSERT_EQ(gHeard.size(), 1u);
    EXPECT_EQ(gHeard[0].status, DMH_NFY_DISK_ATTACH);
    EXPECT_STREQ(gHeard[0].info.pDevName, "sda");
    EXPECT_EQ(notify(recordAt(p.disk), DMH_NFY_DISK_ATTACH), 0);
    EXPECT_EQ(gHeard.size(), 1u);

    const DmhNfy disk{4, listen};
    ASSERT_EQ(dmhRegNfyFct(8, 0, &disk), 0);
    ASSERT_EQ(gHeard.size(), 2u);
    EXPECT_EQ(gHeard[1].tag, 4u);
    EXPECT_EQ(gHeard[1].status, DMH_NFY_PART_ATTACH);
    EXPECT_STREQ(gHeard[1].info.pDevName, "sda1");
}

}  // namespace
