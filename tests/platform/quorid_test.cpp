#include "platform/quorid/quorid.h"
#include "platform/sbroot/sb_root.h"
#include "tests/support/sandbox.h"

#include <csignal>
#include <set>
#include <sys/ipc.h>
#include <sys/stat.h>

using sbtest::SandboxTest;

namespace {

class QuoridTest : public SandboxTest {};

TEST_F(QuoridTest, LogsEveryCommandInOrderAndRunsNoShell)
{
    EXPECT_EQ(0, quorid_exec("reboot", 0));
    EXPECT_EQ(0, quorid_exec("reboot; touch /tmp/b", 0));
    EXPECT_EQ(0, quorid_exec("systemctl stop x && touch /tmp/c", 1));
    EXPECT_EQ((std::vector<std::string>{"reboot", "reboot; touch /tmp/b", "systemctl stop x && touch /tmp/c"}),
              sandbox.quoridLog());
    // No shell: separators are not interpreted, so nothing after them runs.
    EXPECT_FALSE(sandbox.exists("/tmp/b"));
    EXPECT_FALSE(sandbox.exists("/tmp/c"));
}

TEST_F(QuoridTest, FileCommandsActInsideTheRoot)
{
    EXPECT_EQ(0, quorid_exec("mkdir -p /data/tmp/download", 0));
    EXPECT_EQ(0, quorid_exec("touch /data/tmp/download/x", 0));
    EXPECT_EQ(0, quorid_exec("echo ac3 > /tmp/codec_type.config", 0));
    EXPECT_EQ(0, quorid_exec("echo more >> /tmp/codec_type.config", 0));
    EXPECT_EQ(0, quorid_exec("cp -rf /data/tmp /data/copy", 0));
    EXPECT_EQ(0, quorid_exec("mv /data/copy/download/x /data/moved", 0));
    EXPECT_EQ(0, quorid_exec("chmod 600 /data/moved", 0));
    EXPECT_EQ(0, quorid_exec("rm -rf /data/tmp/*", 0));

    EXPECT_EQ("ac3\nmore\n", sandbox.read("/tmp/codec_type.config"));
    EXPECT_TRUE(sandbox.exists("/data/tmp"));
    EXPECT_FALSE(sandbox.exists("/data/tmp/download"));
    EXPECT_TRUE(sandbox.exists("/data/copy/download"));
    EXPECT_FALSE(sandbox.exists("/data/copy/download/x"));
    struct stat st {};
    ASSERT_EQ(0, stat(sandbox.path("/data/moved").c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 07777);
}

TEST_F(QuoridTest, FailuresOfFileCommandsGiveNonZero)
{
    EXPECT_NE(0, quorid_exec("rm /data/none", 0));
    EXPECT_EQ(0, quorid_exec("rm -f /data/none", 0));
    EXPECT_NE(0, quorid_exec("mv /data/none /data/other", 0));
    EXPECT_NE(0, quorid_exec("cp /data/none /data/other", 0));
    EXPECT_EQ(-1, quorid_exec(nullptr, 0));
}

TEST_F(QuoridTest, ConfiguredStatusByPrefixSkipsTheEffect)
{
    sandbox.setQuoridStatus(-1, "touch /tmp/fail");
    sandbox.setQuoridStatus(3, "reboot");
    EXPECT_EQ(-1, quorid_exec("touch /tmp/fail", 0));
    EXPECT_EQ(3, quorid_exec("reboot now", 0));
    EXPECT_EQ(0, quorid_exec("touch /tmp/ok", 0));
    EXPECT_FALSE(sandbox.exists("/tmp/fail"));
    EXPECT_TRUE(sandbox.exists("/tmp/ok"));
    EXPECT_EQ(3u, sandbox.quoridLog().size());
}

TEST_F(QuoridTest, CannedReportGoesWhereTheLineRedirectsIt)
{
    sandbox.setQuoridReport("wpa_cli", "wpa_state=COMPLETED\n");
    EXPECT_EQ(0, quorid_exec("wpa_cli -iwlan0 status > /tmp/a", 0));
    EXPECT_EQ(0, quorid_exec("wpa_cli -iwlan0 status > tmp/b", 0));  // relative to "/"
    EXPECT_EQ(0, quorid_exec("wpa_cli -iwlan0 status", 0));
    EXPECT_EQ("wpa_state=COMPLETED\n", sandbox.read("/tmp/a"));
    EXPECT_EQ("wpa_state=COMPLETED\n", sandbox.read("/tmp/b"));

    sandbox.setQuoridStatus(255, "wpa_cli");
    EXPECT_EQ(255, quorid_exec("wpa_cli -iwlan0 status > /tmp/c", 0));
    EXPECT_FALSE(sandbox.exists("/tmp/c")) << "a failing command writes no report";
    EXPECT_EQ(4u, sandbox.quoridLog().size());
}

TEST_F(QuoridTest, QuotedWordsStayWhole)
{
    EXPECT_EQ(0, quorid_exec("echo 'a  b' \"c\" > /tmp/q", 0));
    EXPECT_EQ("a  b c\n", sandbox.read("/tmp/q"));
}

TEST_F(QuoridTest, FlashingProgramLinesRunItsStandInWhichRecordsAndAnswers)
{
    sandbox.write("/data/misc/update.zip", "abc");
    sandbox.write("/tmp/update/update.bin", "unit");
    sandbox.write("/sim/quellip.results", "7 'boot.img' 4\n3 boot.img 4\n");
    EXPECT_EQ(0, quorid_exec("quellip /data/misc/update.zip", 0));
    EXPECT_EQ(0, quorid_exec("quellip 'boot.img' 0 4 0", 0));
    EXPECT_EQ(3, quorid_exec("quellip 'boot.img' 4 4 1", 0));
    EXPECT_EQ(0, quorid_exec("quellip reboot-recovery", 0));
    // Lines of the stand-in's log: arguments, file, length, SHA-256.
    EXPECT_EQ(sandbox.read("/sim/quellip.log"), "/data/misc/update.zip\t/data/misc/update.zip\t3\t"
                                                "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\n"
                                                "boot.img 0 4 0\t/tmp/update/update.bin\t4\t"
                                                "385cfdbc00ec32031699460779c15099b2bba3cad0e440fffb08e10df0acb9e1\n"
                                                "boot.img 4 4 1\t/tmp/update/update.bin\t4\t"
                                                "385cfdbc00ec32031699460779c15099b2bba3cad0e440fffb08e10df0acb9e1\n"
                                                "reboot-recovery\t-\t-\t-\n");
}

TEST_F(QuoridTest, AChildReapedBySomeoneElseIsAFailureNotASuccess)
{
    sandbox.write("/sim/quellip.results", "3 boot.img 4\n");
    // With SIGCHLD ignored the kernel reaps every child at once, as the main program's reaper
    // may do before the command's own wait.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGCHLD, &ignore, &previous);
    const int status = quorid_exec("quellip boot.img 4 4 1", 0);
    sigaction(SIGCHLD, &previous, nullptr);
    EXPECT_NE(0, status);
}

TEST(SbRoot, MapsFixedPathsUnderTheRoot)
{
    sbtest::Sandbox box;
    EXPECT_EQ(box.dir() + "/data/misc/app.cfg", sb::path("/data/misc/app.cfg"));
    EXPECT_EQ(box.dir() + "/tmp/wifi_status", sb::path("tmp/wifi_status"));
    EXPECT_NE(-1, sb::ftokKey("/usr/bin/sileth", 1));
    EXPECT_EQ(-1, sb::ftokKey("/usr/bin/none", 1));
    sb::setRoot("/");
    EXPECT_EQ("/dev/ttyS0", sb::path("/dev/ttyS0"));
    sb::setRoot(box.dir() + "/");
    EXPECT_EQ(box.dir() + "/x", sb::path("/x"));
}

TEST(SbRoot, IpcKeysOfRootsAliveAtOnceDifferAndTheBoardKeepsFtok)
{
    sbtest::Sandbox first;
    const std::string firstDir = first.dir();
    sbtest::Sandbox second;
    std::set<key_t> keys;
    for (const std::string& dir : {firstDir, second.dir()}) {
        sb::setRoot(dir);
        for (int id = 1; id <= 4; ++id) {
            const key_t key = sb::ftokKey("/usr/bin/sileth", id);
            EXPECT_EQ(key, sb::rootKey(dir + "/usr/bin/sileth", id));
            EXPECT_NE(key, IPC_PRIVATE);
            EXPECT_TRUE(keys.insert(key).second) << "key " << key << " of " << dir << " id " << id << " taken";
        }
    }
    EXPECT_EQ(-1, sb::rootKey(second.dir() + "/usr/bin/none", 1));
    sb::setRoot("/");
    EXPECT_EQ(ftok("/etc/passwd", 3), sb::ftokKey("/etc/passwd", 3));
    sb::setRoot(second.dir());
}

}  // namespace
