// Network interfaces: "eth0" and its flags, its link down until told otherwise.
#include "platform/sbsim/sim_board_priv.h"

#include <net/if.h>

namespace sbsim {
namespace {

constexpr int64_t kCableOut = IFF_UP | IFF_BROADCAST | IFF_MULTICAST;

class Net : public Model {
public:
    explicit Net(Board& board) : board_(board)
    {
        flags_["eth0"] = kCableOut;
        board_.calls["netif"] = [this](const Words& f) {
            auto it = f.size() == 2 ? flags_.find(f[1]) : flags_.end();
            return it == flags_.end() ? Result::fail(ENODEV) : Result::ok(it->second);
        };
    }
    const char* name() const override { return "net"; }
    const char* usage() const override { return "net IFACE up|down             the wired link (eth0) runs or not\n"; }

    bool control(const Words& w, const Pusher&, std::string& out) override
    {
        if (w.size() == 3 && flags_.count(w[1]) != 0 && (w[2] == "up" || w[2] == "down")) {
            flags_[w[1]] = w[2] == "up" ? kCableOut | IFF_RUNNING : kCableOut;
            board_.log("net", w[1] + " " + w[2]);
            return true;
        }
        out = "net: usage: net eth0 up|down\n";
        return false;
    }

private:
    Board& board_;
    std::map<std::string, int64_t> flags_;
};

}  // namespace

std::unique_ptr<Model> makeNet(Board& board)
{
    return std::make_unique<Net>(board);
}

}  // namespace sbsim
