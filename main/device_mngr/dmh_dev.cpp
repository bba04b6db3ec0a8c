#include "main/device_mngr/dmh_dev.h"

#include "main/device_mngr/dm_log.h"
#include "main/device_mngr/dmh_lock_priv.h"
#include "main/device_mngr/dmh_netlink.h"
#include "main/mw/os_pthread/os_thread.h"
#include "main/mw/rwlock/rwlock.h"
#include "platform/sbdev/sb_sysfs.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <cstdlib>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

std::atomic<DmhRoot*> gDmhDev{nullptr};
std::atomic<uint32_t> gRootUsbNum{0};

namespace {

constexpr size_t kDevNodeMax = 20;
constexpr size_t kScsiPathMax = 127;
constexpr int kDriverReads = 20;
constexpr uint32_t kDriverReadMs = 20;

struct UsbId {
    uint16_t vendor;
    uint16_t product;
};

// Wi-Fi dongles the start-up scan recognises when they come without a driver.
constexpr UsbId kScanWifiDongles[] = {
    {0x0CF3, 0x7011}, {0x0CF3, 0x7010}, {0x0CF3, 0x9271}, {0x045E, 0x02A7}, {0x0471, 0x209E},
    {0x04CA, 0x4605}, {0x0411, 0x017F}, {0x148F, 0x3370}, {0x1286, 0x2041}, {0x1286, 0x2042},
};

// Dongles served by the "rtsta" and "rt2870" drivers, by vendor and the decimal reading of their
// product id.
struct WifiClassRow {
    uint32_t vendor;
    uint32_t product;
    uint32_t type;
};
constexpr WifiClassRow kWifiClasses[] = {
    {0x043E, 31253, DMH_DEV_WIFI_RTSTA},
    {0x148F, 3070, DMH_DEV_WIFI_RTSTA},
    {KVX_USB_VENDOR_ID, 7601, DMH_DEV_WIFI_RTSTA},
    {KVX_USB_VENDOR_ID, 7603, DMH_DEV_WIFI_RTSTA},
    {KVX_USB_VENDOR_ID, 7612, DMH_DEV_WIFI_RTSTA},
    {KVX_USB_VENDOR_ID, 7662, DMH_DEV_WIFI_RT2870},
    {KVX_USB_VENDOR_ID, 7663, DMH_DEV_WIFI_RT2870},
    {KVX_USB_VENDOR_ID, 7668, DMH_DEV_WIFI_RT2870},
    {KVX_USB_VENDOR_ID, 7961, DMH_DEV_WIFI_RT2870},
};

constexpr std::string_view kSkippedNames[] = {"power", "usb_device", "usb_endpoint", "scsi_disk", "scsi_device"};

bool contains(const std::string& s, std::string_view part)
{
    return s.find(part) != std::string::npos;
}

bool startsWith(const std::optional<std::string>& s, std::string_view prefix)
{
    return s && s->compare(0, prefix.size(), prefix) == 0;
}

uint32_t rootDevIdOf(const std::string& path)
{
    if (contains(path, "usb1")) {
        return 4;
    }
    if (contains(path, "usb2")) {
        return 5;
    }
    if (contains(path, "usb3")) {
        return 6;
    }
    return 0;
}

uint8_t lastDigit(const std::string& path)
{
    const char c = path.empty() ? '\0' : path.back();
    return c >= '0' && c <= '9' ? static_cast<uint8_t>(c - '0') : 0;
}

uint8_t levelOf(const std::string& path, int less)
{
    return static_cast<uint8_t>(dmhGetPathLength(path) - less);
}

// Pushes a finished record at the head under the write lock; -12 when the lock fails (the record
// is then freed).
int32_t pushRecord(std::unique_ptr<DmhDevNode> rec, DmhDevNode** out)
{
    DmhRoot* root = gDmhDev.load();
    if (root == nullptr) {
        return -12;
    }
    DmhRwHold hold(root->hDevLock, true);
    if (!hold.held()) {
        return -12;
    }
    DmhDevNode* node = rec.release();
    dmhPushHead(root->t_dev_list, node);
    if (out != nullptr) {
        *out = node;
    }
    return 0;
}

std::unique_ptr<DmhDevNode> newRecord()
{
    return std::unique_ptr<DmhDevNode>(new (std::nothrow) DmhDevNode);
}

// A hub-style record; `classify` finishes it before it is linked, as others read linked records.
int32_t addHubStyle(const std::string& path, uint32_t type, DmhDevNode** out,
                    const std::function<void(DmhDevNode&)>& classify = {})
{
    auto rec = newRecord();
    if (!rec) {
        return -6;
    }
    if (dmhFillHubDev(path, rec.get()) != 0) {
        return -1;
    }
    rec->t_device_type = type;
    if (classify) {
        classify(*rec);
    }
    return pushRecord(std::move(rec), out);
}

// Reads the uevent file until it names a driver: the driver, or nothing with *failed set when a
// read failed outright.
std::optional<std::string> waitDriver(const std::string& dir, int reads, uint32_t gapMs, bool* failed)
{
    *failed = false;
    for (int i = 0; i < reads; ++i) {
        DmhBlkUeventAttr attr;
        if (dmhParseUeventFile(dir, &attr) != 0) {
            *failed = true;
            return std::nullopt;
        }
        if (attr.ps_driver) {
            return attr.ps_driver;
        }
        if (i + 1 < reads) {
            uThreadDelay(gapMs);
        }
    }
    return std::nullopt;
}

uint32_t wifiClassOf(const DmhDevNode& rec)
{
    for (const WifiClassRow& row : kWifiClasses) {
        if (row.vendor == rec.ui4_vendor && row.product == rec.ui4_product) {
            return row.type;
        }
    }
    return DMH_DEV_UNSUPPORTED;
}

int32_t handInterface(const std::string& dir)
{
    bool failed = false;
    const auto driver = waitDriver(dir, kDriverReads, kDriverReadMs, &failed);
    if (failed) {
        return -2;
    }
    const std::string parent = dir.substr(0, dir.rfind('/'));
    DmhDevNode* rec = nullptr;
    if (!driver) {
        const uint32_t product = dmhGetAttrProductId(parent);
        const uint32_t vendor = dmhGetAttrVendorId(parent);
        const bool dongle = std::any_of(std::begin(kScanWifiDongles), std::end(kScanWifiDongles),
                                        [&](const UsbId& id) { return id.vendor == vendor && id.product == product; });
        if (dongle) {
            const uint32_t num = contains(dir, "usb1") ? 1 : contains(dir, "usb2") ? 2 : contains(dir, "usb3") ? 3 : 0;
            if (num == 0) {
                DM_ERR("[DMH]: not invalid path:dmhDevPath=%s\n", dir.c_str());
            } else {
                gRootUsbNum.store(num);
            }
        }
        return addHubStyle(parent, DMH_DEV_FAKE_HUB, nullptr, [dongle](DmhDevNode& r) {
                   r.t_device_type = dongle ? DMH_DEV_WIFI_DONGLE : DMH_DEV_UNSUPPORTED;
                   r.ui1_dev_level = 2;
               }) == 0
                   ? 0
                   : -1;
    }
    if (driver->compare(0, 11, "usb-storage") == 0) {
        const int32_t r = dmhAddFakeHubDev(parent, &rec);
        if (r == 0) {
            DM_INFO("usb_storage Added @ %s(%d) && ui_level=%d!\n", __func__, __LINE__, rec->ui1_dev_level);
        }
        return r;
    }
    if (driver->compare(0, 5, "btusb") == 0) {
        return addHubStyle(parent, DMH_DEV_FAKE_HUB, nullptr, [](DmhDevNode& r) {
                   r.t_device_type = DMH_DEV_UNSUPPORTED;
                   r.ui1_dev_level = 2;
               }) == 0
                   ? 0
                   : -1;
    }
    if (driver->compare(0, 5, "rtsta") == 0 || driver->compare(0, 6, "rt2870") == 0) {
        return addHubStyle(parent, DMH_DEV_FAKE_HUB, nullptr,
                           [](DmhDevNode& r) { r.t_device_type = wifiClassOf(r); }) == 0
                   ? 0
                   : -1;
    }
    return 0;
}

int32_t handUsbDevice(const std::string& dir)
{
    dmhMountUsbfsOnce();
    bool failed = false;
    const auto driver = waitDriver(dir, kDriverReads, kDriverReadMs, &failed);
    if (failed) {
        return -2;
    }
    if (!driver) {
        DM_ERR("Can't read driver!\n");
        return -2;
    }
    if (driver->compare(0, 3, "usb") != 0) {
        return -1;
    }
    if (dmhGetAttrNum(dir, "maxchild") == 0) {
        return 0;
    }
    return dmhAddRealHubDev(dir, nullptr);
}

}  // namespace

int32_t dmhGetPathLength(const std::string& path)
{
    return static_cast<int32_t>(std::count(path.begin(), path.end(), '/'));
}

std::string dmhDevNodeOf(const std::string& blockPath)
{
    const size_t s = blockPath.rfind('s');
    std::string node = "/dev/" + (s == std::string::npos ? blockPath : blockPath.substr(s));
    node.resize(std::min(node.size(), kDevNodeMax));
    return node;
}

int32_t dmhFillHubDev(const std::string& path, DmhDevNode* rec)
{
    if (rec == nullptr || path.empty()) {
        return -2;
    }
    DmhBlkUeventAttr attr;
    if (dmhParseUeventFile(path, &attr) != 0) {
        dmhFreeUeventFile(&attr);
        return -1;
    }
    rec->t_uevent.uMajor = attr.uMajor;
    rec->t_uevent.uMinor = attr.uMinor;
    rec->t_uevent.ps_dev_type = attr.ps_dev_type;
    rec->t_uevent.ps_phys_dev_driver = attr.ps_phys_dev_driver;
    rec->t_uevent.ps_phys_dev_path = path.size() > 4 ? path.substr(4) : std::string();
    rec->ps_full_dev_path = path;
    rec->ps_manufacturer = dmhGetAttrTxt(path, "manufacturer").value_or("");
    rec->ps_product_name = dmhGetAttrTxt(path, "product").value_or("");
    rec->ps_version = dmhGetAttrTxt(path, "version").value_or("");
    rec->ui4_devnum = dmhGetAttrNum(path, "devnum");
    rec->ui4_maxchild = dmhGetAttrNum(path, "maxchild");
    rec->ui4_product = dmhGetAttrNum(path, "idProduct");
    rec->ui4_vendor = dmhGetAttrVendorId(path);
    rec->ui4_speed = dmhGetAttrNum(path, "speed");
    rec->ui1_skt_no = lastDigit(path);
    rec->ui1_dev_level = levelOf(path, 5);
    rec->ui4_dev_flag = 4;
    rec->ui4_root_dev_id = rootDevIdOf(path);
    return 0;
}

int32_t dmhAddRootHubDev(const std::string& path)
{
    return addHubStyle(path, DMH_DEV_ROOT_HUB, nullptr);
}

int32_t dmhAddRealHubDev(const std::string& path, DmhDevNode** out)
{
    return addHubStyle(path, DMH_DEV_HUB, out);
}

int32_t dmhAddFakeHubDev(const std::string& path, DmhDevNode** out)
{
    return addHubStyle(path, DMH_DEV_FAKE_HUB, out);
}

int32_t dmhAddUsbStorageDev(const std::string& path)
{
    auto rec = newRecord();
    if (!rec) {
        return -6;
    }
    rec->t_device_type = DMH_DEV_USB_STORAGE;
    rec->ui4_dev_flag = 1;
    rec->ui1_dev_level = levelOf(path, 10);
    if (dmhParseUeventFile(path, &rec->t_uevent) != 0) {
        return -2;
    }
    rec->ps_full_dev_path = path;
    rec->ps_dev_node = dmhDevNodeOf(path);
    // The SCSI device directory: the block path less its "block/<name>" tail.
    const size_t s = path.rfind('s');
    std::string scsi = s != std::string::npos && s >= 6 ? path.substr(0, s - 6) : path;
    scsi.resize(std::min(scsi.size(), kScsiPathMax));
    const size_t colon = scsi.rfind(':');
    rec->ui1_skt_no = colon == std::string::npos ? 0 : static_cast<uint8_t>(std::atoi(scsi.c_str() + colon + 1));
    rec->ps_model_name = dmhGetModelName(scsi).value_or("");
    rec->ps_vendor_name = dmhGetVendorName(scsi).value_or("");
    rec->ui8_size = dmhGetDevSize(path);
    rec->ps_state = dmhGetStateName(path).value_or("");
    rec->ui4_hw_sector_size = dmhGetDevHwSectorSize(path);
    rec->ps_rev = dmhGetRevName(path).value_or("");
    rec->ui1_removable = static_cast<uint8_t>(dmhGetAttrNum(path, "removable"));
    rec->ui4_root_dev_id = rootDevIdOf(path);
    if (rec->ui8_size == 0) {
        return -2;  // a card reader without its card
    }
    return pushRecord(std::move(rec), nullptr);
}

int32_t dmhAddUsbPartitionDev(const std::string& path, const std::string& node)
{
    auto rec = newRecord();
    if (!rec) {
        return -6;
    }
    rec->t_device_type = DMH_DEV_PARTITION;
    rec->ui4_dev_flag = 1;
    if (dmhParseUeventFile(path, &rec->t_uevent) != 0) {
        return -2;
    }
    rec->ui8_size = dmhGetDevSize(path);
    if (rec->ui8_size == 0) {
        return -2;
    }
    rec->ps_full_dev_path = path;
    rec->ui1_skt_no = lastDigit(path);
    rec->ps_dev_node = node;
    // The owning USB device's directory is the first 42 characters of the path.
    const std::string usbDevice = path.substr(0, 42);
    rec->ui4_product_id = dmhGetAttrProductId(usbDevice);
    rec->ui4_vendor_id = dmhGetAttrVendorId(usbDevice);
    rec->ui1_dev_level = levelOf(path, 10);
    const size_t s = path.rfind('s');
    const size_t slash = s == std::string::npos ? std::string::npos : path.rfind('/', s);
    rec->ui4_hw_sector_size = dmhGetDevHwSectorSize(slash == std::string::npos ? path : path.substr(0, slash));
    rec->ui4_root_dev_id = rootDevIdOf(path);
    return pushRecord(std::move(rec), nullptr);
}

int32_t dmhFreeUnfinishDev(DmhDevNode* rec)
{
    if (rec == nullptr) {
        return -2;
    }
    std::unique_ptr<DmhDevNode> owned(rec);
    return 0;
}

int32_t dmhFreeDev(DmhDevNode* rec)
{
    return dmhFreeUnfinishDev(rec);
}

void dmhUnlinkDev(DmhDevNode* rec)
{
    dmhUnlink(rec);
}

int32_t dmhScanPath(const std::string& root)
{
    std::vector<std::string> pending;
    pending.push_back(root);
    std::vector<SbSysfsEntry> entries;
    while (!pending.empty()) {
        const std::string dir = std::move(pending.back());
        pending.pop_back();
        if (sb_sysfs_list(dir.c_str(), &entries) != 0) {
            if (errno == ENOTDIR) {
                DM_ERR("%s is not a dir\n", dir.c_str());
            } else {
                DM_ERR("open %s fail, errno=%d\n", dir.c_str(), errno);
            }
            continue;
        }
        const int32_t handled = dmhHandPath(dir);
        if (handled != 0) {
            DM_INFO("[DMH]%s: %s gives %d\n", __func__, dir.c_str(), handled);
        }
        for (const SbSysfsEntry& e : entries) {
            const bool skipped = std::find(std::begin(kSkippedNames), std::end(kSkippedNames), e.name) !=
                                     std::end(kSkippedNames) ||
                                 contains(e.name, "loop") || contains(e.name, "ram");
            if (!skipped && e.isDir) {
                pending.push_back(dir + "/" + e.name);
            }
        }
    }
    return 0;
}

int32_t dmhHandPath(const std::string& dir)
{
    DmhBlkUeventAttr attr;
    if (!dmhCheckFile(dmhAttrPath(dir, "uevent"))) {
        return -2;
    }
    if (dmhParseUeventFile(dir, &attr) != 0) {
        DM_ERR("dmhParseUeventFile error \n");
        return -2;
    }
    if (!contains(dir, "usb")) {
        return 0;
    }
    if (!attr.ps_dev_type) {
        return -3;
    }
    const std::string& devType = *attr.ps_dev_type;
    const uint32_t maxchild = dmhGetAttrNum(dir, "maxchild");
    if (maxchild != 0 && dmhGetAttrNum(dir, "devnum") == 1) {
        DM_INFO("[DMH] [%s:%d] dev is root hub\n", __func__, __LINE__);
        return dmhAddRootHubDev(dir);
    }
    if (devType == "usb_device") {
        return handUsbDevice(dir);
    }
    if (devType == "usb_interface") {
        return handInterface(dir);
    }
    if (devType == "disk") {
        DM_INFO("[DMH]scan nand flash path  pDevPath %s \n", dir.c_str());
        dmhAddUsbStorageDev(dir);
        return 0;
    }
    if (devType == "partition") {
        dmhAddUsbPartitionDev(dir, dmhDevNodeOf(dir));
        return 0;
    }
    if (startsWith(attr.ps_driver, "btkvx_usb")) {
        addHubStyle(dir.substr(0, dir.rfind('/')), DMH_DEV_BT_USB, nullptr);
    }
    return 0;
}
