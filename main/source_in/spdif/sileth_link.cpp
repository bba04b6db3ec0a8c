#include "main/source_in/spdif/sileth_link.h"

#include "common/sileth_ipc/sileth_msg.h"
#include "main/gui/wrapper/wrapper_dolby.h"
#include "main/gui/wrapper/wrapper_hdmi.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/source_in/spdif/spdif_hdmi_mode.h"
#include "main/source_in/spdif/spdif_in_priv.h"
#include "main/source_in/spdif/spdif_in_send.h"
#include "main/state_mngr/state_mngr.h"
#include "platform/sbroot/sb_root.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int32_t kDrcMode = 8;
// Between receives that fail (no queue, or the queue was removed): a retry must not spin.
constexpr auto kFailedReceivePause = 200ms;
// How long the exit keeps trying to wake the status thread before it lets the thread go.
constexpr auto kWakeLimit = 1s;
constexpr auto kWakeRetry = 10ms;
// A code the status thread ignores: posted to itself by the exit, to end its blocking receive. The
// energy word names the thread (its generation) the wake-up is for.
constexpr int32_t kWakeCode = 0;

// The System V message as the kernel takes it: the type word, then the body.
struct QueueMsg {
    long type;
    uint8_t body[SILETH_MSG_BODY_SIZE];
};

struct Link {
    std::atomic<int32_t> msgId{-1};
    std::atomic<bool> running{false};
    // A status thread that was let go of at an exit must never act for a later start.
    std::atomic<uint32_t> generation{0};
    std::mutex lock;
    std::condition_variable changed;
    bool threadDone = true;  // under lock
    std::thread thread;
    // PLAY was the last of PLAY and STOP sent: the daemon's answer to an earlier STOP is stale.
    std::atomic<bool> playSent{false};
};
Link g;

bool alive(uint32_t generation)
{
    return g.running.load() && g.generation.load() == generation;
}

int sendOnQueue(int32_t id, const sileth_msg_t& msg)
{
    QueueMsg raw{};
    raw.type = msg.type;
    const SilethMsgBody body = silethMsgEncode(msg);
    std::memcpy(raw.body, body.data(), body.size());
    // Never waits: with no daemon reading, a full queue must not hold up the sending thread.
    return msgsnd(id, &raw, SILETH_MSG_BODY_SIZE, IPC_NOWAIT);
}

void sendCommand(int32_t id, const sileth_msg_t& msg)
{
    if (sendOnQueue(id, msg) != 0) {
        SPDIF_ERR("<main msgsnd> cmd:%d failed errno:%d, dropped\n", msg.cmd, errno);
    }
}

bool isServedHere(uint32_t source)
{
    return source >= SM_SOURCE_SPDIF_IN && source <= SM_SOURCE_AUX_IN;
}

// The status thread's view: the decoder format passed to the wrapper and the source it belongs to.
struct StatusThread {
    MusicDecoderFmt fmt{};
    uint32_t fmtSource = SM_SOURCE_NONE;

    // A stream report that arrives after the source changed starts the record afresh, so nothing of
    // the previous source's stream is shown for the new one.
    MusicDecoderFmt& record(uint32_t current)
    {
        if (current != fmtSource) {
            fmt = MusicDecoderFmt{};
            fmtSource = current;
        }
        return fmt;
    }

    void passFormat() { guiWrapperMusicDecoderFmtSet(&fmt); }

    void onCodec(const sileth_msg_t& m, uint32_t current)
    {
        SPDIF_INFO("recv codec_type=0x%x  [0:pcm 1:ac3 2:aac 3:dts 4:eac3 5:truehd 0xff:unsupport  ]\n",
                   static_cast<unsigned>(m.codec_type));
        MusicDecoderFmt& f = record(current);
        switch (m.codec_type) {
        case 0:
        case 2:
            f.codec_type = 1;
            f.channels = m.channels;
            break;
        case 1:
            f.codec_type = 2;
            f.stream_type = 0;
            f.proc_type = 0;
            break;
        case 4:
            f.codec_type = 2;
            f.stream_type = 1;
            f.proc_type = 0;
            break;
        case 5:
            f.codec_type = 2;
            f.stream_type = 2;
            f.proc_type = 0;
            break;
        case 3:
        case 6:
            f.codec_type = 3;
            break;
        default:
            f.codec_type = 0;
            break;
        }
        passFormat();
    }

    void onCecFrame(const sileth_msg_t& m)
    {
        SPDIF_INFO("CEC_IND_RCV_CB:cec_size=%d\n", static_cast<int>(SILETH_CEC_FRAME_SIZE));
        if (gUi4EnableAllLog.load() == 1) {
            for (size_t i = 0; i < SILETH_CEC_FRAME_SIZE; ++i) {
                printf("cmd[%d] = 0x%x\n", static_cast<int>(i), m.cec[i]);
            }
        }
        guiWrapperHdmiCecRcvCbk(m.cec.data(), static_cast<uint8_t>(SILETH_CEC_FRAME_SIZE));
    }

    // Informs and requests speak for the current source: a reply that comes in after the state
    // manager moved to a source this application does not serve must not speak for that one.
    bool servedNow(const sileth_msg_t& m, uint32_t current)
    {
        if (isServedHere(current)) {
            return true;
        }
        SPDIF_INFO("reply %d arrived with source %u current, dropped\n", m.cmd, current);
        return false;
    }

    void sourceStopped(uint8_t inform)
    {
        i4SpdifInSendPbStatusToSm(inform);
        gSilethPlayStatus.store(SPDIF_PLAY_STS_SOURCE_STOP);
    }

    void handle(const sileth_msg_t& m)
    {
        const uint32_t current = uSmGetCurrentSource();
        switch (m.cmd) {
        case GST_PLAY_DONE:
            SPDIF_INFO("recv GST_PLAY_DONE by Sileth \n");
            if (servedNow(m, current)) {
                i4SpdifInSendPbStatusToSm(SM_BODY_PLAY);
            }
            break;
        case GST_PLAY_NONE:
            SPDIF_INFO("recv GST_PLAY_NONE by Sileth \n");
            if (servedNow(m, current)) {
                i4SpdifInSendPbStatusToSm(SM_BODY_PLAY_STS);
            }
            break;
        case GST_STOP_DONE_BY_SILETH:
            SPDIF_INFO("recv GST_STOP_DONE by Sileth \n");
            if (servedNow(m, current)) {
                sourceStopped(SM_BODY_PAUSE);
            }
            break;
        case GST_STOP_DONE_BY_REQUEST:
            SPDIF_INFO("recv GST_STOP_DONE by SM_Request \n");
            // The stop was told to the state manager when it was asked for; an answer that comes
            // after the next PLAY would speak for the source that now plays.
            if (g.playSent.load()) {
                SPDIF_INFO("stop done after a later play, dropped\n");
            } else if (servedNow(m, current)) {
                i4SpdifInSendPbStatusToSm(SM_BODY_STOP);
            }
            break;
        case SILETH_EXIT:
            SPDIF_INFO("recv SILETH_EXIT \n");
            break;
        case GST_CODEC_INFO:
            onCodec(m, current);
            break;
        case GST_ENERGY_INFO:
            guiWrapperMusicEnergySet(static_cast<uint32_t>(m.energy));
            break;
        case SRC_UNLOCK:
            SPDIF_INFO("received the current source unlock signal \n");
            if (servedNow(m, current)) {
                sourceStopped(SM_BODY_PAUSE);
            }
            break;
        case SRC_LOCK:
            SPDIF_INFO("received the current source lock signal \n");
            if (gSilethPlayStatus.load() == SPDIF_PLAY_STS_SOURCE_STOP && servedNow(m, current)) {
                i4SpdifInSendRequestPlayToSm();
            }
            break;
        case HDMIRX0_PLUG_OUT_CBK:
            SPDIF_INFO("recv hdmirx0 plugout \n");
            guiWrapperHdmiRxHotplug(0);
            if (current == SM_SOURCE_HDMI_IN) {
                fgGstHdmiRxPlugOutStop();
                sourceStopped(SM_BODY_PAUSE);
            }
            break;
        case HDMIRX0_PLUG_IN_CBK:
            SPDIF_INFO("recv hdmirx0 plugin \n");
            guiWrapperHdmiRxHotplug(1);
            if (current == SM_SOURCE_HDMI_IN && gSilethPlayStatus.load() == SPDIF_PLAY_STS_SOURCE_STOP) {
                i4SpdifInSendRequestPlayToSm();
            }
            break;
        case HDMITX_PLUG_OUT_CBK:
            SPDIF_INFO("recv hdmitx plugout \n");
            guiWrapperHdmiTxHotplug(0);
            if (current == SM_SOURCE_ARC_IN) {
                SPDIF_INFO("fgGstStop\n");
                fgGstStop();
                sourceStopped(SM_BODY_PAUSE);
            }
            break;
        case HDMITX_PLUG_IN_CBK:
            SPDIF_INFO("recv hdmitx plugin \n");
            guiWrapperHdmiTxHotplug(1);
            break;
        case ATMOS_STREAM_INFO: {
            SPDIF_INFO("recv atmos_stream_type:%d proc_type:%d [3: MAT_PCM   2:MAT_TRUEHD 0xff:unsupport]\n",
                       m.atmos_stream_type, m.proc_type);
            MusicDecoderFmt& f = record(current);
            f.codec_type = 2;
            f.stream_type = m.atmos_stream_type;
            f.proc_type = m.proc_type;
            passFormat();
            break;
        }
        case DTS_STREAM_INFO: {
            SPDIF_INFO("recv dts_stream_type:%d dts_comp_gain:%d \n", m.dts_stream_type, m.dts_comp_gain);
            MusicDecoderFmt& f = record(current);
            f.codec_type = 3;
            f.stream_type = m.dts_stream_type;
            f.comp_gain = m.dts_comp_gain;
            passFormat();
            break;
        }
        case CEC_STREAM_MUTE_CBK:
            SPDIF_INFO("CEC_STREAM_MUTE_CBK:sig_flow_mute=0x%x\n", m.sig_flow_mute);
            guiWrapperMusicStreamMuteCbk(m.sig_flow_mute);
            break;
        case CEC_ROUTING_POWER_CBK:
            SPDIF_INFO("CEC_ROUTING_POWER_CBK:power_en=%d\n", m.power_en);
            guiWrapperHdmiRoutingPowerCbk(m.power_en != 0 ? 1 : 0);
            break;
        case CEC_ROUTING_SOURCE_CBK:
            SPDIF_INFO("CEC_ROUTING_SOURCE_CBK:source_type=%d\n", m.SrcType);
            guiWrapperHdmiRoutingSrcCbk(m.SrcType);
            break;
        case CEC_ROUTING_ARC_STS_CBK:
            SPDIF_INFO("CEC_ROUTING_ARC_STS_CBK:eArc_sts=%d\n", m.eArc_sts);
            guiWrapperHdmiArcToggleCbk(m.eArc_sts);
            break;
        case CEC_ROUTING_VOLUME_CBK:
            SPDIF_INFO("CEC_ROUTING_VOLUME_CBK:source_volume=0x%x\n", m.source_volume);
            guiWrapperHdmiRoutingVolCbk(m.source_volume);
            break;
        case CEC_ROUTING_MUTE_CBK:
            SPDIF_INFO("CEC_ROUTING_MUTE_CBK:sig_flow_mute=0x%x\n", m.sig_flow_mute);
            guiWrapperHdmiRoutingMuteCbk(m.sig_flow_mute);
            break;
        case CEC_IND_RCV_CB:
            onCecFrame(m);
            break;
        default:
            break;
        }
    }
};

void pauseAfterFailedReceive(uint32_t generation)
{
    std::unique_lock<std::mutex> guard(g.lock);
    g.changed.wait_for(guard, kFailedReceivePause, [generation] { return !alive(generation); });
}

// A thread that was let go of still takes one message when it wakes: a reply, or the wake-up of
// a later thread, goes back on the queue for the thread it was meant for.
void handBack(int32_t id, const QueueMsg& raw, ssize_t got, uint32_t generation)
{
    const std::optional<sileth_msg_t> msg = silethMsgDecode(raw.type, raw.body, got < 0 ? 0 : static_cast<size_t>(got));
    if (!msg) {
        return;
    }
    const bool ownWake = msg->cmd == kWakeCode && static_cast<uint32_t>(msg->energy) == generation;
    if (!ownWake && (g.running.load() || msg->cmd == kWakeCode)) {
        msgsnd(id, &raw, SILETH_MSG_BODY_SIZE, IPC_NOWAIT);
    }
}

void pvSilethStatusThread(uint32_t generation)
{
    SPDIF_INFO("spdif receiver MSG_ID:%d,grSpdifIn.fgInitOk:%d \n", g.msgId.load(), alive(generation) ? 1 : 0);
    StatusThread state;
    while (alive(generation)) {
        const int32_t id = g.msgId.load();
        if (id < 0) {
            pauseAfterFailedReceive(generation);
            continue;
        }
        QueueMsg raw{};
        // MSG_NOERROR: an oversized message must not stay at the head of the queue for ever.
        const ssize_t got = msgrcv(id, &raw, SILETH_MSG_BODY_SIZE, MSG_TO_MAIN, MSG_NOERROR);
        if (!alive(generation)) {
            handBack(id, raw, got, generation);
            break;
        }
        if (got < 0) {
            if (errno != EINTR) {
                pauseAfterFailedReceive(generation);
            }
            continue;
        }
        const std::optional<sileth_msg_t> msg = silethMsgDecode(raw.type, raw.body, static_cast<size_t>(got));
        if (!msg) {
            SPDIF_ERR("reply of %zd bytes dropped\n", got);
            continue;
        }
        state.handle(*msg);
    }
    std::lock_guard<std::mutex> guard(g.lock);
    if (g.generation.load() == generation) {
        g.threadDone = true;
        g.changed.notify_all();
    }
}

void logSent(int32_t id, const sileth_msg_t& m)
{
    SPDIF_INFO("<main msgsnd> id:%d type:%ld cmd:%d source type:%d drc mod:%d \n", id, m.type, m.cmd, m.SrcType,
               m.DrcMode);
    spdifInLogTime();
}

}  // namespace

int32_t i4GstInit(void)
{
    SPDIF_INFO("Gst Init Start >>>>> \n");
    const key_t key = sb::ftokKey(SILETH_QUEUE_KEY_PATH, SILETH_QUEUE_KEY_ID);
    int32_t id = key == static_cast<key_t>(-1) ? -1 : msgget(key, IPC_CREAT | SILETH_QUEUE_MODE);
    if (id < 0) {
        SPDIF_ERR("msgget failed \n");
        id = -1;
    }
    g.msgId.store(id);
    g.playSent.store(false);  // a fresh link has sent no PLAY yet
    guiWrapperDolbyGstSetRegister(vSpdifInGstSet);
    SPDIF_INFO("<App Main MSG_ID> i4MsgID:%d  errno:%d \n", id, errno);
    SPDIF_INFO("Gst Init Finish <<<<< \n");
    return 0;
}

int32_t i4GstCtl(uint32_t cmd)
{
    const int32_t id = g.msgId.load();
    if (id < 0) {
        return 0;
    }
    const uint32_t current = uSmGetCurrentSource();
    sileth_msg_t m;
    m.type = MSG_TO_SILETH;
    m.cmd = static_cast<int32_t>(cmd);
    m.SrcType = spdifSourceInfo(current).hdmiSrcType;
    SPDIF_INFO("eCurrentSource=%u\n", current);
    if (cmd == SILETH_CMD_PLAY) {
        vSetHdmiModeCtrl(m.SrcType);
    }
    m.DrcMode = kDrcMode;
    if (cmd == SILETH_CMD_PLAY || cmd == SILETH_CMD_STOP) {
        g.playSent.store(cmd == SILETH_CMD_PLAY);
    }
    sendCommand(id, m);
    logSent(id, m);
    return 0;
}

int32_t fgGstPlay(void)
{
    SPDIF_INFO("Gst Play Start >>>>> \n");
    spdifInLogTime();
    i4GstCtl(SILETH_CMD_PLAY);
    SPDIF_INFO("Gst Play Finish <<<<< \n");
    spdifInLogTime();
    return 0;
}

int32_t fgGstStop(void)
{
    SPDIF_INFO("Gst Stop Start >>>>> \n");
    spdifInLogTime();
    i4GstCtl(SILETH_CMD_STOP);
    SPDIF_INFO("Gst Stop Finish <<<<< \n");
    spdifInLogTime();
    return 0;
}

int32_t fgGstHdmiRxPlugOutStop(void)
{
    SPDIF_INFO("Gst Rx plug Stop Start >>>>> \n");
    spdifInLogTime();
    i4GstCtl(HDMIRX0_PLUG_OUT);
    SPDIF_INFO("Gst Rx plug Stop Finish <<<<< \n");
    spdifInLogTime();
    return 0;
}

void vSpdifInGstSet(uint32_t cmd, const uint8_t values[4])
{
    const int32_t id = g.msgId.load();
    if (id < 0 || values == nullptr) {
        return;
    }
    sileth_msg_t m;
    m.type = MSG_TO_SILETH;
    m.cmd = static_cast<int32_t>(cmd);
    switch (cmd) {
    case SILETH_CMD_SET_DTS_DIRECT_MODE:
        m.dts_direct_mode = values[0];
        break;
    case SILETH_CMD_SET_DRC_PERCENT:
        m.drc_percent = values[1];
        break;
    case SILETH_CMD_SET_DIALOG_CONTROL:
        m.dialog_control = values[2];
        break;
    case SILETH_CMD_SET_XUPMIX:
        m.xupmix = values[3];
        break;
    default:
        break;
    }
    sendCommand(id, m);
    SPDIF_INFO("<main msgsnd> id:%d type:%ld cmd:%d source type:%d drc mod:%d,xupmix %d \n", id, m.type, m.cmd,
               m.SrcType, m.DrcMode, m.xupmix);
    spdifInLogTime();
}

int32_t silethLinkStartStatusThread(void)
{
    if (g.thread.joinable()) {
        return -1;
    }
    const uint32_t generation = g.generation.fetch_add(1) + 1;
    {
        std::lock_guard<std::mutex> guard(g.lock);
        g.threadDone = false;
    }
    g.running.store(true);
    try {
        g.thread = std::thread(pvSilethStatusThread, generation);
    } catch (const std::system_error&) {
        g.running.store(false);
        std::lock_guard<std::mutex> guard(g.lock);
        g.threadDone = true;
        return -1;
    }
    return 0;
}

void silethLinkStop(void)
{
    {
        std::lock_guard<std::mutex> guard(g.lock);
        g.running.store(false);
        g.changed.notify_all();
    }
    if (g.thread.joinable()) {
        const int32_t id = g.msgId.load();
        bool woken = false;
        const auto deadline = std::chrono::steady_clock::now() + kWakeLimit;
        std::unique_lock<std::mutex> guard(g.lock);
        while (!g.threadDone && std::chrono::steady_clock::now() < deadline) {
            if (!woken && id >= 0) {
                sileth_msg_t wake;
                wake.type = MSG_TO_MAIN;
                wake.cmd = kWakeCode;
                wake.energy = static_cast<int32_t>(g.generation.load());
                woken = sendOnQueue(id, wake) == 0;
            }
            g.changed.wait_for(guard, kWakeRetry, [] { return g.threadDone; });
        }
        const bool done = g.threadDone;
        guard.unlock();
        if (done) {
            g.thread.join();
        } else {
            // A queue full of commands nobody reads leaves no room for the wake: the thread is let
            // go and ends at its next receive, acting for nobody (its generation is gone).
            SPDIF_ERR("status thread not woken, left to end by itself\n");
            g.thread.detach();
        }
    }
    g.generation.fetch_add(1);
    g.msgId.store(-1);
}
