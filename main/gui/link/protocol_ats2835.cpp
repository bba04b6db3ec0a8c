#include "main/gui/link/protocol_ats2835.h"

#include "main/gui/link/wireless_drv.h"
#include "main/gui/wrapper/wrapper_dev_log.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#define WIRELESS_LOG(fmt, ...) WRAPPER_LOG_ERR("<WIRELESS>", fmt, ##__VA_ARGS__)

namespace {

enum : uint8_t {
    kMsgPowerOn = 0,
    kMsgPowerOff = 1,
    kMsgPair = 7,
    kMsgBypass = 0x0F,
    kMsgUsbUpgrade = 0x36,
    kMsgOtaStart = 0x37,
    kMsgFactoryReset = 0x53,
    kMsgFactoryPair = 0x54,
    kMsgEnd = 85,
};

enum : uint32_t {
    kCmdPowerOff = 1,
    kCmdPowerOn = 2,
    kCmdBypass = 6,
    kCmdPairStart = 8,
    kCmdPairStop = 9,
    kCmdUpgrade = 10,
    kCmdFactoryReset = 11,
    kCmdFactoryPair = 17,
};

enum : uint16_t {
    kEvtPairing = 42,
    kEvtPairStopped = 43,
    kEvtSubLinked = 45,
    kEvtAllLinked = 48,
    kEvtSubProgress = 56,
};

constexpr uint32_t kReceivers = 3;
constexpr uint16_t kDebounceTake = 1;  // the second report in a row is taken
constexpr uint16_t kProgressOtaStart = 0xFF;
constexpr uint32_t kExitPairChecks = 30;

Ats2835Db g_protocol_ats2835_db;
// The status side's read-compare-write of the debounce counters and the progress words, against
// the sender clearing them.
std::mutex gStsLock;

void evtSnd(uint16_t evt, const uint8_t* param)
{
    const WirelessProtocolCbk cbk = g_protocol_ats2835_db.rcv_cbk.load();
    if (cbk != nullptr) {
        cbk(evt, param);
    }
}

int32_t cmdSnd(uint32_t reg, const uint8_t* data = nullptr, uint32_t len = 0)
{
    Ats2835RegCmd cmd{reg, {}, 1};
    if (data != nullptr) {
        cmd.len = std::min(len, ATS2835_CMD_DATA_MAX);
        std::copy(data, data + cmd.len, cmd.data);
    }
    return __guiWrapperProtocolAts2835PacketSnd(&cmd);
}

void debounceClr(void)
{
    std::lock_guard<std::mutex> guard(gStsLock);
    for (auto& count : g_protocol_ats2835_db.debounce) {
        count = 0;
    }
}

bool allConnected(void)
{
    const auto& c = g_protocol_ats2835_db.connected;
    return std::all_of(c.begin(), c.end(), [](const std::atomic<uint8_t>& v) { return v.load() == 1; });
}

void connLog(uint32_t receiver, uint8_t conn)
{
    if (receiver == 0) {
        WIRELESS_LOG("subwoofer_status: %d", conn);
    } else if (receiver == 1) {
        WIRELESS_LOG("surround_l_status: %d", conn);
    } else {
        WIRELESS_LOG("surround_r_status: %d", conn);
    }
}

// The events of one status block are raised after the record is updated and unlocked.
struct Evts {
    uint16_t evt[kReceivers + 1];
    uint16_t progress = 0;
    uint32_t count = 0;
    void add(uint16_t e) { evt[count++] = e; }
};

void guiWrapperProtocolAts2835RcvAllStsProcess(const uint8_t* sts)
{
    Ats2835Db& db = g_protocol_ats2835_db;
    Evts evts;
    {
        std::lock_guard<std::mutex> guard(gStsLock);
        for (uint32_t i = 0; i < db.status.size(); ++i) {
            db.status[i] = sts[i];
        }
        db.pairing = sts[9];
        if (db.ota.load() == 0) {
            for (uint32_t r = 0; r < kReceivers; ++r) {
                const uint8_t conn = sts[5 + r] == 1 ? 1 : 0;
                if (conn == db.connected[r].load()) {
                    db.debounce[r] = 0;
                    continue;
                }
                if (++db.debounce[r] <= kDebounceTake) {
                    continue;
                }
                db.debounce[r] = 0;
                db.connected[r] = conn;
                connLog(r, conn);
                if (conn == 1 && sts[15 + r] == 1) {
                    evts.add(static_cast<uint16_t>(kEvtSubLinked + r));
                }
                if (allConnected()) {
                    evts.add(kEvtAllLinked);
                }
            }
        } else {
            WIRELESS_LOG("OTA - sub: %d, surL: %d, surR: %d", sts[12], sts[13], sts[14]);
            for (uint32_t r = 0; r < kReceivers; ++r) {
                if (db.progress[r].load() != sts[12 + r]) {
                    db.progress[r] = sts[12 + r];
                    evts.progress = sts[12 + r];
                    evts.add(static_cast<uint16_t>(kEvtSubProgress + r));
                    break;
                }
            }
        }
    }
    for (uint32_t i = 0; i < evts.count; ++i) {
        const bool isProgress = evts.evt[i] >= kEvtSubProgress;
        evtSnd(evts.evt[i], isProgress ? reinterpret_cast<const uint8_t*>(&evts.progress) : nullptr);
    }
}

}  // namespace

void guiWrapperProtocolAts2835RcvRegisterCbk(WirelessProtocolCbk cbk)
{
    if (cbk != nullptr) {
        g_protocol_ats2835_db.rcv_cbk = cbk;
    }
}

Ats2835Db* guiWrapperProtocolAts2835DBget(void)
{
    return &g_protocol_ats2835_db;
}

int32_t __guiWrapperProtocolAts2835PacketSnd(const Ats2835RegCmd* cmd)
{
    const int32_t ret = guiWrapperWirelessDrvWrite(WIRELESS_DEV_E_ATS2835, static_cast<uint16_t>(cmd->reg), cmd->data,
                                                   cmd->len);
    if (ret < 0) {
        WIRELESS_LOG("send failed!");
    }
    return ret;
}

void guiWrapperProtocolAts2835WaitForExitPair(void)
{
    Ats2835Db& db = g_protocol_ats2835_db;
    if (db.pairing.load() == 0) {
        return;
    }
    if (cmdSnd(kCmdPairStop) < 0) {
        return;
    }
    for (uint32_t left = kExitPairChecks; left > 0 && db.pairing.load() != 0; --left) {
        WIRELESS_LOG("timeout_msec=%u", static_cast<unsigned>(left));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void guiWrapperProtocolAts2835PacketSnd(const uint8_t* msg, uint32_t len)
{
    if (msg == nullptr || len == 0) {
        WIRELESS_LOG("p_param error!");
        return;
    }
    WIRELESS_LOG("msg_id = %d", msg[0]);
    if (msg[0] >= kMsgEnd) {
        return;
    }
    Ats2835Db& db = g_protocol_ats2835_db;
    switch (msg[0]) {
    case kMsgPowerOn:
        debounceClr();
        cmdSnd(kCmdPowerOn);
        break;
    case kMsgPowerOff:
        guiWrapperProtocolAts2835WaitForExitPair();
        cmdSnd(kCmdPowerOff);
        break;
    case kMsgPair:
        if (db.pairing.load() == 0) {
            cmdSnd(kCmdPairStart);
            debounceClr();
            evtSnd(kEvtPairing, nullptr);
        } else if (allConnected()) {
            evtSnd(kEvtAllLinked, nullptr);
        } else {
            cmdSnd(kCmdPairStop);
            evtSnd(kEvtPairStopped, nullptr);
        }
        break;
    case kMsgBypass:
        // The data count and the data must both be in the message.
        if (len < 2 || len < 2u + msg[1]) {
            WIRELESS_LOG("p_param error!");
            break;
        }
        cmdSnd(kCmdBypass, msg + 2, msg[1]);
        break;
    case kMsgUsbUpgrade:
        cmdSnd(kCmdUpgrade);
        break;
    case kMsgOtaStart: {
        uint8_t clear = 0;
        if (db.ota.compare_exchange_strong(clear, 1)) {
            cmdSnd(kCmdUpgrade);
            std::lock_guard<std::mutex> guard(gStsLock);
            for (auto& p : db.progress) {
                p = kProgressOtaStart;
            }
        }
        break;
    }
    case kMsgFactoryReset:
        guiWrapperProtocolAts2835WaitForExitPair();
        cmdSnd(kCmdFactoryReset);
        break;
    case kMsgFactoryPair:
        cmdSnd(kCmdFactoryPair);
        evtSnd(kEvtPairing, nullptr);
        break;
    default:
        break;
    }
}

void guiWrapperProtocolAts2835PacketRcv(const uint8_t* buf, uint32_t len)
{
    if (buf == nullptr || len == 0) {
        WIRELESS_LOG("p_param error!");
        return;
    }
    // A short burst would be read past its end; only whole status blocks are taken.
    if (len < ATS2835_STATUS_LEN) {
        WIRELESS_LOG("short status %u", static_cast<unsigned>(len));
        return;
    }
    std::array<uint8_t, ATS2835_STATUS_LEN> sts{};
    std::copy(buf, buf + ATS2835_STATUS_LEN, sts.begin());
    g_protocol_ats2835_db.tag = ATS2835_STATUS_TAG;
    guiWrapperProtocolAts2835RcvAllStsProcess(sts.data());
}
