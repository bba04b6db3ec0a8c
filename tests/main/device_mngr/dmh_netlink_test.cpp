#include "main/device_mngr/dmh_netlink.h"

#include "main/am/aee/aee.h"
#include "main/device_mngr/dm_mount.h"
#include "tests/support/app_support.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

namespace {

class DmhNetlinkTest : public sbtest::SandboxTest {
protected:
    static void SetUpTestSuite() { apptest::startFramework(); }
};

uint32_t word(const apptest::ReceivedMsg& m, size_t at)
{
    uint32_t w = 0;
    std::memcpy(&w, m.data.data() + at, sizeof(w));
    return w;
}

TEST_F(DmhNetlinkTest, CecGetsTheSwitchStateFromTheDeviceManager)
{
    EXPECT_NE(dmSendMsgToCec(3), 0);  // no "cec" yet: the lookup and the send fail
    apptest::TestApp& cec = apptest::runningRecorder("cec");
    ASSERT_EQ(dmSendMsgToCec(101), 0);
    ASSERT_TRUE(cec.waitMessages(1));
    const auto m = cec.messages().back();
    EXPECT_EQ(m.msgId, static_cast<uint32_t>(E_APP_MSG_TYPE_CEC));
    ASSERT_GE(m.data.size(), 8u);
    EXPECT_EQ(word(m, 0), 13u);   // from the device manager
    EXPECT_EQ(word(m, 4), 101u);  // the state as the message type

    apptest::TestApp& listener = apptest::runningRecorder("dm_nl_listener");
    const size_t before = listener.messages().size();
    ASSERT_EQ(dmSendMsgToPlaybackUsb(DM_USB_MEDIUM_CHANGED), 0);
    ASSERT_TRUE(listener.waitMessages(before + 1));
    const auto b = listener.messages().back();
    EXPECT_EQ(b.msgId, DM_BRDCST_MSG_USB_MNT);
    EXPECT_EQ(word(b, 0), 2u);
}

TEST_F(DmhNetlinkTest, MknodThroughTheShellOrTheSystemCall)
{
    // The shell stand-in records mknod only; chmod then acts on the nodes made here.
    sandbox.write("/dev/sdz", "");
    sandbox.write("/dev/ttyQ", "");
    EXPECT_EQ(dmMknod("/dev/sdz", S_IFBLK, 0660, 0, (8u << 8) | 17u), 0);
    EXPECT_EQ(dmMknod("/dev/ttyQ", S_IFCHR, 0660, 0, (4u << 8) | 64u), 0);
    EXPECT_EQ(sandbox.quoridLog(), (std::vector<std::string>{"mknod /dev/sdz b 8 17", "chmod 0660 /dev/sdz",
                                                             "mknod /dev/ttyQ c 4 64", "chmod 0660 /dev/ttyQ"}));
    sandbox.setQuoridStatus(1, "mknod");
    EXPECT_EQ(dmMknod("/dev/sdy", S_IFBLK, 0660, 0, 0), -1);
    EXPECT_EQ(sandbox.quoridLog().back(), "mknod /dev/sdy b 0 0");  // no chmod after a failure
    EXPECT_EQ(dmMknod("/dev/a b", S_IFBLK, 0660, 0, 0), -1);       // never into a shell line
    EXPECT_EQ(dmMknod(nullptr, S_IFBLK, 0660, 0, 0), -1);

    ASSERT_EQ(dmMknod("/tmp/fifo", S_IFIFO, 0600, 0, 0), 0);
    struct stat st {};
    ASSERT_EQ(stat(sandbox.path("/tmp/fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
