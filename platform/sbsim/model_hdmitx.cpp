// The HDMI transmitter driver "/dev/hdmitx": scripted getter answers, the last value of every
// setter, a request log, failure injection per request, CEC frames both ways with one transmit
// status per transmission (reported at once, or held until a test releases it), the switch uevents
// the driver raises, and a transmitter that is not there at all. Given a Linux CEC device, its CEC
// line is that adapter's instead of the scripted queues.
#include "platform/sbdev/hdmitx_ioctl.h"
#include "platform/sbsim/cec_bridge_priv.h"
#include "platform/sbsim/sim_board_priv.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <unistd.h>

namespace sbsim {
namespace {

struct RequestInfo {
    const char* name;
    uint32_t request;
    bool setter;  // the system hands the driver a value (as opposed to reading one back)
};

constexpr RequestInfo kRequests[] = {
    {"SETLA", KVX_HMDI_SETLA, true},
    {"GET_CECCMD", KVX_HDMI_GET_CECCMD, false},
    {"SET_CECCMD", KVX_HDMI_SET_CECCMD, true},
    {"CEC_ENABLE", KVX_HDMI_CEC_ENABLE, true},
    {"CEC_APP_READY", KVX_HDMI_CEC_APP_READY, true},
    {"GET_TX_PA", KVX_HDMI_GET_TX_PA, false},
    {"GET_TX_STS", KVX_HDMI_GET_TX_STS, false},
    {"ARC_ENABLE", KVX_HDMI_ARC_ENABLE, true},
    {"GET_TX_INFO", KVX_HDMI_GET_TX_INFO, false},
    {"GET_RX_PA", KVX_HDMI_GET_RX_PA, false},
    {"SWITCH_RX", KVX_HDMI_SWITCH_RX, true},
    {"GET_RX_STS", KVX_HDMI_GET_RX_STS, false},
    {"GET_CM4_INFO", KVX_HDMI_GET_CM4_INFO, false},
    {"GET_EARC_AUDIO_INFO", KVX_HDMI_GET_EARC_AUDIO_INFO, false},
    {"SET_INPUT_MODE", KVX_HDMI_SET_INPUT_MODE, true},
    {"GET_RX_AUDIO_INFO", KVX_HDMI_GET_RX_AUDIO_INFO, false},
    {"SET_VOLUME", KVX_HDMI_SET_VOLUME, true},
    {"SET_MUTE", KVX_HDMI_SET_MUTE, true},
    {"SET_POWER_IDLE", KVX_HDMI_SET_POWER_IDLE, true},
    {"GET_EARC_STS", KVX_HDMI_GET_EARC_STS, false},
    {"GET_VERSION", KVX_HDMI_GET_VERSION, false},
    {"GET_SRC_STS", KVX_HDMI_GET_SRC_STS, false},
    {"SET_SHOP_MODE", KVX_HDMI_SET_SHOP_MODE, true},
    {"SET_SRC_STS", KVX_HDMI_SET_SRC_STS, true},
    {"GET_TX_PLUG_STS", KVX_HDMI_GET_TX_PLUG_STS, false},
    {"GET_RX_PLUG_STS", KVX_HDMI_GET_RX_PLUG_STS, false},
    {"GET_PWR_SRC", KVX_HDMI_GET_PWR_SRC, false},
    {"GET_CEC_VOLUME", KVX_HDMI_GET_CEC_VOLUME, false},
    {"GET_CEC_RX_CMD", KVX_HDMI_GET_CEC_RX_CMD, false},
};

const RequestInfo* findRequest(uint32_t request)
{
    for (const RequestInfo& r : kRequests) {
        if (r.request == request) {
            return &r;
        }
    }
    return nullptr;
}

const RequestInfo* findRequest(const std::string& nameOrNumber)
{
    for (const RequestInfo& r : kRequests) {
        if (nameOrNumber == r.name) {
            return &r;
        }
    }
    int64_t v = 0;
    return parseNumber(nameOrNumber, v) ? findRequest(static_cast<uint32_t>(v)) : nullptr;
}

constexpr size_t kCecFrameSize = 24;
constexpr size_t kCecSendSize = 32;
constexpr int kCecHdmiTxStatus = 2;  // cec_hdmi switch state: a transmission finished
constexpr int kCecHdmiGotFrame = 3;  // cec_hdmi switch state: a frame was received

struct HdmiState {
    // Getter answers. The TV on the link is a plain ARC one (an unscripted zero would read eARC).
    std::map<uint32_t, Bytes> scripted{{KVX_HDMI_GET_EARC_STS, Bytes{1}}};
    std::map<uint32_t, Bytes> last;        // setter values
    std::map<uint32_t, int64_t> failures;  // remaining failures; -1 = every time
    std::deque<Bytes> cecReceived;         // frames the TV sent, waiting for GET_CECCMD
    std::deque<Bytes> txStatuses;          // {tag, ack} announced and waiting for GET_TX_STS, oldest first
    std::deque<uint32_t> heldTags;         // finished transmissions whose status is withheld
    std::map<uint32_t, uint32_t> cm4;      // GET_CM4_INFO value by selector
    bool holdStatuses = false;
    bool missing = false;
    uint32_t txAck = 1;
    std::unique_ptr<CecBridge> bridge;  // the CEC line of a real adapter, when given one
};

constexpr int kCecHdmiTvIn = 1;  // cec_hdmi switch state: the TV link came (0: it went)
constexpr uint8_t kArcSupported = 1;

// The address of input `port` (1-based) below `pa`: the first free nibble from the top.
uint16_t childAddress(uint16_t pa, uint16_t port)
{
    if (pa == 0xFFFF) {
        return 0xFFFF;
    }
    for (int shift = 12; shift >= 0; shift -= 4) {
        if (((pa >> shift) & 0xF) == 0) {
            return static_cast<uint16_t>(pa | port << shift);
        }
    }
    return 0xFFFF;
}

// Queues the transmit status {tag, ack} and raises its switch event.
void announceStatus(Board& board, HdmiState& s, uint32_t tag, uint32_t ack)
{
    Bytes status;
    sbwire::putU32(status, tag);
    sbwire::putU32(status, ack);
    s.txStatuses.push_back(std::move(status));
    board.raiseSwitch("cec_hdmi", kCecHdmiTxStatus);
}

class HdmitxDevice : public DevHandle {
public:
    HdmitxDevice(Board& board, HdmiState& s) : board_(board), s_(s) {}

    Result ioctl(uint32_t request, sbwire::IoctlArg kind, uint64_t value, const Bytes& in) override
    {
        const RequestInfo* info = findRequest(request);
        if (info == nullptr) {
            board_.log("hdmitx", "unknown request " + hex(request));
            return Result::fail(ENOTTY);
        }
        const size_t size = kvxHdmiRequestSize(request);
        Bytes arg = in;
        const bool byValue = kind == sbwire::IoctlArg::Value;
        if (byValue != kvxHdmiTakesValue(request) || (!byValue && arg.size() != size)) {
            board_.log("hdmitx", std::string(info->name) + " bad argument");
            return Result::fail(EINVAL);
        }
        if (byValue) {
            arg.assign(1, static_cast<uint8_t>(value));
        }
        board_.log("hdmitx", describe(*info, arg));
        auto fail = s_.failures.find(request);
        if (fail != s_.failures.end() && fail->second != 0) {
            if (fail->second > 0) {
                --fail->second;
            }
            return Result::fail(EIO);
        }
        if (info->setter) {
            s_.last[request] = arg;
            if (s_.bridge && request == KVX_HMDI_SETLA && s_.bridge->setLogicalAddress(arg) != 0) {
                return Result::fail(EIO);
            }
            if (request == KVX_HDMI_SET_CECCMD) {
                transmitted(arg);
            }
            return Result::ok(0, byValue ? Bytes{} : arg);
        }
        if (s_.bridge && request != KVX_HDMI_GET_CECCMD && request != KVX_HDMI_GET_TX_STS) {
            return bridged(request, size, arg);
        }
        return answer(request, size, arg);
    }

private:
    static std::string hex(uint32_t v)
    {
        char b[16];
        std::snprintf(b, sizeof(b), "0x%08X", v);
        return b;
    }

    // The log line: the name, the bytes, and whole little-endian words when the record has them.
    static std::string describe(const RequestInfo& info, const Bytes& arg)
    {
        std::string line = info.name;
        if (info.request == KVX_HDMI_GET_CM4_INFO) {
            line += " selector " + std::to_string(sbwire::getU32(arg.data()));
        }
        if (info.setter) {
            line += " " + hexBytes(arg.data(), arg.size());
            if (arg.size() >= 4 && arg.size() % 4 == 0) {
                line += " words";
                for (size_t i = 0; i < arg.size(); i += 4) {
                    line += (i == 0 ? " " : ",") + std::to_string(static_cast<int32_t>(sbwire::getU32(&arg[i])));
                }
            }
        }
        return line;
    }

    Result answer(uint32_t request, size_t size, const Bytes& in)
    {
        // Nothing received, or no status announced: the driver says so instead of handing out zeros.
        if (request == KVX_HDMI_GET_CECCMD || request == KVX_HDMI_GET_TX_STS) {
            std::deque<Bytes>& pending = request == KVX_HDMI_GET_CECCMD ? s_.cecReceived : s_.txStatuses;
            if (pending.empty()) {
                return Result::fail(EAGAIN);
            }
            Bytes record = std::move(pending.front());
            pending.pop_front();
            return Result::ok(0, record);
        }
        Bytes out(size, 0);
        auto it = s_.scripted.find(request);
        auto cm4 = request == KVX_HDMI_GET_CM4_INFO ? s_.cm4.find(sbwire::getU32(in.data())) : s_.cm4.end();
        if (cm4 != s_.cm4.end()) {
            out.assign(in.begin(), in.begin() + 4);  // the selector as the caller set it, then its value
            sbwire::putU32(out, cm4->second);
        } else if (it != s_.scripted.end()) {
            std::copy_n(it->second.begin(), std::min(size, it->second.size()), out.begin());
        } else if (request == KVX_HDMI_GET_CM4_INFO) {
            std::copy_n(in.begin(), 4, out.begin());  // the selector stays as the caller set it
        }
        return Result::ok(0, out);
    }

    // The reads a real line answers: its own address and what follows from it, an ARC link, and
    // inputs with no device on them; the rest as scripted.
    Result bridged(uint32_t request, size_t size, const Bytes& in)
    {
        const uint16_t pa = s_.bridge->physicalAddress();
        Bytes out(size, 0);
        switch (request) {
        case KVX_HDMI_GET_TX_PA:
            out.clear();
            sbwire::putU32(out, pa);
            return Result::ok(0, out);
        case KVX_HDMI_GET_TX_INFO:
            out[0] = kArcSupported;
            return Result::ok(0, out);
        case KVX_HDMI_GET_RX_PA:
            out.clear();
            sbwire::putU32(out, childAddress(pa, 1));
            sbwire::putU32(out, childAddress(pa, 2));
            return Result::ok(0, out);
        case KVX_HDMI_GET_CM4_INFO: {
            const uint32_t selector = sbwire::getU32(in.data());
            uint32_t value = 0;
            if (selector == 1) {
                value = pa;
            } else if (selector == 2) {
                value = 5;
            } else if (selector == 3) {
                value = childAddress(pa, 1) | static_cast<uint32_t>(childAddress(pa, 2)) << 16;
            }
            out.assign(in.begin(), in.begin() + 4);
            sbwire::putU32(out, value);
            return Result::ok(0, out);
        }
        default:
            return answer(request, size, in);
        }
    }

    // The driver puts the frame on the line and reports its transmit status by its switch, unless
    // a test holds the statuses back.
    void transmitted(const Bytes& cmd)
    {
        if (s_.bridge) {
            s_.bridge->transmit(cmd);
            return;
        }
        board_.log("cec", "tx " + hexBytes(cmd.data() + 4, kCecFrameSize));
        const uint32_t tag = sbwire::getU32(cmd.data());
        if (s_.holdStatuses) {
            s_.heldTags.push_back(tag);
            return;
        }
        announceStatus(board_, s_, tag, s_.txAck);
    }

    Board& board_;
    HdmiState& s_;
};



class Hdmitx : public Model {
public:
    explicit Hdmitx(Board& board) : board_(board)
    {
        board_.setNodePresent("/dev/hdmitx", true);
        if (!board_.cecDevice.empty()) {
            bridge();
        }
    }
    const char* name() const override { return "hdmitx"; }
    const char* usage() const override
    {
        return "hdmitx set REQUEST BYTES...     answer of a getter (name such as GET_RX_AUDIO_INFO, or number;\n"
               "                                unset ones answer zeros, GET_EARC_STS 01: a plain ARC TV)\n"
               "hdmitx words REQUEST WORDS...   the same as little-endian 32-bit words\n"
               "hdmitx cm4 SELECTOR VALUE       GET_CM4_INFO value for that selector (over a set)\n"
               "hdmitx last REQUEST             last value a setter gave\n"
               "hdmitx fail REQUEST [COUNT]     fail the next COUNT requests (default every one; 0 stops)\n"
               "hdmitx ack VALUE                ack word of the transmit statuses reported from now on\n"
               "hdmitx tx-status hold           withhold the status of every later transmission\n"
               "hdmitx tx-status release [ACK]  report the withheld statuses, oldest first (with ACK, or\n"
               "                                the ack word)\n"
               "hdmitx tx-status auto           report statuses at once again (withheld ones stay held)\n"
               "hdmitx missing on|off           take the transmitter away or give it back\n"
               "hdmitx cec-rx INIT DEST OPCODE [OPERANDS...]  a frame from the TV (raises cec_hdmi 3)\n"
               "hdmitx plug tx|rx 0|1           the TV link (tx) or HDMI input 0 (rx) plugged out or in: its\n"
               "                                plug getter and the CEC switch event (tx 0/1, rx 5/6)\n"
               "hdmitx switch NAME STATE        raise the driver's switch uevent (eARC, CEC, cec_hdmi, ...)\n"
               "  A stream-format change: script GET_EARC_AUDIO_INFO or GET_RX_AUDIO_INFO, then\n"
               "  \"hdmitx switch eARC 5\"; or \"actl set Spdif_In_Info ...\" for the S/PDIF receiver.\n"
               "hdmitx requests                 the request names and numbers\n"
               "  Under sbsim --cec-device DEV the CEC line is that Linux CEC adapter's: frames go both\n"
               "  ways on it, its statuses and plug events are reported (\"log cec\" has its lines).\n";
    }

    std::unique_ptr<DevHandle> open(const std::string& path, int, const Pusher&, int& error) override
    {
        error = 0;
        if (path != "/dev/hdmitx") {
            return nullptr;
        }
        if (s_.missing) {
            error = ENOENT;
            return nullptr;
        }
        return std::make_unique<HdmitxDevice>(board_, s_);
    }

    bool control(const Words& w, const Pusher&, std::string& out) override
    {
        const std::string verb = w.size() > 1 ? w[1] : "";
        const RequestInfo* info = w.size() > 2 ? findRequest(w[2]) : nullptr;
        if (verb == "requests") {
            char b[80];
            for (const RequestInfo& r : kRequests) {
                std::snprintf(b, sizeof(b), "%-20s 0x%08X %s\n", r.name, r.request, r.setter ? "set" : "get");
                out += b;
            }
            return true;
        }
        if (verb == "set" || verb == "words") {
            if (info == nullptr) {
                return refuse(out, "unknown request");
            }
            Bytes bytes;
            if (verb == "set" ? !parseHexBytes(w, 3, bytes) : !parseWords(w, bytes)) {
                return refuse(out, "bad value");
            }
            s_.scripted[info->request] = bytes;
            return true;
        }
        if (verb == "last") {
            if (info == nullptr) {
                return refuse(out, "unknown request");
            }
            auto it = s_.last.find(info->request);
            if (it == s_.last.end()) {
                return refuse(out, "never set");
            }
            out = hexBytes(it->second.data(), it->second.size()) + "\n";
            return true;
        }
        int64_t n = -1;
        if (verb == "fail") {
            if (info == nullptr) {
                return refuse(out, "unknown request");
            }
            if (w.size() > 4 || (w.size() == 4 && !parseNumber(w[3], n))) {
                return refuse(out, "usage: hdmitx fail REQUEST [COUNT]");
            }
            s_.failures[info->request] = n;
            return true;
        }
        if (verb == "ack" && w.size() == 3 && parseNumber(w[2], n)) {
            s_.txAck = static_cast<uint32_t>(n);
            return true;
        }
        int64_t selector = 0;
        if (verb == "cm4" && w.size() == 4 && parseNumber(w[2], selector) && parseNumber(w[3], n)) {
            s_.cm4[static_cast<uint32_t>(selector)] = static_cast<uint32_t>(n);
            return true;
        }
        if (verb == "cec-rx") {
            return cecReceive(w, out);
        }
        if (verb == "tx-status") {
            return txStatus(w, out);
        }
        if (verb == "missing" && w.size() == 3 && (w[2] == "on" || w[2] == "off")) {
            s_.missing = w[2] == "on";
            board_.setNodePresent("/dev/hdmitx", !s_.missing);
            return true;
        }
        if (verb == "plug" && w.size() == 4 && (w[2] == "tx" || w[2] == "rx") && (w[3] == "0" || w[3] == "1")) {
            const bool in = w[3] == "1";
            const bool tx = w[2] == "tx";
            s_.scripted[tx ? KVX_HDMI_GET_TX_PLUG_STS : KVX_HDMI_GET_RX_PLUG_STS] = Bytes{static_cast<uint8_t>(in)};
            board_.raiseSwitch("CEC", tx ? (in ? 1 : 0) : (in ? 6 : 5));
            return true;
        }
        if (verb == "switch" && w.size() == 4 && parseNumber(w[3], n)) {
            board_.raiseSwitch(w[2], static_cast<int>(n));
            return true;
        }
        return refuse(out, "unknown hdmitx command");
    }

private:
    // Carries the CEC line by the given adapter; without it the line stays the scripted one.
    void bridge()
    {
        int error = 0;
        auto adapter = openCecAdapter(board_.cecDevice, error);
        if (adapter == nullptr) {
            board_.log("cec", "bridge " + board_.cecDevice + ": cannot open: " + std::strerror(error));
            std::fprintf(stderr, "sbsim: cannot open %s: %s\n", board_.cecDevice.c_str(), std::strerror(error));
            return;
        }
        CecBridgeSink sink;
        sink.log = [this](const std::string& line) { board_.log("cec", line); };
        sink.status = [this](uint32_t tag, uint32_t ack) { announceStatus(board_, s_, tag, ack); };
        sink.frame = [this](const Bytes& frame) {
            s_.cecReceived.push_back(frame);
            board_.raiseSwitch("cec_hdmi", kCecHdmiGotFrame);
        };
        sink.plug = [this](int state) { board_.raiseSwitch("cec_hdmi", state != 0 ? kCecHdmiTvIn : 0); };
        s_.bridge = std::make_unique<CecBridge>(std::move(adapter), board_.cecDevice, std::move(sink));
        if (!s_.bridge->start()) {
            std::fprintf(stderr, "sbsim: %s refused the exclusive follower mode\n", board_.cecDevice.c_str());
        }
        board_.watches[s_.bridge->fd()] = [this] { s_.bridge->onReadable(); };
    }

    static bool refuse(std::string& out, const std::string& why)
    {
        out = "hdmitx: " + why + "\n";
        return false;
    }


    bool txStatus(const Words& w, std::string& out)
    {
        const std::string what = w.size() > 2 ? w[2] : "";
        if ((what == "hold" || what == "auto") && w.size() == 3) {
            s_.holdStatuses = what == "hold";
            return true;
        }
        int64_t ack = s_.txAck;
        if (what == "release" && (w.size() == 3 || (w.size() == 4 && parseNumber(w[3], ack)))) {
            std::deque<uint32_t> held;
            held.swap(s_.heldTags);
            for (uint32_t tag : held) {
                announceStatus(board_, s_, tag, static_cast<uint32_t>(ack));
            }
            return true;
        }
        return refuse(out, "usage: hdmitx tx-status hold|auto|release [ACK]");
    }

    static bool parseWords(const Words& w, Bytes& out)
    {
        for (size_t i = 3; i < w.size(); ++i) {
            int64_t v = 0;
            if (!parseNumber(w[i], v)) {
                return false;
            }
            sbwire::putU32(out, static_cast<uint32_t>(v));
        }
        return true;
    }

    bool cecReceive(const Words& w, std::string& out)
    {
        int64_t init = 0;
        int64_t dest = 0;
        int64_t opcode = 0;
        Bytes operands;
        if (w.size() < 5 || !parseNumber(w[2], init) || !parseNumber(w[3], dest) || !parseNumber(w[4], opcode) ||
            !parseHexBytes(w, 5, operands) || operands.size() > 16) {
            return refuse(out, "usage: hdmitx cec-rx INIT DEST OPCODE [up to 16 operand bytes]");
        }
        Bytes frame(kCecFrameSize, 0);
        frame[0] = static_cast<uint8_t>(init);
        frame[1] = static_cast<uint8_t>(dest);
        frame[2] = static_cast<uint8_t>(opcode);
        frame[3] = static_cast<uint8_t>(opcode >> 8);
        std::copy(operands.begin(), operands.end(), frame.begin() + 4);
        frame[20] = static_cast<uint8_t>(operands.size());
        board_.log("cec", "rx " + hexBytes(frame.data(), frame.size()));
        s_.cecReceived.push_back(std::move(frame));
        board_.raiseSwitch("cec_hdmi", kCecHdmiGotFrame);
        return true;
    }

    Board& board_;
    HdmiState s_;
};

static_assert(kCecSendSize == 32, "CecSendCmd is 32 bytes");

}  // namespace

std::unique_ptr<Model> makeHdmitx(Board& board)
{
    return std::make_unique<Hdmitx>(board);
}

}  // namespace sbsim
