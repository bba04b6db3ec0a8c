#include "main/source_in/line_in/playback_line_in.h"

#include "main/am/aee/aee.h"
#include "main/am/am.h"
#include "main/cli/cli.h"
#include "main/cli/dbg_level.h"
#include "main/playback/playback_alsa/playback_alsa.h"
#include "main/playback/usb/playback_usb.h"
#include "main/source_in/capture_link/capture_link.h"
#include "main/source_in/line_in/line_in_level.h"
#include "main/state_mngr/state_mngr.h"
#include "platform/quorid/quorid.h"
#include "platform/sbroot/sb_root.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <unistd.h>

#define LINE_IN_LOG(kind, fmt, ...) \
    dbgPrint(playbackLineInGetDbgLevel(), (kind), "<line_in>[%s:%d]:" fmt, __func__, __LINE__, ##__VA_ARGS__)
#define LINE_IN_ERR(fmt, ...) LINE_IN_LOG(DBG_LEVEL_ERROR, fmt, ##__VA_ARGS__)
#define LINE_IN_API(fmt, ...) LINE_IN_LOG(DBG_LEVEL_API, fmt, ##__VA_ARGS__)
#define LINE_IN_INFO(fmt, ...) LINE_IN_LOG(DBG_LEVEL_INFO, fmt, ##__VA_ARGS__)

namespace {

constexpr const char* kAppName = "playback_line_in";
constexpr uint32_t kStackSize = 131072;
constexpr uint8_t kPriority = 130;
constexpr uint16_t kSecCount = 64;
constexpr uint16_t kQueueLen = 128;
constexpr uint16_t kMaxPayload = 4096;
constexpr uint32_t kCliMask = 2;

// Both devices: S16_BE, stereo, 48 kHz, a buffer of at most 80 ms.
constexpr uint32_t kFormat = SND_PCM_FORMAT_S16_BE;
constexpr uint16_t kChannels = 2;
constexpr uint32_t kRate = 48000;
constexpr uint32_t kBufferTimeUs = 80000;
constexpr uint32_t kRingBytes = 192000;  // one second of the stream
constexpr const char* kCaptureDevice = "line_in";
constexpr const char* kPlaybackDevice = "main";
constexpr const char* kMainMarker = "/tmp/kvxac0_opened";
// A failed read is retried after this pause rather than at once.
constexpr std::chrono::milliseconds kReadRetry{10};
// Playback waits this long after a pause before it plays again.
constexpr std::chrono::milliseconds kAfterPause{1000};

constexpr uint32_t smWord(uint32_t group, uint32_t body)
{
    return smMsgWord(group, body, 0);
}

constexpr uint8_t kStatusStopped = SM_PLAY_STATUS_STOP;
constexpr uint8_t kStatusPlaying = SM_PLAY_STATUS_PLAY;
constexpr uint8_t kStatusPaused = SM_PLAY_STATUS_PAUSE;

struct PlaybackLineIn {
    handle_t ui4AppHandle = 0;  // touched only on the application's thread
    std::atomic<uint8_t> fgInited{0};
    std::atomic<int32_t> i4SampleAverage{0};
    std::atomic<uint16_t> ui2DbgLevel{0x01FF};
    // The running stream: its flags, ring and the lock both threads wait on.
    CaptureLink link;
    // The stream's own thread, which starts and joins the two workers; joined before a new stream
    // starts and by the exit function.
    pthread_t tLineInThread{};
    bool fgLineInThread = false;
    pthread_t tRecordThread{};
    pthread_t tPlayThread{};
};

PlaybackLineIn gPlaybackLineInThisObj;

// --- state manager ---------------------------------------------------------------------------

int32_t sendToSm(uint32_t sender, uint32_t word)
{
    appmsg_t msg{};
    msg.ui4_sender_id = sender;
    msg.ui4_msg_type = word;
    handle_t sm = 0;
    u_am_get_app_handle_from_name(&sm, SM_APP_NAME);
    return u_app_send_msg(sm, E_APP_MSG_TYPE_STATE_MNGR, &msg, sizeof(msg), nullptr, 0);
}

int32_t playbackineInSendPlayRequestToSm()
{
    if (sendToSm(MSG_FROM_LINE_IN, smWord(SM_REQUEST_GRP, SM_BODY_PLAY)) != 0) {
        LINE_IN_ERR("playbackineInSendPlayRequestToSm failed ");
        return -1;
    }
    return 0;
}

int32_t playbackLineInSendPbStatusToSm(uint8_t status)
{
    const uint32_t source = uSmGetCurrentSource();
    LINE_IN_INFO("eCurrentSource=%d\n", static_cast<int>(source));
    uint32_t sender = 0;
    if (source == SM_SOURCE_BT_EXT_IN) {
        sender = MSG_FROM_BT_EXT_IN;
    } else if (source == SM_SOURCE_AUX_IN) {
        sender = MSG_FROM_AUX_IN;
    } else if (source == SM_SOURCE_LINE_IN) {
        sender = MSG_FROM_LINE_IN;
    }
    if (sendToSm(sender, smWord(SM_INFORM_GRP, status)) != 0) {
        LINE_IN_ERR("playbackLineInSendPbStatusToSm failed");
        return -1;
    }
    LINE_IN_INFO("playback send %d status to sm!\n", status);
    return 0;
}

void postToSelf(uint32_t id)
{
    const LineInMsg msg{id, {0, 0, 0}};
    uPlaybackLineInSendMsg(&msg);
}

void playbackLineInSmMsgProcess(const appmsg_t& msg)
{
    const uint32_t group = SM_MSG_GRP(msg.ui4_msg_type);
    const uint32_t body = SM_MSG_BDY(msg.ui4_msg_type);
    if (group == SM_REQUEST_GRP || group == SM_PERMIT_GRP) {
        if (body == SM_BODY_PLAY) {
            postToSelf(LINE_IN_CREATE_THREAD);
        } else if (body == SM_BODY_STOP) {
            postToSelf(LINE_IN_STOP);
        } else if (body == SM_BODY_PAUSE || body == SM_BODY_RESUME) {
            postToSelf(LINE_IN_PLAY_PAUSE);
        }
    } else if (group == SM_FORBID_GRP) {
        LINE_IN_INFO("forbid msg body[%d]\n", static_cast<int>(body));
    }
}

// --- stream ----------------------------------------------------------------------------------

// A container for the stream's format with its PCM opened on `device`; nullptr after the failure's
// log lines, with the stream stopped.
PcmContainer* openStream(const char* device, snd_pcm_stream_t stream, const char* allocFailure)
{
    CaptureLink& link = gPlaybackLineInThisObj.link;
    auto* pcm = static_cast<PcmContainer*>(calloc(1, sizeof(PcmContainer)));
    if (pcm == nullptr) {
        LINE_IN_ERR("%s", allocFailure);
        link.stop();
        return nullptr;
    }
    pcm->format = kFormat;
    pcm->channels = kChannels;
    pcm->rate = kRate;
    const int err = snd_pcm_open(&pcm->handle, device, stream, 0);
    if (err < 0) {
        if (stream == SND_PCM_STREAM_CAPTURE) {
            LINE_IN_ERR("snd_pcm_open failed!");
            LINE_IN_ERR("i4Ret is %d ,errno is %s\n", err, snd_strerror(err));
        } else {
            LINE_IN_ERR("snd_pcm_open failed!, i4Ret = %d\n", err);
        }
        free(pcm);
        link.stop();
        return nullptr;
    }
    if (uAlsaSetHwParams(pcm, kBufferTimeUs) != 0) {
        // The PCM is closed already.
        LINE_IN_ERR("uAlsaSetHwParams failed!");
        free(pcm);
        link.stop();
        return nullptr;
    }
    return pcm;
}

void closeStream(PcmContainer* pcm)
{
    snd_pcm_drain(pcm->handle);
    const int res = snd_pcm_close(pcm->handle);
    free(pcm->data_buf);
    free(pcm);
    LINE_IN_INFO("<LINE_IN> i4Ret=%d!\n", res);
}

void* playbackLineInRecordProcess(void*)
{
    CaptureLink& link = gPlaybackLineInThisObj.link;
    PcmContainer* pcm = openStream(kCaptureDevice, SND_PCM_STREAM_CAPTURE, "malloc pcmParams failed!");
    if (pcm == nullptr) {
        return nullptr;
    }
    LineInLevel level{};
    lineInLevelReset(&level);
    while (link.running.load() != 0) {
        if (link.paused.load() != 0) {
            link.waitWhilePaused();
            continue;
        }
        if (uAlsaReadPcm(pcm, pcm->chunk_size) != static_cast<int32_t>(pcm->chunk_size)) {
            link.waitUnlessStopped(kReadRetry);
            continue;
        }
        gPlaybackLineInThisObj.i4SampleAverage.store(lineInLevelStep(&level, pcm->data_buf, pcm->chunk_bytes));
        link.put(pcm->data_buf, pcm->chunk_bytes);
    }
    closeStream(pcm);
    return nullptr;
}

void* playbackLineInPlayProcess(void*)
{
    CaptureLink& link = gPlaybackLineInThisObj.link;
    if (access(sb::path(kMainMarker).c_str(), F_OK) == 0) {
        quorid_exec("rm -rf /tmp/kvxac0_opened", 0);
    }
    quorid_exec("vesk_dbg bufrule 6 6 24 0 0", 0);
    quorid_exec("vesk_dbg mixminbuf 1", 0);
    usleep(5 * 1000);
    PcmContainer* pcm = openStream(kPlaybackDevice, SND_PCM_STREAM_PLAYBACK, "malloc failed!");
    if (pcm == nullptr) {
        return nullptr;
    }
    bool wasPaused = false;
    while (link.running.load() != 0) {
        if (link.paused.load() != 0) {
            // What was captured before the pause is not played after it.
            wasPaused = true;
            link.clear();
            link.waitWhilePaused();
            continue;
        }
        if (wasPaused) {
            wasPaused = false;
            link.waitUnlessStopped(kAfterPause);
            continue;
        }
        if (link.take(pcm->data_buf, pcm->chunk_bytes) < pcm->chunk_bytes) {
            continue;  // stopped or paused while the period filled
        }
        uAlsaWritePcm(pcm, pcm->chunk_size);
    }
    closeStream(pcm);
    return nullptr;
}

void* playbackLineInThread(void*)
{
    PlaybackLineIn& self = gPlaybackLineInThisObj;
    CaptureLink& link = self.link;
    if (!link.open(kRingBytes)) {
        LINE_IN_ERR("ringbuf malloc failed!");
        link.stop();
        playbackLineInSendPbStatusToSm(kStatusStopped);
        return nullptr;
    }
    if (pthread_create(&self.tRecordThread, nullptr, playbackLineInRecordProcess, nullptr) != 0) {
        LINE_IN_ERR("line_in record thread create failed!");
        link.stop();
        link.close();
        playbackLineInSendPbStatusToSm(kStatusStopped);
        return nullptr;
    }
    if (pthread_create(&self.tPlayThread, nullptr, playbackLineInPlayProcess, nullptr) != 0) {
        LINE_IN_ERR("line_in play thread create failed!");
        link.stop();
        pthread_join(self.tRecordThread, nullptr);
        link.close();
        playbackLineInSendPbStatusToSm(kStatusStopped);
        return nullptr;
    }
    LINE_IN_INFO("create record and play thread!");
    pthread_join(self.tRecordThread, nullptr);
    pthread_join(self.tPlayThread, nullptr);
    link.close();
    playbackLineInSendPbStatusToSm(kStatusStopped);
    return nullptr;
}

// Joins the thread of an earlier stream; its running flag is clear, so it is ending.
void joinEndedStream()
{
    PlaybackLineIn& self = gPlaybackLineInThisObj;
    if (self.fgLineInThread) {
        pthread_join(self.tLineInThread, nullptr);
        self.fgLineInThread = false;
    }
}

int32_t playbackLineInCreateThread()
{
    PlaybackLineIn& self = gPlaybackLineInThisObj;
    joinEndedStream();
    // Running from here on, so that a second start before the thread runs is not taken.
    self.link.setRunning();
    const int err = pthread_create(&self.tLineInThread, nullptr, playbackLineInThread, nullptr);
    if (err != 0) {
        LINE_IN_ERR("pthread_create error!");
        self.link.stop();
        playbackLineInSendPbStatusToSm(kStatusStopped);
        return -1;
    }
    self.fgLineInThread = true;
    playbackLineInSendPbStatusToSm(kStatusPlaying);
    return 0;
}

// Stops a stream and waits until its threads have ended.
void stopAndJoinStream()
{
    gPlaybackLineInThisObj.link.stop();
    joinEndedStream();
}

const char* msgName(uint32_t id)
{
    static constexpr const char* kNames[] = {"LINE_IN_REQUEST_PLAY", "LINE_IN_CREATE_THREAD", "LINE_IN_PLAY_PAUSE",
                                             "LINE_IN_STOP", "LINE_IN_SHOW_SAMPLE_AVERAGE"};
    return id < sizeof(kNames) / sizeof(kNames[0]) ? kNames[id] : "UNKNOWN";
}

void playbackLineInAlsaMsgProcess(uint32_t id)
{
    CaptureLink& link = gPlaybackLineInThisObj.link;
    LINE_IN_INFO("msg id [%d]\n", static_cast<int>(id));
    LINE_IN_INFO("%s\n", msgName(id));
    switch (id) {
    case LINE_IN_REQUEST_PLAY:
        playbackineInSendPlayRequestToSm();
        break;
    case LINE_IN_CREATE_THREAD:
        if (!playbackLineInIsRunning()) {
            playbackLineInCreateThread();
            break;
        }
        LINE_IN_INFO("thread is running!!!");
        if (playbackLineInIsPaused()) {
            link.setPaused(false);
            playbackLineInSendPbStatusToSm(kStatusPlaying);
        } else {
            LINE_IN_INFO("linein is playing!!!");
        }
        break;
    case LINE_IN_PLAY_PAUSE:
        if (!playbackLineInIsRunning()) {
            LINE_IN_INFO("thread not running!");
            break;
        }
        link.setPaused(!playbackLineInIsPaused());
        playbackLineInSendPbStatusToSm(playbackLineInIsPaused() ? kStatusPaused : kStatusPlaying);
        break;
    case LINE_IN_STOP:
        if (playbackLineInIsRunning()) {
            LINE_IN_INFO("playbackLineInStop");
            link.stop();
        } else {
            LINE_IN_INFO("line in already stop, just infrom status to sm ");
            playbackLineInSendPbStatusToSm(kStatusStopped);
        }
        break;
    case LINE_IN_SHOW_SAMPLE_AVERAGE: {
        const int32_t level = playbackLineInGetSampleAverage();
        if (level < 0) {
            LINE_IN_INFO("playbackLineInGetSampleAverage error");
        } else {
            LINE_IN_INFO("SampleAverage %d \n", static_cast<int>(level));
        }
        break;
    }
    default:
        break;
    }
}

// --- application -----------------------------------------------------------------------------

int32_t playbackLineInInit(const char*, handle_t app)
{
    PlaybackLineIn& self = gPlaybackLineInThisObj;
    self.ui4AppHandle = app;
    self.fgInited.store(0);
    self.link.setPaused(false);
    self.i4SampleAverage.store(0);
    const int32_t attached = playbackLineInCliAttachCmdTbl();
    if (attached != CLIR_OK && attached != CLIR_NOT_INIT) {
        LINE_IN_ERR("Err: playbackLineInCliAttachCmdTbl() failed \r");
        return -1;
    }
    self.fgInited.store(1);
    return 0;
}

int32_t playbackLineInExit(handle_t, uint32_t)
{
    PlaybackLineIn& self = gPlaybackLineInThisObj;
    if (self.fgInited.load() == 0) {
        return -1;
    }
    // Nothing of a running stream may outlive the application.
    stopAndJoinStream();
    self.fgInited.store(0);
    return 0;
}

int32_t playbackLineInProcessMsg(handle_t, uint32_t msgId, const void* data, uint32_t size)
{
    if (gPlaybackLineInThisObj.fgInited.load() == 0 || data == nullptr) {
        return -1;
    }
    if (msgId >= AM_BRDCST_MSG_BASE) {
        return 0;
    }
    switch (msgId) {
    case E_APP_PRI_ALSA_PB_MSG: {
        LINE_IN_INFO("E_APP_PRI_ALSA_PB_MSG");
        LineInMsg msg{};
        memcpy(&msg, data, size < sizeof(msg) ? size : sizeof(msg));
        if (size >= sizeof(msg.ui4Id)) {
            playbackLineInAlsaMsgProcess(msg.ui4Id);
        }
        return 0;
    }
    case E_APP_MSG_TYPE_USER_CMD:
        // Keys act on the USB player only; its handler refuses anything but a whole key record.
        uPlaybackUiMsgProcess(static_cast<const appmsg_t*>(data), size);
        return 0;
    case E_APP_MSG_TYPE_STATE_MNGR: {
        LINE_IN_INFO("E_APP_MSG_TYPE_STATE_MNGR");
        if (size < 2 * sizeof(uint32_t)) {
            return 0;
        }
        appmsg_t msg{};
        memcpy(&msg, data, size < sizeof(msg) ? size : sizeof(msg));
        playbackLineInSmMsgProcess(msg);
        return 0;
    }
    default:
        return 0;
    }
}

// --- console ---------------------------------------------------------------------------------

int playbackLineInCliGetDbgLevel(int, char**)
{
    return u_cli_show_dbg_level(playbackLineInGetDbgLevel());
}

int playbackLineInCliSetDbgLevel(int argc, char** argv)
{
    uint16_t level = 0;
    const int32_t result = u_cli_parse_dbg_level(argc, argv, &level);
    if (result == CLIR_OK) {
        playbackLineInSetDbgLevel(level);
    }
    return result;
}

int playbackLineInCliMsg(int argc, char** argv)
{
    if (argc < 2) {
        return CLIR_INV_ARG;
    }
    const LineInMsg msg{static_cast<uint32_t>(atoi(argv[1])), {0, 0, 0}};
    uPlaybackLineInSendMsg(&msg);
    return 0;
}

const cli_cmd_t kLineInCmds[] = {
    {"gdl", nullptr, playbackLineInCliGetDbgLevel, nullptr, "Get debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"sdl", nullptr, playbackLineInCliSetDbgLevel, nullptr, "Set debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"linein_msg", "msg", playbackLineInCliMsg, nullptr, "[linein]line_in_play_start", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kLineInTable[] = {
    {"playback_line_in", "linein", nullptr, kLineInCmds, "playback_line_in commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

}  // namespace

void aPlaybackLineInRegister(amb_register_info_t* info)
{
    if (gPlaybackLineInThisObj.fgInited.load() == 1) {
        return;
    }
    memset(info->acName, 0, sizeof(info->acName));
    memcpy(info->acName, kAppName, strnlen(kAppName, AM_APP_NAME_LEN));
    info->tFct = {playbackLineInInit, playbackLineInExit, playbackLineInProcessMsg};
    info->ui8Reserved = ~static_cast<uint64_t>(0);
    info->ui4StackSize = kStackSize;
    info->ui1Priority = kPriority;
    info->ui2SecCount = kSecCount;
    info->ui2QueueLen = kQueueLen;
    info->ui2MaxPayload = kMaxPayload;
}

int32_t uPlaybackLineInSendMsg(const LineInMsg* msg)
{
    if (gPlaybackLineInThisObj.fgInited.load() == 0 || msg == nullptr) {
        return -1;
    }
    if (u_app_send_msg(gPlaybackLineInThisObj.ui4AppHandle, E_APP_PRI_ALSA_PB_MSG, msg, sizeof(*msg), nullptr, 0) !=
        0) {
        LINE_IN_ERR("_app_send_msg sent E_APP_PRI_ALSA_PB_MSG failed ");
        return -1;
    }
    return 0;
}

int32_t playbackLineInGetSampleAverage(void)
{
    if (!playbackLineInIsRunning() || playbackLineInIsPaused()) {
        return -1;
    }
    return gPlaybackLineInThisObj.i4SampleAverage.load();
}

bool playbackLineInIsRunning(void)
{
    return (gPlaybackLineInThisObj.link.running.load() & 0xFF) != 0;
}

bool playbackLineInIsPaused(void)
{
    return gPlaybackLineInThisObj.link.paused.load() != 0;
}

uint16_t playbackLineInGetDbgLevel(void)
{
    return gPlaybackLineInThisObj.ui2DbgLevel.load(std::memory_order_relaxed) | DBG_LAYER_APP;
}

void playbackLineInSetDbgLevel(uint16_t level)
{
    gPlaybackLineInThisObj.ui2DbgLevel.store(level, std::memory_order_relaxed);
}

int32_t playbackLineInCliAttachCmdTbl(void)
{
    return u_cli_attach_cmd_tbl(kLineInTable, CLI_GRP_APP, kCliMask, 0);
}
