#include "main/device_mngr/dm_dev_query.h"

#include "main/device_mngr/dm_cb.h"
#include "main/device_mngr/dm_core_priv.h"
#include "main/device_mngr/dm_log.h"
#include "main/device_mngr/dmh_blkdev.h"
#include "main/device_mngr/dmh_dev.h"
#include "main/device_mngr/dmh_lock_priv.h"
#include "main/mw/rwlock/rwlock.h"

#include <cstring>
#include <sys/stat.h>

namespace {

constexpr uint32_t kTypeCard = 524;
constexpr uint32_t kTypeNoFileSize = 519;
constexpr uint32_t kMaxSockets = 7;

DmDevIdent identOf(const DmDevDesc& d)
{
    return {d.tHwType, d.tDevType, d.ui4_match, d.ui4_skt_no};
}

DmDevRelInfo relOf(const DmDevDesc& d)
{
    DmDevRelInfo r{};
    r.t_id = identOf(d);
    r.h_dev = d.h_self;
    r.b_avail = d.b_avail;
    return r;
}

// The hotplug queries; the caller holds the hotplug device list. False when one failed.
bool fillFromHotplug(const DmDevDesc& d, DmDevInfo* out)
{
    bool ok = true;
    if (d.tDevType == 527 || d.tDevType == 528 || d.tHwType == 4) {
        ok = dmhBlkdevGetUsbDevicePath(d.uMajor, d.uMinor, out->s_usb_path, sizeof(out->s_usb_path)) == 0 && ok;
    }
    if ((d.ui4_dev_flag & DM_DEV_FLAG_MEDIUM) != 0) {
        if (d.tDevType == kTypeCard) {
            ok = dmhBlkdevGetSize(d.uMajor, d.uMinor, &out->ui8_size) == 0 && ok;
            ok = dmhBlkdevGetFreesize(d.uMajor, d.uMinor, &out->ui8_free_size) == 0 && ok;
            ok = dmhBlkdevGetModel(d.uMajor, d.uMinor, out->s_model) == 0 && ok;
        } else {
            ok = dmhBlkdevGetModel(d.uMajor, d.uMinor, out->s_model) == 0 && ok;
            ok = dmhBlkdevGetSize(d.uMajor, d.uMinor, &out->ui8_size) == 0 && ok;
            ok = dmhBlkdevGetSectorNs(d.uMajor, d.uMinor, &out->ui8_sector_ns) == 0 && ok;
            ok = dmhBlkdevGetSectorSize(d.uMajor, d.uMinor, &out->ui4_sector_size) == 0 && ok;
            out->h_dev_root_lbl = d.h_dev_root_lbl;
            std::memcpy(out->s_dev_name, d.pDevName, sizeof(out->s_dev_name));
        }
    }
    if ((d.ui4_dev_flag & DM_DEV_FLAG_SOCKET) != 0) {
        ok = dmhSktdevGetModel(d.uMajor, d.uMinor, out->s_model) == 0 && ok;
        uint32_t sockets = 0;
        ok = dmhSktdevGetSktNs(d.uMajor, d.uMinor, &sockets) == 0 && sockets < kMaxSockets && ok;
        out->ui4_skt_ns = sockets;
    }
    out->s_model[sizeof(out->s_model) - 1] = '\0';
    return ok;
}

}  // namespace

int32_t uDmGetDevice(const uint32_t key[3], handle_t* out)
{
    if (key == nullptr || out == nullptr || key[0] == 0 || key[1] == 0 || key[1] == DM_DEV_CHR_SOCKET ||
        key[1] == DM_DEV_CHR_MEDIUM) {
        return -2;
    }
    DmCore& core = dmCoreGet();
    DmhRwHold hold(core.h_dev_lock, false);
    if (!hold.held()) {
        return -12;
    }
    for (const DmDevDesc* d = core.t_dev_list; d != nullptr; d = d->pt_next) {
        if (d->tHwType == key[0] && d->tDevType == key[1] && d->ui4_match == key[2]) {
            *out = d->h_self;
            return 0;
        }
    }
    return -1;
}

int32_t uDmGetDeviceInfo(handle_t device, DmDevInfo* out)
{
    if (out == nullptr) {
        return -2;
    }
    DmCore& core = dmCoreGet();
    DmhRwHold hold(core.h_dev_lock, false);
    if (!hold.held()) {
        return -12;
    }
    handle_type type = 0;
    void* obj = nullptr;
    if (uHandleGetTypeObj(device, &type, &obj) != HR_OK || type != DM_HT_DEV_DESC) {
        return -5;
    }
    const DmDevDesc& d = *static_cast<const DmDevDesc*>(obj);
    *out = DmDevInfo{};
    out->t_id = identOf(d);
    if (d.b_avail == 0) {
        return 0;
    }
    if (d.pt_root != nullptr) {
        out->t_root = relOf(*d.pt_root);
    }
    if (d.pt_prnt_dev != nullptr) {
        if (d.pt_prnt_dev->b_avail == 0) {
            DM_ERR("pDevDesc->pt_prnt_dev->b_avail is FALSE .\n");
            return -15;
        }
        out->t_prnt = relOf(*d.pt_prnt_dev);
        out->b_has_prnt = 1;
    }
    out->b_avail = d.b_avail;
    bool ok = true;
    if ((d.ui4_dev_flag & (DM_DEV_FLAG_MEDIUM | DM_DEV_FLAG_SOCKET)) != 0 || d.tHwType == 4 || d.tDevType == 527 ||
        d.tDevType == 528) {
        // Device list first, then the hotplug side's.
        DmhRoot* dmh = gDmhDev.load();
        DmhRwHold hotplug(dmh == nullptr ? 0 : dmh->hDevLock, false);
        ok = hotplug.held() && fillFromHotplug(d, out);
    }
    if ((d.ui4_dev_flag & DM_DEV_FLAG_FILE) != 0 && d.tDevType != kTypeNoFileSize && d.i4_fd >= 0) {
        struct stat st {};
        if (fstat(d.i4_fd, &st) == 0) {
            out->ui8_file_size = static_cast<uint64_t>(st.st_size);
        }
    }
    if ((d.ui4_dev_flag & DM_DEV_FLAG_SOCKET) != 0) {
        for (const DmDevDesc* c = core.t_dev_list; c != nullptr && out->ui4_child_ns < DM_DEV_INFO_MAX_CHILDREN;
             c = c->pt_next) {
            if (c->pt_prnt_dev == &d) {
                out->at_child[out->ui4_child_ns++] = {c->h_self, c->tDevType};
            }
        }
    }
    return ok ? 0 : -15;
}
