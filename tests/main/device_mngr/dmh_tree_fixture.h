// A USB tree laid out as sysfs files in the test's root (no simulator), and a fresh device tree
// and callback list for each test.
#pragma once

#include "main/device_mngr/dmh_nfy.h"
#include "main/device_mngr/dmh_nfy_priv.h"
#include "tests/main/am/app_harness.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <string>

namespace dmhtest {

// The sysfs paths of one stick on controller directory `hcd` ("KvxUsbHcd.0").
struct StickPaths {
    std::string hub;        // the root hub, level 0
    std::string device;     // the USB device, level 1
    std::string interface;  // its storage interface
    std::string disk;       // level 2
    std::string partition;  // level 3
};

inline StickPaths stickPaths(const std::string& hcd)
{
    StickPaths p;
    p.hub = "/sys/devices/platform/" + hcd + "/usb1";
    p.device = p.hub + "/1-1";
    p.interface = p.device + "/1-1:1.0";
    p.disk = p.interface + "/host0/target0:0:0/0:0:0:0/block/sda";
    p.partition = p.disk + "/sda1";
    return p;
}

// Lays out the stick's files; a disk of `diskSectors` 0 is a card reader without a card.
inline StickPaths layOutStick(const sbtest::Sandbox& sb, const std::string& hcd, const std::string& vendor,
                              const std::string& product, uint64_t diskSectors = 16000000)
{
    const StickPaths p = stickPaths(hcd);
    sb.write(p.hub + "/uevent", "MAJOR=189\nMINOR=0\nDEVTYPE=usb_device\nDRIVER=usb\n");
    sb.write(p.hub + "/devnum", "1\n");
    sb.write(p.hub + "/maxchild", "1\n");
    sb.write(p.device + "/uevent", "MAJOR=189\nMINOR=1\nDEVTYPE=usb_device\nDRIVER=usb\n");
    sb.write(p.device + "/devnum", "2\n");
    sb.write(p.device + "/maxchild", "0\n");
    sb.write(p.device + "/idVendor", vendor + "\n");
    sb.write(p.device + "/idProduct", product + "\n");
    sb.write(p.interface + "/uevent", "DEVTYPE=usb_interface\nDRIVER=usb-storage\n");
    sb.write(p.disk + "/uevent", "MAJOR=8\nMINOR=0\nDEVNAME=sda\nDEVTYPE=disk\n");
    sb.write(p.disk + "/size", std::to_string(diskSectors) + "\n");
    sb.write(p.disk + "/queue/hw_sector_size", "512\n");
    sb.write(p.partition + "/uevent", "MAJOR=8\nMINOR=1\nDEVNAME=sda1\nDEVTYPE=partition\n");
    sb.write(p.partition + "/size", "15990000\n");
    // The FUSE attempt of the partition's uevent file finds files in its directory: no rounds.
    sb.write("/data/mnt/sda1/x", "");
    return p;
}

// Every record of the tree (the caller holds no lock; tests run on one thread).
inline std::vector<const DmhDevNode*> records()
{
    std::vector<const DmhDevNode*> all;
    for (const DmhDevNode* r = gDmhDev.load()->t_dev_list; r != nullptr; r = r->next) {
        all.push_back(r);
    }
    return all;
}

inline DmhDevNode* recordAt(const std::string& path)
{
    for (DmhDevNode* r = gDmhDev.load()->t_dev_list; r != nullptr; r = r->next) {
        if (r->ps_full_dev_path == path) {
            return r;
        }
    }
    return nullptr;
}

class TreeTest : public sbtest::SandboxTest {
protected:
    static void SetUpTestSuite() { apptest::startExecEnv(); }
    void SetUp() override
    {
        ASSERT_EQ(dmhCreateRoot(), 0);
        dmhClearLists();
    }
    void TearDown() override { dmhClearLists(); }
};

}  // namespace dmhtest
