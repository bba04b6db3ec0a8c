// The pipeline a child runs: its description chosen from the settings sections by codec, capture
// port, play mode and the certification marker, and the commands that go with it. Pure, so the
// choice can be checked without forking.
#pragma once

#include "sileth/sileth_child.h"

#include <cstdint>
#include <string>

#define SILETH_PLAYMODE_PATH "/data/atmos_playmode"
#define SILETH_DTSX_CERT_PATH "/data/dtsx_certification"
#define SILETH_TUNING_PATH "/data/mervane/dolby-atmos.conf"
#define SILETH_CODEC_TYPE_PATH "/tmp/codec_type.config"

// What the choice depends on besides the child's arguments.
struct SilethPipeEnv {
    int playmode = 1;     // getplaymode()
    bool cert = false;    // the certification marker exists
    bool tuning = false;  // the Dolby tuning file asks for the tuning mode
    bool matPcm = false;  // shared word 11: the last MAT stream carried PCM
};

enum class SilethPipeChoice {
    Ok,
    NoCaptureDevice,  // the port's capture device has no value (or an empty one)
    NoSection,        // no section for the codec
};

struct SilethPipeDesc {
    std::string playback;    // the playback device
    std::string capture;     // the capture device
    std::string codecCmd;    // "echo ac3 > /tmp/codec_type.config"
    std::string bufruleCmd;  // "vesk_dbg bufrule ...", empty when the section has no rule
    std::string tuningCmd;   // the tuning mode's codec command, empty without it
    const char* section = "";
    int parseMode = 0;
    std::string source, caps, parser, decoder, sink, extra;

    // The text given to gst_parse_launch.
    std::string launch() const;
};

SilethPipeChoice silethPipeChoose(const SilethChildArgs& args, const SilethPipeEnv& env, SilethPipeDesc* desc);

// The play mode in "/data/atmos_playmode" (2 and 3 have meaning): 1 when the file is missing, 0
// when it is empty.
int getplaymode();

// The environment from the files under the root.
SilethPipeEnv silethPipeEnv(const sileth_shm_t& shm);

// The codec of a parser's value ("data_parse" types 1 and 256); false for a value that names none.
bool silethCodecOfParserValue(uint32_t value, eGstCodec* codec);
