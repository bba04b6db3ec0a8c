#include "main/playback/playback_alsa/playback_alsa.h"

#include "platform/quorid/quorid.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#define PCM_LOG(fmt, ...) printf("<playback_alsa>" fmt, ##__VA_ARGS__)

namespace {

// A suspended device that keeps answering "try again" is given up after this many seconds and
// prepared instead, so a write or read never hangs on it for ever.
constexpr int kResumeRetries = 10;
constexpr int kWaitMs = 1000;

// The sizing step of a hardware-parameter call: sets buffer and period on `params`; 0 or -1
// (after its own log line).
using SizingFct = int (*)(snd_pcm_t*, snd_pcm_hw_params_t*, uint32_t, uint32_t);

// Step 9 of every hardware-parameter call: nothing of the failed configuration stays behind.
int32_t failHw(PcmContainer* pcm)
{
    std::free(pcm->data_buf);
    pcm->data_buf = nullptr;
    snd_pcm_close(pcm->handle);
    pcm->handle = nullptr;
    return -1;
}

int sizeByTime(snd_pcm_t* h, snd_pcm_hw_params_t* params, uint32_t limitUs, uint32_t divisor)
{
    unsigned int maxTime = 0;
    int err = snd_pcm_hw_params_get_buffer_time_max(params, &maxTime, nullptr);
    if (err < 0) {
        PCM_LOG("Error snd_pcm_hw_params_get_buffer_time_max : %s\n", snd_strerror(err));
        return -1;
    }
    PCM_LOG("snd_pcm_hw_params_get_buffer_time_max : %ul (us)\n", maxTime);
    unsigned int bufferTime = maxTime < limitUs ? maxTime : limitUs;
    // Neither a zero buffer time nor a zero divisor gives a period; leaving the period unset would
    // let the device choose one the callers never expect.
    if (bufferTime == 0 || divisor == 0) {
        PCM_LOG("Error buffer time %u us, period divisor %u\n", bufferTime, divisor);
        return -1;
    }
    unsigned int periodTime = bufferTime / divisor;
    err = snd_pcm_hw_params_set_buffer_time_near(h, params, &bufferTime, nullptr);
    if (err < 0) {
        PCM_LOG("Error snd_pcm_hw_params_set_buffer_time_near : %s\n", snd_strerror(err));
        return -1;
    }
    err = snd_pcm_hw_params_set_period_time_near(h, params, &periodTime, nullptr);
    if (err < 0) {
        PCM_LOG("Error snd_pcm_hw_params_set_period_time_near : %s\n", snd_strerror(err));
        return -1;
    }
    return 0;
}

int sizeByQuarterTime(snd_pcm_t* h, snd_pcm_hw_params_t* params, uint32_t limitUs, uint32_t)
{
    return sizeByTime(h, params, limitUs, 4);
}

int sizeByFrames(snd_pcm_t* h, snd_pcm_hw_params_t* params, uint32_t bufferFrames, uint32_t periodFrames)
{
    snd_pcm_uframes_t maxSize = 0;
    int err = snd_pcm_hw_params_get_buffer_size_max(params, &maxSize);
    if (err < 0) {
        PCM_LOG("Error snd_pcm_hw_params_get_buffer_size_max : %s\n", snd_strerror(err));
        return -1;
    }
    PCM_LOG("snd_pcm_hw_params_get_buffer_size_max : %d\n", static_cast<int>(maxSize));
    snd_pcm_uframes_t buffer = bufferFrames;
    snd_pcm_uframes_t period = periodFrames;
    if (buffer > maxSize) {
        buffer = maxSize;
        period = buffer / 2;
    }
    if (period == 0 || buffer % period != 0) {
        PCM_LOG("Error Please make sure PeiordSize can be divisible by BufferSize");
        period = buffer / 2;
    }
    err = snd_pcm_hw_params_set_buffer_size_near(h, params, &buffer);
    if (err < 0) {
        PCM_LOG("Error snd_pcm_hw_params_set_buffer_size_near : %s\n", snd_strerror(err));
        return -1;
    }
    err = snd_pcm_hw_params_set_period_size_near(h, params, &period, nullptr);
    if (err < 0) {
        PCM_LOG("Error snd_pcm_hw_params_set_period_size_near : %s\n", snd_strerror(err));
        return -1;
    }
    return 0;
}

// Steps 2 to 9 shared by the three hardware-parameter calls; `sizing` fills in buffer and period.
int32_t setHwParams(const char* caller, PcmContainer* pcm, SizingFct sizing, uint32_t a, uint32_t b)
{
    if (pcm == nullptr || pcm->handle == nullptr) {
        PCM_LOG("%s -- Invail pcm handle fail\n", caller);
        return -1;
    }
    snd_pcm_t* h = pcm->handle;
    snd_pcm_hw_params_t* params = nullptr;
    snd_pcm_hw_params_alloca(&params);

    int err = snd_pcm_hw_params_any(h, params);
    if (err < 0) {
        PCM_LOG("Error snd_pcm_hw_params_any : %s\n", snd_strerror(err));
        return failHw(pcm);
    }
    err = snd_pcm_hw_params_set_access(h, params, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (err < 0) {
        PCM_LOG("Error snd_pcm_hw_params_set_access : %s\n", snd_strerror(err));
        return failHw(pcm);
    }
    const auto format = static_cast<snd_pcm_format_t>(pcm->format);
    err = snd_pcm_hw_params_set_format(h, params, format);
    if (err < 0) {
        PCM_LOG("Error snd_pcm_hw_params_set_format : %s\n", snd_strerror(err));
        return failHw(pcm);
    }
    err = snd_pcm_hw_params_set_channels(h, params, pcm->channels);
    if (err < 0) {
        PCM_LOG("Error snd_pcm_hw_params_set_channels : %s\n", snd_strerror(err));
        return failHw(pcm);
    }
    unsigned int rate = pcm->rate;
    err = snd_pcm_hw_params_set_rate_near(h, params, &rate, nullptr);
    if (err < 0) {
        PCM_LOG("Error snd_pcm_hw_params_set_rate_near : %s\n", snd_strerror(err));
        return failHw(pcm);
    }
    if (rate != pcm->rate) {
        PCM_LOG("The rate %d Hz is not supported by your hardware.\n ==> Using %d Hz instead.\n",
                static_cast<int>(pcm->rate), static_cast<int>(rate));
    }
    if (sizing(h, params, a, b) != 0) {
        return failHw(pcm);
    }
    err = snd_pcm_hw_params(h, params);
    if (err < 0) {
        PCM_LOG("Error snd_pcm_hw_params: %s at line->%d\n", snd_strerror(err), __LINE__);
        return failHw(pcm);
    }

    snd_pcm_uframes_t chunk = 0;
    snd_pcm_uframes_t buffer = 0;
    snd_pcm_hw_params_get_period_size(params, &chunk, nullptr);
    snd_pcm_hw_params_get_buffer_size(params, &buffer);
    if (chunk == buffer) {
        PCM_LOG("Can't use period equal to buffer size (%lu == %lu)\n", static_cast<unsigned long>(chunk),
                static_cast<unsigned long>(buffer));
        return failHw(pcm);
    }
    pcm->chunk_size = static_cast<uint32_t>(chunk);
    pcm->buffer_size = static_cast<uint32_t>(buffer);
    PCM_LOG("chunk_size is %lu, buffer size is %lu\n", static_cast<unsigned long>(chunk),
            static_cast<unsigned long>(buffer));
    pcm->bits_per_sample = static_cast<uint32_t>(snd_pcm_format_physical_width(format));
    pcm->bits_per_frame = pcm->bits_per_sample * pcm->channels;
    pcm->chunk_bytes = pcm->chunk_size * pcm->bits_per_frame / 8;
    std::free(pcm->data_buf);
    pcm->data_buf = static_cast<uint8_t*>(std::malloc(pcm->chunk_bytes));
    if (pcm->data_buf == nullptr) {
        PCM_LOG("Error malloc: [data_buf] at line-> %d\n", __LINE__);
        return failHw(pcm);
    }
    return 0;
}

bool validStream(const char* caller, const PcmContainer* pcm)
{
    if (pcm == nullptr || pcm->handle == nullptr || pcm->data_buf == nullptr) {
        PCM_LOG("%s -- Invail pcm handle fail\n", caller);
        return false;
    }
    return true;
}

// Brings a suspended device back: resume while it asks to be tried again (a second apart, a
// bounded number of times), else prepare. False when prepare fails too.
bool recoverSuspend(snd_pcm_t* h)
{
    int err = snd_pcm_resume(h);
    for (int tries = 0; err == -EAGAIN && tries < kResumeRetries; ++tries) {
        sleep(1);
        err = snd_pcm_resume(h);
    }
    if (err < 0) {
        return snd_pcm_prepare(h) >= 0;
    }
    return true;
}

// The write loop of both write calls over `frames` frames from the start of data_buf.
int32_t writeFrames(PcmContainer* pcm, snd_pcm_uframes_t frames, const char* suspendLine)
{
    snd_pcm_t* h = pcm->handle;
    const uint8_t* pos = pcm->data_buf;
    int32_t written = 0;
    while (frames > 0) {
        const snd_pcm_sframes_t r = snd_pcm_writei(h, pos, frames);
        if (r == -EAGAIN || (r >= 0 && static_cast<snd_pcm_uframes_t>(r) < frames)) {
            PCM_LOG("snd_pcm_writei r:%d\n", static_cast<int>(r));
            snd_pcm_wait(h, kWaitMs);
        } else if (r == -EPIPE) {
            PCM_LOG("<<<<<<<<<<<<<<< Buffer Underrun >>>>>>>>>>>>>>>");
            const int err = snd_pcm_prepare(h);
            if (err < 0) {
                PCM_LOG("Can't recovery from underrun, prepare failed: [%s]\n", snd_strerror(err));
            }
        } else if (r == -ESTRPIPE) {
            printf(suspendLine, snd_strerror(static_cast<int>(r)));
            if (!recoverSuspend(h)) {
                PCM_LOG("resume write from suspend");
            }
        } else if (r < 0) {
            PCM_LOG("snd_pcm_writei err: [%s]\n", snd_strerror(static_cast<int>(r)));
            return -1;
        }
        if (r > 0) {
            written += static_cast<int32_t>(r);
            frames -= static_cast<snd_pcm_uframes_t>(r);
            pos += static_cast<size_t>(r) * pcm->bits_per_frame / 8;
        }
    }
    return written;
}

// The marker file the platform's PCM plug-in keeps for `device`, as an "rm -f" command line;
// false for a device that has none.
bool markerRemoval(const char* device, char* cmd, size_t size)
{
    const char* node = nullptr;
    char trackNode[3] = {};
    if (strcmp(device, "main") == 0) {
        node = "0";
    } else if (strcmp(device, "sub0") == 0) {
        node = "1";
    } else if (strcmp(device, "sub1") == 0) {
        node = "2";
    } else if (strncmp(device, "track:", 6) == 0) {
        // Only digits reach the command line.
        for (size_t i = 0; i < 2 && device[6 + i] >= '0' && device[6 + i] <= '9'; ++i) {
            trackNode[i] = device[6 + i];
        }
        node = trackNode[0] != '\0' ? trackNode : nullptr;
    }
    if (node == nullptr) {
        return false;
    }
    snprintf(cmd, size, "rm -f /tmp/kvxac%s_opened", node);
    return true;
}

PcmContainer* failOpen(PcmContainer* pcm, const char* device)
{
    // The sw-parameter step leaves the PCM open; nothing of the failed open may stay behind.
    if (pcm->handle != nullptr) {
        snd_pcm_close(pcm->handle);
        pcm->handle = nullptr;
    }
    char cmd[48];
    if (markerRemoval(device, cmd, sizeof(cmd))) {
        if (strncmp(device, "track", 5) == 0) {
            PCM_LOG("buffer=%s.\r\n", cmd);
        }
        quorid_exec(cmd, 0);
    } else {
        PCM_LOG("Not node of vesk.line:%d.\r\n", __LINE__);
    }
    std::free(pcm->data_buf);
    std::free(pcm);
    return nullptr;
}

}  // namespace

int32_t uAlsaSetHwParams(PcmContainer* pcm, uint32_t maxBufferTimeUs)
{
    return setHwParams(__func__, pcm, sizeByQuarterTime, maxBufferTimeUs, 0);
}

int32_t uAlsaSetHwParamsBySize(PcmContainer* pcm, uint32_t bufferFrames, uint32_t periodFrames)
{
    return setHwParams(__func__, pcm, sizeByFrames, bufferFrames, periodFrames);
}

int32_t uAlsaSetHwParamsAdjustPeroidTime(PcmContainer* pcm, uint32_t maxBufferTimeUs, uint32_t divisor)
{
    return setHwParams(__func__, pcm, sizeByTime, maxBufferTimeUs, divisor);
}

int32_t uAlsaSetSwParams(PcmContainer* pcm, uint32_t startThreshold)
{
    if (pcm == nullptr || pcm->handle == nullptr) {
        PCM_LOG("%s -- Invail pcm handle fail\n", __func__);
        return -1;
    }
    snd_pcm_sw_params_t* params = nullptr;
    snd_pcm_sw_params_alloca(&params);
    int err = snd_pcm_sw_params_current(pcm->handle, params);
    if (err < 0) {
        PCM_LOG("snd_pcm_sw_params_current error ret:[%d]!\n", err);
        return -1;
    }
    err = snd_pcm_sw_params_set_start_threshold(pcm->handle, params, startThreshold);
    if (err < 0) {
        PCM_LOG("snd_pcm_sw_params_set_start_threshold error ret:[%d]!\n", err);
        return -1;
    }
    err = snd_pcm_sw_params(pcm->handle, params);
    if (err < 0) {
        PCM_LOG("snd_pcm_sw_params error ret:[%d]!\n", err);
        return -1;
    }
    return 0;
}

int32_t uAlsaReadPcm(PcmContainer* pcm, uint32_t frames)
{
    if (!validStream(__func__, pcm)) {
        return -1;
    }
    snd_pcm_t* h = pcm->handle;
    uint8_t* pos = pcm->data_buf;
    snd_pcm_uframes_t remaining = pcm->chunk_size;
    while (remaining > 0) {
        const snd_pcm_sframes_t r = snd_pcm_readi(h, pos, remaining);
        if (r == -EAGAIN || (r >= 0 && static_cast<snd_pcm_uframes_t>(r) < remaining)) {
            snd_pcm_wait(h, kWaitMs);
        } else if (r == -EPIPE) {
            snd_pcm_prepare(h);
            PCM_LOG("<<<<<<<<<<<<<<< Buffer Overrun >>>>>>>>>>>>>>>");
        } else if (r == -ESTRPIPE) {
            PCM_LOG("<<<<<<<<<<<<<<<Read Need suspend >>>>>>>>>>>>>>>");
            if (!recoverSuspend(h)) {
                PCM_LOG("resume read from suspend fail");
            }
        } else if (r < 0) {
            PCM_LOG("Error snd_pcm_readi: [%s]\n", snd_strerror(static_cast<int>(r)));
            return -1;
        }
        if (r > 0) {
            remaining -= static_cast<snd_pcm_uframes_t>(r);
            pos += static_cast<size_t>(r) * pcm->bits_per_frame / 8;
        }
    }
    return static_cast<int32_t>(frames);
}

int32_t uAlsaWritePcm(PcmContainer* pcm, uint32_t frames)
{
    if (!validStream(__func__, pcm)) {
        return -1;
    }
    // data_buf holds one period; more would be read from past its end.
    if (frames > pcm->chunk_size) {
        PCM_LOG("%s -- %u frames above the period of %u\n", __func__, frames, pcm->chunk_size);
        return -1;
    }
    if (frames < pcm->chunk_size) {
        snd_pcm_format_set_silence(static_cast<snd_pcm_format_t>(pcm->format),
                                   pcm->data_buf + static_cast<size_t>(frames) * pcm->bits_per_frame / 8,
                                   (pcm->chunk_size - frames) * pcm->channels);
        frames = pcm->chunk_size;
    }
    return writeFrames(pcm, frames, "<playback_alsa><<<<<<<<<<<<<<<Write Need suspend [%s]>>>>>>>>>>>>>>>\n");
}

int32_t uAlsaWritePcmForAnysize(PcmContainer* pcm, uint32_t frames)
{
    if (!validStream(__func__, pcm)) {
        return -1;
    }
    if (frames > pcm->chunk_size) {
        PCM_LOG("%s -- %u frames above the period of %u\n", __func__, frames, pcm->chunk_size);
        return -1;
    }
    return writeFrames(pcm, frames, "<playback_alsa><<<<<<<<<<<<<<< Need suspend [%s]>>>>>>>>>>>>>>>\n");
}

int32_t uAlsaGetPcmState(snd_pcm_t* handle)
{
    static constexpr const char* kNames[] = {
        "SND_PCM_STATE_OPEN",    "SND_PCM_STATE_SETUP",     "SND_PCM_STATE_PREPARED",
        "SND_PCM_STATE_RUNNING", "SND_PCM_STATE_XRUN",      "SND_PCM_STATE_DRAINING",
        "SND_PCM_STATE_PAUSED",  "SND_PCM_STATE_SUSPENDED", "SND_PCM_STATE_DISCONNECTED",
    };
    if (handle == nullptr) {
        PCM_LOG("%s -- Invail pcm handle fail\n", __func__);
        return -1;
    }
    const int state = snd_pcm_state(handle);
    if (state >= 0 && state < static_cast<int>(sizeof(kNames) / sizeof(kNames[0]))) {
        PCM_LOG("Current PCM state is %s %d\n", kNames[state], state);
    } else {
        PCM_LOG("Current PCM state is UNKNOW %d\n", state);
    }
    return state;
}

int32_t uAlsaPause(snd_pcm_t* handle)
{
    if (handle == nullptr) {
        PCM_LOG("%s -- Invail pcm handle fail\n", __func__);
        return -1;
    }
    const int err = snd_pcm_drop(handle);
    if (err < 0) {
        PCM_LOG("uAlsaPause -- drop fail %d\n", err);
        return err;
    }
    return 0;
}

int32_t uAlsaResume(snd_pcm_t* handle)
{
    if (handle == nullptr) {
        PCM_LOG("%s -- Invail pcm handle fail\n", __func__);
        return -1;
    }
    const int err = snd_pcm_prepare(handle);
    if (err < 0) {
        PCM_LOG("uAlsaResume -- prepare fail %d\n", err);
        return err;
    }
    return 0;
}

PcmContainer* uAlsaPcmOpen(PcmOpenParam param)
{
    auto* pcm = static_cast<PcmContainer*>(std::calloc(1, sizeof(PcmContainer)));
    if (pcm == nullptr) {
        puts("malloc pcmParams error!\r");
        return nullptr;
    }
    pcm->format = param.format;
    pcm->channels = param.channels;
    pcm->rate = param.rate;
    char device[sizeof(param.device) + 1] = {};
    memcpy(device, param.device, sizeof(param.device));

    usleep(500 * 1000);
    const int err = snd_pcm_open(&pcm->handle, device, static_cast<snd_pcm_stream_t>(param.stream), 0);
    if (err < 0) {
        PCM_LOG("snd_pcm_open %s error! line:%d.\r\n", device, __LINE__);
        pcm->handle = nullptr;
        std::free(pcm);
        return nullptr;
    }
    if (param.buffer_frames != 0) {
        PCM_LOG("uAlsaSetHwParamsBySize %d,%d! line:%d.\r\n", static_cast<int>(param.buffer_frames),
                static_cast<int>(param.period_frames), __LINE__);
        if (uAlsaSetHwParamsBySize(pcm, param.buffer_frames, param.period_frames) != 0) {
            PCM_LOG("uAlsaSetHwParamsBySize error! line:%d.\r\n", __LINE__);
            return failOpen(pcm, device);
        }
    }
    int32_t res = 0;
    if (param.start_threshold != 0) {
        PCM_LOG("uAlsaSetSwParams %d frame! line:%d.\r\n", static_cast<int>(param.start_threshold), __LINE__);
        res = uAlsaSetSwParams(pcm, param.start_threshold);
    } else {
        PCM_LOG("uAlsaSetSwParams default! line:%d.\r\n", __LINE__);
        res = uAlsaSetSwParams(pcm, pcm->buffer_size);
    }
    if (res != 0) {
        PCM_LOG("uAlsaSetSwParams error! line:%d.\r\n", __LINE__);
        return failOpen(pcm, device);
    }
    return pcm;
}

int32_t uAlsaPcmClose(PcmContainer* pcm, uint8_t drain)
{
    if (pcm == nullptr) {
        return -1;
    }
    if (pcm->handle != nullptr) {
        if (drain != 0) {
            snd_pcm_drain(pcm->handle);
        } else {
            snd_pcm_drop(pcm->handle);
        }
        snd_pcm_close(pcm->handle);
    }
    std::free(pcm->data_buf);
    std::free(pcm);
    return 0;
}
