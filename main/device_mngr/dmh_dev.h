// The USB device tree: one flat list of records for root hubs, hubs, USB devices ("fake hubs", the
// device that carries a storage, Bluetooth, Wi-Fi or other interface), storage disks and their
// partitions. A record's parent is found by its nesting level and its sysfs path, not by pointers.
// The list hangs from gDmhDev and is guarded by its device-list lock; new records go to the head.
#pragma once

#include "main/device_mngr/dmh_attr.h"
#include "main/mw/handle/handle.h"

#include <atomic>
#include <cstdint>
#include <string>

// Device types of a record (`t_device_type`).
enum DmhDevType : uint32_t {
    DMH_DEV_UNSUPPORTED = 0,  // a USB device nothing here serves
    DMH_DEV_ROOT_HUB = 1,
    DMH_DEV_HUB = 2,
    DMH_DEV_FAKE_HUB = 3,  // the USB device behind an interface
    DMH_DEV_SKT_TYPE_OPTI_DRV = 4,
    DMH_DEV_CIFS = 9,
    DMH_DEV_BT_USB = 11,
    DMH_DEV_USB_SOUND = 17,
    DMH_DEV_WIFI_DONGLE = 18,
    DMH_DEV_WIFI_RTSTA = 21,
    DMH_DEV_WIFI_RT2870 = 25,
    DMH_DEV_USB_STORAGE = 31,
    DMH_DEV_PARTITION = 32,
    DMH_DEV_BD = 35,
    DMH_DEV_ENDPOINT = 38,  // a device announced by its endpoints
    DMH_DEV_MEMCARD = 39,
};

struct DmhNfyNode;

struct DmhDevNode {
    std::string ps_manufacturer;   // hub-style records
    std::string ps_product_name;   // hub-style records
    std::string ps_version;        // hub-style records
    std::string ps_vendor_name;    // SCSI "vendor" (disks)
    std::string ps_model_name;     // SCSI "model" (disks)
    std::string ps_state;          // disks
    std::string ps_rev;            // disks
    std::string ps_dev_node;       // "/dev/sda1"
    std::string ps_full_dev_path;  // the sysfs directory, beginning "/sys"
    uint8_t ui1_skt_no = 0;        // port, SCSI LUN or partition number
    uint8_t ui1_removable = 0;
    uint8_t ui1_dev_level = 0;
    uint32_t ui4_hw_sector_size = 0;
    uint32_t ui4_devnum = 0;
    uint32_t ui4_maxchild = 0;
    uint32_t ui4_product = 0;  // hub-style: idProduct read as a decimal number
    uint32_t ui4_vendor = 0;   // hub-style: idVendor, hexadecimal
    uint32_t ui4_speed = 0;
    uint32_t ui4_dev_flag = 0;  // 4 hub-style, 1 disks and partitions
    // Disks: the attach (status 3) delivered, and to which registration. Set by the hotplug thread
    // and by registration replays on the device manager's threads.
    std::atomic<uint32_t> ui4_attach_reported{0};
    std::atomic<const DmhNfyNode*> pt_attach_receiver{nullptr};
    uint8_t ui1_detach_reported = 0;
    uint64_t ui8_size = 0;  // 512-byte sectors
    uint64_t ui8_free_size = 0;
    uint32_t t_device_type = DMH_DEV_UNSUPPORTED;
    DmhBlkUeventAttr t_uevent;  // uMajor and uMinor identify the record
    uint32_t ui4_root_dev_id = 0;
    DmhDevNode* next = nullptr;
    DmhDevNode** pprev = nullptr;
    uint32_t ui4_product_id = 0;  // partitions: idProduct of the owning USB device
    uint32_t ui4_vendor_id = 0;   // partitions: idVendor of the owning USB device
};

// The module record behind gDmhDev (made by dmhInit, never freed).
struct DmhRoot {
    handle_t hNfyLock = 0;  // the callback list
    handle_t hDevLock = 0;  // the device list
    DmhNfyNode* t_nfy_list = nullptr;
    DmhDevNode* t_dev_list = nullptr;
};

extern std::atomic<DmhRoot*> gDmhDev;

// Root hub ids the start-up scan found a Wi-Fi dongle under (1 to 3).
extern std::atomic<uint32_t> gRootUsbNum;

// Constructors: each takes the device-list write lock itself (the caller must not hold it), pushes
// the record at the head and releases the lock. 0; -6 without memory; -12 when the lock fails; and
// the values listed.
int32_t dmhAddRootHubDev(const std::string& path);                      // -1: uevent unreadable
int32_t dmhAddRealHubDev(const std::string& path, DmhDevNode** out);    // -1: uevent unreadable
int32_t dmhAddFakeHubDev(const std::string& path, DmhDevNode** out);    // -1: uevent unreadable
int32_t dmhAddUsbStorageDev(const std::string& path);                   // -2: unreadable or size 0
int32_t dmhAddUsbPartitionDev(const std::string& path, const std::string& node);  // -2: as above

// Fills a hub-style record from its directory; 0, -1 when the uevent file cannot be read, -2 for a
// missing argument.
int32_t dmhFillHubDev(const std::string& path, DmhDevNode* rec);

// Frees an unlinked record; 0, or -2 for none.
int32_t dmhFreeUnfinishDev(DmhDevNode* rec);
int32_t dmhFreeDev(DmhDevNode* rec);
// Takes a record out of the list (the caller holds the write lock); it is not freed.
void dmhUnlinkDev(DmhDevNode* rec);

// The number of '/' in the path.
int32_t dmhGetPathLength(const std::string& path);

// Walks the tree under `root` depth first and classifies every directory; 0, or -6 when the first
// allocations fail. The pending paths grow as the tree needs.
int32_t dmhScanPath(const std::string& root);
// Classifies one directory: 0 handled or ignored, -1 refused or failed, -2 no uevent file or
// unreadable, -3 no DEVTYPE.
int32_t dmhHandPath(const std::string& dir);

// "/dev/" and the tail of a block path from its last 's' (at most 20 characters in all).
std::string dmhDevNodeOf(const std::string& blockPath);

// USB vendor of the platform chip maker's own Wi-Fi dongles.
constexpr uint32_t KVX_USB_VENDOR_ID = 0x3CA1;
