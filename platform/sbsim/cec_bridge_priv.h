// The HDMI transmitter's CEC line carried by a real Linux CEC adapter (the kernel's "/dev/cecN"):
// the driver's requests and records become the adapter's calls, and what the adapter reports
// becomes the driver's transmit statuses, received frames and plug events.
#pragma once

#include <cstdint>
#include <functional>
#include <linux/cec.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sbsim {

// The adapter calls the bridge makes: each returns 0 or the errno of the failed ioctl.
class CecAdapter {
public:
    virtual ~CecAdapter() = default;
    virtual int fd() const = 0;
    virtual int setMode(uint32_t mode) = 0;
    virtual int setLogAddrs(cec_log_addrs& addrs) = 0;
    virtual int getPhysAddr(uint16_t& address) = 0;
    virtual int transmit(cec_msg& msg) = 0;
    virtual int receive(cec_msg& msg) = 0;  // EAGAIN: nothing waiting
    virtual int dequeueEvent(cec_event& event) = 0;
};

// The kernel device at `path`, opened without blocking; null with `error` set when it cannot be.
std::unique_ptr<CecAdapter> openCecAdapter(const std::string& path, int& error);

// What the bridge hands back to the transmitter model.
struct CecBridgeSink {
    std::function<void(const std::string&)> log;
    std::function<void(uint32_t tag, uint32_t ack)> status;   // a transmission finished
    std::function<void(const std::vector<uint8_t>&)> frame;  // a 24-byte received frame
    std::function<void(int state)> plug;                      // 1: a valid physical address, 0: none
};

// The translations, each on its own.
// The 32-byte transmit request as a message; false when it cannot go on the line.
bool cecMsgFromSendCmd(const std::vector<uint8_t>& cmd, cec_msg& msg, uint32_t& tag);
// A received message as the driver's 24-byte frame.
std::vector<uint8_t> cecFrameFromMsg(const cec_msg& msg);
// The driver's ack word for a finished transmission: a directed message acknowledged gives 0, a
// broadcast sent gives 1 (the line's inverted acknowledgement).
uint32_t cecAckOf(const cec_msg& msg);
uint32_t cecAckOfFailure(bool broadcast);
// The one audio-system address the soundbar claims, or none.
cec_log_addrs cecLogAddrsFor(bool claim);

class CecBridge {
public:
    CecBridge(std::unique_ptr<CecAdapter> adapter, std::string device, CecBridgeSink sink);

    // Takes the line: the adapter as initiator and exclusive pass-through follower, so every
    // message reaches the stack and the kernel answers none itself. False when refused.
    bool start();
    int fd() const { return adapter_->fd(); }

    // The driver's address record (logical address at byte 1).
    int setLogicalAddress(const std::vector<uint8_t>& record);
    // The physical address the TV gave, 0xFFFF when none.
    uint16_t physicalAddress();
    // The driver's transmit request; its status comes back through the sink.
    void transmit(const std::vector<uint8_t>& cmd);
    // Drains what the adapter has for us: events, transmit results and received messages.
    void onReadable();

private:
    void onEvent(const cec_event& event);
    void onMessage(const cec_msg& msg);

    std::unique_ptr<CecAdapter> adapter_;
    std::string device_;
    CecBridgeSink sink_;
    std::map<uint32_t, uint32_t> tagBySequence_;
    int plugged_ = -1;  // the last plug state raised
    bool claimed_ = false;
};

}  // namespace sbsim
