// The phone-app control protocol on slot 0. The Bluetooth module relays the app's bytes unchanged:
// frames 0xBB towards the app and 0xAA from it, a 16-bit little-endian payload length (at most
// 255), group (0x01 get, 0x02 set, 0x04 usage report), id, payload and a checksum of 0xAA plus the
// bytes from the group to the end of the payload. Received frames are dispatched to the app's
// command table; get commands are answered at once, set commands become module events.
#pragma once

#include "main/gui/link/wireless_protocol.h"

#include <cstddef>
#include <cstdint>

constexpr uint8_t BRONTAL_HEAD_SND = 0xBB;
constexpr uint8_t BRONTAL_HEAD_RCV = 0xAA;
constexpr uint8_t BRONTAL_GROUP_GET = 0x01;
constexpr uint8_t BRONTAL_GROUP_SET = 0x02;
constexpr uint8_t BRONTAL_GROUP_TRACKING = 0x04;
// Header, two length bytes, group, id and checksum around the payload.
constexpr uint32_t BRONTAL_FRAME_OVERHEAD = 6;
// The most payload a frame carries.
constexpr uint32_t BRONTAL_FRAME_PAYLOAD_MAX = 255;
constexpr uint32_t BRONTAL_PAYLOAD_SIZE = 1024;

// What the senders build and the parser fills; handlers read the payload from it.
struct BrontalPacket {
    uint16_t len;  // payload length
    uint8_t group;
    uint8_t id;
    uint8_t payload[BRONTAL_PAYLOAD_SIZE];
    uint8_t chk;
};

struct ProtocolBrontalDb {
    WirelessProtocolCbk rcvCbk;
};

extern ProtocolBrontalDb g_protocol_brontal_db;

// A null callback is ignored.
void guiWrapperProtocolBrontalRcvRegisterCbk(WirelessProtocolCbk cbk);

// What the app's queries read of the GUI above the links: its own widget setting record (the power
// word) and its usage counters. The GUI hands both down before it starts the wrappers; until then
// the power reads 0 and every counter 0.
struct GuiWidgetSetting;
using BrontalGuiSettingGet = void (*)(GuiWidgetSetting* out);
using BrontalTrackingGet = uint32_t (*)(uint32_t category, uint8_t item);
void guiWrapperProtocolBrontalGuiGetRegister(BrontalGuiSettingGet settingGet, BrontalTrackingGet trackingGet);

// The hub's sender for slot 0: frames the messages that start with 0xBB ({0xBB, length LE, group,
// id, payload}). Every message longer than 4 bytes, whichever protocol it belongs to, then holds
// its caller 50 ms: that paces everything the hub writes to the module.
void guiWrapperProtocolBrontalPacketSnd(const uint8_t* msg, uint32_t len);
// The handlers' direct reply sender: no hub, no pause. len + 6 must be below 1030.
void guiWrapperProtocolBrontalSndPacket(uint8_t group, uint8_t id, uint16_t len, const uint8_t* payload);
// The framer: a payload of at most 255 bytes goes out in one write; stores the checksum in pkt->chk.
void __guiWrapperProtocolBrontalPacketSnd(BrontalPacket* pkt);
// 0xAA plus frame[3..n-1], modulo 256; a null frame or n below 4 gives 0xAA.
uint8_t guiWrapperProtocolBrontalChkSum(const uint8_t* frame, uint32_t n);
// 1 when buf[0] is the header of the direction (1 towards the app, 0 from it).
uint32_t guiWrapperProtocolBrontalHeadChk(uint8_t direction, const uint8_t* buf);

// The hub's receiver for slot 0: a burst that starts with 0xAA is parsed and its frame dispatched.
void guiWrapperProtocolBrontalPacketRcv(const uint8_t* buf, uint32_t len);
// Parses the frame at the start of the `n` bytes into `pkt`: 0, or -1 when none completes within
// them (a payload over 255 bytes, a cut frame, a bad checksum).
int32_t guiWrapperProtocolBrontalUnPack(BrontalPacket* pkt, const uint8_t* buf, uint32_t n);
// Calls the command table's handler of the packet's (group, id); a packet without one is dropped.
void guiWrapperProtocolBrontalRcvProcess(BrontalPacket* pkt);

// The value conversions between the soundbar's codes and the app's. Direction 1: device to app,
// 0: app to device. Each returns 0, or -1 when the value has no row (the output is then the
// table's unknown value).
int32_t guiWrapperProtocolBrontalSrcPareScaler(uint8_t direction, uint8_t* device, uint8_t* app);
int32_t guiWrapperProtocolBrontalStandbyPareScaler(uint8_t direction, uint8_t* device, uint8_t* app);
int32_t guiWrapperProtocolBrontalScreensaverPareScaler(uint8_t direction, uint8_t* device, uint8_t* app);
int32_t guiWrapperProtocolBrontalEqModePareScaler(uint8_t direction, uint8_t* device, uint8_t* app);
// Auto-standby code and minutes: direction 1 code to minutes (code 8 "never" and unknown codes give
// 0), direction 0 minutes to code (any value but the eight choices gives 8, never).
void standby_time_pare_scaler(uint8_t direction, uint8_t* code, uint16_t* minutes);

// The custom-EQ record: the device EQ mode, then ten bands of {frequency in Hz, gain}.
constexpr uint32_t BRONTAL_EQ_BANDS = 10;
struct BrontalCusEq {
    uint32_t mode;
    struct {
        uint16_t freq;
        int16_t gain;
    } band[BRONTAL_EQ_BANDS];
};
static_assert(sizeof(BrontalCusEq) == 44, "the module event's and the music wrapper's 44-byte record");
// The app's EQ payload: u8 app mode, then ten bands of {u16 frequency LE, i16 gain LE}.
constexpr uint32_t BRONTAL_EQ_PAYLOAD_SIZE = 41;
extern const uint16_t gBrontalEqFreq[BRONTAL_EQ_BANDS];

// Direction 0: the app's EQ payload in `pkt` onto `eq`, whose bands already hold the gains to keep.
// Direction 1: `eq`'s mode and bands into `pkt` as the app's payload (bands only for modes above 5).
void guiWrapperProtocolBrontalEqGainPareScaler(uint8_t direction, BrontalCusEq* eq, BrontalPacket* pkt);
// The record's mode byte and ten bands in the app's layout, each byte logged.
void DspEqAnaly2BrontalEq(uint8_t out[BRONTAL_EQ_PAYLOAD_SIZE], const BrontalCusEq* eq);

// The usage report: 19 categories, one JSON text each.
constexpr uint8_t BRONTAL_TRACKING_CATEGORIES = 19;
constexpr uint32_t BRONTAL_TRACKING_TEXT_SIZE = 255;
constexpr uint32_t BRONTAL_TRACKING_CHUNK = 30;
// The category's JSON text without line feeds and tabs into `out` (at most 254 characters and a
// terminator): its length, or -1 when the category is unknown or cJSON fails.
int32_t guiWrapperProtocolBrontalGetTrackingstr(uint8_t index, char out[BRONTAL_TRACKING_TEXT_SIZE]);
// Sends `len` bytes of text as the category's packets, replying with the request's group and id,
// 100 ms after each packet.
void guiWrapperProtocolBrontalSndTrackingstr(const BrontalPacket* req, uint8_t index, const char* text, uint32_t len);
