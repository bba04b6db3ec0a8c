// Host stand-in for the USB music player program. It serves the player's System V queue (keyed
// on "/usr/bin/velmor" under the root): every command it gets is printed ("velmor: <command>")
// and appended to VELMOR_LOG, and answered as the player would (PLAY with PLAY_DONE, PAUSE,
// RESUME and STOP with their *_DONE, GET_PROGRESS and GET_DURATION with the value). It plays
// nothing: the position is what it was told (SEEK or the control line "position N"), 0 after PLAY.
//
// Control lines, written to the fifo VELMOR_CTL: "eos", "stream_error", "play_error",
// "mute N", "stream_info N" send that reply; "position N" and "duration N" set the values;
// "hold 1" leaves PLAY unanswered until "play_done" (or "hold 0").
#include "common/velmor_ipc/velmor_msg.h"
#include "platform/sbroot/sb_root.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#define VELMOR_LOG "/sim/velmor.log"
#define VELMOR_CTL "/sim/velmor.ctl"

namespace {

struct QueueMsg {
    long mtype;
    uint8_t body[PLAYER_MSG_BODY_SIZE];
};

struct Velmor {
    int queue = -1;
    std::mutex lock;  // the queue thread and the control thread
    int32_t position = 0;
    int32_t duration = 180000;
    bool hold = false;
};
Velmor g;

void record(const std::string& line)
{
    std::lock_guard<std::mutex> guard(g.lock);
    printf("velmor: %s\n", line.c_str());
    fflush(stdout);
    if (FILE* log = fopen(sb::path(VELMOR_LOG).c_str(), "a")) {
        fprintf(log, "%s\n", line.c_str());
        fclose(log);
    }
}

void reply(int32_t cmd, int32_t value = 0)
{
    QueueMsg msg{};
    msg.mtype = PLAYER_MSG_FROM_PLAYER;
    PlayerMsgBody body{};
    playerMsgEncode(&body, cmd, nullptr, value, 0);
    std::memcpy(msg.body, body.data(), body.size());
    while (msgsnd(g.queue, &msg, sizeof msg.body, 0) != 0 && errno == EINTR) {
    }
}

void serveCommand(const PlayerMsg& cmd)
{
    switch (cmd.i4Cmd) {
    case USB_PB_PLAY: {
        record("PLAY " + std::to_string(cmd.i4Word0) + " " + cmd.acUrl.data());
        bool hold = false;
        {
            std::lock_guard<std::mutex> guard(g.lock);
            g.position = 0;
            hold = g.hold;
        }
        if (!hold) {
            reply(USB_PB_PLAY_DONE);
        }
        break;
    }
    case USB_PB_PAUSE:
        record("PAUSE");
        reply(USB_PB_PAUSE_DONE);
        break;
    case USB_PB_RESUME:
        record("RESUME");
        reply(USB_PB_RESUME_DONE);
        break;
    case USB_PB_STOP:
        record("STOP");
        reply(USB_PB_STOP_DONE);
        break;
    case USB_PB_SEEK: {
        record("SEEK " + std::to_string(cmd.i4Word0) + " " + std::to_string(cmd.i4Word1));
        std::lock_guard<std::mutex> guard(g.lock);
        g.position = cmd.i4Word0;
        break;
    }
    case USB_PB_GET_PROGRESS: {
        record("GET_PROGRESS");
        int32_t position = 0;
        {
            std::lock_guard<std::mutex> guard(g.lock);
            position = g.position;
        }
        reply(USB_PB_GET_PROGRESS_DONE, position);
        break;
    }
    case USB_PB_GET_DURATION: {
        record("GET_DURATION");
        int32_t duration = 0;
        {
            std::lock_guard<std::mutex> guard(g.lock);
            duration = g.duration;
        }
        reply(USB_PB_GET_DURATION_DONE, duration);
        break;
    }
    default:
        record("CMD " + std::to_string(cmd.i4Cmd));
        break;
    }
}

void control(const std::string& line)
{
    char word[32] = {};
    long value = 0;
    const int n = sscanf(line.c_str(), "%31s %ld", word, &value);
    if (n < 1) {
        return;
    }
    const std::string what = word;
    const auto v = static_cast<int32_t>(value);
    if (what == "eos") {
        reply(USB_PB_EOS);
    } else if (what == "stream_error") {
        reply(USB_PB_STREAM_ERROR);
    } else if (what == "play_error") {
        reply(USB_PB_PLAY_ERROR);
    } else if (what == "play_done") {
        reply(USB_PB_PLAY_DONE);
    } else if (what == "mute" && n == 2) {
        reply(USB_PB_MUTE, v);
    } else if (what == "stream_info" && n == 2) {
        reply(USB_PB_STREAM_INFO, v);
    } else if (what == "position" && n == 2) {
        std::lock_guard<std::mutex> guard(g.lock);
        g.position = v;
    } else if (what == "duration" && n == 2) {
        std::lock_guard<std::mutex> guard(g.lock);
        g.duration = v;
    } else if (what == "hold" && n == 2) {
        std::lock_guard<std::mutex> guard(g.lock);
        g.hold = v != 0;
    } else {
        record("unknown control: " + line);
        return;
    }
    record("control " + line);
}

void controlLoop(int fd)
{
    std::string pending;
    char buf[256];
    for (;;) {
        const ssize_t got = read(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return;
        }
        pending.append(buf, static_cast<size_t>(got));
        for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            control(pending.substr(0, nl));
            pending.erase(0, nl + 1);
        }
    }
}

}  // namespace

int main()
{
    const key_t key = sb::ftokKey(USB_PLAYER_PROGRAM, PLAYER_QUEUE_KEY_ID);
    if (key == -1) {
        fprintf(stderr, "velmor: no %s under the root\n", USB_PLAYER_PROGRAM);
        return 1;
    }
    g.queue = msgget(key, IPC_CREAT | 0666);
    if (g.queue < 0) {
        fprintf(stderr, "velmor: msgget failed, errno=%d\n", errno);
        return 1;
    }
    const std::string ctl = sb::path(VELMOR_CTL);
    unlink(ctl.c_str());
    // Opened for reading and writing, so the fifo never reads end-of-file between writers.
    const int fd = mkfifo(ctl.c_str(), 0666) == 0 ? open(ctl.c_str(), O_RDWR) : -1;
    if (fd < 0) {
        fprintf(stderr, "velmor: control fifo %s failed, errno=%d\n", ctl.c_str(), errno);
        return 1;
    }
    std::thread(controlLoop, fd).detach();
    record("ready");
    for (;;) {
        QueueMsg msg{};
        const ssize_t got = msgrcv(g.queue, &msg, sizeof msg.body, PLAYER_MSG_TO_PLAYER, MSG_NOERROR);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            // The queue was removed: the player's service is being stopped.
            record("queue gone");
            return 0;
        }
        serveCommand(playerMsgDecode(msg.body, static_cast<size_t>(got)));
    }
}
