// The 5.8 GHz wireless-audio module on I2C (bus 3, address 0x63 from the start): 16-bit registers,
// written high byte first and read with the register sent low byte first. Commands of six bytes
// arrive at 0x1460 and the answers of 0x81, 0x88 and 0xE1 wait at 0x6114; the 10-byte status block
// sits at 0xB000; parameter memory (0x3F00 to 0x3FFF) takes 0xE0 writes that 0xE2 commits; RAM
// (the user id at 0x100C) reads directly; a 00 written to 0x0008 ends pairing. The control verbs
// set what the module reports. Every transfer lands in the i2c log through the bus model.
#include "platform/sbsim/sim_board_priv.h"
#include "platform/sbsim/model_i2c_chip_priv.h"

#include <array>
#include <cstdio>
#include <map>

namespace sbsim {
namespace {

constexpr uint16_t kRegCmd = 0x1460;
constexpr uint16_t kRegReply = 0x6114;
constexpr uint16_t kRegStatus = 0xB000;
constexpr uint16_t kRegExitPair = 0x0008;
constexpr size_t kStatusLen = 10;
constexpr size_t kStatusPairing = 4;
constexpr uint8_t kPairing = 2;

// What one module holds; the chip on the bus and the control verbs share it.
struct WavrelState {
    std::array<uint8_t, kStatusLen> status{};
    std::array<uint8_t, 0x10000> mem{};  // parameter memory and RAM, one address space
    std::map<uint16_t, uint8_t> pending;  // parameter writes not yet committed
    Bytes reply;
    uint16_t pointer = 0;  // register of the next read
    bool holdPairing = false;

    void endPairing()
    {
        if (!holdPairing) {
            status[kStatusPairing] = 0;
        }
    }

    void command(const Bytes& c)
    {
        const uint16_t addr = static_cast<uint16_t>(c[1] << 8 | c[2]);
        switch (c[0]) {
        case 0x07:
            status[kStatusPairing] = kPairing;
            break;
        case 0x08:
            endPairing();
            break;
        case 0x81:
            reply = {status[0], status[1]};
            break;
        case 0x88:
            reply = {status[6], status[kStatusPairing], status[8]};
            break;
        case 0xE0:
            pending[addr] = c[3];
            break;
        case 0xE1:
            reply = {mem[addr]};
            break;
        case 0xE2:
            for (const auto& p : pending) {
                mem[p.first] = p.second;
            }
            pending.clear();
            break;
        default:
            break;  // power, reset, gains, mute, LED, band and the poll change nothing read back
        }
    }
};

class WavrelChip : public I2cChip {
public:
    explicit WavrelChip(std::shared_ptr<WavrelState> state) : s_(std::move(state)) {}

    void write(const Bytes& data) override
    {
        if (data.size() == 2) {  // the register of a read, low byte first
            s_->pointer = static_cast<uint16_t>(data[1] << 8 | data[0]);
            return;
        }
        if (data.size() < 3) {
            return;
        }
        const uint16_t reg = static_cast<uint16_t>(data[0] << 8 | data[1]);
        const Bytes payload(data.begin() + 2, data.end());
        if (reg == kRegCmd) {
            if (payload.size() == 6) {
                s_->command(payload);
            }
            return;  // the single reset byte after a user-id write needs no model
        }
        if (reg == kRegExitPair) {
            if (payload[0] == 0) {
                s_->endPairing();
            }
            return;
        }
        for (size_t i = 0; i < payload.size(); ++i) {
            s_->mem[static_cast<uint16_t>(reg + i)] = payload[i];
        }
    }

    Bytes read(size_t len) override
    {
        Bytes out(len, 0);
        for (size_t i = 0; i < len; ++i) {
            if (s_->pointer == kRegReply) {
                out[i] = i < s_->reply.size() ? s_->reply[i] : 0;
            } else if (s_->pointer == kRegStatus) {
                out[i] = i < kStatusLen ? s_->status[i] : 0;
            } else {
                out[i] = s_->mem[static_cast<uint16_t>(s_->pointer + i)];
            }
        }
        return out;
    }

    uint8_t get(uint8_t, uint8_t reg) const override { return s_->mem[reg]; }
    void set(uint8_t, uint8_t reg, uint8_t value) override { s_->mem[reg] = value; }
    const char* kind() const override { return "wavrel"; }

private:
    std::shared_ptr<WavrelState> s_;
};

class Wavrel : public Model {
public:
    explicit Wavrel(Board& board)
    {
        board.i2cChipKinds["wavrel"] = [this] {
            auto state = std::make_shared<WavrelState>();
            current_ = state;
            return std::unique_ptr<I2cChip>(std::make_unique<WavrelChip>(state));
        };
    }
    const char* name() const override { return "wavrel"; }
    const char* usage() const override
    {
        return "wavrel status [BYTE VALUE]      the 5.8 GHz module's status block, or set one byte of it\n"
               "wavrel mem ADDR [VALUE...]      read a byte of its parameter memory or RAM, or set bytes\n"
               "wavrel hold-pairing on|off      keep status byte 4 when pairing is ended\n";
    }

    bool control(const Words& w, const Pusher&, std::string& out) override
    {
        std::shared_ptr<WavrelState> s = current_.lock();
        if (!s) {
            out = "wavrel: no module on the bus\n";
            return false;
        }
        const std::string verb = w.size() > 1 ? w[1] : "";
        int64_t a = 0;
        int64_t v = 0;
        if (verb == "status" && w.size() == 2) {
            out = hexBytes(s->status.data(), s->status.size()) + "\n";
            return true;
        }
        if (verb == "status" && w.size() == 4 && parseNumber(w[2], a) && parseNumber(w[3], v) && a >= 0 &&
            a < static_cast<int64_t>(kStatusLen)) {
            s->status[static_cast<size_t>(a)] = static_cast<uint8_t>(v);
            return true;
        }
        if (verb == "mem" && w.size() >= 3 && parseNumber(w[2], a) && a >= 0 && a <= 0xFFFF) {
            if (w.size() == 3) {
                char b[8];
                std::snprintf(b, sizeof(b), "0x%02x\n", s->mem[static_cast<size_t>(a)]);
                out = b;
                return true;
            }
            Bytes values;
            for (size_t i = 3; i < w.size(); ++i) {
                if (!parseNumber(w[i], v) || v < 0 || v > 0xFF) {
                    out = "wavrel: bad value " + w[i] + "\n";
                    return false;
                }
                values.push_back(static_cast<uint8_t>(v));
            }
            for (size_t i = 0; i < values.size(); ++i) {
                s->mem[static_cast<uint16_t>(a + static_cast<int64_t>(i))] = values[i];
            }
            return true;
        }
        if (verb == "hold-pairing" && w.size() == 3 && (w[2] == "on" || w[2] == "off")) {
            s->holdPairing = w[2] == "on";
            return true;
        }
        out = "wavrel: unknown command\n";
        return false;
    }

private:
    std::weak_ptr<WavrelState> current_;
};

}  // namespace

std::unique_ptr<Model> makeWavrel(Board& board)
{
    return std::make_unique<Wavrel>(board);
}

}  // namespace sbsim
