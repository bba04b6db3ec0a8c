// The console table `spdif_in` ("spdifin") of the digital-input application.
#include "main/cli/cli.h"
#include "main/source_in/spdif/pb_spdif_in.h"
#include "main/source_in/spdif/spdif_in_priv.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr uint32_t kCliMask = 2;

uint32_t decimalArg(int argc, char** argv, int at)
{
    return argc > at && argv[at] != nullptr ? static_cast<uint32_t>(strtol(argv[at], nullptr, 10)) : 0;
}

int cliNothing(int, char**)
{
    return 0;
}

int i4SpdifInDebug(int argc, char** argv)
{
    if (gUi4EnableAllLog.load() == 1) {
        printf("Cmd(0x%x  0x%x  0x%x 0x%x) \n", decimalArg(argc, argv, 1), decimalArg(argc, argv, 2),
               decimalArg(argc, argv, 3), decimalArg(argc, argv, 4));
    }
    return 0;
}

int cliSwitchSource(int argc, char** argv)
{
    vSpdifInSwitchSource(static_cast<uint8_t>(decimalArg(argc, argv, 1) & 0xFF));
    return 0;
}

int cliGstPlay(int argc, char** argv)
{
    vSpdifInGstPlayPause(static_cast<uint8_t>(decimalArg(argc, argv, 1) & 0xFF));
    return 0;
}

int cliRequestPlay(int, char**)
{
    i4SpdifInSendRequestPlayToSm();
    return 0;
}

using SpdifLevelCmds = CliDbgLevelCmds<i4SpdifInGetDbgLevel, vSpdifInSetDbgLevel>;

const cli_cmd_t kCmds[] = {
    {"gdl", nullptr, SpdifLevelCmds::get, nullptr, "Get debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"sdl", nullptr, SpdifLevelCmds::set, nullptr, "Set debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"spdifin_msg", "msg", cliNothing, nullptr, "[spdifin]spdif_in_play_start", CLI_ACCESS_NORMAL},
    {"debug", "dbg", i4SpdifInDebug, nullptr, "[spdifin]just for debug", CLI_ACCESS_NORMAL},
    {"switch_source", "ss", cliSwitchSource, nullptr, "[spdifin] switch source(1 for spdifin, 0 for others) ",
     CLI_ACCESS_NORMAL},
    {"gst_play", "gp", cliGstPlay, nullptr, "[spdifin] play(1) or pause(0) gst ", CLI_ACCESS_NORMAL},
    {"request_play_to_sm", "rps", cliRequestPlay, nullptr, "[spdifin] request play to sm ", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kTable[] = {
    {"spdif_in", "spdifin", nullptr, kCmds, "spdif_in commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

}  // namespace

int32_t i4SpdifInCliAttachCmdTbl(void)
{
    return u_cli_attach_cmd_tbl(kTable, CLI_GRP_APP, kCliMask, 0);
}

int32_t spdifInCliDetachCmdTbl(void)
{
    return u_cli_detach_cmd_tbl(kTable, CLI_GRP_APP, kCliMask, 0);
}
