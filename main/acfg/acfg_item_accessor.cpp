#include "main/acfg/acfg_item_accessor.h"

#include "main/acfg/acfg.h"
#include "main/acfg/acfg_log_priv.h"

#include <array>
#include <cstring>

namespace {

// The store's answer, logged under the accessor's name when it is a failure.
int32_t checked(int32_t ret, const char* accessor)
{
    if (ret != ACFGR_OK) {
        dbgPrint(acfgGetDbgLevel(), DBG_LEVEL_ERROR, "%s[%s:%d]:Err: %s fail, err=%d\n", "<ACFG>", accessor, __LINE__,
                 accessor, static_cast<int>(ret));
    }
    return ret;
}

// A zeroed block of the item's size holding the text: never past the text's end or the item.
template <size_t N>
std::array<char, N> textBlock(const char* text)
{
    std::array<char, N> block{};
    memcpy(block.data(), text, strnlen(text, N));
    return block;
}

template <size_t N>
int32_t setText(uint16_t idx, const char* text)
{
    if (text == nullptr) {
        return ACFGR_INV_ARG;
    }
    const std::array<char, N> block = textBlock<N>(text);
    return acfgSet(idx, block.data(), N);
}

// The CEC setters: a null argument is refused before the store is touched, the new value is
// logged first and a failure under the setter's name.
int32_t cecSet(uint16_t idx, const void* value, uint16_t count, const char* what, const char* setter)
{
    if (value == nullptr) {
        dbgPrint(acfgGetDbgLevel(), DBG_LEVEL_ERROR, "%s[%s:%d]:<CEC>%s can't be NULL\n", "<ACFG>", setter, __LINE__,
                 what);
        return ACFGR_INV_ARG;
    }
    if (count == 1) {
        dbgPrint(acfgGetDbgLevel(), DBG_LEVEL_INFO, "%s[%s:%d]:<CEC>%s is %d\n", "<ACFG>", setter, __LINE__, what,
                 *static_cast<const uint8_t*>(value));
    } else {
        dbgPrint(acfgGetDbgLevel(), DBG_LEVEL_INFO, "%s[%s:%d]:<CEC>%s is %.*s\n", "<ACFG>", setter, __LINE__, what,
                 static_cast<int>(count), static_cast<const char*>(value));
    }
    const int32_t ret = acfgSet(idx, value, count);
    if (ret != ACFGR_OK) {
        dbgPrint(acfgGetDbgLevel(), DBG_LEVEL_ERROR, "%s[%s:%d]:<CEC>Err: %s fail, err=%d\n", "<ACFG>", setter,
                 __LINE__, setter, static_cast<int>(ret));
    }
    return ret;
}

}  // namespace

int32_t uCfgSetBluetoothEnable(uint8_t value)
{
    dbgPrint(acfgGetDbgLevel(), DBG_LEVEL_INFO, "<ACFG> uCfgSetBluetoothEnable, value : %d\n", value);
    return checked(acfgSet(IDX_BLUETOOTH_ENABLE, &value, 1), __func__);
}

int32_t uCfgGetBluetoothEnable(uint8_t* value)
{
    const int32_t ret = checked(acfgGet(IDX_BLUETOOTH_ENABLE, value, nullptr), __func__);
    if (ret == ACFGR_OK) {
        ACFG_INFO("uCfgGetBluetoothEnable, value : %d\n", *value);
    }
    return ret;
}

int32_t uCfgSetBluetoothEnableDefault(void)
{
    return checked(acfgSetDefault(IDX_BLUETOOTH_ENABLE), __func__);
}

int32_t acfgSetWlanMac(const char* ssid)
{
    return checked(setText<ACFG_WLAN_MAC_SIZE>(IDX_WLAN_MAC, ssid), __func__);
}

int32_t acfgGetWlanMac(char* ssid)
{
    return checked(acfgGet(IDX_WLAN_MAC, ssid, nullptr), __func__);
}

int32_t acfgSetWlanMacDefault(void)
{
    return checked(acfgSetDefault(IDX_WLAN_MAC), __func__);
}

int32_t acfgSetWlanKey(const char* key)
{
    return checked(setText<ACFG_WLAN_KEY_SIZE>(IDX_WLAN_KEY, key), __func__);
}

int32_t acfgGetWlanKey(char* key)
{
    return checked(acfgGet(IDX_WLAN_KEY, key, nullptr), __func__);
}

int32_t acfgSetWlanKeyDefault(void)
{
    return checked(acfgSetDefault(IDX_WLAN_KEY), __func__);
}

int32_t acfgSetWlanAp(AcfgWlanAp ap)
{
    ACFG_INFO("<HOMEMENU> %s,L%d\n", __func__, __LINE__);
    return checked(acfgSet(IDX_WLAN_AP, ap.aui1Data, ACFG_WLAN_AP_SIZE), __func__);
}

int32_t acfgGetWlanAp(void* ap)
{
    return checked(acfgGet(IDX_WLAN_AP, ap, nullptr), __func__);
}

int32_t acfgSetWlanApDefault(void)
{
    return checked(acfgSetDefault(IDX_WLAN_AP), __func__);
}

int32_t uAcfgCecOsdNameSet(const char* name)
{
    if (name == nullptr) {
        return cecSet(IDX_CEC_OSD_NAME, nullptr, 0, "OSDName", __func__);
    }
    const auto block = textBlock<ACFG_CEC_OSD_NAME_SIZE>(name);
    return cecSet(IDX_CEC_OSD_NAME, block.data(), ACFG_CEC_OSD_NAME_SIZE, "OSDName", __func__);
}

int32_t uAcfgCecOsdNameGet(char* name)
{
    return checked(acfgGet(IDX_CEC_OSD_NAME, name, nullptr), __func__);
}

int32_t uAcfgCecOsdNameSetDefault(void)
{
    return checked(acfgSetDefault(IDX_CEC_OSD_NAME), __func__);
}

int32_t uAcfgCecMenuLanguSet(const char* langu)
{
    if (langu == nullptr) {
        return cecSet(IDX_CEC_MENULANGU, nullptr, 0, "MenuLangu", __func__);
    }
    const auto block = textBlock<ACFG_CEC_MENULANGU_SIZE>(langu);
    return cecSet(IDX_CEC_MENULANGU, block.data(), ACFG_CEC_MENULANGU_SIZE, "MenuLangu", __func__);
}

int32_t uAcfgCecMenuLanguGet(char* langu)
{
    return checked(acfgGet(IDX_CEC_MENULANGU, langu, nullptr), __func__);
}

int32_t uAcfgCecMenuLanguSetDefault(void)
{
    return checked(acfgSetDefault(IDX_CEC_MENULANGU), __func__);
}

int32_t uAcfgCecConfigSet(const uint8_t* config)
{
    return cecSet(IDX_CEC_CONFIG, config, 1, "Config", __func__);
}

int32_t uAcfgCecConfigGet(uint8_t* config)
{
    return checked(acfgGet(IDX_CEC_CONFIG, config, nullptr), __func__);
}

int32_t uAcfgCecConfigSetDefault(void)
{
    return checked(acfgSetDefault(IDX_CEC_CONFIG), __func__);
}

int32_t uAcfgCecMuteSet(const uint8_t* mute)
{
    return cecSet(IDX_CEC_MUTE, mute, 1, "Mute", __func__);
}

int32_t uAcfgCecMuteGet(uint8_t* mute)
{
    return checked(acfgGet(IDX_CEC_MUTE, mute, nullptr), __func__);
}

int32_t uAcfgCecMuteSetDefault(void)
{
    return checked(acfgSetDefault(IDX_CEC_MUTE), __func__);
}
