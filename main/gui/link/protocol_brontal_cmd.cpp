// The phone app's received commands: get commands are answered at once with the same group and
// id, set commands become module events for the hub, which posts the GUI event that makes the
// change. The app speaks its own codes for sources, EQ modes, standby and screensaver times; the
// tables below convert them. All handlers run on slot 0's unpack thread.
#include "main/gui/link/protocol_brontal_cmd_priv.h"

#include "main/gui/link/wrapper_brontal.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/wrapper/wrapper_general.h"
#include "main/gui/wrapper/wrapper_music.h"

#include <cjson/cJSON.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#define BRONTAL_LOG(fmt, ...) WRAPPER_LOG_API("<BRONTAL>", fmt, ##__VA_ARGS__)
#define BRONTAL_ERR(fmt, ...) WRAPPER_LOG_ERR("<BRONTAL>", fmt, ##__VA_ARGS__)

const uint16_t gBrontalEqFreq[BRONTAL_EQ_BANDS] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

namespace {

// {device value, app value}; each table ends with its "unknown" pair.
struct ValueRow {
    uint8_t device;
    uint8_t app;
};

constexpr ValueRow kSrcTable[] = {{0, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 4}, {1, 5}, {0, 16}, {6, 17}};
constexpr ValueRow kStandbyTable[] = {{8, 0}, {0, 1}, {1, 2}, {2, 3}, {3, 6}, {4, 7}, {5, 8}, {6, 4}, {7, 5}, {9, 9}};
constexpr ValueRow kScreensaverTable[] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 4}};
constexpr ValueRow kEqModeTable[] = {{0, 2}, {1, 1}, {2, 6}, {3, 3}, {4, 4}, {5, 5}, {6, 7}, {7, 8}, {8, 9}};

// Minutes of the auto-standby codes 0 to 7; code 8 is never.
constexpr std::array<uint16_t, 8> kStandbyMinutes = {15, 30, 60, 240, 480, 720, 1440, 2880};
constexpr uint8_t kStandbyNever = 8;

constexpr uint8_t kAppEqStyleList = 7;
constexpr uint8_t kAppEqCustom = 8;
constexpr uint8_t kDeviceEqModeLastPreset = 5;
constexpr uint32_t kEqPointSize = 4;

// Usage categories: the JSON key, then the item keys (none for a single counter).
struct TrackingCategory {
    const char* key;
    uint8_t items;
    const char* const* itemKeys;
};

constexpr const char* kItems0To5[] = {"0", "1", "2", "3", "4", "5"};
constexpr const char* kItems1To8[] = {"1", "2", "3", "4", "5", "6", "7", "8"};
constexpr const char* kItemsM6To6[] = {"-6", "-5", "-4", "-3", "-2", "-1", "0", "1", "2", "3", "4", "5", "6"};
constexpr const char* kItemsM3To3[] = {"-3", "-2", "-1", "0", "1", "2", "3"};
constexpr const char* kItems0To3[] = {"0", "1", "2", "3"};
constexpr const char* kItems0To10[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
constexpr const char* kItems1To6[] = {"1", "2", "3", "4", "5", "6"};

constexpr TrackingCategory g_evt_track_inf[BRONTAL_TRACKING_CATEGORIES] = {
    {"1", 0, nullptr},  {"2", 0, nullptr},         {"3", 0, nullptr},         {"4", 6, kItems0To5},
    {"5", 0, nullptr},  {"6", 0, nullptr},         {"7", 0, nullptr},         {"8", 8, kItems1To8},
    {"9", 13, kItemsM6To6}, {"10", 13, kItemsM6To6}, {"11", 13, kItemsM6To6}, {"12", 13, kItemsM6To6},
    {"13", 7, kItemsM3To3}, {"14", 4, kItems0To3},   {"15", 11, kItems0To10}, {"16", 6, kItems1To6},
    {"18", 0, nullptr}, {"19", 0, nullptr},        {"20", 0, nullptr},
};

constexpr auto kTrackingPause = std::chrono::milliseconds(100);
constexpr uint32_t kTrackingHeadSize = 8;
constexpr uint32_t kTrackingCheckSize = 4;

// What the GUI hands down before the wrappers start.
std::atomic<BrontalGuiSettingGet> gGuiSettingGet{nullptr};
std::atomic<BrontalTrackingGet> gTrackingGet{nullptr};

template <size_t N>
int32_t convert(const ValueRow (&table)[N], uint8_t direction, uint8_t* device, uint8_t* app)
{
    if (device == nullptr || app == nullptr) {
        BRONTAL_ERR("Param Error!");
        return -1;
    }
    const ValueRow& end = table[N - 1];
    for (size_t i = 0; i + 1 < N; ++i) {
        if (direction == 1 && table[i].device == *device) {
            *app = table[i].app;
            return 0;
        }
        if (direction != 1 && table[i].app == *app) {
            *device = table[i].device;
            return 0;
        }
    }
    if (direction == 1) {
        *app = end.app;
    } else {
        *device = end.device;
    }
    return -1;
}

void evt(uint16_t event, const void* param = nullptr)
{
    const WirelessProtocolCbk cbk = g_protocol_brontal_db.rcvCbk;
    if (cbk != nullptr) {
        cbk(event, static_cast<const uint8_t*>(param));
    }
}

void reply(const BrontalPacket* pkt, uint16_t len, const uint8_t* payload)
{
    guiWrapperProtocolBrontalSndPacket(pkt->group, pkt->id, len, payload);
}

void replyByte(const BrontalPacket* pkt, uint8_t value)
{
    reply(pkt, 1, &value);
}

GuiWidgetSetting widgetSetting()
{
    GuiWidgetSetting w{};
    guiWrapperWidgetSettingGet(&w);
    return w;
}

void putU16(uint8_t* out, uint16_t v)
{
    out[0] = static_cast<uint8_t>(v & 0xFF);
    out[1] = static_cast<uint8_t>(v >> 8);
}

uint16_t getU16(const uint8_t* in)
{
    return static_cast<uint16_t>(in[0] | (in[1] << 8));
}

// A device value of more than a byte has no row in any table.
bool deviceToApp(int32_t (*scaler)(uint8_t, uint8_t*, uint8_t*), uint32_t device, uint8_t* app)
{
    if (device > 0xFF) {
        return false;
    }
    uint8_t d = static_cast<uint8_t>(device);
    return scaler(1, &d, app) == 0;
}

uint16_t minutesOf(uint8_t code)
{
    uint16_t minutes = 0;
    standby_time_pare_scaler(1, &code, &minutes);
    return minutes;
}

int32_t brontal_rcv_cbk_get_src(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    uint8_t app = 0;
    if (deviceToApp(guiWrapperProtocolBrontalSrcPareScaler, widgetSetting().aud_src, &app)) {
        replyByte(pkt, app);
    }
    return 0;
}

int32_t brontal_rcv_cbk_set_src(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    uint8_t app = pkt->payload[0];
    uint8_t device = 0;
    if (guiWrapperProtocolBrontalSrcPareScaler(0, &device, &app) != 0) {
        return 0;
    }
    if (device != widgetSetting().aud_src) {
        evt(10, &device);
    } else {
        replyByte(pkt, pkt->payload[0]);
    }
    return 0;
}

int32_t brontal_rcv_cbk_get_vol(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    replyByte(pkt, guiWrapperVolGet());
    return 0;
}

int32_t brontal_rcv_cbk_set_vol(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    if (pkt->payload[0] != guiWrapperVolGet()) {
        evt(13, pkt->payload);
    } else {
        replyByte(pkt, pkt->payload[0]);
    }
    return 0;
}

int32_t brontal_rcv_cbk_get_eq(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    std::array<uint32_t, sizeof(BrontalCusEq) / sizeof(uint32_t)> words{};
    guiWrapperMusicCusEqGet(words.data());
    BrontalCusEq eq{};
    std::memcpy(&eq, words.data(), sizeof(eq));
    BrontalPacket out{};
    guiWrapperProtocolBrontalEqGainPareScaler(1, &eq, &out);
    if (out.payload[0] > kAppEqStyleList - 1) {
        guiWrapperBrontalSndPacket(BRONTAL_GROUP_GET, 0x08, BRONTAL_EQ_PAYLOAD_SIZE, out.payload);
    } else {
        replyByte(pkt, out.payload[0]);
    }
    return 0;
}

int32_t brontal_rcv_cbk_set_eq(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    BrontalCusEq eq{};
    const uint8_t appMode = pkt->payload[0];
    if (appMode == kAppEqCustom || appMode == kAppEqStyleList) {
        std::array<uint8_t, sizeof(BrontalCusEq)> raw{};
        guiWrapperMusicCusEqPointGet(appMode == kAppEqStyleList ? 1 : 0, raw.data());
        std::memcpy(&eq, raw.data(), sizeof(eq));
    }
    BrontalPacket in = *pkt;
    guiWrapperProtocolBrontalEqGainPareScaler(0, &eq, &in);
    evt(15, &eq);
    return 0;
}

int32_t brontal_rcv_cbk_get_tone_vol(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    replyByte(pkt, widgetSetting().tone_vol);
    return 0;
}

int32_t brontal_rcv_cbk_set_tone_vol(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    evt(14, pkt->payload);
    return 0;
}

int32_t brontal_rcv_cbk_get_auto_standby_time(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    uint8_t app = 0;
    if (deviceToApp(guiWrapperProtocolBrontalStandbyPareScaler, widgetSetting().auto_standby, &app)) {
        replyByte(pkt, app);
    }
    return 0;
}

int32_t brontal_rcv_cbk_set_auto_standby_time(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    uint8_t app = pkt->payload[0];
    uint8_t device = 0;
    if (guiWrapperProtocolBrontalStandbyPareScaler(0, &device, &app) != 0) {
        return 0;
    }
    replyByte(pkt, pkt->payload[0]);
    evt(2, &device);
    return 0;
}

int32_t brontal_rcv_cbk_get_auto_screensaver_time(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    uint8_t app = 0;
    if (deviceToApp(guiWrapperProtocolBrontalScreensaverPareScaler, widgetSetting().auto_screensaver, &app)) {
        replyByte(pkt, app);
    }
    return 0;
}

int32_t brontal_rcv_cbk_set_auto_screensaver_time(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    uint8_t app = pkt->payload[0];
    uint8_t device = 0;
    if (guiWrapperProtocolBrontalScreensaverPareScaler(0, &device, &app) != 0) {
        return 0;
    }
    // The hub reads this event's parameter as a 16-bit value.
    const uint16_t param = device;
    evt(3, &param);
    return 0;
}

int32_t brontal_rcv_cbk_get_pwr_en(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    GuiWidgetSetting w{};
    const BrontalGuiSettingGet get = gGuiSettingGet.load();
    if (get != nullptr) {
        get(&w);
    }
    BRONTAL_LOG("is_pwr_on = %d", w.pwr_on);
    replyByte(pkt, w.pwr_on != 0 ? 1 : 0);
    return 0;
}

int32_t brontal_rcv_cbk_set_pwr_en(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    evt(pkt->payload[0] != 0 ? 0 : 1);
    return 0;
}

int32_t brontal_rcv_cbk_get_mute(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    replyByte(pkt, widgetSetting().mute_sts == 0 ? 1 : 0);
    return 0;
}

int32_t brontal_rcv_cbk_set_mute(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    const uint8_t mute = pkt->payload[0] == 0 ? 1 : 0;
    evt(12, &mute);
    return 0;
}

int32_t brontal_rcv_cbk_set_factory_reset(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    evt(85);
    return 0;
}

int32_t brontal_rcv_cbk_get_lcd_dimmer(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    replyByte(pkt, static_cast<uint8_t>(widgetSetting().lcd_dimmer_lvl & 0xFF));
    return 0;
}

int32_t brontal_rcv_cbk_get_led_dimmer(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    replyByte(pkt, static_cast<uint8_t>(widgetSetting().led_dimmer & 0xFF));
    return 0;
}

int32_t brontal_rcv_cbk_set_lcd_dimmer(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    evt(4, pkt->payload);
    return 0;
}

int32_t brontal_rcv_cbk_set_led_dimmer(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    evt(5, pkt->payload);
    return 0;
}

int32_t brontal_rcv_cbk_get_new_auto_standby_time(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    const uint32_t code = widgetSetting().auto_standby;
    std::array<uint8_t, 3 + 2 * (kStandbyMinutes.size() + 1)> out{};
    putU16(out.data(), code <= 0xFF ? minutesOf(static_cast<uint8_t>(code)) : 0);
    out[2] = static_cast<uint8_t>(kStandbyMinutes.size() + 1);
    putU16(out.data() + 3, 0);
    for (size_t i = 0; i < kStandbyMinutes.size(); ++i) {
        putU16(out.data() + 5 + 2 * i, kStandbyMinutes[i]);
    }
    reply(pkt, static_cast<uint16_t>(out.size()), out.data());
    return 0;
}

int32_t brontal_rcv_cbk_set_new_auto_standby_time(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    uint16_t minutes = getU16(pkt->payload);
    uint8_t code = 0;
    standby_time_pare_scaler(0, &code, &minutes);
    std::array<uint8_t, 2> out{};
    putU16(out.data(), minutesOf(code));
    reply(pkt, static_cast<uint16_t>(out.size()), out.data());
    evt(2, &code);
    return 0;
}

int32_t brontal_rcv_cbk_get_xupmix(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    uint8_t on = 0;
    guiWrapperWidgetXupmixGet(&on);
    replyByte(pkt, on);
    return 0;
}

int32_t brontal_rcv_cbk_set_xupmix(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    evt(95, pkt->payload);
    return 0;
}

int32_t brontal_rcv_cbk_get_tracking_num(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    const uint8_t out[2] = {BRONTAL_TRACKING_CATEGORIES, 0};
    reply(pkt, sizeof(out), out);
    return 0;
}

int32_t brontal_rcv_cbk_get_tracking_para(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    for (uint8_t i = 0; i < BRONTAL_TRACKING_CATEGORIES; ++i) {
        std::array<char, BRONTAL_TRACKING_TEXT_SIZE> text{};
        const int32_t len = guiWrapperProtocolBrontalGetTrackingstr(i, text.data());
        if (len >= 0) {
            guiWrapperProtocolBrontalSndTrackingstr(pkt, i, text.data(), static_cast<uint32_t>(len));
        }
    }
    return 0;
}

int32_t brontal_rcv_cbk_clr_tracking(const BrontalPacket* pkt, uint32_t, uint32_t)
{
    if (pkt == nullptr) {
        return -1;
    }
    evt(97);
    return 0;
}

uint32_t trackingGet(uint32_t category, uint8_t item)
{
    const BrontalTrackingGet get = gTrackingGet.load();
    return get != nullptr ? get(category, item) : 0;
}

struct JsonFree {
    void operator()(cJSON* j) const { cJSON_Delete(j); }
};
struct TextFree {
    void operator()(char* t) const { cJSON_free(t); }
};

}  // namespace

const ProtocolBrontalCmdEntry gBrontalCmdTable[BRONTAL_CMD_ROWS + 1] = {
    {BRONTAL_GROUP_GET, 0x01, nullptr},
    {BRONTAL_GROUP_GET, 0x06, brontal_rcv_cbk_get_src},
    {BRONTAL_GROUP_GET, 0x07, brontal_rcv_cbk_get_vol},
    {BRONTAL_GROUP_GET, 0x08, brontal_rcv_cbk_get_eq},
    {BRONTAL_GROUP_GET, 0x0A, brontal_rcv_cbk_get_tone_vol},
    {BRONTAL_GROUP_GET, 0x0B, brontal_rcv_cbk_get_auto_standby_time},
    {BRONTAL_GROUP_GET, 0x0C, brontal_rcv_cbk_get_auto_screensaver_time},
    {BRONTAL_GROUP_GET, 0x0D, brontal_rcv_cbk_get_pwr_en},
    {BRONTAL_GROUP_GET, 0x0E, brontal_rcv_cbk_get_mute},
    {BRONTAL_GROUP_GET, 0x0F, brontal_rcv_cbk_get_lcd_dimmer},
    {BRONTAL_GROUP_GET, 0x10, brontal_rcv_cbk_get_led_dimmer},
    {BRONTAL_GROUP_GET, 0x17, brontal_rcv_cbk_get_new_auto_standby_time},
    {BRONTAL_GROUP_GET, 0x18, brontal_rcv_cbk_get_xupmix},
    {BRONTAL_GROUP_SET, 0x01, nullptr},
    {BRONTAL_GROUP_SET, 0x02, brontal_rcv_cbk_set_src},
    {BRONTAL_GROUP_SET, 0x03, brontal_rcv_cbk_set_vol},
    {BRONTAL_GROUP_SET, 0x04, brontal_rcv_cbk_set_eq},
    {BRONTAL_GROUP_SET, 0x06, brontal_rcv_cbk_set_tone_vol},
    {BRONTAL_GROUP_SET, 0x07, brontal_rcv_cbk_set_auto_standby_time},
    {BRONTAL_GROUP_SET, 0x08, brontal_rcv_cbk_set_auto_screensaver_time},
    {BRONTAL_GROUP_SET, 0x09, brontal_rcv_cbk_set_pwr_en},
    {BRONTAL_GROUP_SET, 0x0A, brontal_rcv_cbk_set_mute},
    {BRONTAL_GROUP_SET, 0x0B, brontal_rcv_cbk_set_factory_reset},
    {BRONTAL_GROUP_SET, 0x0C, brontal_rcv_cbk_set_lcd_dimmer},
    {BRONTAL_GROUP_SET, 0x0E, brontal_rcv_cbk_set_led_dimmer},
    {BRONTAL_GROUP_SET, 0x15, brontal_rcv_cbk_set_new_auto_standby_time},
    {BRONTAL_GROUP_SET, 0x16, brontal_rcv_cbk_set_xupmix},
    {BRONTAL_GROUP_TRACKING, 0x01, brontal_rcv_cbk_get_tracking_num},
    {BRONTAL_GROUP_TRACKING, 0x02, brontal_rcv_cbk_get_tracking_para},
    {BRONTAL_GROUP_TRACKING, 0x03, brontal_rcv_cbk_clr_tracking},
    {0, 0, nullptr},
};

void guiWrapperProtocolBrontalGuiGetRegister(BrontalGuiSettingGet settingGet, BrontalTrackingGet trackingGet)
{
    gGuiSettingGet = settingGet;
    gTrackingGet = trackingGet;
}

int32_t guiWrapperProtocolBrontalSrcPareScaler(uint8_t direction, uint8_t* device, uint8_t* app)
{
    return convert(kSrcTable, direction, device, app);
}

int32_t guiWrapperProtocolBrontalStandbyPareScaler(uint8_t direction, uint8_t* device, uint8_t* app)
{
    return convert(kStandbyTable, direction, device, app);
}

int32_t guiWrapperProtocolBrontalScreensaverPareScaler(uint8_t direction, uint8_t* device, uint8_t* app)
{
    return convert(kScreensaverTable, direction, device, app);
}

int32_t guiWrapperProtocolBrontalEqModePareScaler(uint8_t direction, uint8_t* device, uint8_t* app)
{
    return convert(kEqModeTable, direction, device, app);
}

void standby_time_pare_scaler(uint8_t direction, uint8_t* code, uint16_t* minutes)
{
    if (code == nullptr || minutes == nullptr) {
        BRONTAL_ERR("Param Error!");
        return;
    }
    if (direction == 1) {
        *minutes = *code < kStandbyMinutes.size() ? kStandbyMinutes[*code] : 0;
        return;
    }
    const auto* at = std::find(kStandbyMinutes.begin(), kStandbyMinutes.end(), *minutes);
    *code = at != kStandbyMinutes.end() ? static_cast<uint8_t>(at - kStandbyMinutes.begin()) : kStandbyNever;
}

void guiWrapperProtocolBrontalEqGainPareScaler(uint8_t direction, BrontalCusEq* eq, BrontalPacket* pkt)
{
    if (eq == nullptr || pkt == nullptr) {
        BRONTAL_ERR("Param Error!");
        return;
    }
    if (direction == 1) {
        uint8_t device = eq->mode <= 0xFF ? static_cast<uint8_t>(eq->mode) : 0xFF;
        uint8_t app = 0;
        guiWrapperProtocolBrontalEqModePareScaler(1, &device, &app);
        pkt->payload[0] = app;
        pkt->len = 1;
        if (eq->mode > kDeviceEqModeLastPreset) {
            for (uint32_t i = 0; i < BRONTAL_EQ_BANDS; ++i) {
                uint8_t* at = pkt->payload + 1 + kEqPointSize * i;
                putU16(at, eq->band[i].freq);
                putU16(at + 2, static_cast<uint16_t>(eq->band[i].gain));
            }
            pkt->len = BRONTAL_EQ_PAYLOAD_SIZE;
        }
        return;
    }
    uint8_t app = pkt->payload[0];
    uint8_t device = 0;
    guiWrapperProtocolBrontalEqModePareScaler(0, &device, &app);
    eq->mode = device;
    for (uint32_t i = 0; i < BRONTAL_EQ_BANDS; ++i) {
        eq->band[i].freq = gBrontalEqFreq[i];
    }
    if (pkt->len <= 1) {
        return;
    }
    const uint32_t count = (pkt->len - 1U) / kEqPointSize;
    if (count > BRONTAL_EQ_BANDS) {
        BRONTAL_ERR("error:cnt = %d!!!", static_cast<int>(count));
        return;
    }
    for (uint32_t p = 0; p < count; ++p) {
        const uint8_t* at = pkt->payload + 1 + kEqPointSize * p;
        const uint16_t freq = getU16(at);
        const auto gain = static_cast<int16_t>(getU16(at + 2));
        if (count == BRONTAL_EQ_BANDS) {
            eq->band[p].gain = gain;
            continue;
        }
        for (uint32_t i = 0; i < BRONTAL_EQ_BANDS; ++i) {
            if (eq->band[i].freq == freq) {
                eq->band[i].gain = gain;
                break;
            }
        }
    }
}

void DspEqAnaly2BrontalEq(uint8_t out[BRONTAL_EQ_PAYLOAD_SIZE], const BrontalCusEq* eq)
{
    if (out == nullptr || eq == nullptr) {
        BRONTAL_ERR("Param Error!");
        return;
    }
    out[0] = static_cast<uint8_t>(eq->mode & 0xFF);
    for (uint32_t i = 0; i < BRONTAL_EQ_BANDS; ++i) {
        uint8_t* at = out + 1 + kEqPointSize * i;
        putU16(at, eq->band[i].freq);
        putU16(at + 2, static_cast<uint16_t>(eq->band[i].gain));
    }
    for (uint32_t i = 0; i < BRONTAL_EQ_PAYLOAD_SIZE; ++i) {
        BRONTAL_LOG("eq data[%d] %02x", static_cast<int>(i), out[i]);
    }
}

int32_t guiWrapperProtocolBrontalGetTrackingstr(uint8_t index, char out[BRONTAL_TRACKING_TEXT_SIZE])
{
    if (out == nullptr || index >= BRONTAL_TRACKING_CATEGORIES) {
        BRONTAL_ERR("Param Error!");
        return -1;
    }
    const TrackingCategory& cat = g_evt_track_inf[index];
    std::unique_ptr<cJSON, JsonFree> root(cJSON_CreateObject());
    if (root == nullptr) {
        BRONTAL_ERR("bt_json_status null.");
        return -1;
    }
    if (cat.items == 0) {
        if (cJSON_AddNumberToObject(root.get(), cat.key, trackingGet(index, 0)) == nullptr) {
            BRONTAL_ERR("bt_json_status null.");
            return -1;
        }
    } else {
        cJSON* items = cJSON_AddObjectToObject(root.get(), cat.key);
        if (items == nullptr) {
            BRONTAL_ERR("bt_json_status null.");
            return -1;
        }
        for (uint8_t i = 0; i < cat.items; ++i) {
            if (cJSON_AddNumberToObject(items, cat.itemKeys[i], trackingGet(index, i)) == nullptr) {
                BRONTAL_ERR("bt_json_status null.");
                return -1;
            }
        }
    }
    std::unique_ptr<char, TextFree> text(cJSON_Print(root.get()));
    if (text == nullptr) {
        BRONTAL_ERR("=== cjson null.");
        return -1;
    }
    // Line feeds and tabs are left out; a text that still does not fit is cut, never overrun.
    uint32_t n = 0;
    for (const char* c = text.get(); *c != '\0'; ++c) {
        if (*c == '\n' || *c == '\t') {
            continue;
        }
        if (n + 1 >= BRONTAL_TRACKING_TEXT_SIZE) {
            BRONTAL_ERR("tracking text of category %d cut at %d bytes", index, static_cast<int>(n));
            break;
        }
        out[n++] = *c;
    }
    out[n] = '\0';
    return static_cast<int32_t>(n);
}

void guiWrapperProtocolBrontalSndTrackingstr(const BrontalPacket* req, uint8_t index, const char* text, uint32_t len)
{
    if (text == nullptr) {
        BRONTAL_ERR("Error: string pointer is null.");
        return;
    }
    if (req == nullptr || len == 0) {
        BRONTAL_ERR("Param Error!");
        return;
    }
    const uint32_t count = len / BRONTAL_TRACKING_CHUNK + (len % BRONTAL_TRACKING_CHUNK != 0 ? 1 : 0);
    for (uint32_t number = 0; number < count; ++number) {
        const uint32_t from = number * BRONTAL_TRACKING_CHUNK;
        const uint32_t chunk = std::min(BRONTAL_TRACKING_CHUNK, len - from);
        std::array<uint8_t, kTrackingHeadSize + BRONTAL_TRACKING_CHUNK + kTrackingCheckSize> out{};
        out[0] = index;
        out[1] = 0;
        putU16(out.data() + 2, static_cast<uint16_t>(count));
        putU16(out.data() + 4, static_cast<uint16_t>(number));
        putU16(out.data() + 6, static_cast<uint16_t>(chunk));
        std::memcpy(out.data() + kTrackingHeadSize, text + from, chunk);
        std::array<unsigned char, EVP_MAX_MD_SIZE> md{};
        unsigned int mdLen = 0;
        if (EVP_Digest(text + from, chunk, md.data(), &mdLen, EVP_md5(), nullptr) != 1 || mdLen != 16) {
            BRONTAL_ERR("md5 failed!");
            return;
        }
        char hex[33] = {};
        for (unsigned int i = 0; i < mdLen; ++i) {
            std::snprintf(hex + 2 * i, 3, "%02x", md[i]);
        }
        BRONTAL_LOG("=== md5:%s", hex);
        std::memcpy(out.data() + kTrackingHeadSize + chunk, md.data() + 12, kTrackingCheckSize);
        reply(req, static_cast<uint16_t>(kTrackingHeadSize + chunk + kTrackingCheckSize), out.data());
        std::this_thread::sleep_for(kTrackingPause);
    }
}
