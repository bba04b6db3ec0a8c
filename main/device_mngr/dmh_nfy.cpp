#include "main/device_mngr/dmh_nfy.h"

#include "main/device_mngr/dm_log.h"
#include "main/device_mngr/dmh_lock_priv.h"
#include "main/device_mngr/dmh_netlink.h"
#include "main/device_mngr/dmh_nfy_priv.h"
#include "main/mw/rwlock/rwlock.h"

#include <cstring>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>

struct DmhNfyNode {
    uint32_t uMajor = 0;
    uint32_t uMinor = 0;
    uint32_t uRootDevId = 0;  // 0 for a per-device registration
    uintptr_t tag = 0;
    DmhNfyFct pfNfy = nullptr;
    DmhNfyNode* next = nullptr;
    DmhNfyNode** pprev = nullptr;
};

namespace {

constexpr uint32_t kVirtualMajor = 1365;
constexpr uint64_t kMinPartitionSectors = 11;
constexpr size_t kNameMax = 31;

std::mutex gRootMake;

bool pathContains(const DmhDevNode& outer, const DmhDevNode& inner)
{
    return !inner.ps_full_dev_path.empty() && outer.ps_full_dev_path.find(inner.ps_full_dev_path) != std::string::npos;
}

void fillName(DmhDevInfo& info, const DmhDevNode& rec)
{
    std::string_view node(rec.ps_dev_node);
    if (node.rfind("/dev/", 0) == 0) {
        node.remove_prefix(5);
    }
    const size_t n = std::min(node.size(), kNameMax);
    std::memcpy(info.pDevName, node.data(), n);
    info.pDevName[n] = '\0';
}

DmhDevInfo infoOf(const DmhDevNode& rec, uint32_t status, bool ids)
{
    DmhDevInfo info{};
    info.tDevType = rec.t_device_type;
    info.eStatus = status;
    info.ui4_skt_no = rec.ui1_skt_no;
    info.uMajor = rec.t_uevent.uMajor;
    info.uMinor = rec.t_uevent.uMinor;
    info.ui4_dev_flag = rec.ui4_dev_flag;
    if (ids) {
        info.ps_product = rec.ui4_product_id;
        info.ps_vendor = rec.ui4_vendor_id;
    }
    return info;
}

bool oneOf(uint32_t type, std::initializer_list<uint32_t> types)
{
    for (uint32_t t : types) {
        if (t == type) {
            return true;
        }
    }
    return false;
}

// The root device id of a notified record from its path; later tests win.
uint32_t notifyRootIdOf(const std::string& path)
{
    uint32_t id = DMH_ROOT_ID_NONE;
    if (path.find("KvxUsbHcd.0") != std::string::npos) {
        id = 4;
    }
    if (path.find("KvxUsbHcd.1") != std::string::npos) {
        id = 5;
    }
    if (path.find("KvxUsbHcd.2") != std::string::npos) {
        id = 6;
    }
    if (path.find("mmcblk") != std::string::npos) {
        id = 8;
    }
    return id;
}

int32_t addRegistration(uint32_t uMajor, uint32_t uMinor, uint32_t rootId, const DmhNfy* nfy, DmhNfyNode** out)
{
    DmhRoot* root = gDmhDev.load();
    if (root == nullptr || nfy == nullptr) {
        return -12;
    }
    std::unique_ptr<DmhNfyNode> node(new (std::nothrow) DmhNfyNode);
    if (!node) {
        return -6;
    }
    DmhRwHold hold(root->hNfyLock, true);
    if (!hold.held()) {
        return -12;
    }
    node->uMajor = uMajor;
    node->uMinor = uMinor;
    node->uRootDevId = rootId;
    node->tag = nfy->tag;
    node->pfNfy = nfy->pfNfy;
    DmhNfyNode* n = node.release();
    dmhPushHead(root->t_nfy_list, n);
    *out = n;
    return 0;
}

void unlinkRegistration(DmhNfyNode* node)
{
    dmhUnlink(node);
    std::unique_ptr<DmhNfyNode> owned(node);
}

// A replayed child: false stops the replay.
bool replayChild(const DmhNfyNode& reg, const DmhDevNode& parent, DmhDevNode& child)
{
    const uint32_t type = child.t_device_type;
    if (type == DMH_DEV_USB_STORAGE && child.ui8_size == 0) {
        return false;
    }
    if (type == DMH_DEV_USB_STORAGE && parent.t_device_type == DMH_DEV_FAKE_HUB && child.ui4_attach_reported.load()) {
        DM_INFO("%s(%d)fakehub startup too later!:\n", __func__, __LINE__);
        return false;
    }
    if (type == DMH_DEV_BD && parent.t_device_type == DMH_DEV_SKT_TYPE_OPTI_DRV) {
        DM_INFO("[DMH]ignore the BD notify\n");
        return false;
    }
    if (type == DMH_DEV_USB_STORAGE && parent.t_device_type == DMH_DEV_CIFS) {
        DM_INFO("[DMH]cifs issue\n");
        return false;
    }
    if (type == DMH_DEV_USB_STORAGE && parent.t_device_type == DMH_DEV_USB_SOUND) {
        DM_INFO("[DMH]USB sound card issue\n");
        return false;
    }
    if (type == DMH_DEV_SKT_TYPE_OPTI_DRV) {
        DM_INFO("%10s linux %d device typer :DMH_DEV_SKT_TYPE_OPTI_DRV IGNORE!\n", __func__, __LINE__);
        return false;
    }
    if (type == DMH_DEV_PARTITION && child.ui8_size < kMinPartitionSectors) {
        DM_INFO("[DMH]%s: partition %s too small, skipped\n", __func__, child.ps_dev_node.c_str());
        return true;
    }
    uint32_t status = DMH_NFY_NONE;
    bool named = false;
    if (type == DMH_DEV_HUB || type == DMH_DEV_FAKE_HUB) {
        status = DMH_NFY_HUB_ATTACH;
    } else if (oneOf(type, {DMH_DEV_USB_STORAGE, 33, DMH_DEV_SKT_TYPE_OPTI_DRV, DMH_DEV_BD, 36, DMH_DEV_MEMCARD})) {
        status = DMH_NFY_DISK_ATTACH;
        named = true;
    } else if (type == DMH_DEV_PARTITION || type == 34) {
        status = DMH_NFY_PART_ATTACH;
        named = true;
    }
    DmhDevInfo info = infoOf(child, status, true);
    if (named) {
        fillName(info, child);
    }
    reg.pfNfy(reg.tag, status, &info);
    if (type == DMH_DEV_USB_STORAGE && parent.t_device_type == DMH_DEV_FAKE_HUB &&
        child.ui4_attach_reported.load() == 0) {
        child.ui4_attach_reported.store(1);
        child.pt_attach_receiver.store(&reg);
        DM_INFO("(%s)%d USB attach pf_nptify = %p!\n", __func__, __LINE__, reinterpret_cast<void*>(reg.pfNfy));
    }
    return true;
}

}  // namespace

int32_t dmhCreateRoot(void)
{
    std::lock_guard<std::mutex> guard(gRootMake);
    if (gDmhDev.load() != nullptr) {
        return 0;
    }
    std::unique_ptr<DmhRoot> root(new (std::nothrow) DmhRoot);
    if (!root) {
        return -6;
    }
    if (uRwlCreateLock(&root->hNfyLock) != 0) {
        return -12;
    }
    if (uRwlCreateLock(&root->hDevLock) != 0) {
        uRwlDeleteLock(root->hNfyLock);
        return -12;
    }
    gDmhDev.store(root.release());
    return 0;
}

void dmhClearLists(void)
{
    DmhRoot* root = gDmhDev.load();
    if (root == nullptr) {
        return;
    }
    {
        DmhRwHold hold(root->hDevLock, true);
        while (root->t_dev_list != nullptr) {
            DmhDevNode* rec = root->t_dev_list;
            dmhUnlinkDev(rec);
            dmhFreeDev(rec);
        }
    }
    DmhRwHold hold(root->hNfyLock, true);
    while (root->t_nfy_list != nullptr) {
        unlinkRegistration(root->t_nfy_list);
    }
}

int32_t dmhInit(void)
{
    const int32_t made = dmhCreateRoot();
    if (made != 0) {
        return made;
    }
    DM_INFO("Listing raw device(s)\n");
    return dmhInitNetlinkServices();
}

int32_t dmhRegRootNfyFct(uint32_t uRootDevId, const DmhNfy* nfy)
{
    DmhNfyNode* reg = nullptr;
    const int32_t added = addRegistration(0, 0, uRootDevId, nfy, &reg);
    if (added != 0) {
        return added;
    }
    if (uRootDevId == DMH_ROOT_ID_NONE) {
        return -1;
    }
    if (uRootDevId < 1 || uRootDevId > DMH_ROOT_ID_NONE) {
        return -2;
    }
    if (uRootDevId == 8) {
        return 0;
    }
    DmhRoot* root = gDmhDev.load();
    DmhRwHold hold(root->hDevLock, false);
    if (!hold.held()) {
        return -12;
    }
    for (DmhDevNode* rec = root->t_dev_list; rec != nullptr; rec = rec->next) {
        if (rec->ui4_root_dev_id != uRootDevId || rec->ui1_dev_level != 2) {
            continue;
        }
        // A stick on a root port puts its disk, not its USB device, at level 2. The disk is told
        // as the hotplug thread tells it to this registration: a named disk attach that becomes
        // the one attach of the disk, so its later detach finds this receiver.
        const bool disk = rec->t_device_type == DMH_DEV_USB_STORAGE;
        uint32_t status = rec->t_device_type != DMH_DEV_UNSUPPORTED ? DMH_NFY_HUB_ATTACH : DMH_NFY_UNSUPPORTED;
        if (uRootDevId == 7 || disk) {
            status = DMH_NFY_DISK_ATTACH;
        }
        if (disk && rec->ui4_attach_reported.load() != 0) {
            DM_INFO("The USB Storage has been send before ...so quit!\n");
            continue;
        }
        DmhDevInfo info = infoOf(*rec, status, false);
        if (uRootDevId == 7 || disk) {
            fillName(info, *rec);
        }
        reg->pfNfy(reg->tag, status, &info);
        if (disk) {
            rec->ui4_attach_reported.store(1);
            rec->pt_attach_receiver.store(reg);
        }
    }
    return 0;
}

int32_t dmhRegNfyFct(uint32_t uMajor, uint32_t uMinor, const DmhNfy* nfy)
{
    DmhNfyNode* reg = nullptr;
    const int32_t added = addRegistration(uMajor, uMinor, 0, nfy, &reg);
    if (added != 0) {
        return added;
    }
    DmhRoot* root = gDmhDev.load();
    DmhRwHold hold(root->hDevLock, false);
    if (!hold.held()) {
        return -12;
    }
    if (uMajor == kVirtualMajor) {
        DM_INFO("[DMH]%10s(%d):visual device ,not deal with!\n", __func__, __LINE__);
        return 0;
    }
    DmhDevNode* parent = root->t_dev_list;
    while (parent != nullptr && !(parent->t_uevent.uMajor == uMajor && parent->t_uevent.uMinor == uMinor &&
                                  parent->t_device_type != DMH_DEV_BD)) {
        parent = parent->next;
    }
    if (parent == nullptr) {
        return 0;
    }
    for (DmhDevNode* child = root->t_dev_list; child != nullptr; child = child->next) {
        if (child->ui1_dev_level == parent->ui1_dev_level + 1 && pathContains(*child, *parent) &&
            !replayChild(*reg, *parent, *child)) {
            break;
        }
    }
    return 0;
}

int32_t dmhNfyFunc(DmhDevNode* current, uint8_t uLevel, uint32_t eStatus)
{
    DmhRoot* root = gDmhDev.load();
    if (root == nullptr || current == nullptr) {
        return -12;
    }
    // Written, not read: a detach drops the device's registration from the list.
    DmhRwHold hold(root->hNfyLock, true);
    if (!hold.held()) {
        return -12;
    }
    const DmhDevNode* parent = nullptr;
    for (const DmhDevNode* rec = root->t_dev_list; rec != nullptr; rec = rec->next) {
        if (rec->t_uevent.uMajor == kVirtualMajor) {
            DM_INFO("don't map the visual device!\n");
            continue;
        }
        const bool above = rec->ui1_dev_level + 1 == uLevel && pathContains(*current, *rec);
        const bool memcard = rec->t_device_type == DMH_DEV_MEMCARD && rec->ui1_dev_level == uLevel &&
                             rec != current && pathContains(*current, *rec);
        if (!above && !memcard) {
            continue;
        }
        if (rec->t_device_type == DMH_DEV_UNSUPPORTED && current->t_device_type == DMH_DEV_USB_STORAGE) {
            DM_INFO("SPECIAL DEVICE, NO NOTIFY!\n");
            continue;
        }
        parent = rec;
        break;
    }
    if (parent == nullptr) {
        return 0;
    }
    const bool disk = current->t_device_type == DMH_DEV_USB_STORAGE;
    if (disk && eStatus == DMH_NFY_DISK_ATTACH && current->ui4_attach_reported.load() != 0) {
        DM_INFO("The USB Storage has been send before ...so quit!\n");
        return 0;
    }
    const uint32_t rootId = uLevel == 2 || uLevel == 3 ? notifyRootIdOf(current->ps_full_dev_path) : 0;
    for (DmhNfyNode* reg = root->t_nfy_list; reg != nullptr; reg = reg->next) {
        if (current->t_device_type == DMH_DEV_PARTITION && current->ui8_size < kMinPartitionSectors) {
            DM_INFO("[DMH]%s: partition %s too small, not told\n", __func__, current->ps_dev_node.c_str());
            break;
        }
        bool match = false;
        if (disk && eStatus == DMH_NFY_DISK_DETACH) {
            match = current->pt_attach_receiver.load() == reg;
            if (match) {
                DM_INFO("USB detach pf_nptify = %p!\n", reinterpret_cast<void*>(reg->pfNfy));
            }
        } else {
            match = (rootId != 0 && reg->uRootDevId == rootId) ||
                    (reg->uMajor == parent->t_uevent.uMajor && reg->uMinor == parent->t_uevent.uMinor);
        }
        if (!match) {
            continue;
        }
        DmhDevInfo info = infoOf(*current, eStatus, true);
        if (oneOf(current->t_device_type, {DMH_DEV_USB_STORAGE, 33, DMH_DEV_PARTITION, DMH_DEV_SKT_TYPE_OPTI_DRV, 34,
                                           DMH_DEV_BD, DMH_DEV_MEMCARD, 40})) {
            fillName(info, *current);
        }
        reg->pfNfy(reg->tag, eStatus, &info);
        if (disk && eStatus == DMH_NFY_DISK_ATTACH && current->ui4_attach_reported.load() == 0) {
            DM_INFO("OOpps...so change the status, no send again!\n");
            current->ui4_attach_reported.store(1);
            current->pt_attach_receiver.store(reg);
        } else if (disk && eStatus == DMH_NFY_DISK_DETACH && current->ui4_attach_reported.load() != 0) {
            DM_INFO("Change the status!\n");
            current->ui4_attach_reported.store(0);
            current->pt_attach_receiver.store(nullptr);
        }
        if ((eStatus == DMH_NFY_USB_DETACH || eStatus == DMH_NFY_DISK_DETACH) && current->t_device_type != DMH_DEV_BD &&
            current->t_device_type != 42) {
            for (DmhNfyNode* own = root->t_nfy_list; own != nullptr; own = own->next) {
                if (own->uRootDevId == 0 && own->uMajor == current->t_uevent.uMajor &&
                    own->uMinor == current->t_uevent.uMinor) {
                    unlinkRegistration(own);
                    break;
                }
            }
        }
        break;
    }
    return 0;
}
