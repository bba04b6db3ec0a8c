#include "main/source_in/capture_loop/capture_loop.h"

#include "main/am/am.h"
#include "main/cli/dbg_level.h"
#include "main/playback/playback_alsa/playback_alsa.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#define LOOP_LOG(kind, fmt, ...) \
    dbgPrint(config_.dbgLevel(), (kind), "%s[%s,%d]:" fmt, config_.tag, __func__, __LINE__, ##__VA_ARGS__)
#define LOOP_ERR(fmt, ...) LOOP_LOG(DBG_LEVEL_ERROR, fmt, ##__VA_ARGS__)
#define LOOP_INFO(fmt, ...) LOOP_LOG(DBG_LEVEL_INFO, fmt, ##__VA_ARGS__)

namespace {

constexpr const char* kCaptureDevice = "hw:0,1";
constexpr uint32_t kFormat = SND_PCM_FORMAT_S16_LE;
constexpr uint16_t kChannels = 2;
constexpr uint32_t kRate = 44100;
constexpr uint32_t kBufferTimeUs = 80000;
// The capture device settles before it is opened; a stop cuts the wait short.
constexpr std::chrono::milliseconds kBeforeCaptureOpen{500};
// A failed read is retried after this pause rather than at once.
constexpr std::chrono::milliseconds kReadRetry{10};

PcmContainer* newContainer()
{
    auto* pcm = static_cast<PcmContainer*>(calloc(1, sizeof(PcmContainer)));
    if (pcm != nullptr) {
        pcm->format = kFormat;
        pcm->channels = kChannels;
        pcm->rate = kRate;
    }
    return pcm;
}

void closeContainer(PcmContainer* pcm)
{
    snd_pcm_drain(pcm->handle);
    free(pcm->data_buf);
    snd_pcm_close(pcm->handle);
    free(pcm);
}

}  // namespace

void CaptureLoop::init(handle_t app)
{
    app_ = app;
    initialised_.store(0);
    link_.setPaused(false);
}

int32_t CaptureLoop::exit()
{
    if (!inited()) {
        return -1;
    }
    // Nothing the loop uses may be torn down under it.
    link_.stop();
    joinEnded();
    initialised_.store(0);
    return 0;
}

int32_t CaptureLoop::process(uint32_t msgId, const void* data, uint32_t size)
{
    if (!inited() || data == nullptr) {
        return -1;
    }
    if (msgId >= AM_BRDCST_MSG_BASE || msgId != E_APP_PRI_ALSA_PB_MSG) {
        return 0;
    }
    LOOP_INFO("E_APP_PRI_ALSA_PB_MSG");
    CaptureLoopMsg msg{};
    memcpy(&msg, data, size < sizeof(msg) ? size : sizeof(msg));
    if (size >= sizeof(msg.ui4Id)) {
        handle(msg.ui4Id);
    }
    return 0;
}

int32_t CaptureLoop::send(const CaptureLoopMsg* msg)
{
    if (!inited() || msg == nullptr) {
        return -1;
    }
    const int32_t res = u_app_send_msg(app_, E_APP_PRI_ALSA_PB_MSG, msg, sizeof(*msg), nullptr, 0);
    if (res != 0) {
        LOOP_ERR("_app_send_msg sent E_APP_PRI_ALSA_PB_MSG failed, i4Ret[%d]\n", static_cast<int>(res));
        return -1;
    }
    return 0;
}

void CaptureLoop::handle(uint32_t id)
{
    dbgPrint(config_.dbgLevel(), DBG_LEVEL_INFO, config_.msgIdLine, static_cast<int>(id));
    switch (id) {
    case CAPTURE_LOOP_START:
        if (running()) {
            LOOP_INFO("thread is running!!!");
        } else {
            start();
        }
        break;
    case CAPTURE_LOOP_PAUSE_RESUME:
        if (!running()) {
            LOOP_INFO("thread not running!");
        } else {
            link_.setPaused(!paused());
        }
        break;
    case CAPTURE_LOOP_STOP:
        link_.stop();
        break;
    default:
        break;
    }
}

void CaptureLoop::joinEnded()
{
    if (loopStarted_) {
        pthread_join(loop_, nullptr);
        loopStarted_ = false;
    }
}

void CaptureLoop::start()
{
    // A loop that was stopped may still be winding down: it ends before a new one shares its state.
    joinEnded();
    // Running from here on, so that a second start before the thread runs is refused.
    link_.setRunning();
    if (pthread_create(&loop_, nullptr, loopThread, this) != 0) {
        LOOP_ERR("pthread_create error!");
        link_.stop();
        return;
    }
    loopStarted_ = true;
}

void* CaptureLoop::loopThread(void* self)
{
    static_cast<CaptureLoop*>(self)->runLoop();
    return nullptr;
}

void* CaptureLoop::recordThread(void* self)
{
    static_cast<CaptureLoop*>(self)->record();
    return nullptr;
}

void* CaptureLoop::playThread(void* self)
{
    static_cast<CaptureLoop*>(self)->play();
    return nullptr;
}

void CaptureLoop::runLoop()
{
    if (!link_.open(config_.ringBytes)) {
        LOOP_ERR("ringbuf malloc failed!");
        link_.stop();
        return;
    }
    if (pthread_create(&record_, nullptr, recordThread, this) != 0) {
        LOOP_ERR("%s", config_.recordCreateFailure);
        link_.stop();
        link_.close();
        return;
    }
    if (pthread_create(&play_, nullptr, playThread, this) != 0) {
        LOOP_ERR("%s", config_.playCreateFailure);
        link_.stop();
        pthread_join(record_, nullptr);
        link_.close();
        return;
    }
    pthread_join(record_, nullptr);
    // A play side still waiting for data learns that no more comes.
    link_.wake();
    pthread_join(play_, nullptr);
    link_.close();
}

void CaptureLoop::record()
{
    if (config_.progressLines) {
        LOOP_INFO("tdmInRecordProcess begin!");
    }
    PcmContainer* pcm = newContainer();
    if (pcm == nullptr) {
        LOOP_ERR("malloc pcmParams failed!");
        link_.stop();
        return;
    }
    link_.waitUnlessStopped(kBeforeCaptureOpen);
    const int err = snd_pcm_open(&pcm->handle, kCaptureDevice, SND_PCM_STREAM_CAPTURE, 0);
    if (err < 0) {
        if (config_.openFailureWithError) {
            LOOP_ERR("snd_pcm_open failed!i4Ret:%d\n", err);
        } else {
            LOOP_ERR("snd_pcm_open failed!");
        }
        free(pcm);
        link_.stop();
        return;
    }
    if (config_.progressLines) {
        LOOP_INFO("tdmInRecordProcess snd_pcm_open successfully!");
    }
    if (uAlsaSetHwParams(pcm, kBufferTimeUs) != 0) {
        LOOP_ERR("uAlsaSetHwParams failed!");  // the PCM is closed already
        free(pcm);
        link_.stop();
        return;
    }
    if (config_.progressLines) {
        LOOP_INFO("tdmInRecordProcess uAlsaSetHwParams successfully!");
    }
    while (link_.running.load() != 0) {
        if (link_.paused.load() != 0) {
            link_.waitWhilePaused();
        }
        // After a pause (or a stop during one) the ring starts empty, so playback goes on with
        // what is captured from now on.
        if (link_.clearPending()) {
            link_.clearIfPending();
            if (config_.progressLines && link_.running.load() == 0) {
                LOOP_INFO("receive stop cli and clear ring buffer!");
            }
            continue;
        }
        if (uAlsaReadPcm(pcm, pcm->chunk_size) != static_cast<int32_t>(pcm->chunk_size)) {
            link_.waitUnlessStopped(kReadRetry);
            continue;
        }
        // A read that waited through a pause and its resume brings audio from after the resume:
        // it goes into the emptied ring.
        link_.clearIfPending();
        link_.put(pcm->data_buf, pcm->chunk_bytes);
    }
    link_.clearIfPending();
    closeContainer(pcm);
}

void CaptureLoop::play()
{
    PcmContainer* pcm = newContainer();
    if (pcm == nullptr) {
        LOOP_ERR("malloc failed!");
        link_.stop();
        return;
    }
    const int err = snd_pcm_open(&pcm->handle, config_.playDevice, SND_PCM_STREAM_PLAYBACK, 0);
    if (err < 0) {
        LOOP_ERR("snd_pcm_open failed!, i4Ret = %d\n", err);
        free(pcm);
        link_.stop();
        return;
    }
    LOOP_INFO("snd_pcm_open success!");
    if (uAlsaSetHwParams(pcm, kBufferTimeUs) != 0) {
        LOOP_ERR("uAlsaSetHwParams failed!");
        free(pcm);
        link_.stop();
        return;
    }
    // Playback starts only once the device buffer is full.
    if (uAlsaSetSwParams(pcm, pcm->buffer_size) != 0) {
        LOOP_ERR("uAlsaSetSwParams failed!");
        closeContainer(pcm);
        link_.stop();
        return;
    }
    while (link_.running.load() != 0) {
        if (link_.paused.load() != 0 || link_.clearPending()) {
            link_.waitUntilCleared();
            continue;
        }
        const uint32_t got = link_.take(pcm->data_buf, pcm->chunk_bytes);
        if (got < pcm->chunk_bytes) {
            if (link_.running.load() != 0) {
                continue;  // paused: that period is not played
            }
            memset(pcm->data_buf + got, 0, pcm->chunk_bytes - got);
        }
        uAlsaWritePcm(pcm, pcm->chunk_size);
    }
    if (config_.progressLines) {
        LOOP_INFO("tdmInPlayProcess end!");
    }
    closeContainer(pcm);
}
