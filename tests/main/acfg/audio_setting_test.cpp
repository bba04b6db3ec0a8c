// The audio-setting application: its parameter file turned into remote calls that reach a real
// pellant, and the reload message of mervane's queue inside the real corvand.
#include "main/acfg/audio_setting.h"

#include "main/audio_client/vesk_ipc.h"
#include "pellant/vesk_ipc_server.h"
#include "platform/sbroot/sb_root.h"
#include "tests/main/program_runner.h"
#include "tests/pellant/pellant_harness.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <sys/ipc.h>
#include <sys/msg.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kParam = "/data/mervane/vesk-param.conf";

std::string lines(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& w : words) {
        text += w + "\n";
    }
    return text;
}

// The audio-server calls logged since `from`, without their results.
std::vector<std::string> callsSince(const sbtest::Sandbox& sandbox, size_t from)
{
    const std::vector<std::string> log = pellanttest::vesk2Log(sandbox);
    std::vector<std::string> calls;
    for (size_t i = from; i < log.size(); ++i) {
        calls.push_back(log[i].substr(0, log[i].rfind(" -> ")));
    }
    return calls;
}

std::string master(uint32_t index)
{
    return "vesk_set_master_vol_ext " + std::to_string(vol_table[index]);
}

std::string stream(uint32_t stream, bool audible)
{
    return "vesk_set_stream_vol_ext " + std::to_string(stream) + " " + std::to_string(vol_table[audible ? 100 : 0]);
}

TEST(AudioSettingFile, WordsAreLinesAndTheLastIsDropped)
{
    sbtest::Sandbox sandbox;
    MervaneParam record{};
    record.i4Argc = 5;
    EXPECT_EQ(vGetParamString(&record, kParam), -1) << "no file";
    EXPECT_EQ(record.i4Argc, 0);

    sandbox.write(kParam, "");
    EXPECT_EQ(vGetParamString(&record, kParam), -1);
    sandbox.write(kParam, "only\n");
    EXPECT_EQ(vGetParamString(&record, kParam), -1) << "its one word is the dropped one";
    EXPECT_EQ(record.i4Argc, 0);

    sandbox.write(kParam, lines({"-v", "40", "-w", "0", "80", "x"}));
    ASSERT_EQ(vGetParamString(&record, kParam), 0);
    ASSERT_EQ(record.i4Argc, 5);
    EXPECT_STREQ(record.acArgv[4], "80");
    EXPECT_STREQ(record.acArgv[5], "");

    // More lines than words: the first 32 are read; a line longer than a word is cut and its
    // rest is not read as words of its own.
    std::vector<std::string> many(40, "w");
    many[1] = std::string(150, 'a');
    sandbox.write(kParam, lines(many));
    ASSERT_EQ(vGetParamString(&record, kParam), 0);
    EXPECT_EQ(record.i4Argc, 31);
    EXPECT_EQ(std::string(record.acArgv[1]), std::string(98, 'a'));
    EXPECT_STREQ(record.acArgv[2], "w");

    // A NUL byte inside a line ends its text, not the line: the next line is still a word.
    sandbox.write(kParam, std::string("a\0b\n", 4) + lines({"c", "d", "x"}));
    ASSERT_EQ(vGetParamString(&record, kParam), 0);
    ASSERT_EQ(record.i4Argc, 3);
    EXPECT_STREQ(record.acArgv[1], "c");
    EXPECT_STREQ(record.acArgv[2], "d");
}

TEST(AudioSettingFile, CallsWithoutAConnectedClientFail)
{
    // An earlier case of this process may have connected the client.
    vesk_ipc_destory();
    MervaneParam record{};
    record.i4Argc = 3;
    strcpy(record.acArgv[0], "-v");
    strcpy(record.acArgv[1], "40");
    strcpy(record.acArgv[2], "-s");
    EXPECT_EQ(veskSetting(&record), VESK_IPC_ERR_NOT_CONNECTED);
}

class AudioSettingCalls : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        pellant_ = pellanttest::startPellant(sandbox);
        ASSERT_TRUE(pellanttest::waitStarted(sandbox)) << sandbox.read(pellanttest::kPellantOut);
        ASSERT_EQ(vesk_ipc_create(), 0);
    }

    // The server ends with this case; no later case finds the client connected to it.
    void TearDown() override { vesk_ipc_destory(); }

    // Applies the file of these lines; the calls that reached the audio server.
    std::vector<std::string> apply(const std::vector<std::string>& words)
    {
        sandbox.write(kParam, lines(words));
        MervaneParam record{};
        vGetParamString(&record, kParam);
        const size_t from = pellanttest::vesk2Log(sandbox).size();
        EXPECT_EQ(veskSetting(&record), 0);
        return callsSince(sandbox, from);
    }

private:
    std::unique_ptr<pellanttest::Child> pellant_;
};

TEST_F(AudioSettingCalls, OptionsBecomeTheirRemoteCalls)
{
    struct Case {
        std::vector<std::string> words;
        std::vector<std::string> calls;
    };
    const std::string rule48k = "vesk_set_out_samplerate_rule 0 48000";
    const std::string desc = "vesk_set_device_desc_ext 2 list0=";
    const std::string descTail = " format=32 w3=0 name=(null) w5=0 w6=0 w7=0";
    const Case cases[] = {
        {{"-v", "40", "-w", "0", "80", "x"}, {master(40), stream(0, true)}},
        {{"-v", "40", "-w", "0", "80"}, {master(40), stream(0, false)}},  // "80" is the dropped word
        {{"-s", "1", "44100", "x"}, {"vesk_set_out_samplerate_rule 1 44100"}},
        {{"-c", "speaker", "32", "48000", "2", "0", "1", "x"}, {rule48k, desc + "0,1 list1=0,1" + descTail}},
        // A count beyond the words present, or above the list's 24, is cut to what there is.
        {{"-c", "speaker", "32", "48000", "30", "0", "1", "2", "x"}, {rule48k, desc + "0,1,2 list1=0,1,2" + descTail}},
        {{"xx-vx", "7", "ignored", "x"}, {master(7)}},  // an option anywhere in the word
        {{"-x", "-w", "x"}, {stream(0, false)}},        // missing words read as 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(lines(c.words));
        EXPECT_EQ(apply(c.words), c.calls);
    }

    std::vector<std::string> longList = {"-c", "speaker", "32", "48000", "30"};
    for (int i = 0; i < 26; ++i) {
        longList.push_back(std::to_string(i));
    }
    longList.push_back("x");
    std::string first24;
    for (int i = 0; i < 24; ++i) {
        first24 += (i ? "," : "") + std::to_string(i);
    }
    EXPECT_EQ(apply(longList), (std::vector<std::string>{rule48k, desc + first24 + " list1=" + first24 + descTail}));
}

// Posts one message on mervane's queue: `size` body bytes, the value in the first four.
void post(int queue, long type, int32_t value, size_t size = 4)
{
    struct {
        long mtype;
        char body[64];
    } msg{};
    msg.mtype = type;
    memcpy(msg.body, &value, sizeof(value));
    ASSERT_EQ(msgsnd(queue, &msg, size, IPC_NOWAIT), 0) << strerror(errno);
}

TEST(AudioSettingCorvand, ReloadMessageAppliesTheFileAndOtherMessagesAreDropped)
{
    sbtest::Sandbox sandbox;
    sandbox.write(kParam, lines({"-v", "40", "-w", "0", "80", "x"}));
    const auto pellant = pellanttest::startPellant(sandbox);
    ASSERT_TRUE(pellanttest::waitStarted(sandbox)) << sandbox.read(pellanttest::kPellantOut);
    sbtest::ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(corvand.waitFor("<AUDIO_SETTING>veskSetting done")) << corvand.output();
    // Printed once the client is connected, on the way to the GUI's idle event.
    ASSERT_TRUE(corvand.waitFor("get ps_name : gui_namager")) << corvand.output();

    const int queue = msgget(sb::ftokKey("/usr/bin/mervane", 1), 0);
    ASSERT_GE(queue, 0) << "the application made the queue";
    const size_t from = pellanttest::vesk2Log(sandbox).size();
    post(queue, MERVANE_RELOAD_MTYPE, 2);      // taken, nothing applied
    post(queue, MERVANE_RELOAD_MTYPE, 3, 16);  // too long: dropped, not applied
    post(queue, MERVANE_RELOAD_MTYPE, 3);
    post(queue, 7, 0, 8);  // its drop line shows that every message before it was handled
    ASSERT_TRUE(corvand.waitFor("drop message type 7 of 8 bytes")) << corvand.output();
    EXPECT_EQ(callsSince(sandbox, from), (std::vector<std::string>{master(40), stream(0, true)}));
    const std::vector<std::string> state = pellanttest::vesk2State(sandbox);
    EXPECT_TRUE(pellanttest::contains(state, master(40))) << sandbox.read("/sim/vesk2.state");
    EXPECT_TRUE(pellanttest::contains(state, stream(0, true))) << sandbox.read("/sim/vesk2.state");
    EXPECT_NE(corvand.output().find("drop message type 1003 of 16 bytes"), std::string::npos) << corvand.output();
    corvand.signal(SIGTERM);
    corvand.wait();
}

}  // namespace
