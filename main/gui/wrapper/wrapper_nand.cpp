#include "main/gui/wrapper/wrapper_nand.h"

#include "common/support/support.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "platform/sbdev/sb_dev.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mtd/mtd-user.h>
#include <mutex>
#include <optional>
#include <strings.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

#define NAND_LOG(fmt, ...) WRAPPER_LOG_ERR("<NAND>", fmt, ##__VA_ARGS__)

namespace {

constexpr const char* kProcMtd = "/proc/mtd";
constexpr const char* kCustomPart = "custom";
constexpr const char* kMiscPart = "misc";
constexpr size_t kProcMtdRead = 2047;

// The boot-parameter record as the partition holds it (little-endian words).
struct NandParam {
    uint32_t dirted = 0;
    uint32_t vol = 0;
    uint32_t lcdDimmerLvl = 0;
    std::array<uint8_t, GUI_WRAPPER_NAND_CEC_NAME_SIZE> cecName{};
};
constexpr size_t kVolOffset = 4;
constexpr size_t kDimmerOffset = 8;
static_assert(GUI_WRAPPER_NAND_CEC_NAME_OFFSET + GUI_WRAPPER_NAND_CEC_NAME_SIZE + 2 == GUI_WRAPPER_NAND_REC_SIZE,
              "the CEC name and two zero bytes end the record");

std::array<uint8_t, GUI_WRAPPER_NAND_REC_SIZE> encode(const NandParam& p)
{
    std::array<uint8_t, GUI_WRAPPER_NAND_REC_SIZE> out{};
    sb::storeLe32(out.data(), p.dirted);
    sb::storeLe32(out.data() + kVolOffset, p.vol);
    sb::storeLe32(out.data() + kDimmerOffset, p.lcdDimmerLvl);
    std::memcpy(out.data() + GUI_WRAPPER_NAND_CEC_NAME_OFFSET, p.cecName.data(), p.cecName.size());
    return out;
}

struct NandObj {
    std::atomic<uint8_t> init{0};
    // Guards the cache and every partition access.
    std::mutex lock;
    NandParam cache;
};

NandObj gGuiWrapperNandThisObj;

// An open MTD device, closed when it goes.
class MtdDev {
public:
    explicit MtdDev(int fd) : fd_(fd) {}
    ~MtdDev()
    {
        if (fd_ >= 0) {
            sb_dev_close(fd_);
        }
    }
    MtdDev(const MtdDev&) = delete;
    MtdDev& operator=(const MtdDev&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// The first good erase block of a partition: where it starts, and the geometry.
struct GoodBlock {
    uint32_t offset;
    uint32_t eraseSize;
    uint32_t pageSize;
};

std::optional<std::array<char, 32>> devicePath(const char* part)
{
    std::array<char, 32> path{};
    const int n = snprintf(path.data(), path.size(), "/dev/mtd%d", static_cast<int>(guiWrapperNandPartNumGet(part)));
    if (n < 0 || static_cast<size_t>(n) >= path.size()) {
        NAND_LOG("call sprintf fail, ret = %d(line:%d)", n, __LINE__);
        return std::nullopt;
    }
    return path;
}

// Skips bad blocks from the start; nothing when the partition has no good block.
std::optional<GoodBlock> firstGoodBlock(int fd)
{
    mtd_info_user info{};
    if (sb_dev_ioctl(fd, MEMGETINFO, &info) != 0 || info.erasesize == 0 || info.writesize == 0) {
        NAND_LOG("MEMGETINFO fail, error: %s", strerror(errno));
        return std::nullopt;
    }
    NAND_LOG("erase_size=%u, total_size=%u", info.erasesize, info.size);
    for (uint64_t offset = 0; offset + info.erasesize <= info.size; offset += info.erasesize) {
        loff_t at = static_cast<loff_t>(offset);
        const int ret = sb_dev_ioctl(fd, MEMGETBADBLOCK, &at);
        if (ret <= 0) {
            return GoodBlock{static_cast<uint32_t>(offset), info.erasesize, info.writesize};
        }
        NAND_LOG("mtd: not writing bad block at 0x%08lx (ret %d)", static_cast<unsigned long>(offset), ret);
    }
    NAND_LOG("no good block");
    return std::nullopt;
}

// Erases the block and writes it whole, `data` at its start and zeros after. 0, or -1.
int32_t writeBlock(int fd, const GoodBlock& b, const uint8_t* data, size_t size)
{
    erase_info_user erase{b.offset, b.eraseSize};
    sb_dev_ioctl(fd, MEMERASE, &erase);  // a failed erase shows in the write
    std::vector<uint8_t> block(b.eraseSize, 0);
    std::memcpy(block.data(), data, size);
    if (sb_dev_lseek(fd, b.offset, SEEK_SET) != static_cast<off_t>(b.offset)) {
        NAND_LOG("fseek failed");
        return -1;
    }
    if (sb_dev_write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
        NAND_LOG("set flag fail, error: %s", strerror(errno));
        return -1;
    }
    sync();
    return 0;
}

// Writes a whole block of a partition with `data` at its start; the lock is held.
int32_t writePart(const char* part, const uint8_t* data, size_t size)
{
    const auto path = devicePath(part);
    if (!path) {
        return -1;
    }
    const MtdDev dev(sb_dev_open(path->data(), O_RDWR | O_CLOEXEC));
    if (dev.fd() < 0) {
        NAND_LOG("open %s partition:  %s fail", part, path->data());
        return -1;
    }
    const std::optional<GoodBlock> block = firstGoodBlock(dev.fd());
    if (!block) {
        return -1;
    }
    if (size > block->eraseSize) {
        NAND_LOG("Param error! size %zu", size);
        return -1;
    }
    return writeBlock(dev.fd(), *block, data, size);
}

// Writes the cached record; the lock is held.
void writeCache(const NandParam& p)
{
    const auto rec = encode(p);
    NAND_LOG("param_size=%zu", rec.size());
    writePart(kCustomPart, rec.data(), rec.size());
}

}  // namespace

void guiWrapperNandInit(void)
{
    gGuiWrapperNandThisObj.init = 1;
}

void guiWrapperNandExit(void)
{
    gGuiWrapperNandThisObj.init = 0;
}

int32_t guiWrapperNandPartNumGet(const char* name)
{
    if (name == nullptr) {
        return -1;
    }
    const MtdDev proc(sb_dev_open(kProcMtd, O_RDONLY | O_CLOEXEC));
    if (proc.fd() < 0) {
        NAND_LOG("open /proc/mtd fail");
        return -1;
    }
    std::array<char, kProcMtdRead + 1> text{};
    const ssize_t n = sb_dev_read(proc.fd(), text.data(), kProcMtdRead);
    if (n < 0) {
        return -1;
    }
    char* save = nullptr;
    for (char* line = strtok_r(text.data(), "\n", &save); line != nullptr; line = strtok_r(nullptr, "\n", &save)) {
        int num = 0;
        unsigned size = 0;
        unsigned erase = 0;
        std::array<char, 64> part{};
        if (sscanf(line, "mtd%d: %x %x \"%63[^\"]", &num, &size, &erase, part.data()) == 4 &&
            strcasecmp(part.data(), name) == 0) {
            return num;
        }
    }
    return -1;
}

int32_t guiWrapperNandWrite(const void* rec, uint32_t size)
{
    if (rec == nullptr || size == 0) {
        NAND_LOG("Param error!");
        return -1;
    }
    NAND_LOG("param_size=%u", size);
    const std::lock_guard<std::mutex> hold(gGuiWrapperNandThisObj.lock);
    return writePart(kCustomPart, static_cast<const uint8_t*>(rec), size);
}

void guiWrapperNandParamSet(uint32_t item, const uint32_t rec[GUI_WRAPPER_NAND_REC_WORDS])
{
    if (item > GUI_WRAPPER_NAND_ITEM_CEC_NAME || rec == nullptr) {
        NAND_LOG("Param error!");
        return;
    }
    NandObj& o = gGuiWrapperNandThisObj;
    const std::lock_guard<std::mutex> hold(o.lock);
    NandParam next = o.cache;
    switch (item) {
    case GUI_WRAPPER_NAND_ITEM_DIMMER:
        next.lcdDimmerLvl = rec[2];
        break;
    case GUI_WRAPPER_NAND_ITEM_VOLUME:
        next.vol = rec[1];
        break;
    default:
        std::memcpy(next.cecName.data(), reinterpret_cast<const uint8_t*>(rec) + GUI_WRAPPER_NAND_CEC_NAME_OFFSET,
                    next.cecName.size());
        break;
    }
    if (next.lcdDimmerLvl == o.cache.lcdDimmerLvl && next.vol == o.cache.vol && next.cecName == o.cache.cecName) {
        return;
    }
    next.dirted = rec[0];
    o.cache = next;
    writeCache(next);
}

void guiWrapperNandPowerOn(const GuiWrapperSetting* s)
{
    if (s == nullptr) {
        NAND_LOG("Param error!");
        return;
    }
    NAND_LOG("lcd_dimmer_lvl=%u, vol=%u", s->lcd_dimmer_lvl, s->vol);
    NandObj& o = gGuiWrapperNandThisObj;
    const std::lock_guard<std::mutex> hold(o.lock);
    o.cache.dirted = 0;
    o.cache.vol = s->vol;
    o.cache.lcdDimmerLvl = s->lcd_dimmer_lvl;
}

void guiWrapperNandPowerOff(const GuiWrapperSetting* s)
{
    if (s == nullptr) {
        NAND_LOG("Param error!");
        return;
    }
    NAND_LOG("power_off");
    uint32_t rec[GUI_WRAPPER_NAND_REC_WORDS] = {1, s->vol, s->lcd_dimmer_lvl};
    guiWrapperNandParamSet(GUI_WRAPPER_NAND_ITEM_VOLUME, rec);
    guiWrapperNandParamSet(GUI_WRAPPER_NAND_ITEM_DIMMER, rec);
}

int32_t guiWrapperNandUpgFlagGet(uint8_t out[GUI_WRAPPER_NAND_UPG_FLAG_SIZE])
{
    if (out == nullptr) {
        NAND_LOG("Param error!");
        return -1;
    }
    const std::lock_guard<std::mutex> hold(gGuiWrapperNandThisObj.lock);
    const auto path = devicePath(kMiscPart);
    if (!path) {
        return -1;
    }
    const MtdDev dev(sb_dev_open(path->data(), O_RDWR | O_CLOEXEC));
    if (dev.fd() < 0) {
        NAND_LOG("open MISC partition:%s fail!", path->data());
        return -1;
    }
    const std::optional<GoodBlock> block = firstGoodBlock(dev.fd());
    if (!block) {
        return -1;
    }
    // A page read from anywhere but the block's start, or cut short, is not the record.
    if (sb_dev_lseek(dev.fd(), block->offset, SEEK_SET) != static_cast<off_t>(block->offset)) {
        NAND_LOG("fseek failed");
        return -1;
    }
    std::vector<uint8_t> page(std::max<size_t>(block->pageSize, GUI_WRAPPER_NAND_UPG_FLAG_SIZE), 0);
    if (sb_dev_read(dev.fd(), page.data(), page.size()) != static_cast<ssize_t>(page.size())) {
        NAND_LOG("read flag fail, error: %s", strerror(errno));
        return -1;
    }
    std::memcpy(out, page.data(), GUI_WRAPPER_NAND_UPG_FLAG_SIZE);
    return 0;
}

int32_t guiWrapperNandUpgFlagSet(const uint8_t rec[GUI_WRAPPER_NAND_UPG_FLAG_SIZE])
{
    if (rec == nullptr) {
        NAND_LOG("Param error!");
        return -1;
    }
    NAND_LOG("mtd_num = %d", static_cast<int>(guiWrapperNandPartNumGet(kMiscPart)));
    const std::lock_guard<std::mutex> hold(gGuiWrapperNandThisObj.lock);
    return writePart(kMiscPart, rec, GUI_WRAPPER_NAND_UPG_FLAG_SIZE);
}
