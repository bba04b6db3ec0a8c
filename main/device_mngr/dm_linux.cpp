#include "main/device_mngr/dm_linux.h"

#include "main/cli/cli.h"
#include "main/device_mngr/dm_core.h"
#include "main/device_mngr/dm_log.h"
#include "platform/quorid/quorid.h"

#include <atomic>

namespace {

constexpr const char* kDmName = "dev_mngr";
constexpr amb_app_sizes_t kDmSizes = {65536, 125, 64, 128, 4096};
constexpr uint32_t kCliMask = 2;

struct DmApp {
    std::atomic<handle_t> app{0};
    std::atomic<uint8_t> inited{0};
};

DmApp gDmApp;

using DmLevelCmds = CliDbgLevelCmds<dmGetDbgLevel, dmSetDbgLevel>;

int dmCliEcho(int, char**)
{
    quorid_exec("ls -l\n", 0);
    return 0;
}

const cli_cmd_t kDmCmds[] = {
    {"gdl", nullptr, DmLevelCmds::get, nullptr, "Get debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"sdl", nullptr, DmLevelCmds::set, nullptr, "Set debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"echo", "e", dmCliEcho, nullptr, "repeat the input string", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kDmTable[] = {
    {"dm", "dm", nullptr, kDmCmds, "dm commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

int32_t dmStart(const char*, handle_t app)
{
    gDmApp.app.store(app);
    if (gDmApp.inited.load() != 0) {
        return 0;
    }
    const int32_t attached = dm_cli_attach_cmd_tbl();
    if (attached != CLIR_OK && attached != CLIR_NOT_INIT) {
        DM_ERR("Err: dm_cli_attach_cmd_tbl() failed, ret=%d\r\n", attached);
        return -1;
    }
    dmSetDbgLevel(DM_DBG_LEVEL_START);
    dmMultiThreadInit();  // its failures are logged inside; corvand goes on without devices
    gDmApp.inited.store(1);
    return 0;
}

int32_t dmExit(handle_t, uint32_t)
{
    gDmApp.inited.store(0);
    return 0;
}

int32_t dmProcess(handle_t, uint32_t msgId, const void*, uint32_t)
{
    if (gDmApp.inited.load() == 0) {
        return -1;
    }
    if (msgId >= AM_BRDCST_MSG_BASE) {
        DM_INFO("dm receive broadcast message[%d]\n", static_cast<int>(msgId));
    } else {
        DM_INFO("dm receive unicast message[%d]\n", static_cast<int>(msgId));
    }
    return 0;
}

}  // namespace

void a_dm_register(amb_register_info_t* info)
{
    if (gDmApp.inited.load() != 0) {
        return;
    }
    amb_fill_register_info(info, kDmName, {dmStart, dmExit, dmProcess}, kDmSizes);
}

int32_t dm_cli_attach_cmd_tbl(void)
{
    return u_cli_attach_cmd_tbl(kDmTable, CLI_GRP_APP, kCliMask, 0);
}
