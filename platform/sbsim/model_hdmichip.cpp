// The HDMI chip's programming side: the unlock sequence, chip erase, programming and reading of 2
// to 256 bytes through the write and read FIFOs, 128 KiB of flash, and the faults a test arms.
// Every operation finishes at once, so its status reads done on the first read.
#include "platform/hdmichip/hdmichip_isp.h"
#include "platform/sbsim/model_i2c_chip_priv.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <deque>

namespace sbsim {
namespace {

using namespace hdmichip;

class HdmiChip : public I2cChip {
public:
    HdmiChip() { flash_.fill(0xFF); }

    void write(const Bytes& data) override
    {
        if (data.empty()) {
            return;
        }
        reg_ = data[0];
        for (size_t i = 1; i < data.size(); ++i) {
            if (reg_ == REG_WRITE_FIFO) {
                pushWriteFifo(data[i]);
                continue;  // the FIFO keeps its address
            }
            store(reg_, data[i]);
            ++reg_;
        }
    }

    Bytes read(size_t len) override
    {
        Bytes out;
        for (size_t i = 0; i < len; ++i) {
            if (reg_ == REG_READ_FIFO) {
                out.push_back(popReadFifo());
                continue;
            }
            out.push_back(reg_ == REG_READ_FIFO_LEVEL ? fifoLevel() : regs_[reg_]);
            ++reg_;
        }
        return out;
    }

    uint8_t get(uint8_t, uint8_t reg) const override { return regs_[reg]; }
    void set(uint8_t, uint8_t reg, uint8_t value) override { regs_[reg] = value; }
    const char* kind() const override { return "hdmichip"; }
    bool refuses(bool isRead) const override
    {
        return isRead && readFault_ && (readFaultReg_ < 0 || readFaultReg_ == reg_);
    }

    // "hdmichip ..." words after the model's name.
    bool control(const Words& w, std::string& out)
    {
        const std::string verb = w.size() > 1 ? w[1] : "";
        const std::string what = w.size() > 2 ? w[2] : "";
        int64_t n = -1;
        if (w.size() > 3 && !parseNumber(w[3], n)) {
            out = "hdmichip: bad number " + w[3] + "\n";
            return false;
        }
        if (verb == "fault" && what == "none" && w.size() == 3) {
            eraseFault_ = programFault_ = fifoBusy_ = readFault_ = false;
            verifyFaults_ = 0;
            return true;
        }
        if (verb == "fault" && (what == "erase" || what == "program" || what == "fifo-busy") && w.size() == 3) {
            (what == "erase" ? eraseFault_ : what == "program" ? programFault_ : fifoBusy_) = true;
            return true;
        }
        if (verb == "fault" && what == "verify" && w.size() == 4 && n >= 0) {
            verifyFaults_ = static_cast<int>(n);
            return true;
        }
        if (verb == "fault" && what == "read" && (w.size() == 3 || (w.size() == 4 && n >= 0 && n < 256))) {
            readFault_ = true;
            readFaultReg_ = static_cast<int>(n);
            return true;
        }
        if (verb == "dump" && w.size() == 4) {
            return dump(w, out);
        }
        out = "hdmichip: unknown command\n";
        return false;
    }

private:
    bool inIsp() const { return (regs_[REG_ISP_STATE] & kIspActive) != 0; }

    uint32_t offset() const
    {
        return static_cast<uint32_t>(regs_[REG_OFFSET_HIGH]) << 16 | static_cast<uint32_t>(regs_[REG_OFFSET_MID]) << 8 |
               regs_[REG_OFFSET_LOW];
    }

    size_t byteCount() const { return regs_[REG_BYTE_COUNT] == 0 ? 256 : regs_[REG_BYTE_COUNT]; }

    void store(uint8_t reg, uint8_t value)
    {
        trackUnlock(reg, value);
        switch (reg) {
        case REG_STATUS:
            // Arming clears the status bits of the last operation.
            regs_[REG_STATUS] = value == kEraseArm ? 0 : value;
            return;
        case REG_COMMAND:
            regs_[reg] = value;
            command(value);
            return;
        case REG_READ_FIFO_CLEAR:
            regs_[reg] = value;
            if ((value & kReadFifoClear) != 0) {
                readFifo_.clear();
            }
            return;
        case REG_LEAVE_ISP:
            regs_[reg] = value;
            if (value == kLeaveIsp) {
                regs_[REG_ISP_STATE] &= static_cast<uint8_t>(~kIspActive);
            }
            return;
        default:
            regs_[reg] = value;
        }
    }

    // The six writes of the unlock sequence, in order and with nothing else between them.
    void trackUnlock(uint8_t reg, uint8_t value)
    {
        const RegWrite& next = kUnlockSequence[unlockStep_];
        if (reg == next.reg && value == next.value) {
            if (++unlockStep_ == kUnlockSequence.size()) {
                regs_[REG_ISP_STATE] |= kIspActive;
                unlockStep_ = 0;
            }
            return;
        }
        unlockStep_ = reg == kUnlockSequence[0].reg && value == kUnlockSequence[0].value ? 1 : 0;
    }

    void command(uint8_t cmd)
    {
        if (!inIsp()) {
            return;
        }
        writeFifo_.clear();
        programming_ = false;
        switch (cmd) {
        case CMD_CHIP_ERASE:
            if (eraseFault_) {
                regs_[REG_STATUS] = kEraseFailed;
                regs_[REG_ERROR] = 0x01;
                return;
            }
            flash_.fill(0xFF);
            regs_[REG_STATUS] = kEraseDone;
            return;
        case CMD_PROGRAM:
            regs_[REG_STATUS] = 0;
            programming_ = true;
            return;
        case CMD_READ:
            startRead();
            return;
        default:
            return;
        }
    }

    void pushWriteFifo(uint8_t b)
    {
        if (!programming_) {
            return;
        }
        writeFifo_.push_back(b);
        if (writeFifo_.size() < byteCount()) {
            return;
        }
        programming_ = false;
        const uint32_t at = offset();
        if (programFault_ || at + writeFifo_.size() > flash_.size()) {
            regs_[REG_STATUS] = kProgramFailed;
            regs_[REG_ERROR] = 0x02;
            writeFifo_.clear();
            return;
        }
        // Programming only clears bits, as flash does: a chunk written over unerased flash shows.
        for (size_t i = 0; i < writeFifo_.size(); ++i) {
            flash_[at + i] &= writeFifo_[i];
        }
        writeFifo_.clear();
        regs_[REG_STATUS] = kProgramDone;
    }

    void startRead()
    {
        readFifo_.clear();
        const uint32_t at = offset();
        const size_t n = byteCount();
        for (size_t i = 0; i < n; ++i) {
            readFifo_.push_back(at + i < flash_.size() ? flash_[at + i] : 0xFF);
        }
        // Each verify pass starts at offset 0: an armed fault spoils that pass's first byte.
        if (at == 0 && verifyFaults_ > 0 && !readFifo_.empty()) {
            --verifyFaults_;
            readFifo_.front() ^= 0x01;
        }
    }

    uint8_t popReadFifo()
    {
        if (readFifo_.empty()) {
            return 0xFF;
        }
        const uint8_t b = readFifo_.front();
        readFifo_.pop_front();
        return b;
    }

    uint8_t fifoLevel() const
    {
        if (fifoBusy_) {
            return kReadFifoBusy;
        }
        return static_cast<uint8_t>(std::min<size_t>(readFifo_.size(), kReadFifoFull));
    }

    bool dump(const Words& w, std::string& out) const
    {
        int64_t from = 0;
        int64_t len = 0;
        if (!parseNumber(w[2], from) || !parseNumber(w[3], len) || from < 0 || len < 0 ||
            from + len > static_cast<int64_t>(flash_.size())) {
            out = "hdmichip: bad range\n";
            return false;
        }
        constexpr int64_t kLine = 16;
        for (int64_t at = from; at < from + len; at += kLine) {
            char head[16];
            std::snprintf(head, sizeof(head), "%05llx: ", static_cast<long long>(at));
            out += head + hexBytes(&flash_[static_cast<size_t>(at)], static_cast<size_t>(std::min(kLine, from + len - at))) +
                   "\n";
        }
        return true;
    }

    std::array<uint8_t, 256> regs_{};
    std::array<uint8_t, kFlashSize> flash_{};
    std::deque<uint8_t> writeFifo_;
    std::deque<uint8_t> readFifo_;
    uint8_t reg_ = 0;
    size_t unlockStep_ = 0;
    bool programming_ = false;
    bool eraseFault_ = false;
    bool programFault_ = false;
    bool fifoBusy_ = false;
    bool readFault_ = false;
    int readFaultReg_ = -1;
    int verifyFaults_ = 0;
};

class HdmiChipControl : public Model {
public:
    explicit HdmiChipControl(Board& board) : board_(board) {}
    const char* name() const override { return "hdmichip"; }
    const char* usage() const override
    {
        return "hdmichip fault erase|program|fifo-busy  the chip erase fails / every program fails / the\n"
               "                                read FIFO stays busy\n"
               "hdmichip fault verify N         the next N reads of offset 0 (one per verify pass) come back wrong\n"
               "hdmichip fault read [REG]       register reads (of REG only) are not acknowledged\n"
               "hdmichip fault none             clears every fault\n"
               "hdmichip dump OFFSET LENGTH     the flash bytes, 16 a line after their offset\n";
    }
    bool control(const Words& w, const Pusher&, std::string& out) override
    {
        I2cChip* chip = board_.i2cChip ? board_.i2cChip(2, kI2cAddress) : nullptr;
        if (chip == nullptr || std::string(chip->kind()) != "hdmichip") {
            out = "hdmichip: no HDMI chip at 2/0x5c\n";
            return false;
        }
        return static_cast<HdmiChip*>(chip)->control(w, out);
    }

private:
    Board& board_;
};

}  // namespace

std::unique_ptr<I2cChip> makeHdmiChip()
{
    return std::make_unique<HdmiChip>();
}

std::unique_ptr<Model> makeHdmiChipControl(Board& board)
{
    return std::make_unique<HdmiChipControl>(board);
}

}  // namespace sbsim
