// The console table "sm". Rows that post messages only queue them: the state manager's thread
// acts on them later.
#include "main/am/am.h"
#include "main/cli/cli.h"
#include "main/state_mngr/sm_context_priv.h"

#include <cstdlib>
#include <mutex>

namespace {

constexpr uint32_t kCliMaskLow = 2;

// Posts a state-manager message to the state manager itself, as if from `sender`.
int postToSelf(uint32_t sender, uint32_t word)
{
    handle_t self = 0;
    int32_t res = u_am_get_app_handle_from_name(&self, SM_APP_NAME);
    if (res == 0) {
        res = u_app_send_appmsg(self, E_APP_MSG_TYPE_STATE_MNGR, sender, word, nullptr, 0);
    }
    if (res != 0) {
        SM_ERR("post to %s failed, i4Ret[%d]\n", SM_APP_NAME, res);
    }
    return res;
}

uint16_t levelForCli()
{
    return static_cast<uint16_t>(smGetDbgLevel() & 0xffff);
}

using SmLevelCmds = CliDbgLevelCmds<levelForCli, smSetDbgLevel>;

int cmdTest(int argc, char** argv)
{
    if (argc < 4) {
        SM_ERR("usage: app.sm.test [MSG_FROM_XXX] [SM_XXX_GRP] [BODY]\n");
        return CLIR_INV_ARG;
    }
    const auto sender = static_cast<uint32_t>(atoi(argv[1]));
    const auto group = static_cast<uint32_t>(atoi(argv[2]));
    const auto body = static_cast<uint32_t>(atoi(argv[3]));
    postToSelf(sender, group << 24 | (body & 0xff) << 16);
    return CLIR_OK;
}

int cmdShowSource(int, char**)
{
    SM_ERR("source:[%d] status:[%d]\n", static_cast<int>(uSmGetCurrentSource()),
           static_cast<int>(uSmGetCurrentPlaybackStatus()));
    return CLIR_OK;
}

int cmdShowNetwork(int, char**)
{
    SM_ERR("network status:[%s]\n", uSmIsNetworkConnect() != 0 ? "connect" : "disconnect");
    return CLIR_OK;
}

int cmdStandby(int, char**)
{
    if (uSmIsEnterFakeStandby() != 0) {
        SM_ERR("Current is [fake-standby]!\n");
    } else if (uSmIsEnterSuspendStandby() != 0) {
        SM_ERR("Current is [suspend-standby]!\n");
    } else {
        SM_ERR("Current is [non-standby]!\n");
    }
    return CLIR_OK;
}

int cmdSetFakeFlag(int argc, char** argv)
{
    if (argc < 2) {
        SM_ERR("usage: app.sm.set_fake_flag [n]\n");
        return CLIR_INV_ARG;
    }
    smVars().ui1FakeTest = static_cast<uint8_t>(atoi(argv[1]));
    SM_ERR("%s, set fake flag:%d\n", __func__, smVars().ui1FakeTest.load());
    return CLIR_OK;
}

int cmdSetSuspendFlag(int argc, char** argv)
{
    if (argc < 2) {
        SM_ERR("usage: app.sm.set_suspend_flag [n]\n");
        return CLIR_INV_ARG;
    }
    smVars().ui1EcoPowerTest = static_cast<uint8_t>(atoi(argv[1]));
    SM_ERR("%s, set suspend flag:%d\n", __func__, smVars().ui1EcoPowerTest.load());
    return CLIR_OK;
}

int cmdRequestPlay(int argc, char** argv)
{
    if (argc < 2) {
        SM_ERR("usage: app.sm.request_play [source]\n");
        return CLIR_INV_ARG;
    }
    const uint32_t sender = smGetMsgFromSource(static_cast<uint32_t>(atoi(argv[1])));
    postToSelf(sender, smMsgWord(SM_REQUEST_GRP, SM_BODY_PLAY, 0));
    return CLIR_OK;
}

int cmdInformStop(int argc, char** argv)
{
    if (argc < 2) {
        SM_ERR("usage: app.sm.inform_stop [source]\n");
        return CLIR_INV_ARG;
    }
    const uint32_t sender = smGetMsgFromSource(static_cast<uint32_t>(atoi(argv[1])));
    postToSelf(sender, smMsgWord(SM_INFORM_GRP, SM_BODY_STOP, 0));
    return CLIR_OK;
}

constexpr const char* kGdlHelp = "Get debug level (e=error, a=api, i=info, n=none)";
constexpr const char* kSdlHelp = "Set debug level (e=error, a=api, i=info, n=none)";

const cli_cmd_t kSmCmds[] = {
    {"gdl", nullptr, SmLevelCmds::get, nullptr, kGdlHelp, CLI_ACCESS_NORMAL},
    {"sdl", nullptr, SmLevelCmds::set, nullptr, kSdlHelp, CLI_ACCESS_NORMAL},
    {"test", nullptr, cmdTest, nullptr, "test", CLI_ACCESS_NORMAL},
    {"show_source", nullptr, cmdShowSource, nullptr, "show source's name and playback status", CLI_ACCESS_NORMAL},
    {"show_network", nullptr, cmdShowNetwork, nullptr, "show network status", CLI_ACCESS_NORMAL},
    {"standby", nullptr, cmdStandby, nullptr, "show standby mode", CLI_ACCESS_NORMAL},
    {"set_fake_flag", nullptr, cmdSetFakeFlag, nullptr, "set_fake_flag", CLI_ACCESS_NORMAL},
    {"request_play", nullptr, cmdRequestPlay, nullptr, "request_play 1", CLI_ACCESS_NORMAL},
    {"inform_stop", nullptr, cmdInformStop, nullptr, "", CLI_ACCESS_NORMAL},
    {"set_suspend_flag", nullptr, cmdSetSuspendFlag, nullptr, "set_suspend_flag", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kSmTbl[] = {
    {"sm", "sm", nullptr, kSmCmds, "sm commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

}  // namespace

int32_t smCliAttachCmdTbl()
{
    return u_cli_attach_cmd_tbl(kSmTbl, CLI_GRP_APP, kCliMaskLow, 0);
}
