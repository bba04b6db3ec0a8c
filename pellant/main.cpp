// pellant: owns the platform audio server and serves corvand's remote calls to it.
#include "pellant/vesk_app.h"
#include "pellant/vesk_ipc_server.h"
#include "pellant/vesk_ppc_page.h"
#include "platform/quorid/quorid.h"
#include "platform/tarp/tarp_server.h"
#include "common/crash/crash_dbg.h"

#include <cstdio>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uint32_t kToneVolume = 17;

void setInitialVolume(uint32_t stream, uint32_t value)
{
    const auto record = veskIpcEncode(VeskIpcValueArg{stream, value});
    vesk_app_set_streamvol(VeskIpcBytes{record.data(), record.size()});
}

void startRemoteCallServer()
{
    tarps_server* server = nullptr;
    int ret = tarps_create(&server, VESK_IPC_SERVER_PATH);
    if (ret != 0) {
        printf("vesk_app ipc server create fail:%d err:%s\n", ret, strerror(-ret));
        tarps_destroy(server);
    }
    quorid_exec("chmod 775 " VESK_IPC_SERVER_PATH, 0);
    ret = tarps_register_callback_ext(server, vesk_ipc_app_callback, 0);
    if (ret < 0) {
        printf("vesk_app ipc callback setup fail err: %s !\n", strerror(-ret));
    }
    ret = tarps_start(server);
    if (ret < 0) {
        printf("vesk_app ipc server start fail:%d\n", ret);
    }
}

}  // namespace

int main()
{
    // Lines must reach a log file as they happen, not when a buffer fills.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    printf("pellant dbg \n");
    printf("Dbg Backtrace Init\n");
    dbgReportRaiseFailure(false);
    dbgInit();
    usleep(5000);

    vesk_init();
    veskPpcPageInit();
    startRemoteCallServer();

    quorid_exec("touch " VESK_IPC_READY_PATH, 0);
    quorid_exec("chmod 775 " VESK_IPC_READY_PATH, 0);

    setInitialVolume(0, 0);
    setInitialVolume(1, 0);
    setInitialVolume(2, kToneVolume);
    printf("[%s,%d]:tone_vol=%d!\n", __func__, __LINE__, static_cast<int>(kToneVolume));

    for (;;) {
        int status = 0;
        const pid_t pid = waitpid(-1, &status, WNOHANG);
        if (pid > 0) {
            printf("[%s,%d]:child pid=%d exit, status=%d\n", __func__, __LINE__, static_cast<int>(pid), status);
        }
        sleep(1);
    }
}
