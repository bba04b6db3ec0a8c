#include "platform/sbsim/cec_bridge_priv.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace sbsim {
namespace {

// The driver's records (little-endian, as the processor stores them).
constexpr size_t kFrameSize = 24;
constexpr size_t kSendCmdSize = 32;
constexpr size_t kFrameOffOpcode = 2;
constexpr size_t kFrameOffOperands = 4;
constexpr size_t kFrameOffCount = 20;
constexpr size_t kFrameOperandsMax = 16;
constexpr size_t kSendCmdOffFrame = 4;
constexpr size_t kSetLaOffLa = 1;
constexpr uint16_t kPollOpcode = 0xFFFF;
constexpr uint8_t kBroadcast = 0xF;
constexpr uint16_t kNoAddress = CEC_PHYS_ADDR_INVALID;

uint32_t getLe32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void putLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

std::string bytesText(const uint8_t* data, size_t len)
{
    std::string s;
    char b[4];
    for (size_t i = 0; i < len; ++i) {
        std::snprintf(b, sizeof(b), i == 0 ? "%02x" : ":%02x", data[i]);
        s += b;
    }
    return s;
}

std::string addressText(uint16_t pa)
{
    if (pa == kNoAddress) {
        return "f.f.f.f";
    }
    char b[16];
    std::snprintf(b, sizeof(b), "%x.%x.%x.%x", pa >> 12, (pa >> 8) & 0xF, (pa >> 4) & 0xF, pa & 0xF);
    return b;
}

class KernelAdapter : public CecAdapter {
public:
    explicit KernelAdapter(int fd) : fd_(fd) {}
    ~KernelAdapter() override { ::close(fd_); }
    KernelAdapter(const KernelAdapter&) = delete;
    KernelAdapter& operator=(const KernelAdapter&) = delete;

    int fd() const override { return fd_; }
    int setMode(uint32_t mode) override { return call(CEC_S_MODE, &mode); }
    // Waits for the claim to end, as the board's driver does: frames the stack sends right after
    // setting its address would otherwise meet an adapter still polling for it and fail.
    int setLogAddrs(cec_log_addrs& addrs) override
    {
        const int flags = ::fcntl(fd_, F_GETFL);
        ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
        const int error = call(CEC_ADAP_S_LOG_ADDRS, &addrs);
        ::fcntl(fd_, F_SETFL, flags);
        return error;
    }
    int getPhysAddr(uint16_t& address) override { return call(CEC_ADAP_G_PHYS_ADDR, &address); }
    int transmit(cec_msg& msg) override { return call(CEC_TRANSMIT, &msg); }
    int receive(cec_msg& msg) override { return call(CEC_RECEIVE, &msg); }
    int dequeueEvent(cec_event& event) override { return call(CEC_DQEVENT, &event); }

private:
    int call(unsigned long request, void* arg)
    {
        return ::ioctl(fd_, request, arg) == 0 ? 0 : errno;
    }
    int fd_;
};

}  // namespace

std::unique_ptr<CecAdapter> openCecAdapter(const std::string& path, int& error)
{
    // NOLINTNEXTLINE: the simulator plays the board; this is a host device it was told to carry.
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    error = 0;
    return std::make_unique<KernelAdapter>(fd);
}

bool cecMsgFromSendCmd(const std::vector<uint8_t>& cmd, cec_msg& msg, uint32_t& tag)
{
    if (cmd.size() != kSendCmdSize) {
        return false;
    }
    const uint8_t* frame = cmd.data() + kSendCmdOffFrame;
    tag = getLe32(cmd.data());
    msg = cec_msg{};
    const uint8_t initiator = frame[0];
    const uint8_t destination = frame[1];
    if (initiator > 0xF || destination > 0xF) {
        return false;
    }
    msg.msg[0] = static_cast<uint8_t>(initiator << 4 | destination);
    const uint16_t opcode = static_cast<uint16_t>(frame[kFrameOffOpcode] | frame[kFrameOffOpcode + 1] << 8);
    if (opcode == kPollOpcode) {
        msg.len = 1;
        return true;
    }
    const uint32_t count = getLe32(frame + kFrameOffCount);
    if (opcode > 0xFF || count > CEC_MAX_MSG_SIZE - 2) {
        return false;
    }
    msg.msg[1] = static_cast<uint8_t>(opcode);
    std::copy_n(frame + kFrameOffOperands, count, msg.msg + 2);
    msg.len = 2 + count;
    return true;
}

std::vector<uint8_t> cecFrameFromMsg(const cec_msg& msg)
{
    std::vector<uint8_t> frame(kFrameSize, 0);
    frame[0] = msg.msg[0] >> 4;
    frame[1] = msg.msg[0] & 0xF;
    const uint32_t len = std::min<uint32_t>(msg.len, CEC_MAX_MSG_SIZE);
    const uint16_t opcode = len >= 2 ? msg.msg[1] : kPollOpcode;
    frame[kFrameOffOpcode] = static_cast<uint8_t>(opcode);
    frame[kFrameOffOpcode + 1] = static_cast<uint8_t>(opcode >> 8);
    const uint32_t count = len >= 2 ? len - 2 : 0;
    std::copy_n(msg.msg + 2, std::min<size_t>(count, kFrameOperandsMax), frame.begin() + kFrameOffOperands);
    putLe32(frame.data() + kFrameOffCount, count);
    return frame;
}

uint32_t cecAckOfFailure(bool broadcast)
{
    return broadcast ? 0 : 1;
}

uint32_t cecAckOf(const cec_msg& msg)
{
    const bool broadcast = (msg.msg[0] & 0xF) == kBroadcast;
    const bool sent = (msg.tx_status & CEC_TX_STATUS_OK) != 0;
    if (!sent) {
        return cecAckOfFailure(broadcast);
    }
    return broadcast ? 1 : 0;
}

cec_log_addrs cecLogAddrsFor(bool claim)
{
    cec_log_addrs addrs{};
    if (!claim) {
        return addrs;
    }
    addrs.cec_version = CEC_OP_CEC_VERSION_1_4;
    addrs.num_log_addrs = 1;
    addrs.vendor_id = 0x080046;
    std::strncpy(addrs.osd_name, "soundbar", sizeof(addrs.osd_name) - 1);
    addrs.primary_device_type[0] = CEC_OP_PRIM_DEVTYPE_AUDIOSYSTEM;
    addrs.log_addr_type[0] = CEC_LOG_ADDR_TYPE_AUDIOSYSTEM;
    addrs.all_device_types[0] = CEC_OP_ALL_DEVTYPE_AUDIOSYSTEM;
    return addrs;
}

CecBridge::CecBridge(std::unique_ptr<CecAdapter> adapter, std::string device, CecBridgeSink sink)
    : adapter_(std::move(adapter)), device_(std::move(device)), sink_(std::move(sink))
{
}

bool CecBridge::start()
{
    const int error = adapter_->setMode(CEC_MODE_INITIATOR | CEC_MODE_EXCL_FOLLOWER_PASSTHRU);
    sink_.log("bridge " + device_ + (error == 0 ? ": initiator, exclusive pass-through follower"
                                                 : ": mode refused: " + std::string(std::strerror(error))));
    return error == 0;
}

int CecBridge::setLogicalAddress(const std::vector<uint8_t>& record)
{
    const uint8_t la = record.size() > kSetLaOffLa ? record[kSetLaOffLa] : kBroadcast;
    const bool claim = la < kBroadcast;
    if (claim && claimed_) {
        return 0;  // claimed already: claiming again would poll the line and drop the address a while
    }
    if (claim) {
        // A set of addresses is taken only over none.
        cec_log_addrs none = cecLogAddrsFor(false);
        adapter_->setLogAddrs(none);
    }
    cec_log_addrs addrs = cecLogAddrsFor(claim);
    const int error = adapter_->setLogAddrs(addrs);
    if (error != 0) {
        sink_.log("bridge " + device_ + ": logical address " + std::to_string(la) +
                  " refused: " + std::strerror(error));
        return error;
    }
    const bool got = claim && addrs.num_log_addrs == 1 && addrs.log_addr[0] < kBroadcast;
    claimed_ = got;  // with none free, the next request tries again
    sink_.log("bridge " + device_ +
              (!claim ? ": logical addresses released"
                      : got ? ": logical address " + std::to_string(addrs.log_addr[0]) + " claimed (audio system)"
                            : ": no logical address free for the audio system"));
    return 0;
}

uint16_t CecBridge::physicalAddress()
{
    uint16_t pa = kNoAddress;
    if (adapter_->getPhysAddr(pa) != 0) {
        pa = kNoAddress;
    }
    return pa;
}

void CecBridge::transmit(const std::vector<uint8_t>& cmd)
{
    cec_msg msg{};
    uint32_t tag = 0;
    const bool broadcast = cmd.size() == kSendCmdSize && cmd[kSendCmdOffFrame + 1] == kBroadcast;
    if (!cecMsgFromSendCmd(cmd, msg, tag)) {
        sink_.log("bridge tx tag " + std::to_string(tag) + " not sendable");
        sink_.status(tag, cecAckOfFailure(broadcast));
        return;
    }
    const std::string line = "bridge tx tag " + std::to_string(tag) + " " + bytesText(msg.msg, msg.len);
    const int error = adapter_->transmit(msg);
    if (error != 0) {
        sink_.log(line + " failed: " + std::strerror(error));
        sink_.status(tag, cecAckOfFailure(broadcast));
        return;
    }
    if (msg.tx_status != 0) {
        // Finished at once (a poll of one's own address).
        char b[48];
        std::snprintf(b, sizeof(b), " status 0x%02x ack %u", msg.tx_status, cecAckOf(msg));
        sink_.log(line + b);
        sink_.status(tag, cecAckOf(msg));
        return;
    }
    sink_.log(line + " sequence " + std::to_string(msg.sequence));
    tagBySequence_[msg.sequence] = tag;
}

void CecBridge::onReadable()
{
    cec_event event{};
    while (adapter_->dequeueEvent(event) == 0) {
        onEvent(event);
        event = cec_event{};
    }
    cec_msg msg{};
    while (adapter_->receive(msg) == 0) {
        onMessage(msg);
        msg = cec_msg{};
    }
}

void CecBridge::onEvent(const cec_event& event)
{
    if (event.event != CEC_EVENT_STATE_CHANGE) {
        sink_.log("bridge " + device_ + ": event " + std::to_string(event.event));
        return;
    }
    const uint16_t pa = event.state_change.phys_addr;
    const uint16_t mask = event.state_change.log_addr_mask;
    std::string line = "bridge " + device_ + ": physical address " + addressText(pa);
    for (int la = 0; la < 15; ++la) {
        if ((mask & (1u << la)) != 0) {
            line += ", logical address " + std::to_string(la) + " claimed";
        }
    }
    sink_.log(line);
    const int state = pa == kNoAddress ? 0 : 1;
    if (state != plugged_) {
        plugged_ = state;
        sink_.plug(state);
    }
}

void CecBridge::onMessage(const cec_msg& msg)
{
    if (msg.tx_status != 0) {
        auto it = tagBySequence_.find(msg.sequence);
        if (it == tagBySequence_.end()) {
            sink_.log("bridge status for unknown sequence " + std::to_string(msg.sequence));
            return;
        }
        const uint32_t tag = it->second;
        tagBySequence_.erase(it);
        char b[64];
        std::snprintf(b, sizeof(b), " status 0x%02x ack %u", msg.tx_status, cecAckOf(msg));
        sink_.log("bridge tx tag " + std::to_string(tag) + " " + bytesText(msg.msg, msg.len) + b);
        sink_.status(tag, cecAckOf(msg));
        return;
    }
    sink_.log("bridge rx " + bytesText(msg.msg, std::min<uint32_t>(msg.len, CEC_MAX_MSG_SIZE)));
    sink_.frame(cecFrameFromMsg(msg));
}

}  // namespace sbsim
