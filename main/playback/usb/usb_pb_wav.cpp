#include "main/playback/usb/usb_pb_wav.h"

#include "main/mw/os_pthread/os_sema.h"
#include "main/playback/playback_alsa/playback_alsa.h"
#include "main/playback/usb/usb_pb_send.h"
#include "main/playback/usb/usb_pb_log.h"
#include "main/playback/usb/usb_playlist.h"
#include "main/playback/wav_parser/wav_parser.h"
#include "main/state_mngr/state_mngr.h"
#include "platform/quorid/quorid.h"
#include "platform/sbroot/sb_root.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kOpenTries = 10;
constexpr auto kOpenRetryWait = std::chrono::milliseconds(20);
constexpr uint32_t kMaxBufferTimeUs = 200000;
// How long the thread sleeps between looks while paused or switching when nobody wakes it.
constexpr auto kIdlePoll = std::chrono::seconds(1);

constexpr uint32_t kDirForward = 0;
constexpr uint32_t kDirBackward = 1;

struct WavPath {
    // Written by the application's thread, polled by the playback thread.
    std::atomic<uint8_t> paused{0};
    std::atomic<uint8_t> running{0};
    std::atomic<uint8_t> switching{0};
    // Steps a handler posts to itself carry the session they belong to; STOP starts a new one, so
    // the steps of a track change still queued then are dropped instead of starting playback
    // again after "stopped" was reported.
    std::atomic<int64_t> session{1};
    // The session the playback thread was started in: its own requests for the next track carry it.
    std::atomic<int64_t> threadSession{0};

    sema_t* endSema = nullptr;
    sema_t* switchSema = nullptr;
    std::thread thread;

    // Wakes the thread out of its paused or switching poll when a flag changes.
    std::mutex wakeMutex;
    std::condition_variable wake;

    // Under the switch semaphore (or before the thread exists).
    PcmContainer pcm{};
    int fd = -1;
    std::array<char, USB_PB_WAV_NAME_SIZE> fileName{};
    int64_t played = 0;
    int64_t dataLength = 0;
    uint32_t loaded = 0;

    // Application thread only: tracks skipped in a row since one was set up.
    uint32_t skipsInRow = 0;
};
WavPath w;

// A held switch semaphore; the semaphore may be missing when its creation failed.
class SwitchLock {
public:
    SwitchLock() { playbackUsbLockSwitchSema(); }
    ~SwitchLock() { playbackUsbUnlockSwitchSema(); }
    SwitchLock(const SwitchLock&) = delete;
    SwitchLock& operator=(const SwitchLock&) = delete;
};

void wakeThread()
{
    std::lock_guard<std::mutex> lock(w.wakeMutex);
    w.wake.notify_all();
}

// Waits while paused or switching (or, with `forPoll`, one whole poll period) unless the thread
// is being ended.
void idleWait(bool forPoll)
{
    std::unique_lock<std::mutex> lock(w.wakeMutex);
    w.wake.wait_for(lock, kIdlePoll, [forPoll] {
        return w.running.load() == 0 || (!forPoll && w.paused.load() == 0 && w.switching.load() == 0);
    });
}

int32_t postStep(usb_pb_id id, uint32_t direction = kDirForward, int64_t session = w.session.load())
{
    usb_pb_msg_t msg{};
    msg.ui4Path = USB_PB_PATH_PCM;
    msg.ui4Id = id;
    msg.i8Value = session;
    msg.ui4Arg = direction;
    return uPlaybackUsbSendMsg(&msg);
}

uint32_t normDirection(uint32_t arg)
{
    return arg == kDirBackward ? kDirBackward : kDirForward;
}

void drainEndSema()
{
    if (w.endSema != nullptr) {
        while (uSemaLock(w.endSema, SEMA_OPTION_NOWAIT) == OSR_OK) {
        }
    }
}

// Ends the thread, whether it still runs or ended by itself, and waits for it: once this returns
// no thread touches the PCM or the file.
void endThread()
{
    if (w.running.load() != 0) {
        USB_PB_INFO("alsa stop starting\n");
    }
    w.running.store(0);
    wakeThread();
    if (w.thread.joinable()) {
        playbackUsbLockPbSema();
        w.thread.join();
    }
}

// Waits for a thread that is ending by itself (its file had no data), so that its last close of
// the PCM and the file cannot hit the ones a track change opens next.
void reapEndedThread()
{
    if (w.running.load() == 0 && w.thread.joinable()) {
        playbackUsbLockPbSema();
        w.thread.join();
    }
}

int32_t onStop()
{
    w.session.fetch_add(1);
    endThread();
    w.skipsInRow = 0;
    USB_PB_INFO("alsa stop finished\n");
    uPlaybackUsbSendPbStatusToSm(SM_PLAY_STATUS_STOP);
    return 0;
}

// A track that cannot be played: on to the next one in the direction of travel, unless a whole
// pass over the list found nothing playable.
int32_t skipTrack(uint32_t direction)
{
    const uint32_t tracks = playbackUsbGetTrackCount();
    if (++w.skipsInRow >= tracks) {
        USB_PB_ERR("no wav file of %u can be played, stop\n", tracks);
        onStop();
        return -1;
    }
    USB_PB_INFO("goto playback next wav\n");
    postStep(direction == kDirBackward ? USB_PB_PREVIOUS : USB_PB_NEXT, direction);
    return -1;
}

void closeFile()
{
    if (w.fd >= 0) {
        close(w.fd);
        w.fd = -1;
    }
}

void freePcm()
{
    std::free(w.pcm.data_buf);
    w.pcm.data_buf = nullptr;
    if (w.pcm.handle != nullptr) {
        snd_pcm_close(w.pcm.handle);
        w.pcm.handle = nullptr;
    }
}

int32_t onParseFile(uint32_t direction)
{
    reapEndedThread();
    int32_t ret = 0;
    {
        SwitchLock lock;
        // The container and the file change under the thread: it waits until the PCM is set up.
        if (w.running.load() != 0) {
            w.switching.store(1);
        }
        ret = playbackUsbOpenWavFile();
    }
    if (ret == 0) {
        postStep(USB_PB_SET_HW_PARAMS, direction);
        return 0;
    }
    if (ret == -2) {
        return skipTrack(direction);
    }
    return -1;
}

// Opens "track:4" and configures it for the parsed file, under the switch semaphore: 0 when the
// running thread goes on with it, 1 when a thread has to be started; -1 when the PCM cannot be
// opened; -2 when the parameters cannot be set (the PCM is closed again).
int32_t openPcmForFile()
{
    SwitchLock lock;
    if (w.running.load() != 0) {
        w.switching.store(1);
    }
    freePcm();
    for (int count = 1;; ++count) {
        const int err = snd_pcm_open(&w.pcm.handle, USB_PB_WAV_PCM_NAME, SND_PCM_STREAM_PLAYBACK, 0);
        if (err >= 0) {
            break;
        }
        w.pcm.handle = nullptr;
        USB_PB_ERR("snd_pcm_open handle %s fail, count:%d\n", USB_PB_WAV_PCM_NAME, count);
        if (count >= kOpenTries) {
            USB_PB_ERR("snd_pcm_open handle %s fail, retry count:%d, exit!\n", USB_PB_WAV_PCM_NAME, count);
            return -1;
        }
        std::this_thread::sleep_for(kOpenRetryWait);
    }
    USB_PB_INFO("snd_pcm_open handle %s ok\n", USB_PB_WAV_PCM_NAME);
    if (uAlsaSetHwParams(&w.pcm, kMaxBufferTimeUs) != 0) {
        USB_PB_ERR("set alsa hw params fail\n");
        return -2;
    }
    USB_PB_INFO("set alsa hw params ok\n");
    w.skipsInRow = 0;
    if (w.running.load() == 0) {
        return 1;
    }
    playbackUsbResetNextWavParams();
    w.switching.store(0);
    wakeThread();
    return 0;
}

int32_t onSetHwParams(uint32_t direction)
{
    reapEndedThread();
    // The semaphore is free again here: a stop that the skip may end in waits for the thread,
    // which needs the semaphore to finish.
    const int32_t ret = openPcmForFile();
    if (ret == -1) {
        uPlaybackUsbSendPbStatusToSm(SM_PLAY_STATUS_STOP);
        return -1;
    }
    if (ret == -2) {
        return skipTrack(direction);
    }
    if (ret == 1) {
        postStep(USB_PB_CREATE_PB_THREAD);
    }
    return 0;
}

void playbackUsbAlsaPlaybackThread();

int32_t onCreateThread()
{
    if (w.running.load() != 0) {
        USB_PB_ERR("playback thread is already running\n");
        return -1;
    }
    // Without them the thread and the handlers would share the PCM unguarded.
    if (w.switchSema == nullptr || w.endSema == nullptr) {
        USB_PB_ERR("no semaphores, no playback thread\n");
        return -1;
    }
    reapEndedThread();
    drainEndSema();
    w.paused.store(0);
    w.switching.store(0);
    // Set before the thread exists, so a STOP right after this always finds it running.
    w.running.store(1);
    w.threadSession.store(w.session.load());
    try {
        w.thread = std::thread(playbackUsbAlsaPlaybackThread);
    } catch (const std::system_error& e) {
        w.running.store(0);
        USB_PB_ERR("create playback thread fail: %s\n", e.what());
        return -1;
    }
    return 0;
}

int32_t resume()
{
    int32_t ret = 0;
    {
        SwitchLock lock;
        ret = uAlsaResume(w.pcm.handle);
    }
    if (ret != 0) {
        return -1;
    }
    w.paused.store(0);
    wakeThread();
    uPlaybackUsbSendPbStatusToSm(SM_PLAY_STATUS_PLAY);
    return 0;
}

int32_t onPause()
{
    USB_PB_INFO("USB_PB_PAUSE/USB_PB_PLAY_PAUSE at line %d\n", __LINE__);
    if (w.running.load() == 0) {
        return 0;
    }
    if (w.paused.load() == 0) {
        w.paused.store(1);
        uPlaybackUsbSendPbStatusToSm(SM_PLAY_STATUS_PAUSE);
        SwitchLock lock;
        return uAlsaPause(w.pcm.handle) == 0 ? 0 : -1;
    }
    if (resume() != 0) {
        USB_PB_ERR("alsa resume from pause failed!\n");
        return -1;
    }
    return 0;
}

// The next or previous entry, wrapping at both ends whatever the play mode.
int32_t onMove(bool forward)
{
    UsbPbNode* current = playbackUsbGetCurrentEntry();
    UsbPbNode* head = playbackUsbGetPlaylistHead();
    if (current == nullptr || head == nullptr) {
        USB_PB_ERR("Wav playback list delet or error\n");
        return -1;
    }
    int32_t index = 0;
    if (forward) {
        index = current->next != nullptr ? static_cast<int32_t>(current->next->index) : 1;
    } else {
        index = current->prev != nullptr ? static_cast<int32_t>(current->prev->index) : INT32_MAX;
    }
    playbackUsbLocateByIndex(head, index);
    current = playbackUsbGetCurrentEntry();
    if (forward) {
        USB_PB_INFO("Next playback file name is %s\n", current->path);
    } else {
        USB_PB_INFO("Previous playback file name is %s\n", current->path);
    }
    reapEndedThread();
    if (w.running.load() != 0) {
        w.switching.store(1);
    }
    {
        SwitchLock lock;
        playbackUsbStopPcmPlayback();
    }
    postStep(USB_PB_PARSER_FILE, forward ? kDirForward : kDirBackward);
    return 0;
}

int32_t onStateCheck()
{
    {
        SwitchLock lock;
        uAlsaGetPcmState(w.pcm.handle);
    }
    USB_PB_INFO("current playback status is %d\n", playbackUsbWavStatus());
    quorid_exec("ls -l", 0);
    return 0;
}

// Fills the period buffer from the file, from `loaded` on, up to a period or the end of the data.
void fillChunk()
{
    while (w.loaded < w.pcm.chunk_bytes) {
        const int64_t left = w.dataLength - w.played;
        const int64_t want = (left < w.pcm.chunk_bytes ? left : w.pcm.chunk_bytes) - w.loaded;
        if (want <= 0) {
            break;
        }
        const ssize_t n = playbackUsbSaferead(w.fd, w.pcm.data_buf + w.loaded, static_cast<size_t>(want));
        if (n < 0) {
            USB_PB_ERR("Error playbackUsbSaferead\n");
            break;
        }
        if (n == 0) {
            break;
        }
        w.loaded += static_cast<uint32_t>(n);
    }
}

// One pass of the thread, under the switch semaphore: fill and write one period, then account for it.
// False when the thread has nothing to write now and should wait.
bool writeOneChunk()
{
    SwitchLock lock;
    // The application's thread may have paused, switched or closed everything while this one
    // waited for the semaphore.
    if (w.running.load() == 0 || w.paused.load() != 0 || w.switching.load() != 0) {
        return true;
    }
    if (w.pcm.handle == nullptr || w.pcm.data_buf == nullptr || w.fd < 0 || w.pcm.chunk_bytes == 0) {
        return false;
    }
    if (w.played < w.dataLength) {
        fillChunk();
        if (w.loaded == 0) {
            // The file ended before its data chunk said (a streamed file): the track is over,
            // rather than a period of silence for ever.
            w.played = w.dataLength;
        } else {
            const uint32_t bitsPerFrame = w.pcm.bits_per_frame;
            const uint32_t frames =
                bitsPerFrame != 0 ? static_cast<uint32_t>(uint64_t{w.loaded} * 8 / bitsPerFrame) : 0;
            const int32_t written = uAlsaWritePcm(&w.pcm, frames);
            if (written == -1 && w.paused.load() != 0) {
                return true;  // the same period goes out whole after the resume
            }
            if (written != static_cast<int32_t>(frames) && written != static_cast<int32_t>(w.pcm.chunk_size)) {
                USB_PB_ERR("Error write pcm frame number is %d but load is %d\n", written,
                           static_cast<int32_t>(frames));
            }
            // A failed write drops the period, so a broken device cannot hold the thread on it.
            w.played += written > 0 ? static_cast<int64_t>(written) * bitsPerFrame / 8 : w.loaded;
            if (w.played == static_cast<int64_t>(w.pcm.chunk_bytes)) {
                uPlaybackUsbSendPbStatusToSm(SM_PLAY_STATUS_PLAY);
            }
            w.loaded = 0;
        }
    }
    if (w.played >= w.dataLength) {
        playbackUsbContinuePlaybackNextWav();
    }
    return true;
}

void playbackUsbAlsaPlaybackThread()
{
    bool hasData = false;
    {
        SwitchLock lock;
        w.loaded = 0;
        w.played = 0;
        w.dataLength = w.pcm.data_count;
        hasData = w.dataLength >= 1;
    }
    if (!hasData) {
        w.running.store(0);
        w.paused.store(1);
    } else {
        uPlaybackUsbSendPbStatusToSm(SM_PLAY_STATUS_PLAY);
    }
    while (w.running.load() != 0) {
        if (w.paused.load() != 0 || w.switching.load() != 0) {
            idleWait(false);
        } else if (!writeOneChunk()) {
            idleWait(true);  // nothing open to play: look again later
        }
    }
    {
        SwitchLock lock;
        playbackUsbStopPcmPlayback();
    }
    USB_PB_INFO("playback_usb wav file finished\n");
    playbackUsbUnlockPbSema();
}

}  // namespace

void playbackUsbWavInit(void)
{
    w.paused.store(0);
    w.running.store(0);
    w.switching.store(0);
    w.skipsInRow = 0;
    w.fd = -1;
    w.pcm = PcmContainer{};
    if (uSemaCreate(&w.endSema, SEMA_TYPE_BINARY, 0) != OSR_OK) {
        w.endSema = nullptr;
        USB_PB_ERR("ERR: _playback_usb_create_sema error\n");
    }
    if (uSemaCreate(&w.switchSema, SEMA_TYPE_BINARY, 1) != OSR_OK) {
        w.switchSema = nullptr;
        USB_PB_ERR("ERR: playbackUsbCreateSwitchSema error\n");
    }
}

void playbackUsbWavExit(void)
{
    w.session.fetch_add(1);
    endThread();
    playbackUsbStopPcmPlayback();
    if (w.endSema != nullptr) {
        uSemaDelete(w.endSema);
        w.endSema = nullptr;
    }
    if (w.switchSema != nullptr) {
        uSemaDelete(w.switchSema);
        w.switchSema = nullptr;
    }
}

int32_t playbackUsbPcmMsgProcess(usb_pb_msg_t msg)
{
    USB_PB_INFO("%s is called, msg id is %d\n", "playbackUsbPcmMsgProcess", static_cast<int>(msg.ui4Id));
    if (msg.i8Value != 0 && msg.i8Value != w.session.load()) {
        USB_PB_INFO("step %u of a stopped playback dropped\n", msg.ui4Id);
        return 0;
    }
    switch (msg.ui4Id) {
    case USB_PB_START:
        return playbackUsbSendPlayRequestToSm();
    case USB_PB_CREATE_PB_LIST:
        w.skipsInRow = 0;
        if (playbackUsbUpdatePlaybackList() != 0) {
            uPlaybackUsbSendPbStatusToSm(SM_PLAY_STATUS_STOP);
            return -1;
        }
        postStep(USB_PB_PARSER_FILE, kDirForward);
        return 0;
    case USB_PB_PARSER_FILE:
        return onParseFile(normDirection(msg.ui4Arg));
    case USB_PB_SET_HW_PARAMS:
        return onSetHwParams(normDirection(msg.ui4Arg));
    case USB_PB_CREATE_PB_THREAD:
        return onCreateThread();
    case USB_PB_PLAY:
        if (w.running.load() != 0 && w.paused.load() != 0) {
            return resume();
        }
        return 0;
    case USB_PB_PAUSE:
    case USB_PB_PLAY_PAUSE:
        return onPause();
    case USB_PB_NEXT:
        return onMove(true);
    case USB_PB_PREVIOUS:
        return onMove(false);
    case USB_PB_STOP:
        return onStop();
    case USB_PB_DELET_PB_LIST:
        playbackUsbDeletePlaylist();
        return 0;
    case USB_PB_PCM_STATE_CHECK:
        return onStateCheck();
    default:
        return 0;
    }
}

int32_t playbackUsbWavStatus(void)
{
    if (w.running.load() == 0) {
        return 0;
    }
    return w.paused.load() != 0 ? 3 : 1;
}

void playbackUsbStopPcmPlayback(void)
{
    if (w.pcm.handle != nullptr) {
        snd_pcm_drain(w.pcm.handle);
    }
    closeFile();
    freePcm();
}

void playbackUsbResetNextWavParams(void)
{
    w.loaded = 0;
    w.played = 0;
    w.dataLength = w.pcm.data_count;
    if (w.dataLength < 1) {
        w.running.store(0);
        w.paused.store(1);
    } else {
        w.running.store(1);
        w.paused.store(0);
    }
}

void playbackUsbContinuePlaybackNextWav(void)
{
    w.switching.store(1);
    postStep(USB_PB_NEXT, kDirForward, w.threadSession.load());
}

ssize_t playbackUsbSaferead(int fd, void* buffer, size_t length)
{
    size_t got = 0;
    while (got < length) {
        const ssize_t n = read(fd, static_cast<uint8_t*>(buffer) + got, length - got);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return got > 0 ? static_cast<ssize_t>(got) : n;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

int32_t playbackUsbOpenWavFile(void)
{
    closeFile();
    const UsbPbNode* current = playbackUsbGetCurrentEntry();
    if (current == nullptr || current->path == nullptr) {
        USB_PB_ERR("Wav playback list delet or error\n");
        return -1;
    }
    // A cut path would name another file.
    if (std::strlen(current->path) >= w.fileName.size()) {
        USB_PB_ERR("file path of %zu bytes is too long, skip it\n", std::strlen(current->path));
        return -2;
    }
    std::snprintf(w.fileName.data(), w.fileName.size(), "%s", current->path);
    USB_PB_INFO("set filename is %s\n", w.fileName.data());
    w.fd = open(sb::path(w.fileName.data()).c_str(), O_RDONLY | O_CLOEXEC);
    if (w.fd < 0) {
        USB_PB_ERR("open file %s fail\n", w.fileName.data());
        return -1;
    }
    if (uWaveFileGetPcmContainer(w.fd, &w.pcm) != 0) {
        USB_PB_ERR("parser usb wav file %s fail\n", w.fileName.data());
        return -2;
    }
    USB_PB_INFO("parser usb wav file %s ok\n", w.fileName.data());
    return 0;
}

uint8_t playbackUsbGetPauseFlag(void)
{
    return w.paused.load();
}

void playbackUsbSetPauseFlag(uint8_t flag)
{
    w.paused.store(flag);
    wakeThread();
}

uint8_t playbackUsbGetPbThreadRunningFlag(void)
{
    return w.running.load();
}

void playbackUsbSetPbThreadRunningFlag(uint8_t flag)
{
    w.running.store(flag);
    wakeThread();
}

uint8_t playbackUsbGetSwitchFlag(void)
{
    return w.switching.load();
}

void playbackUsbSetSwitchFlag(uint8_t flag)
{
    w.switching.store(flag);
    wakeThread();
}

void playbackUsbLockPbSema(void)
{
    if (w.endSema != nullptr) {
        uSemaLock(w.endSema, SEMA_OPTION_WAIT);
    }
}

void playbackUsbUnlockPbSema(void)
{
    if (w.endSema != nullptr) {
        uSemaUnlock(w.endSema);
    }
}

void playbackUsbLockSwitchSema(void)
{
    if (w.switchSema != nullptr) {
        uSemaLock(w.switchSema, SEMA_OPTION_WAIT);
    }
}

void playbackUsbUnlockSwitchSema(void)
{
    if (w.switchSema != nullptr) {
        uSemaUnlock(w.switchSema);
    }
}
