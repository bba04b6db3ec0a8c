// Requests of the HDMI transmitter driver "/dev/hdmitx": read-write requests of type 'H' whose
// value carries the size of their argument record (0xC0000000 | size << 16 | 'H' << 8 | nr).
// The one list of these numbers: the system's callers and the board simulator both use it.
#pragma once

#include <cstdint>

constexpr uint32_t kvxHdmiRequest(uint32_t nr, uint32_t size)
{
    return 0xC0000000u | (size << 16) | (0x48u << 8) | nr;
}

// CEC: addresses, frames, switches.
constexpr uint32_t KVX_HMDI_SETLA = kvxHdmiRequest(0x00, 8);        // 8-byte address record
constexpr uint32_t KVX_HDMI_GET_CECCMD = kvxHdmiRequest(0x01, 24);  // received CecFrame
constexpr uint32_t KVX_HDMI_SET_CECCMD = kvxHdmiRequest(0x02, 32);  // CecSendCmd to transmit
constexpr uint32_t KVX_HDMI_CEC_ENABLE = kvxHdmiRequest(0x03, 1);   // argument is the value
constexpr uint32_t KVX_HDMI_CEC_APP_READY = kvxHdmiRequest(0x04, 1);
constexpr uint32_t KVX_HDMI_GET_TX_PA = kvxHdmiRequest(0x05, 4);
constexpr uint32_t KVX_HDMI_GET_TX_STS = kvxHdmiRequest(0x06, 8);  // {u32 tag, u32 ack}
constexpr uint32_t KVX_HDMI_ARC_ENABLE = kvxHdmiRequest(0x07, 1);  // argument is the value
constexpr uint32_t KVX_HDMI_GET_TX_INFO = kvxHdmiRequest(0x08, 3);
constexpr uint32_t KVX_HDMI_GET_RX_PA = kvxHdmiRequest(0x0B, 8);
constexpr uint32_t KVX_HDMI_SWITCH_RX = kvxHdmiRequest(0x0C, 1);
constexpr uint32_t KVX_HDMI_GET_RX_STS = kvxHdmiRequest(0x0F, 3);
constexpr uint32_t KVX_HDMI_GET_CM4_INFO = kvxHdmiRequest(0x14, 8);  // {u32 selector, u32 value}

// Inputs and stream information.
constexpr uint32_t KVX_HDMI_GET_EARC_AUDIO_INFO = kvxHdmiRequest(0x0A, 32);  // eight i32
constexpr uint32_t KVX_HDMI_SET_INPUT_MODE = kvxHdmiRequest(0x0D, 20);       // five u32
constexpr uint32_t KVX_HDMI_GET_RX_AUDIO_INFO = kvxHdmiRequest(0x0E, 24);    // six i32

// The device wrappers' getters and setters (one byte unless said).
constexpr uint32_t KVX_HDMI_SET_VOLUME = kvxHdmiRequest(0x15, 1);
constexpr uint32_t KVX_HDMI_SET_MUTE = kvxHdmiRequest(0x16, 1);
constexpr uint32_t KVX_HDMI_SET_POWER_IDLE = kvxHdmiRequest(0x17, 1);
constexpr uint32_t KVX_HDMI_GET_EARC_STS = kvxHdmiRequest(0x1B, 1);
constexpr uint32_t KVX_HDMI_GET_VERSION = kvxHdmiRequest(0x1C, 4);  // u32
constexpr uint32_t KVX_HDMI_GET_SRC_STS = kvxHdmiRequest(0x1D, 1);
constexpr uint32_t KVX_HDMI_SET_SHOP_MODE = kvxHdmiRequest(0x1E, 1);
constexpr uint32_t KVX_HDMI_SET_SRC_STS = kvxHdmiRequest(0x1F, 1);
constexpr uint32_t KVX_HDMI_GET_TX_PLUG_STS = kvxHdmiRequest(0x20, 1);
constexpr uint32_t KVX_HDMI_GET_RX_PLUG_STS = kvxHdmiRequest(0x21, 1);
constexpr uint32_t KVX_HDMI_GET_PWR_SRC = kvxHdmiRequest(0x22, 1);

// Read by the audio-input daemon on the driver's switch events: the TV's volume byte (bit 7 mute,
// bits 0-6 volume) and a received CEC command (16 bytes, then its length byte).
constexpr uint32_t KVX_HDMI_GET_CEC_VOLUME = kvxHdmiRequest(0x23, 1);
constexpr uint32_t KVX_HDMI_GET_CEC_RX_CMD = kvxHdmiRequest(0x24, 17);

constexpr uint32_t kvxHdmiRequestSize(uint32_t request)
{
    return (request >> 16) & 0x3FFFu;
}

// The two requests that take their byte as the argument value instead of a pointer.
constexpr bool kvxHdmiTakesValue(uint32_t request)
{
    return request == KVX_HDMI_CEC_ENABLE || request == KVX_HDMI_ARC_ENABLE;
}
