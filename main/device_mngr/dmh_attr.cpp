#include "main/device_mngr/dmh_attr.h"

#include "main/device_mngr/dm_log.h"
#include "main/device_mngr/dm_mount.h"
#include "main/device_mngr/dmh_uevent_msg.h"
#include "main/gui/wrapper/usb_stub/wrapper_usb_stub.h"
#include "main/mw/os_pthread/os_thread.h"
#include "platform/quorid/quorid.h"
#include "platform/sbdev/sb_sysfs.h"
#include "platform/sbroot/sb_root.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr size_t kDirMax = 255;
constexpr size_t kLineBuf = 256;  // a line longer than this is read in pieces
constexpr size_t kFileMax = 16384;
constexpr int kFuseRounds = 5;
constexpr size_t kCmdLen = 64;
constexpr uint32_t kSectorRetryMs = 10;
constexpr int kSectorRetries = 11;

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> readFile(const std::string& path)
{
    std::string text;
    std::array<char, 4096> chunk;
    ssize_t n = sb_sysfs_read(path.c_str(), chunk.data(), chunk.size());
    if (n < 0) {
        return std::nullopt;
    }
    text.assign(chunk.data(), static_cast<size_t>(n));
    // Sysfs attributes fit one page; a longer plain file is read in one more bounded step.
    if (static_cast<size_t>(n) == chunk.size()) {
        std::vector<char> big(kFileMax);
        n = sb_sysfs_read(path.c_str(), big.data(), big.size());
        if (n > 0) {
            text.assign(big.data(), static_cast<size_t>(n));
        }
    }
    return text;
}

// Pieces of the file as a line reader with a 256-byte buffer returns them.
std::vector<std::string> linePieces(const std::string& text)
{
    std::vector<std::string> pieces;
    size_t at = 0;
    while (at < text.size()) {
        const size_t nl = text.find('\n', at);
        const size_t lineEnd = nl == std::string::npos ? text.size() : nl + 1;
        const size_t end = std::min(lineEnd, at + kLineBuf - 1);
        pieces.push_back(text.substr(at, end - at));
        at = end;
    }
    return pieces;
}

// The last newline-terminated line, without its newline; nothing when the file cannot be opened,
// and an empty optional-with-flag when it has no such line.
struct LastLine {
    bool opened = false;
    std::optional<std::string> line;
};

LastLine lastLine(const std::string& path)
{
    LastLine r;
    const auto text = readFile(path);
    if (!text) {
        return r;
    }
    r.opened = true;
    for (const std::string& piece : linePieces(*text)) {
        if (!piece.empty() && piece.back() == '\n') {
            r.line = piece.substr(0, piece.size() - 1);
        }
    }
    return r;
}

uint32_t numberOf(const LastLine& l, int base)
{
    if (!l.opened) {
        return DMH_ATTR_NUM_FAIL;
    }
    if (!l.line) {
        return 0;
    }
    errno = 0;
    const unsigned long v = std::strtoul(l.line->c_str(), nullptr, base);
    return errno != 0 ? 0 : static_cast<uint32_t>(v);
}

uint32_t readNumber(const std::string& path, int base)
{
    return numberOf(lastLine(path), base);
}

bool plainName(std::string_view name)
{
    for (char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return !name.empty();
}

void shell(const char* format, const std::string& name, int* status)
{
    std::array<char, kCmdLen> cmd{};
    std::snprintf(cmd.data(), cmd.size(), format, name.c_str(), name.c_str());
    *status = quorid_exec(cmd.data(), 0);
}

// Three entries or more: something besides "." and "..".
bool dirHasEntries(const std::string& systemPath)
{
    DIR* dir = opendir(sb::path(systemPath).c_str());
    if (dir == nullptr) {
        return false;
    }
    int entries = 0;
    while (readdir(dir) != nullptr && entries < 3) {
        ++entries;
    }
    closedir(dir);
    return entries >= 3;
}

// The FUSE exFAT mount of one partition: a program outside the system mounts it, so success only
// shows in its status or in files appearing in the mount directory.
void fuseExfatMount(const std::string& name)
{
    if (!plainName(name)) {
        DM_ERR(" %s: #%d: refused device name\n", __func__, __LINE__);
        return;
    }
    const std::string mntPath = "/data/mnt/" + name;
    for (int round = 1; round <= kFuseRounds; ++round) {
        int status = 0;
        shell("mkdir /data/mnt/%s", name, &status);
        if (status != 0) {
            DM_ERR(" %s: #%d: mkdir error %d\n", __func__, __LINE__, status);
        }
        shell("chmod 777 /data/mnt/%s", name, &status);
        if (status != 0) {
            DM_ERR(" %s: #%d: chmod error %d\n", __func__, __LINE__, status);
        }
        shell("/sbin/mount.exfat-fuse /dev/%s /data/mnt/%s", name, &status);
        if (status == 0) {
            dmModifyMntInfoForExternal(1, mntPath.c_str());
            return;
        }
        DM_ERR(" %s: #%d: mount exfat error %d\n", __func__, __LINE__, status);
        if (dirHasEntries(mntPath)) {
            DM_ERR(" %s: #%d: mount dir is not empty.\n", __func__, __LINE__);
            dmModifyMntInfoForExternal(1, mntPath.c_str());
            return;
        }
        DM_ERR(" %s: #%d: mount dir is empty.\n", __func__, __LINE__);
        guiWrapperUsbUdiskPlugStsSet(1);
    }
}

}  // namespace

std::string dmhAttrPath(const std::string& dir, const char* name)
{
    std::string path = dir.substr(0, kDirMax);
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += name;
    if (path.size() > kDirMax) {
        DM_ERR("[DMH]Fail: filename Size is long: %d, @Line %d\n", static_cast<int>(path.size()), __LINE__);
        path.resize(kDirMax);
    }
    return path;
}

std::optional<std::string> dmhGetAttrTxt(const std::string& dir, const char* name)
{
    return lastLine(dmhAttrPath(dir, name)).line;
}

uint32_t dmhGetAttrNum(const std::string& dir, const char* name)
{
    return readNumber(dmhAttrPath(dir, name), 10);
}

uint32_t dmhGetAttrVendorId(const std::string& dir)
{
    return readNumber(dmhAttrPath(dir, "idVendor"), 16);
}

uint32_t dmhGetAttrProductId(const std::string& dir)
{
    return readNumber(dmhAttrPath(dir, "idProduct"), 16);
}

std::optional<std::string> dmhGetModelName(const std::string& dir)
{
    return dmhGetAttrTxt(dir, "model");
}

std::optional<std::string> dmhGetVendorName(const std::string& dir)
{
    return dmhGetAttrTxt(dir, "vendor");
}

std::optional<std::string> dmhGetStateName(const std::string& dir)
{
    return dmhGetAttrTxt(dir, "state");
}

std::optional<std::string> dmhGetRevName(const std::string& dir)
{
    return dmhGetAttrTxt(dir, "rev");
}

uint64_t dmhGetDevSize(const std::string& dir)
{
    const LastLine l = lastLine(dir.substr(0, kDirMax) + "/size");
    if (!l.opened) {
        return DMH_ATTR_SIZE_FAIL;
    }
    if (!l.line) {
        return 0;
    }
    errno = 0;
    const unsigned long long v = std::strtoull(l.line->c_str(), nullptr, 10);
    return errno != 0 ? 0 : v;
}

uint32_t dmhGetDevHwSectorSize(const std::string& dir)
{
    const std::string path = dir.substr(0, kDirMax) + "/queue/hw_sector_size";
    for (int tries = 0;; ++tries) {
        const LastLine l = lastLine(path);
        if (l.opened) {
            return numberOf(l, 10);
        }
        if (tries >= kSectorRetries) {
            DM_ERR("Can't read driver type %10s(%d):\n", __func__, __LINE__);
            return DMH_ATTR_NUM_FAIL;
        }
        uThreadDelay(kSectorRetryMs);
    }
}

int32_t dmhParseSerialFile(const std::string& dir, char* out, size_t size)
{
    if (out == nullptr || dir.empty()) {
        return -2;
    }
    const auto text = readFile(dmhAttrPath(dir, "serial"));
    if (!text) {
        return -2;
    }
    const auto pieces = linePieces(*text);
    if (!pieces.empty()) {
        std::memcpy(out, pieces.back().data(), std::min(size, pieces.back().size()));
    }
    return 0;
}

int32_t dmhCheckFile(const std::string& path)
{
    struct stat st {};
    return stat(sb::path(path).c_str(), &st) == 0 ? 1 : 0;
}

int32_t dmhParseUeventFile(const std::string& dir, DmhBlkUeventAttr* out)
{
    if (out == nullptr || dir.empty()) {
        return -2;
    }
    const std::string path = dmhAttrPath(dir, "uevent");
    const auto text = readFile(path);
    if (!text) {
        DM_ERR("[DMH]%10s(%d): file %s, err message: %s\n", __func__, __LINE__, path.c_str(), std::strerror(errno));
        return -2;
    }
    for (std::string line : linePieces(*text)) {
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        const std::string_view l(line);
        auto value = [&](std::string_view key) { return std::string(l.substr(key.size())); };
        if (l.rfind("MAJOR=", 0) == 0) {
            out->uMajor = dmhDecimal(line.c_str() + 6);
        } else if (l.rfind("MINOR=", 0) == 0) {
            out->uMinor = dmhDecimal(line.c_str() + 6);
        } else if (l.rfind("DEVTYPE=", 0) == 0) {
            out->ps_dev_type = value("DEVTYPE=");
        } else if (l.rfind("PHYSDEVPATH=", 0) == 0) {
            out->ps_phys_dev_path = value("PHYSDEVPATH=");
        } else if (l.rfind("PHYSDEVDRIVER=", 0) == 0) {
            out->ps_phys_dev_driver = value("PHYSDEVDRIVER=");
        } else if (l.rfind("DRIVER=", 0) == 0) {
            out->ps_driver = value("DRIVER=");
        } else if (l.rfind("PRODUCT=", 0) == 0) {
            out->ps_product = value("PRODUCT=");
        } else if (l.rfind("DEVNAME=", 0) == 0 && l.size() == 12 && l[8] != 'm') {
            fuseExfatMount(value("DEVNAME="));
        }
    }
    return 0;
}

int32_t dmhFreeUeventFile(DmhBlkUeventAttr* attr)
{
    if (attr == nullptr) {
        return -2;
    }
    attr->ps_dev_type.reset();
    attr->ps_phys_dev_path.reset();
    attr->ps_phys_dev_driver.reset();
    attr->ps_driver.reset();
    attr->ps_product.reset();
    return 0;
}
