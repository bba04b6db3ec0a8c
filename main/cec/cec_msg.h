// The CEC messages the soundbar sends: one small function per message, which checks its
// arguments, fills a frame from the soundbar's own logical address to the destination and hands it
// to the transmit pool with the message's kind. None waits for an answer. Unless said otherwise
// every one returns 0 (on its way), -3 (refused: the active TX port is not 0, or a destination
// above 15; nothing is sent) or -4 (the pool or the driver failed; nothing stays pending).
#pragma once

#include <cstdint>

// CEC opcodes of the messages the soundbar sends or answers.
enum CecOpcode : uint16_t {
    CEC_OP_FEATURE_ABORT = 0x00,
    CEC_OP_TEXT_VIEW_ON = 0x0D,
    CEC_OP_SET_MENU_LANGUAGE = 0x32,
    CEC_OP_STANDBY = 0x36,
    CEC_OP_USER_CONTROL_PRESSED = 0x44,
    CEC_OP_USER_CONTROL_RELEASED = 0x45,
    CEC_OP_GIVE_OSD_NAME = 0x46,
    CEC_OP_SET_OSD_NAME = 0x47,
    CEC_OP_SET_OSD_STRING = 0x64,
    CEC_OP_SYSTEM_AUDIO_MODE_REQUEST = 0x70,
    CEC_OP_GIVE_AUDIO_STATUS = 0x71,
    CEC_OP_SET_SYSTEM_AUDIO_MODE = 0x72,
    CEC_OP_REPORT_AUDIO_STATUS = 0x7A,
    CEC_OP_GIVE_SYSTEM_AUDIO_MODE_STATUS = 0x7D,
    CEC_OP_SYSTEM_AUDIO_MODE_STATUS = 0x7E,
    CEC_OP_ROUTING_CHANGE = 0x80,
    CEC_OP_ROUTING_INFORMATION = 0x81,
    CEC_OP_ACTIVE_SOURCE = 0x82,
    CEC_OP_GIVE_PHYSICAL_ADDRESS = 0x83,
    CEC_OP_REPORT_PHYSICAL_ADDRESS = 0x84,
    CEC_OP_SET_STREAM_PATH = 0x86,
    CEC_OP_DEVICE_VENDOR_ID = 0x87,
    CEC_OP_GIVE_DEVICE_VENDOR_ID = 0x8C,
    CEC_OP_GIVE_DEVICE_POWER_STATUS = 0x8F,
    CEC_OP_REPORT_POWER_STATUS = 0x90,
    CEC_OP_GET_MENU_LANGUAGE = 0x91,
    CEC_OP_SET_AUDIO_RATE = 0x9A,
    CEC_OP_CEC_VERSION = 0x9E,
    CEC_OP_GET_CEC_VERSION = 0x9F,
    CEC_OP_REPORT_SHORT_AUDIO_DESCRIPTOR = 0xA3,
    CEC_OP_REQUEST_SHORT_AUDIO_DESCRIPTOR = 0xA4,
    CEC_OP_INITIATE_ARC = 0xC0,
    CEC_OP_REPORT_ARC_INITIATED = 0xC1,
    CEC_OP_REPORT_ARC_TERMINATED = 0xC2,
    CEC_OP_REQUEST_ARC_INITIATION = 0xC3,
    CEC_OP_REQUEST_ARC_TERMINATION = 0xC4,
    CEC_OP_TERMINATE_ARC = 0xC5,
};

// Reasons of a Feature Abort.
constexpr uint8_t CEC_ABORT_UNRECOGNIZED_OPCODE = 0;
constexpr uint8_t CEC_ABORT_INVALID_OPERAND = 3;
// Report Power Status operands.
constexpr uint8_t CEC_POWER_STATUS_ON = 0;
constexpr uint8_t CEC_POWER_STATUS_STANDBY = 1;

// The soundbar's device type in its physical-address report: audio system.
constexpr uint8_t CEC_DEVICE_TYPE_AUDIO_SYSTEM = 5;
// The soundbar's vendor identity.
constexpr uint8_t CEC_VENDOR_ID[3] = {0x08, 0x00, 0x46};
// The longest text of an OSD string: what the frame holds after the display-control byte.
constexpr uint32_t CEC_OSD_STRING_MAX = 13;
// The OSD name when the stored one cannot be read.
constexpr const char* CEC_OSD_NAME_FALLBACK = "vorpadu";

// A short audio descriptor looked up by its audio format code (CEA-861).
constexpr uint32_t CEC_SAD_SIZE = 3;
struct CecSadRequest {
    uint32_t ui4Code;                   // in: the audio format code
    uint8_t ui1Valid;                   // out: 1 when the soundbar takes that format
    uint8_t aui1Descriptor[CEC_SAD_SIZE];  // out, only when valid
};
// Fills valid and the descriptor for codes 1 to 14; any other code gives valid 0 and leaves the
// descriptor as it was.
void GetShortAudioDescriptor(CecSadRequest* request);

int32_t cecCtrlFeatureAbort(uint32_t destination, uint8_t opcode, uint8_t reason);
// Routing Change from the old to the new physical address, to all.
int32_t cecCtrlRoutingChange(uint16_t oldAddress, uint16_t newAddress);
// Routing Information with the physical address, to all.
int32_t cecCtrlRoutingInfo(uint16_t address);
int32_t cecCtrlSystemAudioModeStatus(uint32_t destination, uint8_t status);
// Records the mode as the system audio state, then announces it to all devices (the destination
// is only checked).
int32_t cecCtrlSetSystemAudioMode(uint32_t destination, uint8_t mode);
// The descriptors' bytes as they are (count at most 16).
int32_t cecCtrlReportShortAudioDescriptor(uint32_t destination, const uint8_t* bytes, uint32_t count);
// Mute in bit 7 and the volume in bits 0-6, read from the store (0 for what it cannot give).
int32_t cecCtrlReportAudioStatus(uint32_t destination);
// The three vendor bytes, to all.
int32_t cecCtrlDeviceVendorID(const uint8_t* vendor);
int32_t cecCtrlGiveDeviceVendorID(uint32_t destination);
int32_t cecCtrlInitiateARC(uint32_t destination);
int32_t cecCtrlTerminateARC(uint32_t destination);
int32_t cecCtrlSetAudioRate(uint32_t destination, uint8_t rate);
int32_t cecCtrlGetMenuLanguage(uint32_t destination);
int32_t cecCtrlGivePhysicalAddress(uint32_t destination);
int32_t cecCtrlGetCecVersion(uint32_t destination);
int32_t cecCtrlReportPowerStatus(uint8_t status, uint32_t destination);
int32_t cecCtrlGiveDevicePowerStatus(uint32_t destination);
// The display-control byte, then at most CEC_OSD_STRING_MAX characters of `text` (cut there).
int32_t cecCtrlSetOSDString(uint32_t destination, uint8_t displayControl, const char* text);
// The stored OSD name (up to 14 characters), or CEC_OSD_NAME_FALLBACK when it cannot be read.
int32_t cecCtrlSetOSDName(uint32_t destination);
int32_t cecCtrlGiveOSDName(uint32_t destination);
int32_t cecCtrlStandby(uint32_t destination);
// The own physical address.
int32_t cecCtrlActiveSource(uint32_t destination);
int32_t cecCtrlTextViewOn(uint32_t destination);
// Report Physical Address: the own physical address and device type 5, to all.
int32_t cecCtrlBroadcastPA(void);
// A polling message (no opcode) from the address to itself. @return also -1 while the transmit
// pool is not started, -3 for an address above 14.
int32_t cecCtrlPollingDevice(uint32_t address);
// The soundbar never asks for system audio mode: it only answers and announces it. Does nothing.
void cecCtrlSystemAudioModeRequest(void);
