// Sysfs nodes under "/sys": files under the root that the system reads and writes. Exporting a
// GPIO line creates its nodes and unexporting removes them; every write is logged with its time,
// and the GPIO nodes refuse what the kernel refuses.
#include "platform/sbsim/sim_board_priv.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace sbsim {
namespace {

// The board's nodes that the system writes through its command lines.
constexpr const char* kBoardNodes[] = {
    "/sys/class/gpio/export",
    "/sys/class/gpio/unexport",
    "/sys/devices/platform/1000b000.pinctrl/kv_gpio",
    "/sys/devices/platform/1100b000.i2c/i2c-3/3-002d/fd_amp_para_command",
    "/sys/devices/platform/kv_usb/swmode",
    "/sys/devices/system/cpu/cpu2/online",
    "/sys/devices/system/cpu/cpu3/online",
    "/sys/power/state",
    "/sys/power/autosleep",
    "/sys/power/wake_lock",
    "/sys/power/wake_unlock",
};

constexpr int kMaxGpio = 1023;

// What a sysfs store sees: the text up to a NUL, without the trailing newline.
std::string storedText(const Bytes& data)
{
    std::string text(data.begin(), data.end());
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

class Sysfs;

class SysfsNode : public DevHandle {
public:
    SysfsNode(Sysfs& model, std::string path) : model_(model), path_(std::move(path)) {}
    Result read(uint32_t len) override;
    Result write(const Bytes& data) override;
    Result lseek(int64_t offset, int whence) override
    {
        if (whence != SEEK_SET || offset < 0) {
            return Result::fail(EINVAL);
        }
        pos_ = static_cast<size_t>(offset);
        return Result::ok(offset);
    }

private:
    Sysfs& model_;
    std::string path_;
    size_t pos_ = 0;
};

class Sysfs : public Model {
public:
    explicit Sysfs(Board& board) : board_(board)
    {
        for (const char* node : kBoardNodes) {
            if (!fs::exists(board_.path(node))) {
                put(node, "");
            }
        }
    }
    const char* name() const override { return "sysfs"; }
    const char* usage() const override
    {
        return "sysfs set PATH TEXT             what the node reads from now on (a GPIO input's level)\n"
               "sysfs get PATH                  what the node holds\n";
    }

    std::unique_ptr<DevHandle> open(const std::string& path, int, const Pusher&, int& error) override
    {
        error = 0;
        if (path.rfind("/sys/", 0) != 0) {
            return nullptr;
        }
        if (path.find("/../") != std::string::npos) {
            error = EACCES;
            return nullptr;
        }
        std::error_code ec;
        const fs::file_status st = fs::status(board_.path(path), ec);
        if (ec || !fs::exists(st)) {
            error = ENOENT;
            return nullptr;
        }
        if (fs::is_directory(st)) {
            error = EISDIR;
            return nullptr;
        }
        return std::make_unique<SysfsNode>(*this, path);
    }

    bool control(const Words& w, const Pusher&, std::string& out) override
    {
        if (w.size() >= 3 && w[1] == "set" && w[2].rfind("/sys/", 0) == 0) {
            std::string text;
            for (size_t i = 3; i < w.size(); ++i) {
                text += (i > 3 ? " " : "") + w[i];
            }
            put(w[2], text);
            return true;
        }
        if (w.size() == 3 && w[1] == "get" && fs::exists(board_.path(w[2]))) {
            out = content(w[2]);
            return true;
        }
        out = "sysfs: unknown command or node\n";
        return false;
    }

    std::string content(const std::string& path) const
    {
        std::ifstream in(board_.path(path), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    Result store(const std::string& path, const Bytes& data)
    {
        const std::string text = storedText(data);
        board_.log("sysfs", path + " " + text);
        const int err = apply(path, text);
        if (err != 0) {
            board_.log("sysfs", path + " refused");
            return Result::fail(err);
        }
        return Result::ok(static_cast<int64_t>(data.size()));
    }

private:
    void put(const std::string& path, const std::string& text)
    {
        const fs::path file = board_.path(path);
        std::error_code ec;
        fs::create_directories(file.parent_path(), ec);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text << (text.empty() ? "" : "\n");
    }

    static std::string gpioDir(int64_t n) { return "/sys/class/gpio/gpio" + std::to_string(n); }

    int apply(const std::string& path, const std::string& text)
    {
        int64_t n = -1;
        if (path == "/sys/class/gpio/export" || path == "/sys/class/gpio/unexport") {
            if (!parseNumber(text, n) || n < 0 || n > kMaxGpio) {
                return EINVAL;
            }
            const bool exported = fs::exists(board_.path(gpioDir(n)));
            if (path == "/sys/class/gpio/export") {
                if (exported) {
                    return EBUSY;
                }
                put(gpioDir(n) + "/direction", "in");
                put(gpioDir(n) + "/value", "0");
                put(gpioDir(n) + "/edge", "none");
                put(gpioDir(n) + "/pull", "down");
                put(gpioDir(n) + "/active_low", "0");
                return 0;
            }
            if (!exported) {
                return EINVAL;
            }
            std::error_code ec;
            fs::remove_all(board_.path(gpioDir(n)), ec);
            return 0;
        }
        const std::string node = fs::path(path).filename();
        const bool gpio = path.rfind("/sys/class/gpio/gpio", 0) == 0;
        if (gpio && node == "direction") {
            if (text == "high" || text == "low") {
                put(fs::path(path).parent_path().string() + "/value", text == "high" ? "1" : "0");
                put(path, "out");
                return 0;
            }
            if (text != "in" && text != "out") {
                return EINVAL;
            }
        } else if (gpio && node == "edge") {
            if (text != "none" && text != "rising" && text != "falling" && text != "both") {
                return EINVAL;
            }
        } else if (gpio && node == "value") {
            if (!parseNumber(text, n)) {
                return EINVAL;
            }
        }
        put(path, text);
        return 0;
    }

    Board& board_;
};

Result SysfsNode::read(uint32_t len)
{
    const std::string text = model_.content(path_);
    if (pos_ >= text.size()) {
        return Result::ok(0);
    }
    const std::string part = text.substr(pos_, len);
    pos_ += part.size();
    return Result::ok(static_cast<int64_t>(part.size()), Bytes(part.begin(), part.end()));
}

Result SysfsNode::write(const Bytes& data)
{
    return model_.store(path_, data);
}

}  // namespace

std::unique_ptr<Model> makeSysfs(Board& board)
{
    return std::make_unique<Sysfs>(board);
}

}  // namespace sbsim
