#include "main/playback/usb/usb_player.h"

#include "main/gui/wrapper/wrapper_usb.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/playback/usb/usb_pb_log.h"
#include "platform/quorid/quorid.h"
#include "platform/sbroot/sb_root.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <thread>

namespace {

// The queue message: the type word, then the body.
struct PlayerQueueMsg {
    long mtype;
    uint8_t body[PLAYER_MSG_BODY_SIZE];
};

constexpr int kStopLooks = 20;
constexpr auto kStopLookGap = std::chrono::milliseconds(100);
constexpr auto kReceiveGap = std::chrono::milliseconds(5);
// A full queue means nobody reads it; the broker's rule for its own queues: 11 tries 10 ms apart.
constexpr int kSendTries = 11;
constexpr auto kSendGap = std::chrono::milliseconds(10);

struct Player {
    // corvand never exits its applications: at the end of the process a reply thread that
    // player_deinit did not join ends with it.
    ~Player()
    {
        if (rx.joinable()) {
            rx.detach();
        }
    }

    std::atomic<int32_t> msgId{-1};
    std::atomic<uint8_t> init{0};
    std::atomic<uint8_t> threadRunning{0};
    std::atomic<uint8_t> playing{0};
    std::atomic<uint8_t> paused{0};
    std::thread rx;  // started by player_init, joined by player_deinit, both on the app thread
    std::atomic<int32_t (*)(const usb_pb_msg_t*)> post{nullptr};
    std::atomic<int32_t (*)(uint32_t)> inform{nullptr};
};
Player g;

int32_t openQueue()
{
    const key_t key = sb::ftokKey(USB_PLAYER_PROGRAM, PLAYER_QUEUE_KEY_ID);
    if (key == -1) {
        return -1;
    }
    return msgget(key, IPC_CREAT | 0666);
}

int32_t sendBody(int32_t id, long type, const PlayerMsgBody& body)
{
    PlayerQueueMsg msg{};
    msg.mtype = type;
    std::memcpy(msg.body, body.data(), body.size());
    for (int tries = 0; tries < kSendTries;) {
        if (msgsnd(id, &msg, sizeof msg.body, IPC_NOWAIT) == 0) {
            return 0;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN) {
            break;
        }
        if (++tries < kSendTries) {
            std::this_thread::sleep_for(kSendGap);
        }
    }
    USB_PB_ERR("msgsnd to player failed, errno=%d\n", errno);
    return -1;
}

int32_t sendCommand(int32_t cmd, const char* url = nullptr, int32_t word0 = 0, int32_t word1 = 0)
{
    PlayerMsgBody body{};
    if (!playerMsgEncode(&body, cmd, url, word0, word1)) {
        USB_PB_ERR("url too long for the player: %s\n", url);
        return -1;
    }
    return sendBody(g.msgId.load(), PLAYER_MSG_TO_PLAYER, body);
}

int32_t requirePlaying()
{
    if (g.playing.load() == 0) {
        USB_PB_ERR("player not running!\n");
        return -1;
    }
    return 0;
}

void post(usb_pb_id id, int64_t value)
{
    usb_pb_msg_t msg{};
    msg.ui4Path = USB_PB_PATH_PLAYER;
    msg.ui4Id = id;
    msg.i8Value = value;
    if (auto fn = g.post.load()) {
        fn(&msg);
    }
}

void inform(uint32_t body)
{
    if (auto fn = g.inform.load()) {
        fn(body);
    }
}

// `value` is the position or duration last reported; posts carry it.
void handleReply(const PlayerMsg& reply, int64_t* value)
{
    switch (reply.i4Cmd) {
    case USB_PB_GET_PROGRESS_DONE:
        USB_PB_INFO("receive get progress done msg\n");
        *value = reply.i4Word0;
        post(USB_PB_GET_PROGRESS_DONE, *value);
        break;
    case USB_PB_GET_DURATION_DONE:
        USB_PB_INFO("receive get duration done msg\n");
        *value = reply.i4Word0;
        post(USB_PB_GET_DURATION_DONE, *value);
        break;
    case USB_PB_EOS:
        USB_PB_INFO("receive eos msg\n");
        post(USB_PB_EOS, *value);
        break;
    case USB_PB_STREAM_ERROR:
        USB_PB_INFO("receive stream error msg\n");
        post(USB_PB_STREAM_ERROR, *value);
        break;
    case USB_PB_PLAY_ERROR:
        USB_PB_INFO("receive play error msg\n");
        break;
    case USB_PB_PLAY_DONE:
        USB_PB_INFO("receive play done msg\n");
        usb_play_set_flag();
        post(USB_PB_PLAY_DONE, *value);
        inform(1);
        break;
    case USB_PB_PAUSE_DONE:
        USB_PB_INFO("receive pause done msg\n");
        set_pause_flag(1);
        inform(3);
        break;
    case USB_PB_RESUME_DONE:
        USB_PB_INFO("receive resume done msg\n");
        set_pause_flag(0);
        inform(1);
        break;
    case USB_PB_STOP_DONE:
        USB_PB_INFO("receive stop done msg\n");
        usb_stop_set_flag();
        inform(0);
        break;
    case USB_PB_MUTE:
        USB_PB_INFO("USB_PB_MUTE:sig_flow_mute=0x%x\n", static_cast<unsigned>(reply.i4Word0));
        guiWrapperMusicPopMuteSet(static_cast<uint8_t>(reply.i4Word0 & 0xff));
        break;
    case USB_PB_STREAM_INFO:
        USB_PB_INFO("USB_PB_STREAM_INFO:chn_num=0x%x\n", static_cast<unsigned>(reply.i4Word0));
        guiWrapperMusicFmtChnNumSet(reply.i4Word0 == 2 ? 1 : 0);
        break;
    default:
        break;
    }
}

void pvGstMsgThread(int32_t id)
{
    USB_PB_INFO("pvGstMsgThread enter \n");
    USB_PB_INFO("MSG_ID:%d \n", id);
    int64_t value = 0;
    while (g.threadRunning.load() == 1) {
        PlayerQueueMsg msg{};
        const ssize_t got = msgrcv(id, &msg, sizeof msg.body, PLAYER_MSG_FROM_PLAYER, MSG_NOERROR);
        if (got >= 0) {
            const PlayerMsg reply = playerMsgDecode(msg.body, static_cast<size_t>(got));
            USB_PB_INFO("msg:%d\n", reply.i4Cmd);
            handleReply(reply, &value);
        }
        std::this_thread::sleep_for(kReceiveGap);
    }
    USB_PB_INFO("pvGstMsgThread exit \n");
}

}  // namespace

void playerSetReplySink(const UsbPlayerReplySink* sink)
{
    g.post.store(sink != nullptr ? sink->pfPost : nullptr);
    g.inform.store(sink != nullptr ? sink->pfInform : nullptr);
}

int32_t player_init(void)
{
    const int32_t id = openQueue();
    g.msgId.store(id);
    if (id < 0) {
        USB_PB_ERR("ERR: msgget fail\n");
        g.init.store(0);
        return -1;
    }
    USB_PB_INFO("i4MsgID:%d \n", id);
    usb_stop_set_flag();
    // Set before the thread starts, so a deinit that comes at once still ends it.
    g.threadRunning.store(1);
    g.rx = std::thread(pvGstMsgThread, id);
    g.init.store(1);
    return 0;
}

int32_t player_deinit(void)
{
    quorid_exec(USB_PLAYER_STOP_COMMAND, 0);
    const int32_t id = g.msgId.load();
    int32_t result = 0;
    g.threadRunning.store(0);
    if (id >= 0 && msgctl(id, IPC_RMID, nullptr) != 0) {
        USB_PB_ERR("msgctl(IPC_RMID) failed \n");
        result = -1;
        // The queue is still there: wake the blocked receive with a message of its own type.
        PlayerMsgBody wake{};
        sendBody(id, PLAYER_MSG_FROM_PLAYER, wake);
    }
    if (g.rx.joinable()) {
        g.rx.join();
    }
    g.msgId.store(-1);
    g.init.store(0);
    return result;
}

int32_t playerGetMsgId(void)
{
    return g.msgId.load();
}

namespace usb_player {

int32_t start(const char* url, uint8_t flag)
{
    if (url == nullptr) {
        USB_PB_ERR("processStart: url error \n");
        return -2;
    }
    if (g.msgId.load() < 0) {
        return -1;
    }
    USB_PB_INFO("set filename is %s\n", url);
    return sendCommand(USB_PB_PLAY, url, flag != 0 ? 1 : 0, 0);
}

int32_t pause(void)
{
    if (requirePlaying() != 0) {
        return -1;
    }
    if (g.paused.load() != 0) {
        USB_PB_ERR("player is pause!\n");
        return -1;
    }
    return sendCommand(USB_PB_PAUSE);
}

int32_t resume(void)
{
    if (requirePlaying() != 0) {
        return -1;
    }
    if (g.paused.load() == 0) {
        USB_PB_ERR("player is playing!\n");
        return -1;
    }
    return sendCommand(USB_PB_RESUME);
}

int32_t seek(int64_t position, int32_t whence)
{
    if (requirePlaying() != 0) {
        return -1;
    }
    USB_PB_INFO("seekTo %lld, whence %d\n", static_cast<long long>(position), whence);
    return sendCommand(USB_PB_SEEK, nullptr, static_cast<int32_t>(static_cast<uint32_t>(position)), whence);
}

int32_t getCurrentPosition(void)
{
    return requirePlaying() != 0 ? -1 : sendCommand(USB_PB_GET_PROGRESS);
}

int32_t getCurrentDuration(void)
{
    return requirePlaying() != 0 ? -1 : sendCommand(USB_PB_GET_DURATION);
}

int32_t getDuration(void)
{
    return getCurrentDuration();
}

int32_t stop(void)
{
    for (int left = kStopLooks; left > 0;) {
        if (g.playing.load() != 0) {
            return sendCommand(USB_PB_STOP);
        }
        if (--left == 0) {
            USB_PB_TRACE("player not running,do not stop usb player.");
            break;
        }
        USB_PB_TRACE("player not running,wait timeout_cnt=%d", left);
        std::this_thread::sleep_for(kStopLookGap);
    }
    return -1;
}

}  // namespace usb_player

uint8_t get_playing_flag(void)
{
    return g.playing.load();
}

void set_playing_flag(uint8_t playing)
{
    g.playing.store(playing);
}

uint8_t get_pause_flag(void)
{
    return g.paused.load();
}

void set_pause_flag(uint8_t paused)
{
    g.paused.store(paused);
}

void usb_play_set_flag(void)
{
    g.paused.store(0);
    g.playing.store(1);
}

void usb_stop_set_flag(void)
{
    g.paused.store(0);
    g.playing.store(0);
}
