// Start-up of the platform audio server that pellant owns.
#pragma once

#include "platform/vesk2/vesk2.h"

#include <array>

// Configures and starts the audio server; 0 or the failing library result.
int vesk_init(void);

// The process-wide audio-server handle; null until vesk_init created the server.
vesk_handle_t veskAppHandle(void);

// The preloaded effect configurations, in load order; the first one also configures Dolby.
constexpr std::array<const char*, 3> kVeskAppPreloads = {
    "/res/xml/ppc_dolby.xml",
    "/res/xml/ppc_pcm_multichannel.xml",
    "/res/xml/ppc_pcm_stereo.xml",
};

#define VESK_APP_FIFO_PATH "/tmp/fifocmd"
#define VESK_APP_CFG_DIR "/res/ppc_cfg/brontal"
