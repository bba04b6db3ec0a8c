#include "main/device_mngr/dmh_netlink.h"

#include "main/am/aee/aee.h"
#include "main/am/am.h"
#include "main/device_mngr/dm_brdcst.h"
#include "main/device_mngr/dm_core.h"
#include "main/device_mngr/dm_log.h"
#include "main/device_mngr/dm_mount.h"
#include "main/device_mngr/dmh_lock_priv.h"
#include "main/device_mngr/dmh_nfy.h"
#include "main/device_mngr/dmh_uevent_msg.h"
#include "main/mw/os_pthread/os_thread.h"
#include "main/mw/rwlock/rwlock.h"
#include "main/state_mngr/state_mngr.h"
#include "platform/quorid/quorid.h"
#include "platform/sbdev/sb_mount.h"
#include "platform/sbdev/sb_uevent.h"
#include "platform/sbroot/sb_root.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/stat.h>

std::atomic<uint8_t> gDmhMountUsbfs{1};
std::atomic<uint8_t> g_kernelInfo{1};
std::atomic<uint8_t> gDmhOpenDevThread{0};
std::atomic<uint8_t> gDmhOpenDevThreadExited{0};

namespace {

constexpr uint32_t kThreadStack = 0x10000;
constexpr uint8_t kThreadPriority = 120;
constexpr int kInterfaceReads = 21;
constexpr uint32_t kInterfaceReadMs = 10;
constexpr uint32_t kDiskNotifyDelayMs = 1000;
constexpr uint32_t kRecvRetryMs = 100;
constexpr uint32_t kCdromMajor = 11;
constexpr size_t kCmdLen = 64;

struct Hotplug {
    std::atomic<bool> servicesUp{false};
    // Thread-private: the next usb_interface add belongs to a USB device already in the tree.
    bool deviceAlreadyInTree = false;
};

Hotplug gHotplug;

bool has(const std::optional<std::string>& s, std::string_view part)
{
    return s && s->find(part) != std::string::npos;
}

bool begins(const std::optional<std::string>& s, std::string_view prefix)
{
    return s && s->compare(0, prefix.size(), prefix) == 0;
}

bool is(const std::optional<std::string>& s, std::string_view text)
{
    return s && *s == text;
}

// Holds the device-list lock for a scope.
class DevLock : public DmhRwHold {
public:
    explicit DevLock(bool write) : DmhRwHold(gDmhDev.load()->hDevLock, write)
    {
        if (!held()) {
            DM_ERR("[DMH]%s: device list lock failed\n", __func__);
        }
    }
};

DmhDevNode* findRecord(uint32_t major, uint32_t minor, DmhDevNode* from = nullptr)
{
    for (DmhDevNode* rec = from != nullptr ? from : gDmhDev.load()->t_dev_list; rec != nullptr; rec = rec->next) {
        if (rec->t_uevent.uMajor == major && rec->t_uevent.uMinor == minor) {
            return rec;
        }
    }
    return nullptr;
}

std::string sysPath(const DmhUeventMsg& m)
{
    return "/sys" + m.p_dev_path.value_or("");
}

void printDatagram(const char* buf, size_t len)
{
    std::string shown(buf, len);
    for (char& c : shown) {
        if (c == '\0') {
            c = '\n';
        }
    }
    DM_INFO("[Msg from Kernel]\n%s\n", shown.c_str());
}

void logUsbIds(const std::string& dir, uint32_t* vendor, uint32_t* product)
{
    *product = dmhGetAttrProductId(dir);
    *vendor = dmhGetAttrVendorId(dir);
    DM_INFO("ui2_product_id is %d \n", static_cast<int>(*product));
    DM_INFO("ui2_vendor_id is %d \n", static_cast<int>(*vendor));
}

void notifyUnlocked(DmhDevNode* rec, uint32_t status)
{
    DevLock lock(false);
    if (lock.held()) {
        dmhNfyFunc(rec, rec->ui1_dev_level, status);
    }
}

void addInterface(const DmhUeventMsg& m)
{
    const std::string path = sysPath(m);
    std::optional<std::string> driver;
    bool failed = false;
    for (int i = 0; i < kInterfaceReads && !driver; ++i) {
        if (i > 0) {
            uThreadDelay(kInterfaceReadMs);
        }
        DmhBlkUeventAttr attr;
        failed = dmhParseUeventFile(path, &attr) != 0;
        driver = attr.ps_driver;
    }
    const std::string parent = path.substr(0, path.rfind('/'));
    uint32_t vendor = 0;
    uint32_t product = 0;
    if (!driver) {
        DM_ERR("Can't read driver type %10s(%d):\n", __func__, __LINE__);
        if (failed) {
            DM_ERR("Can't read driver type %10s(%d): 1d6b\n", __func__, __LINE__);
            return;
        }
        logUsbIds(parent, &vendor, &product);
        if (vendor == 0x058F && product == 0x6364) {
            DM_ERR("[DMH]%s(%d): don't send unsupport message for special device \n", __func__, __LINE__);
        }
        return;
    }
    DmhDevNode* rec = nullptr;
    if (driver->compare(0, 3, "hub") == 0) {
        if (dmhAddRealHubDev(parent, &rec) == 0) {
            notifyUnlocked(rec, DMH_NFY_HUB_ATTACH);
        }
    } else if (driver->compare(0, 11, "usb-storage") == 0) {
        logUsbIds(parent, &vendor, &product);
        dmhScanPath("/sys/devices/platform/kv_usb");
        dmInitHwAgain();
        if (dmhAddFakeHubDev(parent, &rec) == 0) {
            notifyUnlocked(rec, DMH_NFY_HUB_ATTACH);
        }
    }
}

bool droppedBlockPath(const DmhUeventMsg& m)
{
    return (m.uMajor == kCdromMajor && (has(m.p_dev_path, "usb") || has(m.p_dev_path, "virtual"))) ||
           has(m.p_dev_path, "virtual");
}

bool known(const DmhUeventMsg& m)
{
    DevLock lock(false);
    return lock.held() && findRecord(m.uMajor, m.uMinor) != nullptr;
}

// Notifies every record with the event's numbers after an add; false when a notify failed.
void notifyAdded(const DmhUeventMsg& m, bool partition)
{
    DevLock lock(false);
    if (!lock.held()) {
        return;
    }
    for (DmhDevNode* rec = findRecord(m.uMajor, m.uMinor); rec != nullptr;
         rec = findRecord(m.uMajor, m.uMinor, rec->next)) {
        uint32_t status = DMH_NFY_DISK_ATTACH;
        if (partition) {
            status = rec->t_device_type == DMH_DEV_MEMCARD ? DMH_NFY_DISK_ATTACH : DMH_NFY_PART_ATTACH;
        } else if (m.uMajor != kCdromMajor) {
            uThreadDelay(kDiskNotifyDelayMs);
        }
        if (dmhNfyFunc(rec, rec->ui1_dev_level, status) != 0) {
            break;
        }
    }
}

void addBlock(const DmhUeventMsg& m, bool partition)
{
    if (!partition && droppedBlockPath(m)) {
        return;
    }
    if (known(m)) {
        return;
    }
    const std::string path = sysPath(m);
    if (path.find("mmcblk") != std::string::npos) {
        DM_INFO("[DMH]%s: memory card %s not handled\n", __func__, path.c_str());
        return;
    }
    const int32_t added = partition ? dmhAddUsbPartitionDev(path, dmhDevNodeOf(path)) : dmhAddUsbStorageDev(path);
    if (added == 0) {
        notifyAdded(m, partition);
    } else if (added == -2) {
        DM_ERR("[DMH]%10s(%d): err, but continue\n", __func__, __LINE__);
    } else {
        // The listener keeps going: USB hotplug and the CEC driver's events depend on it.
        DM_ERR("[DMH]%10s(%d): err, return\n", __func__, __LINE__);
    }
}

void onAdd(const DmhUeventMsg& m)
{
    if (m.uDevNum == 1) {
        DM_INFO(" the root hub can't be hotplugged \n");
        return;
    }
    if (is(m.p_dev_type, "usb_device") && begins(m.p_subsystem, "usb")) {
        dmhMountUsbfsOnce();
        if (known(m)) {
            DM_INFO("the device already in \n");
            gHotplug.deviceAlreadyInTree = true;
        }
    } else if (is(m.p_dev_type, "usb_interface") && begins(m.p_subsystem, "usb")) {
        if (gHotplug.deviceAlreadyInTree) {
            gHotplug.deviceAlreadyInTree = false;
            return;
        }
        addInterface(m);
    } else if (is(m.p_dev_type, "disk") && is(m.p_subsystem, "block")) {
        addBlock(m, false);
    } else if (is(m.p_dev_type, "partition") && is(m.p_subsystem, "block")) {
        addBlock(m, true);
    }
}

// Notifies and drops the first record with the event's numbers; false when there was none or the
// notify failed.
bool dropRecord(const DmhUeventMsg& m, uint32_t status)
{
    DmhDevNode* rec = findRecord(m.uMajor, m.uMinor);
    if (rec == nullptr || dmhNfyFunc(rec, rec->ui1_dev_level, status) != 0) {
        return false;
    }
    dmhUnlinkDev(rec);
    dmhFreeDev(rec);
    return true;
}

void onRemove(const DmhUeventMsg& m)
{
    if (m.uDevNum == 1) {
        DM_INFO("[DMH]Receive msg\n");
        return;
    }
    if (is(m.p_dev_type, "usb_device") && begins(m.p_subsystem, "usb")) {
        DevLock lock(true);
        if (!lock.held()) {
            return;
        }
        DmhDevNode* rec = findRecord(m.uMajor, m.uMinor);
        while (rec != nullptr) {
            DmhDevNode* next = findRecord(m.uMajor, m.uMinor, rec->next);
            if (dmhNfyFunc(rec, rec->ui1_dev_level, DMH_NFY_USB_DETACH) == 0) {
                dmhUnlinkDev(rec);
                dmhFreeDev(rec);
            } else {
                DM_ERR("[DMH]%s(%d): get error information \n", __func__, __LINE__);
            }
            rec = next;
        }
    } else if (is(m.p_dev_type, "disk") && is(m.p_subsystem, "block")) {
        if (droppedBlockPath(m)) {
            return;
        }
        DevLock lock(true);
        if (lock.held() && dropRecord(m, DMH_NFY_DISK_DETACH)) {
            dropRecord(m, DMH_NFY_DISK_DETACH);
        }
    } else if (is(m.p_dev_type, "partition") && is(m.p_subsystem, "block")) {
        DM_INFO("U disk pull out, should stop play before umount and delete dir!\n");
        dmSendMsgToPlaybackUsb(DM_USB_UNMOUNTED);
        DevLock lock(true);
        DmhDevNode* rec = lock.held() ? findRecord(m.uMajor, m.uMinor) : nullptr;
        if (rec == nullptr) {
            return;
        }
        if (rec->ui1_detach_reported == 0) {
            const uint32_t status = rec->t_device_type == DMH_DEV_MEMCARD ? DMH_NFY_DISK_DETACH : DMH_NFY_PART_DETACH;
            if (dmhNfyFunc(rec, rec->ui1_dev_level, status) != 0) {
                return;
            }
        }
        rec->ui1_detach_reported = 0;
        dmhUnlinkDev(rec);
        dmhFreeDev(rec);
    }
}

void onMediumChange(const DmhUeventMsg& m)
{
    DM_INFO("memory card insert or plug out  tray in and tray out!\n");
    dmSendMsgToPlaybackUsb(DM_USB_MEDIUM_CHANGED);
    if (has(m.p_dev_path, "loop")) {
        return;
    }
    DmhDevNode* rec = nullptr;
    {
        DevLock lock(true);
        rec = lock.held() ? findRecord(m.uMajor, m.uMinor) : nullptr;
        if (rec == nullptr) {
            return;
        }
        rec->ui8_size = dmhGetAttrNum(sysPath(m), "size");
        dmhNfyFunc(rec, rec->ui1_dev_level, DMH_NFY_DISK_ATTACH);
    }
    // Told once more after the lock; a storage disk's second attach is absorbed by attach-once.
    notifyUnlocked(rec, DMH_NFY_DISK_ATTACH);
}

void onEndpoint(const DmhUeventMsg& m)
{
    std::string path = sysPath(m);
    path = path.substr(0, path.rfind(':'));
    path = path.substr(0, path.rfind('/'));
    DmhDevNode* rec = nullptr;
    if (dmhAddFakeHubDev(path, &rec) != 0) {
        return;
    }
    DevLock lock(true);
    if (lock.held()) {
        rec->t_device_type = DMH_DEV_ENDPOINT;
        dmhNfyFunc(rec, rec->ui1_dev_level, DMH_NFY_UNSUPPORTED);
    }
}

void dispatch(const DmhUeventMsg& m)
{
    if (!m.p_subsystem || begins(m.p_subsystem, "module")) {
        return;
    }
    const bool change = begins(m.p_action, "change");
    if (change && is(m.p_subsystem, "switch") && begins(m.p_dev_path, "/devices/virtual/switch/cec_hdmi")) {
        if (m.uSwitchState > 3) {
            return;  // only the driver states 0 to 3 come from this switch
        }
        DM_INFO("send message to cec ,switch_state:%d \n", m.uSwitchState);
        dmSendMsgToCec(m.uSwitchState);
        return;
    }
    if (begins(m.p_subsystem, "usb_endpoint") &&
        (has(m.p_dev_path, "epee") || has(m.p_dev_path, "epef") || has(m.p_dev_path, "eped"))) {
        onEndpoint(m);
        return;
    }
    // A switch uevent has no DEVTYPE: the "CEC..." switches are told before that test.
    if (change && is(m.p_subsystem, "switch") && begins(m.p_dev_path, "/devices/virtual/switch/CEC")) {
        dmSendMsgToCec(m.uSwitchState);
        return;
    }
    if (!m.p_dev_type) {
        return;
    }
    if (begins(m.p_action, "add")) {
        onAdd(m);
    } else if (begins(m.p_action, "remove")) {
        onRemove(m);
    } else if (change && is(m.p_dev_type, "disk") && is(m.p_subsystem, "block")) {
        onMediumChange(m);
    }
}

}  // namespace

int dmhInitHotplugSock(void)
{
    int rcvbufError = 0;
    const int fd = sb_uevent_open_hotplug(&rcvbufError);
    if (rcvbufError != 0) {
        DM_ERR("setsockopt error(%d):%s\n", rcvbufError, std::strerror(rcvbufError));
    }
    if (fd < 0) {
        DM_ERR("[DMH]bind failed: %s", std::strerror(errno));
        return -1;
    }
    gDmhMountUsbfs.store(1);
    return fd;
}

int32_t dmhInitNetlinkServices(void)
{
    if (gHotplug.servicesUp.load()) {
        return 0;
    }
    const int fd = dmhInitHotplugSock();
    if (fd < 0) {
        return -1;
    }
    if (dmhScanPath("/sys/devices/virtual/block") != 0 || dmhScanPath("/sys/devices/platform") != 0) {
        DM_ERR("[DMH]scan failed\n");
        sb_uevent_close(fd);
        return -1;
    }
    os_thread_t thread = nullptr;
    if (uThreadCreate(&thread, "dmh_cb_msg_thrd", kThreadStack, kThreadPriority, dmhCbMsgThread, sizeof(fd), &fd) !=
        OSR_OK) {
        DM_ERR("[DMH]dmhCbMsgThread  create failed\n");
        sb_uevent_close(fd);
        return -12;
    }
    gDmhOpenDevThread.store(1);
    gDmhOpenDevThreadExited.store(0);
    gHotplug.servicesUp.store(true);
    return 0;
}

void dmhCbMsgThread(void* arg)
{
    int fd = -1;
    std::memcpy(&fd, arg, sizeof(fd));
    std::array<char, DMH_UEVENT_BUF_SIZE> buf;
    for (;;) {
        buf.fill('\0');
        // One byte short of the buffer: the datagram is always terminated within it.
        const ssize_t n = sb_uevent_recv(fd, buf.data(), buf.size() - 1);
        if (n < 0) {
            DM_ERR("[USER] Socket recvmsg failed., err message %s \n", std::strerror(errno));
            uThreadDelay(kRecvRetryMs);
            continue;
        }
        const auto len = static_cast<size_t>(n);
        buf[len] = '\0';
        if (g_kernelInfo.load() != 0) {
            printDatagram(buf.data(), len);
        }
        auto msg = dmhGetNetlinkDev(buf.data(), len);
        if (!msg) {
            DM_ERR("[DMH]%s(%d): datagram dropped\n", __func__, __LINE__);
            continue;
        }
        dispatch(*msg);
        dmhFreeNetlinkDev(&msg);
    }
}

void dmhMountUsbfsOnce(void)
{
    if (gDmhMountUsbfs.load() == 0) {
        return;
    }
    if (sb_mount("none", "/proc/bus/usb", "usbfs", 0, nullptr) != 0 &&
        sb_mount("none", "/proc/bus/usb", "usbfs", 0, nullptr) != 0) {
        DM_ERR("[DMH]mount usbfs failed: %s\n", std::strerror(errno));
    }
    gDmhMountUsbfs.store(0);
}

int32_t dmSendMsgToCec(uint32_t switchState)
{
    handle_t cec = 0;
    const int32_t found = u_am_get_app_handle_from_name(&cec, "cec");
    if (found != 0) {
        DM_ERR("<DMH> get handle fail!,i4Ret=%d\n", found);
    }
    const int32_t sent = u_app_send_appmsg(cec, E_APP_MSG_TYPE_CEC, MSG_FROM_DM, switchState, nullptr, 0);
    if (sent != 0) {
        DM_ERR("<DMH> send msg fail!\n");
    }
    return sent;
}

int32_t dmSendMsgToPlaybackUsb(uint32_t eDmEvent)
{
    DM_INFO("dmSendMsgToPlaybackUsb,if usb playing, stop!\n");
    const int32_t sent = dmBroadcastWord(DM_BRDCST_MSG_USB_MNT, eDmEvent, 0);
    if (sent != 0) {
        DM_ERR("dmSendMsgToPlaybackUsb return %d\n", sent);
    }
    return sent;
}

int32_t dmMknod(const char* path, uint32_t type, uint32_t perm, uint32_t reserved, uint64_t dev)
{
    (void)reserved;
    if (path == nullptr) {
        return -1;
    }
    if (type != S_IFCHR && type != S_IFBLK) {
        return mknod(sb::path(path).c_str(), static_cast<mode_t>(type | perm), static_cast<dev_t>(dev)) == 0 ? 0 : -1;
    }
    for (const char* p = path; *p != '\0'; ++p) {
        const char c = *p;
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' || c == '_' ||
              c == '-' || c == '.')) {
            DM_ERR("%s: refused path\n", __func__);
            return -1;
        }
    }
    std::array<char, kCmdLen> cmd{};
    int n = std::snprintf(cmd.data(), cmd.size(), "mknod %s %c %u %u", path, type == S_IFCHR ? 'c' : 'b',
                          static_cast<unsigned>(dev >> 8), static_cast<unsigned>(dev & 0xFF));
    if (n < 0 || static_cast<size_t>(n) >= cmd.size() || quorid_exec(cmd.data(), 0) != 0) {
        return -1;
    }
    n = std::snprintf(cmd.data(), cmd.size(), "chmod 0660 %s", path);
    if (n < 0 || static_cast<size_t>(n) >= cmd.size() || quorid_exec(cmd.data(), 0) != 0) {
        return -1;
    }
    return 0;
}
