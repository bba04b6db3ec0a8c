#include "main/gui/wrapper/wrapper_general.h"

#include "main/acfg/acfg_cus_flash.h"
#include "main/acfg/acfg_item_idx.h"
#include "main/am/aee/aee.h"
#include "main/am/am.h"
#include "main/gui/link/wrapper_brontal.h"
#include "main/gui/link/wrapper_wireless.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/tone/gui_tone.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/wrapper_amp.h"
#include "main/gui/wrapper/wrapper_bt.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/wrapper/wrapper_dolby.h"
#include "main/gui/wrapper/wrapper_dts.h"
#include "main/gui/wrapper/wrapper_hdmi.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/state_mngr/msg/sm_msg.h"
#include "platform/quorid/quorid.h"
#include "platform/sbdev/sb_sysfs.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#define GENERAL_LOG(fmt, ...) WRAPPER_LOG_ERR("<WRAPPER>", fmt, ##__VA_ARGS__)

namespace {

constexpr const char* kStateMngrName = "state_mngr";
constexpr const char* kKernelVersionNode = "/sys/devices/platform/fd_kernel_version/fd_kernel_version";
constexpr uint32_t kRebootTries = 5;
constexpr std::chrono::milliseconds kRebootRetry{50};
constexpr size_t kKernelVersionRead = 10;
constexpr uint8_t kAppVersion = 0x33;
constexpr uint16_t kEqVersion = 0x001;
constexpr size_t kWirelessVersionSize = 10;

char digit(uint32_t v)
{
    return static_cast<char>('0' + v);
}

void handOver(const char* node)
{
    char cmd[128];
    snprintf(cmd, sizeof(cmd), "chown system:system %s", node);
    quorid_exec(cmd, 0);
    snprintf(cmd, sizeof(cmd), "chmod 666 %s", node);
    quorid_exec(cmd, 0);
}

// The record's volume of the current mode takes the value; false (nothing changed) for a value
// the volume tables do not have.
bool recordVolume(const uint8_t* vol)
{
    if (vol == nullptr || *vol > GUI_VOL_MAX) {
        GENERAL_LOG("Param Error!");
        return false;
    }
    if (guiWrapperVolSet(*vol) == GUI_EQ_MODE_NIGHT) {
        GENERAL_LOG("night_vol = %d!", *vol);
    } else {
        GENERAL_LOG("vol = %d!", *vol);
    }
    return true;
}

// The link and the amplifiers, which every volume slot starts with.
void volumeToLinkAndAmps(const uint8_t* vol)
{
    const GuiWrapperSetting* rec = guiWrapperSettingRecord();
    guiWrapperWirelessAudVolSet(vol, rec->sur_vol, rec->bass);
    guiWrapperAmpVolSet(vol);
}

}  // namespace

int32_t guiWrapperMsgSnd(uint32_t cmd)
{
    handle_t handle = 0;
    if (u_am_get_app_handle_from_name(&handle, kStateMngrName) != 0) {
        GENERAL_LOG("fail to get handle!");
    }
    appmsg_t body{};
    body.ui4_sender_id = MSG_FROM_UI;
    body.ui4_msg_type = cmd;
    const int32_t ret = u_app_send_msg(handle, E_APP_MSG_TYPE_USER_CMD, &body, sizeof(body), nullptr, 0);
    if (ret != 0) {
        GENERAL_LOG("Snd Msg failed, ret[%d]", static_cast<int>(ret));
        return -1;
    }
    return 0;
}

void guiWrapperMsgCbk(uint16_t id, const uint8_t* data, uint16_t len)
{
    GuiMsg msg{};
    msg.msg_id = id;
    if (data != nullptr) {
        if (len > GUI_MSG_DATA_SIZE) {
            GENERAL_LOG("Param Error! len=%u", len);
            return;
        }
        msg.msg_size = static_cast<uint8_t>(len);
        memcpy(msg.data, data, len);
    }
    guiManagerAppMsgSnd(&msg);
}

void guiWrapperMenuItemGet(void* item)
{
    if (item == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    GENERAL_LOG("Menu Param Get!");
}

void guiWrapperMenuItemSet(uint32_t idx, const void* item)
{
    (void)idx;
    if (item == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    AcfgCusFlashParam record{};
    uAcfgCusFlashGet(IDX_FLASH_WRITTEN, &record);
    if (record.flash_written != ACFG_CUS_FLASH_WRITTEN) {
        record.flash_written = ACFG_CUS_FLASH_WRITTEN;
        uAcfgCusFlashSet(IDX_FLASH_WRITTEN, &record);
    }
    GENERAL_LOG("Menu Param Set!");
}

void guiWrapperWidgetDspVerRead(char* out)
{
    if (out == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    out[0] = 'P';
    out[1] = 'A';
    out[2] = digit(kAppVersion >> 4);
    out[3] = digit(kAppVersion & 0xF);
    uint32_t hdmi = 0;
    guiWrapperHdmiVersionGet(&hdmi);
    GENERAL_LOG("hdmi_ver=0x%x!", hdmi);
    out[5] = 'H';
    out[6] = digit((hdmi >> 8) & 0xFF);
    out[7] = digit((hdmi & 0xFF) >> 4);
    out[8] = digit(hdmi & 0xF);
    uint8_t bt = 0;
    guiWrapperBtVersionGet(&bt);
    GENERAL_LOG("bt_ver=0x%x!", bt);
    out[15] = 'B';
    out[16] = '0';
    out[17] = digit(bt >> 4);
    out[18] = digit(bt & 0xF);
    std::array<char, kWirelessVersionSize> tx{};
    guiWrapperWirelessAudTxVersionGet(tx.data());
    out[20] = 'T';
    out[21] = 'X';
    out[22] = tx[0];
    out[23] = tx[1];
    std::array<char, kWirelessVersionSize> rx{};
    guiWrapperWirelessAudSubVersionGet(rx.data());
    out[25] = 'R';
    out[26] = 'X';
    out[27] = rx[0];
    out[28] = rx[1];
    out[45] = 'E';
    out[46] = 'Q';
    out[47] = digit(kEqVersion >> 8);
    out[48] = digit((kEqVersion >> 4) & 0xF);
    out[49] = digit(kEqVersion & 0xF);
}

void guiWrapperKernelVersionGet(char out[4])
{
    handOver(kKernelVersionNode);
    std::array<char, kKernelVersionRead + 1> text{};
    const ssize_t n = sb_sysfs_read(kKernelVersionNode, text.data(), kKernelVersionRead);
    if (n < 0) {
        if (errno == ENOENT || errno == EACCES) {
            GENERAL_LOG("%s Open Error!", kKernelVersionNode);
        } else {
            GENERAL_LOG("%s read err ret:%d  ", kKernelVersionNode, static_cast<int>(n));
        }
        return;
    }
    constexpr size_t kPrefix = 3;
    if (strncmp(text.data(), "V0.", kPrefix) != 0) {
        return;
    }
    for (size_t i = 0; i < 4; ++i) {
        const char c = text[kPrefix + i];
        out[i] = isdigit(static_cast<unsigned char>(c)) != 0 ? c : ' ';
    }
}

void guiWrapperWidgetSysReboot(const void* unused)
{
    (void)unused;
    GENERAL_LOG("System Reset!");
    for (uint32_t attempt = 1; quorid_exec("reboot", 0) != 0 && attempt < kRebootTries; ++attempt) {
        GENERAL_LOG("<OTA>reboot fail, try again");
        std::this_thread::sleep_for(kRebootRetry);
    }
}

void guiWrapperWidgetRoutingMuteSet(const uint8_t* mute)
{
    if (mute == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    guiWrapperBtMuteSet(*mute);
    guiWrapperWirelessAudMuteSet(mute);
    guiWrapperHdmiMuteSet(mute);
    guiWrapperMusicMuteSet(mute);
    guiWrapperDolbyMuteSet(mute);
    guiWrapperDtsMuteSet(mute);
}

void guiWrapperWidgetMuteSet(const uint8_t* mute)
{
    if (mute == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    guiWrapperBrontalMuteSet(mute);
    guiWrapperWidgetRoutingMuteSet(mute);
}

void guiWrapperWidgetVolSet(const uint8_t* vol)
{
    if (!recordVolume(vol)) {
        return;
    }
    const GuiWrapperSetting* rec = guiWrapperSettingRecord();
    guiWrapperWirelessAudVolSet(vol, rec->sur_vol, rec->bass);
    guiWrapperHdmiVolSet(vol);
    guiWrapperAmpVolSet(vol);
    guiWrapperBtVolSet(*vol);
    guiWrapperMusicVolSet(vol);
    guiWrapperDolbyVolSet(vol);
    guiWrapperDtsVolSet(vol);
    guiWrapperBrontalVolSet(vol);
}

void guiWrapperWidgetVolSync(const uint8_t* vol)
{
    if (!recordVolume(vol)) {
        return;
    }
    guiWrapperHdmiVolSet(vol);
    volumeToLinkAndAmps(vol);
    guiWrapperMusicBtVolSet(vol);
    guiWrapperBrontalVolSet(vol);
}

void guiWrapperWidgetVolBtSet(const uint8_t* vol)
{
    if (!recordVolume(vol)) {
        return;
    }
    volumeToLinkAndAmps(vol);
    guiWrapperMusicBtVolSet(vol);
    guiWrapperBtVolSet(*vol);
}

void guiWrapperWidgetVolWirelessSet(const uint8_t* vol)
{
    if (!recordVolume(vol)) {
        return;
    }
    volumeToLinkAndAmps(vol);
    guiWrapperMusicBtVolSet(vol);
}

// The decoders' members of the sound rows (surround, EQ, bass, treble) do nothing in this system:
// they take their settings from the audio-input daemon and the audio server.
void guiWrapperWidgetSurEnSet(const uint8_t* on)
{
    guiWrapperMusicSurEnSet(on);
    guiWrapperDolbySurEnSet(on);
    guiWrapperDtsSurEnSet(on);
}

void guiWrapperWidgetEqSet(const uint8_t* eqMode)
{
    if (eqMode == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    guiWrapperEqModeSet(*eqMode);
    GENERAL_LOG("eq_mode = %d", *eqMode);
    guiWrapperWirelessAudEqSet(eqMode);
    guiWrapperAmpEqSet(eqMode);
    guiWrapperMusicEqSet(eqMode);
    guiWrapperDolbyEqSet(eqMode);
    guiWrapperDtsEqSet(eqMode);
    guiWrapperBrontalEqSet(eqMode);
}

void guiWrapperWidgetCusEqSet(const GuiWrapperMusicCusEq* eq)
{
    constexpr uint32_t kFirstCurveMode = 6;
    if (eq == nullptr || eq->eq_mode < kFirstCurveMode) {
        GENERAL_LOG("param error!");
        return;
    }
    std::array<int16_t, GUI_WRAPPER_EQ_POINTS> gains{};
    for (size_t i = 0; i < gains.size(); ++i) {
        gains[i] = eq->points[i].gain;
    }
    guiWrapperEqPointSet(eq->eq_mode, gains.data());
    const auto mode = static_cast<uint8_t>(eq->eq_mode);
    guiWrapperWirelessAudEqSet(&mode);
    guiWrapperAmpEqSet(&mode);
    guiWrapperMusicCusEqSet(eq);
    guiWrapperDolbyEqSet(&mode);
    guiWrapperDtsEqSet(&mode);
}

void guiWrapperWidgetSrcToggleEqSet(const uint8_t* eqMode)
{
    guiWrapperWirelessAudEqSet(eqMode);
    guiWrapperMusicSrcToggleEqSet(eqMode);
}

void guiWrapperWidgetToneVolSet(const uint8_t* level)
{
    if (level == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    if (guiWrapperToneVolSet(*level) == GUI_EQ_MODE_NIGHT) {
        GENERAL_LOG("night_tone_vol = %d!", *level);
    } else {
        GENERAL_LOG("tone_vol = %d!", *level);
    }
    guiWrapperBrontalToneVolSet(*level);
    guiToneVolSet(*level);
}

void guiWrapperWidgetBassSet(const uint8_t* level)
{
    guiWrapperMusicBassSet(level);
    guiWrapperDolbyBassSet(level);
    guiWrapperDtsBassSet(level);
}

void guiWrapperWidgetTrebleSet(const uint8_t* level)
{
    guiWrapperMusicTrebleSet(level);
    guiWrapperDolbyTrebleSet(level);
    guiWrapperDtsTrebleSet(level);
}

void guiWrapperWidgetXupmixGet(uint8_t* out)
{
    guiWrapperMusicXupmixGet(out);
}

void guiWrapperWidgetAutoWakeSet(const uint8_t*)
{
}


// The Bluetooth module's slots.
void guiWrapperWidgetBtStsSetProcess(const uint16_t* sts)
{
    if (sts == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    const uint8_t msg[2] = {static_cast<uint8_t>(*sts >> 8), guiWrapperVolGet()};
    GENERAL_LOG("sts = %d, vol = %d", msg[0], msg[1]);
    guiWrapperBtStsSetProcess(msg);
}

void guiWrapperWidgetBtMacSet(const uint8_t* mac)
{
    if (mac == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    guiWrapperBtMacAddrSet(mac);
}

void guiWrapperWidgetBtSrcInSet(const void*)
{
    guiWrapperBtSrcInSet();
}

void guiWrapperWidgetBtPair(const void*)
{
    guiWrapperBtPair();
}

void guiWrapperWidgetBtPlay(const void*)
{
    guiWrapperBtPlay();
}

void guiWrapperWidgetBtPause(const void*)
{
    guiWrapperBtPause();
}

void guiWrapperWidgetMusicBtCtrl(const uint32_t* ctrl)
{
    if (ctrl == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    guiWrapperBtMusicCtrl(*ctrl);
}

void guiWrapperWidgetShopSet(const uint8_t* on)
{
    if (on == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    guiWrapperBtShopSet(*on);
}

void guiWrapperWidgetPcbaTestSet(const uint8_t* enter)
{
    if (enter == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    GENERAL_LOG("enter_en = %d!", *enter);
    guiWrapperBtPcbaTestSet(*enter);
}

void guiWrapperWidgetMachineTestSet(const uint8_t* enter)
{
    if (enter == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    GENERAL_LOG("enter_en = %d!", *enter);
    guiWrapperBtMachineTestSet(*enter);
}

void guiWrapperWidgetUsbConnSet(const uint32_t* conn)
{
    if (conn == nullptr) {
        GENERAL_LOG("Param Error!");
        return;
    }
    GENERAL_LOG("usb conn = %u!", *conn);
    guiWrapperBtUsbConnSet(*conn);
}
