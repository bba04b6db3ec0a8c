// The Bluetooth-module wrapper's commands: each is one frame handed to the protocol hub for slot 0,
// whose Bluetooth framer appends the checksum. The query timer, the GUI thread and the module-link
// threads all send and set pending queries, so the object's fields are atomic (the MAC has a lock).
#include "main/gui/wrapper/wrapper_bt.h"

#include "main/acfg/acfg_cus_flash.h"
#include "main/acfg/acfg_item_idx.h"
#include "main/gui/link/protocol_ats2853.h"
#include "main/gui/link/protocol_wavrel.h"
#include "main/gui/link/wireless_drv.h"
#include "main/gui/link/wireless_protocol.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/timerd/gui_timer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#define BT_LOG(fmt, ...) WRAPPER_LOG_ERR("<BT>", fmt, ##__VA_ARGS__)

namespace {

constexpr uint8_t kHead = 0x82;
constexpr uint8_t kHeadLen = 5;  // header, length, group, command and the checksum
constexpr uint8_t kPayloadMax = 32;
constexpr size_t kMacLen = 6;

// The module's code of each wrapper source: ARC, HDMI, optical, Bluetooth, AUX, USB.
constexpr std::array<uint8_t, GUI_WRAPPER_BT_AUD_SRCS> kSrcMap = {1, 2, 3, 6, 4, 5};
constexpr uint8_t kSrcClrCode = 2;
constexpr uint32_t kRouteHdmiIn = 2;
constexpr uint32_t kAudSrcArc = 0;
constexpr uint32_t kAudSrcHdmi = 1;

// Module states the wrapper acts on.
constexpr uint32_t kModulePairing = 2;
constexpr uint32_t kModuleDisconnected = 3;
constexpr uint32_t kModuleConnected = 4;
constexpr uint32_t kStsPairing = 1;
constexpr uint32_t kStsConnected = 16;

constexpr uint32_t kUsbConnStates = 3;
constexpr uint32_t kMusicCtrls = 4;
constexpr std::array<uint8_t, kMusicCtrls> kMusicCtrlCmd = {GUI_WRAPPER_BT_CMD_PAUSE, GUI_WRAPPER_BT_CMD_PLAY_PAUSE,
                                                            GUI_WRAPPER_BT_CMD_PREV, GUI_WRAPPER_BT_CMD_NEXT};

constexpr uint32_t kLeAudTries = 10;
constexpr std::chrono::milliseconds kLeAudRetry{5};
constexpr std::chrono::milliseconds kModuleSettle{100};
constexpr uint32_t kUidTries = 10;
constexpr std::chrono::milliseconds kUidWait{1000};
constexpr std::chrono::milliseconds kUidReread{300};

// One query of the timer: its pending bit and the command it sends.
struct Query {
    uint32_t bit;
    uint8_t group;
    uint8_t cmd;
};
// In the order the timer serves them.
constexpr std::array<Query, 6> kQueries = {{
    {GUI_WRAPPER_BT_PENDING_VERSION, GUI_WRAPPER_BT_GROUP_QUERY, GUI_WRAPPER_BT_QUERY_VERSION},
    {GUI_WRAPPER_BT_PENDING_MAC, GUI_WRAPPER_BT_GROUP_QUERY, GUI_WRAPPER_BT_QUERY_MAC},
    {GUI_WRAPPER_BT_PENDING_TOUCH_VERSION, GUI_WRAPPER_BT_GROUP_QUERY, GUI_WRAPPER_BT_QUERY_TOUCH_VERSION},
    {GUI_WRAPPER_BT_PENDING_PLAY_STS, GUI_WRAPPER_BT_GROUP_QUERY, GUI_WRAPPER_BT_QUERY_PLAY_STS},
    {GUI_WRAPPER_BT_PENDING_VOL, GUI_WRAPPER_BT_GROUP_CMD, GUI_WRAPPER_BT_CMD_VOL},
    {GUI_WRAPPER_BT_PENDING_CEC_NAME, GUI_WRAPPER_BT_GROUP_QUERY, GUI_WRAPPER_BT_QUERY_CEC_NAME},
}};
constexpr uint32_t kStartQueries = GUI_WRAPPER_BT_PENDING_VERSION | GUI_WRAPPER_BT_PENDING_TOUCH_VERSION |
                                   GUI_WRAPPER_BT_PENDING_MAC | GUI_WRAPPER_BT_PENDING_CEC_NAME;

struct GuiWrapperBtObj {
    std::atomic<uint8_t> bt_src{0};
    std::atomic<uint8_t> vol{0};
    std::atomic<uint32_t> pending{0};
    std::atomic<uint32_t> timer{0};
    std::mutex macLock;  // the MAC and its sync flag change together
    std::array<uint8_t, kMacLen> mac{};
    uint8_t macSync = 0;
    std::atomic<uint8_t> init{0};
};

GuiWrapperBtObj gGuiWrapperBtThisObj;

struct UuidCbk {
    std::atomic<GuiWrapperBtUuidRead> read{nullptr};
    std::atomic<GuiWrapperBtUuidWrite> write{nullptr};
};
UuidCbk gUuidCbk;

void sendCmd(uint8_t cmd)
{
    guiWrapperBtSndPacket(GUI_WRAPPER_BT_GROUP_CMD, cmd, 0, nullptr);
}

void sendCmd(uint8_t cmd, uint8_t value)
{
    guiWrapperBtSndPacket(GUI_WRAPPER_BT_GROUP_CMD, cmd, 1, &value);
}

void sleepFor(std::chrono::milliseconds ms)
{
    std::this_thread::sleep_for(ms);
}

uint8_t currentVolume(const GuiWrapperSetting& s)
{
    return s.eq_mode == GUI_EQ_MODE_NIGHT ? s.night_vol : s.vol;
}

// What the wrapper reads of the 5.8 GHz module's status record: the link state and the user id
// last read from the module's RAM; zeros while there is no record.
struct WavrelView {
    uint8_t link = 0;
    std::array<uint8_t, 3> uid{};
};

WavrelView wavrelView()
{
    const WavrelDb* db = guiWrapperProtocolWavrelDBget();
    WavrelView v;
    if (db != nullptr) {
        v.link = db->sub_conn_sts.load();
        v.uid = {db->ram_uuid[0].load(), db->ram_uuid[1].load(), db->ram_uuid[2].load()};
    }
    return v;
}

void guiWrapperBtQueryTimeoutCbk(uint32_t)
{
    // The module's line opens after this wrapper starts, and a busy start can take longer than
    // the first tick: the queries wait for the line rather than being lost before it is up.
    if (guiWrapperWirelessDrvSleepGet(WIRELESS_DEV_E_ATS2853) != 0) {
        return;
    }
    GuiWrapperBtObj& o = gGuiWrapperBtThisObj;
    for (const Query& q : kQueries) {
        if ((o.pending.load() & q.bit) == 0) {
            continue;
        }
        // Cleared before it is sent: a bit set again meanwhile waits for the next tick.
        if ((o.pending.fetch_and(~q.bit) & q.bit) == 0) {
            return;
        }
        if (q.bit == GUI_WRAPPER_BT_PENDING_VOL) {
            const uint8_t vol = o.vol.load();
            guiWrapperBtSndPacket(q.group, q.cmd, 1, &vol);
        } else {
            guiWrapperBtSndPacket(q.group, q.cmd, 0, nullptr);
        }
        return;
    }
}

}  // namespace

int32_t guiWrapperBtSndPacket(uint8_t group, uint8_t cmd, uint8_t len, const uint8_t* payload)
{
    if (len > kPayloadMax || (len != 0 && payload == nullptr)) {
        BT_LOG("Param Error!");
        return -1;
    }
    std::array<uint8_t, kHeadLen + kPayloadMax> msg{};
    msg[0] = kHead;
    msg[1] = static_cast<uint8_t>(len + kHeadLen);
    msg[2] = group;
    msg[3] = cmd;
    if (len != 0) {
        std::memcpy(msg.data() + 4, payload, len);
    }
    guiWrapperWirelessProtocolPacketSnd(0, msg.data(), len + kHeadLen);
    return 0;
}

void guiWrapperWirelesStateReport(uint32_t on)
{
    sendCmd(GUI_WRAPPER_BT_CMD_WIRELESS_LINK, on != 0 ? 1 : 0);
}

void guiWrapperWirelesConnStateReport(void)
{
    guiWrapperWirelesStateReport(1);
}

void guiWrapperWirelesDisconnStateReport(void)
{
    guiWrapperWirelesStateReport(0);
}

void guiWrapperBtInit(void)
{
    GuiWrapperBtObj& o = gGuiWrapperBtThisObj;
    if (o.init.load() != 0) {
        return;
    }
    o.bt_src = 0;
    o.vol = 0;
    {
        std::lock_guard<std::mutex> lock(o.macLock);
        o.mac.fill(0);
        o.macSync = 0;
    }
    o.timer = guiTimerCreate(guiWrapperBtQueryTimeoutCbk, 0);
    o.init = 1;
    o.pending = kStartQueries;
    guiTimerSet(o.timer.load(), GUI_WRAPPER_BT_QUERY_MS, GUI_WRAPPER_BT_QUERY_MS);
    BT_LOG("timer: %u", o.timer.load());
}

void guiWrapperBtExit(void)
{
    GuiWrapperBtObj& o = gGuiWrapperBtThisObj;
    o.init = 0;
    guiTimerDelete(o.timer.exchange(0));
}

void guiWrapperBtPowerOn(const GuiWrapperSetting* s)
{
    if (s == nullptr) {
        BT_LOG("Param Error!");
        return;
    }
    GuiWrapperBtObj& o = gGuiWrapperBtThisObj;
    BT_LOG("bt uart power on");
    sendCmd(GUI_WRAPPER_BT_CMD_POWER_ON);
    const uint8_t code = s->aud_src < GUI_WRAPPER_BT_AUD_SRCS ? kSrcMap[s->aud_src] : kSrcMap[kAudSrcArc];
    BT_LOG("bt uart source switch = %d", code);
    sendCmd(GUI_WRAPPER_BT_CMD_SRC, code);
    o.bt_src = code;
    o.vol = currentVolume(*s);
    o.pending.fetch_or(GUI_WRAPPER_BT_PENDING_VOL);
    BT_LOG("aud_src: %u", s->aud_src);
}

void guiWrapperBtPowerOff(const GuiWrapperSetting* s)
{
    if (s == nullptr) {
        BT_LOG("Param Error!");
        return;
    }
    const uint8_t fake = s->auto_wake_en != 0 ? 1 : 0;
    BT_LOG("%s", fake != 0 ? "bt uart fake power off" : "bt uart power off");
    const uint8_t payload[2] = {fake, static_cast<uint8_t>(s->lcd_dimmer_lvl & 0xFF)};
    guiWrapperBtSndPacket(GUI_WRAPPER_BT_GROUP_CMD, GUI_WRAPPER_BT_CMD_POWER_OFF, sizeof(payload), payload);
}

void guiWrapperBtPowerIdle(void)
{
    BT_LOG("bt power idle");
    sendCmd(GUI_WRAPPER_BT_CMD_POWER_IDLE);
}

void guiWrapperBtFactoryReset(uint32_t)
{
    gGuiWrapperBtThisObj.bt_src = 0;
    sendCmd(GUI_WRAPPER_BT_CMD_FACTORY_RESET);
}

void guiWrapperBtShopSet(uint8_t on)
{
    BT_LOG("%s", on != 0 ? "bt uart shop mode on" : "bt uart shop mode off");
    sendCmd(GUI_WRAPPER_BT_CMD_SHOP, on);
}

void guiWrapperBtManualSrcInSet(uint32_t audSrc)
{
    if (audSrc >= GUI_WRAPPER_BT_AUD_SRCS) {
        BT_LOG("param error, aud_src = %u!", audSrc);
        return;
    }
    GuiWrapperBtObj& o = gGuiWrapperBtThisObj;
    o.bt_src = kSrcMap[audSrc];
    // Queries wait while another source plays; the Bluetooth source serves them at once.
    if (audSrc == GUI_WRAPPER_BT_AUD_SRC_BT) {
        BT_LOG("enter");
        guiTimerSet(o.timer.load(), GUI_WRAPPER_BT_QUERY_ENTER_MS, GUI_WRAPPER_BT_QUERY_MS);
    } else {
        BT_LOG("exit");
        guiTimerSet(o.timer.load(), 0, 0);
    }
    BT_LOG("aud_src = %u", audSrc);
    sendCmd(GUI_WRAPPER_BT_CMD_SRC, kSrcMap[audSrc]);
}

void guiWrapperBtRoutingSrcInSet(uint32_t route)
{
    const uint32_t audSrc = route == kRouteHdmiIn ? kAudSrcHdmi : kAudSrcArc;
    BT_LOG("aud_src = %u", audSrc);
    guiWrapperBtManualSrcInSet(audSrc);
}

void guiWrapperBtSrcInSet(void)
{
    sendCmd(GUI_WRAPPER_BT_CMD_SRC_IN);
}

void guiWrapperBtReConnect(void)
{
    sendCmd(GUI_WRAPPER_BT_CMD_SRC_IN);
}

void guiWrapperBtSrcInClr(void)
{
    sendCmd(GUI_WRAPPER_BT_CMD_SRC, kSrcClrCode);
}

void guiWrapperBtMusicCtrl(uint32_t ctrl)
{
    BT_LOG("ctrl_cmd=%u", ctrl);
    if (ctrl < kMusicCtrls) {
        sendCmd(kMusicCtrlCmd[ctrl]);
    }
}

void guiWrapperBtMuteSet(uint8_t mute)
{
    sendCmd(GUI_WRAPPER_BT_CMD_MUTE, mute);
}

void guiWrapperBtVolSet(uint8_t vol)
{
    gGuiWrapperBtThisObj.vol = vol;
    sendCmd(GUI_WRAPPER_BT_CMD_VOL, vol);
}

void guiWrapperBtPair(void)
{
    sendCmd(GUI_WRAPPER_BT_CMD_PAIR);
}

void guiWrapperBtPlay(void)
{
    sendCmd(GUI_WRAPPER_BT_CMD_PLAY);
}

void guiWrapperBtPause(void)
{
    sendCmd(GUI_WRAPPER_BT_CMD_PAUSE);
}

void guiWrapperBtUsbConnSet(uint32_t state)
{
    if (state >= kUsbConnStates) {
        return;
    }
    BT_LOG("sts: %u", state);
    sendCmd(GUI_WRAPPER_BT_CMD_USB_CONN, static_cast<uint8_t>(state));
    sleepFor(kModuleSettle);
}

void guiWrapperBtUsbUpgrade(void)
{
    sendCmd(GUI_WRAPPER_BT_CMD_USB_UPGRADE);
}

void guiWrapperBtHdmiUpgrade(void)
{
    sendCmd(GUI_WRAPPER_BT_CMD_HDMI_UPGRADE);
}

void guiWrapperBtDspReboot(uint8_t value)
{
    sendCmd(GUI_WRAPPER_BT_CMD_DSP_REBOOT, value);
}

void guiWrapperBtCtrlWirelessAudPwr(uint8_t on)
{
    for (uint32_t left = kLeAudTries; left > 0; --left) {
        const ProtocolAts2853Db* db = guiWrapperProtocolAts2853DBget();
        if (db != nullptr && db->le_aud_pwr_sts == on) {
            BT_LOG("ACK LE AUDIO");
            return;
        }
        if (left % 2 == 0) {
            sendCmd(GUI_WRAPPER_BT_CMD_LE_AUD_PWR, on);
        }
        sleepFor(kLeAudRetry);
    }
}

void guiWrapperBtPcbaTestSet(uint32_t on)
{
    const WavrelView wavrel = wavrelView();
    BT_LOG("Wavrel_connect_state: %d", wavrel.link);
    if (on != 0) {
        sendCmd(GUI_WRAPPER_BT_CMD_PCBA_TEST_ON);
        sleepFor(kModuleSettle);
        sendCmd(GUI_WRAPPER_BT_CMD_WIRELESS_LINK, wavrel.link != 0 ? 1 : 0);
    } else {
        sendCmd(GUI_WRAPPER_BT_CMD_PCBA_TEST_OFF);
    }
    sleepFor(kModuleSettle);
}

void guiWrapperBtUuidCbkSet(GuiWrapperBtUuidRead read, GuiWrapperBtUuidWrite write)
{
    gUuidCbk.read = read;
    gUuidCbk.write = write;
}

void guiWrapperBtMachineTestSet(uint32_t on)
{
    if (on == 0) {
        sendCmd(GUI_WRAPPER_BT_CMD_MACHINE_TEST_OFF);
        sleepFor(kModuleSettle);
        return;
    }
    const auto uuidRead = [] {
        if (GuiWrapperBtUuidRead read = gUuidCbk.read.load()) {
            read();
        }
    };
    sendCmd(GUI_WRAPPER_BT_CMD_MACHINE_TEST_ON);
    uuidRead();
    sleepFor(kUidWait);
    for (uint32_t i = 0; i < kUidTries; ++i) {
        const WavrelView wavrel = wavrelView();
        BT_LOG("flash user id =%x %x %x", wavrel.uid[0], wavrel.uid[1], wavrel.uid[2]);
        if (std::equal(wavrel.uid.begin(), wavrel.uid.end(), std::begin(GUI_WRAPPER_BT_MACHINE_TEST_UID))) {
            break;
        }
        if (GuiWrapperBtUuidWrite write = gUuidCbk.write.load()) {
            write(GUI_WRAPPER_BT_MACHINE_TEST_UID);
        }
        sleepFor(kUidWait);
        uuidRead();
        sleepFor(kUidReread);
    }
    sleepFor(kModuleSettle);
}

void guiWrapperBtVersionGet(uint8_t* out)
{
    const ProtocolAts2853Db* db = guiWrapperProtocolAts2853DBget();
    if (db != nullptr && out != nullptr) {
        *out = db->bt_version;
    }
}

void guiWrapperBtTouchVersionGet(uint8_t* out)
{
    const ProtocolAts2853Db* db = guiWrapperProtocolAts2853DBget();
    if (db != nullptr && out != nullptr) {
        *out = db->touch_version;
    }
}

void guiWrapperBtPlayStsGet(uint8_t* out)
{
    const ProtocolAts2853Db* db = guiWrapperProtocolAts2853DBget();
    if (db != nullptr && out != nullptr) {
        *out = static_cast<uint8_t>(db->play_sts & 0xFF);
    }
}

void guiWrapperBtMacAddrGet(uint8_t out[6])
{
    const ProtocolAts2853Db* db = guiWrapperProtocolAts2853DBget();
    if (db != nullptr && out != nullptr) {
        std::memcpy(out, db->mac, kMacLen);
    }
}

void guiWrapperBtStsGet(uint32_t* out)
{
    const ProtocolAts2853Db* db = guiWrapperProtocolAts2853DBget();
    if (db == nullptr || out == nullptr) {
        return;
    }
    if (db->bt_sts == kModulePairing) {
        *out = kStsPairing;
    } else if (db->bt_sts == kModuleConnected) {
        *out = kStsConnected;
    }
}

void guiWrapperBtStsSetProcess(const uint8_t sts[2])
{
    if (sts == nullptr) {
        BT_LOG("Param Error!");
        return;
    }
    GuiWrapperBtObj& o = gGuiWrapperBtThisObj;
    if (sts[0] == kModuleDisconnected) {
        if (ProtocolAts2853Db* db = guiWrapperProtocolAts2853DBget()) {
            db->play_sts = 0;
        }
    } else if (sts[0] == kModuleConnected) {
        o.pending.fetch_or(GUI_WRAPPER_BT_PENDING_PLAY_STS | GUI_WRAPPER_BT_PENDING_VOL);
    }
    o.vol = sts[1];
}

void guiWrapperBtMacAddrSet(const uint8_t* mac)
{
    if (mac == nullptr) {
        BT_LOG("Param Error!");
        return;
    }
    BT_LOG("BT MAC: %02x %02x %02x %02x %02x %02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    GuiWrapperBtObj& o = gGuiWrapperBtThisObj;
    std::lock_guard<std::mutex> lock(o.macLock);
    if (std::memcmp(o.mac.data(), mac, kMacLen) != 0) {
        o.macSync = 1;
        BT_LOG("b_bt_mac_sync=%d", o.macSync);
        std::memcpy(o.mac.data(), mac, kMacLen);
    }
}

void guiWrapperBtMacAddrSync(GuiWrapperSetting* s)
{
    if (s == nullptr) {
        BT_LOG("Param Error!");
        return;
    }
    GuiWrapperBtObj& o = gGuiWrapperBtThisObj;
    std::array<uint8_t, kMacLen> mac{};
    {
        std::lock_guard<std::mutex> lock(o.macLock);
        if (o.macSync == 0) {
            return;
        }
        o.macSync = 0;
        mac = o.mac;
    }
    BT_LOG("BT MAC: %02x %02x %02x %02x %02x %02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    std::memcpy(s->bt_mac, mac.data(), kMacLen);
    AcfgCusFlashParam record{};
    std::memcpy(record.bt_mac, mac.data(), kMacLen);
    uAcfgCusFlashSet(IDX_BT_MAC, &record);
    uAcfgCusFlashGet(IDX_FLASH_WRITTEN, &record);
    if (record.flash_written != ACFG_CUS_FLASH_WRITTEN) {
        record.flash_written = ACFG_CUS_FLASH_WRITTEN;
        uAcfgCusFlashSet(IDX_FLASH_WRITTEN, &record);
    }
}
