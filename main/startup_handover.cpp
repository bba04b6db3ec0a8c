#include "main/startup_handover.h"

#include "main/audio_client/vesk_ipc.h"
#include "main/gui/gui_manager.h"
#include "main/state_mngr/state_mngr.h"
#include "platform/sbroot/sb_root.h"

#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool veskReady(const std::string& marker)
{
    struct stat st {};
    return stat(marker.c_str(), &st) == 0;
}

}  // namespace

void startupWaitVeskReady(void)
{
    const std::string marker = sb::path(VESK_READY_MARKER);
    while (!veskReady(marker)) {
        usleep(VESK_READY_POLL_US);
        printf("<corvand>sleep 5ms to wait vesk ready!\n");
    }
}

void startupPostGuiIdle(void)
{
    GuiMsg idle{};
    idle.msg_id = E_GUI_USR_EVT_POWER_IDLE;
    guiManagerAppMsgSnd(&idle);
}

int startupReapChild(void)
{
    int status = 0;
    const pid_t pid = waitpid(-1, &status, WNOHANG);
    if (pid > 0) {
        printf("<corvand>waitpid pid %d,status = %08x\n", static_cast<int>(pid), static_cast<unsigned>(status));
    }
    return pid;
}

void startupHandOver(void)
{
    startupWaitVeskReady();
    vesk_ipc_create();
    uSmAutoPlaySource();
    startupPostGuiIdle();
    for (;;) {
        startupReapChild();
        sleep(1);
    }
}
