// The front display "/dev/led_display": every 5-byte frame with its time, and the enable, dimmer,
// test-pattern and breath state of its requests. "missing" takes the device node away.
#include "platform/sbdev/led_display_ioctl.h"
#include "platform/sbsim/sim_board_priv.h"

#include <fcntl.h>
#include <list>
#include <unistd.h>

namespace sbsim {
namespace {

struct DisplayState {
    Bytes frame = Bytes(LED_DISPLAY_FRAME_SIZE, 0);
    int enable = 1;
    int dimmer = 0;
    int test = -1;
    int breath = 0;
    bool missing = false;
    std::list<Pusher> watchers;
};

// The frame as a person reads it: printable cells as they are, dark (NUL) cells as blanks.
std::string shownText(const Bytes& frame)
{
    std::string text;
    for (uint8_t c : frame) {
        text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : ' ';
    }
    return text;
}

class Display;

class DisplayDevice : public DevHandle {
public:
    DisplayDevice(Display& model) : model_(model) {}
    Result write(const Bytes& data) override;
    Result ioctl(uint32_t request, sbwire::IoctlArg kind, uint64_t value, const Bytes&) override;

private:
    Display& model_;
};

class Display : public Model {
public:
    explicit Display(Board& board) : board_(board) { board_.setNodePresent("/dev/led_display", true); }
    const char* name() const override { return "display"; }
    const char* usage() const override
    {
        return "display show                    text, enable, dimmer, test pattern and breath\n"
               "display missing on|off          take the device away or give it back\n"
               "display watch                   print every change until the connection ends\n";
    }

    std::unique_ptr<DevHandle> open(const std::string& path, int, const Pusher&, int& error) override
    {
        error = 0;
        if (path != "/dev/led_display") {
            return nullptr;
        }
        if (s_.missing) {
            error = ENOENT;
            return nullptr;
        }
        return std::make_unique<DisplayDevice>(*this);
    }

    bool control(const Words& w, const Pusher& push, std::string& out) override
    {
        const std::string verb = w.size() > 1 ? w[1] : "";
        if (verb == "show" && w.size() == 2) {
            out = status() + "\n";
            return true;
        }
        if (verb == "missing" && w.size() == 3 && (w[2] == "on" || w[2] == "off")) {
            s_.missing = w[2] == "on";
            board_.setNodePresent("/dev/led_display", !s_.missing);
            return true;
        }
        if (verb == "watch" && w.size() == 2) {
            s_.watchers.push_back(push);
            push(asBytes(status()));
            return true;
        }
        out = "display: unknown command\n";
        return false;
    }

    Result frame(const Bytes& data)
    {
        if (data.size() != LED_DISPLAY_FRAME_SIZE) {
            board_.log("display", "refused write of " + std::to_string(data.size()) + " bytes");
            return Result::fail(EINVAL);
        }
        s_.frame = data;
        board_.log("display", "frame " + hexBytes(data.data(), data.size()) + " \"" + shownText(data) + "\"");
        changed();
        return Result::ok(static_cast<int64_t>(data.size()));
    }

    Result request(uint32_t request, uint8_t value)
    {
        const char* what = nullptr;
        switch (request) {
        case LED_DISPLAY_DIMMER:
            s_.dimmer = value;
            what = "dimmer";
            break;
        case LED_DISPLAY_ENABLE:
            s_.enable = value;
            what = "enable";
            break;
        case LED_DISPLAY_TEST:
            s_.test = value;
            what = "test";
            break;
        case LED_DISPLAY_BREATH:
            s_.breath = value;
            what = "breath";
            break;
        default:
            return Result::fail(ENOTTY);
        }
        board_.log("display", std::string(what) + " " + std::to_string(value));
        changed();
        return Result::ok();
    }

private:
    static Bytes asBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

    std::string status() const
    {
        return "display \"" + shownText(s_.frame) + "\" enable=" + std::to_string(s_.enable) +
               " dimmer=" + std::to_string(s_.dimmer) + " test=" + std::to_string(s_.test) +
               " breath=" + std::to_string(s_.breath);
    }

    void changed()
    {
        const Bytes line = asBytes(status());
        s_.watchers.remove_if([&](const Pusher& p) { return !p(line); });
    }


    Board& board_;
    DisplayState s_;
};

Result DisplayDevice::write(const Bytes& data)
{
    return model_.frame(data);
}

Result DisplayDevice::ioctl(uint32_t request, sbwire::IoctlArg kind, uint64_t value, const Bytes&)
{
    if (kind != sbwire::IoctlArg::Value) {
        return request >= LED_DISPLAY_DIMMER && request <= LED_DISPLAY_BREATH ? Result::fail(EINVAL)
                                                                              : Result::fail(ENOTTY);
    }
    return model_.request(request, static_cast<uint8_t>(value));
}

}  // namespace

std::unique_ptr<Model> makeDisplay(Board& board)
{
    return std::make_unique<Display>(board);
}

}  // namespace sbsim
