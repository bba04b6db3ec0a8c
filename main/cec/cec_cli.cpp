#include "main/cec/cec_cli.h"

#include "main/am/aee/aee.h"
#include "main/cec/cec_dbg.h"
#include "main/cec/cec_drv.h"
#include "main/cec/cec_msg.h"
#include "main/cec/cec_peer.h"
#include "main/cec/cec_pool.h"
#include "main/cec/cec_state.h"
#include "main/cli/cli.h"
#include "main/state_mngr/state_mngr.h"

#include <cstdlib>

namespace {

constexpr uint32_t kCliMask = 2;
constexpr const char* kOsdText = "OSDKVX";

void setLevel(uint16_t level)
{
    cecSetDbgLevel(level);
}

using CecLevelCmds = CliDbgLevelCmds<cecGetDbgLevel, setLevel>;

// A request to the TV: logged on entry and exit, its result not the command's.
template <int32_t (*Request)(uint32_t), uint32_t Destination = CEC_LA_TV>
int cliRequest(int, char** argv)
{
    CEC_INFO("%s enter", argv[0]);
    Request(Destination);
    CEC_INFO("%s exit", argv[0]);
    return 0;
}

int cliSetOsdString(int, char** argv)
{
    CEC_INFO("%s enter", argv[0]);
    cecCtrlSetOSDString(CEC_LA_TV, CEC_CLI_OSD_DISPLAY_CONTROL, kOsdText);
    CEC_INFO("%s exit", argv[0]);
    return 0;
}

int cliGetLocalResource(int, char** argv)
{
    CEC_INFO("%s enter", argv[0]);
    cecCtrlNumberOfEventPool();
    CEC_INFO("%s exit", argv[0]);
    return 0;
}

// Posts one control command to the application, as another application would.
int cecCliSendMessageToCECApp(int argc, char** argv)
{
    if (argc != 2) {
        cli_print("Err: invalid param![USERGUIDE] 0: open audio | 1: close audio | 2:initiate ARC | 3:termination ARC "
                  "| 4: switch Rx0 | 5: switch Rx1 \n");
        return CLIR_INV_ARG;
    }
    const auto command = static_cast<uint32_t>(atoi(argv[1]));
    if (command >= CEC_CTRL_CMD_NUM) {
        cli_print("invalid param \n");
        return CLIR_INV_ARG;
    }
    if (u_app_send_appmsg(gCecThisObj.hApp.load(), E_APP_MSG_TYPE_CEC, MSG_FROM_CLI, command, nullptr, 0) == 0) {
        CEC_INFO("send msg suc line=%d!\n", __LINE__);
    } else {
        CEC_ERR("send msg fail!");
    }
    return 0;
}

void showPa(const char* format, uint16_t address)
{
    char text[CEC_PA_TEXT_SIZE];
    if (pa_to_string(address, text) == nullptr) {
        CEC_API("err: pa_to_string fail!");
        return;
    }
    CEC_INFO(format, text);
}

int cliGetCecInfo(int, char**)
{
    CEC_INFO("TV Info: ");
    CEC_INFO("TV is support: %d \n", gTVInfo.ui1Support.load());
    CEC_INFO("logical addr: %u \n", gTVInfo.ui4LogicalAddr.load());
    showPa("physical addr: %s \n", gTVInfo.ui2PhysicalAddr.load());
    CEC_INFO("\n");
    CEC_INFO("Platform Info: ");
    CEC_INFO("open auiod system: %d \n", gPlatformInfo.ui1SysAudioOpen.load());
    CEC_INFO("active RX port: %u \n", gPlatformInfo.ui4ActiveRx.load());
    CEC_INFO("active TX port: %u \n", gPlatformInfo.ui4ActiveTx.load());
    CEC_INFO("\n");
    CEC_INFO("HDMI TX Info: ");
    CEC_INFO("HDMI TX number: %u\n", CEC_TX_NUM);
    for (uint32_t i = 0; i < CEC_TX_NUM; ++i) {
        const CecHdmiTxInfo& tx = gHDMITXInfo[i];
        CEC_INFO("TX[%u]->openARC: %d\n", i, tx.openARC.load());
        CEC_INFO("TX[%u]->isSupport: %d\n", i, tx.isSupport.load());
        CEC_INFO("TX[%u]->logicalAddr: %u\n", i, tx.logicalAddr.load());
        char text[CEC_PA_TEXT_SIZE];
        if (pa_to_string(tx.physicalAddr.load(), text) == nullptr) {
            CEC_API("err: pa_to_string fail!");
            continue;
        }
        CEC_INFO("TX[%u]->physicalAddr: %s\n", i, text);
    }
    return 0;
}

const cli_cmd_t kCecCmds[] = {
    {"gdl", nullptr, CecLevelCmds::get, nullptr, "Get debug level (e=error, a=api, i=info, n=none)", CLI_ACCESS_NORMAL},
    {"sdl", nullptr, CecLevelCmds::set, nullptr, "Set debug level (e=error, a=api, i=info, n=none)", CLI_ACCESS_NORMAL},
    {"standby", nullptr, cliRequest<cecCtrlStandby, CEC_LA_BROADCAST>, nullptr, "standby all", CLI_ACCESS_NORMAL},
    {"power_status", nullptr, cliRequest<cecCtrlGiveDevicePowerStatus>, nullptr, "the power status of target device",
     CLI_ACCESS_NORMAL},
    {"osd_name", nullptr, cliRequest<cecCtrlGiveOSDName>, nullptr, "request OSD name of target device",
     CLI_ACCESS_NORMAL},
    {"init_ARC", nullptr, cliRequest<cecCtrlInitiateARC>, nullptr, "ARC RX device to activate the ARC",
     CLI_ACCESS_NORMAL},
    {"terminate_ARC", nullptr, cliRequest<cecCtrlTerminateARC>, nullptr, "ARC RX device to deactivate the ARC",
     CLI_ACCESS_NORMAL},
    {"get_cec_version", nullptr, cliRequest<cecCtrlGetCecVersion>, nullptr,
     "enquire which version number of target device", CLI_ACCESS_NORMAL},
    {"get_menu_language", "get_ml", cliRequest<cecCtrlGetMenuLanguage>, nullptr,
     "get currently selected menu language on the TV", CLI_ACCESS_NORMAL},
    {"get_physical_address", "get_pa", cliRequest<cecCtrlGivePhysicalAddress>, nullptr,
     "get physical address of traget device", CLI_ACCESS_NORMAL},
    {"set_OSD_string", nullptr, cliSetOsdString, nullptr, "send a text message to output on a TV", CLI_ACCESS_NORMAL},
    {"get_local_resource", "get_lr", cliGetLocalResource, nullptr, "current local resource info", CLI_ACCESS_NORMAL},
    {"send_message", nullptr, cecCliSendMessageToCECApp, nullptr, "other app(spdif in) control cec app (ARC/repeater)",
     CLI_ACCESS_NORMAL},
    {"get_cec_info", "getInfo", cliGetCecInfo, nullptr, "printf cec app info", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kCecTable[] = {
    {"cec_manager", "cec", nullptr, kCecCmds, "cec_manager commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

}  // namespace

int32_t cecCliAttachCmdTbl(void)
{
    return u_cli_attach_cmd_tbl(kCecTable, CLI_GRP_APP, kCliMask, 0);
}
