// The pipeline child: what runs in the process the daemon forks for one stream. It works on the
// copies below, taken by the daemon just before the fork, and on the shared record; it never
// returns into the daemon.
#pragma once

#include "sileth/sileth_cfg.h"
#include "sileth/sileth_shm.h"

#include <cstdint>
#include <sys/types.h>

// Codecs (`eGstCodec`).
enum eGstCodec : int32_t {
    GST_PCM = 0,
    GST_AC3 = 1,
    GST_DTS = 3,
    GST_EAC3 = 4,
    GST_TRUEHD = 5,
    GST_DTS_CD = 6,
};

// Capture side (`ePortType`): selects the capture device key of the settings.
enum ePortType : int32_t {
    PORT_SPDIF = 0,
    PORT_EARC = 1,
    PORT_ARC = 2,
    PORT_HDMI_IN = 3,
    PORT_OTHER = 255,
};

struct SilethChildArgs {
    eGstCodec codec = GST_PCM;
    ePortType portType = PORT_SPDIF;
    int32_t rate = 0;      // the input's rate R
    int32_t channels = 0;  // the input's channel count Ch
    int32_t sinkRate = 0;  // 0: 48000
    int32_t sinkChannels = 2;
    int32_t bitDepth = 16;
    char pcmChMap[64] = {};
    uint8_t flowMute = 0;
    sileth_cfg_item_t cfg[SILETH_CFG_ROWS] = {};
    sileth_shm_t* shm = nullptr;
    pid_t daemonPid = 0;  // the child ends with the daemon
};

// The child's life: start the stream, report GST_PLAY_DONE, wait for SIGUSR1, stop, and end the
// process (status 0 after an orderly stop, 1 when it could not start, 2 when the stop failed).
[[noreturn]] void vGstMain(const SilethChildArgs& args);
