// The source slots of the wrapper table: each hands the widget's source to the music, HDMI and
// Bluetooth wrappers (and the phone app) in a fixed order, without stopping at a failing one.
#include "main/gui/wrapper/wrapper_general.h"

#include "main/gui/link/wrapper_brontal.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/wrapper_bt.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/wrapper/wrapper_hdmi.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/gui/wrapper/wrapper_usb.h"

#include <chrono>
#include <thread>

#define SRC_LOG(fmt, ...) WRAPPER_LOG_ERR("<WRAPPER>", fmt, ##__VA_ARGS__)

namespace {

constexpr uint32_t kSrcOptical = 2;
constexpr uint32_t kSrcBt = 3;
constexpr uint32_t kSrcUsb = 5;
constexpr std::chrono::milliseconds kForceClrSettle{300};

void clearEverywhere(const uint32_t* audSrc)
{
    guiWrapperMusicSrcInClr(audSrc);
    guiWrapperHdmiSrcInClr(audSrc);
    guiWrapperBtSrcInClr();
}

}  // namespace

void guiWrapperWidgetHdmiSrcInSet(const uint32_t* audSrc)
{
    if (audSrc == nullptr) {
        SRC_LOG("Param Error!");
        return;
    }
    SRC_LOG("aud_src=%d!", static_cast<int>(*audSrc));
    guiWrapperHdmiSrcStsSet(*audSrc);
}

void guiWrapperWidgetForceSrcInClr(const uint32_t* audSrc)
{
    SRC_LOG("************************!");
    if (audSrc == nullptr) {
        SRC_LOG("Param Error!");
        return;
    }
    if (*audSrc == kSrcUsb) {
        const uint8_t stop = 0;
        guiWrapperUsbMusicPlayTimeGet(&stop);
    }
    clearEverywhere(audSrc);
    std::this_thread::sleep_for(kForceClrSettle);
}

void guiWrapperWidgetManualSrcInClr(const uint32_t* audSrc)
{
    if (audSrc == nullptr) {
        SRC_LOG("Param Error!");
        return;
    }
    const uint32_t state = guiManagerAppStateGet();
    SRC_LOG("sys_state=0x%x!", state);
    const GuiWrapperSetting* rec = guiWrapperSettingRecord();
    const bool keptForWake = state == GUI_SYS_STATE_TRANSIT && rec->aud_src != kSrcUsb && rec->aud_src != kSrcBt &&
                             rec->auto_wake_en != 0;
    if (!keptForWake) {
        clearEverywhere(audSrc);
    }
    SRC_LOG("clr_src=%d!", static_cast<int>(*audSrc));
}

void guiWrapperWidgetManualSrcInSet(const uint32_t* audSrc)
{
    if (audSrc == nullptr) {
        SRC_LOG("Param Error!");
        return;
    }
    guiWrapperMusicManualSrcInSet(audSrc);
    guiWrapperHdmiManualSrcInSet(audSrc);
    guiWrapperBtManualSrcInSet(*audSrc);
}

void guiWrapperWidgetRoutingSrcInClr(const uint32_t* audSrc)
{
    if (audSrc == nullptr) {
        SRC_LOG("Param Error!");
        return;
    }
    guiWrapperMusicSrcInClr(audSrc);
    guiWrapperHdmiRoutingSrcInClr(*audSrc);
}

void guiWrapperWidgetRoutingSrcInSet(const uint32_t* routing)
{
    if (routing == nullptr) {
        SRC_LOG("Param Error!");
        return;
    }
    guiWrapperMusicRoutingSrcInSet(routing);
    guiWrapperHdmiRoutingSrcInSet(routing);
    guiWrapperBtRoutingSrcInSet(*routing);
    const uint8_t optical = *routing == kSrcOptical ? 1 : 0;
    guiWrapperBrontalManualSrcInSet(&optical);
}

uint8_t guiWrapperWidgetSignalInputGet(const uint32_t* audSrc)
{
    if (audSrc == nullptr) {
        SRC_LOG("Param Error!");
        return 0;
    }
    const uint8_t signal = guiWrapperMusicSrcInputGet(*audSrc);
    SRC_LOG("aud_src=%d, signal_input=%d!", static_cast<int>(*audSrc), signal);
    return signal;
}
