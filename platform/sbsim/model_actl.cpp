// The mixer controls of card "hw:0" that the system reads, writes and waits on. A value set here
// or written by the system raises a change event on every handle watching that control.
#include "platform/sbsim/sim_board_priv.h"

#include <list>

namespace sbsim {
namespace {

constexpr const char* kCard = "hw:0";
constexpr uint32_t kMaskValue = 1;

struct Control {
    std::vector<int32_t> values;
    bool boolean = false;
    std::list<Pusher> watchers;
};

class Actl : public Model {
public:
    explicit Actl(Board& board) : board_(board)
    {
        controls_["Spdif_In_Info"].values.assign(20, 0);
        controls_["Multi_In_Info"].values.assign(3, 0);
        controls_["Spdif_In_Port_Select"].values.assign(1, 0);
        controls_["Etdm_Force_On_Enable"] = Control{{0}, true, {}};
        board_.actlRequest = [this](const Words& w, const Pusher& push) { return request(w, push); };
    }
    const char* name() const override { return "actl"; }
    const char* usage() const override
    {
        return "actl set NAME VALUE...          the control's values (raises its change event)\n"
               "actl get NAME                   its values\n"
               "actl list                       every control of hw:0\n";
    }

    bool control(const Words& w, const Pusher&, std::string& out) override
    {
        if (w.size() == 2 && w[1] == "list") {
            for (const auto& [name, c] : controls_) {
                out += name + " " + text(c) + "\n";
            }
            return true;
        }
        auto it = w.size() >= 3 ? controls_.find(w[2]) : controls_.end();
        if (it == controls_.end()) {
            out = "actl: unknown control\n";
            return false;
        }
        if (w.size() == 3 && w[1] == "get") {
            out = text(it->second) + "\n";
            return true;
        }
        if (w[1] == "set" && w.size() == 3 + it->second.values.size()) {
            std::vector<int32_t> values;
            for (size_t i = 3; i < w.size(); ++i) {
                int64_t v = 0;
                if (!parseNumber(w[i], v)) {
                    out = "actl: bad value " + w[i] + "\n";
                    return false;
                }
                values.push_back(static_cast<int32_t>(v));
            }
            change(it->first, it->second, values);
            return true;
        }
        out = "actl: usage: actl set NAME with all " + std::to_string(it->second.values.size()) + " values\n";
        return false;
    }

private:
    static std::string text(const Control& c)
    {
        std::string t;
        for (size_t i = 0; i < c.values.size(); ++i) {
            t += (i ? "," : "") + std::to_string(c.values[i]);
        }
        return t;
    }

    void change(const std::string& name, Control& c, const std::vector<int32_t>& values)
    {
        const bool changed = c.values != values;
        c.values = values;
        board_.log("actl", name + " " + text(c));
        if (!changed) {
            return;
        }
        Bytes event;
        sbwire::putU32(event, kMaskValue);
        sbwire::putBytes(event, name.data(), name.size());
        c.watchers.remove_if([&](const Pusher& p) { return !p(event); });
    }

    // "name='X'" or "name=X" or the bare name.
    static std::string nameOf(const std::string& id)
    {
        std::string n = id.rfind("name=", 0) == 0 ? id.substr(5) : id;
        if (n.size() >= 2 && (n.front() == '\'' || n.front() == '"') && n.back() == n.front()) {
            n = n.substr(1, n.size() - 2);
        }
        return n;
    }

    Result request(const Words& w, const Pusher& push)
    {
        const std::string verb = w.empty() ? "" : w[0];
        if (verb == "open") {
            return w.size() == 2 && w[1] == kCard ? Result::ok() : Result::fail(ENODEV);
        }
        auto it = w.size() >= 2 ? controls_.find(verb == "ascii" ? nameOf(w[1]) : w[1]) : controls_.end();
        if (it == controls_.end()) {
            return Result::fail(ENOENT);
        }
        Control& c = it->second;
        if (verb == "read" && w.size() == 2) {
            if (c.boolean) {
                return Result::fail(EINVAL);
            }
            Bytes out;
            for (int32_t v : c.values) {
                sbwire::putU32(out, static_cast<uint32_t>(v));
            }
            return Result::ok(static_cast<int64_t>(c.values.size()), out);
        }
        if (verb == "watch" && w.size() == 2) {
            c.watchers.push_back(push);
            return Result::ok();
        }
        int64_t index = 0;
        int64_t value = 0;
        if (verb == "write" && w.size() == 4 && parseNumber(w[2], index) && parseNumber(w[3], value)) {
            if (index < 0 || index >= static_cast<int64_t>(c.values.size())) {
                return Result::fail(EINVAL);
            }
            auto values = c.values;
            values[static_cast<size_t>(index)] = static_cast<int32_t>(value);
            change(it->first, c, values);
            return Result::ok();
        }
        if (verb == "ascii" && w.size() == 3) {
            auto values = parseAscii(w[2], c);
            if (values.empty()) {
                return Result::fail(EINVAL);
            }
            change(it->first, c, values);
            return Result::ok();
        }
        return Result::fail(EINVAL);
    }

    // ALSA's ascii values: on/off words for switches, comma-separated integers otherwise; values
    // not given keep their old ones. An empty result means the text does not fit.
    static std::vector<int32_t> parseAscii(const std::string& text, const Control& c)
    {
        std::vector<int32_t> values = c.values;
        size_t index = 0;
        size_t at = 0;
        while (at <= text.size()) {
            const size_t comma = std::min(text.find(',', at), text.size());
            const std::string word = text.substr(at, comma - at);
            if (index >= values.size()) {
                return {};
            }
            int64_t v = 0;
            if (c.boolean && (word == "on" || word == "On" || word == "ON" || word == "yes" || word == "true")) {
                v = 1;
            } else if (c.boolean &&
                       (word == "off" || word == "Off" || word == "OFF" || word == "no" || word == "false")) {
                v = 0;
            } else if (!parseNumber(word, v) || (c.boolean && v != 0 && v != 1)) {
                return {};
            }
            values[index++] = static_cast<int32_t>(v);
            at = comma + 1;
        }
        return values;
    }

    Board& board_;
    std::map<std::string, Control> controls_;
};

}  // namespace

std::unique_ptr<Model> makeActl(Board& board)
{
    return std::make_unique<Actl>(board);
}

}  // namespace sbsim
