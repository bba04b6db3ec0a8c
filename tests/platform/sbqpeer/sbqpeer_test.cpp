// The queue peer tool against real System V queues of the test's root, and the root skeleton.
#include "platform/sbroot/sb_layout.h"
#include "platform/sbroot/sb_root.h"
#include "tests/support/run_program.h"
#include "tests/support/sandbox.h"

#include <gmock/gmock.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <sys/msg.h>

using sbtest::runProgram;
using sbtest::SandboxTest;
using ::testing::HasSubstr;

namespace {

class QueuePeerTest : public SandboxTest {
protected:
    int queue(const char* keyPath) { return msgget(sb::ftokKey(keyPath, 1), IPC_CREAT | 0666); }
};

template <size_t N>
struct Message {
    long type;
    std::array<uint8_t, N> body;
};

int32_t i32At(const uint8_t* p)
{
    return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

TEST_F(QueuePeerTest, SendsTheAudioInputBodyAtItsOffsets)
{
    const auto run = runProgram("platform/sbqpeer/sbqpeer", {"send", "sileth", "2", "cmd=0", "src_type=1", "drc_mode=8",
                                                             "cec=0x05,0x00,0x72", "cec_len=3", "xupmix=1", "rate=-1"});
    ASSERT_EQ(0, run.status) << run.output;
    Message<68> m{};
    ASSERT_EQ(68, msgrcv(queue("/usr/bin/sileth"), &m, 68, 2, IPC_NOWAIT));
    EXPECT_EQ(0, i32At(&m.body[0]));
    EXPECT_EQ(1, m.body[7]);
    EXPECT_EQ(8, i32At(&m.body[32]));
    EXPECT_EQ(0x05, m.body[9]);
    EXPECT_EQ(0x72, m.body[11]);
    EXPECT_EQ(3, m.body[25]);
    EXPECT_EQ(1, m.body[67]);
    EXPECT_EQ(-1, i32At(&m.body[40]));
}

TEST_F(QueuePeerTest, ReceivesAndPrintsThePlayerAndAudioSettingBodies)
{
    Message<268> player{};
    player.type = 1;
    player.body[0] = 5;
    std::memcpy(&player.body[4], "/mnt/usb/a.wav", 14);
    player.body[260] = 1;
    ASSERT_EQ(0, msgsnd(queue("/usr/bin/velmor"), &player, 268, IPC_NOWAIT));
    auto run = runProgram("platform/sbqpeer/sbqpeer", {"recv", "player", "1"});
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("type=1 cmd=5 url=/mnt/usb/a.wav value=1 position=1\n", run.output);

    run = runProgram("platform/sbqpeer/sbqpeer", {"send", "mervane", "1003", "value=3"});
    ASSERT_EQ(0, run.status) << run.output;
    Message<4> reload{};
    ASSERT_EQ(4, msgrcv(queue("/usr/bin/mervane"), &reload, 4, 0, IPC_NOWAIT));
    EXPECT_EQ(1003, reload.type);
    EXPECT_EQ(3, i32At(reload.body.data()));
}

TEST_F(QueuePeerTest, RefusesWhatDoesNotFitAndSaysWhenNothingCame)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const std::string longUrl = "url=" + std::string(256, 'a');
    for (const Case& c :
         {Case{{"send", "sileth", "2", "bogus=1"}, 2, "no field bogus"},
          Case{{"send", "sileth", "2", "cmd=x"}, 2, "not a number"},
          Case{{"send", "player", "1", longUrl}, 2, "longer than 255"},
          Case{{"send", "sileth", "2", "cec=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17"}, 2, "up to 16"},
          Case{{"send", "nowhere", "2"}, 2, "usage"}, Case{{"recv", "sileth", "1"}, 1, "nothing received"},
          Case{{"recv", "sileth", "1", "--wait", "20"}, 1, "nothing received"}}) {
        const auto run = runProgram("platform/sbqpeer/sbqpeer", c.args);
        EXPECT_EQ(c.status, run.status) << c.args[3 < c.args.size() ? 3 : 1];
        EXPECT_THAT(run.output, HasSubstr(c.says));
    }
}

TEST(RootSkeleton, LaysOutAFreshRootAndProgramsSayWhenOneIsMissing)
{
    sbtest::Sandbox box;
    const std::string bare = box.path("/bare");
    std::filesystem::create_directories(bare);
    EXPECT_EQ("/tmp", sb::missingFromRoot(bare));

    // A program started in a root nobody laid out says how to fix it.
    setenv("SOUNDBAR_ROOT", bare.c_str(), 1);
    auto run = runProgram("platform/sbqpeer/sbqpeer", {"recv", "mervane", "0"});
    EXPECT_THAT(run.output, HasSubstr("sbroot-init " + bare));

    run = runProgram("platform/sbroot/sbroot-init", {bare});
    EXPECT_EQ(0, run.status) << run.output;
    EXPECT_EQ("", sb::missingFromRoot(bare));
    for (const char* file : {"/usr/bin/sileth", "/usr/bin/velmor", "/usr/bin/mervane", "/res/xml/ppc_dolby.xml"}) {
        EXPECT_TRUE(std::filesystem::exists(bare + file)) << file;
    }
    run = runProgram("platform/sbqpeer/sbqpeer", {"recv", "mervane", "0"});
    EXPECT_THAT(run.output, ::testing::Not(HasSubstr("sbroot-init")));
    // The queue keyed in the bare root belongs to this test: remove it.
    sb::setRoot(bare);
    const int q = msgget(sb::ftokKey("/usr/bin/mervane", 1), 0);
    if (q >= 0) {
        msgctl(q, IPC_RMID, nullptr);
    }
    setenv("SOUNDBAR_ROOT", box.dir().c_str(), 1);
    sb::setRoot(box.dir());
}

}  // namespace
