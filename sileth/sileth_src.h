// The source side of sileth: selecting the physical input on the HDMI transmitter driver and on
// the S/PDIF receiver's port control, watching the receiver's two information controls of card
// "hw:0" for stream changes, and filling a SourceInfo from those controls or from the driver.
#pragma once

#include <cstdint>

// What is on the selected input.
struct SourceInfo {
    uint8_t fgHwLock = 0;  // 1 when the rate is one of the valid ones
    uint8_t spare = 0;
    int32_t iSrcRate = 0;         // Hz as reported
    int32_t iSrcRxChannel = 0;    // channels received
    int32_t iSrcTxChannel = 0;    // channels to play (PCM)
    uint32_t iSrcStreamType = 0;  // 0 PCM, non-zero compressed, 3 DTS
    int32_t u4EarcMode = 0;       // 1 eARC, 0 ARC
    char pcmChMap[64] = {};       // "lr", "lr:lfe:c:lrs", ...
};

// Ports (`eCurrentSrc`).
enum eCurrentSrc : uint32_t {
    SPDIF_SRC = 0,
    ARC_SRC = 1,
    HDMI_RX0_SRC = 2,
    EARC_SRC = 3,
    BT_IN_SRC = 4,
    AUX_IN_SRC = 5,
    NONE_SRC = 6,
};

// The stream class forced by the multi-input control: 3 DTS, 1 AC-3, 0 none forced yet.
constexpr int SILETH_FORCED_DTS = 3;

using SilethStreamChangeCb = void (*)(int);
using SilethCecCb = void (*)(uint32_t code, const uint8_t* payload, int len);

// Store the stream-change and the CEC callback; nullptr is ignored.
void vSilethSrcRegCallback(SilethStreamChangeCb cb);
void vSilethCecRegCallback(SilethCecCb cb);

// Run the registered callbacks (the switch-event listener reports through them).
void vSilethSrcStreamChanged();
void vSilethSrcCecReport(uint32_t code, const uint8_t* payload, int len);

// Opens the card's controls, watches the two information controls and starts their listener.
// 0, or -1 after any failure ("alsa init error ").
int i4SilethSrcInit();

// Stops the listener, deselects the S/PDIF port and closes the controls.
int i4SilethSrcExit();

// Records `port` and selects it on the port control and the driver; always 0 (a failing request
// is logged).
int i4SilethSrcPlay(uint32_t port);

// Deselects the S/PDIF port for ports 0, 1 and none; the port becomes none.
int i4SilethSrcStop();

// Fills `info` from the current port's information; the none port leaves it unchanged.
void vSilethSrcGetInfo(SourceInfo* info);

uint32_t u4SilethSrcPort();

// One request of "/dev/hdmitx" (opened and closed around it) on a record of the request's size;
// 0 on success, 1 on any failure.
int earcIoctl(uint32_t request, void* arg);

// The driver's ARC/eARC status byte; 0 when it cannot be read.
uint8_t earcStsGet();
