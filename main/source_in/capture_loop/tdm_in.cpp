#include "main/source_in/capture_loop/tdm_in.h"

#include "main/cli/cli.h"
#include "main/cli/dbg_level.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kAppName = "playback_tdm_in";
constexpr uint32_t kCliMask = 2;

std::atomic<uint16_t> gTdmInDbgLevel{0x01FF};

const CaptureLoopConfig kTdmInConfig = {
    "<tdm_in>",
    "hw:1,0",
    1536000,
    "tdmin msg id [%d]\n",
    "tdm_in record thread create failed!",
    "tdm_in play thread create failed!",
    true,
    true,
    tdmInGetDbgLevel,
};

CaptureLoop gTdmIn(kTdmInConfig);

int32_t tdmInInit(const char*, handle_t app)
{
    gTdmIn.init(app);
    const int32_t attached = tdmInCliAttachCmdTbl();
    if (attached != CLIR_OK && attached != CLIR_NOT_INIT) {
        dbgPrint(tdmInGetDbgLevel(), DBG_LEVEL_ERROR, "Err: tdmInCliAttachCmdTbl() failed, ret=%d\r\n",
                 static_cast<int>(attached));
        return -1;
    }
    gTdmIn.setInited();
    return 0;
}

int32_t tdmInExit(handle_t, uint32_t)
{
    return gTdmIn.exit();
}

int32_t tdmInProcessMsg(handle_t, uint32_t msgId, const void* data, uint32_t size)
{
    return gTdmIn.process(msgId, data, size);
}

int tdmInCliGetDbgLevel(int, char**)
{
    return u_cli_show_dbg_level(tdmInGetDbgLevel());
}

int tdmInCliSetDbgLevel(int argc, char** argv)
{
    uint16_t level = 0;
    const int32_t result = u_cli_parse_dbg_level(argc, argv, &level);
    if (result == CLIR_OK) {
        tdmInSetDbgLevel(level);
    }
    return result;
}

int tdmInCliMsg(int argc, char** argv)
{
    if (argc < 2) {
        return CLIR_INV_ARG;
    }
    const CaptureLoopMsg msg{static_cast<uint32_t>(atoi(argv[1])), {0, 0, 0}};
    uTdmInSendMsg(&msg);
    return 0;
}

const cli_cmd_t kTdmInCmds[] = {
    {"gdl", nullptr, tdmInCliGetDbgLevel, nullptr, "Get debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"sdl", nullptr, tdmInCliSetDbgLevel, nullptr, "Set debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"tdmin_msg", "msg", tdmInCliMsg, nullptr, "[tdmin]tdm_in_play_start", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kTdmInTable[] = {
    {"tdm_in", "tdmin", nullptr, kTdmInCmds, "tdm_in commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

}  // namespace

void aTdmInRegister(amb_register_info_t* info)
{
    if (gTdmIn.inited()) {
        return;
    }
    memset(info->acName, 0, sizeof(info->acName));
    memcpy(info->acName, kAppName, strnlen(kAppName, AM_APP_NAME_LEN));
    info->tFct = {tdmInInit, tdmInExit, tdmInProcessMsg};
    info->ui8Reserved = ~static_cast<uint64_t>(0);
    info->ui4StackSize = 131072;
    info->ui1Priority = 130;
    info->ui2SecCount = 64;
    info->ui2QueueLen = 128;
    info->ui2MaxPayload = 4096;
}

int32_t uTdmInSendMsg(const CaptureLoopMsg* msg)
{
    return gTdmIn.send(msg);
}

uint16_t tdmInGetDbgLevel(void)
{
    return gTdmInDbgLevel.load(std::memory_order_relaxed) | DBG_LAYER_APP;
}

void tdmInSetDbgLevel(uint16_t level)
{
    gTdmInDbgLevel.store(level, std::memory_order_relaxed);
}

int32_t tdmInCliAttachCmdTbl(void)
{
    return u_cli_attach_cmd_tbl(kTdmInTable, CLI_GRP_APP, kCliMask, 0);
}
