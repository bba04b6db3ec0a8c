// The console directory "user_interface": debug level, simulated keys and GPIO setting.
#include "main/cli/cli.h"
#include "main/gui/gui_gpio.h"
#include "main/gui/ui_priv.h"
#include "main/gui/user_interface.h"

#include <cstdint>

namespace {

constexpr uint32_t kIrkeyBtSource = 1;
constexpr uint32_t kIrkeyLastKeptSource = 6;

// The application the `irkey` command sends unmapped keys to; none until a source selects one.
// Only the console thread touches it.
const char* gIrkeyTarget = nullptr;

// Digits only; an empty string is 0 and anything else -1 (65535 once cut to 16 bits).
int32_t parseDecimal(const char* text)
{
    int32_t value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') {
            return -1;
        }
        value = value * 10 + (*p - '0');
        if (value > 0xFFFFFF) {
            return -1;  // far beyond any key or line number; keeps the sum in range
        }
    }
    return value;
}

int keyCmd(int argc, char** argv)
{
    if (argc != 2) {
        UI_LOG_ERR("uiCliKeyEvent failed: illegal parameter");
        return -1;
    }
    const int32_t value = parseDecimal(argv[1]);
    uiUserInterfaceKeyProcess(static_cast<uint16_t>(value));
    UI_LOG_INFO("uiCliKeyEvent success, i4EventNumber=%d", static_cast<int>(value));
    return 0;
}

int gpioSetCmd(int argc, char** argv)
{
    if (argc != 4) {
        UI_LOG_ERR("uiCliGpioSet failed: illegal parameter");
        return -1;
    }
    const int32_t gpio = parseDecimal(argv[1]);
    const int32_t out = parseDecimal(argv[2]);
    const int32_t high = parseDecimal(argv[3]);
    uiGpioConfig(static_cast<uint16_t>(gpio), static_cast<uint8_t>(out), static_cast<uint8_t>(high));
    UI_LOG_INFO("GpioSet success, pGpioNumber=%d, pOutIn =%d, pHighLow=%d", static_cast<int>(gpio),
                static_cast<int>(out), static_cast<int>(high));
    return 0;
}

// Keys of the `irkey` command that stand for a key of the user-input table.
int32_t irkeyMap(int32_t key)
{
    switch (key) {
    case 208:
        return 113;
    case 28:
        return 119;
    case 103:
        return 115;
    case 105:
        return 248;
    case 106:
        return 237;
    case 108:
        return 114;
    case 116:
        return 116;
    default:
        return -1;
    }
}

int irkeyCmd(int argc, char** argv)
{
    if (argc != 3) {
        UI_LOG_ERR("uiCliBtKeyEvent failed: illegal parameter");
        return -1;
    }
    const int32_t key = parseDecimal(argv[1]);
    const int32_t source = parseDecimal(argv[2]);
    if (source == static_cast<int32_t>(kIrkeyBtSource)) {
        gIrkeyTarget = "bluetooth";
    } else if (source < 2 || source > static_cast<int32_t>(kIrkeyLastKeptSource)) {
        UI_LOG_ERR("Source not defined!");
    }
    const int32_t mapped = irkeyMap(key);
    if (mapped >= 0) {
        uiUserInterfaceKeyProcess(static_cast<uint16_t>(mapped));
        return 0;
    }
    if (gIrkeyTarget == nullptr) {
        return 0;
    }
    appmsg_t msg{};
    msg.ui4_sender_id = 12;
    msg.ui4_msg_type = static_cast<uint32_t>(key);
    uiUserInterfaceSendKeyToAll(&msg, gIrkeyTarget);
    UI_LOG_INFO("uiCliBtKeyEvent success, i4EventNumber=%d, pName= %s", static_cast<int>(key), gIrkeyTarget);
    return 0;
}

const cli_cmd_t kUiCmds[] = {
    {"gdl", nullptr, CliDbgLevelCmds<uiGetDbgLevel, uiSetDbgLevel>::get, nullptr,
     "Get debug level (e=error, a=api, i=info, n=none)", CLI_ACCESS_NORMAL},
    {"sdl", nullptr, CliDbgLevelCmds<uiGetDbgLevel, uiSetDbgLevel>::set, nullptr,
     "Set debug level (e=error, a=api, i=info, n=none)", CLI_ACCESS_NORMAL},
    {"key event trigger", "key", keyCmd, nullptr, "simulate user operation", CLI_ACCESS_NORMAL},
    {"gpio_set", "gpio_set", gpioSetCmd, nullptr, "gpio setting in user space", CLI_ACCESS_NORMAL},
    {"ir event trigger", "irkey", irkeyCmd, nullptr, "simulate bt event operation", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kUiTbl[] = {
    {"user_interface", "uc", nullptr, kUiCmds, "user_interface commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

}  // namespace

int32_t uiCliAttachCmdTbl(void)
{
    return u_cli_attach_cmd_tbl(kUiTbl, CLI_GRP_APP, 2, 0);
}
