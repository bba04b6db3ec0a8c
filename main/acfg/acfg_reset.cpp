#include "main/acfg/acfg_reset.h"

#include "main/acfg/acfg.h"
#include "main/acfg/acfg_item_priv.h"
#include "main/acfg/acfg_log_priv.h"
#include "platform/quorid/quorid.h"

namespace {

constexpr int kExecFailed = -1;
constexpr const char* kReboot = "reboot -f";

constexpr const char* kFactoryResetCommands[] = {
    "sync",
    "rm -rf /data/misc/app.cfg",
    "rm -rf /data/misc/app.cfg.backup",
    "rm -rf /data/update.zip",
    "rm -rf /data/mervane/gst_dolby.conf",
    "rm -rf /data/mervane/dolby-atmos.conf",
    "rm -rf /data/mervane/gst_dts.conf",
    "rm -rf /data/mervane/dts-x.conf",
    "rm -rf /data/mervane/vesk-param.conf",
    "sync",
};

constexpr const char* kCleanApCommands[] = {
    "rm -r /data/wifi/wpa_supplicant.conf",
    "rm -r /data/chrome/*",
    "rm -r /data/chrome/.eureka.conf",
    "rm -r /data/chrome/.pki",
    "rm -r /data/chrome/.config",
    "rm -r /data/misc/bluedroid/bt_config.conf",
    "rm -r /data/misc/bluedroid/bt_config.bak",
    "rm -r /data/ace/kvstorage/map.db",
    "rm -rf /data/misc/connectWeb",
    "sync",
};

// Runs one command line; only a command that could not be run at all is logged.
int exec(const char* command)
{
    const int ret = quorid_exec(command, 0);
    if (ret == kExecFailed) {
        ACFG_ERR("exec %s error(%d)\n", command, ret);
    }
    return ret;
}

template <size_t N>
void execAll(const char* const (&commands)[N])
{
    for (const char* command : commands) {
        exec(command);
    }
}

int reboot()
{
    ACFG_ERR("factory_reset success, system will reboot ps=%s!\n", kReboot);
    return exec(kReboot);
}

}  // namespace

int32_t uAcfgFactoryReset(void)
{
    acfgSetAppCfgInit(0);
    execAll(kFactoryResetCommands);
    reboot();
    return 0;
}

int32_t uAcfgFactoryResetForC4a(void)
{
    exec("rm -rf /data");
    exec("sync");
    return reboot() == kExecFailed ? -1 : 0;
}

int32_t uAcfgResetFactoryDefault(void)
{
    for (uint16_t idx = 0; idx < ACFG_ITEM_NUM; ++idx) {
        if (acfgGetFilledItem(idx)->ui1Enable != 1) {
            continue;
        }
        const int32_t ret = acfgSetDefault(idx);
        if (ret != ACFGR_OK) {
            ACFG_ERR("Err: u_acfg_set %d default fail, errno=%d\n", idx, static_cast<int>(ret));
            return ret;
        }
    }
    return ACFGR_OK;
}

int32_t uAcfgCleanAp(void)
{
    execAll(kCleanApCommands);
    return 0;
}

int32_t uAcfgSetUserSpeaker(const AcfgSpeakerMap* map)
{
    const int32_t ret = acfgSet(IDX_USER_SPEAKER_CHMAP, map, sizeof(AcfgSpeakerMap));
    if (ret != ACFGR_OK) {
        ACFG_ERR("Err: IDX_USER_SPEAKER_CHMAP set fail, errno=%d\n", static_cast<int>(ret));
    }
    return ret;
}

int32_t uAcfgGetUserSpeaker(AcfgSpeakerMap* map)
{
    const int32_t ret = acfgGet(IDX_USER_SPEAKER_CHMAP, map, nullptr);
    if (ret != ACFGR_OK) {
        ACFG_ERR("Err: IDX_USER_SPEAKER_CHMAP get fail, errno=%d\n", static_cast<int>(ret));
    }
    return ret;
}
