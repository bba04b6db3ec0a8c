#include "sileth/sileth_src.h"

#include "common/support/support.h"
#include "platform/sbdev/hdmitx_ioctl.h"
#include "platform/sbdev/sb_actl.h"
#include "platform/sbdev/sb_dev.h"
#include "sileth/sileth_log.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <thread>

namespace {

constexpr const char* kCard = "hw:0";
constexpr const char* kSpdifInfo = "Spdif_In_Info";
constexpr const char* kMultiInfo = "Multi_In_Info";
constexpr const char* kPortSelect = "Spdif_In_Port_Select";
constexpr int kSpdifInfoValues = 20;
constexpr int kMultiInfoValues = 3;
// Short enough that EXIT, which joins this thread, is not held up by a quiet card.
constexpr int kListenWaitMs = 200;

constexpr std::array<int32_t, 7> kValidRates = {32000, 44100, 48000, 88200, 96000, 176400, 192000};

// The input-mode record of SET_INPUT_MODE for each port, and whether the S/PDIF port control is
// written first (-1: not).
struct PortSelect {
    std::array<uint32_t, 5> words;
    int spdifPort;
    const char* failure;
};

constexpr PortSelect kPortSelects[] = {
    {{4, 0, 1, 1, 0}, 1, "Set opt in mode fail ..."},     // 0 S/PDIF (optical)
    {{0, 0, 0, 1, 0}, -1, "Set hdmi arc mode fail ..."},  // 1 ARC/eARC
    {{1, 0, 1, 1, 0}, 0, "Set hdmi in mode fail ..."},    // 2 HDMI input 0
    {{0, 0, 0, 1, 0}, -1, "Set hdmi arc mode fail ..."},  // 3 as 1
    {{3, 0, 1, 1, 0}, -1, "Set bt in mode fail ..."},     // 4 Bluetooth line
    {{2, 0, 1, 1, 0}, -1, "Set aux in mode fail ..."},    // 5 aux
};

// Channel allocation to PCM layout. The first value of each row is the layout's own code and is
// not logged; the others log the row's label. Channels 0: as reported.
struct CaLayout {
    std::array<uint8_t, 18> codes;
    size_t count;
    int channels;
    const char* map;
    const char* label;
    bool logFirst;
};

constexpr CaLayout kCaLayouts[] = {
    {{0, 8, 12, 16, 28, 36, 38}, 7, 2, "lr", "2.0", false},
    {{1, 9, 13, 17, 29, 37, 39}, 7, 3, "lr:lfe", "2.1", false},
    {{2, 4, 6, 10, 14, 18, 20, 22, 24, 26, 30, 32, 34, 40, 42, 44, 46, 48}, 18, 3, "lr:c", "3.0", false},
    {{3, 5, 7, 15, 21, 27}, 6, 4, "lr:lfe:c", "3.1", false},
    {{11, 23, 25, 33, 35}, 5, 6, "lr:lfe:c:lrs", "5.1", false},
    {{19, 31, 41, 43}, 4, 8, "lr:lfe:c:lrs:lrrs", "7.1", false},
    {{45, 47, 49}, 3, 8, "lr:lfe:c:lrs:lrtf", "5.1.2", true},
};
constexpr int kCaReported = 50;  // from here on the reported channels and "lr"

struct SrcState {
    std::atomic<SilethStreamChangeCb> streamCb{nullptr};
    std::atomic<SilethCecCb> cecCb{nullptr};
    std::atomic<uint32_t> port{NONE_SRC};
    std::atomic<int> forcedClass{0};
    std::atomic<bool> run{false};
    sb_actl* actl = nullptr;
    std::thread listener;
};

SrcState gSrc;

bool validRate(int32_t rate)
{
    return std::find(kValidRates.begin(), kValidRates.end(), rate) != kValidRates.end();
}

void setMap(SourceInfo* info, const char* map)
{
    std::memset(info->pcmChMap, 0, sizeof(info->pcmChMap));
    std::strncpy(info->pcmChMap, map, sizeof(info->pcmChMap) - 1);
}

// Reads integer control `name` into `values`; a control with fewer than `need` values counts as a
// read error, as does a non-integer one. The value count or a negative errno.
int alsa_ctl_read(const char* name, int32_t* values, int need)
{
    if (gSrc.actl == nullptr) {
        SRC_ERR("element read error: %s\n", std::strerror(ENODEV));
        return -ENODEV;
    }
    std::fill(values, values + need, 0);
    const int r = sb_actl_read(gSrc.actl, name, values, need);
    if (r < 0) {
        SRC_ERR("element read error: %s\n", std::strerror(-r));
        return r;
    }
    if (r < need) {
        SRC_ERR("Control element read error: %s\n", "fewer values than expected");
        return -EINVAL;
    }
    return r;
}

int alsa_ctl_write(int value)
{
    if (gSrc.actl == nullptr) {
        SRC_ERR("Could not find the specified element");
        return -ENODEV;
    }
    const int r = sb_actl_write(gSrc.actl, kPortSelect, 0, value);
    if (r == -ENOENT) {
        SRC_ERR("Could not find the specified element");
    } else if (r < 0) {
        SRC_ERR("Could not write elem value ");
    }
    return r;
}

void applyCa(int ca, int reported, SourceInfo* info, const char* who)
{
    int channels = reported;
    const char* map = "lr";
    if (ca < kCaReported) {
        for (const CaLayout& l : kCaLayouts) {
            const auto end = l.codes.begin() + l.count;
            const auto it = std::find(l.codes.begin(), end, static_cast<uint8_t>(ca));
            if (it == end) {
                continue;
            }
            channels = l.channels;
            map = l.map;
            // 19 and 31 are 7.1 layouts too, but only 41 and 43 say so.
            const bool quiet = (it == l.codes.begin() && !l.logFirst) || ca == 19 || ca == 31;
            if (!quiet) {
                SRC_INFO("  %s is %s: %d \n", who, l.label, ca);
            }
            break;
        }
    }
    info->iSrcRxChannel = channels;
    info->iSrcTxChannel = channels;
    setMap(info, map);
}

void get_audio_info_spdif(SourceInfo* info)
{
    int32_t v[kSpdifInfoValues];
    const int forced = gSrc.forcedClass.load();
    if (alsa_ctl_read(kSpdifInfo, v, kSpdifInfoValues) < 0) {
        SRC_ERR(" get info error ");
        info->fgHwLock = 0;
        info->iSrcRate = 0;
        info->iSrcRxChannel = 2;
        setMap(info, "lr");
        info->iSrcStreamType = forced == SILETH_FORCED_DTS ? SILETH_FORCED_DTS : 0;
        if (info->iSrcStreamType == 0) {
            info->iSrcTxChannel = 2;
        }
        return;
    }
    const int32_t rate = v[0];
    const bool lock = validRate(rate);
    const int cbit = (v[13] >> 1) & 1;
    const int parse = (v[19] >> 16) & 3;
    const int streamType = cbit != 0 ? 1 : parse;
    if (lock) {
        SRC_INFO("iStreamType:%d iCurCodec_cbit:%d  iCurCodec_parse:%d \n", streamType, cbit, parse);
    }
    SRC_INFO("============= Audio Info ============ ");
    SRC_INFO("  SampleRate: %d \n", rate);
    SRC_INFO("  Ubit: 0x%x 0x%x 0x%x 0x%x 0x%x 0x%x \n", v[1], v[2], v[3], v[4], v[5], v[6]);
    SRC_INFO("  Ubit: 0x%x 0x%x 0x%x 0x%x 0x%x 0x%x \n", v[7], v[8], v[9], v[10], v[11], v[12]);
    SRC_INFO("  Cbit: 0x%x 0x%x 0x%x 0x%x 0x%x 0x%x \n", v[13], v[14], v[15], v[16], v[17], v[18]);
    SRC_INFO("  StreamType_Cbit: 0x%x \n", v[19]);
    info->fgHwLock = lock ? 1 : 0;
    info->iSrcRate = rate;
    info->iSrcRxChannel = 2;
    setMap(info, "lr");
    if (forced == SILETH_FORCED_DTS) {
        info->iSrcStreamType = SILETH_FORCED_DTS;
    } else {
        info->iSrcStreamType = lock ? static_cast<uint32_t>(streamType) : 0;
    }
    if (info->iSrcStreamType == 0) {
        info->iSrcTxChannel = 2;
    }
}

int32_t word(const uint8_t* rec, size_t index)
{
    return static_cast<int32_t>(sb::loadLe32(rec + 4 * index));
}

int get_audio_info_earc(SourceInfo* info)
{
    std::array<uint8_t, kvxHdmiRequestSize(KVX_HDMI_GET_EARC_AUDIO_INFO)> rec{};
    sb::storeLe32(rec.data(), 255);
    if (earcIoctl(KVX_HDMI_GET_EARC_AUDIO_INFO, rec.data()) != 0) {
        SRC_ERR(" get info error ");
        return 0;
    }
    const int32_t mode = word(rec.data(), 0);
    const int32_t codec = word(rec.data(), 2);
    const int32_t channels = word(rec.data(), 3);
    const int32_t rate = word(rec.data(), 4);
    const int32_t mute = word(rec.data(), 6);
    const int ca = word(rec.data(), 7) & 0xFF;
    SRC_INFO("  iEarcRxMode: %d ,0:arc 1:earc \n", mode);
    SRC_INFO("  iEarcRxCodec: %d \n", codec);
    SRC_INFO("  iEarcRxChannel: %d \n", channels);
    SRC_INFO("  iEarcRxSampleRate: %d \n", rate);
    SRC_INFO("  iEarcRxMute: %d \n", mute);
    SRC_INFO("  iEarcRxInfoCA: %d \n", ca);
    if (mode == 0) {
        // ARC audio arrives through the S/PDIF receiver.
        info->u4EarcMode = 0;
        alsa_ctl_write(3);
        get_audio_info_spdif(info);
    } else {
        info->u4EarcMode = 1;
        alsa_ctl_write(0);
        info->iSrcRate = rate;
        info->iSrcStreamType = static_cast<uint32_t>(codec);
        info->iSrcRxChannel = channels;
        if (validRate(rate)) {
            info->fgHwLock = 1;
            if (codec == 0) {
                info->iSrcTxChannel = channels;
                applyCa(ca, channels, info, "iEarcRxInfoCA");
            }
        } else {
            info->fgHwLock = 0;
        }
    }
    SRC_INFO("=============show eARC Audio Info after============ ");
    SRC_INFO("  fgHwLock:%d SampleRate:%d RxChannel:%d TxChannel:%d StreamType:%u EarcMode:%d ChMap:%s \n",
             info->fgHwLock, info->iSrcRate, info->iSrcRxChannel, info->iSrcTxChannel, info->iSrcStreamType,
             info->u4EarcMode, info->pcmChMap);
    return 1;
}

int get_audio_info_hdmirx(SourceInfo* info)
{
    std::array<uint8_t, kvxHdmiRequestSize(KVX_HDMI_GET_RX_AUDIO_INFO)> rec{};
    if (earcIoctl(KVX_HDMI_GET_RX_AUDIO_INFO, rec.data()) != 0) {
        SRC_ERR(" get info error ");
        return 0;
    }
    const int32_t codec = word(rec.data(), 0);
    const int32_t channels = word(rec.data(), 1);
    const int32_t rate = word(rec.data(), 2);
    const int ca = word(rec.data(), 5) & 0xFF;
    SRC_INFO("  iHdmiRxCodec: %d iHdmiRxChannel: %d iHdmiRxSampleRate: %d iHdmiRxInfoCA: %d \n", codec, channels, rate,
             ca);
    info->fgHwLock = validRate(rate) ? 1 : 0;
    info->iSrcRate = rate;
    info->iSrcStreamType = static_cast<uint32_t>(codec);
    info->iSrcRxChannel = channels;
    if (codec == 0 && info->fgHwLock != 0) {
        applyCa(ca, channels, info, "iHdmiRxInfoCA");
    }
    if (gSrc.forcedClass.load() == SILETH_FORCED_DTS) {
        info->iSrcStreamType = SILETH_FORCED_DTS;
    }
    return 1;
}

void alsa_ctl_elem_cb_spdif(void*, const char*, unsigned int mask)
{
    if (mask == SB_ACTL_MASK_REMOVE || (mask & SB_ACTL_MASK_VALUE) == 0) {
        return;
    }
    SRC_INFO("The Stream information is changed ");
    vSilethSrcStreamChanged();
}

void i4AlsaCtlElemCallback_Multi(void*, const char*, unsigned int mask)
{
    if (mask == SB_ACTL_MASK_REMOVE || (mask & SB_ACTL_MASK_VALUE) == 0) {
        return;
    }
    int32_t v[kMultiInfoValues];
    if (alsa_ctl_read(kMultiInfo, v, kMultiInfoValues) < 0) {
        SRC_ERR(" get info error ");
        vSilethSrcStreamChanged();
        return;
    }
    SRC_INFO("rough_type:%d, data_type:%d, bitstream_number:%d\n", v[0], v[1], v[2]);
    if (v[0] == 2 || v[0] == 3) {
        gSrc.forcedClass.store(SILETH_FORCED_DTS);
        SRC_INFO("Need change prSileth->u4CodecType to GST_DTS ");
    } else if (v[0] == 1) {
        gSrc.forcedClass.store(1);
        SRC_INFO("Need change prSileth->u4CodecType to GST_AC3 ");
    } else if (v[0] == 0) {
        gSrc.forcedClass.store(0);
    }
    vSilethSrcStreamChanged();
}

int alsa_ctl_set_cb()
{
    int ret = 0;
    for (const auto& [name, cb] : {std::pair<const char*, sb_actl_cb>{kSpdifInfo, alsa_ctl_elem_cb_spdif},
                                   std::pair<const char*, sb_actl_cb>{kMultiInfo, i4AlsaCtlElemCallback_Multi}}) {
        const int r = sb_actl_watch(gSrc.actl, name, cb, nullptr);
        if (r == -ENOENT) {
            SRC_ERR("Could not find the specified element");
        }
        if (r < 0) {
            ret = r;
        }
    }
    return ret;
}

void alsa_ctl_listen_thread()
{
    using namespace std::chrono_literals;
    while (gSrc.run.load()) {
        const int r = sb_actl_wait(gSrc.actl, kListenWaitMs);
        if (r >= 0) {
            sb_actl_handle_events(gSrc.actl);
        } else if (r != -EINTR) {
            // A broken control connection must not turn this loop into a spin.
            for (int i = 0; i < 10 && gSrc.run.load(); ++i) {
                std::this_thread::sleep_for(10ms);
            }
        }
    }
}

}  // namespace

void vSilethSrcRegCallback(SilethStreamChangeCb cb)
{
    if (cb != nullptr) {
        gSrc.streamCb.store(cb);
    }
}

void vSilethCecRegCallback(SilethCecCb cb)
{
    if (cb != nullptr) {
        gSrc.cecCb.store(cb);
    }
}

void vSilethSrcStreamChanged()
{
    if (auto cb = gSrc.streamCb.load()) {
        cb(0);
    }
}

void vSilethSrcCecReport(uint32_t code, const uint8_t* payload, int len)
{
    if (auto cb = gSrc.cecCb.load()) {
        cb(code, payload, len);
    }
}

int i4SilethSrcInit()
{
    gSrc.run.store(true);
    const int r = sb_actl_open(&gSrc.actl, kCard);
    if (r < 0) {
        gSrc.actl = nullptr;
        SRC_ERR("Control '%s' open error: %s\n", kCard, std::strerror(-r));
        SRC_ERR("alsa init error ");
        return -1;
    }
    const int cb = alsa_ctl_set_cb();
    gSrc.listener = std::thread(alsa_ctl_listen_thread);
    if (cb < 0) {
        SRC_ERR("Set callback error!");
        SRC_ERR("alsa init error ");
        return -1;
    }
    return 0;
}

int i4SilethSrcExit()
{
    gSrc.run.store(false);
    alsa_ctl_write(0);
    if (gSrc.listener.joinable()) {
        gSrc.listener.join();
    }
    sb_actl_close(gSrc.actl);
    gSrc.actl = nullptr;
    return 0;
}

int i4SilethSrcPlay(uint32_t port)
{
    gSrc.port.store(port);
    if (port >= NONE_SRC) {
        return 0;
    }
    const PortSelect& sel = kPortSelects[port];
    if (sel.spdifPort >= 0) {
        alsa_ctl_write(sel.spdifPort);
    }
    std::array<uint8_t, kvxHdmiRequestSize(KVX_HDMI_SET_INPUT_MODE)> rec{};
    for (size_t i = 0; i < sel.words.size(); ++i) {
        sb::storeLe32(rec.data() + 4 * i, sel.words[i]);
    }
    if (earcIoctl(KVX_HDMI_SET_INPUT_MODE, rec.data()) != 0) {
        SRC_ERR("%s", sel.failure);
    }
    return 0;
}

int i4SilethSrcStop()
{
    const uint32_t port = gSrc.port.load();
    if (port == SPDIF_SRC || port == ARC_SRC || port == NONE_SRC) {
        alsa_ctl_write(0);
    }
    gSrc.port.store(NONE_SRC);
    SRC_INFO("eCurrentSrc is NONE_SRC");
    return 0;
}

void vSilethSrcGetInfo(SourceInfo* info)
{
    const uint32_t port = gSrc.port.load();
    SILETH_PLAIN("eCurrentSrc:%u  [0:spdif  2:hdmi_rx0  1/3:arc or earc]\n", port);
    switch (port) {
    case SPDIF_SRC:
        get_audio_info_spdif(info);
        break;
    case ARC_SRC:
    case EARC_SRC:
        get_audio_info_earc(info);
        break;
    case HDMI_RX0_SRC:
    case BT_IN_SRC:
    case AUX_IN_SRC:
        get_audio_info_hdmirx(info);
        break;
    default:
        break;
    }
}

uint32_t u4SilethSrcPort()
{
    return gSrc.port.load();
}

int earcIoctl(uint32_t request, void* arg)
{
    const int fd = sb_dev_open("/dev/hdmitx", O_RDWR);
    if (fd < 0) {
        SRC_ERR("open earc device fail %d \n", errno);
        return 1;
    }
    int ret = 0;
    if (sb_dev_ioctl_ptr(fd, request, arg) < 0) {
        SRC_ERR("read data fial! \n\r");
        ret = 1;
    }
    if (sb_dev_close(fd) != 0) {
        SRC_ERR("close earc device fail! \n\r");
        ret = 1;
    }
    return ret;
}

uint8_t earcStsGet()
{
    uint8_t status = 0;
    if (earcIoctl(KVX_HDMI_GET_EARC_STS, &status) != 0) {
        SRC_ERR("get arc/earc mode fail ...");
        return 0;
    }
    return status;
}
