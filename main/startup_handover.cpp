#include "startup_handover.h"

#include "aee.h"
#include "am.h"
#include "sb_root.h"
#include "vesk_ipc.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr const char* kGuiManagerName = "gui_namager";
constexpr uint32_t kGuiMsgSize = 68;

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

// The GUI manager's 68-byte message: u16 event id, u8 payload length, payload.
void startupPostGuiIdle(void)
{
    std::array<uint8_t, kGuiMsgSize> msg{};
    const uint16_t event = E_GUI_USR_EVT_POWER_IDLE;
    memcpy(msg.data(), &event, sizeof(event));
    handle_t gui = 0;
    long res = u_am_get_app_handle_from_name(&gui, kGuiManagerName);
    if (res == 0) {
        res = u_app_send_appmsg(gui, E_APP_MSG_TYPE_GUI, 0, 0, msg.data(), kGuiMsgSize);
    }
    if (res != 0) {
        printf("Send Msg To GUI Manager Failed, ret[%ld]\n", res);
    }
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
    // TODO(state_mngr): uSmAutoPlaySource() follows here once the state manager is built.
    startupPostGuiIdle();
    for (;;) {
        startupReapChild();
        sleep(1);
    }
}
