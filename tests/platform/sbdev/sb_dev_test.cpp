// The seams without a simulator in the root: what a board without the device answers, real files
// and terminals opened for real, and the reading of a uevent's properties.
#include "platform/sbdev/hdmitx_ioctl.h"
#include "platform/sbdev/sb_actl.h"
#include "platform/sbdev/sb_dev.h"
#include "platform/sbdev/sb_sysfs.h"
#include "platform/sbdev/sb_udev.h"
#include "platform/sbdev/sb_uevent.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <fcntl.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using sbtest::SandboxTest;

namespace {

class SeamWithoutSimulatorTest : public SandboxTest {};

TEST_F(SeamWithoutSimulatorTest, MissingDevicesFailAsOnABoardWithoutThem)
{
    errno = 0;
    EXPECT_EQ(-1, sb_dev_open("/dev/hdmitx", O_RDWR | O_CLOEXEC));
    EXPECT_EQ(ENOENT, errno);
    EXPECT_EQ(-1, sb_sysfs_write("/sys/class/gpio/export", "428", 3));
    EXPECT_EQ(ENOENT, errno);
    sb_actl* h = nullptr;
    EXPECT_LT(sb_actl_open(&h, "hw:99"), 0);
    EXPECT_EQ(nullptr, h);
}

TEST_F(SeamWithoutSimulatorTest, FilesAndTerminalsUnderTheRootAreOpenedForReal)
{
    sandbox.write("/sys/devices/platform/kv_usb/swmode", "host\n");
    char mode[16] = {};
    EXPECT_EQ(5, sb_sysfs_read("/sys/devices/platform/kv_usb/swmode", mode, sizeof(mode) - 1));
    EXPECT_STREQ("host\n", mode);
    EXPECT_EQ(6, sb_sysfs_write("/sys/devices/platform/kv_usb/swmode", "device", 6));
    EXPECT_EQ("device", sandbox.read("/sys/devices/platform/kv_usb/swmode").substr(0, 6));

    // A serial port is a terminal: termios works on what the seam returns.
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(0, grantpt(master));
    ASSERT_EQ(0, unlockpt(master));
    ASSERT_EQ(0, symlink(ptsname(master), sandbox.path("/dev/ttyS2").c_str()));
    const int fd = sb_dev_open("/dev/ttyS2", O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios attrs{};
    EXPECT_EQ(0, tcgetattr(fd, &attrs));
    int queued = -1;
    EXPECT_EQ(0, sb_dev_ioctl(fd, FIONREAD, &queued));  // a pointer request on a real descriptor
    EXPECT_EQ(0, queued);
    EXPECT_EQ(0, sb_dev_close(fd));
    close(master);
}

TEST(UeventProperties, ValuesAreFoundByWholeKeyInsideTheEvent)
{
    constexpr char kEvent[] = "change@/devices/virtual/switch/eARC\0ACTION=change\0SWITCH_NAME=eARC\0"
                              "SWITCH_STATE=1\0SUBSYSTEM=switch\0DEVPATH=/devices/virtual/switch/eARC\0";
    const std::string event(kEvent, sizeof(kEvent) - 1);  // as received: the last NUL is the event's
    struct Case {
        const char* key;
        const char* value;  // nullptr: not found
    };
    for (const Case& c : {Case{"SWITCH_STATE", "1"}, Case{"SWITCH_NAME", "eARC"}, Case{"SWITCH", nullptr},
                          Case{"DEVPATH", "/devices/virtual/switch/eARC"}, Case{"MAJOR", nullptr},
                          Case{"change@/devices/virtual/switch/eARC", nullptr}}) {
        const char* v = sb_uevent_get(event.data(), event.size(), c.key);
        if (c.value == nullptr) {
            EXPECT_EQ(nullptr, v) << c.key;
        } else {
            ASSERT_NE(nullptr, v) << c.key;
            EXPECT_STREQ(c.value, v) << c.key;
        }
    }
    // A value cut off at the end of what was received is not handed out unterminated.
    constexpr char kCut[] = "add@/x\0SUBSYSTEM=blo";
    const std::string cut(kCut, sizeof(kCut) - 1);
    EXPECT_EQ(nullptr, sb_uevent_get(cut.data(), cut.size(), "SUBSYSTEM"));
    EXPECT_EQ(nullptr, sb_uevent_get(nullptr, 0, "SUBSYSTEM"));
}

}  // namespace

// Without a simulator in the root, the switch monitor is udev's own netlink monitor.
TEST(SbUdevTest, BoardSideIsTheUdevMonitor)
{
    sbtest::Sandbox sandbox;
    const char* const subsystems[] = {"switch", "hdmirxswitch"};
    const int fd = sb_udev_monitor_open(subsystems, 2);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    EXPECT_STREQ(sb_udev_monitor_source(fd), "udev netlink monitor");
    pollfd p{fd, POLLIN, 0};
    EXPECT_GE(poll(&p, 1, 0), 0);
    EXPECT_EQ(sb_udev_monitor_close(fd), 0);
}
