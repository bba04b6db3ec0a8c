#include "sileth/sileth_daemon.h"

#include "platform/quorid/quorid.h"
#include "platform/sbroot/sb_root.h"
#include "sileth/sileth_cfg.h"
#include "sileth/sileth_child.h"
#include "sileth/sileth_dbg.h"
#include "sileth/sileth_log.h"
#include "sileth/sileth_queue.h"
#include "sileth/sileth_shm.h"
#include "sileth/sileth_src.h"
#include "sileth/sileth_udev.h"

#include <gst/gst.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>
#include <string>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kStartStopNone = 255;
constexpr int kStopTries = 5;
constexpr int kExitReplyGraceMs = 200;

// The port a PLAY selects for each source type; 6 and up keep the previous PLAY's port.
constexpr uint32_t kPortOfSrcType[] = {SPDIF_SRC, ARC_SRC, HDMI_RX0_SRC, ARC_SRC, BT_IN_SRC, AUX_IN_SRC};

struct Daemon {
    // Shared with the receive, listener and switch-event threads and the signal handlers: one
    // writer or one consumer each, so single atomic words and no lock.
    std::atomic<bool> initDone{false};
    std::atomic<bool> run{false};
    std::atomic<bool> streamChanged{false};
    std::atomic<bool> childExited{false};
    std::atomic<bool> xupmixRestart{false};
    std::atomic<bool> manualStart{false};
    // STOPs not answered yet: a second STOP that arrives while the first one's child is still
    // being stopped gets a reply of its own instead of merging into the first.
    std::atomic<int> pendingStops{0};
    std::atomic<uint32_t> state{GST_IDLE};
    std::atomic<int32_t> drcMode{0};
    std::atomic<uint32_t> srcType{0};
    std::atomic<int> startStopSignal{kStartStopNone};
    std::atomic<pid_t> childPid{0};
    std::atomic<uint8_t> flowMute{0};

    // The receive thread's own.
    uint32_t lastPlayPort = NONE_SRC;

    // The daemon thread's own.
    bool reload = true;
    bool dataFlag = false;
    SourceInfo info;
    uint32_t savedStreamType = 0;
    int32_t savedRate = 0;
    int32_t savedChannels = 0;
    int32_t savedDrcMode = 0;
    eGstCodec codec = GST_PCM;
    int32_t sinkRate = 0;
    int32_t sinkChannels = 2;
    int32_t bitDepth = 16;
    char pcmChMap[64] = {};
    ePortType portType = PORT_SPDIF;

    // The settings table is changed by the receive thread and read by the daemon thread.
    std::mutex cfgLock;
    // A PLAY's input selection and the deselection that answers an earlier STOP: the STOP's must
    // not undo a PLAY that came after it while the old child was still being stopped.
    std::mutex selectLock;
    bool playSinceStop = false;
    sileth_shm_t* shm = nullptr;
    std::thread daemonThread;
};

Daemon gDaemon;

void sleepMs(int ms)
{
    usleep(static_cast<useconds_t>(ms) * 1000);
}

void sendReply(int32_t cmd)
{
    sileth_msg_t msg;
    msg.type = MSG_TO_MAIN;
    msg.cmd = cmd;
    i4MsgSend(msg);
}

// The child is gone when waitpid reaps it here or says it was reaped already (by the handler).
void forgetChildIfGone(pid_t pid)
{
    int status = 0;
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno == ECHILD)) {
        pid_t expected = pid;
        if (gDaemon.childPid.compare_exchange_strong(expected, 0)) {
            gDaemon.childExited.store(true);
        }
    }
}

void onChildSignal(int)
{
    const int savedErrno = errno;
    int status = 0;
    pid_t pid = 0;
    while ((pid = waitpid(-1, &status, WNOHANG)) > 0) {
        pid_t expected = pid;
        if (gDaemon.childPid.compare_exchange_strong(expected, 0)) {
            gDaemon.childExited.store(true);
        }
    }
    errno = savedErrno;
}

void onStartStopSignal(int signo)
{
    gDaemon.startStopSignal.store(signo == SIGUSR1 ? 1 : 0);
}

bool installSignals()
{
    struct sigaction sa {};
    sigemptyset(&sa.sa_mask);
    sa.sa_handler = onChildSignal;
    bool ok = sigaction(SIGCHLD, &sa, nullptr) == 0;
    sa.sa_handler = onStartStopSignal;
    ok = sigaction(SIGUSR1, &sa, nullptr) == 0 && ok;
    ok = sigaction(SIGUSR2, &sa, nullptr) == 0 && ok;
    return ok;
}

// The record lives in a private block that is marked for removal as soon as it is attached: it
// goes with the last process that has it mapped, however the daemon ends.
bool createShm()
{
    const int id = shmget(IPC_PRIVATE, sizeof(sileth_shm_t), IPC_CREAT | 0600);
    if (id < 0) {
        APP_ERR("shm creat error ");
        return false;
    }
    void* addr = shmat(id, nullptr, 0);
    shmctl(id, IPC_RMID, nullptr);
    if (addr == reinterpret_cast<void*>(-1)) {
        APP_ERR("shmaddr get error ");
        return false;
    }
    gDaemon.shm = new (addr) sileth_shm_t;
    for (auto& w : gDaemon.shm->word) {
        w.store(0);
    }
    gDaemon.shm->set(SHM_ATMOS_TYPE, SHM_ATMOS_NONE);
    gDaemon.shm->set(SHM_MAT_PCM, 0);
    return true;
}

void releaseShm()
{
    if (gDaemon.shm != nullptr) {
        gDaemon.shm->~sileth_shm_t();
        shmdt(gDaemon.shm);
        gDaemon.shm = nullptr;
    }
}

void loadSettings()
{
    std::lock_guard<std::mutex> guard(gDaemon.cfgLock);
    sileth_cfg_item_t* table = pSilethCfgTable();
    vSilethGetAllCfg(SILETH_CFG_PATH, table, SILETH_CFG_ROWS);
    for (int i = 0; i < SILETH_CFG_ROWS; ++i) {
        APP_INFO("%s %s = %s \n", table[i].title, table[i].key, table[i].value);
    }
}

ePortType portTypeOf(uint32_t srcType, int32_t earcMode)
{
    switch (srcType) {
    case 0:
        return PORT_SPDIF;
    case 1:
        return earcMode == 1 ? PORT_EARC : earcMode == 0 ? PORT_ARC : PORT_OTHER;
    case 2:
        return PORT_HDMI_IN;
    default:
        return PORT_SPDIF;
    }
}

// Takes a fact the child left in the shared record when its flag is set, clearing the flag.
bool takeShared(SilethShmWord flag, SilethShmWord value, int32_t& out)
{
    if (gDaemon.shm->get(flag) == 0) {
        return false;
    }
    out = gDaemon.shm->get(value);
    gDaemon.shm->set(flag, 0);
    return true;
}

// Where the pipeline child is forked: the facts it starts with are decided here, copied into its
// arguments, and the child runs vGstMain.
void startChild()
{
    Daemon& d = gDaemon;
    sileth_shm_t& shm = *d.shm;
    // The new child starts with the settings as they are now: a restart asked for while none
    // ran has nothing left to restart.
    d.xupmixRestart.store(false);
    d.savedStreamType = d.info.iSrcStreamType;
    d.savedRate = d.info.iSrcRate;
    d.savedChannels = d.info.iSrcRxChannel;
    d.savedDrcMode = d.drcMode.load();
    d.portType = portTypeOf(d.srcType.load(), d.info.u4EarcMode);
    SILETH_PLAIN("ePortType=%d, iStreamType=%u\n", d.portType, d.savedStreamType);

    if (d.savedStreamType != 0) {
        int32_t codec = 0;
        if (takeShared(SHM_CODEC_CHANGED, SHM_CODEC, codec)) {
            d.codec = static_cast<eGstCodec>(codec);
            APP_INFO("codec changed, type:%d \n", codec);
        } else if (d.codec == GST_PCM) {
            d.codec = GST_AC3;
            APP_INFO("eGstCodec:GST_PCM to GST_AC3 ");
        }
        if (d.savedStreamType == 3 && d.codec != GST_DTS_CD) {
            d.codec = GST_DTS_CD;
        } else if (d.savedStreamType != 3 && d.codec == GST_DTS_CD) {
            d.codec = GST_AC3;
        }
        int32_t v = 0;
        d.sinkRate = takeShared(SHM_RATE_CHANGED, SHM_RATE, v) ? v : 48000;
        d.sinkChannels = takeShared(SHM_CHANNELS_CHANGED, SHM_CHANNELS, v) ? v : 2;
        d.bitDepth = takeShared(SHM_BITDEPTH_CHANGED, SHM_BITDEPTH, v) ? v : 16;
    } else {
        const bool any = shm.get(SHM_CODEC_CHANGED) != 0 || shm.get(SHM_RATE_CHANGED) != 0 ||
                         shm.get(SHM_CHANNELS_CHANGED) != 0 || shm.get(SHM_BITDEPTH_CHANGED) != 0;
        int32_t v = 0;
        if (takeShared(SHM_CODEC_CHANGED, SHM_CODEC, v)) {
            d.codec = static_cast<eGstCodec>(v);
            APP_INFO("IEC header found in pcm stream,codec changed, type:%d \n", v);
        }
        if (takeShared(SHM_RATE_CHANGED, SHM_RATE, v)) {
            d.sinkRate = v;
        }
        if (takeShared(SHM_CHANNELS_CHANGED, SHM_CHANNELS, v)) {
            d.sinkChannels = v;
        }
        if (takeShared(SHM_BITDEPTH_CHANGED, SHM_BITDEPTH, v)) {
            d.bitDepth = v;
        }
        if (!any) {
            d.codec = GST_PCM;
            d.sinkChannels = d.savedChannels;
            APP_INFO("AUDIO FORMAT PCM");
            sileth_msg_t report;
            report.type = MSG_TO_MAIN;
            report.cmd = GST_CODEC_INFO;
            report.channels = d.savedChannels;
            i4MsgSend(report);
            std::memcpy(d.pcmChMap, d.info.pcmChMap, sizeof(d.pcmChMap));
            d.pcmChMap[sizeof(d.pcmChMap) - 1] = '\0';
        }
    }

    SilethChildArgs args;
    args.codec = d.codec;
    args.portType = d.portType;
    args.rate = d.savedRate;
    args.channels = d.savedChannels;
    args.sinkRate = d.sinkRate;
    args.sinkChannels = d.sinkChannels;
    args.bitDepth = d.bitDepth;
    std::memcpy(args.pcmChMap, d.pcmChMap, sizeof(args.pcmChMap));
    args.flowMute = d.flowMute.load();
    args.shm = d.shm;
    args.daemonPid = getpid();
    {
        std::lock_guard<std::mutex> guard(d.cfgLock);
        std::memcpy(args.cfg, pSilethCfgTable(), sizeof(args.cfg));
    }

    APP_INFO("DrcMode %d %u %d %d \n", d.codec, d.savedStreamType, d.savedRate, d.savedDrcMode);
    // The child starts with SIGUSR1 blocked, so a stop cannot overtake its handler.
    sigset_t stopSet;
    sigset_t oldMask;
    sigemptyset(&stopSet);
    sigaddset(&stopSet, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &stopSet, &oldMask);
    fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        vGstMain(args);
    }
    pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    if (pid < 0) {
        APP_ERR("fork child process error at line:%d \n", __LINE__);
        return;
    }
    d.childPid.store(pid);
    forgetChildIfGone(pid);
    APP_INFO("fork child process, pid:%d \n", static_cast<int>(pid));
    sleepMs(5);
}

void keepOrRestartChild()
{
    Daemon& d = gDaemon;
    if (d.info.iSrcStreamType != d.savedStreamType || d.info.iSrcRate != d.savedRate ||
        d.info.iSrcRxChannel != d.savedChannels) {
        APP_INFO("GstExit test check 1 ... ");
        vWaitGstExit(0);
    } else if (d.codec == GST_PCM && std::strncmp(d.info.pcmChMap, d.pcmChMap, sizeof(d.pcmChMap)) != 0) {
        APP_INFO("GstExit test check, pcm chmap changed ... ");
        vWaitGstExit(0);
    } else if (d.xupmixRestart.exchange(false)) {
        vWaitGstExit(0);
    } else {
        sleepMs(5);
    }
}

// Takes one pending STOP, if there is one.
bool takeStop()
{
    int n = gDaemon.pendingStops.load();
    while (n > 0 && !gDaemon.pendingStops.compare_exchange_weak(n, n - 1)) {
    }
    return n > 0;
}

// The input deselection of an answered STOP, unless a PLAY has selected an input since.
void stopSource()
{
    std::lock_guard<std::mutex> guard(gDaemon.selectLock);
    if (!gDaemon.playSinceStop) {
        i4SilethSrcStop();
    }
}

void stopBranch()
{
    Daemon& d = gDaemon;
    if (d.childPid.load() != 0) {
        APP_INFO("GstExit from parent progcess ... ");
        vWaitGstExit(0);
        if (takeStop()) {
            stopSource();
            sendReply(GST_STOP_DONE_BY_REQUEST);
        } else {
            sendReply(GST_STOP_DONE_BY_SILETH);
        }
        return;
    }
    sleepMs(5);
    if (takeStop()) {
        APP_INFO("GstExit from child progcess ... ");
        stopSource();
        sendReply(GST_STOP_DONE_BY_REQUEST);
    }
}

// One pass; false once a pass began with the run flag clear.
bool pass()
{
    Daemon& d = gDaemon;
    const bool run = d.run.load();
    const int signal = d.startStopSignal.exchange(kStartStopNone);
    if (signal == 1) {
        d.state.store(GST_STARTED);
        d.streamChanged.store(true);
        APP_INFO("prSileth->u4State = GST_STARTED ");
    } else if (signal == 0) {
        d.state.store(GST_STOPPED);
        APP_INFO("prSileth->u4State = GST_STOPPED ");
    }
    if (d.reload) {
        d.reload = false;
        loadSettings();
    }
    if (d.childPid.load() == 0 && d.childExited.load()) {
        d.childExited.store(false);
    }
    bool noData = false;
    if (d.streamChanged.exchange(false)) {
        vSilethSrcGetInfo(&d.info);
        d.dataFlag = d.info.fgHwLock != 0;
        SILETH_PLAIN("eSrcType=%u, fgHwLock=%d prSileth->u4State=%u \n", d.srcType.load(), d.info.fgHwLock,
                     d.state.load());
        if (d.manualStart.load() && !d.dataFlag) {
            APP_INFO("manual start play,but no data,don't play.");
            d.manualStart.store(false);
            sendReply(GST_PLAY_NONE);
            noData = true;
        }
    }
    if (!noData && d.dataFlag && d.state.load() == GST_STARTED) {
        if (d.childPid.load() != 0) {
            keepOrRestartChild();
        } else {
            startChild();
        }
    } else {
        stopBranch();
    }
    usleep(50);
    if (!run) {
        APP_INFO("OUT ... ");
        return false;
    }
    return true;
}

void pvSilethDaemon()
{
    gst_init(nullptr, nullptr);
    while (pass()) {
    }
}

std::string wallClock()
{
    char text[64];
    const time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace

int i4SilethInit()
{
    Daemon& d = gDaemon;
    d.srcType.store(0);
    APP_INFO("Init start ...........");
    d.run.store(true);
    if (!createShm()) {
        d.run.store(false);
        return -1;
    }
    vSilethSrcRegCallback(vSilethStreamChange);
    vSilethCecRegCallback(vSilethCecChange);
    if (i4SilethSrcInit() < 0) {
        APP_ERR("alsa init error ");
    }
    i4SilethUdevStart();
    usleep(500);
    i4ProcessMsgInit();
    if (!installSignals()) {
        APP_ERR("sigaction error ");
    }
    d.daemonThread = std::thread(pvSilethDaemon);
    i4SilethDbgStart();
    d.initDone.store(true);
    APP_INFO("Init ok!");
    return 0;
}

void vSilethStreamChange(int)
{
    gDaemon.streamChanged.store(true);
    APP_INFO("The Stream information is changed ");
}

void vSilethCmdPlay(uint8_t srcType, int32_t drcMode)
{
    Daemon& d = gDaemon;
    if (drcMode != 2 && drcMode != 8) {
        drcMode = 8;
        APP_INFO("<msgrcv> drc if off by default ");
    }
    d.drcMode.store(drcMode);
    d.srcType.store(srcType);
    if (srcType < sizeof(kPortOfSrcType) / sizeof(kPortOfSrcType[0])) {
        d.lastPlayPort = kPortOfSrcType[srcType];
    }
    {
        std::lock_guard<std::mutex> guard(d.selectLock);
        i4SilethSrcPlay(d.lastPlayPort);
        d.playSinceStop = true;
    }
    d.streamChanged.store(true);
    d.manualStart.store(true);
    d.state.store(GST_STARTED);
    APP_INFO("prSileth->u4State = GST_STARTED ");
}

void vSilethCmdStop()
{
    {
        std::lock_guard<std::mutex> guard(gDaemon.selectLock);
        gDaemon.playSinceStop = false;
    }
    ++gDaemon.pendingStops;
    gDaemon.state.store(GST_STOPPED);
    sleepMs(20);
    gDaemon.shm->set(SHM_ATMOS_TYPE, SHM_ATMOS_NONE);
    gDaemon.shm->set(SHM_MAT_PCM, 0);
}

void vSilethCmdPlugOut()
{
    gDaemon.state.store(GST_STOPPED);
    sleepMs(20);
}

void vSilethCmdXupmix(uint8_t value)
{
    APP_INFO(" xupmix set %d \n", value);
    gDaemon.xupmixRestart.store(true);
}

void vSilethCmdSetting(const char* key, const char* text)
{
    std::lock_guard<std::mutex> guard(gDaemon.cfgLock);
    pSilethSetValue(pSilethCfgTable(), "[GLOBAL]", key, text);
    vSilethSetCfg(SILETH_CFG_PATH, "[GLOBAL]", key, text);
}

void vSilethSetFlowMute(uint8_t mute)
{
    gDaemon.flowMute.store(mute);
}

void vSilethExit()
{
    Daemon& d = gDaemon;
    APP_INFO("prSileth->u4State = GST_EXETED ");
    d.state.store(GST_EXETED);
    if (!d.initDone.load()) {
        return;
    }
    // The daemon loop stops the child now that the state is no longer GST_STARTED.
    while (d.childPid.load() != 0) {
        sleepMs(1);
    }
    d.run.store(false);
    if (d.daemonThread.joinable()) {
        d.daemonThread.join();
    }
    vSilethDbgStop();
    APP_INFO("InterprocessMsg UnInit Start >>>>> %s", wallClock().c_str());
    // Sent while the queue still exists, with a moment for corvand to take it before it goes.
    const int before = i4MsgQueueCount();
    sendReply(SILETH_EXIT);
    for (int ms = 0; ms < kExitReplyGraceMs && before >= 0 && i4MsgQueueCount() > before; ++ms) {
        sleepMs(1);
    }
    i4ProcessMsgDeInit();
    APP_INFO("InterprocessMsg UnInit Finish <<<<< ");
    i4SilethSrcExit();
    vSilethUdevStop();
    releaseShm();
    d.initDone.store(false);
}

void vWaitGstExit(int)
{
    Daemon& d = gDaemon;
    const pid_t pid = d.childPid.load();
    if (pid == 0) {
        return;
    }
    APP_INFO("<gst_stop> send signal to exit child");
    kill(pid, SIGUSR1);
    sleepMs(1);
    for (int attempt = 0; attempt < kStopTries && d.childPid.load() != 0; ++attempt) {
        for (int ms = 0; ms < 100 && d.childPid.load() != 0; ++ms) {
            sleepMs(1);
            forgetChildIfGone(pid);
        }
        if (d.childPid.load() == 0) {
            break;
        }
        if (d.shm->get(SHM_CHILD_UP) == 1) {
            kill(pid, SIGUSR1);
        }
        if (access(sb::path("/tmp/kvxac0_opened").c_str(), F_OK) == 0) {
            quorid_exec("rm -rf /tmp/kvxac0_opened", 0);
        }
        kill(pid, SIGKILL);
        APP_INFO("<gst_stop> kill gst, pid:%d\n", static_cast<int>(pid));
    }
}

uint32_t u4SilethState()
{
    return gDaemon.state.load();
}
