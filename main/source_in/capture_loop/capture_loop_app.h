// The application around a capture loop, shared by playback_tdm_in and playback_uac_capture: the
// registration record, the start, exit and process functions, the debug level and the console
// table (gdl, sdl and a command posting a loop message). Each application declares one
// CaptureLoopApp and forwards its public functions to CaptureLoopAppFns<itsApp>.
#pragma once

#include "main/am/amb/amb.h"
#include "main/cli/cli.h"
#include "main/cli/dbg_level.h"
#include "main/source_in/capture_loop/capture_loop.h"

#include <cstdlib>

// The application's names on the console and in its logs.
struct CaptureLoopAppNames {
    const char* appName;    // "playback_tdm_in"
    const char* table;      // "tdm_in"
    const char* tableAbbr;  // "tdmin"
    const char* tableHelp;  // "tdm_in commands"
    const char* msgCmd;     // "tdmin_msg"
    const char* msgHelp;    // "[tdmin]tdm_in_play_start"
    const char* attachFn;   // "tdmInCliAttachCmdTbl", named in the line of a failed attach
};

struct CaptureLoopApp {
    const CaptureLoopAppNames names;
    DbgModule dbg;
    CaptureLoop loop;
};

template <CaptureLoopApp& App>
class CaptureLoopAppFns {
public:
    static constexpr uint32_t kCliMask = 2;
    static constexpr amb_app_sizes_t kSizes = {131072, 130, 64, 128, 4096};

    static void registerApp(amb_register_info_t* info)
    {
        if (App.loop.inited()) {
            return;
        }
        amb_fill_register_info(info, App.names.appName, {init, exit, process}, kSizes);
    }

    static int32_t send(const CaptureLoopMsg* msg) { return App.loop.send(msg); }
    static uint16_t level() { return App.dbg.level(); }
    static void setLevel(uint16_t level) { App.dbg.setLevel(level); }
    static int32_t attach()
    {
        // Built on first use: the names live in App, whose construction order against a static
        // table here is not fixed.
        using LevelCmds = CliDbgLevelCmds<level, setLevel>;
        static const cli_cmd_t cmds[] = {
            {"gdl", nullptr, LevelCmds::get, nullptr, "Get debug level (e=error, a=api, i=info, n=none)",
             CLI_ACCESS_NORMAL},
            {"sdl", nullptr, LevelCmds::set, nullptr, "Set debug level (e=error, a=api, i=info, n=none)",
             CLI_ACCESS_NORMAL},
            {App.names.msgCmd, "msg", cliMsg, nullptr, App.names.msgHelp, CLI_ACCESS_NORMAL},
            CLI_LAST_CMD,
        };
        static const cli_cmd_t table[] = {
            {App.names.table, App.names.tableAbbr, nullptr, cmds, App.names.tableHelp, CLI_ACCESS_NORMAL},
            CLI_LAST_CMD,
        };
        return u_cli_attach_cmd_tbl(table, CLI_GRP_APP, kCliMask, 0);
    }

private:
    static int32_t init(const char*, handle_t app)
    {
        App.loop.init(app);
        const int32_t attached = attach();
        if (attached != CLIR_OK && attached != CLIR_NOT_INIT) {
            dbgPrint(level(), DBG_LEVEL_ERROR, "Err: %s() failed, ret=%d\r\n", App.names.attachFn,
                     static_cast<int>(attached));
            return -1;
        }
        App.loop.setInited();
        return 0;
    }

    static int32_t exit(handle_t, uint32_t) { return App.loop.exit(); }

    static int32_t process(handle_t, uint32_t msgId, const void* data, uint32_t size)
    {
        return App.loop.process(msgId, data, size);
    }

    static int cliMsg(int argc, char** argv)
    {
        if (argc < 2) {
            return CLIR_INV_ARG;
        }
        const CaptureLoopMsg msg{static_cast<uint32_t>(atoi(argv[1])), {0, 0, 0}};
        send(&msg);
        return 0;
    }
};
