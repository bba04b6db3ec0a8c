// I2C buses "/dev/i2c-N": chip models by bus and address, every transfer logged, no acknowledge
// from an address without a chip, and "fail N times, then succeed" per chip. The three amplifiers
// sit at 0x2D, 0x2C and 0x2E of bus 3, the 5.8 GHz module at 0x63 of bus 3 (its own model) and
// the HDMI chip at 0x5C of bus 2.
#include "platform/hdmichip/hdmichip_isp.h"
#include "platform/sbsim/model_i2c_chip_priv.h"

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <set>
#include <unistd.h>

namespace sbsim {
namespace {

using Chip = I2cChip;

// Amplifier: register 0x00 of every page selects the page; 256 pages of 256 bytes. Page 0 answers
// its identity 0x26 at register 0x15.
class Amplifier : public Chip {
public:
    Amplifier()
    {
        for (auto& page : pages_) {
            page.fill(0);
        }
        pages_[0][0x15] = 0x26;
    }
    void write(const Bytes& data) override
    {
        if (data.empty()) {
            return;
        }
        reg_ = data[0];
        for (size_t i = 1; i < data.size(); ++i) {
            store(reg_++, data[i]);
        }
    }
    Bytes read(size_t len) override
    {
        Bytes out;
        for (size_t i = 0; i < len; ++i) {
            out.push_back(reg_ == 0 ? page_ : pages_[page_][reg_]);
            ++reg_;
        }
        return out;
    }
    uint8_t get(uint8_t page, uint8_t reg) const override { return reg == 0 ? page_ : pages_[page][reg]; }
    void set(uint8_t page, uint8_t reg, uint8_t value) override { pages_[page][reg] = value; }
    const char* kind() const override { return "amplifier"; }

private:
    void store(uint8_t reg, uint8_t value)
    {
        if (reg == 0) {
            page_ = value;
        } else {
            pages_[page_][reg] = value;
        }
    }

    std::array<std::array<uint8_t, 256>, 256> pages_{};
    uint8_t page_ = 0;
    uint8_t reg_ = 0;
};

// A chip of 256 plain registers (room for the module models that come later).
class Registers : public Chip {
public:
    void write(const Bytes& data) override
    {
        if (data.empty()) {
            return;
        }
        reg_ = data[0];
        for (size_t i = 1; i < data.size(); ++i) {
            regs_[reg_++] = data[i];
        }
    }
    Bytes read(size_t len) override
    {
        Bytes out;
        for (size_t i = 0; i < len; ++i) {
            out.push_back(regs_[reg_++]);
        }
        return out;
    }
    uint8_t get(uint8_t, uint8_t reg) const override { return regs_[reg]; }
    void set(uint8_t, uint8_t reg, uint8_t value) override { regs_[reg] = value; }
    const char* kind() const override { return "registers"; }

private:
    std::array<uint8_t, 256> regs_{};
    uint8_t reg_ = 0;
};

struct Slot {
    std::unique_ptr<Chip> chip;
    int64_t failures = 0;  // transfers still to fail; -1 every one
};

using Key = std::pair<int, int>;  // bus, address

class I2c;

class I2cDevice : public DevHandle {
public:
    I2cDevice(I2c& model, int bus) : model_(model), bus_(bus) {}
    Result ioctl(uint32_t request, sbwire::IoctlArg kind, uint64_t value, const Bytes& in) override;
    Result write(const Bytes& data) override;
    Result read(uint32_t len) override;

private:
    I2c& model_;
    int bus_;
    int slave_ = -1;
};

class I2c : public Model {
public:
    explicit I2c(Board& board) : board_(board)
    {
        for (int bus : {2, 3}) {
            addBus(bus);
        }
        for (int addr : {0x2D, 0x2C, 0x2E}) {
            slots_[{3, addr}].chip = std::make_unique<Amplifier>();
        }
        slots_[{2, hdmichip::kI2cAddress}].chip = makeHdmiChip();
        board_.i2cChip = [this](int bus, int addr) -> Chip* {
            auto it = slots_.find({bus, addr});
            return it == slots_.end() ? nullptr : it->second.chip.get();
        };
        auto wavrel = board_.i2cChipKinds.find("wavrel");
        if (wavrel != board_.i2cChipKinds.end()) {
            slots_[{3, 0x63}].chip = wavrel->second();
        }
    }
    ~I2c() override { board_.i2cChip = nullptr; }
    const char* name() const override { return "i2c"; }
    const char* usage() const override
    {
        return "i2c add BUS ADDR amplifier|registers|hdmichip|wavrel  put a chip on a bus (the bus node appears)\n"
               "i2c remove BUS ADDR             take it away (transfers are not acknowledged)\n"
               "i2c fail BUS ADDR [COUNT]       fail the next COUNT transfers (default every one; 0 stops)\n"
               "i2c set BUS ADDR PAGE REG VALUE  set a register (PAGE 0 for chips without pages)\n"
               "i2c get BUS ADDR PAGE REG       read a register\n";
    }

    std::unique_ptr<DevHandle> open(const std::string& path, int, const Pusher&, int& error) override
    {
        error = 0;
        if (path.rfind("/dev/i2c-", 0) != 0) {
            return nullptr;
        }
        int64_t bus = -1;
        if (!parseNumber(path.substr(9), bus) || buses_.count(static_cast<int>(bus)) == 0) {
            error = ENOENT;
            return nullptr;
        }
        return std::make_unique<I2cDevice>(*this, static_cast<int>(bus));
    }

    bool control(const Words& w, const Pusher&, std::string& out) override
    {
        const std::string verb = w.size() > 1 ? w[1] : "";
        std::array<int64_t, 5> n{};
        const size_t numbers = std::min<size_t>(w.size() > 2 ? w.size() - 2 : 0, n.size());
        for (size_t i = 0; i < numbers; ++i) {
            if (!parseNumber(w[2 + i], n[i]) && !(verb == "add" && i == 2)) {
                out = "i2c: bad number " + w[2 + i] + "\n";
                return false;
            }
        }
        const Key key{static_cast<int>(n[0]), static_cast<int>(n[1])};
        if (verb == "add" && w.size() == 5 && (w[4] == "amplifier" || w[4] == "registers" || w[4] == "hdmichip")) {
            addBus(key.first);
            if (w[4] == "hdmichip") {
                slots_[key].chip = makeHdmiChip();
            } else if (w[4] == "amplifier") {
                slots_[key].chip = std::make_unique<Amplifier>();
            } else {
                slots_[key].chip = std::make_unique<Registers>();
            }
            return true;
        }
        if (verb == "add" && w.size() == 5 && board_.i2cChipKinds.count(w[4]) != 0) {
            addBus(key.first);
            slots_[key].chip = board_.i2cChipKinds.at(w[4])();
            return true;
        }
        auto it = slots_.find(key);
        if (w.size() > 3 && it == slots_.end()) {
            out = "i2c: no chip there\n";
            return false;
        }
        if (verb == "remove" && w.size() == 4) {
            slots_.erase(it);
            return true;
        }
        if (verb == "fail" && (w.size() == 4 || w.size() == 5)) {
            it->second.failures = w.size() == 5 ? n[2] : -1;
            return true;
        }
        if (verb == "set" && w.size() == 7) {
            it->second.chip->set(static_cast<uint8_t>(n[2]), static_cast<uint8_t>(n[3]), static_cast<uint8_t>(n[4]));
            return true;
        }
        if (verb == "get" && w.size() == 6) {
            char b[8];
            std::snprintf(b, sizeof(b), "0x%02x\n",
                          it->second.chip->get(static_cast<uint8_t>(n[2]), static_cast<uint8_t>(n[3])));
            out = b;
            return true;
        }
        out = "i2c: unknown command\n";
        return false;
    }

    // One I2C_RDWR transfer: every message in order; the first that fails ends it.
    Result transfer(int bus, const Bytes& in)
    {
        if (in.size() < 4) {
            return Result::fail(EINVAL);
        }
        const uint32_t count = sbwire::getU32(in.data());
        if (count == 0 || count > I2C_RDWR_IOCTL_MAX_MSGS) {
            return Result::fail(EINVAL);
        }
        size_t at = 4;
        Bytes readData;
        for (uint32_t i = 0; i < count; ++i) {
            if (at + 6 > in.size()) {
                return Result::fail(EINVAL);
            }
            const int addr = sbwire::getU16(&in[at]);
            const bool isRead = (sbwire::getU16(&in[at + 2]) & I2C_M_RD) != 0;
            const size_t len = sbwire::getU16(&in[at + 4]);
            at += 6;
            Bytes data;
            if (!isRead) {
                if (at + len > in.size()) {
                    return Result::fail(EINVAL);
                }
                data.assign(in.begin() + static_cast<long>(at), in.begin() + static_cast<long>(at + len));
                at += len;
            }
            Result r = message(bus, addr, isRead, data, len);
            if (r.result < 0) {
                return r;
            }
            readData.insert(readData.end(), r.data.begin(), r.data.end());
        }
        return Result::ok(count, readData);
    }

    Result message(int bus, int addr, bool isRead, const Bytes& data, size_t len)
    {
        char head[32];
        std::snprintf(head, sizeof(head), "bus %d addr 0x%02x ", bus, addr);
        auto it = slots_.find({bus, addr});
        if (it == slots_.end()) {
            board_.log("i2c", std::string(head) + (isRead ? "R" : "W") + " nak");
            return Result::fail(ENXIO);
        }
        Slot& slot = it->second;
        if (slot.failures != 0 || slot.chip->refuses(isRead)) {
            if (slot.failures > 0 && !slot.chip->refuses(isRead)) {
                --slot.failures;
            }
            board_.log("i2c", std::string(head) + (isRead ? "R" : "W") + " failed");
            return Result::fail(EIO);
        }
        if (isRead) {
            Bytes out = slot.chip->read(len);
            board_.log("i2c", std::string(head) + "R " + hexBytes(out.data(), out.size()));
            return Result::ok(0, out);
        }
        slot.chip->write(data);
        board_.log("i2c", std::string(head) + "W " + hexBytes(data.data(), data.size()));
        return Result::ok();
    }

private:
    void addBus(int bus)
    {
        buses_.insert(bus);
        const int fd =
            ::open(board_.path("/dev/i2c-" + std::to_string(bus)).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
        }
    }

    Board& board_;
    std::set<int> buses_;
    std::map<Key, Slot> slots_;
};

Result I2cDevice::ioctl(uint32_t request, sbwire::IoctlArg kind, uint64_t value, const Bytes& in)
{
    if (kind == sbwire::IoctlArg::I2cRdwr && request == I2C_RDWR) {
        return model_.transfer(bus_, in);
    }
    if (kind != sbwire::IoctlArg::Value) {
        return Result::fail(ENOTTY);
    }
    switch (request) {
    case I2C_SLAVE:
    case I2C_SLAVE_FORCE:
        if (value > 0x7F) {
            return Result::fail(EINVAL);
        }
        slave_ = static_cast<int>(value);
        return Result::ok();
    case I2C_TIMEOUT:
    case I2C_RETRIES:
        return Result::ok();
    default:
        return Result::fail(ENOTTY);
    }
}

Result I2cDevice::write(const Bytes& data)
{
    if (slave_ < 0) {
        return Result::fail(EINVAL);
    }
    Result r = model_.message(bus_, slave_, false, data, data.size());
    return r.result < 0 ? r : Result::ok(static_cast<int64_t>(data.size()));
}

Result I2cDevice::read(uint32_t len)
{
    if (slave_ < 0) {
        return Result::fail(EINVAL);
    }
    Result r = model_.message(bus_, slave_, true, {}, len);
    return r.result < 0 ? r : Result::ok(static_cast<int64_t>(r.data.size()), r.data);
}

}  // namespace

std::unique_ptr<Model> makeI2c(Board& board)
{
    return std::make_unique<I2c>(board);
}

}  // namespace sbsim
