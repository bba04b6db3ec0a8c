#include "main/gui/link/protocol_wavrel.h"

#include "main/gui/link/wireless_drv.h"
#include "main/gui/wrapper/wrapper_bt.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/wrapper/wrapper_gain.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <mutex>
#include <thread>

#define WIRELESS_LOG(fmt, ...) WRAPPER_LOG_ERR("<WIRELESS>", fmt, ##__VA_ARGS__)

WavrelVolGain g_wavrel_vol_gain;

namespace {

using std::chrono::milliseconds;

constexpr uint8_t g_wavrel_tail[5] = {0x00, 0x00, 0x00, 0x00, 0x01};

enum : uint8_t {
    kCmdPowerOff = 0x01,
    kCmdPowerOn = 0x02,
    kCmdReset = 0x03,
    kCmdStartPair = 0x07,
    kCmdStopPair = 0x08,
    kCmdBypass = 0x0D,
    kCmdVersion = 0x81,
    kCmdSync = 0x88,
    kCmdParamWrite = 0xE0,
    kCmdParamRead = 0xE1,
    kCmdParamCommit = 0xE2,
    kCmdMute = 0xF1,
    kCmdUnmute = 0xF2,
    kCmdRxLed = 0xF5,
    kCmdRfBand = 0xF6,
    kCmdRxAutoPairClr = 0xF7,
    kCmdTxAutoPairClr = 0xF8,
};

enum : uint16_t {
    kEvtPairing = 42,
    kEvtUnlinked = 44,
    kEvtLinked = 45,
};

constexpr uint8_t kPairingStsPairing = 2;
constexpr uint16_t kChangeCountTake = 2;         // the third differing poll is taken
constexpr uint32_t kStateNoLinkEvents = 0x200F;  // off, transit, idle, on without a source, upgrade
constexpr uint32_t kSyncRounds = 5;
constexpr uint32_t kExitPairChecks = 30;
constexpr uint8_t kParamHigh = 0x3F;
constexpr uint8_t kParamMp = 0xEA;
constexpr uint8_t kParamMpWanted = 5;
constexpr uint8_t kParamUuidLow = 0xB0;
constexpr uint32_t kUuidLen = 3;
constexpr uint8_t kBtGroupLink = 0x81;
constexpr uint8_t kBtCmdLinkState = 0x2D;
constexpr uint8_t kBtGroupUuid = 0x8F;
constexpr uint8_t kBtCmdUuid = 0x04;
constexpr uint8_t kLevelKeep = 13;
constexpr int64_t kGainOff = -89;
constexpr int64_t kGainLevelZeroDb = 6;

WavrelDb g_protocol_wavrel_db;

// A command whose answer is read at the reply register and that read are one sequence on the bus:
// the GUI, the wrappers and the poll never read each other's answers.
std::mutex gBusLock;
// A gain update and the setters it calls run as one, so two threads never send a mix of values.
std::mutex gGainLock;

int32_t writeLocked(uint16_t reg, const uint8_t* buf, uint32_t len)
{
    return guiWrapperWirelessDrvWrite(WIRELESS_DEV_E_WAVREL, reg, buf, len);
}

int32_t cmdLocked(uint8_t cmd, const uint8_t* param5)
{
    WavrelRegCmd c{cmd, {}, 0};
    const uint8_t* p = param5 != nullptr ? param5 : g_wavrel_tail;
    std::copy(p, p + 4, c.param);
    c.tail = p[4];
    const std::array<uint8_t, sizeof(WavrelRegCmd)> bytes = {c.cmd, c.param[0], c.param[1], c.param[2], c.param[3], c.tail};
    const int32_t ret = writeLocked(WAVREL_REG_CMD, bytes.data(), static_cast<uint32_t>(bytes.size()));
    if (ret < 0) {
        WIRELESS_LOG("write sync error");
    }
    return ret;
}

// Sends a command and reads its answer at the reply register after `wait`; false (logged) when
// either transfer is refused.
bool query(uint8_t cmd, const uint8_t* param5, std::chrono::microseconds wait, uint8_t* reply, uint32_t len)
{
    std::lock_guard<std::mutex> guard(gBusLock);
    if (cmdLocked(cmd, param5) < 0) {
        return false;
    }
    if (wait.count() > 0) {
        std::this_thread::sleep_for(wait);
    }
    if (guiWrapperWirelessDrvRead(WIRELESS_DEV_E_WAVREL, WAVREL_REG_REPLY, reply, len) < 0) {
        WIRELESS_LOG("read sync error");
        return false;
    }
    return true;
}

bool paramWrite(uint8_t low, uint8_t value)
{
    const uint8_t param[5] = {kParamHigh, low, value, 0x00, 0x01};
    if (guiWrapperProtocolWavrelCmdSet(kCmdParamWrite, param) < 0) {
        WIRELESS_LOG("write reg 0x%x%x! failed", kParamHigh, low);
        return false;
    }
    return true;
}

void evtSnd(uint16_t evt)
{
    const WirelessProtocolCbk cbk = g_protocol_wavrel_db.rcv_cbk.load();
    if (cbk != nullptr) {
        cbk(evt, nullptr);
    }
}

// Level 1 to 12 gives level - 6 dB and 0 switches the output off; 13 or more keeps the gain.
void levelApply(uint8_t level, std::atomic<int64_t>& gain)
{
    if (level >= kLevelKeep) {
        return;
    }
    gain = level == 0 ? kGainOff : static_cast<int64_t>(level) - kGainLevelZeroDb;
}

void guiWrapperProtocolWavrelWaitForExitPair(void)
{
    WavrelDb& db = g_protocol_wavrel_db;
    if (db.pairing_sts.load() == 0) {
        return;
    }
    const uint8_t zero = 0;
    int32_t ret = 0;
    {
        std::lock_guard<std::mutex> guard(gBusLock);
        ret = writeLocked(WAVREL_REG_EXIT_PAIR, &zero, 1);
    }
    if (ret < 0) {
        WIRELESS_LOG("send failed!");
        return;
    }
    for (uint32_t left = kExitPairChecks; left > 0 && db.pairing_sts.load() != 0; --left) {
        WIRELESS_LOG("timeout_msec=%u", static_cast<unsigned>(left));
        std::this_thread::sleep_for(milliseconds(100));
    }
}

void guiWrapperWavrelUpgradeMpParementGet(void)
{
    std::this_thread::sleep_for(milliseconds(500));
    const uint8_t param[5] = {kParamHigh, kParamMp, 0x00, 0x00, 0x01};
    uint8_t value = 0;
    if (!query(kCmdParamRead, param, milliseconds(300), &value, 1)) {
        return;
    }
    WIRELESS_LOG("parament11 is  %x", value);
    if (value == kParamMpWanted) {
        return;
    }
    std::this_thread::sleep_for(milliseconds(10));
    if (!paramWrite(kParamMp, kParamMpWanted)) {
        return;
    }
    if (guiWrapperProtocolWavrelCmdSet(kCmdParamCommit, nullptr) < 0) {
        WIRELESS_LOG("write reg 0x%x%x! failed", kParamHigh, kParamMp);
        return;
    }
    std::this_thread::sleep_for(milliseconds(50));
    guiWrapperProtocolWavrelCmdSet(kCmdReset, nullptr);
    std::this_thread::sleep_for(milliseconds(500));
}

void guiWrapperProtocolWavrelSyncdRead(void)
{
    std::array<uint8_t, 3> reply{};
    for (uint32_t round = 0; round < kSyncRounds; ++round) {
        if (!query(kCmdSync, nullptr, milliseconds(0), reply.data(), static_cast<uint32_t>(reply.size()))) {
            return;
        }
        if (reply[0] != 0) {
            break;
        }
    }
    g_protocol_wavrel_db.sub_conn_sts = reply[0];
    g_protocol_wavrel_db.change_count = 0;
    guiWrapperBtSndPacket(kBtGroupLink, kBtCmdLinkState, 1, reply.data());
}

void guiWrapperProtocolWavrelRamUuidRead(void)
{
    std::array<uint8_t, kUuidLen> id{};
    int32_t ret = 0;
    {
        std::lock_guard<std::mutex> guard(gBusLock);
        ret = guiWrapperWirelessDrvRead(WIRELESS_DEV_E_WAVREL, WAVREL_REG_RAM_UUID, id.data(), kUuidLen);
    }
    if (ret < 0) {
        WIRELESS_LOG("read ram user id error");
        return;
    }
    for (uint32_t i = 0; i < kUuidLen; ++i) {
        g_protocol_wavrel_db.ram_uuid[i] = id[i];
    }
    WIRELESS_LOG("ram uuid %02x %02x %02x", id[0], id[1], id[2]);
    guiWrapperBtSndPacket(kBtGroupUuid, kBtCmdUuid, kUuidLen, id.data());
}

void guiWrapperProtocolWavrelFlashUuidRead(void)
{
    for (uint32_t i = 0; i < kUuidLen; ++i) {
        const uint8_t param[5] = {kParamHigh, static_cast<uint8_t>(kParamUuidLow + i), 0x00, 0x00, 0x01};
        uint8_t value = 0;
        if (!query(kCmdParamRead, param, std::chrono::microseconds(100), &value, 1)) {
            return;
        }
        g_protocol_wavrel_db.flash_uuid[i] = value;
    }
}

void guiWrapperProtocolWavrelUuidWrite(const uint8_t* id, uint32_t len)
{
    len = std::min(len, kUuidLen);
    for (uint32_t i = 0; i < len; ++i) {
        if (!paramWrite(static_cast<uint8_t>(kParamUuidLow + i), id[i])) {
            return;
        }
    }
    if (guiWrapperProtocolWavrelCmdSet(kCmdParamCommit, nullptr) < 0) {
        WIRELESS_LOG("write reg 0x%x%x! failed", kParamHigh, kParamUuidLow);
        return;
    }
    std::this_thread::sleep_for(milliseconds(50));
    const uint8_t reset = kCmdReset;
    std::lock_guard<std::mutex> guard(gBusLock);
    if (writeLocked(WAVREL_REG_CMD, &reset, 1) < 0) {
        WIRELESS_LOG("write reg 0x%x%x! failed", WAVREL_REG_CMD >> 8, WAVREL_REG_CMD & 0xFF);
    }
}

void guiWrapperProtocolWavrelUnPack(const uint8_t* buf, uint8_t* out)
{
    std::copy(buf, buf + WAVREL_STATUS_LEN, out);
}

void guiWrapperProtocolWavrelRcvProcess(const uint8_t* sts)
{
    WavrelDb& db = g_protocol_wavrel_db;
    for (uint32_t i = 0; i < db.version.size(); ++i) {
        db.version[i] = sts[i];
    }
    db.pairing_sts = sts[4];
    db.rf_band = sts[8];
    db.status7 = sts[7];
    const WirelessProtocolStateGet get = db.sys_state_get.load();
    if (get != nullptr) {
        const uint32_t state = get() & 0xFFFFu;
        if ((state & kStateNoLinkEvents) != 0) {
            WIRELESS_LOG("sys_state=0x%x", state);
            return;
        }
    }
    if (sts[6] == db.sub_conn_sts.load()) {
        db.change_count = 0;
        return;
    }
    if (++db.change_count <= kChangeCountTake) {
        return;
    }
    db.change_count = 0;
    db.sub_conn_sts = sts[6];
    WIRELESS_LOG("subwoofer_status: %d", sts[6]);
    if (sts[6] == 1) {
        evtSnd(kEvtLinked);
    } else if (sts[4] != kPairingStsPairing) {
        evtSnd(kEvtUnlinked);
    } else {
        evtSnd(kEvtPairing);
    }
}

// The data bytes a message needs are there.
bool hasData(const WavrelMsg* msg, uint32_t len, uint32_t need)
{
    if (len < 2 || msg->data_len < need || len < 2u + need) {
        WIRELESS_LOG("p_param error!");
        return false;
    }
    return true;
}

}  // namespace

void guiWrapperProtocolWavrelRcvRegisterCbk(WirelessProtocolCbk cbk)
{
    if (cbk != nullptr) {
        g_protocol_wavrel_db.rcv_cbk = cbk;
    }
}

void guiWrapperProtocolWavrelSysStateGetRegisterCbk(WirelessProtocolStateGet get)
{
    if (get != nullptr) {
        g_protocol_wavrel_db.sys_state_get = get;
    }
}

int32_t guiWrapperProtocolWavrelCmdSet(uint8_t cmd, const uint8_t* param5)
{
    std::lock_guard<std::mutex> guard(gBusLock);
    return cmdLocked(cmd, param5);
}

int32_t __guiWrapperProtocolWavrelPacketSnd(const uint8_t* cmd6)
{
    if (cmd6 == nullptr) {
        WIRELESS_LOG("param error!");
        return -1;
    }
    std::lock_guard<std::mutex> guard(gBusLock);
    if (writeLocked(WAVREL_REG_CMD, cmd6, sizeof(WavrelRegCmd)) < 0) {
        WIRELESS_LOG("send failed!");
        return -1;
    }
    return 1;
}

void guiWrapperProtocolWavrelVersionRead(void)
{
    std::array<uint8_t, 2> ver{};
    if (query(kCmdVersion, nullptr, milliseconds(0), ver.data(), static_cast<uint32_t>(ver.size()))) {
        WIRELESS_LOG("tx_ver[0] = 0x%x, tx_ver[1] = 0x%x", ver[0], ver[1]);
    }
}

void guiWrapperProtocolWavrelUpgEnter(uint32_t enable)
{
    guiWrapperWirelessDrvSleepSet(WIRELESS_DEV_E_WAVREL, enable != 0 ? 1 : 0);
}

WavrelDb* guiWrapperProtocolWavrelDBget(void)
{
    return &g_protocol_wavrel_db;
}

void guiWrapperProtocolWavrelPacketRcv(const uint8_t* buf, uint32_t len)
{
    // A short burst would leave part of the status block stale; the poll only hands whole ones.
    if (buf == nullptr || len < WAVREL_STATUS_LEN) {
        WIRELESS_LOG("p_param error!");
        return;
    }
    std::array<uint8_t, WAVREL_STATUS_LEN> sts{};
    guiWrapperProtocolWavrelUnPack(buf, sts.data());
    guiWrapperProtocolWavrelRcvProcess(sts.data());
}

void guiWrapperProtocolWavrelPacketSnd(const uint8_t* raw, uint32_t len)
{
    if (raw == nullptr || len == 0) {
        WIRELESS_LOG("p_param error!");
        return;
    }
    WavrelMsg msg{};
    std::copy(raw, raw + std::min<uint32_t>(len, sizeof(msg)), reinterpret_cast<uint8_t*>(&msg));
    WavrelDb& db = g_protocol_wavrel_db;
    switch (msg.msg_id) {
    case 0:
        db.pairing_sts = 0;
        db.change_count = 0;
        guiWrapperProtocolWavrelCmdSet(kCmdPowerOn, nullptr);
        break;
    case 1:
        guiWrapperProtocolWavrelWaitForExitPair();
        guiWrapperWirelessDrvSleepSet(WIRELESS_DEV_E_WAVREL, 1);
        guiWrapperProtocolWavrelCmdSet(kCmdPowerOff, nullptr);
        db.sub_conn_sts = 0;
        db.change_count = 0;
        break;
    case 6:
        guiWrapperWirelessDrvSleepSet(WIRELESS_DEV_E_WAVREL, 0);
        break;
    case 7:
        guiWrapperWavrelUpgradeMpParementGet();
        guiWrapperProtocolWavrelCmdSet(kCmdStartPair, nullptr);
        db.change_count = 0;
        evtSnd(kEvtPairing);
        break;
    case 8:
        guiWrapperProtocolWavrelCmdSet(kCmdStopPair, nullptr);
        break;
    case 9:
        guiWrapperProtocolWavrelSyncdRead();
        break;
    case 12:
        if (hasData(&msg, len, 1)) {
            guiWrapperProtocolWavrelCmdSet(msg.data[0] != 0 ? kCmdMute : kCmdUnmute, nullptr);
        }
        break;
    case 13:
        if (hasData(&msg, len, 3)) {
            std::lock_guard<std::mutex> guard(gGainLock);
            g_wavrel_vol_gain.volume = msg.data[0];
            g_wavrel_vol_gain.sub_volume = msg.data[0];
            levelApply(msg.data[1], g_wavrel_vol_gain.sur_gain);
            levelApply(msg.data[2], g_wavrel_vol_gain.sub_gain);
            gui_wrapper_sur_gain_parament_set();
            std::this_thread::sleep_for(milliseconds(100));
            gui_wrapper_sub_gain_parament_set();
            gui_wrapper_front_sur_gain_parament_set();
        }
        break;
    case 15:
        if (hasData(&msg, len, 1)) {
            const uint8_t param[5] = {msg.data[0], 0x00, 0x00, 0x00, 0x01};
            guiWrapperProtocolWavrelCmdSet(kCmdBypass, param);
        }
        break;
    case 83:
        guiWrapperProtocolWavrelCmdSet(kCmdReset, nullptr);
        std::this_thread::sleep_for(milliseconds(200));
        break;
    case 84:
        guiWrapperProtocolWavrelCmdSet(kCmdReset, nullptr);
        evtSnd(kEvtPairing);
        break;
    case 86:
        guiWrapperProtocolWavrelRamUuidRead();
        guiWrapperProtocolWavrelFlashUuidRead();
        break;
    case 87: {
        const uint32_t n = std::min<uint32_t>(msg.data_len, kUuidLen);
        if (n > 0 && hasData(&msg, len, n)) {
            guiWrapperProtocolWavrelUuidWrite(msg.data, n);
        }
        break;
    }
    case 89:
    case 92:
        if (hasData(&msg, len, 1)) {
            const uint8_t param[5] = {msg.data[0], 0x00, 0x00, 0x00, 0x01};
            guiWrapperProtocolWavrelCmdSet(msg.msg_id == 89 ? kCmdRfBand : kCmdRxLed, param);
        }
        break;
    case 90:
    case 91:
        WIRELESS_LOG("band get %d", db.rf_band.load());
        break;
    case 93:
        guiWrapperProtocolWavrelCmdSet(kCmdRxAutoPairClr, nullptr);
        break;
    case 94:
        guiWrapperProtocolWavrelCmdSet(kCmdTxAutoPairClr, nullptr);
        break;
    case 98:
        if (hasData(&msg, len, 1)) {
            std::lock_guard<std::mutex> guard(gGainLock);
            levelApply(msg.data[0], g_wavrel_vol_gain.sur_gain);
            gui_wrapper_sur_gain_parament_set();
            gui_wrapper_front_sur_gain_parament_set();
        }
        break;
    case 99:
        if (hasData(&msg, len, 1)) {
            std::lock_guard<std::mutex> guard(gGainLock);
            levelApply(msg.data[0], g_wavrel_vol_gain.sub_gain);
            gui_wrapper_sub_gain_parament_set();
        }
        break;
    default:
        break;
    }
}
