// The device manager inside the real corvand on a simulated board: sticks inserted and pulled,
// the HDMI driver's switch events, the wired link and malformed datagrams, all through the
// simulator's control words.
#include "tests/main/program_runner.h"
#include "tests/support/app_support.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <string>

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
    size_t mark() { return corvand_->output().size(); }
    bool waitFor(const std::string& text, size_t from) { return corvand_->waitFor(text, from); }

    std::unique_ptr<ProgramRunner> corvand_;
};

TEST_F(DmCorvandTest, StickPresentAtStartThenPulledAndInsertedAgain)
{
    sim.ctl("usb insert 0x0781 0x5567 8G 8G");
    start();
    const std::string out = corvand().output();
    EXPECT_TRUE(sbtest::containsInOrder(out, {"<corvand>9.dev_mngr Init Begin\n", "<corvand>9.dev_mngr Init Successful\n",
                                              "<corvand>10.playback_usb Init Begin\n"}));
    const std::string mounts = sim.ctl("log mount");
    EXPECT_NE(mounts.find("mount(\"none\", \"/proc/bus/usb\", \"usbfs\", 0, none)"), std::string::npos) << mounts;
    EXPECT_EQ(mounts.find("usbfs"), mounts.rfind("usbfs"));  // once

    size_t from = mark();
    sim.ctl("usb remove");
    // The broadcast goes before the partition's removal reaches the callback.
    EXPECT_TRUE(waitFor("event 5 type 523 socket 1 [8:1] \"sda1\"", from)) << corvand().output().substr(from);
    EXPECT_TRUE(sbtest::containsInOrder(corvand().output().substr(from),
                                        {"dmSendMsgToPlaybackUsb,if usb playing, stop!", "M:N=[8:1]"}));
    EXPECT_TRUE(waitFor("eDmEvent=0*", from));

    from = mark();
    sim.ctl("usb insert 0x0781 0x5567 8G 8G");
    ASSERT_TRUE(waitFor("event 2 type 522 socket 0 [8:0] \"sda\"", from)) << corvand().output().substr(from);
    ASSERT_TRUE(waitFor("event 4 type 523 socket 1 [8:1] \"sda1\"", from)) << corvand().output().substr(from);

    from = mark();
    sim.ctl("usb remove");
    EXPECT_TRUE(waitFor("event 3 type 522 socket 0 [8:0]", from)) << corvand().output().substr(from);
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

}  // namespace
