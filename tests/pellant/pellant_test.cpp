// The real pellant program in a sandbox root, driven through the real call tool.
#include "main/audio_client/vesk_ipc.h"
#include "pellant/vesk_ppc_param.h"
#include "pellant/vesk_ppc_tables.h"
#include "tests/pellant/pellant_harness.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace pellanttest;

namespace {

class PellantTest : public sbtest::SandboxTest {
protected:
    void start()
    {
        pellant = startPellant(sandbox);
        ASSERT_TRUE(waitStarted(sandbox)) << sandbox.read(kPellantOut);
    }

    int call(uint32_t id, const std::vector<uint32_t>& words)
    {
        const CallResult r = callWords(id, words);
        EXPECT_EQ(r.exitCode, 0) << r.out;
        return r.exitCode == 0 ? r.value() : -1000;
    }

    std::unique_ptr<Child> pellant;
};

std::vector<std::string> callNames(const std::vector<std::string>& log)
{
    std::vector<std::string> names;
    for (const auto& line : log) {
        names.push_back(line.substr(0, line.find(' ')));
    }
    return names;
}

TEST_F(PellantTest, StartsTheServerInOrderAndAnnouncesReadinessLast)
{
    pellant = startPellant(sandbox);
    ASSERT_TRUE(waitFor([&] { return sandbox.exists("/tmp/vesk_ipc_app_ready"); })) << sandbox.read(kPellantOut);
    // Everything the marker announces is in place when it appears.
    struct stat st {};
    ASSERT_EQ(stat(sandbox.path("/tmp/vesk_ipc_app_server").c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    ASSERT_EQ(stat(sandbox.path("/tmp/fifocmd").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0660u);
    // The marker's own chmod follows its creation, so its line may still be on its way.
    ASSERT_TRUE(waitFor([&] { return sandbox.quoridLog().size() >= 3; })) << sandbox.read(kPellantOut);
    const auto shell = sandbox.quoridLog();
    EXPECT_EQ(shell[0], "chmod 775 /tmp/vesk_ipc_app_server");
    EXPECT_EQ(shell[1], "touch /tmp/vesk_ipc_app_ready");
    EXPECT_EQ(shell[2], "chmod 775 /tmp/vesk_ipc_app_ready");

    ASSERT_TRUE(waitStarted(sandbox));
    const auto state = vesk2State(sandbox);
    for (const char* line : {
             "vesk_create 1",
             "vesk_start 1",
             "vesk_set_device_desc_ext 2 list0=3,4,8,7,5,6,9,10 list1=3,4,7,8,5,6,9,10 format=32 w3=0 name=default "
             "w5=0 w6=0 w7=0",
             "vesk_set_out_buffer_rule 6 6 24 0 0",
             "vesk_set_dsp_out_enable 0",
             "vesk_ppc_set_proc_type 0",
             "vesk_set_out_samplerate_rule 0 48000",
             "vesk_set_src_type 1",
             "vesk_ppc_enable 0 1",
             "vesk_set_out_mix_format 1 0",
             "vesk_ppc_set_dec_spk_conf 63",
             "vesk_ppc_preload 0 0 /res/xml/ppc_dolby.xml",
             "vesk_ppc_preload 1 0 /res/xml/ppc_pcm_multichannel.xml",
             "vesk_ppc_preload 2 0 /res/xml/ppc_pcm_stereo.xml",
             "vesk_ppc_set_cfgfile_path /res/ppc_cfg/brontal",
             "vesk_set_stream_vol_ext 0 0",
             "vesk_set_stream_vol_ext 1 0",
             "vesk_set_stream_vol_ext 2 100000",
         }) {
        EXPECT_TRUE(contains(state, line)) << line;
    }
    const std::vector<std::string> order = {
        "vesk_create",
        "vesk_set_device_desc_ext",
        "vesk_set_out_buffer_rule",
        "vesk_set_dsp_out_enable",
        "vesk_ppc_set_proc_type",
        "vesk_set_out_samplerate_rule",
        "vesk_set_src_type",
        "vesk_ppc_enable",
        "vesk_set_out_mix_format",
        "vesk_ppc_set_dec_spk_conf",
        "vesk_ppc_preload",
        "vesk_ppc_set_cfgfile_path",
        "vesk_start",
        "vesk_set_stream_vol_ext",
        "vesk_set_stream_vol_ext",
        "vesk_set_stream_vol_ext",
    };
    EXPECT_EQ(callNames(vesk2Log(sandbox)), order);
    const auto out = lines(sandbox.read(kPellantOut));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0], "pellant dbg ");

    const int status = pellant->stop();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_NE(sandbox.read(kPellantOut).find("Termination signal"), std::string::npos);
}

TEST_F(PellantTest, KeepsAnExistingCommandFifo)
{
    ASSERT_EQ(mkfifo(sandbox.path("/tmp/fifocmd").c_str(), 0600), 0);
    start();
    struct stat st {};
    ASSERT_EQ(stat(sandbox.path("/tmp/fifocmd").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(sandbox.read(kPellantOut).find("mkfifo fail"), std::string::npos);
}

TEST_F(PellantTest, StreamVolumesAreGatesAndMasterVolumeFollowsTheTable)
{
    start();
    EXPECT_EQ(call(0, {1, 100}), 0);
    EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_set_stream_vol_ext 1 100000"));
    EXPECT_EQ(call(0, {1, 0}), 0);
    EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_set_stream_vol_ext 1 0"));
    EXPECT_EQ(call(0, {1, 1}), 0);
    EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_set_stream_vol_ext 1 100000"));
    EXPECT_EQ(call(1, {40, 0}), 0);
    EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_set_master_vol_ext 10000"));

    const size_t before = vesk2Log(sandbox).size();
    EXPECT_EQ(call(1, {101, 0}), -1);
    EXPECT_EQ(vesk2Log(sandbox).size(), before);
    EXPECT_NE(sandbox.read(kPellantOut).find("vol_idx=101 error!"), std::string::npos);
}

// The published gains where the table changes its step: silence to the first step, the irregular
// run below -20 dB (entry 29 is 5039, not the 5309 its neighbours suggest), the 0.5 dB run from 40
// to 70, the pairs and then triples of repeated values above it, and the unity entries at the top.
TEST_F(PellantTest, MasterVolumeGainsAreThePublishedOnesWhereTheTableChangesStep)
{
    struct Case {
        uint32_t index;
        uint32_t gain;
    };
    const Case cases[] = {{0, 0},      {1, 40},     {28, 5012},  {29, 5039},  {30, 5623},   {39, 9441},   {40, 10000},
                          {41, 10593}, {69, 53088}, {70, 56234}, {71, 56234}, {72, 59566},  {77, 66834},  {78, 70795},
                          {79, 70795}, {80, 70795}, {81, 74989}, {95, 94406}, {96, 100000}, {100, 100000}};
    start();
    for (const Case& c : cases) {
        EXPECT_EQ(call(1, {c.index, 0}), 0) << c.index;
        EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_set_master_vol_ext " + std::to_string(c.gain)))
            << "index " << c.index;
    }
}

TEST_F(PellantTest, RefusesUnservedIdsAndShortRecordsWithoutCallingTheServer)
{
    start();
    const size_t before = vesk2Log(sandbox).size();
    for (uint32_t id : {9u, 10u, 11u, 12u, 13u, 14u, 15u, 39u, 1000u}) {
        EXPECT_EQ(call(id, {1, 1}), -1) << id;
    }
    const std::string out = sandbox.read(kPellantOut);
    EXPECT_NE(out.find("unknown function id:9"), std::string::npos);
    EXPECT_NE(out.find("unknown function id:15"), std::string::npos);
    EXPECT_NE(out.find("func_id=39, Param error!"), std::string::npos);

    struct ShortRecord {
        uint32_t id;
        size_t bytes;
    };
    for (const ShortRecord& r :
         {ShortRecord{0, 4}, ShortRecord{2, 31}, ShortRecord{3, 100}, ShortRecord{5, 12}, ShortRecord{7, 28},
          ShortRecord{18, 4}, ShortRecord{19, 39}, ShortRecord{27, 48}, ShortRecord{0, 0}, ShortRecord{23, 0}}) {
        const CallResult result = r.bytes == 0 ? callWords(r.id, {}) : callHex(r.id, std::string(r.bytes * 2, '0'));
        ASSERT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.value(), -1) << "id " << r.id << " with " << r.bytes << " bytes";
    }
    EXPECT_EQ(vesk2Log(sandbox).size(), before);
}

TEST_F(PellantTest, SoundModesSelectPagesAndRunTheDolbyCommand)
{
    start();
    size_t from = vesk2Log(sandbox).size();
    EXPECT_EQ(call(29, {0, 0}), 0);  // format mode 0, EQ 0, upmix off: page 21
    EXPECT_EQ(call(37, {1, 0}), 0);  // upmix on: page 14
    EXPECT_EQ(call(18, {7, 0}), 0);  // custom EQ: page 20
    EXPECT_EQ(call(29, {1, 0}), 0);  // two-channel: page 34
    EXPECT_EQ(call(29, {2, 0}), 0);  // Dolby: page 6, profile music
    EXPECT_EQ(call(29, {3, 0}), 0);  // Dolby Atmos: same command, not run again
    EXPECT_EQ(call(16, {0, 0}), 0);  // bypass
    EXPECT_EQ(call(25, {1, 0}), 0);  // 1/8 power
    EXPECT_EQ(call(25, {0, 0}), 0);  // no call
    EXPECT_EQ(modesSet(vesk2Log(sandbox), from), (std::vector<uint32_t>{22, 15, 21, 35, 7, 7, 43, 30}));

    const auto shell = sandbox.quoridLog();
    ASSERT_EQ(shell.size(), 5u);
    EXPECT_EQ(shell[3], "mervane -w dolby -speakers lr:c:lrs:lrrs:lfe -config file=/res/xml/ppc_dolby.xml"
                        ":endpoint=internal_speaker:virt-enable -drc drc-mode=disable -profile music");
    EXPECT_EQ(shell[4], "mervane -u dolby");
}

TEST_F(PellantTest, LevelsWriteTheCurrentPagesBlocks)
{
    start();
    EXPECT_EQ(call(29, {0, 0}), 0);  // page 21
    size_t from = vesk2Log(sandbox).size();
    EXPECT_EQ(call(20, {12, 0}), 0);
    const VeskPpcBlock bass = veskPpcBlockTemplate(VESK_PPC_SLOT_BASS);
    std::vector<ParamWrite> expected;
    for (size_t j = 0; j < 5; ++j) {
        const size_t word = 36 + (15 * 10 + j) * 12;
        const size_t at = VESK_PPC_PAYLOAD_OFFSET + word * 4;
        const uint32_t param = bass[at] | bass[at + 1] << 8 | bass[at + 2] << 16 | bass[at + 3] << 24;
        const auto& c = veskPpcToneCoef(VeskPpcTone::Bass, 12, j);
        expected.push_back({veskPpcToneElement(VeskPpcTone::Bass, 21), param, 5, le64({c.begin(), c.end()})});
    }
    EXPECT_EQ(paramWrites(vesk2Log(sandbox), from), expected);

    from = vesk2Log(sandbox).size();
    EXPECT_EQ(call(20, {13, 0}), -1);
    EXPECT_EQ(call(35, {7, 0}), -1);
    EXPECT_EQ(vesk2Log(sandbox).size(), from);

    EXPECT_EQ(call(35, {3, 0}), 0);
    // Surround level 0 (the start value) silences channels 3, 4, 6 and 7; height 3 is unity.
    std::vector<int64_t> gains(16, VESK_PPC_UNITY_GAIN);
    for (size_t ch : {3, 4, 6, 7}) {
        gains[ch] = 0;
    }
    const std::vector<ParamWrite> channel = {{0x50001 + 2 * 21, 0x51000, 16, le64(gains)}};
    EXPECT_EQ(paramWrites(vesk2Log(sandbox), from), channel);
}

TEST_F(PellantTest, InjectedLibraryFailuresReachTheCaller)
{
    start();
    sandbox.write("/sim/vesk2.fail", "vesk_ppc_set_mode -5\n");
    EXPECT_EQ(call(16, {1, 0}), -5);
    sandbox.write("/sim/vesk2.fail", "");
    EXPECT_EQ(call(16, {1, 0}), 0);
}

TEST_F(PellantTest, WithoutTheAudioServerCallsAreRefusedButStartUpCompletes)
{
    sandbox.write("/sim/vesk2.fail", "vesk_create\n");
    pellant = startPellant(sandbox);
    ASSERT_TRUE(waitFor([&] { return sandbox.read(kPellantOut).find("tone_vol=17!") != std::string::npos; }));
    EXPECT_TRUE(sandbox.exists("/tmp/vesk_ipc_app_ready"));
    EXPECT_NE(sandbox.read(kPellantOut).find("create vesk fail:-1"), std::string::npos);
    EXPECT_EQ(call(0, {1, 100}), -1);
    EXPECT_EQ(call(20, {3, 0}), -1);
    EXPECT_EQ(call(28, {0, 0}), -1);
    EXPECT_EQ(call(23, {0, 0}), 0);  // latency answers without the server
}

// corvand's client end to end; the client connects once per process, so only this test uses it.
TEST_F(PellantTest, CorvandsClientDrivesTheServer)
{
    start();
    ASSERT_TRUE(sandbox.exists("/tmp/vesk_ipc_app_ready"));
    ASSERT_EQ(vesk_ipc_create(), 0);
    const size_t from = vesk2Log(sandbox).size();
    EXPECT_EQ(vesk_set_stream_vol_ipc(0, 30), 0);
    const VeskAcousticsParam acoustics{0, 6, 6, 6, 1, 6, 1, 0, 0, 6, 6, 3, 1};
    EXPECT_EQ(vesk_set_acoustics_param_ipc(&acoustics), 0);  // EQ 1 with upmix: page 15
    EXPECT_EQ(vesk_ppc_set_mode_ipc(3), -1);
    EXPECT_EQ(vesk_set_out_mix_format_ipc(1, 2, 3), -1);
    EXPECT_EQ(vesk_set_master_vol_ipc(101), -1);
    const auto log = vesk2Log(sandbox);
    EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_set_stream_vol_ext 0 100000"));
    EXPECT_EQ(modesSet(log, from), std::vector<uint32_t>{16});
}

}  // namespace
