// The Bluetooth module's received commands: each handler updates the module's status record,
// hands a touch key to the key callback, answers the module, or raises a module event through the
// receive callback. All run on slot 0's unpack thread.
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/link/protocol_ats2853_cmd_priv.h"
#include "main/gui/wrapper/wrapper_bt.h"
#include "main/gui/wrapper/wrapper_general.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#define ATS2853_LOG(fmt, ...) WRAPPER_LOG_API("<ATS2853>", fmt, ##__VA_ARGS__)

namespace {

constexpr uint8_t kBtCmdVersion = 0x8F;
constexpr uint8_t kBtCmdVersionAll = 0x06;
constexpr size_t kVerTextSize = 50;
constexpr size_t kVerReplySize = 12;
constexpr size_t kMacEvtSize = 8;  // the MAC and the two bytes after it in the record

enum BtSts : uint32_t { BT_STS_PAIRING = 2, BT_STS_RECONNECTING = 3, BT_STS_CONNECTED = 4 };

ProtocolAts2853Db& db()
{
    return g_protocol_ats2853_db;
}

void evt(uint16_t event, const uint8_t* param = nullptr)
{
    const WirelessProtocolCbk cbk = db().rcvCbk;
    if (cbk != nullptr) {
        cbk(event, param);
    }
}

template <uint16_t Event>
int32_t evtOnly(const Ats2853Packet*, uint32_t, uint32_t)
{
    evt(Event);
    return 0;
}

// Events whose parameter is the payload itself.
template <uint16_t Event>
int32_t evtData(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    evt(Event, pkt->payload);
    return 0;
}

int32_t todo(const Ats2853Packet*, uint32_t, uint32_t)
{
    ATS2853_LOG("todo");
    return 0;
}

int32_t ats2853_rcv_cbk_phone_connected(const Ats2853Packet*, uint32_t, uint32_t)
{
    db().bt_sts = BT_STS_CONNECTED;
    evt(28);
    return 0;
}

int32_t ats2853_rcv_cbk_enter_pairing(const Ats2853Packet*, uint32_t, uint32_t)
{
    db().bt_sts = BT_STS_PAIRING;
    evt(26);
    return 0;
}

int32_t ats2853_rcv_cbk_phone_disconnect(const Ats2853Packet*, uint32_t, uint32_t)
{
    db().bt_sts = BT_STS_PAIRING;
    evt(27);
    return 0;
}

int32_t ats2853_rcv_cbk_bt_music_sts(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    const uint8_t sts = pkt->payload[0];
    ATS2853_LOG("data: %d", sts);
    if (sts == 0) {
        db().play_sts = 0;
        evt(29);
        ATS2853_LOG("status: pause");
    } else if (sts == 1) {
        db().play_sts = 1;
        evt(30);
        ATS2853_LOG("status: play");
    } else {
        ATS2853_LOG("status: unknown");
    }
    return 0;
}

int32_t ats2853_rcv_cbk_todo(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    ATS2853_LOG("func = 0x%x, cmd = 0x%x", pkt->group, pkt->id);
    return 0;
}

int32_t ats2853_rcv_cbk_set_upg_progress(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    // The first report after start always goes out.
    static uint16_t lastPercent = 255;
    const uint16_t percent = pkt->payload[0];
    ATS2853_LOG("upgrade percent = %d", percent);
    if (percent != lastPercent) {
        evt(34, reinterpret_cast<const uint8_t*>(&percent));
        lastPercent = percent;
    }
    return 0;
}

int32_t ats2853_rcv_cbk_set_upg_status(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    ATS2853_LOG("upgrade status: %d", pkt->payload[0]);
    evt(35, pkt->payload);
    return 0;
}

int32_t ats2853_rcv_cbk_set_upg_err_code(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    ATS2853_LOG("upgrade err: %d", pkt->payload[0]);
    evt(36, pkt->payload);
    return 0;
}

// The name goes to the GUI by value (the whole 14-byte field), so a later frame cannot change it
// under the GUI.
int32_t ats2853_rcv_cbk_set_hdmi_cec_name(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    std::array<char, ATS2853_CEC_NAME_LEN> name{};
    const size_t n = std::min<size_t>(pkt->len - ATS2853_FRAME_MIN, name.size());
    std::memcpy(name.data(), pkt->payload, n);
    name.back() = '\0';
    std::memcpy(db().cec_name, name.data(), name.size());
    evt(59, reinterpret_cast<const uint8_t*>(name.data()));
    return 0;
}

int32_t ats2853_rcv_cbk_report_usb_ctrl_idx(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    ATS2853_LOG("usb_conn: %d", pkt->payload[0]);
    return 0;
}

int32_t ats2853_rcv_cbk_pdt_eq_set(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    ATS2853_LOG("eq_mode = %d", pkt->payload[0]);
    evt(77, pkt->payload);
    return 0;
}

int32_t ats2853_rcv_cbk_pdt_lcd_str_set(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    uint8_t value = pkt->payload[0];
    if (value == 1) {
        value = 0;
    } else if (value == 2) {
        value = 1;
    }
    ATS2853_LOG("led_disp = %d", value);
    evt(80, &value);
    return 0;
}

int32_t ats2853_rcv_cbk_pdt_lcd_dimmer_set(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    uint8_t value = pkt->payload[0];
    if (value == 6) {
        value = 3;
    }
    ATS2853_LOG("lcd_dimmer = %d", value);
    evt(79, &value);
    return 0;
}

int32_t ats2853_rcv_cbk_usb_music_play_mode_set(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    ATS2853_LOG("play_mode = %d", pkt->payload[0]);
    evt(21, pkt->payload);
    return 0;
}

int32_t ats2853_rcv_cbk_report_reconnect_sts(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    ATS2853_LOG("reconnect: %d", pkt->payload[0]);
    db().bt_sts = pkt->payload[0] != 0 ? BT_STS_RECONNECTING : BT_STS_PAIRING;
    return 0;
}

int32_t ats2853_rcv_cbk_pdt_reboot(const Ats2853Packet*, uint32_t, uint32_t)
{
    ATS2853_LOG("reboot ...");
    evt(88);
    return 0;
}

int32_t ats2853_rcv_cbk_get_all_version(const Ats2853Packet*, uint32_t, uint32_t)
{
    std::array<char, kVerTextSize> text{};
    guiWrapperWidgetDspVerRead(text.data());
    std::array<uint8_t, kVerReplySize> reply{};
    const auto at = [&text](size_t i) { return static_cast<uint8_t>(text[i]); };
    reply[1] = at(2);
    reply[2] = at(3);
    reply[3] = at(6);
    reply[4] = at(7);
    reply[5] = at(8);
    reply[7] = at(22);
    reply[8] = at(23);
    reply[10] = at(27);
    reply[11] = at(28);
    char line[kVerReplySize * 5 + 1] = {};
    size_t used = 0;
    for (uint8_t b : reply) {
        used += static_cast<size_t>(snprintf(line + used, sizeof(line) - used, "0x%02x ", b));
    }
    ATS2853_LOG("%s", line);
    guiWrapperBtSndPacket(kBtCmdVersion, kBtCmdVersionAll, static_cast<uint8_t>(reply.size()), reply.data());
    return 0;
}

int32_t ats2853_rcv_cbk_pdt_5p8g_pair_set(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    if (pkt->payload[0] != 0) {
        evt(82);
    }
    return 0;
}

int32_t ats2853_rcv_cbk_key_process(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    db().key_value = pkt->id;
    db().key_type = pkt->payload[0];
    ATS2853_LOG("value: 0x%02x, type: 0x%02x", pkt->id, pkt->payload[0]);
    const WirelessProtocolKeyCbk cbk = db().keyCbk;
    if (cbk != nullptr) {
        cbk(db().key_type, db().key_value);
    }
    return 0;
}

int32_t ats2853_rcv_cbk_get_play_sts(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    const uint8_t sts = pkt->payload[0];
    if (sts == 0) {
        db().play_sts = 0;
        ATS2853_LOG("pause status");
    } else if (sts == 1) {
        db().play_sts = 1;
        ATS2853_LOG("play status");
    } else {
        ATS2853_LOG("bt is not link");
    }
    return 0;
}

int32_t ats2853_rcv_cbk_get_bt_version(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    db().bt_version = pkt->payload[0];
    ATS2853_LOG("bt version: 0x%02x", db().bt_version);
    return 0;
}

int32_t ats2853_rcv_cbk_get_bt_mac_addr(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    std::memcpy(db().mac, pkt->payload, sizeof(db().mac));
    const uint8_t* m = db().mac;
    ATS2853_LOG("MAC: %02x %02x %02x %02x %02x %02x", m[0], m[1], m[2], m[3], m[4], m[5]);
    std::array<uint8_t, kMacEvtSize> mac{};
    std::memcpy(mac.data(), reinterpret_cast<const uint8_t*>(&db()) + offsetof(ProtocolAts2853Db, mac), mac.size());
    evt(37, mac.data());
    return 0;
}

int32_t ats2853_rcv_cbk_get_touch_version(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    db().touch_version = pkt->payload[0];
    ATS2853_LOG("touch version: 0x%02x", db().touch_version);
    return 0;
}

int32_t ats2853_rcv_cbk_report_le_aud_pwr_sts(const Ats2853Packet* pkt, uint32_t, uint32_t)
{
    db().le_aud_pwr_sts = pkt->payload[0];
    return 0;
}

constexpr auto ats2853_rcv_cbk_set_vol = evtData<33>;
constexpr auto ats2853_rcv_cbk_pdt_erp = evtOnly<69>;
constexpr auto ats2853_rcv_cbk_pdt_bt = evtOnly<60>;
constexpr auto ats2853_rcv_cbk_pdt_aux = evtOnly<61>;
constexpr auto ats2853_rcv_cbk_pdt_opt = evtOnly<62>;
constexpr auto ats2853_rcv_cbk_pdt_coax = evtOnly<63>;
constexpr auto ats2853_rcv_cbk_pdt_arc = evtOnly<64>;
constexpr auto ats2853_rcv_cbk_pdt_uhost = evtOnly<65>;
constexpr auto ats2853_rcv_cbk_pdt_hdmi = evtOnly<66>;
constexpr auto ats2853_rcv_cbk_pwr_off = evtOnly<73>;
constexpr auto ats2853_rcv_cbk_set_sales_country = evtData<68>;
constexpr auto ats2853_rcv_cbk_pdt_vfd = evtOnly<71>;
constexpr auto ats2853_rcv_cbk_read_dsp_ver = evtOnly<75>;
constexpr auto ats2853_rcv_cbk_read_hdmi_ver = evtOnly<76>;
constexpr auto ats2853_rcv_cbk_read_touch_ver = todo;
constexpr auto ats2853_rcv_cbk_pdt_vol_set = evtData<72>;
constexpr auto ats2853_rcv_cbk_pdt_music_usb_play = evtOnly<22>;
constexpr auto ats2853_rcv_cbk_pdt_music_usb_pause = evtOnly<23>;
constexpr auto ats2853_rcv_cbk_pdt_music_usb_prev = evtOnly<24>;
constexpr auto ats2853_rcv_cbk_pdt_music_usb_next = evtOnly<25>;
constexpr auto ats2853_rcv_cbk_pdt_music_bt_play = evtOnly<38>;
constexpr auto ats2853_rcv_cbk_pdt_music_bt_pause = evtOnly<39>;
constexpr auto ats2853_rcv_cbk_pdt_music_bt_prev = evtOnly<40>;
constexpr auto ats2853_rcv_cbk_pdt_music_bt_next = evtOnly<41>;
constexpr auto ats2853_rcv_cbk_pdt_rx_led_set = evtData<78>;
constexpr auto ats2853_rcv_cbk_pdt_factory_reset = evtOnly<85>;
constexpr auto ats2853_rcv_cbk_set_bypass = evtOnly<81>;
constexpr auto ats2853_rcv_cbk_get_uuid = evtOnly<86>;
constexpr auto ats2853_rcv_cbk_set_uuid = evtData<87>;
constexpr auto ats2853_rcv_cbk_get_connect_state = evtOnly<9>;
constexpr auto ats2853_rcv_cbk_pcba_mode_enter = evtOnly<67>;
constexpr auto ats2853_rcv_cbk_inquire_src = todo;
constexpr auto ats2853_rcv_cbk_inquire_vol = todo;
constexpr auto ats2853_rcv_cbk_inquire_mute_sts = todo;
constexpr auto ats2853_rcv_cbk_inquire_play_sts = todo;
constexpr auto ats2853_rcv_cbk_pdt_inquire_dsp_ver = todo;
constexpr auto ats2853_rcv_cbk_pdt_inquire_key = todo;
constexpr auto ats2853_rcv_cbk_pdt_inquire_vfd = todo;
constexpr auto ats2853_rcv_cbk_pdt_inquire_exit = todo;
constexpr auto ats2853_rcv_cbk_get_bt_vol = todo;

}  // namespace

const ProtocolCmdEntry gAts2853CmdTable[ATS2853_CMD_ROWS + 1] = {
    {0x21, 0x02, ats2853_rcv_cbk_phone_connected},
    {0x21, 0x04, ats2853_rcv_cbk_enter_pairing},
    {0x21, 0x03, ats2853_rcv_cbk_phone_disconnect},
    {0x21, 0x05, ats2853_rcv_cbk_phone_disconnect},
    {0x21, 0x07, ats2853_rcv_cbk_set_vol},
    {0x21, 0x0E, ats2853_rcv_cbk_bt_music_sts},
    {0x21, 0xAA, ats2853_rcv_cbk_todo},
    {0x21, 0x01, ats2853_rcv_cbk_pdt_erp},
    {0x21, 0x08, ats2853_rcv_cbk_pdt_bt},
    {0x21, 0x09, ats2853_rcv_cbk_pdt_aux},
    {0x21, 0x0A, ats2853_rcv_cbk_pdt_opt},
    {0x21, 0x0B, ats2853_rcv_cbk_pdt_coax},
    {0x21, 0x0C, ats2853_rcv_cbk_pdt_arc},
    {0x21, 0x0D, ats2853_rcv_cbk_pdt_uhost},
    {0x21, 0x14, ats2853_rcv_cbk_pdt_hdmi},
    {0x21, 0x15, ats2853_rcv_cbk_pwr_off},
    {0x21, 0x16, ats2853_rcv_cbk_set_sales_country},
    {0x21, 0x0F, ats2853_rcv_cbk_pdt_vfd},
    {0x21, 0x10, ats2853_rcv_cbk_read_dsp_ver},
    {0x21, 0x11, ats2853_rcv_cbk_read_hdmi_ver},
    {0x21, 0x12, ats2853_rcv_cbk_read_touch_ver},
    {0x21, 0x17, ats2853_rcv_cbk_set_upg_progress},
    {0x21, 0x18, ats2853_rcv_cbk_set_upg_status},
    {0x21, 0x19, ats2853_rcv_cbk_set_upg_err_code},
    {0x21, 0x1A, ats2853_rcv_cbk_set_hdmi_cec_name},
    {0x21, 0x1B, ats2853_rcv_cbk_pdt_vol_set},
    {0x21, 0x1C, ats2853_rcv_cbk_report_usb_ctrl_idx},
    {0x21, 0x1D, ats2853_rcv_cbk_pdt_music_usb_play},
    {0x21, 0x1E, ats2853_rcv_cbk_pdt_music_usb_pause},
    {0x21, 0x1F, ats2853_rcv_cbk_pdt_music_usb_prev},
    {0x21, 0x20, ats2853_rcv_cbk_pdt_music_usb_next},
    {0x21, 0x21, ats2853_rcv_cbk_pdt_music_bt_play},
    {0x21, 0x22, ats2853_rcv_cbk_pdt_music_bt_pause},
    {0x21, 0x23, ats2853_rcv_cbk_pdt_music_bt_prev},
    {0x21, 0x24, ats2853_rcv_cbk_pdt_music_bt_next},
    {0x21, 0x25, ats2853_rcv_cbk_pdt_eq_set},
    {0x21, 0x26, ats2853_rcv_cbk_pdt_rx_led_set},
    {0x21, 0x27, ats2853_rcv_cbk_pdt_lcd_str_set},
    {0x21, 0x28, ats2853_rcv_cbk_pdt_lcd_dimmer_set},
    {0x21, 0x30, ats2853_rcv_cbk_usb_music_play_mode_set},
    {0x21, 0x06, ats2853_rcv_cbk_report_reconnect_sts},
    {0x21, 0xBB, ats2853_rcv_cbk_pdt_reboot},
    {0x21, 0xF0, ats2853_rcv_cbk_pdt_factory_reset},
    {0x21, 0xF1, ats2853_rcv_cbk_set_bypass},
    {0x21, 0xF2, ats2853_rcv_cbk_get_uuid},
    {0x21, 0xF3, ats2853_rcv_cbk_set_uuid},
    {0x21, 0xF4, ats2853_rcv_cbk_get_connect_state},
    {0x21, 0xF5, ats2853_rcv_cbk_get_all_version},
    {0x21, 0xF7, ats2853_rcv_cbk_pdt_5p8g_pair_set},
    {0x21, 0xF6, ats2853_rcv_cbk_pcba_mode_enter},
    {0x22, 0x01, ats2853_rcv_cbk_inquire_src},
    {0x22, 0x02, ats2853_rcv_cbk_inquire_vol},
    {0x22, 0x03, ats2853_rcv_cbk_inquire_mute_sts},
    {0x22, 0x04, ats2853_rcv_cbk_inquire_play_sts},
    {0x22, 0x10, ats2853_rcv_cbk_pdt_inquire_dsp_ver},
    {0x22, 0x11, ats2853_rcv_cbk_pdt_inquire_key},
    {0x22, 0x12, ats2853_rcv_cbk_pdt_inquire_vfd},
    {0x22, 0x13, ats2853_rcv_cbk_pdt_inquire_exit},
    {0x23, 0x01, ats2853_rcv_cbk_key_process},
    {0x23, 0x2F, ats2853_rcv_cbk_key_process},
    {0x23, 0x30, ats2853_rcv_cbk_key_process},
    {0x23, 0x31, ats2853_rcv_cbk_key_process},
    {0x23, 0x32, ats2853_rcv_cbk_key_process},
    {0x23, 0x33, ats2853_rcv_cbk_key_process},
    {0x23, 0x34, ats2853_rcv_cbk_key_process},
    {0x23, 0x35, ats2853_rcv_cbk_key_process},
    {0x23, 0x36, ats2853_rcv_cbk_key_process},
    {0x23, 0x37, ats2853_rcv_cbk_key_process},
    {0x23, 0x38, ats2853_rcv_cbk_key_process},
    {0x23, 0x39, ats2853_rcv_cbk_key_process},
    {0x23, 0x3A, ats2853_rcv_cbk_key_process},
    {0x23, 0x3B, ats2853_rcv_cbk_key_process},
    {0x23, 0x3C, ats2853_rcv_cbk_key_process},
    {0x23, 0x3D, ats2853_rcv_cbk_key_process},
    {0x23, 0x3E, ats2853_rcv_cbk_key_process},
    {0x23, 0x3F, ats2853_rcv_cbk_key_process},
    {0x23, 0x40, ats2853_rcv_cbk_key_process},
    {0x23, 0x41, ats2853_rcv_cbk_key_process},
    {0x23, 0x42, ats2853_rcv_cbk_key_process},
    {0x23, 0x43, ats2853_rcv_cbk_key_process},
    {0x23, 0x44, ats2853_rcv_cbk_key_process},
    {0x23, 0x4B, ats2853_rcv_cbk_key_process},
    {0x23, 0x45, ats2853_rcv_cbk_key_process},
    {0x23, 0x46, ats2853_rcv_cbk_key_process},
    {0x23, 0x47, ats2853_rcv_cbk_key_process},
    {0x23, 0x48, ats2853_rcv_cbk_key_process},
    {0x23, 0x4A, ats2853_rcv_cbk_key_process},
    {0x23, 0x49, ats2853_rcv_cbk_key_process},
    {0x2F, 0x01, ats2853_rcv_cbk_get_play_sts},
    {0x2F, 0x02, ats2853_rcv_cbk_get_bt_vol},
    {0x2F, 0x03, ats2853_rcv_cbk_get_bt_version},
    {0x2F, 0x04, ats2853_rcv_cbk_get_bt_mac_addr},
    {0x2F, 0x05, ats2853_rcv_cbk_get_touch_version},
    {0x2F, 0x06, ats2853_rcv_cbk_set_hdmi_cec_name},
    {0x24, 0x27, ats2853_rcv_cbk_report_le_aud_pwr_sts},
    {0, 0, nullptr},
};
