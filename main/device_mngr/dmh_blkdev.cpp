#include "main/device_mngr/dmh_blkdev.h"

#include "main/device_mngr/dmh_dev.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr uint32_t kCdromMajor = 11;
constexpr uint32_t kDefaultSectorSize = 512;

const DmhDevNode* find(uint32_t major, uint32_t minor)
{
    const DmhRoot* root = gDmhDev.load();
    for (const DmhDevNode* r = root != nullptr ? root->t_dev_list : nullptr; r != nullptr; r = r->next) {
        if (r->t_uevent.uMajor == major && r->t_uevent.uMinor == minor) {
            return r;
        }
    }
    return nullptr;
}

const DmhDevNode* findType(uint32_t type)
{
    const DmhRoot* root = gDmhDev.load();
    for (const DmhDevNode* r = root != nullptr ? root->t_dev_list : nullptr; r != nullptr; r = r->next) {
        if (r->t_device_type == type) {
            return r;
        }
    }
    return nullptr;
}

int32_t model(const DmhDevNode& rec, char* out)
{
    if (!rec.ps_model_name.empty()) {
        std::snprintf(out, DMH_MODEL_SIZE, "%s %s", rec.ps_model_name.c_str(), rec.ps_rev.c_str());
    }
    return 0;
}

template <typename T, typename Get>
int32_t answer(uint32_t major, uint32_t minor, T* out, Get get)
{
    const DmhDevNode* rec = find(major, minor);
    if (rec == nullptr || out == nullptr) {
        return -1;
    }
    *out = get(*rec);
    return 0;
}

}  // namespace

int32_t dmhBlkdevGetSize(uint32_t major, uint32_t minor, uint64_t* out)
{
    return answer(major, minor, out, [](const DmhDevNode& r) { return r.ui8_size; });
}

int32_t dmhBlkdevGetFreesize(uint32_t major, uint32_t minor, uint64_t* out)
{
    return answer(major, minor, out, [](const DmhDevNode& r) { return r.ui8_free_size; });
}

int32_t dmhBlkdevGetSectorNs(uint32_t major, uint32_t minor, uint64_t* out)
{
    return answer(major, minor, out, [](const DmhDevNode& r) { return r.ui8_size; });
}

int32_t dmhBlkdevGetSectorSize(uint32_t major, uint32_t minor, uint32_t* out)
{
    answer(major, minor, out, [](const DmhDevNode& r) {
        const bool block = r.t_device_type == DMH_DEV_USB_STORAGE || r.t_device_type == DMH_DEV_PARTITION;
        return block && static_cast<int32_t>(r.ui4_hw_sector_size) <= 0 ? kDefaultSectorSize : r.ui4_hw_sector_size;
    });
    return 0;
}

int32_t dmhBlkdevGetModel(uint32_t major, uint32_t minor, char out[DMH_MODEL_SIZE])
{
    if (out == nullptr) {
        return -1;
    }
    if (major == kCdromMajor && minor == 0) {
        const DmhDevNode* drive = findType(DMH_DEV_SKT_TYPE_OPTI_DRV);
        const DmhRoot* root = gDmhDev.load();
        for (const DmhDevNode* r = drive != nullptr ? root->t_dev_list : nullptr; r != nullptr; r = r->next) {
            if (r->t_device_type == DMH_DEV_FAKE_HUB && !r->ps_full_dev_path.empty() &&
                drive->ps_full_dev_path.find(r->ps_full_dev_path) != std::string::npos) {
                return model(*r, out);
            }
        }
    }
    const DmhDevNode* rec = find(major, minor);
    return rec == nullptr ? -1 : model(*rec, out);
}

int32_t dmhSktdevGetModel(uint32_t major, uint32_t minor, char out[DMH_MODEL_SIZE])
{
    return dmhBlkdevGetModel(major, minor, out);
}

int32_t dmhSktdevGetSktNs(uint32_t major, uint32_t minor, uint32_t* out)
{
    return answer(major, minor, out, [](const DmhDevNode& r) { return static_cast<uint32_t>(r.ui1_skt_no); });
}

int32_t dmhBlkdevGetUsbDevicePath(uint32_t major, uint32_t minor, char* out, size_t size)
{
    const DmhDevNode* rec = find(major, minor);
    if (rec == nullptr || out == nullptr || size == 0) {
        return -1;
    }
    const std::string& path = rec->ps_full_dev_path;
    const size_t from = path.find("KvxUsbHcd");
    const std::string tail = from == std::string::npos ? std::string() : path.substr(from);
    const std::string part = tail.substr(0, tail.find(':'));
    std::snprintf(out, size, "%s", part.c_str());
    return 0;
}
