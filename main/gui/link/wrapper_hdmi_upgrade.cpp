#include "main/gui/link/wrapper_hdmi_upgrade.h"

#include "common/support/support.h"
#include "main/gui/link/wrapper_hdmi_upgrade_priv.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/wrapper/wrapper_hdmi.h"
#include "main/gui/wrapper/wrapper_i2c.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/timerd/gui_log.h"
#include "platform/hdmichip/hdmichip_isp.h"
#include "platform/sbroot/sb_root.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace hdmichip;

constexpr size_t kPathSize = 64;
constexpr uint32_t kHdrTag = 0x20140901;
constexpr uint32_t kMaxCodeSize = 0x20000;  // ISP_MAX_CODE_SIZE
constexpr uint32_t kSectorSize = 1024;
constexpr uint32_t kMaxSectors = kMaxCodeSize / kSectorSize;
constexpr uint32_t kChunk = 32;
constexpr uint32_t kEnterRetries = 5;
constexpr uint32_t kVerifyRetries = 3;
constexpr int kFileWaitSteps = 100;
constexpr auto kFileWaitStep = std::chrono::milliseconds(100);
constexpr uint32_t kTagOffset = 0x2060;
constexpr std::array<uint8_t, 8> kTag{0x55, 0x44, 0xC3, 0x65, 0x16, 0xA0, 0x1A, 0x59};

// The firmware file's header; only the tag and the body length are read.
struct IspFwHeader {
    uint32_t hdr_tag1;
    uint32_t words[3];
    uint32_t fw_length;
    uint32_t word5;
};
static_assert(sizeof(IspFwHeader) == 24, "the file header is 24 bytes");
static_assert(offsetof(IspFwHeader, fw_length) == 16, "the body length is at offset 16");

IspFwHeader decodeHeader(const uint8_t* p)
{
    IspFwHeader h{};
    h.hdr_tag1 = sb::loadLe32(p);
    h.fw_length = sb::loadLe32(p + offsetof(IspFwHeader, fw_length));
    return h;
}

// The state machine's step results.
enum StepResult : int { STEP_CONTINUE = 6, STEP_DONE = 7, STEP_FAILED = 8 };

enum IspState : uint8_t {
    ISP_ENTER = 0,
    ISP_PREPARE = 1,
    ISP_ERASE = 2,
    ISP_WRITE = 3,
    ISP_VERIFY = 4,
    ISP_LEAVE = 5,
};

enum SectorMark : uint8_t { SECTOR_VERIFIED = 0, SECTOR_TO_WRITE = 2 };

struct IspContext {
    uint32_t enter_retries = 0;
    uint32_t verify_retries = 0;
    uint8_t state = ISP_ENTER;
    std::array<uint8_t, kMaxSectors> erase_map{};
    std::vector<uint8_t> image;
    uint32_t fw_length = 0;
    uint32_t fw_length_align = 0;
    uint32_t sector_count = 0;
};

struct UpgradeObj {
    std::array<char, kPathSize> path{};
    std::atomic<uint8_t> running{0};
    std::atomic<bool> working{false};  // the worker has not ended yet
    std::thread thread;
    GuiWrapperI2cHandle* i2c = nullptr;
    std::mutex bus;
    std::atomic<uint32_t> origin{0};
    std::atomic<uint32_t> result{GUI_WRAPPER_HDMI_UPG_RESULT_NONE};
    bool init = false;
    std::mutex lifecycle;  // Start, Exit and Init against each other
    std::chrono::milliseconds statusRound{5000};
    std::chrono::milliseconds fifoRetry{10000};
};

UpgradeObj& obj()
{
    static UpgradeObj o;  // gGuiWrapperHdmiUpgradeThisObj
    return o;
}

bool isp_i2c_read(uint8_t reg, uint8_t len, uint8_t* buf)
{
    std::lock_guard<std::mutex> guard(obj().bus);
    if (guiWrapperI2cRead(obj().i2c, reg, buf, len) != 1) {
        GUI_LOG_ERR("I2C_read reg:0x%x failed!", reg);
        return false;
    }
    return true;
}

bool isp_i2c_write(uint8_t reg, uint8_t len, const uint8_t* buf)
{
    std::lock_guard<std::mutex> guard(obj().bus);
    if (guiWrapperI2cWrite(obj().i2c, reg, buf, len) != 1) {
        GUI_LOG_ERR("I2C_write reg:0x%x failed!", reg);
        return false;
    }
    return true;
}

bool writeReg(uint8_t reg, uint8_t value)
{
    return isp_i2c_write(reg, 1, &value);
}

bool readReg(uint8_t reg, uint8_t& value)
{
    return isp_i2c_read(reg, 1, &value);
}

bool fileExists(const char* path)
{
    return access(sb::path(path).c_str(), F_OK) == 0;
}

// Loads the header and the image; false for a short, foreign or oversized file.
bool fw_update_init(IspContext& ctx, const char* path)
{
    ctx = IspContext{};
    ctx.enter_retries = kEnterRetries;
    ctx.verify_retries = kVerifyRetries;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(sb::path(path).c_str(), "rb"), &std::fclose);
    if (file == nullptr) {
        GUI_LOG_ERR("open %s failed!", path);
        return false;
    }
    std::array<uint8_t, sizeof(IspFwHeader)> raw{};
    const size_t size = std::fread(raw.data(), 1, raw.size(), file.get());
    const IspFwHeader hdr = decodeHeader(raw.data());
    GUI_LOG_INFO("size=%zu, hdr_size=%zu, hdr_tag1=0x%x", size, raw.size(), size == raw.size() ? hdr.hdr_tag1 : 0);
    if (size != raw.size() || hdr.hdr_tag1 != kHdrTag) {
        return false;
    }
    ctx.fw_length = hdr.fw_length;
    // Computed in 64 bits: a length near 4 GiB must not wrap to a small aligned one.
    const uint64_t align = (static_cast<uint64_t>(ctx.fw_length) + kSectorSize - 1) / kSectorSize * kSectorSize;
    GUI_LOG_INFO("fw_length_align=%llu, ISP_MAX_CODE_SIZE=%u", static_cast<unsigned long long>(align), kMaxCodeSize);
    if (align > kMaxCodeSize) {
        return false;
    }
    ctx.fw_length_align = static_cast<uint32_t>(align);
    ctx.sector_count = ctx.fw_length_align / kSectorSize;
    ctx.image.assign(ctx.fw_length_align, 0xFF);
    std::fill(ctx.erase_map.begin(), ctx.erase_map.begin() + ctx.sector_count, SECTOR_TO_WRITE);
    const size_t got = std::fread(ctx.image.data(), 1, ctx.fw_length, file.get());
    GUI_LOG_INFO("result=%zu, fw_length=%u", got, ctx.fw_length);
    return got == ctx.fw_length;
}

bool clearReadFifo()
{
    return writeReg(REG_READ_FIFO_CLEAR, kReadFifoClear) && writeReg(REG_READ_FIFO_CLEAR, 0x00);
}

bool isp_enter()
{
    for (const RegWrite& w : kUnlockSequence) {
        if (!writeReg(w.reg, w.value)) {
            GUI_LOG_ERR("Enter ISP %02X %02X", w.reg, w.value);
            return false;
        }
    }
    uint8_t state = 0;
    if (!readReg(REG_ISP_STATE, state) || (state & kIspActive) == 0) {
        return false;
    }
    return clearReadFifo();
}

bool _interrupt_enable()
{
    constexpr std::array<RegWrite, 2> kEnables{{{REG_INT_ENABLE1, 0xFE}, {REG_INT_ENABLE2, 0x7F}}};
    for (const RegWrite& e : kEnables) {
        if (!writeReg(e.reg, e.value)) {
            GUI_LOG_ERR("Fail to enable INT %02X %02X", e.reg, e.value);
            return false;
        }
        uint8_t back = 0;
        if (!readReg(e.reg, back)) {
            GUI_LOG_ERR("Fail to read INT %02X %02X", e.reg, e.value);
            return false;
        }
        if (back != e.value) {
            GUI_LOG_ERR("Fail to enable INT2 %02X %02X", e.reg, back);
            return false;
        }
    }
    return true;
}

// The timeout counts in steps of 5, one per round of `statusRound`.
bool _wait_for_status(uint8_t reg, uint8_t doneMask, uint8_t failMask, uint32_t timeout)
{
    uint32_t elapsed = 0;
    for (;;) {
        uint8_t value = 0;
        if (!readReg(reg, value)) {
            GUI_LOG_ERR("read failed!");
            return false;
        }
        if ((value & doneMask) != 0) {
            return true;
        }
        if ((value & failMask) != 0) {
            return false;
        }
        if (timeout == 0) {
            continue;
        }
        if (elapsed >= timeout) {
            GUI_LOG_ERR("timeout failed %02X %02X %02X %u", reg, doneMask, failMask, timeout);
            return false;
        }
        elapsed += 5;
        std::this_thread::sleep_for(obj().statusRound);
    }
}

bool _chip_erase()
{
    if (writeReg(REG_STATUS, kEraseArm) && writeReg(REG_COMMAND, CMD_CHIP_ERASE) &&
        _wait_for_status(REG_STATUS, kEraseDone, kEraseFailed, 3500)) {
        return true;
    }
    uint8_t status = 0;
    uint8_t error = 0;
    readReg(REG_STATUS, status);
    readReg(REG_ERROR, error);
    GUI_LOG_ERR("ERASE Error WaitForStatus 0x08=%02X, 0x17=%02X", status, error);
    return false;
}

bool _set_offset(uint32_t offset)
{
    return writeReg(REG_OFFSET_LOW, static_cast<uint8_t>(offset)) &&
           writeReg(REG_OFFSET_MID, static_cast<uint8_t>(offset >> 8)) &&
           writeReg(REG_OFFSET_HIGH, static_cast<uint8_t>(offset >> 16));
}

// The chip takes 2 to 256 bytes per operation, 256 written as 0.
bool _set_byte_count(uint32_t count)
{
    if (count < 2 || count > 256) {
        return false;
    }
    return writeReg(REG_BYTE_COUNT, static_cast<uint8_t>(count));
}

bool _flash_write(uint32_t offset, const uint8_t* data, uint32_t len)
{
    for (uint32_t at = 0; at < len; at += kChunk) {
        const uint32_t n = std::min(kChunk, len - at);
        const uint8_t* chunk = data + at;
        const uint32_t where = offset + at;
        if (std::all_of(chunk, chunk + n, [](uint8_t b) { return b == 0xFF; })) {
            GUI_LOG_INFO("skip FF (%06X %u (%p))", where, n, static_cast<const void*>(chunk));
            continue;
        }
        if (!_set_offset(where)) {
            GUI_LOG_ERR("_set_offset %u", where);
            return false;
        }
        if (!_set_byte_count(n)) {
            GUI_LOG_ERR("_set_byte_count %u", n);
            return false;
        }
        if (!writeReg(REG_COMMAND, CMD_PROGRAM)) {
            GUI_LOG_ERR("_enable_write_process fail");
            return false;
        }
        for (uint32_t f = 0; f < n; f += kWriteFifoMax) {
            const uint8_t part = static_cast<uint8_t>(std::min<uint32_t>(kWriteFifoMax, n - f));
            if (!isp_i2c_write(REG_WRITE_FIFO, part, chunk + f)) {
                GUI_LOG_ERR("_set_write_fifo fail");
                return false;
            }
        }
        if (!_wait_for_status(REG_STATUS, kProgramDone, kProgramFailed, 1500)) {
            uint8_t error = 0;
            readReg(REG_ERROR, error);
            GUI_LOG_ERR("_wait_for_status 0x17=%02X, offset=%u", error, where);
            return false;
        }
    }
    return true;
}

// Waits for the read FIFO to hold the chunk. Bounded also while the level cannot be read: then
// the chunk counts as unreadable. A FIFO still busy after the last try is read all the same.
bool waitReadFifo(uint32_t n)
{
    constexpr int kTries = 5;
    const uint8_t want = static_cast<uint8_t>(std::min<uint32_t>(n, kReadFifoFull));
    bool readable = false;
    for (int retry = 0; retry < kTries; ++retry) {
        uint8_t level = 0;
        readable = readReg(REG_READ_FIFO_LEVEL, level);
        if (readable && (level & kReadFifoBusy) == 0 && (level & kReadFifoCount) == want) {
            return true;
        }
        GUI_LOG_ERR("wait_for_read_fifo reg18 = 0x%02x  (retry=%d)", level, retry);
        if (retry + 1 < kTries) {
            std::this_thread::sleep_for(obj().fifoRetry);
        }
    }
    return readable;
}

bool _flash_read(uint32_t offset, uint8_t* buf, uint32_t len)
{
    for (uint32_t at = 0; at < len; at += kChunk) {
        const uint32_t n = std::min(kChunk, len - at);
        if (!clearReadFifo()) {
            return false;
        }
        if (!_set_offset(offset + at)) {
            GUI_LOG_ERR("Error SetStartOffset %u ", offset + at);
            return false;
        }
        if (!_set_byte_count(n)) {
            GUI_LOG_ERR("Isp_ReadPage Error SetByteCount %u", n);
            return false;
        }
        if (!writeReg(REG_COMMAND, CMD_READ)) {
            GUI_LOG_ERR("Isp_ReadPage Error EnableReadProcess");
            return false;
        }
        if (!waitReadFifo(n) || !isp_i2c_read(REG_READ_FIFO, static_cast<uint8_t>(n), buf + at)) {
            return false;
        }
    }
    return true;
}

bool isp_write(IspContext& ctx)
{
    bool ok = true;
    for (uint32_t i = 0; i < ctx.sector_count; ++i) {
        if (ctx.erase_map[i] != SECTOR_TO_WRITE) {
            continue;
        }
        // A failed sector does not stop the others: the verify finds and rewrites it.
        ok = _flash_write(i * kSectorSize, &ctx.image[i * kSectorSize], kSectorSize);
        guiWrapperHdmiUpgradePercentDisp(std::min<uint32_t>(70 * i / ctx.sector_count / 10 * 10 + 20, 90));
    }
    return ok;
}

bool isp_verify(IspContext& ctx)
{
    std::array<uint8_t, kSectorSize> back{};
    uint32_t diff = 0;
    for (uint32_t i = 0; i < ctx.sector_count; ++i) {
        const bool read = _flash_read(i * kSectorSize, back.data(), kSectorSize);
        const bool same = read && std::equal(back.begin(), back.end(), ctx.image.begin() + i * kSectorSize);
        ctx.erase_map[i] = same ? SECTOR_VERIFIED : SECTOR_TO_WRITE;
        diff += same ? 0 : 1;
    }
    GUI_LOG_INFO("diff=%u ret=%d", diff, diff == 0 ? 1 : 0);
    return diff == 0;
}

int fw_update_loop(IspContext& ctx)
{
    switch (ctx.state) {
    case ISP_ENTER:
        GUI_LOG_INFO("::Entering ISP mode");
        if (ctx.enter_retries > 0) {
            --ctx.enter_retries;
            if (isp_enter()) {
                ctx.state = ISP_PREPARE;
                guiWrapperHdmiUpgradePercentDisp(10);
                return STEP_CONTINUE;
            }
            if (ctx.enter_retries > 0) {
                return STEP_CONTINUE;
            }
        }
        GUI_LOG_ERR("::Entering ISP mode failed");
        return STEP_FAILED;
    case ISP_PREPARE:
        GUI_LOG_INFO("::Prepare FW update");
        if (!_interrupt_enable()) {
            GUI_LOG_ERR("::Prepare FW update failed");
            return STEP_FAILED;
        }
        ctx.state = ISP_ERASE;
        return STEP_CONTINUE;
    case ISP_ERASE:
        GUI_LOG_INFO("::Erasing flash");
        if (!_chip_erase()) {
            GUI_LOG_ERR("::Erase flash failed");
            return STEP_FAILED;
        }
        std::fill(ctx.erase_map.begin(), ctx.erase_map.begin() + ctx.sector_count, SECTOR_TO_WRITE);
        ctx.state = ISP_WRITE;
        guiWrapperHdmiUpgradePercentDisp(20);
        return STEP_CONTINUE;
    case ISP_WRITE:
        GUI_LOG_INFO("::Writing FW");
        if (!isp_write(ctx)) {
            GUI_LOG_ERR("::Write flash failed");
            return STEP_FAILED;
        }
        ctx.state = ISP_VERIFY;
        return STEP_CONTINUE;
    case ISP_VERIFY:
        GUI_LOG_INFO("::Verifing FW code");
        if (isp_verify(ctx)) {
            GUI_LOG_INFO("::Verified set tag");
            if (_flash_write(kTagOffset, kTag.data(), kTag.size())) {
                ctx.state = ISP_LEAVE;
                return STEP_CONTINUE;
            }
        }
        if (ctx.verify_retries > 0) {
            GUI_LOG_ERR("Verify failed, retry =%u", ctx.verify_retries);
            --ctx.verify_retries;
            ctx.state = ISP_ERASE;
            return STEP_CONTINUE;
        }
        GUI_LOG_ERR("::Verify FW code failed");
        return STEP_FAILED;
    case ISP_LEAVE:
        GUI_LOG_INFO("::Leave ISP mode");
        if (!writeReg(REG_LEAVE_ISP, kLeaveIsp)) {
            GUI_LOG_ERR("MCU may not reset!");
        }
        guiWrapperHdmiUpgradePercentDisp(100);
        return STEP_DONE;
    default:
        GUI_LOG_ERR("::Unknown ISP state");
        return STEP_FAILED;
    }
}

uint32_t runUpgrade(const char* path)
{
    bool seen = false;
    for (int step = 0; step < kFileWaitSteps && obj().running.load(); ++step) {
        if (fileExists(path)) {
            seen = true;
            break;
        }
        std::this_thread::sleep_for(kFileWaitStep);
    }
    if (!seen) {
        return GUI_WRAPPER_HDMI_UPG_RESULT_NO_FILE;
    }
    IspContext ctx;
    if (!fw_update_init(ctx, path)) {
        return GUI_WRAPPER_HDMI_UPG_RESULT_FAILED;
    }
    GUI_LOG_INFO("***FW update begin:");
    int step = STEP_CONTINUE;
    while (step == STEP_CONTINUE) {
        step = fw_update_loop(ctx);
    }
    if (step == STEP_DONE) {
        GUI_LOG_INFO("*** FW update done");
        return GUI_WRAPPER_HDMI_UPG_RESULT_DONE;
    }
    GUI_LOG_ERR("*** FW update failed");
    return GUI_WRAPPER_HDMI_UPG_RESULT_FAILED;
}

void fw_isp_thread(std::array<char, kPathSize> path)
{
    obj().result = runUpgrade(path.data());
    guiWrapperHdmiI2cPwrSet(0);
    GUI_LOG_INFO("***FW update End");
    obj().running = 0;
    obj().working = false;
}

void joinWorker()
{
    if (obj().thread.joinable()) {
        obj().thread.join();
    }
}

}  // namespace

void guiWrapperHdmiUpgradeInit(void)
{
    std::lock_guard<std::mutex> guard(obj().lifecycle);
    if (obj().init) {
        return;
    }
    obj().path.fill(0);
    obj().running = 0;
    obj().origin = 0;
    obj().result = GUI_WRAPPER_HDMI_UPG_RESULT_NONE;
    obj().i2c = guiWrapperI2cOpen(kI2cDevice, kI2cAddress, 256);
    if (obj().i2c == nullptr) {
        GUI_LOG_ERR("i2c open failed!");
    }
    obj().init = true;
}

void guiWrapperHdmiUpgradeExit(void)
{
    std::lock_guard<std::mutex> guard(obj().lifecycle);
    obj().running = 0;
    joinWorker();
    if (obj().i2c != nullptr) {
        guiWrapperI2cClose(obj().i2c);
        obj().i2c = nullptr;
    }
    obj().init = false;
}

int32_t guiWrapperHdmiUpgradeStart(uint32_t origin, const char* path)
{
    if (path == nullptr || std::strlen(path) >= kPathSize) {
        GUI_LOG_ERR("param error!");
        return -1;
    }
    if (!fileExists(path)) {
        GUI_LOG_ERR("No file %s ", path);
        return -2;
    }
    std::lock_guard<std::mutex> guard(obj().lifecycle);
    // One chip, one bus: a second worker would interleave its transfers with the first one's.
    if (obj().working.load()) {
        GUI_LOG_ERR("upgrade already running");
        return -3;
    }
    joinWorker();
    GUI_LOG_INFO("isp_file_path=%s", path);
    const uint8_t mute = 1;
    guiWrapperMusicMuteSet(&mute);
    guiWrapperHdmiI2cPwrSet(1);
    guiManagerAppStateSet(GUI_SYS_STATE_UPGRADE);
    obj().path.fill(0);
    std::memcpy(obj().path.data(), path, std::strlen(path) + 1);
    obj().origin = origin;
    obj().result = GUI_WRAPPER_HDMI_UPG_RESULT_NONE;
    obj().running = 1;
    obj().working = true;
    try {
        obj().thread = std::thread(fw_isp_thread, obj().path);
    } catch (const std::system_error&) {
        GUI_LOG_ERR("create upgrade thread fail");
        obj().running = 0;
        obj().working = false;
        return -3;
    }
    return 0;
}

void guiWrapperHdmiUpgradeStop(void)
{
    GUI_LOG_INFO("destroy upgrade thread!");
    obj().running = 0;
}

uint8_t guiWrapperHdmiUpgradeStsGet(void)
{
    return obj().running.load();
}

uint32_t guiWrapperHdmiUpgradeResultGet(void)
{
    return obj().result.load();
}

uint32_t guiWrapperHdmiUpgradeOriginGet(void)
{
    return obj().origin.load();
}

void guiWrapperHdmiUpgradePausesSet(std::chrono::milliseconds statusRound, std::chrono::milliseconds fifoRetry)
{
    obj().statusRound = statusRound;
    obj().fifoRetry = fifoRetry;
}
