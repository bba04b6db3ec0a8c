#include "main/device_mngr/u_fm_linux.h"

#include "main/device_mngr/dm_log.h"
#include "main/device_mngr/dmh_lock_priv.h"
#include "main/mw/os_pthread/os_sema.h"
#include "main/mw/rwlock/rwlock.h"
#include "platform/quorid/quorid.h"
#include "platform/sbdev/sb_mount.h"
#include "platform/sbroot/sb_root.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <new>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FmPartNode {
    FM_PART_INFO_T info;
    FmPartNode* next;
    FmPartNode** pprev;
};

struct FmPartStore {
    handle_t lock = 0;
    FmPartNode* head = nullptr;
};

struct FmCore {
    std::mutex initLock;
    sema_t* mntLock = nullptr;  // gFmMntLock: one mount at a time in the process
    FmPartStore store;          // gFmPartStore
};
FmCore gFm;

constexpr uint32_t kPartPathMax = 32;  // pPartPath holds fewer characters
constexpr uint32_t kJoinedPartMax = 63;
constexpr uint32_t kMaxUmountRetries = 5;
constexpr uint32_t kNameMax = 255;
constexpr uint32_t kDiskstatsLineMax = 1023;

struct FsTry {
    const char* type;
    const char* data;
    const char* fallback;
    uint32_t code;
};
constexpr FsTry kFileSystems[] = {
    {"vfat", "uid=1000,gid=1000,fmask=0000,dmask=0000,shortname=mixed,iocharset=utf8",
     "uid=1000,gid=1000,fmask=0000,dmask=0000,ro,shortname=mixed,iocharset=utf8", DM_FS_VFAT},
    {"ext2", nullptr, nullptr, DM_FS_EXT},
    {"ext3", nullptr, nullptr, DM_FS_EXT},
    {"ext4", nullptr, nullptr, DM_FS_EXT},
    {"texfat", nullptr, "iocharset=utf8", DM_FS_TEXFAT},
};

// Runs one shell command line; a line that does not fit its buffer is refused (a cut path would
// name another directory). The daemon's status, or -1.
int runShell(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
int runShell(const char* fmt, ...)
{
    char line[FM_CMD_SIZE];
    va_list ap;
    va_start(ap, fmt);
    const int n = std::vsnprintf(line, sizeof(line), fmt, ap);
    va_end(ap);
    if (n < 0 || static_cast<size_t>(n) >= sizeof(line)) {
        DM_ERR("[FM] %s: #%d: command line too long, not run: %s\n", __func__, __LINE__, line);
        return -1;
    }
    return quorid_exec(line, 0);
}

// Label and absolute path of base + path in one step.
int32_t absolutePath(handle_t base, const char* path, std::string* out)
{
    const FmDirLabel* label = nullptr;
    const int32_t got = fmGetDirLabel(base, &label);
    if (got != FMR_OK) {
        return got;
    }
    return fmGetAbsolutePath(label, path, out);
}

bool endsInDigit(const std::string& s)
{
    return !s.empty() && std::isdigit(static_cast<unsigned char>(s.back())) != 0;
}

void copyText(char* dst, size_t size, const std::string& src)
{
    std::snprintf(dst, size, "%s", src.c_str());
}

// The record's device path: pPartPath joined with ps_part_name.
bool joinedPartPath(const FM_PART_INFO_T& info, std::string* out)
{
    std::string joined = info.pPartPath;
    const bool slash = (!joined.empty() && joined.back() == '/') || info.ps_part_name[0] == '/';
    if (!slash && !joined.empty()) {
        joined += '/';
    }
    joined += info.ps_part_name;
    if (joined.size() > kJoinedPartMax) {
        return false;
    }
    *out = joined;
    return true;
}

int32_t splitDevicePath(const std::string& path, FM_PART_INFO_T* out)
{
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (dir.size() >= kPartPathMax || name.size() >= sizeof(out->ps_part_name)) {
        return FMR_NAME_TOO_LONG;
    }
    copyText(out->pPartPath, sizeof(out->pPartPath), dir);
    copyText(out->ps_part_name, sizeof(out->ps_part_name), name);
    return FMR_OK;
}

bool indexRefused(const std::string& path, uint32_t index)
{
    if (index != 0 && endsInDigit(path) && path.find("mmcblk") == std::string::npos) {
        DM_ERR("[FM] %s: #%d: input not allowed like this: /dev/sda1 + 1\n", __func__, __LINE__);
        return true;
    }
    return false;
}

}  // namespace

int32_t uFmInit(void)
{
    DM_INFO("[FM] %s: #%d: \n", __func__, __LINE__);
    std::lock_guard<std::mutex> guard(gFm.initLock);
    if (gFm.mntLock == nullptr && uSemaCreate(&gFm.mntLock, SEMA_TYPE_BINARY, 1) != OSR_OK) {
        gFm.mntLock = nullptr;
        return FMR_CORE;
    }
    if (gFm.store.lock == 0 && uRwlCreateLock(&gFm.store.lock) != 0) {
        gFm.store.lock = 0;
        return FMR_CORE;
    }
    // A second start keeps the partitions still mounted: their records are what unmounts them.
    return FMR_OK;
}

int32_t fmHandleFreeFct(handle_t, handle_type, void*, uint32_t, uint8_t)
{
    return 1;
}

int32_t fmGetDirLabel(handle_t handle, const FmDirLabel** label)
{
    *label = nullptr;
    if (handle == 0) {
        return FMR_OK;
    }
    handle_type type = 0;
    void* obj = nullptr;
    if (uHandleGetTypeObj(handle, &type, &obj) != HR_OK) {
        return FMR_HANDLE;
    }
    if (type != FMT_DIR_LABEL) {
        return FMR_INVAL;
    }
    *label = static_cast<const FmDirLabel*>(obj);
    return FMR_OK;
}

int32_t fmGetAbsolutePath(const FmDirLabel* label, const char* rel, std::string* out)
{
    const size_t relLen = rel == nullptr ? 0 : std::strlen(rel);
    std::string path;
    if (label != nullptr && label->ui2Len > 0) {
        if (label->ui2Len + relLen > FM_ABS_PATH_MAX) {
            return FMR_NAME_TOO_LONG;
        }
        path.assign(label->acPath, label->ui2Len);
        if (relLen > 0) {
            if (path.back() != '/' && rel[0] != '/') {
                path += '/';
            }
            path.append(rel, relLen);
        }
    } else {
        if (relLen == 0) {
            return FMR_INVAL;
        }
        path.assign(rel, relLen);
    }
    if (path.size() > FM_ABS_PATH_MAX) {
        return FMR_NAME_TOO_LONG;
    }
    DM_INFO("[FM] %s: %s\n", __func__, path.c_str());
    *out = std::move(path);
    return FMR_OK;
}

int32_t uFmSetDirPath(handle_t base, const char* path, handle_t* label)
{
    if (label == nullptr) {
        return FMR_ARG;
    }
    std::string abs;
    const int32_t built = absolutePath(base, path, &abs);
    if (built != FMR_OK) {
        return built;
    }
    if (abs.back() != '/') {
        abs += '/';
    }
    if (abs.size() >= FM_DIR_PATH_SIZE) {
        return FMR_NAME_TOO_LONG;
    }
    auto lbl = std::unique_ptr<FmDirLabel>(new (std::nothrow) FmDirLabel{});
    if (!lbl) {
        return FMR_CORE;
    }
    std::memcpy(lbl->acPath, abs.c_str(), abs.size() + 1);
    lbl->ui2Len = static_cast<uint16_t>(abs.size());
    handle_t h = 0;
    if (uHandleAlloc(FMT_DIR_LABEL, lbl.get(), 0, fmHandleFreeFct, &h) != HR_OK) {
        return FMR_HANDLE;
    }
    lbl.release();
    *label = h;
    DM_INFO("[FM] %s: hDir %lu, pPath %s\n", __func__, static_cast<unsigned long>(h), abs.c_str());
    return FMR_OK;
}

int32_t uFmClose(handle_t handle)
{
    handle_type type = 0;
    void* obj = nullptr;
    if (uHandleGetTypeObj(handle, &type, &obj) != HR_OK || type != FMT_DIR_LABEL) {
        return FMR_HANDLE;
    }
    DM_INFO("[FM] %s: #%d: close FMT_DIR_LABEL\n", __func__, __LINE__);
    if (uHandleFree(handle, 1) != HR_OK) {
        return FMR_HANDLE;
    }
    delete static_cast<FmDirLabel*>(obj);
    return FMR_OK;
}

int32_t fmGetPartNs(const char* path, uint32_t* count, uint32_t* minimum)
{
    if (path == nullptr || count == nullptr || minimum == nullptr) {
        return FMR_INVAL;
    }
    const char* slash = std::strrchr(path, '/');
    const std::string name = std::string(slash == nullptr ? path : slash + 1).substr(0, kNameMax);
    std::ifstream stats(sb::path("/proc/diskstats"));
    if (!stats) {
        DM_ERR("[FM] %s: #%d: open file fail .\n", __func__, __LINE__);
        return FMR_CORE;
    }
    // After its own line, a partition's name can only prefix other partitions' ("sda1", "sda10").
    const bool namesPartition = (name.size() > 3 && name.compare(0, 2, "sd") == 0) ||
                                (name.size() > 8 && name.compare(0, 6, "mmcblk") == 0);
    uint32_t n = 0;
    uint32_t least = UINT32_MAX;
    bool self = false;
    std::string line;
    while (std::getline(stats, line)) {
        line.resize(std::min<size_t>(line.size(), kDiskstatsLineMax));
        char dev[kDiskstatsLineMax + 1] = {};
        if (std::sscanf(line.c_str(), "%*d %*d %1023s", dev) != 1 || name.empty() ||
            std::strncmp(dev, name.c_str(), name.size()) != 0) {
            continue;
        }
        ++n;
        if (std::strlen(dev) == name.size()) {
            self = true;
        } else {
            size_t digits = std::strlen(dev);
            while (digits > 0 && std::isdigit(static_cast<unsigned char>(dev[digits - 1])) != 0) {
                --digits;
            }
            const uint32_t index = static_cast<uint32_t>(std::strtoul(dev + digits, nullptr, 10));
            least = std::min(least, index);
        }
        if (self && namesPartition) {
            break;
        }
    }
    if (self) {
        least = 0;
    }
    if (n == 0 && std::strncmp(path, "/dev/sr0", 8) == 0) {
        n = 1;
    }
    *count = n;
    *minimum = least == UINT32_MAX ? 0 : least;
    DM_INFO("[FM] %s: #%d: uCount = %d, bSelf = %d, uMinimum = %u\n", __func__, __LINE__, static_cast<int>(n),
            self ? 1 : 0, *minimum);
    return FMR_OK;
}

int32_t uFmGetPartNs(handle_t base, const char* path, uint32_t* count)
{
    std::string abs;
    const int32_t built = absolutePath(base, path, &abs);
    if (built != FMR_OK) {
        return built;
    }
    uint32_t minimum = 0;
    const int32_t result = fmGetPartNs(abs.c_str(), count, &minimum);
    if (result == FMR_OK) {
        DM_INFO("[FM] %s: #%d: uCount = %u\n", __func__, __LINE__, *count);
    }
    return result;
}

int32_t fmGetPartInfo(const char* path, uint32_t index, FM_PART_INFO_T* out)
{
    if (path == nullptr || out == nullptr) {
        return FMR_ARG;
    }
    std::string full = path;
    if (indexRefused(full, index)) {
        return FMR_ARG;
    }
    if (index != 0) {
        if (full.compare(0, 11, "/dev/mmcblk") == 0 && full.find('p') == std::string::npos) {
            full += 'p';
        }
        full += std::to_string(index);
    }
    {
        DmhRwHold hold(gFm.store.lock, false);
        if (!hold.held()) {
            return FMR_CORE;
        }
        for (const FmPartNode* node = gFm.store.head; node != nullptr; node = node->next) {
            std::string joined;
            if (!joinedPartPath(node->info, &joined)) {
                return FMR_NAME_TOO_LONG;
            }
            if (joined == full || (full == "/dev/mmcblk0p" && joined == "/dev/mmcblk0")) {
                *out = node->info;
                return FMR_OK;
            }
        }
    }
    *out = FM_PART_INFO_T{};
    return splitDevicePath(full, out);
}

int32_t uFmGetPartInfo(handle_t base, const char* path, uint32_t index, FM_PART_INFO_T* out)
{
    if (path == nullptr || out == nullptr || indexRefused(path, index)) {
        return FMR_ARG;
    }
    *out = FM_PART_INFO_T{};
    std::string abs;
    const int32_t built = absolutePath(base, path, &abs);
    if (built != FMR_OK) {
        return built;
    }
    return fmGetPartInfo(abs.c_str(), index, out);
}

int32_t uFmCreateDirFdr(handle_t base, const char* path, uint32_t mode)
{
    std::string abs;
    const int32_t built = absolutePath(base, path, &abs);
    if (built != FMR_OK) {
        return built;
    }
    int32_t result = FMR_OK;
    if (access(sb::path(abs).c_str(), F_OK) != 0) {
        int status = runShell("mkdir -p %s", abs.c_str());
        if (status == 0) {
            status = runShell("chmod %o %s", mode, abs.c_str());
        }
        result = status == -1 ? FMR_ARG : FMR_OK;
    }
    if ((mode & 022) != 0) {
        runShell("chmod %o %s", mode & 0777, abs.c_str());
    }
    return result;
}

int32_t uFmCreateDir(handle_t base, const char* path, uint32_t mode)
{
    std::string abs;
    const int32_t built = absolutePath(base, path, &abs);
    if (built != FMR_OK) {
        return built;
    }
    if (mkdir(sb::path(abs).c_str(), static_cast<mode_t>(mode)) != 0) {
        DM_ERR("[FM] %s: #%d: mkdir fail\n", __func__, __LINE__);
        return FMR_ARG;
    }
    // mkdir's mode passes the process's umask; the asked write bits are set explicitly.
    if ((mode & 022) != 0) {
        chmod(sb::path(abs).c_str(), static_cast<mode_t>(mode & 0777));
    }
    return FMR_OK;
}

int32_t uFmDeleteDirFdr(handle_t base, const char* path)
{
    std::string abs;
    const int32_t built = absolutePath(base, path, &abs);
    if (built != FMR_OK) {
        return built;
    }
    return runShell("rmdir %s", abs.c_str()) == -1 ? FMR_ARG : FMR_OK;
}

int32_t uFmDeleteDir(handle_t base, const char* path)
{
    std::string abs;
    const int32_t built = absolutePath(base, path, &abs);
    if (built != FMR_OK) {
        return built;
    }
    if (rmdir(sb::path(abs).c_str()) != 0) {
        DM_ERR("[FM] %s: #%d: rmdir fail!!!!\n", __func__, __LINE__);
        return FMR_ARG;
    }
    return FMR_OK;
}

int32_t uFmMount(handle_t devBase, const char* devPath, handle_t mntBase, const char* mntPath, DmMntInfo* out)
{
    if (out == nullptr) {
        return FMR_ARG;
    }
    std::string dev;
    std::string mnt;
    int32_t built = absolutePath(devBase, devPath, &dev);
    if (built == FMR_OK) {
        built = absolutePath(mntBase, mntPath, &mnt);
    }
    if (built != FMR_OK) {
        return built;
    }
    // The record keeps 95 characters: a longer directory would be recorded as another one.
    if (mnt.size() >= DM_MNT_PATH_LEN) {
        return FMR_NAME_TOO_LONG;
    }
    DM_INFO("[FM] %s: hDevDir %lu,pDevPath %s,hMpDir %lu,pMpPath %s\n", __func__, static_cast<unsigned long>(devBase),
            dev.c_str(), static_cast<unsigned long>(mntBase), mnt.c_str());
    FM_PART_INFO_T rec{};
    if (gFm.mntLock == nullptr || uSemaLock(gFm.mntLock, SEMA_OPTION_WAIT) != OSR_OK) {
        return FMR_CORE;
    }
    auto attempt = [&](const char* type, const char* data) {
        DM_INFO("[FM] %s: #%d: mount %s %s %s\n", __func__, __LINE__, dev.c_str(), mnt.c_str(), type);
        const int ret = sb_mount(dev.c_str(), mnt.c_str(), type, 0, data);
        if (ret != 0) {
            DM_ERR("[FM] %s: #%d: mount %s fail,return %d\n", __func__, __LINE__, type, ret);
        }
        return ret == 0;
    };
    for (const FsTry& fs : kFileSystems) {
        bool ok = attempt(fs.type, fs.data);
        if (!ok && fs.fallback != nullptr) {
            ok = attempt(fs.type, fs.fallback);
            if (ok && fs.code == DM_FS_VFAT) {
                DM_INFO("[FM] mount RO %s success.\n", mnt.c_str());
            }
        }
        if (ok) {
            out->ui4FsCode = fs.code;
            DM_INFO("[FM] %s: #%d: mounted as %s\n", __func__, __LINE__, fs.type);
            rec.bMounted = 1;
            copyText(out->acMntPath, sizeof(out->acMntPath), mnt);
            out->bMnt = 1;
            break;
        }
    }
    uSemaUnlock(gFm.mntLock);

    rec.bRecorded = 1;
    const int32_t split = splitDevicePath(dev, &rec);
    if (split != FMR_OK) {
        return split;
    }
    while (mnt.size() > 1 && mnt.back() == '/') {
        mnt.pop_back();
    }
    copyText(rec.pMntPath, sizeof(rec.pMntPath), mnt);
    DM_INFO("[FM] %s: #%d: pPartPath: %s\n", __func__, __LINE__, rec.pPartPath);
    DM_INFO("[FM] %s: #%d: ps_part_name: %s\n", __func__, __LINE__, rec.ps_part_name);
    DM_INFO("[FM] %s: #%d: pMntPath : %s\n", __func__, __LINE__, rec.pMntPath);
    const int32_t stored = fmStorePartInfo(&rec);
    if (stored != FMR_OK) {
        return stored;
    }
    return rec.bMounted != 0 ? FMR_OK : FMR_ARG;
}

int32_t uFmUmount(handle_t base, const char* path)
{
    std::string abs;
    const int32_t built = absolutePath(base, path, &abs);
    if (built != FMR_OK) {
        return built;
    }
    DM_INFO("[FM] %s: hDir %lu, pPath %s\n", __func__, static_cast<unsigned long>(base), abs.c_str());
    // The directory as it was mounted and recorded: without a final '/'.
    while (abs.size() > 1 && abs.back() == '/') {
        abs.pop_back();
    }
    auto bothFail = [&] {
        const int plain = sb_umount(abs.c_str());
        const int lazy = sb_umount2(abs.c_str(), MNT_DETACH);
        return plain != 0 && lazy != 0;
    };
    bool failed = bothFail();
    for (uint32_t count = 1; failed && count <= kMaxUmountRetries; ++count) {
        failed = bothFail();
        DM_INFO("[FM] %s: #%d: count: %d ret: %d\n", __func__, __LINE__, static_cast<int>(count), failed ? -1 : 0);
    }
    if (failed) {
        // Still mounted: its record stays, so the partition is still known as mounted there. A
        // record of a mount that never succeeded has nothing left to keep.
        bool mounted = false;
        {
            DmhRwHold hold(gFm.store.lock, false);
            for (const FmPartNode* node = gFm.store.head; hold.held() && node != nullptr; node = node->next) {
                if (abs == node->info.pMntPath) {
                    mounted = node->info.bMounted != 0;
                    break;
                }
            }
        }
        if (!mounted) {
            fmRemovePartInfo(abs.c_str());
        }
        DM_ERR("[FM] %s: #%d: %s is still mounted\n", __func__, __LINE__, abs.c_str());
        return FMR_ARG;
    }
    return fmRemovePartInfo(abs.c_str());
}

int32_t fmStorePartInfo(const FM_PART_INFO_T* info)
{
    if (info == nullptr) {
        return FMR_ARG;
    }
    auto node = std::unique_ptr<FmPartNode>(new (std::nothrow) FmPartNode{});
    if (!node) {
        return FMR_CORE;
    }
    node->info = *info;
    DmhRwHold hold(gFm.store.lock, true);
    if (!hold.held()) {
        return FMR_CORE;
    }
    // One record per mount directory: a retried mount replaces its failed try's record.
    std::unique_ptr<FmPartNode> stale;
    for (FmPartNode* n = gFm.store.head; n != nullptr; n = n->next) {
        if (std::strcmp(n->info.pMntPath, info->pMntPath) == 0) {
            dmhUnlink(n);
            stale.reset(n);
            break;
        }
    }
    dmhPushHead(gFm.store.head, node.release());
    for (const FmPartNode* n = gFm.store.head; n != nullptr; n = n->next) {
        DM_INFO("[FM] %s: #%d: pstorepath=%s, pstore.mnt=%d!\n", __func__, __LINE__, n->info.pMntPath,
                n->info.bMounted);
    }
    return FMR_OK;
}

int32_t fmRemovePartInfo(const char* mntPath)
{
    if (mntPath == nullptr) {
        return FMR_ARG;
    }
    std::unique_ptr<FmPartNode> found;
    {
        DmhRwHold hold(gFm.store.lock, true);
        if (!hold.held()) {
            return FMR_CORE;
        }
        for (FmPartNode* n = gFm.store.head; n != nullptr; n = n->next) {
            DM_INFO("[FM] %s: #%d: stored: %s\n", __func__, __LINE__, n->info.pMntPath);
            DM_INFO("[FM] %s: #%d: input:  %s\n", __func__, __LINE__, mntPath);
            if (std::strcmp(n->info.pMntPath, mntPath) == 0) {
                DM_INFO("[FM] %s: #%d: found\n", __func__, __LINE__);
                dmhUnlink(n);
                found.reset(n);
                break;
            }
        }
    }
    return found ? FMR_OK : FMR_ARG;
}

int32_t uFmGetNewMntPath(DmMntInfo* out)
{
    if (out == nullptr) {
        return FMR_INVAL;
    }
    DmhRwHold hold(gFm.store.lock, true);
    if (!hold.held()) {
        return FMR_INVAL;
    }
    for (const FmPartNode* n = gFm.store.head; n != nullptr; n = n->next) {
        if (n->info.bMounted == 1) {
            out->bMnt = 1;
            out->ui4FsCode = 5;
            copyText(out->acMntPath, sizeof(out->acMntPath), n->info.pMntPath);
            return FMR_OK;
        }
    }
    return FMR_INVAL;
}
