// Input devices under "/dev/input": named devices that come and go (their nodes appear and vanish
// under the root, so a watcher of the directory sees them), the version, id, name, phys and uniq
// queries, and injected key records delivered to every reader.
#include "platform/sbsim/sim_board_priv.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <linux/input.h>
#include <set>
#include <sys/ioctl.h>
#include <unistd.h>

namespace sbsim {
namespace {

constexpr int kInputVersion = 0x010001;

struct KeyName {
    const char* name;
    uint16_t code;
};

// Names a person types for the keys of the board's IR remote: the codes its driver reports, one
// name for each of them.
constexpr KeyName kRemoteKeys[] = {
    {"power", 116},        {"volup", 103},     {"voldown", 108},   {"mute", 113},      {"play", 119},
    {"next", 163},         {"prev", 165},      {"earc", 222},      {"hdmi", 223},      {"optical", 248},
    {"aux", 249},          {"bt", 211},        {"usb", 229},       {"pair", 226},      {"upmix", 230},
    {"dimmer", 231},       {"bass", 232},      {"bass+", 214},     {"bass-", 215},     {"center", 250},
    {"center+", 233},      {"center-", 234},   {"treble", 235},    {"treble+", 216},   {"treble-", 217},
    {"movie", 236},        {"music", 237},     {"voice", 238},     {"sport", 239},     {"game", 251},
    {"night", 241},        {"surround", 244},  {"surround+", 242}, {"surround-", 243}, {"prompt", 247},
    {"prompt+", 245},      {"prompt-", 246},   {"factory-pair", 227}, {"factory-test", 228},
};

// The front panel's keys, as its key driver reports them.
constexpr KeyName kPanelKeys[] = {
    {"power", KEY_POWER}, {"volup", KEY_VOLUMEUP}, {"voldown", KEY_VOLUMEDOWN},
    {"play", KEY_PLAYPAUSE}, {"source", KEY_SWITCHVIDEOMODE}, {"bt", KEY_BLUETOOTH},
};

// Devices named as the remote take the remote's names; every other device the panel's.
bool isRemote(const std::string& deviceName)
{
    std::string lower;
    for (char c : deviceName) {
        lower += static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return lower.find("remote_controller") != std::string::npos;
}

std::string keyList(const char* title, const KeyName* keys, size_t count)
{
    std::string s = title;
    size_t width = s.size();
    for (size_t i = 0; i < count; ++i) {
        const std::string word = std::string(" ") + keys[i].name + "=" + std::to_string(keys[i].code);
        if (width + word.size() > 96) {
            s += "\n   ";
            width = 3;
        }
        s += word;
        width += word.size();
    }
    return s + "\n";
}

struct Device;

struct Reader {
    Pusher push;
};

struct Device {
    std::string name;
    std::string phys;
    std::string uniq;
    int number = 0;
    bool versionFails = false;
    bool present = true;
    std::set<Reader*> readers;
};

class InputDevice : public DevHandle {
public:
    InputDevice(std::shared_ptr<Device> dev, const Pusher& push) : dev_(std::move(dev))
    {
        reader_.push = push;
        dev_->readers.insert(&reader_);
    }
    ~InputDevice() override { dev_->readers.erase(&reader_); }
    bool isInput() const override { return true; }

    Result ioctl(uint32_t request, sbwire::IoctlArg kind, uint64_t, const Bytes&) override
    {
        if (!dev_->present) {
            return Result::fail(ENODEV);
        }
        if (kind != sbwire::IoctlArg::Pointer || _IOC_TYPE(request) != 'E' || _IOC_DIR(request) != _IOC_READ) {
            return Result::fail(ENOTTY);
        }
        const size_t size = _IOC_SIZE(request);
        switch (_IOC_NR(request)) {
        case _IOC_NR(EVIOCGVERSION): {
            if (dev_->versionFails || size != sizeof(int)) {
                return Result::fail(EINVAL);
            }
            Bytes out;
            sbwire::putU32(out, kInputVersion);
            return Result::ok(0, out);
        }
        case _IOC_NR(EVIOCGID): {
            Bytes out;
            for (uint16_t v : {uint16_t(BUS_VIRTUAL), uint16_t(0x1D6B), uint16_t(0x0100 + dev_->number), uint16_t(1)}) {
                sbwire::putU16(out, v);
            }
            return Result::ok(0, out);
        }
        case 0x06:
            return text(dev_->name, size);
        case 0x07:
            return text(dev_->phys, size);
        case 0x08:
            return text(dev_->uniq, size);
        default:
            return Result::fail(ENOTTY);
        }
    }

private:
    // As the kernel: the string with its NUL, cut to the buffer; the count copied.
    static Result text(const std::string& s, size_t size)
    {
        if (s.empty()) {
            return Result::fail(ENOENT);
        }
        Bytes out(s.begin(), s.end());
        out.push_back(0);
        if (out.size() > size) {
            out.resize(size);
        }
        const auto n = static_cast<int64_t>(out.size());
        return Result::ok(n, std::move(out));
    }

    std::shared_ptr<Device> dev_;
    Reader reader_;
};

class Input : public Model {
public:
    explicit Input(Board& board)
        : board_(board),
          usage_("input add NAME [PHYS [UNIQ]] [--no-version]   a device appears at the lowest free eventN\n"
                 "input remove NAME               the device goes away\n"
                 "input key NAME KEY [press|release|repeat|click]  a key record and its sync (click: press, release)\n"
                 "input keys                      the key names, for the remote and for every other device\n"
                 "input event NAME TYPE CODE VALUE  one raw record\n"
                 "input list                      the devices and their nodes\n"
                 "  KEY is a key code or a key name (\"input keys\" lists them)\n")
    {
    }
    const char* name() const override { return "input"; }
    const char* usage() const override { return usage_.c_str(); }

    std::unique_ptr<DevHandle> open(const std::string& path, int, const Pusher& push, int& error) override
    {
        error = 0;
        if (path.rfind("/dev/input/", 0) != 0) {
            return nullptr;
        }
        for (auto& dev : devices_) {
            if (path == node(*dev)) {
                return std::make_unique<InputDevice>(dev, push);
            }
        }
        error = ENOENT;
        return nullptr;
    }

    bool control(const Words& w, const Pusher&, std::string& out) override
    {
        const std::string verb = w.size() > 1 ? w[1] : "";
        if (verb == "add" && w.size() >= 3) {
            return add(w, out);
        }
        if (verb == "keys" && w.size() == 2) {
            out = keyList("remote (KVX_Remote_Controller):", kRemoteKeys, std::size(kRemoteKeys)) +
                  keyList("panel (any other device):", kPanelKeys, std::size(kPanelKeys));
            return true;
        }
        if (verb == "list" && w.size() == 2) {
            for (const auto& dev : devices_) {
                out += node(*dev) + " \"" + dev->name + "\"\n";
            }
            return true;
        }
        auto dev = w.size() > 2 ? find(w[2]) : nullptr;
        if (w.size() > 2 && dev == nullptr) {
            out = "input: no device named " + w[2] + "\n";
            return false;
        }
        if (verb == "remove" && w.size() == 3) {
            remove(dev);
            return true;
        }
        if (verb == "key" && (w.size() == 4 || w.size() == 5)) {
            return key(*dev, w[3], w.size() == 5 ? w[4] : "click", out);
        }
        int64_t type = 0;
        int64_t code = 0;
        int64_t value = 0;
        if (verb == "event" && w.size() == 6 && parseNumber(w[3], type) && parseNumber(w[4], code) &&
            parseNumber(w[5], value)) {
            deliver(*dev, static_cast<uint16_t>(type), static_cast<uint16_t>(code), static_cast<int32_t>(value));
            return true;
        }
        out = "input: unknown command\n";
        return false;
    }

private:
    std::string node(const Device& dev) const { return "/dev/input/event" + std::to_string(dev.number); }

    std::shared_ptr<Device> find(const std::string& name)
    {
        for (auto& dev : devices_) {
            if (dev->name == name) {
                return dev;
            }
        }
        return nullptr;
    }

    bool add(const Words& w, std::string& out)
    {
        auto dev = std::make_shared<Device>();
        Words rest;
        for (size_t i = 2; i < w.size(); ++i) {
            if (w[i] == "--no-version") {
                dev->versionFails = true;
            } else {
                rest.push_back(w[i]);
            }
        }
        if (rest.empty() || rest.size() > 3 || find(rest[0]) != nullptr) {
            out = "input: usage: input add NAME [PHYS [UNIQ]] [--no-version] (names are unique)\n";
            return false;
        }
        dev->name = rest[0];
        dev->phys = rest.size() > 1 ? rest[1] : "sim/input" + std::to_string(devices_.size());
        dev->uniq = rest.size() > 2 ? rest[2] : "";
        while (std::any_of(devices_.begin(), devices_.end(), [&](const auto& d) { return d->number == dev->number; })) {
            ++dev->number;
        }
        devices_.push_back(dev);
        const int fd = ::open(board_.path(node(*dev)).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
        }
        board_.log("input", "add " + node(*dev) + " \"" + dev->name + "\"");
        out = node(*dev) + "\n";
        return true;
    }

    void remove(const std::shared_ptr<Device>& dev)
    {
        dev->present = false;
        // An empty record tells a reader the device is gone, as the kernel's ENODEV does.
        for (Reader* r : dev->readers) {
            r->push({});
        }
        unlink(board_.path(node(*dev)).c_str());
        board_.log("input", "remove " + node(*dev) + " \"" + dev->name + "\"");
        devices_.erase(std::remove(devices_.begin(), devices_.end(), dev), devices_.end());
    }

    bool key(Device& dev, const std::string& keyText, const std::string& how, std::string& out)
    {
        int64_t code = -1;
        const bool remote = isRemote(dev.name);
        const KeyName* keys = remote ? kRemoteKeys : kPanelKeys;
        const size_t count = remote ? std::size(kRemoteKeys) : std::size(kPanelKeys);
        for (size_t i = 0; i < count; ++i) {
            if (keyText == keys[i].name) {
                code = keys[i].code;
            }
        }
        if (code < 0 && (!parseNumber(keyText, code) || code < 0 || code > KEY_MAX)) {
            out = "input: unknown key " + keyText + " (\"input keys\" lists the names)\n";
            return false;
        }
        const auto c = static_cast<uint16_t>(code);
        if (how == "press" || how == "click") {
            deliver(dev, EV_KEY, c, 1);
            deliver(dev, EV_SYN, SYN_REPORT, 0);
        }
        if (how == "repeat") {
            deliver(dev, EV_KEY, c, 2);
            deliver(dev, EV_SYN, SYN_REPORT, 0);
        }
        if (how == "release" || how == "click") {
            deliver(dev, EV_KEY, c, 0);
            deliver(dev, EV_SYN, SYN_REPORT, 0);
        }
        if (how != "press" && how != "click" && how != "repeat" && how != "release") {
            out = "input: press, release, repeat or click\n";
            return false;
        }
        return true;
    }

    void deliver(Device& dev, uint16_t type, uint16_t code, int32_t value)
    {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        sbwire::InputRecord rec{ts.tv_sec, ts.tv_nsec / 1000, type, code, value};
        board_.log("input", "\"" + dev.name + "\" type " + std::to_string(type) + " code " + std::to_string(code) +
                                " value " + std::to_string(value));
        const Bytes payload = sbwire::encodeInput(rec);
        for (Reader* r : dev.readers) {
            r->push(payload);
        }
    }

    Board& board_;
    const std::string usage_;
    std::vector<std::shared_ptr<Device>> devices_;
};

}  // namespace

std::unique_ptr<Model> makeInput(Board& board)
{
    return std::make_unique<Input>(board);
}

}  // namespace sbsim
