#include "main/gui/link/wrapper_wireless.h"

#include "main/gui/link/protocol_wavrel.h"
#include "main/gui/link/wireless_drv.h"
#include "main/gui/link/wireless_protocol.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/timerd/gui_log.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#define WIRELESS_LOG(fmt, ...) WRAPPER_LOG_ERR("<WIRELESS>", fmt, ##__VA_ARGS__)

namespace {

enum : uint8_t {
    kMsgPowerOn = 0,
    kMsgPowerOff = 1,
    kMsgHome = 6,
    kMsgStartPair = 7,
    kMsgStopPair = 8,
    kMsgSyncRead = 9,
    kMsgMute = 12,
    kMsgRxVol = 13,
    kMsgBypass = 15,
    kMsgUsbUpgrade = 54,
    kMsgOtaUpgrade = 55,
    kMsgFactoryReset = 83,
    kMsgFactoryPair = 84,
    kMsgUuidRead = 86,
    kMsgUuidWrite = 87,
    kMsgRfBandSet = 89,
    kMsgRfBandGet = 90,
    kMsgRxLedGet = 91,
    kMsgRxLedSet = 92,
    kMsgRxAutoPairClr = 93,
    kMsgTxAutoPairClr = 94,
    kMsgRxSurVol = 98,
    kMsgRxSubVol = 99,
};

constexpr uint8_t kDataMax = 6;
constexpr uint8_t kLevelKeep = 13;
constexpr uint8_t kEqStyleList = 6;
constexpr uint8_t kEqCustom = 7;
constexpr uint8_t kBassFixed = 6;
constexpr size_t kVersionLen = 10;

enum : uint32_t { kStsIdle = 0, kStsPairing = 1, kStsPairStopped = 2 };

struct {
    std::mutex lock;  // init and exit
    std::atomic<uint32_t> sts{kStsIdle};
    std::atomic<uint32_t> eqMode{0};
    uint8_t init = 0;
} gGuiWrapperWirelessAudThisObj;

int32_t sendByte(uint8_t msgId, uint8_t value)
{
    return guiWrapperWirelessAudSndPacket(msgId, 1, &value);
}

const WavrelDb* wavrelDb(void)
{
    return static_cast<const WavrelDb*>(guiWrapperWirelessProtocolDBget(WIRELESS_DEV_E_WAVREL));
}

void versionText(char* out, const char* fmt, unsigned value)
{
    std::array<char, kVersionLen + 1> text{};
    std::snprintf(text.data(), text.size(), fmt, value);
    std::memcpy(out, text.data(), kVersionLen);
}

}  // namespace

void guiWrapperWirelessAudInit(void)
{
    auto& obj = gGuiWrapperWirelessAudThisObj;
    std::lock_guard<std::mutex> guard(obj.lock);
    if (obj.init != 0) {
        return;
    }
    obj.sts = kStsIdle;
    obj.eqMode = 0;
    guiWrapperWirelessProtocolInit();
    obj.init = 1;
    GUI_LOG_INFO("guiWrapperWirelessAudInit %d!", obj.init);
}

void guiWrapperWirelessAudExit(void)
{
    auto& obj = gGuiWrapperWirelessAudThisObj;
    std::lock_guard<std::mutex> guard(obj.lock);
    if (obj.init == 0) {
        return;
    }
    guiWrapperWirelessProtocolExit();
    obj.init = 0;
}

int32_t guiWrapperWirelessAudSndPacket(uint8_t msgId, uint8_t dataLen, const uint8_t* data)
{
    if (dataLen > kDataMax || (dataLen > 0 && data == nullptr)) {
        WIRELESS_LOG("Param Error!");
        return -1;
    }
    std::array<uint8_t, 2 + kDataMax> msg{msgId, dataLen};
    uint32_t len = 1;
    if (dataLen > 0) {
        std::memcpy(&msg[2], data, dataLen);
        len = 2u + dataLen;
    }
    guiWrapperWirelessProtocolPacketSnd(WIRELESS_DEV_E_WAVREL, msg.data(), len);
    return 0;
}

int32_t guiWrapperWirelessAudPowerOn(void)
{
    guiWrapperWirelessProtocolPowerOn();
    gGuiWrapperWirelessAudThisObj.sts = kStsIdle;
    return guiWrapperWirelessAudSndPacket(kMsgPowerOn, 0, nullptr);
}

int32_t guiWrapperWirelessAudPowerOff(void)
{
    guiWrapperWirelessProtocolPowerOff();
    gGuiWrapperWirelessAudThisObj.sts = kStsIdle;
    return guiWrapperWirelessAudSndPacket(kMsgPowerOff, 0, nullptr);
}

void guiWrapperWirelessAudStsGet(uint32_t* out)
{
    if (out != nullptr) {
        *out = gGuiWrapperWirelessAudThisObj.sts.load();
    }
}

void guiWrapperWirelessAudStsProcess(const uint32_t* state)
{
    if (state == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    gGuiWrapperWirelessAudThisObj.sts = *state;
    GUI_LOG_INFO("wireless_aud_sts = %d", static_cast<int>(*state));
}

int32_t guiWrapperWirelessAudHomeSet(uint32_t)
{
    return guiWrapperWirelessAudSndPacket(kMsgHome, 0, nullptr);
}

int32_t guiWrapperWirelessAudFactoryReset(uint32_t)
{
    gGuiWrapperWirelessAudThisObj.sts = kStsIdle;
    return guiWrapperWirelessAudSndPacket(kMsgFactoryReset, 0, nullptr);
}

int32_t guiWrapperWirelessAudUuidRead(uint32_t)
{
    return guiWrapperWirelessAudSndPacket(kMsgUuidRead, 0, nullptr);
}

int32_t guiWrapperWireless5p8ConnectStateRead(uint32_t)
{
    return guiWrapperWirelessAudSndPacket(kMsgSyncRead, 0, nullptr);
}

int32_t guiWrapperWirelessAudUuidWrite(const uint8_t* id)
{
    if (id == nullptr) {
        WIRELESS_LOG("Param Error!");
        return -1;
    }
    return guiWrapperWirelessAudSndPacket(kMsgUuidWrite, 3, id);
}

int32_t guiWrapperWirelesRxLedStsGet(void)
{
    return guiWrapperWirelessAudSndPacket(kMsgRxLedGet, 0, nullptr);
}

int32_t guiWrapperWirelesRxLedStsSet(uint32_t on)
{
    const uint8_t value = on == 1 ? 0 : 2;
    WIRELESS_LOG("Param set_value = %d", value);
    return sendByte(kMsgRxLedSet, value);
}

int32_t guiWrapperWirelessAudLedDimmerSet(uint32_t)
{
    return 0;
}

int32_t guiWrapperWirelesRfBandGet(void)
{
    return guiWrapperWirelessAudSndPacket(kMsgRfBandGet, 0, nullptr);
}

int32_t guiWrapperWirelesRfBandSet(uint8_t band)
{
    WIRELESS_LOG("rf band set = %d", band);
    return sendByte(kMsgRfBandSet, band);
}

int32_t guiWrapperWirelesRxVolSet(uint8_t vol, uint8_t sur, uint8_t sub)
{
    const uint8_t data[3] = {vol, sur, sub};
    return guiWrapperWirelessAudSndPacket(kMsgRxVol, 3, data);
}

int32_t guiWrapperWirelesRxSurVolSet(uint8_t level)
{
    return sendByte(kMsgRxSurVol, level);
}

int32_t guiWrapperWirelesRxSubVolSet(uint8_t level)
{
    return sendByte(kMsgRxSubVol, level);
}

int32_t guiWrapperWirelesTxAutoPairFlagClr(void)
{
    return guiWrapperWirelessAudSndPacket(kMsgTxAutoPairClr, 0, nullptr);
}

int32_t guiWrapperWirelesRxAutoPairFlagClr(void)
{
    return guiWrapperWirelessAudSndPacket(kMsgRxAutoPairClr, 0, nullptr);
}

int32_t guiWrapperWirelessAudStartPair(uint32_t)
{
    gGuiWrapperWirelessAudThisObj.sts = kStsPairing;
    return guiWrapperWirelessAudSndPacket(kMsgStartPair, 0, nullptr);
}

int32_t guiWrapperWirelessAudStopPair(uint32_t)
{
    gGuiWrapperWirelessAudThisObj.sts = kStsPairStopped;
    return guiWrapperWirelessAudSndPacket(kMsgStopPair, 0, nullptr);
}

int32_t guiWrapperWirelessAuFactorydPair(uint32_t)
{
    return guiWrapperWirelessAudSndPacket(kMsgFactoryPair, 0, nullptr);
}

int32_t guiWrapperWirelessAudEqSet(const uint8_t* eqMode)
{
    if (eqMode == nullptr) {
        WIRELESS_LOG("Param Error!");
        return -1;
    }
    gGuiWrapperWirelessAudThisObj.eqMode = *eqMode;
    WIRELESS_LOG("eq_mode=%d", *eqMode);
    return 0;
}

int32_t guiWrapperWirelessAudMuteSet(const uint8_t* mute)
{
    if (mute == nullptr) {
        WIRELESS_LOG("Param Error!");
        return -1;
    }
    WIRELESS_LOG("mute_sts=%d", *mute);
    return sendByte(kMsgMute, *mute);
}

int32_t guiWrapperWirelessAudVolSet(const uint8_t* vol, uint8_t surVol, uint8_t bassVol)
{
    if (vol == nullptr) {
        WIRELESS_LOG("Param Error!");
        return -1;
    }
    const uint32_t eq = gGuiWrapperWirelessAudThisObj.eqMode.load();
    const uint8_t bass = eq == kEqStyleList || eq == kEqCustom ? kBassFixed : bassVol;
    return guiWrapperWirelesRxVolSet(*vol, surVol, bass);
}

int32_t guiWrapperWirelessAudBassSet(const uint8_t* level)
{
    if (level == nullptr) {
        WIRELESS_LOG("Param Error!");
        return -1;
    }
    if (*level >= kLevelKeep) {
        return 0;
    }
    return guiWrapperWirelesRxSubVolSet(*level);
}

int32_t guiWrapperWirelessAudBypassSet(const uint8_t* on)
{
    if (on == nullptr) {
        WIRELESS_LOG("Param Error!");
        return -1;
    }
    return sendByte(kMsgBypass, *on != 0 ? 1 : 0);
}

int32_t guiWrapperWirelessAudUsbUpgrade(uint32_t)
{
    return guiWrapperWirelessAudSndPacket(kMsgUsbUpgrade, 0, nullptr);
}

int32_t guiWrapperWirelessAudOtaUpgrade(uint32_t)
{
    return guiWrapperWirelessAudSndPacket(kMsgOtaUpgrade, 0, nullptr);
}

int32_t guiWrapperWirelessAudTrebleSet(const uint8_t*)
{
    return 0;
}

int32_t guiWrapperWirelessAudErpSet(const uint8_t*)
{
    return 0;
}

void guiWrapperWirelessAudTxVersionGet(char out[10])
{
    const WavrelDb* db = wavrelDb();
    if (db != nullptr && out != nullptr) {
        versionText(out, "%02d", db->version[1].load());
    }
}

void guiWrapperWirelessAudSubVersionGet(char out[10])
{
    const WavrelDb* db = wavrelDb();
    if (db != nullptr && out != nullptr) {
        versionText(out, "%02d", db->version[3].load());
    }
}

void guiWrapperWirelessAudSurLVersionGet(char out[10])
{
    const WavrelDb* db = wavrelDb();
    if (db != nullptr && out != nullptr) {
        versionText(out, "%02x", db->surl_version.load());
    }
}

void guiWrapperWirelessAudSurRVersionGet(char out[10])
{
    const WavrelDb* db = wavrelDb();
    if (db != nullptr && out != nullptr) {
        versionText(out, "%02x", db->surr_version.load());
    }
}
