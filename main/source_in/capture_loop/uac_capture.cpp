#include "main/source_in/capture_loop/uac_capture.h"

#include "main/cli/cli.h"
#include "main/cli/dbg_level.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

// The registration record holds the first 16 characters of "playback_uac_capture".
constexpr const char* kAppName = "playback_uac_capture";
constexpr uint32_t kCliMask = 2;

std::atomic<uint16_t> gUacCaptureDbgLevel{0x01FF};

const CaptureLoopConfig kUacCaptureConfig = {
    "<uac_capture>",
    "main",
    176400,
    "uac_capture msg id [%d]\n",
    "uac_capture record thread create failed!",
    "uac_capture play thread create failed!",
    false,
    false,
    uacCaptureGetDbgLevel,
};

CaptureLoop gUacCapture(kUacCaptureConfig);

int32_t uacCaptureInit(const char*, handle_t app)
{
    gUacCapture.init(app);
    const int32_t attached = uacCaptureCliAttachCmdTbl();
    if (attached != CLIR_OK && attached != CLIR_NOT_INIT) {
        dbgPrint(uacCaptureGetDbgLevel(), DBG_LEVEL_ERROR, "Err: uacCaptureCliAttachCmdTbl() failed, ret=%d\r\n",
                 static_cast<int>(attached));
        return -1;
    }
    gUacCapture.setInited();
    return 0;
}

int32_t uacCaptureExit(handle_t, uint32_t)
{
    return gUacCapture.exit();
}

int32_t uacCaptureProcessMsg(handle_t, uint32_t msgId, const void* data, uint32_t size)
{
    return gUacCapture.process(msgId, data, size);
}

int uacCaptureCliGetDbgLevel(int, char**)
{
    return u_cli_show_dbg_level(uacCaptureGetDbgLevel());
}

int uacCaptureCliSetDbgLevel(int argc, char** argv)
{
    uint16_t level = 0;
    const int32_t result = u_cli_parse_dbg_level(argc, argv, &level);
    if (result == CLIR_OK) {
        uacCaptureSetDbgLevel(level);
    }
    return result;
}

int uacCaptureCliMsg(int argc, char** argv)
{
    if (argc < 2) {
        return CLIR_INV_ARG;
    }
    const CaptureLoopMsg msg{static_cast<uint32_t>(atoi(argv[1])), {0, 0, 0}};
    uUacCaptureSendMsg(&msg);
    return 0;
}

const cli_cmd_t kUacCaptureCmds[] = {
    {"gdl", nullptr, uacCaptureCliGetDbgLevel, nullptr, "Get debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"sdl", nullptr, uacCaptureCliSetDbgLevel, nullptr, "Set debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"uaccapture_msg", "msg", uacCaptureCliMsg, nullptr, "[uaccapture]uac_capture_play_start", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kUacCaptureTable[] = {
    {"uac_capture", "uaccapture", nullptr, kUacCaptureCmds, "uac_capture commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

}  // namespace

void aUacCaptureRegister(amb_register_info_t* info)
{
    if (gUacCapture.inited()) {
        return;
    }
    memset(info->acName, 0, sizeof(info->acName));
    memcpy(info->acName, kAppName, strnlen(kAppName, AM_APP_NAME_LEN));
    info->tFct = {uacCaptureInit, uacCaptureExit, uacCaptureProcessMsg};
    info->ui8Reserved = ~static_cast<uint64_t>(0);
    info->ui4StackSize = 131072;
    info->ui1Priority = 130;
    info->ui2SecCount = 64;
    info->ui2QueueLen = 128;
    info->ui2MaxPayload = 4096;
}

int32_t uUacCaptureSendMsg(const CaptureLoopMsg* msg)
{
    return gUacCapture.send(msg);
}

uint16_t uacCaptureGetDbgLevel(void)
{
    return gUacCaptureDbgLevel.load(std::memory_order_relaxed) | DBG_LAYER_APP;
}

void uacCaptureSetDbgLevel(uint16_t level)
{
    gUacCaptureDbgLevel.store(level, std::memory_order_relaxed);
}

int32_t uacCaptureCliAttachCmdTbl(void)
{
    return u_cli_attach_cmd_tbl(kUacCaptureTable, CLI_GRP_APP, kCliMask, 0);
}
