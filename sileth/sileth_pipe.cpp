#include "sileth/sileth_pipe.h"

#include "platform/sbroot/sb_root.h"
#include "sileth/sileth_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

constexpr size_t kCmdBufSize = 64;  // the bufrule command, terminator included
constexpr int kSourceFormatPcm = 3;
constexpr int kSourceFormatCoded = 1;
constexpr int kPcmParseMode = 1;
constexpr int kTuningParseMode = 3;
constexpr int kTuningChannels = 8;
constexpr int kTuningCodecType = 5;
constexpr const char* kTuningChmap = "lr:c:lfe:lrs:lrrs";

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Sized to what it formats: every settings value may be 63 characters long.
std::string format(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    va_list again;
    va_copy(again, ap);
    const int size = vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size > 0) {
        vsnprintf(text.data(), text.size() + 1, fmt, again);
    }
    va_end(again);
    return text;
}

// A missing value leaves an empty property in the description, for the element to reject.
const char* value(const SilethChildArgs& args, const char* title, const char* key)
{
    const char* v = pSilethGetValue(args.cfg, title, key);
    return v != nullptr ? v : "";
}

int parseModeOr(const SilethChildArgs& args, const char* section, int fallback)
{
    const char* v = pSilethGetValue(args.cfg, section, "parse_mode");
    return v != nullptr ? std::atoi(v) : fallback;
}

const char* captureKey(ePortType port)
{
    switch (port) {
    case PORT_ARC:
        return "arc_in";
    case PORT_HDMI_IN:
        return "hdmi_in";
    case PORT_EARC:
        return "earc_in";
    default:
        return "spdif_in";
    }
}

std::string extraFor(const char* section, int playmode)
{
    if (std::strcmp(section, "[AC3_CFG]") == 0) {
        return "extra-header-bufctl=1 extra-header-prepend-zero-conf=1 extra-header-prepend-zero-value=4 "
               "extra-timeout-level=200 extra-timeout-bufctl=2 extra-timeout-pad-zero=8";
    }
    if (std::strcmp(section, "[TRUEHD_MATPCM_CFG]") == 0) {
        return format("extra-header-bufctl=%d extra-header-prepend-zero-conf=1 extra-header-prepend-zero-value=10 "
                      "extra-timeout-level=200 extra-timeout-bufctl=1 extra-timeout-pad-zero=8",
                      playmode == 2 ? 4 : 1);
    }
    if (std::strcmp(section, "[TRUEHD_MOD2_CFG]") == 0) {
        return "extra-header-bufctl=1 extra-header-prepend-zero-conf=1 extra-header-prepend-zero-value=10 "
               "extra-timeout-level=200 extra-timeout-bufctl=1 extra-timeout-pad-zero=8";
    }
    if (std::strcmp(section, "[TRUEHD_CFG]") == 0) {
        return "extra-header-bufctl=1 extra-header-prepend-zero-conf=1 extra-header-prepend-zero-value=6 "
               "extra-timeout-level=200 extra-timeout-bufctl=1 extra-timeout-pad-zero=8";
    }
    return "";
}

struct CodecChoice {
    const char* word;
    const char* section;
    int parseMode;
    int parserType;  // 0: PCM, no parser
};

bool chooseCodec(const SilethChildArgs& args, const SilethPipeEnv& env, CodecChoice* c)
{
    switch (args.codec) {
    case GST_PCM:
        *c = {"pcm", env.cert ? "[PCM_DTSX_CERTIFICATION_CFG]" : "[PCM_CFG]", kPcmParseMode, 0};
        return true;
    case GST_AC3:
    case GST_EAC3: {
        const bool mod3 = env.playmode == 3;
        c->word = args.codec == GST_AC3 ? "ac3" : "ec3";
        c->section = mod3 ? "[AC3_MOD3_CFG]" : "[AC3_CFG]";
        c->parseMode = mod3 ? 2 : parseModeOr(args, "[AC3_CFG]", 2);
        c->parserType = args.codec == GST_AC3 ? 2 : 4;
        return true;
    }
    case GST_DTS:
        *c = {"dtsx", env.cert ? "[DTS_CERTFICA_CFG]" : "[DTS_CFG]", env.cert ? 6 : 5, 3};
        return true;
    case GST_DTS_CD:
        *c = {"dts-cd", "[DTSCD_CFG]", 6, 3};
        return true;
    case GST_TRUEHD:
        c->word = "mat";
        c->parserType = 5;
        if (env.playmode == 3) {
            c->section = "[TRUEHD_MOD3_CFG]";
            c->parseMode = 3;
        } else if (env.matPcm) {
            c->section = "[TRUEHD_MATPCM_CFG]";
            c->parseMode = parseModeOr(args, c->section, 7);
        } else if (env.playmode == 2) {
            c->section = "[TRUEHD_MOD2_CFG]";
            c->parseMode = parseModeOr(args, c->section, 2);
        } else {
            c->section = "[TRUEHD_CFG]";
            c->parseMode = parseModeOr(args, c->section, 2);
        }
        return true;
    }
    return false;
}

}  // namespace

std::string SilethPipeDesc::launch() const
{
    return source + " " + caps + " " + parser + " " + decoder + " " + sink + " " + extra;
}

SilethPipeChoice silethPipeChoose(const SilethChildArgs& args, const SilethPipeEnv& env, SilethPipeDesc* d)
{
    *d = SilethPipeDesc();
    const char* playback = pSilethGetValue(args.cfg, "[GLOBAL]", "playback");
    const char* capture = pSilethGetValue(args.cfg, "[GLOBAL]", captureKey(args.portType));
    // An empty value names no device either.
    if (capture == nullptr || capture[0] == '\0') {
        return SilethPipeChoice::NoCaptureDevice;
    }
    d->playback = playback != nullptr ? playback : "";
    d->capture = capture;
    CodecChoice c{};
    if (!chooseCodec(args, env, &c)) {
        return SilethPipeChoice::NoSection;
    }
    d->section = c.section;
    d->parseMode = c.parseMode;
    d->codecCmd = format("echo %s > %s", c.word, SILETH_CODEC_TYPE_PATH);
    if (const char* rule = pSilethGetValue(args.cfg, c.section, "bufrule")) {
        d->bufruleCmd = std::string("vesk_dbg bufrule ") + rule;
        if (d->bufruleCmd.size() > kCmdBufSize - 1) {
            d->bufruleCmd.resize(kCmdBufSize - 1);
        }
    }
    const int sinkRate = args.sinkRate != 0 ? args.sinkRate : 48000;
    const char* section = c.section;
    d->source = format("kvxalsasrc alsa-device=%s alsa-period-time=%s alsa-buffer-time=%s alsa-sample-rate=%d "
                       "alsa-channels=%d format=%d",
                       capture, value(args, section, "src_period_time"), value(args, section, "src_buffer_time"),
                       args.rate, args.channels, c.parserType == 0 ? kSourceFormatPcm : kSourceFormatCoded);
    if (c.parserType == 2 || c.parserType == 4 || c.parserType == 5) {
        const char* channels = value(args, "[GLOBAL]", "dolby_sink_channel_num");
        d->parser = format("! sievra name=m_sievra codec-type=%d", c.parserType);
        d->decoder = format("! halvorn name=m_halvorn output-channels=%s", channels);
        d->sink = format("! kvxalsasink name=m_kvxalsasink silence-detect=0x02 parse-mode=%d alsa-thres-hold=%s "
                         "alsa-period-time=%s level-upload-time=100 alsa-buffer-time=%s     alsa-sample-rate=%d "
                         "alsa-chmap=%s alsa-channels=%s alsa-device=%s",
                         c.parseMode, value(args, section, "alsa_thres_hold"), value(args, section, "sink_period_time"),
                         value(args, section, "sink_buffer_time"), sinkRate,
                         value(args, "[GLOBAL]", "dolby_sink_channel_map"), channels, d->playback.c_str());
        const char* onOff = pSilethGetValue(args.cfg, section, "extra_setOnOff");
        if (onOff != nullptr && std::strncmp(onOff, "TRUE", 4) == 0) {
            d->extra = extraFor(section, env.playmode);
        }
    } else if (c.parserType == 3) {
        d->caps = "! capsfilter name=m_capsfilter caps=audio/x-raw";
        d->parser = format("! sievra name=m_sievra codec-type=%d", c.parserType);
        d->sink = "! fakesink ";
    } else {
        d->caps = "! capsfilter name=m_capsfilter caps=audio/x-raw";
        char chmap[sizeof(args.pcmChMap) + 1] = {};
        std::memcpy(chmap, args.pcmChMap, sizeof(args.pcmChMap));
        d->sink =
            format("! kvxalsasink name=m_kvxalsasink silence-detect=0x02 parse-mode=%d alsa-thres-hold=%s "
                   "alsa-period-time=%s level-upload-time=100 alsa-buffer-time=%s alsa-sample-rate=%d "
                   "alsa-chmap=%s alsa-channels=%d alsa-device=%s",
                   kPcmParseMode, value(args, section, "alsa_thres_hold"), value(args, section, "sink_period_time"),
                   value(args, section, "sink_buffer_time"), args.rate, chmap, args.sinkChannels, d->playback.c_str());
    }
    if (env.tuning) {
        constexpr const char* mat = "[TRUEHD_MATPCM_CFG]";
        d->tuningCmd = std::string("echo mat > ") + " " + SILETH_CODEC_TYPE_PATH;
        d->parser = format("! sievra name=m_sievra codec-type=%d", kTuningCodecType);
        d->decoder = format("! halvorn name=m_halvorn output-channels=%d", kTuningChannels);
        d->sink =
            format("! kvxalsasink name=m_kvxalsasink parse-mode=%d alsa-thres-hold=%s alsa-period-time=%s "
                   "alsa-buffer-time=%s alsa-sample-rate=%d alsa-chmap=%s alsa-channels=%d alsa-device=%s",
                   kTuningParseMode, value(args, mat, "alsa_thres_hold"), value(args, mat, "sink_period_time"),
                   value(args, mat, "sink_buffer_time"), sinkRate, kTuningChmap, kTuningChannels, d->playback.c_str());
    }
    return SilethPipeChoice::Ok;
}

int getplaymode()
{
    FILE* in = std::fopen(sb::path(SILETH_PLAYMODE_PATH).c_str(), "r");
    if (in == nullptr) {
        APP_INFO("[SILETH] There have no atmos_playmode file");
        return 1;
    }
    char text[15] = {};
    const size_t n = std::fread(text, 1, sizeof(text) - 1, in);
    std::fclose(in);
    text[n] = '\0';
    APP_INFO("[SILETH] playmode = [%s]\n", text);
    return std::atoi(text);
}

SilethPipeEnv silethPipeEnv(const sileth_shm_t& shm)
{
    SilethPipeEnv env;
    env.playmode = getplaymode();
    env.cert = access(sb::path(SILETH_DTSX_CERT_PATH).c_str(), F_OK) == 0;
    env.matPcm = shm.get(SHM_MAT_PCM) == 1;
    std::ifstream tuning(sb::path(SILETH_TUNING_PATH), std::ios::binary);
    if (!tuning) {
        perror("Failed to open config file");
    } else {
        const std::string text((std::istreambuf_iterator<char>(tuning)), std::istreambuf_iterator<char>());
        env.tuning = text.find("-tuning-mode") != std::string::npos;
    }
    return env;
}

bool silethCodecOfParserValue(uint32_t v, eGstCodec* codec)
{
    switch (v) {
    case 0x16:
        *codec = GST_TRUEHD;
        return true;
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x11:
    case 0x111:
    case 0x211:
    case 0x311:
    case 0x411:
        *codec = GST_DTS;
        return true;
    default:
        break;
    }
    if ((v & 0xFF) == 0x01) {
        *codec = GST_AC3;
        return true;
    }
    if ((v & 0xFF) == 0x15) {
        *codec = GST_EAC3;
        return true;
    }
    return false;
}
