#include "main/acfg/acfg_cli_priv.h"

#include "main/acfg/acfg.h"
#include "main/acfg/acfg_accessor.h"
#include "main/acfg/acfg_item_accessor.h"
#include "main/acfg/acfg_item_priv.h"
#include "main/acfg/acfg_log_priv.h"
#include "main/acfg/acfg_reset.h"
#include "main/cli/cli.h"
#include "main/utils/wifi/wifi.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Results of the command families.
constexpr int kBadValue = -4;
constexpr int kFailed = -12;
constexpr int kUsage = 1;
constexpr uint32_t kDumpMax = 1024;

uint8_t argByte(const char* text)
{
    return static_cast<uint8_t>(strtol(text, nullptr, 10));
}

// An item index; anything past the table stays past it instead of wrapping onto an item.
uint16_t argIndex(const char* text)
{
    const long value = strtol(text, nullptr, 10);
    return value >= 0 && value < ACFG_ITEM_NUM ? static_cast<uint16_t>(value) : ACFG_ITEM_NUM;
}

int cmdSdl(int argc, char** argv)
{
    uint16_t level = 0;
    if (u_cli_parse_dbg_level(argc, argv, &level) == 0) {
        acfgSetDbgLevel(level);
    }
    return 0;
}

int cmdGdl(int, char**)
{
    return u_cli_show_dbg_level(acfgGetDbgLevel());
}

int cmdSetVolume(int argc, char** argv)
{
    if (argc < 2) {
        ACFG_ERR("Err: invalid cmd usage.\n");
        return kBadValue;
    }
    const uint8_t volume = argByte(argv[1]);
    if (volume > 100) {
        ACFG_ERR("volume value(%d) is error\n", volume);
        return kBadValue;
    }
    uAcfgSetVolume(volume, 1);
    ACFG_API("uAcfgSetVolume success.\n");
    return 0;
}

int cmdGetVolume(int, char**)
{
    uint8_t volume = 0;
    if (uAcfgGetVolume(&volume) != ACFGR_OK) {
        ACFG_ERR("get volume error\n");
        return kFailed;
    }
    ACFG_API("get_volume(%d) success.\n", volume);
    return 0;
}

int cmdSetCurappValue(int argc, char** argv)
{
    if (argc < 2) {
        ACFG_ERR("Err: invalid cmd usage.\n");
        return kBadValue;
    }
    const uint8_t value = argByte(argv[1]);
    if (value >= 2) {
        ACFG_ERR("curapp value(%d) is error\n", value);
        return kBadValue;
    }
    uAcfgSetCurappValue(value);
    ACFG_API("cmdSetCurappValue success.\n");
    return 0;
}

int cmdGetCurappValue(int, char**)
{
    uint8_t value = 0;
    if (uAcfgGetCurappValue(&value) != ACFGR_OK) {
        ACFG_ERR("get curapp value error\n");
        return kFailed;
    }
    ACFG_API("get curapp value(%d) success.\n", value);
    return 0;
}

int cmdList(int, char**)
{
    ACFG_ERR("%-3s %-32s %s\n", "", "", "ENABLE");
    for (uint16_t idx = 0; idx < ACFG_ITEM_NUM; ++idx) {
        const AcfgItem* item = acfgGetFilledItem(idx);
        ACFG_ERR("%-3d %-32.32s %d\n", idx, item->szName, item->ui1Enable);
    }
    return 0;
}

int cmdGet(int argc, char** argv)
{
    if (argc != 2) {
        ACFG_ERR("Err: invalid cmd usage\n");
        return kUsage;
    }
    const uint16_t idx = argIndex(argv[1]);
    ACFG_ERR("get item idx=%d value\n", idx);
    uint32_t size = 0;
    if (acfgGetSize(idx, &size) != ACFGR_OK) {
        ACFG_ERR("Err: get item size fail\n");
        return kFailed;
    }
    if (size > kDumpMax) {
        ACFG_ERR("Err: size for the item is wrong.\n");
        return kFailed;
    }
    std::array<uint8_t, kDumpMax> value{};
    if (acfgGet(idx, value.data(), &size) != ACFGR_OK) {
        ACFG_ERR("Err: get item size fail\n");
        return kFailed;
    }
    std::string hex = "HEX:";
    std::string dec = "INT:";
    std::string chars = "STR: ";
    char cell[8];
    for (uint32_t i = 0; i < size; ++i) {
        snprintf(cell, sizeof(cell), " %02x", value[i]);
        hex += cell;
        snprintf(cell, sizeof(cell), " %d", value[i]);
        dec += cell;
        chars += (value[i] >= 0x20 && value[i] < 0x7f) ? static_cast<char>(value[i]) : '.';
    }
    ACFG_ERR("%s\n", hex.c_str());
    ACFG_ERR("%s\n", dec.c_str());
    ACFG_ERR("%s\n", chars.c_str());
    return 0;
}

int cmdSetInt(int argc, char** argv)
{
    if (argc != 4) {
        ACFG_ERR("Err: invalid cmd usage,[cmd] [idx] [value] [type]\n");
        return kUsage;
    }
    const uint16_t idx = argIndex(argv[1]);
    const uint32_t value = static_cast<uint32_t>(strtoll(argv[2], nullptr, 10));
    const long type = strtol(argv[3], nullptr, 10);
    uint32_t kept = 0;
    switch (type) {
    case 1:
        kept = static_cast<uint8_t>(value);
        break;
    case 2:
        kept = static_cast<uint16_t>(value);
        break;
    case 4:
        kept = value;
        break;
    default:
        ACFG_ERR("Err: value length error.type: 1(8BIT),2(16BIT),4(32BIT)\r\n");
        return kBadValue;
    }
    // One element of the item's size: the first byte of the kept value's little-endian form.
    const uint8_t bytes[4] = {static_cast<uint8_t>(kept), static_cast<uint8_t>(kept >> 8),
                              static_cast<uint8_t>(kept >> 16), static_cast<uint8_t>(kept >> 24)};
    return acfgSet(idx, bytes, 1);
}

int cmdGetFlashNeedSize(int argc, char**)
{
    if (argc != 1) {
        ACFG_ERR("Err: invalid cmd usage.\n");
        return kUsage;
    }
    uint32_t total = 0;
    for (uint16_t idx = 0; idx < ACFG_ITEM_NUM; ++idx) {
        const AcfgItem* item = acfgGetFilledItem(idx);
        if (item->ui1Enable == 1) {
            total += item->ui4Type * item->ui2Count;
        }
    }
    ACFG_ERR("Total size needed for flash : %d\n", static_cast<int>(total));
    return 0;
}

int cmdSetUserSpeaker(int argc, char** argv)
{
    if (argc < 2) {
        ACFG_ERR("Err: invalid cmd usage.\n");
        return kBadValue;
    }
    const long channels = strtol(argv[1], nullptr, 10);
    if (channels < 0 || channels > static_cast<long>(ACFG_SPEAKER_CHANNELS_MAX)) {
        ACFG_ERR("channels(%ld) must less than %d\n", channels, static_cast<int>(ACFG_SPEAKER_CHANNELS_MAX));
        return kBadValue;
    }
    if (argc - 2 < channels) {
        ACFG_ERR("Err: invalid cmd usage.\n");
        return kBadValue;
    }
    AcfgSpeakerMap map{};
    map.channels = static_cast<uint32_t>(channels);
    for (long i = 0; i < channels; ++i) {
        map.ch[i] = static_cast<uint32_t>(strtoul(argv[2 + i], nullptr, 10));
    }
    if (uAcfgSetUserSpeaker(&map) != ACFGR_OK) {
        ACFG_ERR("uAcfgSetUserSpeaker error.\n");
        return kFailed;
    }
    return 0;
}

int cmdShowUserSpeaker(int, char**)
{
    AcfgSpeakerMap map{};
    if (uAcfgGetUserSpeaker(&map) != ACFGR_OK) {
        ACFG_ERR("uAcfgGetUserSpeaker error.\n");
        return kFailed;
    }
    std::string line = "channels " + std::to_string(map.channels) + ":";
    for (uint32_t i = 0; i < map.channels && i < ACFG_SPEAKER_CHANNELS_MAX; ++i) {
        line += " " + std::to_string(map.ch[i]);
    }
    ACFG_API("%s\n", line.c_str());
    return 0;
}

int cmdResetDefault(int argc, char**)
{
    if (argc != 1) {
        ACFG_ERR("Err: invalid cmd usage.\n");
        return kUsage;
    }
    uAcfgResetFactoryDefault();
    ACFG_API("reset to default success.\n");
    return 0;
}

int cmdCleanAp(int, char**)
{
    return uAcfgCleanAp();
}

int cmdFactoryReset(int, char**)
{
    return uAcfgFactoryReset();
}

int cmdStore(int argc, char**)
{
    if (argc != 1) {
        ACFG_ERR("Err: invalid cmd usage.\n");
        return kUsage;
    }
    if (acfgStore() != ACFGR_OK) {
        ACFG_ERR("Err: store to flash error\n");
        return kFailed;
    }
    ACFG_API("store to flash success.\n");
    return 0;
}

int cmdWifiStatus(int, char**)
{
    uWifiGetConnectStatus();
    std::array<uint8_t, WIFI_MAC_SIZE> mac;
    mac.fill(0xFF);
    uWifiGetMacAddress(mac.data());
    if (gUi4EnableAllLog.load() == 1) {
        std::string line = "<acfg>get wifiMac is ";
        char cell[8];
        for (uint8_t byte : mac) {
            snprintf(cell, sizeof(cell), "0x%02x ", byte);
            line += cell;
        }
        printf("%s\n", line.c_str());
    }
    return 0;
}

// A text item of the console: its setter and getter, its size and the words around the argument
// in the set line and around the stored text in the read-back line.
struct TextItem {
    int32_t (*pfSet)(const char*);
    int32_t (*pfGet)(char*);
    uint32_t ui4Size;
    const char* pcUsage;
    const char* pcSetLine;
    const char* pcGetLine;
};

const TextItem kSsid = {
    acfgSetWlanMac, acfgGetWlanMac, ACFG_WLAN_MAC_SIZE, "Input error. Please input 'set_ssid ssid' ", " ",
    " get ssid:"};
const TextItem kKey = {
    acfgSetWlanKey, acfgGetWlanKey, ACFG_WLAN_KEY_SIZE, "Input error. Please input 'set_key key' ", " ", " get key:"};
const TextItem kCecName = {uAcfgCecOsdNameSet,     uAcfgCecOsdNameGet,
                           ACFG_CEC_OSD_NAME_SIZE, "Input error. Please input 'set_cec_name name' ",
                           " uAcfgCecOsdNameSet ", " uAcfgCecOsdNameGet cec_name:"};
const TextItem kMenuLangu = {uAcfgCecMenuLanguSet,     uAcfgCecMenuLanguGet,
                             ACFG_CEC_MENULANGU_SIZE,  "Input error. Please input 'set_menulangu xxx' ",
                             " uAcfgCecMenuLanguSet ", " uAcfgCecMenuLanguGet menulangu:"};

// Reads the item back and prints it, at most the item's size in characters.
void showText(const TextItem& item, const char* handler, int line)
{
    std::array<char, 256> text{};
    item.pfGet(text.data());
    dbgPrint(acfgGetDbgLevel(), DBG_LEVEL_ERROR, "%s[%s:%d]:%s%.*s success.\n", "<ACFG>", handler, line, item.pcGetLine,
             static_cast<int>(item.ui4Size), text.data());
}

// Its success line is printed whatever the setter answered; the read-back shows what is stored.
int setText(const TextItem& item, int argc, char** argv, const char* handler, int line)
{
    if (argc != 2) {
        dbgPrint(acfgGetDbgLevel(), DBG_LEVEL_ERROR, "%s[%s:%d]:%s", "<ACFG>", handler, line, item.pcUsage);
        if (argc < 2) {
            return 0;
        }
    }
    item.pfSet(argv[1]);
    dbgPrint(acfgGetDbgLevel(), DBG_LEVEL_ERROR, "%s[%s:%d]:%s%s success.\n", "<ACFG>", handler, line, item.pcSetLine,
             argv[1]);
    showText(item, handler, line);
    return 0;
}

int cmdSetWlanSsid(int argc, char** argv)
{
    return setText(kSsid, argc, argv, __func__, __LINE__);
}

int cmdSetWlanKey(int argc, char** argv)
{
    return setText(kKey, argc, argv, __func__, __LINE__);
}

int cmdGetWlanSsid(int, char**)
{
    showText(kSsid, __func__, __LINE__);
    return 0;
}

int cmdGetWlanKey(int, char**)
{
    showText(kKey, __func__, __LINE__);
    return 0;
}

int cmdSetCecOsdName(int argc, char** argv)
{
    return setText(kCecName, argc, argv, __func__, __LINE__);
}

int cmdGetCecOsdName(int, char**)
{
    showText(kCecName, __func__, __LINE__);
    return 0;
}

int cmdSetCecMenuLangu(int argc, char** argv)
{
    return setText(kMenuLangu, argc, argv, __func__, __LINE__);
}

int cmdGetCecMenuLangu(int, char**)
{
    showText(kMenuLangu, __func__, __LINE__);
    return 0;
}

int cmdGetCecConfig(int, char**)
{
    uint8_t config = 0;
    uAcfgCecConfigGet(&config);
    ACFG_ERR(" uAcfgCecConfigGet config:%d success.\n", config);
    return 0;
}

int cmdSetCecConfig(int argc, char** argv)
{
    if (argc != 2) {
        ACFG_ERR("Input error. Please input 'set_cec_config x' ");
        if (argc < 2) {
            return 0;
        }
    }
    uint8_t config = argByte(argv[1]);
    uAcfgCecConfigSet(&config);
    ACFG_ERR(" uAcfgCecConfigSet %d success.\n", config);
    uAcfgCecConfigGet(&config);  // the same byte: a failed read shows what was asked for
    ACFG_ERR(" uAcfgCecConfigGet config:%d success.\n", config);
    return 0;
}

const char* const kSdlHelp = "Set debug level (e=error, a=api, i=info, n=none)";
const char* const kGdlHelp = "Get debug level (e=error, a=api, i=info, n=none)";

const cli_cmd_t kAcfgCmds[] = {
    {"sdl", nullptr, cmdSdl, nullptr, kSdlHelp, CLI_ACCESS_NORMAL},
    {"gdl", nullptr, cmdGdl, nullptr, kGdlHelp, CLI_ACCESS_NORMAL},
    {"set_volume", "volume", cmdSetVolume, nullptr, "set volume", CLI_ACCESS_NORMAL},
    {"get_volume", nullptr, cmdGetVolume, nullptr, "get volume", CLI_ACCESS_NORMAL},
    {"set_curapp", nullptr, cmdSetCurappValue, nullptr, "set curapp value", CLI_ACCESS_NORMAL},
    {"get_curapp", nullptr, cmdGetCurappValue, nullptr, "get curapp value", CLI_ACCESS_NORMAL},
    {"list", nullptr, cmdList, nullptr, "List all config", CLI_ACCESS_NORMAL},
    {"get", nullptr, cmdGet, nullptr, "get a config value", CLI_ACCESS_NORMAL},
    {"set_int", nullptr, cmdSetInt, nullptr, "set a int config", CLI_ACCESS_NORMAL},
    {"get_flash_need_size", "gfns", cmdGetFlashNeedSize, nullptr, "Get total size need for flash", CLI_ACCESS_NORMAL},
    {"set_user_speaker", nullptr, cmdSetUserSpeaker, nullptr, "set user speaker confg", CLI_ACCESS_NORMAL},
    {"show_user_speaker", nullptr, cmdShowUserSpeaker, nullptr, "show user speaker confg", CLI_ACCESS_NORMAL},
    {"reset_default", "reset", cmdResetDefault, nullptr, "Reset all config to default", CLI_ACCESS_NORMAL},
    {"clean_ap", nullptr, cmdCleanAp, nullptr, "clean ap", CLI_ACCESS_NORMAL},
    {"factory_reset", nullptr, cmdFactoryReset, nullptr, "factory reset", CLI_ACCESS_NORMAL},
    {"store", nullptr, cmdStore, nullptr, "Store config to flash", CLI_ACCESS_NORMAL},
    {"wifi_status", nullptr, cmdWifiStatus, nullptr, "wifi_status", CLI_ACCESS_NORMAL},
    {"set_ssid", "ssid", cmdSetWlanSsid, nullptr, "set ssid", CLI_ACCESS_NORMAL},
    {"set_key", "key", cmdSetWlanKey, nullptr, "set key", CLI_ACCESS_NORMAL},
    {"get_ssid", "ssid", cmdGetWlanSsid, nullptr, "get ssid", CLI_ACCESS_NORMAL},
    {"get_key", "key", cmdGetWlanKey, nullptr, "get key", CLI_ACCESS_NORMAL},
    {"set_cec_name", nullptr, cmdSetCecOsdName, nullptr, "set cec OSD name", CLI_ACCESS_NORMAL},
    {"get_cec_name", nullptr, cmdGetCecOsdName, nullptr, "get cec OSD name", CLI_ACCESS_NORMAL},
    {"set_menulangu", nullptr, cmdSetCecMenuLangu, nullptr, "set cec menulangu", CLI_ACCESS_NORMAL},
    {"get_menulangu", nullptr, cmdGetCecMenuLangu, nullptr, "get cec menulangu", CLI_ACCESS_NORMAL},
    {"set_cec_config", nullptr, cmdSetCecConfig, nullptr, "set cec config", CLI_ACCESS_NORMAL},
    {"get_cec_config", nullptr, cmdGetCecConfig, nullptr, "get cec config", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kAcfgTbl[] = {
    {"acfg", nullptr, nullptr, kAcfgCmds, "App Config", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

}  // namespace

int32_t acfgAttachCmdTbl(void)
{
    return u_cli_attach_cmd_tbl(kAcfgTbl, CLI_GRP_APP, 0, 0);
}

int32_t acfgDetachCmdTbl(void)
{
    return u_cli_detach_cmd_tbl(kAcfgTbl, CLI_GRP_APP, 0, 0);
}
