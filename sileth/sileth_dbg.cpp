#include "sileth/sileth_dbg.h"

#include "common/support/support.h"
#include "platform/sbroot/sb_root.h"
#include "sileth/sileth_log.h"
#include "sileth/sileth_queue.h"
#include "sileth/sileth_src.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr size_t kReadMax = 50;

struct DbgState {
    std::atomic<bool> run{false};
    sb::UniqueFd wakeRead;
    sb::UniqueFd wakeWrite;
    std::thread thread;
};

DbgState gDbg;

void inject(int32_t cmd, uint8_t srcType)
{
    sileth_msg_t msg;
    msg.type = MSG_TO_SILETH;
    msg.cmd = cmd;
    msg.SrcType = srcType;
    msg.DrcMode = cmd == SILETH_CMD_PLAY ? 8 : 0;
    i4MsgSend(msg);
}

// A fifo left by an earlier run is taken as it is; anything else in its place is not.
bool makeFifo(const std::string& path)
{
    const mode_t old = umask(0);
    const int r = mkfifo(path.c_str(), 0666 | S_ISVTX);
    umask(old);
    if (r == 0) {
        return true;
    }
    struct stat st {};
    return errno == EEXIST && stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// Waits until the fifo is readable or the wake-up descriptor fires; false for the wake-up.
bool waitReadable(int fd)
{
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {gDbg.wakeRead.get(), POLLIN, 0}};
        const int r = poll(fds, 2, -1);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0 || fds[1].revents != 0 || !gDbg.run.load()) {
            return false;
        }
        if (fds[0].revents != 0) {
            return true;
        }
    }
}

// Every line a writer sends is one command, read in pieces of at most 50 bytes; a line longer
// than that is taken in 50-byte parts.
void takeLines(std::string& pending, bool atEnd)
{
    size_t nl = 0;
    while ((nl = pending.find('\n')) != std::string::npos || pending.size() >= kReadMax ||
           (atEnd && !pending.empty())) {
        const size_t len = nl != std::string::npos && nl < kReadMax ? nl : std::min(pending.size(), kReadMax);
        const std::string line = pending.substr(0, len);
        pending.erase(0, nl == len ? len + 1 : len);
        if (!line.empty()) {
            vSilethDbgCommand(line.c_str());
        }
    }
}

// Opened without waiting for a writer, so an exit never needs one to come along.
sb::UniqueFd openReader(const std::string& path)
{
    return sb::UniqueFd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
}

void pvDbgThread(std::string path)
{
    sb::UniqueFd fd = openReader(path);
    bool alive = true;
    while (alive && gDbg.run.load()) {
        APP_DBG("[DBG Thread]enter while  ");
        if (fd.get() < 0) {
            APP_ERR("read,open file error! ");
            break;
        }
        std::string pending;
        bool got = false;
        for (;;) {
            if (!waitReadable(fd.get())) {
                alive = false;
                break;
            }
            char buf[kReadMax + 1] = {};
            const ssize_t n = read(fd.get(), buf, kReadMax);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
                continue;
            }
            if (n <= 0) {
                // The writers are gone. One that wrote nothing, or a failed read, ends the reader.
                if (n < 0 || !got) {
                    APP_ERR("read end or error !");
                    alive = false;
                }
                break;
            }
            got = true;
            buf[n] = '\0';
            APP_INFO("[DBG Thread] read success , buf:%s \n", buf);
            pending.append(buf, static_cast<size_t>(n));
            takeLines(pending, false);
        }
        takeLines(pending, true);
        if (alive) {
            // The next read end opens before this one closes: the fifo never goes without a reader,
            // so a writer arriving in between keeps its line for the next round.
            fd = openReader(path);
        }
    }
    APP_INFO("[DBG Thread] Exit ");
}

}  // namespace

void vSilethDbgCommand(const char* text)
{
    const auto has = [text](const char* word) { return std::strstr(text, word) != nullptr; };
    if (has("codec change")) {
        APP_INFO("[DBG Thread] codec change ");
    } else if (has("set level e")) {
        _dbg_level.store(1);
    } else if (has("set level i")) {
        _dbg_level.store(2);
    } else if (has("set level d")) {
        _dbg_level.store(3);
    } else if (has("get level")) {
        printf("[DBG Thread] _dbg_level: %d (1:err,2:info,3:dbg)\n", _dbg_level.load());
    } else if (has("info")) {
        _dbg_level.store(2);
        // A record of its own: the daemon thread owns its copy.
        SourceInfo info;
        vSilethSrcGetInfo(&info);
        _dbg_level.store(1);
    } else if (has("play arc")) {
        APP_INFO("[DBG Thread] Play ARC-IN ");
        inject(SILETH_CMD_PLAY, 1);
    } else if (has("play spdif")) {
        APP_INFO("[DBG Thread] Play SPDIF-IN ");
        inject(SILETH_CMD_PLAY, 0);
    } else if (has("play hdmirx0")) {
        APP_INFO("[DBG Thread] Play HDMI RX0 ");
        inject(SILETH_CMD_PLAY, 2);
    } else if (has("stop")) {
        APP_INFO("[DBG Thread] Stop ");
        inject(SILETH_CMD_STOP, 0);
    } else if (has("exit")) {
        APP_INFO("[DBG Thread] Exit ");
        inject(SILETH_CMD_EXIT, 0);
    }
}

int i4SilethDbgStart()
{
    const std::string path = sb::path(SILETH_DBG_FIFO);
    if (!makeFifo(path)) {
        APP_ERR("[DBG Thread] mkfifo error ");
        return -1;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        APP_ERR("[DBG Thread] mkfifo error ");
        return -1;
    }
    gDbg.wakeRead = sb::UniqueFd(fds[0]);
    gDbg.wakeWrite = sb::UniqueFd(fds[1]);
    gDbg.run.store(true);
    gDbg.thread = std::thread(pvDbgThread, path);
    return 0;
}

void vSilethDbgStop()
{
    gDbg.run.store(false);
    if (gDbg.wakeWrite.get() >= 0) {
        const char byte = 1;
        (void)!write(gDbg.wakeWrite.get(), &byte, 1);
    }
    if (gDbg.thread.joinable()) {
        gDbg.thread.join();
    }
    gDbg.wakeRead = sb::UniqueFd();
    gDbg.wakeWrite = sb::UniqueFd();
}
