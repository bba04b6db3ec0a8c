#include "main/gui/gui_disp.h"

#include "main/timerd/gui_log.h"
#include "platform/quorid/quorid.h"
#include "platform/sbdev/sb_dev.h"

#include <atomic>
#include <fcntl.h>

namespace {

constexpr const char* kDevPath = "/dev/led_display";

// Not opened (before init and after exit): every call does nothing. Descriptor 0 is a valid one
// (a program started without standard input gets it), so it cannot mark this.
constexpr int32_t kNotOpened = -2;
// The open failed: requests are logged but not issued.
constexpr int32_t kOpenFailed = -1;

// The descriptor is read by the writer, the GUI and timer threads; each call is one system call.
struct GuiDisp {
    std::atomic<uint32_t> inited{0};
    std::atomic<int32_t> fd{kNotOpened};
};

GuiDisp gGuiDispThisObj;

}  // namespace

void guiDispInit(void)
{
    if (gGuiDispThisObj.inited.load() != 0) {
        return;
    }
    GUI_LOG_INFO("*************begin ");
    gGuiDispThisObj.fd = kNotOpened;
    guiDispDevOpen();
    gGuiDispThisObj.inited = 1;
    GUI_LOG_INFO("*************end ");
}

void guiDispExit(void)
{
    guiDispDevClose();
    gGuiDispThisObj.inited = 0;
}

void guiDispDevOpen(void)
{
    quorid_exec("chown system:system /dev/led_display", 0);
    quorid_exec("chmod 666 /dev/led_display", 0);
    const int fd = sb_dev_open(kDevPath, O_RDWR);
    gGuiDispThisObj.fd = fd < 0 ? kOpenFailed : fd;
    if (fd < 0) {
        GUI_LOG_ERR("Open %s dev failed!", kDevPath);
    } else {
        GUI_LOG_INFO("Open %s dev Success!", kDevPath);
    }
}

void guiDispDevClose(void)
{
    // A failed open (-1) has nothing to close. The number is dropped with the descriptor: kept, a
    // later write or request would reach whatever the process opens under that number next.
    const int32_t fd = gGuiDispThisObj.fd.exchange(kNotOpened);
    if (fd >= 0) {
        sb_dev_close(fd);
    }
}

void guiDispDevIoctl(uint32_t request, uint8_t param)
{
    const int32_t fd = gGuiDispThisObj.fd.load();
    if (fd == kNotOpened) {
        return;
    }
    GUI_LOG_INFO("cmd=%d, param=%d", static_cast<int>(request), param);
    if (fd >= 0) {
        (void)sb_dev_ioctl(fd, request, static_cast<unsigned long>(param));
    }
}

void guiDispIoctlDimmer(uint32_t level)
{
    GUI_LOG_INFO("dimmer_lvl=%d", static_cast<int>(level));
    guiDispDevIoctl(LED_DISPLAY_DIMMER, static_cast<uint8_t>(level));
}

void guiDispIoctlEnable(uint32_t en)
{
    GUI_LOG_INFO("en=%d", static_cast<int>(en));
    guiDispDevIoctl(LED_DISPLAY_ENABLE, static_cast<uint8_t>(en));
}

void guiDispIoctlTest(uint32_t opt)
{
    GUI_LOG_INFO("test=%d", static_cast<int>(opt));
    guiDispDevIoctl(LED_DISPLAY_TEST, static_cast<uint8_t>(opt));
}

void guiDispIoctlBreath(uint32_t level)
{
    guiDispDevIoctl(LED_DISPLAY_BREATH, static_cast<uint8_t>(level));
}

void guiDispWrite(GuiDispFrame frame)
{
    const int32_t fd = gGuiDispThisObj.fd.load();
    if (fd >= 0) {
        (void)sb_dev_write(fd, frame.data(), frame.size());
    }
}

void guiDispClear(void)
{
    GUI_LOG_INFO("clear disp buf!");
    GuiDispFrame blank;
    blank.fill(' ');
    guiDispWrite(blank);
}
