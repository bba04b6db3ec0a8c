#include "main/timerd/timerd.h"

#include "main/cli/cli.h"
#include "main/cli/dbg_level.h"
#include "main/timerd/os_timer.h"

#include <atomic>
#include <cstring>

namespace {

constexpr const char* kTimerdName = "timerd";
constexpr amb_app_sizes_t kTimerdSizes = {4096, 200, 20, 20, 64};
constexpr uint32_t kTimerdCliMask = 2;

struct Timerd {
    handle_t app = 0;  // touched only on the application's thread
    // Read by the register function on the start-up thread.
    std::atomic<bool> started{false};
    // Set from the console thread, read by every logging thread.
    DbgModule dbg{"<timerd>", "timerd", DBG_LAYER_APP, DBG_LEVEL_ERROR};
};

Timerd gTimerd;

using TimerdLevelCmds = CliDbgLevelCmds<timerd_get_dbg_level, timerd_set_dbg_level>;

int timerdCliEcho(int, char**)
{
    return 0;
}

const cli_cmd_t kTimerdCmds[] = {
    {"gdl", nullptr, TimerdLevelCmds::get, nullptr, "Get debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"sdl", nullptr, TimerdLevelCmds::set, nullptr, "Set debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"echo", "e", timerdCliEcho, nullptr, "repeat the input string", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kTimerdTable[] = {
    {"timerd", "td", nullptr, kTimerdCmds, "timerd commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

int32_t _timerd_start(const char*, handle_t app)
{
    gTimerd.app = app;
    if (gTimerd.started.load()) {
        return 0;
    }
    // The console may not be up yet; the table is then simply not offered.
    const int32_t attached = timerd_cli_attach_cmd_tbl();
    if (attached != CLIR_OK && attached != CLIR_NOT_INIT) {
        DBG_MOD_ERR(gTimerd.dbg, "<timerd> Err: ht_cli_attach_cmd_tbl() failed, ret=%d\r\n", attached);
        return TMR_FAIL;
    }
    gTimerd.started.store(true);
    os_timer_init();
    return 0;
}

int32_t _timerd_exit(handle_t, uint32_t)
{
    gTimerd.started.store(false);
    return 0;
}

int32_t _timerd_process_msg(handle_t, uint32_t msgId, const void* data, uint32_t size)
{
    if (!gTimerd.started.load()) {
        return TMR_FAIL;
    }
    uint32_t word = 0;
    if (data == nullptr || size < sizeof word) {
        return 0;  // no word to show
    }
    std::memcpy(&word, data, sizeof word);
    DBG_MOD_INFO(gTimerd.dbg,
                 msgId >= AM_BRDCST_MSG_BASE ? "am broadcast message id is %d\n" : "private message id is %d\n",
                 static_cast<int>(word));
    return 0;
}

}  // namespace

void a_timerd_register(amb_register_info_t* info)
{
    if (gTimerd.started.load()) {
        return;
    }
    amb_fill_register_info(info, kTimerdName, {_timerd_start, _timerd_exit, _timerd_process_msg}, kTimerdSizes);
}

int32_t timerd_cli_attach_cmd_tbl(void)
{
    return u_cli_attach_cmd_tbl(kTimerdTable, CLI_GRP_APP, kTimerdCliMask, 0);
}

uint16_t timerd_get_dbg_level(void)
{
    return gTimerd.dbg.level();
}

void timerd_set_dbg_level(uint16_t level)
{
    gTimerd.dbg.setLevel(level & DBG_LEVEL_ALL);
}
