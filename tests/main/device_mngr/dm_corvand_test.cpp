// The device manager inside the real corvand on a simulated board: sticks inserted and pulled,
// the HDMI driver's switch events, the wired link and malformed datagrams, all through the
// simulator's control words.
#include "tests/main/program_runner.h"
#include "tests/support/app_support.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

using sbtest::ProgramRunner;

class DmCorvandTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.started());
        sandbox.write("/tmp/vesk_ipc_app_ready", "");
    }

    // Starts corvand and turns the device manager's lines on.
    void start()
    {
        corvand_ = std::make_unique<ProgramRunner>("main/corvand");
        ASSERT_TRUE(corvand_->waitFor("<corvand>Appcliation Init Finish\n")) << corvand_->output();
        corvand_->send("app.dm.sdl all");
        corvand_->send("app.pbusb.sdl all");
        corvand_->send("app.dm.gdl");
        ASSERT_TRUE(corvand_->waitFor("Debug level = eai")) << corvand_->output();
    }
    ProgramRunner& corvand() { return *corvand_; }
    // The simulator's mount calls but the USB file system's, from the `from`th on.
    std::vector<std::string> mountCalls(size_t from = 0)
    {
        std::vector<std::string> lines;
        std::istringstream in(sim.ctl("log mount"));
        for (std::string line; std::getline(in, line);) {
            line.erase(0, line.find(' ') + 1);  // its time
            if (line.find("usbfs") == std::string::npos) {
                lines.push_back(line);
            }
        }
        return {lines.begin() + static_cast<long>(std::min(from, lines.size())), lines.end()};
    }
    size_t count(const std::string& text, size_t from)
    {
        size_t n = 0;
        for (size_t at = corvand().output().find(text, from); at != std::string::npos;
             at = corvand().output().find(text, at + 1)) {
            ++n;
        }
        return n;
    }
    bool quoridRan(const std::string& line)
    {
        const auto log = sandbox.quoridLog();
        return std::find(log.begin(), log.end(), line) != log.end();
    }
    size_t mark() { return corvand_->output().size(); }
    bool waitFor(const std::string& text, size_t from) { return corvand_->waitFor(text, from); }

    std::unique_ptr<ProgramRunner> corvand_;
};

constexpr const char* kVfatData = "uid=1000,gid=1000,fmask=0000,dmask=0000,shortname=mixed,iocharset=utf8";
constexpr const char* kMounted = "dmModifyMntInfo OUT,gDmMntInfo.t_mnt_info.bMnt=1.";
constexpr const char* kUnmounted = "dmModifyMntInfo OUT,gDmMntInfo.t_mnt_info.bMnt=0.";

TEST_F(DmCorvandTest, StickPresentAtStartThenPulledAndInsertedAgain)
{
    sim.ctl("usb insert 0x0781 0x5567 8G 8G");
    start();
    // Mounted by the start-up pass or the callback thread, with no uevent after the start.
    ASSERT_TRUE(apptest::eventually([&] { return mountCalls().size() == 1; })) << corvand().output();
    const std::string out = corvand().output();
    EXPECT_TRUE(sbtest::containsInOrder(out, {"<corvand>9.dev_mngr Init Begin\n", "<corvand>9.dev_mngr Init Successful\n",
                                              "<corvand>10.playback_usb Init Begin\n"}));
    const std::string mounts = sim.ctl("log mount");
    EXPECT_NE(mounts.find("mount(\"none\", \"/proc/bus/usb\", \"usbfs\", 0, none)"), std::string::npos) << mounts;
    EXPECT_EQ(mounts.find("usbfs"), mounts.rfind("usbfs"));  // once
    EXPECT_NE(mounts.find("mount(\"/dev/sda1\", \"/data/mnt/sda1\", \"vfat\""), std::string::npos) << mounts;

    size_t from = mark();
    sim.ctl("usb remove");
    // The broadcast goes before the partition's removal reaches the callback.
    EXPECT_TRUE(waitFor("event 5 type 523 socket 1 [8:1] \"sda1\"", from)) << corvand().output().substr(from);
    EXPECT_TRUE(sbtest::containsInOrder(corvand().output().substr(from),
                                        {"dmSendMsgToPlaybackUsb,if usb playing, stop!", "M:N=[8:1]"}));
    EXPECT_TRUE(waitFor("eDmEvent=0*", from));
    // The disk told at start came by its name, as an inserted one does: it was opened, and it
    // is let go when pulled, so the stick inserted again is a new disk.
    EXPECT_TRUE(waitFor("event 3 type 522 socket 0 [8:0]", from)) << corvand().output().substr(from);
    EXPECT_TRUE(waitFor("close fd:", from)) << corvand().output().substr(from);

    from = mark();
    sim.ctl("usb insert 0x0781 0x5567 8G 8G");
    ASSERT_TRUE(waitFor("event 2 type 522 socket 0 [8:0] \"sda\"", from)) << corvand().output().substr(from);
    ASSERT_TRUE(waitFor("event 4 type 523 socket 1 [8:1] \"sda1\"", from)) << corvand().output().substr(from);

    from = mark();
    sim.ctl("usb remove");
    EXPECT_TRUE(waitFor("event 3 type 522 socket 0 [8:0]", from)) << corvand().output().substr(from);
    // Neither disk's mount pass missed its disk (long since run, at start and at the insert).
    EXPECT_EQ(corvand().output().find("uFmGetPartNs: error."), std::string::npos) << corvand().output();
    EXPECT_EQ(corvand().output().find("open device error"), std::string::npos) << corvand().output();
}

TEST_F(DmCorvandTest, SpecialDevicesAndEmptyCardReader)
{
    start();
    size_t from = mark();
    sim.ctl("usb insert 0x05AC 0x1209 8G 8G");
    ASSERT_TRUE(waitFor("[DM] This is a special device.", from)) << corvand().output().substr(from);
    ASSERT_TRUE(waitFor("event 2 type 522 socket 0 [8:0]", from));
    sim.ctl("usb remove");
    ASSERT_TRUE(waitFor("event 3 type 522 socket 0 [8:0]", from));
    EXPECT_EQ(corvand().output().find("\"sda1\"", from), std::string::npos);

    from = mark();
    sim.ctl("usb insert 0x0781 0x5567 0");
    sim.ctl("uevent switch cec_hdmi 2");  // a later event, to know the stick's have been handled
    ASSERT_TRUE(waitFor("send message to cec ,switch_state:2", from));
    EXPECT_EQ(corvand().output().find("dmDevNfyFct", from), std::string::npos);
}

TEST_F(DmCorvandTest, SwitchesNetworkRawDatagramsAndConsole)
{
    start();
    size_t from = mark();
    sim.ctl("uevent switch cec_hdmi 4");
    sim.ctl("uevent switch cec_hdmi 3");
    ASSERT_TRUE(waitFor("send message to cec ,switch_state:3", from));
    EXPECT_EQ(corvand().output().find("switch_state:4", from), std::string::npos);

    from = mark();
    sim.ctl("uevent switch CEC 101");  // no DEVTYPE
    // The driver's volume event is handled first, then logged as no state of the TV link.
    ASSERT_TRUE(waitFor("invalid message type ", from)) << corvand().output().substr(from);

    from = mark();
    sim.ctl("net eth0 up");
    ASSERT_TRUE(waitFor("dm broadcast network connect msg", from));
    ASSERT_TRUE(waitFor("dm receive broadcast message[65539]", from));
    from = mark();
    sim.ctl("net eth0 down");
    ASSERT_TRUE(waitFor("dm broadcast network disconnect msg", from));

    from = mark();
    std::string big = "uevent raw";
    for (int i = 0; i < 4096; ++i) {
        big += i < 3 ? " 61" : i == 3 ? " 40" : i == 4 ? " 2f" : " 41";  // "aaa@/AAAA..." without a NUL
    }
    sim.ctl("uevent raw 61 64 64 2d 2f 78 00 41 3d 31 00");  // no "@/"
    sim.ctl("uevent raw 61 40 2f");                          // three bytes
    sim.ctl(big);
    sim.ctl("uevent switch cec_hdmi 1");
    ASSERT_TRUE(waitFor("send message to cec ,switch_state:1", from)) << corvand().output().substr(from);
    const std::string after = corvand().output().substr(from);
    EXPECT_NE(after.find("[DMH]unrecognized message header"), std::string::npos);
    EXPECT_NE(after.find("[DMH]invalid message length"), std::string::npos);

    from = mark();
    sim.ctl("uevent change /devices/platform/KvxUsbHcd.0/usb1/1-1/1-1:1.0/host0/target0:0:0/0:0:0:0/block/sda "
            "SUBSYSTEM=block DEVTYPE=disk DISK_MEDIA_CHANGE=1");
    ASSERT_TRUE(waitFor("memory card insert or plug out", from));
    ASSERT_TRUE(waitFor("dm receive broadcast message[65538]", from));
    EXPECT_TRUE(waitFor("eDmEvent=2*", from));  // also with no record for the disk

    corvand().send("app.dm.echo");
    EXPECT_TRUE(apptest::eventually([&] { return sandbox.read("/sim/quorid.log").find("ls -l\n") != std::string::npos; }));
}

TEST_F(DmCorvandTest, InsertedStickIsMountedAndUnmountedOnceThePulledStickIsGone)
{
    start();
    size_t from = mark();
    sim.ctl("usb insert 0x0781 0x5567 8G 8G");
    ASSERT_TRUE(waitFor(kMounted, from)) << corvand().output().substr(from);
    ASSERT_TRUE(waitFor("eDmEvent=1*", from));  // the broadcast reached USB playback
    EXPECT_TRUE(quoridRan("chmod 666 /data/mnt/sda1"));
    EXPECT_EQ(mountCalls(), (std::vector<std::string>{"mount(\"/dev/sda1\", \"/data/mnt/sda1\", \"vfat\", 0, \"" +
                                                        std::string(kVfatData) + "\")"}));  // the disk never

    from = mark();
    const size_t calls = mountCalls().size();
    sim.ctl("usb remove");
    // The partition's unmount thread and the disk's (which finds nothing mounted) each clear it.
    ASSERT_TRUE(apptest::eventually([&] { return count(kUnmounted, from) == 2; })) << corvand().output().substr(from);
    // At once from the hotplug side, then from the unmount a second later.
    ASSERT_TRUE(apptest::eventually([&] { return count("eDmEvent=0*", from) >= 2; }));
    EXPECT_EQ(mountCalls(calls), (std::vector<std::string>{"umount(\"/data/mnt/sda1\")", "umount2(\"/data/mnt/sda1\", 2)"}));
    EXPECT_TRUE(quoridRan("rmdir /data/mnt/sda1"));
    EXPECT_FALSE(sandbox.exists("/data/mnt/sda1"));
    EXPECT_EQ(corvand().output().find("auto unmount sda1", from), std::string::npos);

    // A partition still mounted after the tries: logged, and the record is cleared all the same.
    sim.ctl("mount keep-mounted /data/mnt/sda1");
    from = mark();
    sim.ctl("usb insert 0x0781 0x5567 8G 8G");
    ASSERT_TRUE(waitFor(kMounted, from)) << corvand().output().substr(from);
    from = mark();
    sim.ctl("usb remove");
    ASSERT_TRUE(apptest::eventually([&] { return count(kUnmounted, from) == 2; })) << corvand().output().substr(from);
    EXPECT_TRUE(sbtest::containsInOrder(corvand().output().substr(from),
                                        {"is still mounted", "auto unmount sda1 error.", kUnmounted}));
    ASSERT_TRUE(apptest::eventually([&] { return count("eDmEvent=0*", from) >= 2; }));
}

TEST_F(DmCorvandTest, MountOutcomesPerFileSystem)
{
    start();
    struct Case {
        const char* what;
        std::vector<std::string> refused;
        size_t calls;
        const char* outcome;
    };
    const Case cases[] = {
        {"vfat read-only", {std::string("vfat ") + kVfatData}, 2, "mounted as vfat"},
        {"ext4", {"vfat", "ext2", "ext3"}, 5, "mounted as ext4"},
        {"nothing", {"vfat", "ext2", "ext3", "ext4", "texfat"}, 35, "auto mount sda1 error."},
    };
    for (const Case& c : cases) {
        for (const std::string& r : c.refused) {
            sim.ctl("mount refuse " + r);
        }
        size_t from = mark();
        const size_t before = mountCalls().size();
        sim.ctl("usb insert 0x0781 0x5567 8G 8G");
        ASSERT_TRUE(waitFor(c.outcome, from)) << c.what << corvand().output().substr(from);
        const auto calls = mountCalls(before);
        EXPECT_EQ(calls.size(), c.calls) << c.what;
        if (c.calls == 2) {
            EXPECT_EQ(calls.back(), "mount(\"/dev/sda1\", \"/data/mnt/sda1\", \"vfat\", 0, "
                                    "\"uid=1000,gid=1000,fmask=0000,dmask=0000,ro,shortname=mixed,iocharset=utf8\")");
        }
        if (c.calls == 35) {
            EXPECT_TRUE(quoridRan("rmdir /data/mnt/sda1"));
            EXPECT_EQ(count(kMounted, from), 0u);
            EXPECT_EQ(count("Has try 5 times", from), 1u);
        }
        from = mark();
        sim.ctl("usb remove");
        ASSERT_TRUE(apptest::eventually([&] { return count(kUnmounted, from) == 2; })) << c.what;
        for (const std::string& r : c.refused) {
            sim.ctl("mount allow " + r);
        }
    }
}

TEST_F(DmCorvandTest, EachPartitionOfAStickIsMountedButNotItsDisk)
{
    start();
    size_t from = mark();
    sim.ctl("usb insert 0x0781 0x5567 8G 4G 4G");
    ASSERT_TRUE(apptest::eventually([&] { return count(kMounted, from) == 2; })) << corvand().output().substr(from);
    auto calls = mountCalls();
    std::sort(calls.begin(), calls.end());
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].find("mount(\"/dev/sda1\", \"/data/mnt/sda1\""), 0u);
    EXPECT_EQ(calls[1].find("mount(\"/dev/sda2\", \"/data/mnt/sda2\""), 0u);

    from = mark();
    sim.ctl("usb remove");
    ASSERT_TRUE(apptest::eventually([&] { return count(kUnmounted, from) == 3; }));
    EXPECT_FALSE(sandbox.exists("/data/mnt/sda1"));
    EXPECT_FALSE(sandbox.exists("/data/mnt/sda2"));
}

TEST_F(DmCorvandTest, DiskWhoseNodeCannotBeOpenedIsKeptUnusedAndFreedWhenPulled)
{
    // The stick's layout cannot make its disk's node: it is a link to nowhere.
    std::filesystem::create_directories(sandbox.path("/dev"));
    std::filesystem::create_symlink(sandbox.path("/nowhere/sda"), sandbox.path("/dev/sda"));
    start();
    size_t from = mark();
    sim.ctl("usb insert 0x0781 0x5567 8G 8G");
    ASSERT_TRUE(waitFor("dmCbMsgThread open device error. /dev/sda", from)) << corvand().output().substr(from);
    from = mark();
    sim.ctl("usb remove");
    ASSERT_TRUE(waitFor("event 3 type 522 socket 0 [8:0]", from));
    // The disk is never mounted (its partition, reported under the root controller, may be).
    for (const std::string& call : mountCalls()) {
        EXPECT_EQ(call.find("\"/dev/sda\""), std::string::npos) << call;
    }
    EXPECT_TRUE(apptest::eventually([&] {
        return sbtest::containsInOrder(corvand().output().substr(from), {"event 3 type 522", "will close fd"});
    }));
}

}  // namespace
