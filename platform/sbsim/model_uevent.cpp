// Kernel uevents: every monitor gets what the models raise and what the control command injects.
#include "platform/sbsim/sim_board_priv.h"

#include <list>

namespace sbsim {
namespace {

class Uevent : public Model {
public:
    explicit Uevent(Board& board) : board_(board)
    {
        board_.deliverUevent = [this](const Bytes& event) {
            monitors_.remove_if([&](const Pusher& p) { return !p(event); });
        };
        board_.subscribeUevents = [this](const Pusher& push) { monitors_.push_back(push); };
    }
    const char* name() const override { return "uevent"; }
    const char* usage() const override
    {
        return "uevent ACTION DEVPATH KEY=VALUE...   inject an event (give SUBSYSTEM=...; DEVTYPE, MAJOR, ...)\n"
               "uevent switch NAME STATE        a switch device's change (SUBSYSTEM=switch)\n"
               "uevent raw HEX...               one datagram byte for byte (\"00\" is a NUL), malformed or not\n";
    }

    bool control(const Words& w, const Pusher&, std::string& out) override
    {
        int64_t state = 0;
        if (w.size() >= 3 && w[1] == "raw") {
            Bytes datagram;
            if (!parseHexBytes(w, 2, datagram)) {
                out = "uevent: raw takes bytes in hexadecimal\n";
                return false;
            }
            board_.raiseRawUevent(datagram);
            return true;
        }
        if (w.size() == 4 && w[1] == "switch" && parseNumber(w[3], state)) {
            board_.raiseSwitch(w[2], static_cast<int>(state));
            return true;
        }
        if (w.size() >= 3 && w[1] != "switch" && w[1] != "raw" && w[2].rfind("/", 0) == 0) {
            Words props(w.begin() + 3, w.end());
            for (const std::string& p : props) {
                const size_t eq = p.find('=');
                if (eq == std::string::npos || eq == 0) {
                    out = "uevent: properties are KEY=VALUE, not " + p + "\n";
                    return false;
                }
            }
            board_.raiseUevent(w[1], w[2], props);
            return true;
        }
        out = "uevent: usage: uevent ACTION DEVPATH KEY=VALUE... | uevent switch NAME STATE | uevent raw HEX...\n";
        return false;
    }

private:
    Board& board_;
    std::list<Pusher> monitors_;
};

}  // namespace

std::unique_ptr<Model> makeUevent(Board& board)
{
    return std::make_unique<Uevent>(board);
}

}  // namespace sbsim
