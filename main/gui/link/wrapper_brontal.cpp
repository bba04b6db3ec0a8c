#include "main/gui/link/wrapper_brontal.h"

#include "main/gui/link/protocol_brontal.h"
#include "main/gui/link/wireless_drv.h"
#include "main/gui/link/wireless_protocol.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/wrapper/wrapper_music.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#define BRONTAL_LOG(fmt, ...) WRAPPER_LOG_API("<BRONTAL>", fmt, ##__VA_ARGS__)
#define BRONTAL_ERR(fmt, ...) WRAPPER_LOG_ERR("<BRONTAL>", fmt, ##__VA_ARGS__)

namespace {

// Set commands the soundbar reports with.
enum BrontalSetId : uint8_t {
    BRONTAL_ID_SRC = 0x02,
    BRONTAL_ID_VOL = 0x03,
    BRONTAL_ID_EQ = 0x04,
    BRONTAL_ID_TONE_VOL = 0x06,
    BRONTAL_ID_AUTO_STANDBY = 0x07,
    BRONTAL_ID_AUTO_SCREENSAVER = 0x08,
    BRONTAL_ID_PWR_EN = 0x09,
    BRONTAL_ID_MUTE = 0x0A,
    BRONTAL_ID_FACTORY_RESET = 0x0B,
    BRONTAL_ID_LCD_DIMMER = 0x0C,
    BRONTAL_ID_LED_DIMMER = 0x0E,
    BRONTAL_ID_XUPMIX = 0x16,
};
constexpr uint8_t kTrackingClr = 0x03;

// The mute report waits for the app to take it before the caller goes on to the speakers; the
// EQ curve waits for the music wrapper to settle on it.
constexpr auto kMutePause = std::chrono::milliseconds(20);
constexpr auto kCusEqPause = std::chrono::milliseconds(100);

// {0xBB, length low, length high, group, id}
constexpr uint32_t kHubHeadSize = 5;

std::atomic<uint8_t> gGuiWrapperBrontalThisObj{0};

int32_t sendByte(uint8_t id, uint8_t value)
{
    return guiWrapperBrontalSndPacket(BRONTAL_GROUP_SET, id, 1, &value);
}

}  // namespace

void guiWrapperBrontalInit(void)
{
    BRONTAL_LOG("*************begin ");
    uint8_t expected = 0;
    gGuiWrapperBrontalThisObj.compare_exchange_strong(expected, 1);
    BRONTAL_LOG("*************end ");
}

void guiWrapperBrontalExit(void)
{
    BRONTAL_LOG("*************begin ");
    gGuiWrapperBrontalThisObj = 0;
    BRONTAL_LOG("*************end ");
}

int32_t guiWrapperBrontalSndPacket(uint8_t group, uint8_t id, uint8_t len, const uint8_t* payload)
{
    if (len > BRONTAL_SND_PAYLOAD_MAX || (payload == nullptr && len != 0)) {
        BRONTAL_ERR("Param Error!");
        return -1;
    }
    std::array<uint8_t, kHubHeadSize + BRONTAL_SND_PAYLOAD_MAX> msg{};
    msg[0] = BRONTAL_HEAD_SND;
    msg[1] = len;
    msg[2] = 0;
    msg[3] = group;
    msg[4] = id;
    if (len != 0) {
        std::memcpy(msg.data() + kHubHeadSize, payload, len);
    }
    guiWrapperWirelessProtocolPacketSnd(WIRELESS_DEV_E_ATS2853, msg.data(), kHubHeadSize + len);
    return 0;
}

int32_t guiWrapperTrackingReset(uint32_t)
{
    const uint8_t one = 1;
    return guiWrapperBrontalSndPacket(BRONTAL_GROUP_TRACKING, kTrackingClr, 1, &one);
}

int32_t guiWrapperBrontalPowerOn(uint32_t)
{
    return sendByte(BRONTAL_ID_PWR_EN, 1);
}

int32_t guiWrapperBrontalPowerOff(uint32_t)
{
    return sendByte(BRONTAL_ID_PWR_EN, 0);
}

int32_t guiWrapperBrontalFactoryReset(uint32_t)
{
    return sendByte(BRONTAL_ID_FACTORY_RESET, 1);
}

int32_t guiWrapperBrontalLcdDimmerSet(const uint32_t* level)
{
    if (level == nullptr) {
        BRONTAL_ERR("Param Error!");
        return -1;
    }
    return sendByte(BRONTAL_ID_LCD_DIMMER, static_cast<uint8_t>(*level & 0xFF));
}

int32_t guiWrapperBrontalLedDimmerSet(const uint8_t* level)
{
    if (level == nullptr) {
        BRONTAL_ERR("Param Error!");
        return -1;
    }
    return sendByte(BRONTAL_ID_LED_DIMMER, *level);
}

int32_t guiWrapperBrontalManualSrcInSet(const uint8_t* src)
{
    if (src == nullptr) {
        BRONTAL_ERR("Param Error!");
        return -1;
    }
    uint8_t device = *src;
    uint8_t app = 0;
    BRONTAL_LOG("dsp src= %d", device);
    if (guiWrapperProtocolBrontalSrcPareScaler(1, &device, &app) != 0) {
        return -1;
    }
    BRONTAL_LOG("app src = %d", app);
    return sendByte(BRONTAL_ID_SRC, app);
}

int32_t guiWrapperBrontalMuteSet(const uint8_t* mute)
{
    if (mute == nullptr) {
        BRONTAL_ERR("Param Error!");
        return -1;
    }
    const int32_t ret = sendByte(BRONTAL_ID_MUTE, *mute == 0 ? 1 : 0);
    std::this_thread::sleep_for(kMutePause);
    return ret;
}

int32_t guiWrapperBrontalVolSet(const uint8_t* vol)
{
    if (vol == nullptr) {
        BRONTAL_ERR("Param Error!");
        return -1;
    }
    return sendByte(BRONTAL_ID_VOL, *vol);
}

int32_t guiWrapperBrontalXupmixSet(const uint8_t* on)
{
    if (on == nullptr) {
        BRONTAL_ERR("Param Error!");
        return -1;
    }
    return sendByte(BRONTAL_ID_XUPMIX, *on);
}

int32_t guiWrapperBrontalEqSet(const uint8_t* eqMode)
{
    if (eqMode == nullptr) {
        BRONTAL_ERR("Param Error!");
        return -1;
    }
    uint8_t device = *eqMode;
    uint8_t app = 0;
    // An unknown mode goes out as the app's unknown value, 9.
    guiWrapperProtocolBrontalEqModePareScaler(1, &device, &app);
    return sendByte(BRONTAL_ID_EQ, app);
}

int32_t guiWrapperBrontalCusEqPointSet(const void*)
{
    std::array<uint32_t, sizeof(BrontalCusEq) / sizeof(uint32_t)> words{};
    guiWrapperMusicCusEqGet(words.data());
    BrontalCusEq eq{};
    std::memcpy(&eq, words.data(), sizeof(eq));
    BrontalPacket pkt{};
    guiWrapperProtocolBrontalEqGainPareScaler(1, &eq, &pkt);
    std::this_thread::sleep_for(kCusEqPause);
    return guiWrapperBrontalSndPacket(BRONTAL_GROUP_SET, BRONTAL_ID_EQ, BRONTAL_EQ_PAYLOAD_SIZE, pkt.payload);
}

int32_t guiWrapperBrontalToneVolSet(uint32_t level)
{
    BRONTAL_LOG("tone_vol = %d", static_cast<int>(level));
    return sendByte(BRONTAL_ID_TONE_VOL, static_cast<uint8_t>(level & 0xFF));
}

int32_t guiWrapperBrontalAutoStandbySet(const uint8_t* code)
{
    if (code == nullptr) {
        BRONTAL_ERR("Param Error!");
        return -1;
    }
    uint8_t device = *code;
    uint8_t app = 0;
    if (guiWrapperProtocolBrontalStandbyPareScaler(1, &device, &app) != 0) {
        return -1;
    }
    return sendByte(BRONTAL_ID_AUTO_STANDBY, app);
}

int32_t guiWrapperBrontalAutoScreensaverSet(const uint8_t* setting)
{
    if (setting == nullptr) {
        BRONTAL_ERR("Param Error!");
        return -1;
    }
    uint8_t device = *setting;
    uint8_t app = 0;
    BRONTAL_LOG("auto screensaver = %d", device);
    if (guiWrapperProtocolBrontalScreensaverPareScaler(1, &device, &app) != 0) {
        return -1;
    }
    BRONTAL_LOG("app auto screensaver = %d", app);
    return sendByte(BRONTAL_ID_AUTO_SCREENSAVER, app);
}
