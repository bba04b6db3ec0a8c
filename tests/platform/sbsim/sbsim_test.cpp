// The board simulator reached only through the production seams, as the system reaches it.
#include "platform/hdmichip/hdmichip_isp.h"
#include "platform/quorid/quorid.h"
#include "platform/sbdev/hdmitx_ioctl.h"
#include "platform/sbdev/led_display_ioctl.h"
#include "platform/sbdev/sb_actl.h"
#include "platform/sbdev/sb_dev.h"
#include "platform/sbdev/sb_mount.h"
#include "platform/sbdev/sb_netif.h"
#include "platform/sbdev/sb_sysfs.h"
#include "platform/sbdev/sb_uevent.h"
#include "platform/sbdev/sb_wire.h"
#include "platform/sbroot/sb_root.h"
#include "tests/support/run_program.h"
#include "tests/support/sim_process.h"

#include <gmock/gmock.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <linux/input.h>
#include <net/if.h>
#include <mtd/mtd-user.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using sbtest::SimTest;
using ::testing::HasSubstr;

namespace {

// Closes a descriptor of the seam at the end of a scope.
struct Dev {
    explicit Dev(const char* path, int flags = O_RDWR | O_CLOEXEC) : fd(sb_dev_open(path, flags)) {}
    ~Dev()
    {
        if (fd >= 0) {
            sb_dev_close(fd);
        }
    }
    int fd;
};

// Waits (bounded) for one uevent and returns it with its NULs.
std::string nextUevent(int fd)
{
    pollfd p{fd, POLLIN, 0};
    if (sb_dev_poll(&p, 1, 10000) != 1) {
        return {};
    }
    char buf[4096];
    const ssize_t n = sb_uevent_recv(fd, buf, sizeof(buf));
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

class BoardSimTest : public SimTest {};

// A stick's layout, its kernel events in order, and the mount calls on its partitions.
TEST_F(BoardSimTest, UsbStickLaysOutItsTreeRaisesItsEventsAndMountsItsFiles)
{
    const int monitor = sb_uevent_open();
    ASSERT_GE(monitor, 0);
    sandbox.write("/stick/track.mp3", "music");
    sim.ctl("usb insert 0x0781 0x5567 8G 4G 4G --files " + sandbox.path("/stick"));
    const std::string device = "/sys/devices/platform/KvxUsbHcd.0/usb1/1-1";
    EXPECT_EQ(device.size(), 42u);
    EXPECT_EQ(sandbox.read(device + "/idVendor"), "0781\n");
    const std::string disk = device + "/1-1:1.0/host0/target0:0:0/0:0:0:0/block/sda";
    EXPECT_EQ(sandbox.read(disk + "/size"), "16777216\n");
    EXPECT_EQ(sandbox.read(disk + "/sda2/size"), "8388608\n");
    EXPECT_THAT(sandbox.read("/proc/diskstats"), HasSubstr(" sda2 "));
    EXPECT_TRUE(sandbox.exists("/dev/sda1"));
    std::vector<std::string> types;
    for (int i = 0; i < 5; ++i) {
        const std::string e = nextUevent(monitor);
        types.push_back(sb_uevent_get(e.data(), e.size(), "DEVTYPE") ? sb_uevent_get(e.data(), e.size(), "DEVTYPE") : "");
    }
    EXPECT_EQ(types, (std::vector<std::string>{"usb_device", "usb_interface", "disk", "partition", "partition"}));

    sandbox.write("/data/mnt/sda1/.keep", "");
    sim.ctl("mount refuse vfat");
    EXPECT_EQ(sb_mount("/dev/sda1", "/data/mnt/sda1", "vfat", 0, "ro"), -1);
    sim.ctl("mount allow vfat");
    sim.ctl("mount refuse vfat rw");
    EXPECT_EQ(sb_mount("/dev/sda1", "/data/mnt/sda1", "vfat", 0, "rw"), -1);
    ASSERT_EQ(sb_mount("/dev/sda1", "/data/mnt/sda1", "vfat", 0, "ro"), 0);
    EXPECT_EQ(sandbox.read("/data/mnt/sda1/track.mp3"), "music");
    EXPECT_EQ(sb_mount("/dev/sda1", "/data/mnt/sda1", "vfat", 0, "ro"), -1);  // mounted already
    EXPECT_EQ(sb_umount("/data/mnt/sda2"), -1);                               // never mounted
    sim.ctl("mount keep-mounted /data/mnt/sda1");
    EXPECT_EQ(sb_umount2("/data/mnt/sda1", 2), -1);
    EXPECT_EQ(errno, EBUSY);
    EXPECT_THAT(sim.ctl("log mount"), HasSubstr("mount(\"/dev/sda1\", \"/data/mnt/sda1\", \"vfat\", 0, \"ro\")"));
    EXPECT_THAT(sim.ctl("log mount"), HasSubstr("umount2(\"/data/mnt/sda1\", 2)"));

    sim.ctl("usb remove");
    std::vector<std::string> removed;
    for (int i = 0; i < 5; ++i) {
        const std::string e = nextUevent(monitor);
        removed.push_back(e.substr(0, e.find('@')));
    }
    EXPECT_EQ(removed, (std::vector<std::string>(5, "remove")));
    EXPECT_FALSE(sandbox.exists(device));
    EXPECT_FALSE(sandbox.exists("/dev/sda"));
    EXPECT_EQ(sandbox.read("/proc/diskstats"), "");
    sb_uevent_close(monitor);
}

TEST_F(BoardSimTest, NetworkLinkFlags)
{
    short flags = 0;
    ASSERT_EQ(sb_netif_flags("eth0", &flags), 0);
    EXPECT_EQ(flags & IFF_RUNNING, 0);
    sim.ctl("net eth0 up");
    ASSERT_EQ(sb_netif_flags("eth0", &flags), 0);
    EXPECT_NE(flags & IFF_RUNNING, 0);
    EXPECT_EQ(sb_netif_flags("wlan9", &flags), -1);
    EXPECT_EQ(errno, ENODEV);
    EXPECT_FALSE(sim.control("net eth0 sideways"));
}

// The control command a person and a script use.
std::pair<int, std::string> runCtl(const std::vector<std::string>& args)
{
    const sbtest::ProgramRun run = sbtest::runProgram("platform/sbsim/sbsimctl", args);
    return {run.status, run.output};
}

TEST_F(BoardSimTest, HdmiTransmitterAnswersScriptedGettersAndLogsSetters)
{
    sim.ctl("hdmitx words GET_RX_AUDIO_INFO 0 6 88200 0 0 11");
    Dev dev("/dev/hdmitx");
    ASSERT_GE(dev.fd, 0);

    std::array<int32_t, 6> rx{};
    ASSERT_EQ(0, sb_dev_ioctl(dev.fd, KVX_HDMI_GET_RX_AUDIO_INFO, rx.data()));
    EXPECT_EQ((std::array<int32_t, 6>{0, 6, 88200, 0, 0, 11}), rx);

    const std::array<uint32_t, 5> mode{4, 0, 1, 1, 0};
    ASSERT_EQ(0, sb_dev_ioctl(dev.fd, KVX_HDMI_SET_INPUT_MODE, mode.data()));
    EXPECT_THAT(
        sandbox.read("/sim/hdmitx.log"),
        HasSubstr("SET_INPUT_MODE 04 00 00 00 00 00 00 00 01 00 00 00 01 00 00 00 00 00 00 00 words 4,0,1,1,0"));
    EXPECT_EQ("04 00 00 00 00 00 00 00 01 00 00 00 01 00 00 00 00 00 00 00\n", sim.ctl("hdmitx last SET_INPUT_MODE"));

    // The two switches take their byte as the argument itself.
    EXPECT_EQ(0, sb_dev_ioctl(dev.fd, KVX_HDMI_ARC_ENABLE, 1));
    EXPECT_EQ("01\n", sim.ctl("hdmitx last ARC_ENABLE"));

    // A getter nobody scripted reads zeros rather than failing.
    uint32_t version = 0xFFFFFFFF;
    EXPECT_EQ(0, sb_dev_ioctl(dev.fd, KVX_HDMI_GET_VERSION, &version));
    EXPECT_EQ(0u, version);
}

TEST_F(BoardSimTest, HdmiTransmitterAnswersTheStandbyRecordPerSelector)
{
    sim.ctl("hdmitx cm4 1 0x1000");
    sim.ctl("hdmitx cm4 3 0x20001000");
    Dev dev("/dev/hdmitx");
    ASSERT_GE(dev.fd, 0);
    const struct {
        uint32_t selector;
        uint32_t value;
    } cases[] = {{1, 0x1000}, {3, 0x20001000}, {2, 0}};  // selector 2 not scripted: the value reads 0
    for (const auto& c : cases) {
        std::array<uint32_t, 2> record{c.selector, 0xDEAD};
        ASSERT_EQ(0, sb_dev_ioctl(dev.fd, KVX_HDMI_GET_CM4_INFO, record.data()));
        EXPECT_EQ((std::array<uint32_t, 2>{c.selector, c.value}), record) << c.selector;
    }
    EXPECT_THAT(sandbox.read("/sim/hdmitx.log"), HasSubstr("GET_CM4_INFO selector 3"));
    std::string refused;
    EXPECT_FALSE(sim.control("hdmitx cm4 1", &refused));
}

TEST_F(BoardSimTest, HdmiTransmitterRefusesUnknownRequestsAndFailsOnDemand)
{
    Dev dev("/dev/hdmitx");
    ASSERT_GE(dev.fd, 0);
    uint8_t byte = 0;
    errno = 0;
    EXPECT_EQ(-1, sb_dev_ioctl(dev.fd, kvxHdmiRequest(0x3F, 1), &byte));
    EXPECT_EQ(ENOTTY, errno);
    // A pointer where the driver wants the value is refused, not half carried out.
    EXPECT_EQ(-1, sb_dev_ioctl(dev.fd, KVX_HDMI_CEC_ENABLE, &byte));
    EXPECT_EQ(EINVAL, errno);

    sim.ctl("hdmitx fail SET_VOLUME 2");
    uint8_t vol = 30;
    EXPECT_EQ(-1, sb_dev_ioctl(dev.fd, KVX_HDMI_SET_VOLUME, &vol));
    EXPECT_EQ(EIO, errno);
    EXPECT_EQ(-1, sb_dev_ioctl(dev.fd, KVX_HDMI_SET_VOLUME, &vol));
    EXPECT_EQ(0, sb_dev_ioctl(dev.fd, KVX_HDMI_SET_VOLUME, &vol));
    EXPECT_EQ("1e\n", sim.ctl("hdmitx last SET_VOLUME"));
}

TEST_F(BoardSimTest, CecFramesTravelBothWaysWithTheDriversSwitchEvents)
{
    const int monitor = sb_uevent_open();
    ASSERT_GE(monitor, 0);
    Dev dev("/dev/hdmitx");

    std::array<uint8_t, 32> send{};
    send[0] = 7;     // tag
    send[4] = 5;     // initiator
    send[5] = 0;     // TV
    send[6] = 0x72;  // opcode
    send[8] = 1;     // operand
    send[24] = 1;    // operand count
    ASSERT_EQ(0, sb_dev_ioctl(dev.fd, KVX_HDMI_SET_CECCMD, send.data()));
    const std::string txEvent = nextUevent(monitor);
    EXPECT_STREQ("2", sb_uevent_get(txEvent.data(), txEvent.size(), "SWITCH_STATE"));
    EXPECT_STREQ("/devices/virtual/switch/cec_hdmi", sb_uevent_get(txEvent.data(), txEvent.size(), "DEVPATH"));
    std::array<uint32_t, 2> status{};
    ASSERT_EQ(0, sb_dev_ioctl(dev.fd, KVX_HDMI_GET_TX_STS, status.data()));
    EXPECT_EQ(7u, status[0]);
    EXPECT_EQ(1u, status[1]);
    EXPECT_THAT(sim.ctl("log cec"), HasSubstr("tx 05 00 72 00 01"));
    // One status per transmission: once read, there is none until the next one finishes.
    EXPECT_EQ(-1, sb_dev_ioctl(dev.fd, KVX_HDMI_GET_TX_STS, status.data()));
    EXPECT_EQ(EAGAIN, errno);

    sim.ctl("hdmitx cec-rx 0 5 0x8F");
    const std::string rxEvent = nextUevent(monitor);
    EXPECT_STREQ("3", sb_uevent_get(rxEvent.data(), rxEvent.size(), "SWITCH_STATE"));
    std::array<uint8_t, 24> frame{};
    ASSERT_EQ(0, sb_dev_ioctl(dev.fd, KVX_HDMI_GET_CECCMD, frame.data()));
    EXPECT_EQ(0, frame[0]);
    EXPECT_EQ(5, frame[1]);
    EXPECT_EQ(0x8F, frame[2]);
    // Nothing more received: the driver says so instead of handing out an empty frame.
    EXPECT_EQ(-1, sb_dev_ioctl(dev.fd, KVX_HDMI_GET_CECCMD, frame.data()));
    EXPECT_EQ(EAGAIN, errno);

    // Plugging the HDMI input: its getter and the driver's CEC switch.
    sim.ctl("hdmitx plug rx 1");
    const std::string plug = nextUevent(monitor);
    EXPECT_STREQ("/devices/virtual/switch/CEC", sb_uevent_get(plug.data(), plug.size(), "DEVPATH"));
    EXPECT_STREQ("6", sb_uevent_get(plug.data(), plug.size(), "SWITCH_STATE"));
    uint8_t plugged = 0;
    ASSERT_EQ(0, sb_dev_ioctl(dev.fd, KVX_HDMI_GET_RX_PLUG_STS, &plugged));
    EXPECT_EQ(1, plugged);
    sb_uevent_close(monitor);
}

TEST_F(BoardSimTest, TransmitStatusesAreHeldAndReleasedOldestFirst)
{
    const int monitor = sb_uevent_open();
    ASSERT_GE(monitor, 0);
    Dev dev("/dev/hdmitx");
    auto send = [&](uint8_t tag) {
        std::array<uint8_t, 32> cmd{};
        cmd[0] = tag;
        cmd[4] = 5;
        cmd[6] = 0x46;
        return sb_dev_ioctl(dev.fd, KVX_HDMI_SET_CECCMD, cmd.data());
    };
    auto status = [&] {
        std::array<uint32_t, 2> s{};
        return sb_dev_ioctl(dev.fd, KVX_HDMI_GET_TX_STS, s.data()) == 0 ? s : std::array<uint32_t, 2>{0, 99};
    };

    sim.ctl("hdmitx tx-status hold");
    ASSERT_EQ(0, send(3));
    ASSERT_EQ(0, send(4));
    EXPECT_EQ((std::array<uint32_t, 2>{0, 99}), status());  // nothing announced while held
    sim.ctl("hdmitx tx-status release 0");
    for (uint32_t tag : {3u, 4u}) {
        const std::string event = nextUevent(monitor);
        EXPECT_STREQ("2", sb_uevent_get(event.data(), event.size(), "SWITCH_STATE"));
        EXPECT_EQ((std::array<uint32_t, 2>{tag, 0}), status());
    }

    sim.ctl("hdmitx ack 0");
    sim.ctl("hdmitx tx-status auto");
    ASSERT_EQ(0, send(9));
    EXPECT_EQ((std::array<uint32_t, 2>{9, 0}), status());
    std::string refused;
    EXPECT_FALSE(sim.control("hdmitx tx-status release x", &refused));
    EXPECT_THAT(refused, HasSubstr("usage"));
    sb_uevent_close(monitor);
}

TEST_F(BoardSimTest, AbsentTransmitterCannotBeOpened)
{
    sim.ctl("hdmitx missing on");
    Dev gone("/dev/hdmitx");
    EXPECT_EQ(-1, gone.fd);
    EXPECT_EQ(ENOENT, errno);
    EXPECT_FALSE(sandbox.exists("/dev/hdmitx"));
    sim.ctl("hdmitx missing off");
    Dev back("/dev/hdmitx");
    EXPECT_GE(back.fd, 0);
}

TEST_F(BoardSimTest, DisplayLogsEveryFrameWithItsTimeAndItsRequests)
{
    Dev dev("/dev/led_display");
    ASSERT_GE(dev.fd, 0);
    const char frame[5] = {'H', 'D', 'M', 'I', '\0'};
    EXPECT_EQ(5, sb_dev_write(dev.fd, frame, sizeof(frame)));
    EXPECT_EQ(0, sb_dev_ioctl(dev.fd, LED_DISPLAY_DIMMER, 5));
    EXPECT_EQ(0, sb_dev_ioctl(dev.fd, LED_DISPLAY_ENABLE, 0));
    errno = 0;
    EXPECT_EQ(-1, sb_dev_write(dev.fd, "TOO", 3));
    EXPECT_EQ(EINVAL, errno);
    EXPECT_EQ(-1, sb_dev_ioctl(dev.fd, 5, 1));
    EXPECT_EQ(ENOTTY, errno);

    const std::string log = sandbox.read("/sim/display.log");
    EXPECT_THAT(log, ::testing::ContainsRegex("[0-9]+\\.[0-9]{6} frame 48 44 4d 49 00 \"HDMI \""));
    EXPECT_THAT(sim.ctl("display show"), HasSubstr("\"HDMI \" enable=0 dimmer=5"));

    sim.ctl("display missing on");
    Dev gone("/dev/led_display");
    EXPECT_EQ(-1, gone.fd);
    EXPECT_FALSE(sandbox.exists("/dev/led_display"));
}

TEST_F(BoardSimTest, InputDeviceAppearsAnswersItsQueriesAndDeliversKeys)
{
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(inotify_add_watch(watch, sandbox.path("/dev/input").c_str(), IN_CREATE | IN_DELETE), 0);
    EXPECT_EQ("/dev/input/event0\n", sim.ctl("input add KVX_Remote_Controller"));

    alignas(inotify_event) char buf[sizeof(inotify_event) + NAME_MAX + 1];
    ASSERT_GT(read(watch, buf, sizeof(buf)), 0);
    const auto* created = reinterpret_cast<const inotify_event*>(buf);
    EXPECT_TRUE(created->mask & IN_CREATE);
    EXPECT_STREQ("event0", created->name);

    Dev dev("/dev/input/event0");
    ASSERT_GE(dev.fd, 0);
    int version = 0;
    EXPECT_EQ(0, sb_dev_ioctl(dev.fd, EVIOCGVERSION, &version));
    input_id id{};
    EXPECT_EQ(0, sb_dev_ioctl(dev.fd, EVIOCGID, &id));
    char name[80] = {};
    EXPECT_GT(sb_dev_ioctl(dev.fd, EVIOCGNAME(sizeof(name)), name), 0);
    EXPECT_STREQ("KVX_Remote_Controller", name);

    pollfd p{dev.fd, POLLIN, 0};
    EXPECT_EQ(0, sb_dev_poll(&p, 1, 0));
    sim.ctl("input key KVX_Remote_Controller volup");
    // The platform's own record: 16 bytes on the 32-bit board, 24 on a 64-bit host.
    std::vector<input_event> got;
    while (got.size() < 4) {
        p.revents = 0;
        ASSERT_EQ(1, sb_dev_poll(&p, 1, 10000));
        input_event ev{};
        ASSERT_EQ(static_cast<ssize_t>(sizeof(ev)), sb_dev_read(dev.fd, &ev, sizeof(ev)));
        got.push_back(ev);
    }
    EXPECT_EQ(EV_KEY, got[0].type);
    EXPECT_EQ(103, got[0].code);  // the board remote's volume up
    EXPECT_EQ(1, got[0].value);
    EXPECT_EQ(EV_SYN, got[1].type);
    EXPECT_EQ(EV_KEY, got[2].type);
    EXPECT_EQ(0, got[2].value);
    EXPECT_EQ(EV_SYN, got[3].type);

    sim.ctl("input remove KVX_Remote_Controller");
    ASSERT_GT(read(watch, buf, sizeof(buf)), 0);
    EXPECT_TRUE(reinterpret_cast<const inotify_event*>(buf)->mask & IN_DELETE);
    close(watch);
    // A reader of the unplugged device wakes up to ENODEV, as from the kernel.
    p.revents = 0;
    ASSERT_EQ(1, sb_dev_poll(&p, 1, 10000));
    input_event ev{};
    EXPECT_EQ(-1, sb_dev_read(dev.fd, &ev, sizeof(ev)));
    EXPECT_EQ(ENODEV, errno);
    EXPECT_EQ(-1, sb_dev_ioctl(dev.fd, EVIOCGVERSION, &version));
    EXPECT_EQ(ENODEV, errno);
}

// Key names are the remote's own codes on the remote and the panel's on any other device; a
// number is taken as it is, and "input keys" lists every name.
TEST_F(BoardSimTest, KeyNamesAreTheCodesOfTheRemoteOrOfThePanel)
{
    sim.ctl("input add KVX_Remote_Controller");
    sim.ctl("input add kvx-kpd");
    const struct {
        const char* device;
        const char* key;
        int code;
    } cases[] = {
        {"KVX_Remote_Controller", "volup", 103},   {"KVX_Remote_Controller", "voldown", 108},
        {"KVX_Remote_Controller", "play", 119},    {"KVX_Remote_Controller", "hdmi", 223},
        {"KVX_Remote_Controller", "bass+", 214},   {"KVX_Remote_Controller", "game", 251},
        {"KVX_Remote_Controller", "factory-pair", 227}, {"KVX_Remote_Controller", "97", 97},
        {"kvx-kpd", "volup", KEY_VOLUMEUP},        {"kvx-kpd", "power", KEY_POWER},
    };
    for (const auto& c : cases) {
        sim.ctl(std::string("input key ") + c.device + " " + c.key + " press");
        std::string log;
        ASSERT_TRUE(sim.control("log input", &log));
        EXPECT_THAT(log, HasSubstr(std::string("\"") + c.device + "\" type 1 code " + std::to_string(c.code) +
                                   " value 1"))
            << c.key;
    }
    std::string out;
    EXPECT_FALSE(sim.control("input key kvx-kpd hdmi", &out));
    EXPECT_THAT(out, HasSubstr("unknown key hdmi"));
    ASSERT_TRUE(sim.control("input keys", &out));
    EXPECT_THAT(out, HasSubstr("volup=103"));
    EXPECT_THAT(out, HasSubstr("treble-=217"));
    EXPECT_THAT(out, HasSubstr("volup=" + std::to_string(KEY_VOLUMEUP)));
}

TEST_F(BoardSimTest, InputDeviceWhoseVersionQueryFailsAndUnknownRequests)
{
    sim.ctl("input add gpio-keys --no-version");
    Dev dev("/dev/input/event0");
    ASSERT_GE(dev.fd, 0);
    int version = 0;
    EXPECT_EQ(-1, sb_dev_ioctl(dev.fd, EVIOCGVERSION, &version));
    EXPECT_EQ(-1, sb_dev_ioctl(dev.fd, EVIOCGRAB, 1));
    EXPECT_EQ(ENOTTY, errno);
    Dev none("/dev/input/event5");
    EXPECT_EQ(-1, none.fd);
    EXPECT_EQ(ENOENT, errno);
    std::string out;
    EXPECT_FALSE(sim.control("input key nobody volup", &out));
    EXPECT_THAT(out, HasSubstr("no device named nobody"));
}

int i2cTransfer(int fd, std::vector<i2c_msg> msgs)
{
    i2c_rdwr_ioctl_data data{msgs.data(), static_cast<uint32_t>(msgs.size())};
    return sb_dev_ioctl(fd, I2C_RDWR, &data);
}

TEST_F(BoardSimTest, I2cAmplifierRegistersReadBackAndFailuresAreInjected)
{
    Dev bus("/dev/i2c-3");
    ASSERT_GE(bus.fd, 0);
    EXPECT_EQ(0, sb_dev_ioctl(bus.fd, I2C_TIMEOUT, 2));
    uint8_t page4[] = {0x00, 0x04};
    uint8_t coeff[] = {0x7C, 0x11, 0x22, 0x33, 0x44};
    ASSERT_EQ(1, i2cTransfer(bus.fd, {{0x2D, 0, 2, page4}}));
    ASSERT_EQ(1, i2cTransfer(bus.fd, {{0x2D, 0, 5, coeff}}));
    uint8_t reg = 0x7C;
    uint8_t back[4] = {};
    ASSERT_EQ(2, i2cTransfer(bus.fd, {{0x2D, 0, 1, &reg}, {0x2D, I2C_M_RD, 4, back}}));
    EXPECT_EQ(0x11, back[0]);
    EXPECT_EQ(0x44, back[3]);
    EXPECT_EQ("0x33\n", sim.ctl("i2c get 3 0x2d 4 0x7e"));

    // The identity on page 0 of every amplifier.
    uint8_t page0[] = {0x00, 0x00};
    uint8_t idReg = 0x15;
    uint8_t chipId = 0;
    ASSERT_EQ(1, i2cTransfer(bus.fd, {{0x2E, 0, 2, page0}}));
    ASSERT_EQ(2, i2cTransfer(bus.fd, {{0x2E, 0, 1, &idReg}, {0x2E, I2C_M_RD, 1, &chipId}}));
    EXPECT_EQ(0x26, chipId);

    sim.ctl("i2c fail 3 0x2c 2");
    EXPECT_EQ(-1, i2cTransfer(bus.fd, {{0x2C, 0, 2, page4}}));
    EXPECT_EQ(EIO, errno);
    EXPECT_EQ(-1, i2cTransfer(bus.fd, {{0x2C, 0, 2, page4}}));
    EXPECT_EQ(1, i2cTransfer(bus.fd, {{0x2C, 0, 2, page4}}));

    // No chip, no acknowledge.
    EXPECT_EQ(-1, i2cTransfer(bus.fd, {{0x50, 0, 2, page4}}));
    EXPECT_EQ(ENXIO, errno);
    const std::string log = sandbox.read("/sim/i2c.log");
    EXPECT_THAT(log, HasSubstr("bus 3 addr 0x2d W 7c 11 22 33 44"));
    EXPECT_THAT(log, HasSubstr("bus 3 addr 0x2c W failed"));
    EXPECT_THAT(log, HasSubstr("bus 3 addr 0x50 W nak"));
}

// The HDMI chip obeys its commands only after the whole unlock sequence, in order, and its flash
// programs as flash does: bits are only cleared until the next erase.
TEST_F(BoardSimTest, HdmiChipProgramsOnlyInProgrammingModeAndOnlyClearsBits)
{
    Dev bus("/dev/i2c-2");
    ASSERT_GE(bus.fd, 0);
    auto put = [&](uint8_t reg, std::vector<uint8_t> data) {
        data.insert(data.begin(), reg);
        return i2cTransfer(bus.fd, {{hdmichip::kI2cAddress, 0, static_cast<uint16_t>(data.size()), data.data()}});
    };
    auto program = [&](uint8_t value) {
        ASSERT_EQ(1, put(hdmichip::REG_OFFSET_LOW, {0x10}));
        ASSERT_EQ(1, put(hdmichip::REG_BYTE_COUNT, {2}));
        ASSERT_EQ(1, put(hdmichip::REG_COMMAND, {hdmichip::CMD_PROGRAM}));
        ASSERT_EQ(1, put(hdmichip::REG_WRITE_FIFO, {value, value}));
    };
    auto unlock = [&](const std::vector<size_t>& order) {
        for (size_t i : order) {
            const hdmichip::RegWrite& w = hdmichip::kUnlockSequence[i];
            ASSERT_EQ(1, put(w.reg, {w.value}));
        }
    };

    unlock({1, 0, 2, 3, 4, 5});
    EXPECT_EQ("0x00\n", sim.ctl("i2c get 2 0x5c 0 0x50")) << "out of order";
    program(0x00);
    EXPECT_EQ("00010: ff ff\n", sim.ctl("hdmichip dump 0x10 2")) << "no programming outside the mode";

    unlock({0, 1, 2, 3, 4, 5});
    EXPECT_EQ("0x80\n", sim.ctl("i2c get 2 0x5c 0 0x50"));
    program(0x0F);
    program(0xF3);
    EXPECT_EQ("00010: 03 03\n", sim.ctl("hdmichip dump 0x10 2"));
    EXPECT_EQ("0x08\n", sim.ctl("i2c get 2 0x5c 0 0x08")) << "program done";

    ASSERT_EQ(1, put(hdmichip::REG_LEAVE_ISP, {hdmichip::kLeaveIsp}));
    EXPECT_EQ("0x00\n", sim.ctl("i2c get 2 0x5c 0 0x50"));
    ASSERT_EQ(1, put(hdmichip::REG_STATUS, {hdmichip::kEraseArm}));
    ASSERT_EQ(1, put(hdmichip::REG_COMMAND, {hdmichip::CMD_CHIP_ERASE}));
    EXPECT_EQ("00010: 03 03\n", sim.ctl("hdmichip dump 0x10 2")) << "no erase outside the mode";
}

TEST_F(BoardSimTest, GpioExportCreatesTheLinesNodesAndWritesAreLogged)
{
    ASSERT_EQ(3, sb_sysfs_write("/sys/class/gpio/export", "428", 3));
    EXPECT_TRUE(sandbox.exists("/sys/class/gpio/gpio428/value"));
    EXPECT_EQ(4, sb_sysfs_write("/sys/class/gpio/gpio428/direction", "out", 4));  // with its NUL
    EXPECT_EQ(2, sb_sysfs_write("/sys/class/gpio/gpio428/value", "1", 2));
    char level[4] = {};
    EXPECT_EQ(2, sb_sysfs_read("/sys/class/gpio/gpio428/value", level, sizeof(level) - 1));
    EXPECT_STREQ("1\n", level);
    EXPECT_THAT(sandbox.read("/sim/sysfs.log"),
                ::testing::ContainsRegex("[0-9]+\\.[0-9]{6} /sys/class/gpio/gpio428/value 1\n"));

    struct Refused {
        const char* path;
        const char* text;
        int error;
    };
    for (const Refused& r :
         {Refused{"/sys/class/gpio/export", "428", EBUSY}, Refused{"/sys/class/gpio/export", "x", EINVAL},
          Refused{"/sys/class/gpio/gpio428/direction", "sideways", EINVAL},
          Refused{"/sys/class/gpio/gpio428/edge", "up", EINVAL},
          Refused{"/sys/class/gpio/gpio429/value", "1", ENOENT}}) {
        errno = 0;
        EXPECT_EQ(-1, sb_sysfs_write(r.path, r.text, std::strlen(r.text))) << r.path << " " << r.text;
        EXPECT_EQ(r.error, errno) << r.path << " " << r.text;
    }
    EXPECT_EQ(3, sb_sysfs_write("/sys/class/gpio/unexport", "428", 3));
    EXPECT_FALSE(sandbox.exists("/sys/class/gpio/gpio428"));
}

TEST_F(BoardSimTest, MtdEraseAndWriteLandInThePartitionFileAndBadBlocksAreRefused)
{
    EXPECT_THAT(sandbox.read("/proc/mtd"), HasSubstr("mtd1: 00080000 00020000 \"custom\"\n"));
    Dev dev("/dev/mtd1");
    ASSERT_GE(dev.fd, 0);
    mtd_info_user info{};
    ASSERT_EQ(0, sb_dev_ioctl(dev.fd, MEMGETINFO, &info));
    EXPECT_EQ(0x80000u, info.size);
    EXPECT_EQ(0x20000u, info.erasesize);
    EXPECT_EQ(0x800u, info.writesize);

    std::string before = sandbox.read("/sim/mtd/custom.bin");
    erase_info_user erase{0x20000, 0x20000};
    ASSERT_EQ(0, sb_dev_ioctl(dev.fd, MEMERASE, &erase));
    std::vector<uint8_t> block(0x20000, 0);
    std::memcpy(block.data(), "PARAMS", 6);
    ASSERT_EQ(0x20000, sb_dev_lseek(dev.fd, 0x20000, SEEK_SET));
    ASSERT_EQ(0x20000, sb_dev_write(dev.fd, block.data(), block.size()));
    const std::string after = sandbox.read("/sim/mtd/custom.bin");
    ASSERT_EQ(0x80000u, after.size());
    EXPECT_EQ("PARAMS", after.substr(0x20000, 6));
    EXPECT_EQ(before.substr(0, 0x20000), after.substr(0, 0x20000));

    sim.ctl("mtd bad custom 2");
    loff_t offset = 0x40000;
    EXPECT_EQ(1, sb_dev_ioctl(dev.fd, MEMGETBADBLOCK, &offset));
    offset = 0x20000;
    EXPECT_EQ(0, sb_dev_ioctl(dev.fd, MEMGETBADBLOCK, &offset));
    erase = {0x40000, 0x20000};
    EXPECT_EQ(-1, sb_dev_ioctl(dev.fd, MEMERASE, &erase));
    EXPECT_EQ(EIO, errno);
    ASSERT_EQ(0x40000, sb_dev_lseek(dev.fd, 0x40000, SEEK_SET));
    EXPECT_EQ(-1, sb_dev_write(dev.fd, block.data(), block.size()));
    EXPECT_EQ(EIO, errno);
    // Erases must cover whole blocks.
    erase = {0x100, 0x20000};
    EXPECT_EQ(-1, sb_dev_ioctl(dev.fd, MEMERASE, &erase));
    EXPECT_EQ(EINVAL, errno);

    // Another geometry: the driver and "/proc/mtd" follow it.
    sim.ctl("mtd set misc 0x40000 0x10000 0x200");
    EXPECT_THAT(sandbox.read("/proc/mtd"), HasSubstr("mtd0: 00040000 00010000 \"misc\"\n"));
    Dev misc("/dev/mtd0");
    ASSERT_EQ(0, sb_dev_ioctl(misc.fd, MEMGETINFO, &info));
    EXPECT_EQ(0x10000u, info.erasesize);
    EXPECT_EQ(0x200u, info.writesize);
    EXPECT_EQ(0x40000u, sandbox.read("/sim/mtd/misc.bin").size());
}

TEST_F(BoardSimTest, InjectedUeventReachesAMonitorWithAllItsProperties)
{
    const int monitor = sb_uevent_open();
    ASSERT_GE(monitor, 0);
    sim.ctl("uevent add /devices/platform/usb/1-1/1-1:1.0/host0/target0:0:0/0:0:0:0/block/sda/sda1 "
            "SUBSYSTEM=block DEVTYPE=partition MAJOR=8 MINOR=1 DEVNAME=sda1");
    const std::string e = nextUevent(monitor);
    ASSERT_FALSE(e.empty());
    EXPECT_EQ(0, e.rfind("add@/devices/platform/usb/", 0));
    struct Property {
        const char* key;
        const char* value;
    };
    for (const Property& p :
         {Property{"ACTION", "add"},
          Property{"DEVPATH", "/devices/platform/usb/1-1/1-1:1.0/host0/target0:0:0/0:0:0:0/block/sda/sda1"},
          Property{"SUBSYSTEM", "block"}, Property{"DEVTYPE", "partition"}, Property{"MAJOR", "8"},
          Property{"MINOR", "1"}, Property{"DEVNAME", "sda1"}}) {
        const char* v = sb_uevent_get(e.data(), e.size(), p.key);
        ASSERT_NE(nullptr, v) << p.key;
        EXPECT_STREQ(p.value, v) << p.key;
    }
    EXPECT_EQ(nullptr, sb_uevent_get(e.data(), e.size(), "SWITCH_STATE"));

    sim.ctl("uevent switch eARC 1");
    const std::string sw = nextUevent(monitor);
    EXPECT_STREQ("switch", sb_uevent_get(sw.data(), sw.size(), "SUBSYSTEM"));
    EXPECT_STREQ("eARC", sb_uevent_get(sw.data(), sw.size(), "SWITCH_NAME"));
    EXPECT_STREQ("1", sb_uevent_get(sw.data(), sw.size(), "SWITCH_STATE"));

    std::string out;
    EXPECT_FALSE(sim.control("uevent add /x NOEQUALS", &out));
    EXPECT_THAT(out, HasSubstr("KEY=VALUE"));
    sb_uevent_close(monitor);
}

struct Changes {
    std::vector<std::string> names;
    static void record(void* ctx, const char* name, unsigned int mask)
    {
        if (mask == SB_ACTL_MASK_VALUE) {
            static_cast<Changes*>(ctx)->names.push_back(name);
        }
    }
};

TEST_F(BoardSimTest, AlsaControlsReadWriteAndRaiseChangeEvents)
{
    sb_actl* h = nullptr;
    ASSERT_EQ(0, sb_actl_open(&h, "hw:0"));
    Changes changes;
    ASSERT_EQ(0, sb_actl_watch(h, "Spdif_In_Info", Changes::record, &changes));
    EXPECT_EQ(-ENOENT, sb_actl_watch(h, "No_Such_Control", Changes::record, &changes));
    EXPECT_EQ(0, sb_actl_wait(h, 0));

    sim.ctl("actl set Spdif_In_Info 48000 0 0 0 0 0 0 0 0 0 0 0 0 2 0 0 0 0 0 65536");
    ASSERT_EQ(1, sb_actl_wait(h, 10000));
    EXPECT_EQ(1, sb_actl_handle_events(h));
    EXPECT_EQ(std::vector<std::string>{"Spdif_In_Info"}, changes.names);
    std::array<int32_t, 20> info{};
    ASSERT_EQ(20, sb_actl_read(h, "Spdif_In_Info", info.data(), 20));
    EXPECT_EQ(48000, info[0]);
    EXPECT_EQ(2, info[13]);
    EXPECT_EQ(65536, info[19]);

    EXPECT_EQ(0, sb_actl_write(h, "Spdif_In_Port_Select", 0, 3));
    EXPECT_EQ("3\n", sim.ctl("actl get Spdif_In_Port_Select"));
    EXPECT_EQ(0, sb_actl_write_ascii(h, "name='Etdm_Force_On_Enable'", "On"));
    EXPECT_EQ("1\n", sim.ctl("actl get Etdm_Force_On_Enable"));
    EXPECT_EQ(-EINVAL, sb_actl_write_ascii(h, "name='Etdm_Force_On_Enable'", "maybe"));
    EXPECT_EQ(-ENOENT, sb_actl_read(h, "Missing", info.data(), 20));
    EXPECT_EQ(-EINVAL, sb_actl_write(h, "Spdif_In_Port_Select", 1, 0));
    sb_actl_close(h);

    sb_actl* other = nullptr;
    EXPECT_LT(sb_actl_open(&other, "hw:1"), 0);
}

TEST_F(BoardSimTest, SerialPortIsAPseudoTerminalCarryingBytesBothWays)
{
    const int master = sim.takePty("/dev/ttyS2");
    ASSERT_GE(master, 0);
    Dev port("/dev/ttyS2", O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(port.fd, 0);
    EXPECT_TRUE(isatty(port.fd));

    const uint8_t toModule[] = {0x82, 0x03, 0x00, 0x0D, 0x0A};  // no line discipline in the way
    ASSERT_EQ(5, sb_dev_write(port.fd, toModule, sizeof(toModule)));
    uint8_t got[5] = {};
    size_t have = 0;
    while (have < sizeof(got)) {
        const ssize_t n = read(master, got + have, sizeof(got) - have);
        ASSERT_GT(n, 0);
        have += static_cast<size_t>(n);
    }
    EXPECT_EQ(0, std::memcmp(toModule, got, sizeof(got)));

    ASSERT_EQ(3, write(master, "\xBB\x01\x00", 3));
    uint8_t back[3] = {};
    have = 0;
    while (have < sizeof(back)) {
        const ssize_t n = sb_dev_read(port.fd, back + have, sizeof(back) - have);
        ASSERT_GT(n, 0);
        have += static_cast<size_t>(n);
    }
    EXPECT_EQ(0xBB, back[0]);
    close(master);
    EXPECT_EQ(-1, sim.takePty("/dev/ttyS2"));  // one taker
}

TEST_F(BoardSimTest, MalformedInputIsRefusedAndABrokenClientLeavesTheSimulatorRunning)
{
    std::string out;
    EXPECT_FALSE(sim.control("frobnicate", &out));
    EXPECT_THAT(out, HasSubstr("unknown command"));
    EXPECT_FALSE(sim.control("i2c set 3 0x2d 0 zz 1", &out));
    EXPECT_THAT(out, HasSubstr("bad number"));
    EXPECT_FALSE(sim.control("mtd add big 100 3 1", &out));

    // Half a frame, then gone.
    sbwire::Connection conn;
    ASSERT_TRUE(conn.connect());
    const uint8_t header[] = {4, 0, 0, 0, 0xFF, 0xFF, 0, 0};
    ASSERT_EQ(static_cast<ssize_t>(sizeof(header)), send(conn.fd(), header, sizeof(header), MSG_NOSIGNAL));
    close(conn.release());
    // A frame longer than the wire allows.
    ASSERT_TRUE(conn.connect());
    const uint8_t huge[] = {6, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F};
    ASSERT_EQ(static_cast<ssize_t>(sizeof(huge)), send(conn.fd(), huge, sizeof(huge), MSG_NOSIGNAL));
    close(conn.release());
    // A device request before any open.
    ASSERT_TRUE(conn.connect());
    EXPECT_EQ(EBADF, conn.request(sbwire::Type::Read, {4, 0, 0, 0}).error);

    EXPECT_THAT(sim.ctl("mtd list"), HasSubstr("misc"));
}

// Clients that stall in the middle of a frame hold up no one, and keep what they sent: once they
// send the rest, each gets its answer.
TEST_F(BoardSimTest, StalledClientsDelayNoOtherAndAreAnsweredWhenTheyGoOn)
{
    const std::string line = "input list";
    std::vector<uint8_t> frame;
    sbwire::putU32(frame, static_cast<uint32_t>(sbwire::Type::Control));
    sbwire::putU32(frame, static_cast<uint32_t>(line.size()));
    sbwire::putBytes(frame, line.data(), line.size());
    const size_t half = sbwire::kHeaderSize + 3;

    sim.ctl("input add remote-a");
    std::array<sbwire::Connection, 20> stalled;
    for (auto& conn : stalled) {
        ASSERT_TRUE(conn.connect());
        ASSERT_EQ(static_cast<ssize_t>(half), send(conn.fd(), frame.data(), half, MSG_NOSIGNAL));
    }
    // The control command a person uses, and a device request through the seam, answered while
    // every stalled client still waits mid-frame.
    const auto [status, output] = runCtl({"log", "display"});
    EXPECT_EQ(0, status) << output;
    EXPECT_EQ("/dev/input/event0 \"remote-a\"\n", sim.ctl("input list"));

    for (auto& conn : stalled) {
        const size_t rest = frame.size() - half;
        ASSERT_EQ(static_cast<ssize_t>(rest), send(conn.fd(), frame.data() + half, rest, MSG_NOSIGNAL));
    }
    for (auto& conn : stalled) {
        sbwire::Frame reply;
        ASSERT_TRUE(sbwire::recvFrame(conn.fd(), reply));
        const auto decoded = sbwire::decodeReply(reply.payload);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(0, decoded->result);
        EXPECT_EQ("/dev/input/event0 \"remote-a\"\n", std::string(decoded->data.begin(), decoded->data.end()));
    }
}

// A client that asks and never reads its answers is dropped once they pile up; the others go on.
TEST_F(BoardSimTest, ClientThatNeverReadsIsDroppedWithoutHarmToOthers)
{
    sbwire::Connection reader;
    ASSERT_TRUE(reader.connect());
    sbwire::Connection deaf;
    ASSERT_TRUE(deaf.connect());
    std::vector<uint8_t> frame;
    const std::string line = "help";
    sbwire::putU32(frame, static_cast<uint32_t>(sbwire::Type::Control));
    sbwire::putU32(frame, static_cast<uint32_t>(line.size()));
    sbwire::putBytes(frame, line.data(), line.size());
    // Help answers are a few kilobytes each: enough of them to pass what is kept for one client.
    bool dropped = false;
    for (int i = 0; i < 200000 && !dropped; ++i) {
        dropped = send(deaf.fd(), frame.data(), frame.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(frame.size());
        if (i % 1000 == 0) {
            EXPECT_EQ(0, reader.request(sbwire::Type::Control, {'h', 'e', 'l', 'p'}).result);
        }
    }
    EXPECT_TRUE(dropped);
    EXPECT_EQ(0, reader.request(sbwire::Type::Control, {'h', 'e', 'l', 'p'}).result);
}

// Two roots, two simulators, at once: each keeps its own devices and logs.
TEST(BoardSimRoots, TwoSimulatorsRunSideBySide)
{
    sbtest::Sandbox first;
    sbtest::Sandbox second;  // the current root now
    sbtest::SimProcess simA(first.dir());
    sbtest::SimProcess simB(second.dir());
    simA.ctl("input add panel-a");
    simB.ctl("input add remote-b");
    simB.ctl("hdmitx words GET_VERSION 0x0202");

    EXPECT_EQ("/dev/input/event0 \"panel-a\"\n", simA.ctl("input list"));
    EXPECT_EQ("/dev/input/event0 \"remote-b\"\n", simB.ctl("input list"));

    for (const sbtest::Sandbox* box : {&first, &second}) {
        sb::setRoot(box->dir());
        Dev dev("/dev/hdmitx");
        ASSERT_GE(dev.fd, 0);
        uint32_t version = 0;
        ASSERT_EQ(0, sb_dev_ioctl(dev.fd, KVX_HDMI_GET_VERSION, &version));
        EXPECT_EQ(box == &second ? 0x0202u : 0u, version);
    }
    EXPECT_THAT(first.read("/sim/hdmitx.log"), HasSubstr("GET_VERSION"));
    EXPECT_THAT(second.read("/sim/hdmitx.log"), HasSubstr("GET_VERSION"));
    EXPECT_EQ(0, simA.stop());
    EXPECT_FALSE(first.exists("/sim/board.sock"));
    EXPECT_THAT(simB.ctl("input list"), HasSubstr("remote-b"));
}

TEST_F(BoardSimTest, ControlCommandPrintsPlainTextAndSaysWhatItRefused)
{
    auto [helpStatus, help] = runCtl({"--help"});
    EXPECT_EQ(0, helpStatus);
    EXPECT_THAT(help, HasSubstr("usage: sbsimctl"));

    auto [addStatus, added] = runCtl({"--root", sandbox.dir(), "input", "add", "kvx-kpd"});
    EXPECT_EQ(0, addStatus);
    EXPECT_EQ("/dev/input/event0\n", added);
    auto [listStatus, list] = runCtl({"input", "list"});  // the root from SOUNDBAR_ROOT
    EXPECT_EQ(0, listStatus);
    EXPECT_EQ("/dev/input/event0 \"kvx-kpd\"\n", list);

    auto [badStatus, bad] = runCtl({"hdmitx", "fail", "NO_SUCH_REQUEST"});
    EXPECT_EQ(1, badStatus);
    EXPECT_THAT(bad, HasSubstr("unknown request"));

    sim.stop();
    auto [goneStatus, gone] = runCtl({"input", "list"});
    EXPECT_EQ(2, goneStatus);
    EXPECT_THAT(gone, HasSubstr("no simulator"));
}

}  // namespace

namespace {

TEST_F(BoardSimTest, ShellEchoToSysfsReachesTheSimulatorsNode)
{
    EXPECT_EQ(0, quorid_exec("echo mode 65 0 > /sys/devices/platform/1000b000.pinctrl/kv_gpio", 0));
    EXPECT_EQ(0, quorid_exec("echo 387 > /sys/class/gpio/export", 0));
    EXPECT_EQ(1, quorid_exec("echo 387 > /sys/class/gpio/export", 0));  // already exported
    EXPECT_EQ(1, quorid_exec("echo 1 > /sys/no/such/node", 0));
    const std::string log = sandbox.read("/sim/sysfs.log");
    EXPECT_THAT(log, HasSubstr("/sys/devices/platform/1000b000.pinctrl/kv_gpio mode 65 0\n"));
    EXPECT_TRUE(sandbox.exists("/sys/class/gpio/gpio387/direction"));
}

}  // namespace
