// What the simulator's models share: the board context (root, logs, uevents) and the interfaces a
// model implements (opened devices and control words).
#pragma once

#include "platform/sbdev/sb_wire.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sbsim {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<std::string>;

// Sends one EVENT frame to one client; false once that client is gone.
using Pusher = std::function<bool(const Bytes&)>;

struct Result {
    int64_t result = 0;
    int error = 0;
    Bytes data;
    static Result ok(int64_t value = 0, Bytes data = {}) { return {value, 0, std::move(data)}; }
    static Result fail(int error) { return {-1, error, {}}; }
};

// One opened device; requests it does not know fail as the kernel would.
class DevHandle {
public:
    virtual ~DevHandle() = default;
    virtual Result read(uint32_t) { return Result::fail(EINVAL); }
    virtual Result write(const Bytes&) { return Result::fail(EINVAL); }
    virtual Result ioctl(uint32_t, sbwire::IoctlArg, uint64_t, const Bytes&) { return Result::fail(ENOTTY); }
    virtual Result lseek(int64_t, int) { return Result::fail(ESPIPE); }
    virtual bool isInput() const { return false; }
};

class Board;
class I2cChip;

class Model {
public:
    virtual ~Model() = default;
    // The control command's first word for this model.
    virtual const char* name() const = 0;
    // Lines of the control command's help for this model.
    virtual const char* usage() const = 0;
    // Opens `path` when it belongs to this model: the handle, or nullptr with `error` set (0 when
    // the path is not this model's).
    virtual std::unique_ptr<DevHandle> open(const std::string&, int, const Pusher&, int& error)
    {
        error = 0;
        return nullptr;
    }
    // Runs control words (w[0] is the model's name); false with a message in `out` when refused.
    virtual bool control(const Words& w, const Pusher& push, std::string& out) = 0;
};

class Board {
public:
    explicit Board(std::string root);

    // A system path mapped under the simulator's root.
    std::string path(const std::string& systemPath) const { return root_ + systemPath; }
    const std::string& root() const { return root_; }

    // Seconds on the monotonic clock.
    static double now();

    // Lays out the device node at a system path under the root (an empty file that opens reach the
    // simulator through), or takes it away.
    void setNodePresent(const std::string& systemPath, bool present) const;

    // Appends "<time> <line>" to the facility's log ("/sim/<facility>.log" under the root).
    void log(const std::string& facility, const std::string& line);
    std::string logText(const std::string& facility) const;

    // Raises a kernel uevent: "action@devpath", ACTION, DEVPATH, then the given KEY=VALUE strings.
    void raiseUevent(const std::string& action, const std::string& devpath, const Words& props);
    void raiseSwitch(const std::string& name, int state);

    // The uevent model registers its delivery and its subscription here.
    std::function<void(const Bytes&)> deliverUevent;
    std::function<void(const Pusher&)> subscribeUevents;
    // The ALSA-control model serves the seam's requests here.
    std::function<Result(const Words&, const Pusher&)> actlRequest;
    // System calls the board serves ("mount", "umount", "umount2", "netif"), by name; the fields
    // after the name are the call's arguments.
    std::map<std::string, std::function<Result(const Words&)>> calls;
    // The files an inserted stick carries, by the device node of each of its partitions
    // ("/dev/sda1"): a successful mount of that node shows them in the mount directory.
    std::map<std::string, std::string> mediaFiles;
    // The I2C model's chip at a bus and address, or null, for models that act on one chip.
    std::function<I2cChip*(int bus, int addr)> i2cChip;
    // Chip kinds that other models put on the I2C buses (`i2c add BUS ADDR KIND`), by kind.
    std::map<std::string, std::function<std::unique_ptr<I2cChip>()>> i2cChipKinds;
    // Raises one datagram as it stands (a malformed one too).
    void raiseRawUevent(const Bytes& datagram);
    // A Linux CEC device the transmitter's CEC line is carried by instead of the scripted queues
    // (empty: none); set before the models are made.
    std::string cecDevice;
    // Descriptors of the host the server polls beside its clients, with what to do when readable.
    std::map<int, std::function<void()>> watches;

private:
    std::string root_;
    std::map<std::string, std::string> logs_;
};

// The models, one file each.
std::unique_ptr<Model> makeHdmitx(Board& board);
std::unique_ptr<Model> makeDisplay(Board& board);
std::unique_ptr<Model> makeInput(Board& board);
std::unique_ptr<Model> makeI2c(Board& board);
std::unique_ptr<Model> makeSysfs(Board& board);
std::unique_ptr<Model> makeMtd(Board& board);
std::unique_ptr<Model> makeActl(Board& board);
std::unique_ptr<Model> makeUevent(Board& board);
std::unique_ptr<Model> makeUsb(Board& board);
std::unique_ptr<Model> makeMount(Board& board);
std::unique_ptr<Model> makeNet(Board& board);
// The "hdmichip" words, acting on the chip that the I2C model holds at 2/0x5C.
std::unique_ptr<Model> makeHdmiChipControl(Board& board);
// Before the I2C model: it offers the 5.8 GHz module's chip kind that the buses start with.
std::unique_ptr<Model> makeWavrel(Board& board);

// Small parsing helpers for control words.
bool parseNumber(const std::string& text, int64_t& value);
std::string hexBytes(const uint8_t* data, size_t len);
bool parseHexBytes(const Words& w, size_t from, Bytes& out);

}  // namespace sbsim
