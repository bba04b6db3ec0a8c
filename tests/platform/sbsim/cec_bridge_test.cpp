// The CEC bridge's translations between the transmitter driver's records and a Linux CEC adapter,
// against a fake adapter that records the calls and hands back what a test queues.
#include "platform/sbsim/cec_bridge_priv.h"

#include <gmock/gmock.h>

#include <cerrno>
#include <cstring>
#include <deque>

namespace {

using Bytes = std::vector<uint8_t>;
using sbsim::CecBridge;

Bytes sendCmd(uint32_t tag, uint8_t init, uint8_t dest, uint16_t opcode, const Bytes& operands)
{
    Bytes cmd(32, 0);
    for (int i = 0; i < 4; ++i) {
        cmd[i] = static_cast<uint8_t>(tag >> (8 * i));
    }
    cmd[4] = init;
    cmd[5] = dest;
    cmd[6] = static_cast<uint8_t>(opcode);
    cmd[7] = static_cast<uint8_t>(opcode >> 8);
    std::copy(operands.begin(), operands.end(), cmd.begin() + 8);
    cmd[24] = static_cast<uint8_t>(operands.size());
    return cmd;
}

cec_msg message(const Bytes& bytes, uint8_t txStatus = 0, uint32_t sequence = 0)
{
    cec_msg msg{};
    msg.len = static_cast<uint32_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), msg.msg);
    msg.tx_status = txStatus;
    msg.sequence = sequence;
    return msg;
}

TEST(CecBridgeTranslation, TransmitRequestsBecomeLineMessages)
{
    struct Case {
        const char* what;
        Bytes cmd;
        bool sendable;
        Bytes line;
    };
    const Case cases[] = {
        {"poll of address 5", sendCmd(1, 5, 5, 0xFFFF, {}), true, {0x55}},
        {"directed, no operands", sendCmd(2, 5, 0, 0x8F, {}), true, {0x50, 0x8F}},
        {"broadcast with operands", sendCmd(3, 5, 15, 0x84, {0x10, 0x00, 0x05}), true, {0x5F, 0x84, 0x10, 0x00, 0x05}},
        {"fourteen operands fill the line",
         sendCmd(4, 5, 0, 0x47, Bytes(14, 'a')),
         true,
         {0x50, 0x47, 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a'}},
        {"fifteen operands do not fit", sendCmd(5, 5, 0, 0x47, Bytes(15, 'a')), false, {}},
        {"opcode beyond a byte", sendCmd(6, 5, 0, 0x1234, {}), false, {}},
        {"address beyond the line's", sendCmd(7, 16, 0, 0x36, {}), false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cec_msg msg{};
        uint32_t tag = 0;
        ASSERT_EQ(sbsim::cecMsgFromSendCmd(c.cmd, msg, tag), c.sendable);
        if (c.sendable) {
            EXPECT_EQ(Bytes(msg.msg, msg.msg + msg.len), c.line);
            EXPECT_EQ(tag, c.cmd[0]);
            EXPECT_EQ(msg.timeout, 0u);  // never waits for a reply: the stack matches its own
        }
    }
    cec_msg msg{};
    uint32_t tag = 0;
    EXPECT_FALSE(sbsim::cecMsgFromSendCmd(Bytes(24, 0), msg, tag)) << "a record of the wrong size";
}

TEST(CecBridgeTranslation, ReceivedMessagesBecomeDriverFrames)
{
    struct Case {
        const char* what;
        Bytes line;
        uint8_t init, dest;
        uint16_t opcode;
        Bytes operands;
    };
    const Case cases[] = {
        {"directed, no operands", {0x05, 0x8F}, 0, 5, 0x8F, {}},
        {"broadcast with operands", {0x0F, 0x86, 0x10, 0x00}, 0, 15, 0x86, {0x10, 0x00}},
        {"feature abort, opcode 0", {0x05, 0x00, 0x44, 0x04}, 0, 5, 0x00, {0x44, 0x04}},
        {"a poll", {0x05}, 0, 5, 0xFFFF, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes frame = sbsim::cecFrameFromMsg(message(c.line));
        ASSERT_EQ(frame.size(), 24u);
        EXPECT_EQ(frame[0], c.init);
        EXPECT_EQ(frame[1], c.dest);
        EXPECT_EQ(frame[2] | frame[3] << 8, c.opcode);
        EXPECT_EQ(Bytes(frame.begin() + 4, frame.begin() + 4 + c.operands.size()), c.operands);
        EXPECT_EQ(frame[20], c.operands.size()) << "count is the length less header and opcode";
        EXPECT_EQ(Bytes(frame.begin() + 21, frame.end()), Bytes(3, 0));
    }
    Bytes full{0x05, 0x47};
    for (uint8_t i = 0; i < 14; ++i) {
        full.push_back(static_cast<uint8_t>('A' + i));
    }
    const Bytes frame = sbsim::cecFrameFromMsg(message(full));
    EXPECT_EQ(Bytes(frame.begin() + 4, frame.begin() + 18), Bytes(full.begin() + 2, full.end()));
    EXPECT_EQ(frame[20], 14);
}

TEST(CecBridgeTranslation, TransmitStatusesBecomeTheDriversAckWord)
{
    struct Case {
        const char* what;
        uint8_t header;
        uint8_t txStatus;
        uint32_t ack;
    };
    const Case cases[] = {
        {"directed, acknowledged", 0x50, CEC_TX_STATUS_OK, 0},
        {"directed, not acknowledged", 0x50, CEC_TX_STATUS_NACK | CEC_TX_STATUS_MAX_RETRIES, 1},
        {"directed, arbitration lost", 0x50, CEC_TX_STATUS_ARB_LOST | CEC_TX_STATUS_MAX_RETRIES, 1},
        {"directed, aborted", 0x50, CEC_TX_STATUS_ABORTED, 1},
        {"poll of a free address", 0x55, CEC_TX_STATUS_NACK | CEC_TX_STATUS_MAX_RETRIES, 1},
        {"broadcast sent", 0x5F, CEC_TX_STATUS_OK, 1},
        {"broadcast not sent", 0x5F, CEC_TX_STATUS_ERROR | CEC_TX_STATUS_MAX_RETRIES, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(sbsim::cecAckOf(message({c.header, 0x36}, c.txStatus)), c.ack);
    }
}

TEST(CecBridgeTranslation, AddressesAreOneAudioSystemOfVersion14)
{
    const cec_log_addrs claim = sbsim::cecLogAddrsFor(true);
    EXPECT_EQ(claim.num_log_addrs, 1);
    EXPECT_EQ(claim.log_addr_type[0], CEC_LOG_ADDR_TYPE_AUDIOSYSTEM);
    EXPECT_EQ(claim.primary_device_type[0], CEC_OP_PRIM_DEVTYPE_AUDIOSYSTEM);
    EXPECT_EQ(claim.all_device_types[0], CEC_OP_ALL_DEVTYPE_AUDIOSYSTEM);
    EXPECT_EQ(claim.vendor_id, 0x080046u);
    EXPECT_EQ(claim.cec_version, CEC_OP_CEC_VERSION_1_4);
    EXPECT_STREQ(claim.osd_name, "soundbar");
    EXPECT_EQ(sbsim::cecLogAddrsFor(false).num_log_addrs, 0);
}

// Records the bridge's calls; answers from what a test queued.
class FakeAdapter : public sbsim::CecAdapter {
public:
    struct Shared {
        uint32_t mode = 0;
        std::vector<uint8_t> logAddrCounts;  // num_log_addrs of every set, in order
        std::vector<Bytes> transmitted;
        uint16_t pa = CEC_PHYS_ADDR_INVALID;
        uint8_t freeAddress = 5;  // CEC_LOG_ADDR_INVALID: the line had no audio-system address free
        int transmitError = 0;
        uint8_t immediateStatus = 0;  // a transmit that finishes at once
        uint32_t nextSequence = 1;
        std::deque<cec_event> events;
        std::deque<cec_msg> received;
    };
    explicit FakeAdapter(Shared& s) : s_(s) {}
    int fd() const override { return -1; }
    int setMode(uint32_t mode) override
    {
        s_.mode = mode;
        return 0;
    }
    int setLogAddrs(cec_log_addrs& addrs) override
    {
        s_.logAddrCounts.push_back(addrs.num_log_addrs);
        if (addrs.num_log_addrs == 1) {
            addrs.log_addr[0] = s_.freeAddress;  // the claim has ended, as the kernel returns it
        }
        return 0;
    }
    int getPhysAddr(uint16_t& address) override
    {
        address = s_.pa;
        return 0;
    }
    int transmit(cec_msg& msg) override
    {
        if (s_.transmitError != 0) {
            return s_.transmitError;
        }
        s_.transmitted.emplace_back(msg.msg, msg.msg + msg.len);
        msg.sequence = s_.nextSequence++;
        msg.tx_status = s_.immediateStatus;
        return 0;
    }
    int receive(cec_msg& msg) override { return take(s_.received, msg); }
    int dequeueEvent(cec_event& event) override { return take(s_.events, event); }

private:
    template <typename T>
    static int take(std::deque<T>& q, T& out)
    {
        if (q.empty()) {
            return EAGAIN;
        }
        out = q.front();
        q.pop_front();
        return 0;
    }
    Shared& s_;
};

class CecBridgeTest : public ::testing::Test {
protected:
    CecBridgeTest()
    {
        sbsim::CecBridgeSink sink;
        sink.log = [this](const std::string& line) { log += line + "\n"; };
        sink.status = [this](uint32_t tag, uint32_t ack) { statuses.push_back({tag, ack}); };
        sink.frame = [this](const Bytes& frame) { frames.push_back(frame); };
        sink.plug = [this](int state) { plugs.push_back(state); };
        bridge = std::make_unique<CecBridge>(std::make_unique<FakeAdapter>(adapter), "/dev/cec1", sink);
    }

    void stateChange(uint16_t pa, uint16_t mask)
    {
        cec_event ev{};
        ev.event = CEC_EVENT_STATE_CHANGE;
        ev.state_change.phys_addr = pa;
        ev.state_change.log_addr_mask = mask;
        adapter.events.push_back(ev);
    }

    FakeAdapter::Shared adapter;
    std::unique_ptr<CecBridge> bridge;
    std::string log;
    std::vector<std::pair<uint32_t, uint32_t>> statuses;
    std::vector<Bytes> frames;
    std::vector<int> plugs;
};

TEST_F(CecBridgeTest, TakesTheLineAsExclusivePassThroughFollower)
{
    EXPECT_TRUE(bridge->start());
    EXPECT_EQ(adapter.mode, CEC_MODE_INITIATOR | CEC_MODE_EXCL_FOLLOWER_PASSTHRU);
}

TEST_F(CecBridgeTest, ClaimsTheAddressOnceOverNoneAndReleasesItOnRequest)
{
    Bytes record(8, 0);
    record[1] = 5;
    EXPECT_EQ(bridge->setLogicalAddress(record), 0);
    EXPECT_EQ(bridge->setLogicalAddress(record), 0);
    EXPECT_EQ(adapter.logAddrCounts, (std::vector<uint8_t>{0, 1})) << "claimed again it would poll the line anew";
    EXPECT_THAT(log, ::testing::HasSubstr("/dev/cec1: logical address 5 claimed (audio system)"));
    record[1] = 15;
    EXPECT_EQ(bridge->setLogicalAddress(record), 0);
    EXPECT_EQ(adapter.logAddrCounts.back(), 0);
    adapter.freeAddress = CEC_LOG_ADDR_INVALID;
    record[1] = 5;
    EXPECT_EQ(bridge->setLogicalAddress(record), 0);
    EXPECT_THAT(log, ::testing::HasSubstr("/dev/cec1: no logical address free for the audio system"));
    const size_t sets = adapter.logAddrCounts.size();
    adapter.freeAddress = 5;
    EXPECT_EQ(bridge->setLogicalAddress(record), 0);
    EXPECT_EQ(adapter.logAddrCounts.size(), sets + 2) << "a claim that found none free is tried again";
}

TEST_F(CecBridgeTest, StatusesComeBackWithTheirTagsByTransmitSequence)
{
    bridge->transmit(sendCmd(11, 5, 0, 0x90, {0x00}));
    bridge->transmit(sendCmd(12, 5, 15, 0x84, {0x10, 0x00, 0x05}));
    EXPECT_TRUE(statuses.empty()) << "nothing is reported before the kernel reports it";
    // Reported out of order: each goes with its own transmission.
    adapter.received.push_back(message({0x5F, 0x84, 0x10, 0x00, 0x05}, CEC_TX_STATUS_OK, 2));
    adapter.received.push_back(message({0x50, 0x90, 0x00}, CEC_TX_STATUS_NACK | CEC_TX_STATUS_MAX_RETRIES, 1));
    adapter.received.push_back(message({0x05, 0x8F}));
    bridge->onReadable();
    EXPECT_EQ(statuses, (std::vector<std::pair<uint32_t, uint32_t>>{{12, 1}, {11, 1}}));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0][2], 0x8F);
    EXPECT_THAT(log, ::testing::HasSubstr("bridge tx tag 11 50:90:00 sequence 1"));
    EXPECT_THAT(log, ::testing::HasSubstr("bridge tx tag 12 5f:84:10:00:05 status 0x01 ack 1"));
    EXPECT_THAT(log, ::testing::HasSubstr("bridge rx 05:8f"));
}

TEST_F(CecBridgeTest, ATransmitThatEndsAtOnceOrFailsIsReportedAtOnce)
{
    adapter.immediateStatus = CEC_TX_STATUS_NACK | CEC_TX_STATUS_MAX_RETRIES;
    bridge->transmit(sendCmd(1, 5, 5, 0xFFFF, {}));
    EXPECT_EQ(adapter.transmitted.back(), Bytes{0x55});
    adapter.immediateStatus = 0;
    adapter.transmitError = ENONET;
    bridge->transmit(sendCmd(2, 5, 0, 0x72, {0x01}));
    bridge->transmit(sendCmd(3, 5, 15, 0x72, {0x01}));
    bridge->transmit(sendCmd(4, 5, 0, 0x47, Bytes(15, 'a')));
    EXPECT_EQ(statuses, (std::vector<std::pair<uint32_t, uint32_t>>{{1, 1}, {2, 1}, {3, 0}, {4, 1}}));
    bridge->onReadable();
    EXPECT_EQ(statuses.size(), 4u) << "no status is reported twice";
}

TEST_F(CecBridgeTest, PhysicalAddressChangesRaiseThePlugEventOnce)
{
    stateChange(CEC_PHYS_ADDR_INVALID, 0);  // the state at open: no TV
    stateChange(0x1000, 0);
    stateChange(0x1000, 1 << 5);  // the claim of address 5 finished: no new plug event
    stateChange(CEC_PHYS_ADDR_INVALID, 0);
    bridge->onReadable();
    EXPECT_EQ(plugs, (std::vector<int>{0, 1, 0}));
    EXPECT_THAT(log, ::testing::HasSubstr("/dev/cec1: physical address 1.0.0.0, logical address 5 claimed"));
    adapter.pa = 0x1000;
    EXPECT_EQ(bridge->physicalAddress(), 0x1000);
}

}  // namespace
