#include "main/gui/tone/gui_tone.h"

#include "main/audio_client/vesk_ipc.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/wrapper/wrapper_amp.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/timerd/gui_log.h"
#include "platform/quorid/quorid.h"
#include "platform/sbroot/sb_root.h"

#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <list>
#include <mutex>
#include <new>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* kToneDir = "/res/tone";
constexpr const char* kToneExt = "wav";
constexpr const char* kPcmMarker = "/tmp/kvxac2_opened";
constexpr const char* kBufRule = "vesk_dbg bufrule 6 6 24 0 0";
constexpr const char* kRmMarker = "rm -rf /tmp/kvxac2_opened";
constexpr uint32_t kToneStream = 2;
constexpr std::array<uint8_t, 4> kToneLevelVol{0, 5, 8, 15};
constexpr auto kVolSettle = std::chrono::milliseconds(50);
constexpr auto kIdlePoll = std::chrono::milliseconds(10);
constexpr auto kDoneWaitStep = std::chrono::milliseconds(100);
constexpr int kDoneWaitTries = 40;
constexpr auto kStopWait = std::chrono::seconds(1);
// Link tones are heard only in these states: on, Bluetooth source, shop, bypass, standard test.
constexpr uint32_t kBtToneStates = 0x14a08;
constexpr uint16_t kFmtShowDelayTicks = 2;

constexpr std::array<const char*, E_GUI_TONE_IDX_MAX + 1> kToneNames{
    "",           "Power_On",     "Power_Off",       "Src_ARC",        "Src_eARC",       "Src_Hdmiin",
    "Src_OPT",    "Src_AUX",      "Src_USB",         "Src_BT",         "BT_Pairing",     "BT_Connected",
    "BT_Disconnected", "Surl_Connected", "Surr_Connected", "Subw_Connected",
};

// The queue, the queued count and the player's pid are shared by the GUI thread, the GUI timers and
// the player thread: all three are guarded by `lock`. The player thread is the child's one reaper;
// it clears `pid` before it collects the child, so a pid seen under the lock is never a reaped one.
struct GuiToneObj {
    std::atomic<uint8_t> beep_en{0};
    std::atomic<uint32_t> vol{0};
    std::list<uint8_t> queue;
    uint8_t tone_cnt = 0;
    pid_t pid = -1;
    std::atomic<uint8_t> running{0};
    std::thread thread;
    std::mutex lock;
    std::condition_variable cond;
    std::atomic<uint8_t> init{0};
    std::atomic<GuiToneMuteStsGet> mute_get{nullptr};
};

GuiToneObj gGuiToneThisObj;

GuiToneObj& obj()
{
    return gGuiToneThisObj;
}

bool toneOff()
{
    return obj().beep_en.load() == 0 || obj().vol.load() == 0;
}

// Tone stream and amplifiers at the level's volume.
void __guiToneVolSet(uint32_t level)
{
    if (level >= kToneLevelVol.size()) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    uint8_t value = kToneLevelVol[level];
    GUI_LOG_INFO("target_vol = %d!", value);
    vesk_set_stream_vol_ipc(kToneStream, value);
    guiWrapperAmpVolSet(&value);
    std::this_thread::sleep_for(kVolSettle);
}

// The amplifiers back at the music volume.
void guiToneMVolSet()
{
    uint8_t vol = guiWrapperMusicVolGet();
    GUI_LOG_INFO("vol = %d!", vol);
    guiWrapperAmpVolSet(&vol);
}

bool queueEmptyLocked()
{
    return obj().pid <= 0 && obj().tone_cnt == 0;
}

void playOne(uint8_t idx)
{
    GuiToneObj& o = obj();
    quorid_exec(kBufRule, 0);
    char path[GUI_TONE_PATH_SIZE] = {};
    guiTonePathGet(idx, path);
    const std::string file = sb::path(path);
    __guiToneVolSet(o.vol.load());
    GUI_LOG_ERR("aplay -Dsub1 %s", path);
    std::unique_lock<std::mutex> guard(o.lock);
    const pid_t child = fork();
    if (child == 0) {
        // Only async-signal-safe calls in the child of a threaded process.
        execlp("aplay", "aplay", "-Dsub1", file.c_str(), static_cast<char*>(nullptr));
        static const char kMsg[] = "execlp: cannot run aplay\n";
        ssize_t ignored = write(STDERR_FILENO, kMsg, sizeof kMsg - 1);
        (void)ignored;
        _exit(1);
    }
    if (child < 0) {
        guard.unlock();
        GUI_LOG_ERR("fork %s err!", std::strerror(errno));
    } else {
        o.pid = child;
        guard.unlock();
        GUI_LOG_INFO("parent pid=%d, child pid=%d", static_cast<int>(getpid()), static_cast<int>(child));
        // Wait without collecting: the pid stays ours until it is cleared under the lock.
        siginfo_t info{};
        while (waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
        }
        guard.lock();
        o.pid = -1;
        o.cond.notify_all();
        guard.unlock();
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        GUI_LOG_INFO("child process exited with status %d ", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    quorid_exec(kRmMarker, 0);
    guiToneMVolSet();
    GUI_LOG_ERR("tone play %s success!", path);
}

void guiToneProcessThread()
{
    GuiToneObj& o = obj();
    std::unique_lock<std::mutex> guard(o.lock);
    while (o.running.load() != 0) {
        if (o.queue.empty()) {
            o.cond.wait_for(guard, kIdlePoll);
            continue;
        }
        const uint8_t idx = o.queue.front();
        guard.unlock();
        GUI_LOG_INFO("tone_idx=%d", idx);
        playOne(idx);
        guard.lock();
        // A stop or power-on may have emptied the queue meanwhile; the entry played is the head.
        if (!o.queue.empty()) {
            o.queue.pop_front();
        }
        if (o.tone_cnt != 0) {
            --o.tone_cnt;
        }
        GUI_LOG_INFO("tone_cnt=%d", o.tone_cnt);
        o.cond.notify_all();
    }
}

}  // namespace

void guiToneMuteStsGetRegister(GuiToneMuteStsGet get)
{
    obj().mute_get = get;
}

void guiToneInit(void)
{
    GuiToneObj& o = obj();
    if (o.init.load() != 0) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(o.lock);
        o.queue.clear();
        o.tone_cnt = 0;
        o.pid = -1;
    }
    o.beep_en = 0;
    o.vol = 0;
    o.running = 1;
    try {
        o.thread = std::thread(guiToneProcessThread);
    } catch (const std::system_error&) {
        o.running = 0;
        GUI_LOG_ERR("Create guiOpsWriteThread failed!");
        return;
    }
    o.init = 1;
    GUI_LOG_INFO("guiToneInit %d!", 1);
}

void guiToneExit(void)
{
    GuiToneObj& o = obj();
    if (o.init.load() == 0) {
        return;
    }
    o.running = 0;
    {
        std::lock_guard<std::mutex> guard(o.lock);
        o.queue.clear();
        o.tone_cnt = 0;
        // No child may outlive the program that started it.
        if (o.pid > 0) {
            kill(o.pid, SIGKILL);
        }
        o.cond.notify_all();
    }
    if (o.thread.joinable()) {
        o.thread.join();
    }
    o.init = 0;
}

void guiToneEnableSet(uint8_t beepEn)
{
    GUI_LOG_INFO("beep_en=%d", beepEn);
    obj().beep_en = beepEn;
}

void guiToneVolSet(uint32_t vol)
{
    if (vol >= kToneLevelVol.size()) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    obj().vol = vol;
    GUI_LOG_INFO("vol = %d!", static_cast<int>(vol));
}

uint32_t guiToneVolGet(void)
{
    return obj().vol.load();
}

void guiToneIdxAdd(uint8_t idx)
{
    GuiToneObj& o = obj();
    if (toneOff()) {
        GUI_LOG_INFO("beep_en=%d, vol=%d", o.beep_en.load(), static_cast<int>(o.vol.load()));
        return;
    }
    // Checked and allocated before the music is silenced, so a refused tone leaves it playing.
    if (idx == 0 || idx > E_GUI_TONE_IDX_MAX) {
        GUI_LOG_ERR("tone_idx=%d out of range", idx);
        return;
    }
    std::list<uint8_t> node;
    try {
        node.push_back(idx);
    } catch (const std::bad_alloc&) {
        GUI_LOG_ERR("create tone list idx=%d failed!", idx);
        return;
    }
    __guiToneVolSet(0);
    GUI_LOG_INFO("tone_idx=%d", idx);
    std::lock_guard<std::mutex> guard(o.lock);
    ++o.tone_cnt;
    GUI_LOG_INFO("tone_cnt=%d!", o.tone_cnt);
    o.queue.splice(o.queue.end(), node);
    o.cond.notify_all();
}

namespace {

// Forgets the queued tones that have not started; the one playing stays the head until it ends.
void dropWaiting()
{
    GuiToneObj& o = obj();
    std::lock_guard<std::mutex> guard(o.lock);
    if (o.pid > 0 && !o.queue.empty()) {
        o.queue.erase(std::next(o.queue.begin()), o.queue.end());
        o.tone_cnt = 1;
    } else {
        o.queue.clear();
        o.tone_cnt = 0;
    }
}

void powerTone(uint8_t idx)
{
    dropWaiting();
    guiToneIdxAdd(idx);
}

}  // namespace

void guiTonePowerOn(void)
{
    powerTone(E_GUI_TONE_IDX_POWER_ON);
}

void guiTonePowerOff(void)
{
    powerTone(E_GUI_TONE_IDX_POWER_OFF);
}

void guiToneStop(void)
{
    GuiToneObj& o = obj();
    pid_t pid = -1;
    {
        std::lock_guard<std::mutex> guard(o.lock);
        if (o.pid <= 0 && o.tone_cnt == 0) {
            GUI_LOG_INFO("Found no tone");
            return;
        }
        pid = o.pid;
    }
    __guiToneVolSet(0);
    {
        std::unique_lock<std::mutex> guard(o.lock);
        // Signalled only while the reaper has not released it: a gone child's pid may be reused.
        if (o.pid > 0 && o.pid == pid) {
            kill(pid, SIGKILL);
            if (!o.cond.wait_for(guard, kStopWait, [&] { return o.pid != pid; })) {
                GUI_LOG_ERR("after 1s wait, force kill pid=%d", static_cast<int>(pid));
            }
        }
    }
    struct stat st {};
    if (stat(sb::path(kPcmMarker).c_str(), &st) == 0) {
        GUI_LOG_INFO("%s exists", kPcmMarker);
        quorid_exec(kRmMarker, 0);
    }
    guiToneMVolSet();
    GUI_LOG_INFO("Stopped tone with PID: %d", static_cast<int>(pid));
}

uint32_t guiTonePlayDoneGet(void)
{
    GuiToneObj& o = obj();
    if (toneOff()) {
        GUI_LOG_INFO("beep_en=%d, vol=%d", o.beep_en.load(), static_cast<int>(o.vol.load()));
        return 1;
    }
    std::lock_guard<std::mutex> guard(o.lock);
    if (queueEmptyLocked()) {
        GUI_LOG_INFO("Found no tone");
        return 1;
    }
    return 0;
}

void guiTonePlayDoneWait(uint32_t)
{
    GuiToneObj& o = obj();
    if (guiTonePlayDoneGet() != 0) {
        return;
    }
    std::unique_lock<std::mutex> guard(o.lock);
    for (int retry = 0; retry < kDoneWaitTries && !queueEmptyLocked(); ++retry) {
        GUI_LOG_INFO("pid=%d, retry_cnt=%d, try again!", static_cast<int>(o.pid), retry);
        o.cond.wait_for(guard, kDoneWaitStep, [] { return queueEmptyLocked(); });
    }
}

void guiToneBtStsProcess(uint16_t evt)
{
    const uint32_t state = guiManagerAppStateGet();
    GUI_LOG_INFO("sys_state=0x%x, evt = 0x%x!", state, evt);
    if ((state & kBtToneStates) == 0) {
        return;
    }
    if (GuiToneMuteStsGet get = obj().mute_get.load(); get != nullptr && get() != 0) {
        GUI_LOG_INFO("mute status!");
        return;
    }
    switch (evt) {
        case E_GUI_SYS_EVT_BT_PAIRING:
            guiToneIdxAdd(E_GUI_TONE_IDX_BT_PAIRING);
            break;
        case E_GUI_SYS_EVT_BT_DISCONNECTED:
            guiToneIdxAdd(E_GUI_TONE_IDX_BT_DISCONNECTED);
            break;
        case E_GUI_SYS_EVT_BT_CONNECTED:
            guiToneIdxAdd(E_GUI_TONE_IDX_BT_CONNECTED);
            break;
        default:
            break;
    }
}

void guiToneWirlessStsProcess(uint8_t connType)
{
    if (connType > 2) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    if (GuiToneMuteStsGet get = obj().mute_get.load(); get != nullptr && get() != 0) {
        GUI_LOG_INFO("mute status!");
        return;
    }
    guiWrapperMusicDelayShowFmtSet(kFmtShowDelayTicks);
    if (connType == 1) {
        guiToneIdxAdd(E_GUI_TONE_IDX_SURL_CONNECTED);
    } else if (connType == 2) {
        guiToneIdxAdd(E_GUI_TONE_IDX_SURR_CONNECTED);
    }
}

void guiTonePathGet(uint32_t idx, char path[GUI_TONE_PATH_SIZE])
{
    GUI_LOG_INFO("tone idx get= %d", static_cast<int>(idx));
    if (path == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    path[0] = '\0';
    if (idx >= 1 && idx <= E_GUI_TONE_IDX_MAX) {
        std::snprintf(path, GUI_TONE_PATH_SIZE, "%s/%s.%s", kToneDir, kToneNames[idx], kToneExt);
    }
    GUI_LOG_INFO("path=%s", path);
}

pid_t guiTonePidGet(const char* name)
{
    if (name == nullptr) {
        return -1;
    }
    // The host's own process table: the processes are real ones, not the board simulator's.
    DIR* dir = opendir("/proc");
    if (dir == nullptr) {
        std::perror("opendir");
        return -1;
    }
    pid_t found = -1;
    while (dirent* entry = readdir(dir)) {
        const char* d = entry->d_name;
        bool digits = *d != '\0';
        for (const char* c = d; *c != '\0'; ++c) {
            digits = digits && std::isdigit(static_cast<unsigned char>(*c)) != 0;
        }
        if (!digits) {
            continue;
        }
        const std::string cmdline = std::string("/proc/") + d + "/cmdline";
        FILE* f = std::fopen(cmdline.c_str(), "rb");
        if (f == nullptr) {
            continue;
        }
        std::array<char, 257> buf{};
        const size_t n = std::fread(buf.data(), 1, buf.size() - 1, f);
        std::fclose(f);
        buf[n] = '\0';  // the first word ends at its own NUL, or here
        if (n > 0 && std::strcmp(buf.data(), name) == 0) {
            found = static_cast<pid_t>(std::strtol(d, nullptr, 10));
            break;
        }
    }
    closedir(dir);
    return found;
}
