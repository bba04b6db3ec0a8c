// The page model, the parameter writers and the remote-call dispatch inside one process, with
// the audio-server stand-in writing to a sandbox root.
#include "pellant/vesk_app.h"
#include "pellant/vesk_ipc_server.h"
#include "pellant/vesk_ppc_page.h"
#include "pellant/vesk_ppc_param.h"
#include "pellant/vesk_ppc_tables.h"
#include "tests/pellant/pellant_harness.h"

#include <gtest/gtest.h>

using namespace pellanttest;

namespace {

class PageModelTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(vesk_init(), 0);
        veskPpcPageInit();
    }

    int call(uint32_t id, const std::vector<uint32_t>& words)
    {
        std::vector<uint8_t> bytes;
        for (uint32_t w : words) {
            for (int i = 0; i < 4; ++i) {
                bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
            }
        }
        return vesk_ipc_app_callback(id, bytes.data(), static_cast<uint32_t>(bytes.size()), 0, 0);
    }

    size_t logSize() { return vesk2Log(sandbox).size(); }
    std::vector<ParamWrite> writesSince(size_t from) { return paramWrites(vesk2Log(sandbox), from); }
    std::vector<uint32_t> modesSince(size_t from) { return modesSet(vesk2Log(sandbox), from); }
};

uint32_t u32At(const VeskPpcBlock& b, size_t payloadByte)
{
    const size_t o = VESK_PPC_PAYLOAD_OFFSET + payloadByte;
    return b[o] | b[o + 1] << 8 | b[o + 2] << 16 | static_cast<uint32_t>(b[o + 3]) << 24;
}

int64_t u64At(const VeskPpcBlock& b, size_t payloadByte)
{
    return static_cast<int64_t>(u32At(b, payloadByte) | static_cast<uint64_t>(u32At(b, payloadByte + 4)) << 32);
}

// The coefficients of a type 2 block's entry.
std::vector<int64_t> entryCoefs(const VeskPpcBlock& b, size_t row, size_t entry)
{
    const size_t word = 36 + (row * 10 + entry) * 12;
    std::vector<int64_t> c;
    for (size_t k = 0; k < 5; ++k) {
        c.push_back(u64At(b, (word + 2 + 2 * k) * 4));
    }
    return c;
}

std::vector<int64_t> coefs(VeskPpcTone tone, uint8_t level, size_t entry)
{
    const auto& c = veskPpcToneCoef(tone, level, entry);
    return {c.begin(), c.end()};
}

TEST(PageNumberTest, FollowsEqModeUpmixAndFormat)
{
    struct Case {
        uint8_t eq, upmix;
        uint32_t format, page;
    };
    const Case cases[] = {
        {0, 0, 0, 21}, {0, 1, 0, 14}, {6, 1, 0, 20}, {7, 1, 0, 20}, {7, 0, 0, 27},  {3, 0, 0, 24},
        {0, 1, 1, 28}, {1, 1, 1, 29}, {2, 1, 1, 30}, {3, 1, 1, 33}, {4, 1, 1, 32},  {5, 1, 1, 31},
        {6, 1, 1, 34}, {7, 1, 1, 34}, {5, 0, 1, 38}, {7, 0, 1, 41}, {0, 1, 2, 0},   {4, 0, 3, 11},
        {7, 1, 2, 6},  {7, 0, 3, 13}, {3, 1, 4, 0},  {0, 0, 99, 0}, {20, 0, 0, 41}, {8, 1, 1, 36},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(veskPpcPageFor(c.eq, c.upmix, c.format), c.page)
            << "eq " << int{c.eq} << " upmix " << int{c.upmix} << " format " << c.format;
    }
}

TEST_F(PageModelTest, PageStepsSelectModePagePlusOne)
{
    EXPECT_EQ(veskPpcPageIdxGet(), VESK_PPC_START_PAGE);
    size_t from = logSize();
    EXPECT_EQ(call(17, {1, 0}), 0);  // surround on changes nothing of the choice: page 21
    EXPECT_EQ(call(29, {4, 0}), 0);  // format 4 and above: page 0
    EXPECT_EQ(call(29, {1, 0}), 0);
    EXPECT_EQ(call(18, {5, 0}), 0);  // EQ 5, upmix off, two-channel: page 38
    EXPECT_EQ(call(26, {1, 0}), 0);  // the virtualiser does not choose pages either
    EXPECT_EQ(modesSince(from), (std::vector<uint32_t>{22, 1, 36, 39, 39}));
    EXPECT_EQ(veskPpcPageIdxGet(), 38u);

    // An EQ mode beyond the table keeps the current page.
    EXPECT_EQ(call(18, {20, 0}), 0);
    EXPECT_EQ(veskPpcPageIdxGet(), 38u);
}

TEST_F(PageModelTest, EqModeReappliesGainsOnlyWhenTheLowHalfOfSkipIsZero)
{
    size_t from = logSize();
    EXPECT_EQ(call(18, {1, 1}), 0);
    EXPECT_TRUE(writesSince(from).empty());
    EXPECT_EQ(modesSince(from), std::vector<uint32_t>{23});

    from = logSize();
    EXPECT_EQ(call(18, {2, 0x10000}), 0);
    // Bass (row 15) and treble and centre (seven rows each), five entries a row, then the two
    // channel-gain writes.
    EXPECT_EQ(writesSince(from).size(), 5u + 35u + 35u + 2u);
}

TEST_F(PageModelTest, DolbyCommandRunsOncePerProfileAndUpmix)
{
    EXPECT_EQ(call(29, {2, 0}), 0);
    EXPECT_EQ(call(18, {1, 0}), 0);
    EXPECT_EQ(call(18, {1, 0}), 0);
    EXPECT_EQ(call(37, {1, 0}), 0);
    const auto shell = sandbox.quoridLog();
    const std::string prefix = "mervane -w dolby -speakers lr:c:lrs:lrrs:lfe -config "
                               "file=/res/xml/ppc_dolby.xml:endpoint=internal_speaker";
    const std::vector<std::string> expected = {
        prefix + "  -drc drc-mode=disable -profile music",
        "mervane -u dolby",
        prefix + "  -drc drc-mode=disable -profile movie",
        "mervane -u dolby",
        prefix + ":virt-enable -drc drc-mode=disable -profile movie",
        "mervane -u dolby",
    };
    EXPECT_EQ(shell, expected);
    EXPECT_EQ(veskPpcPageIdxGet(), 1u);

    const char* names[] = {"music", "movie", "game", "voice", "dynamic", "night", "music", "music"};
    for (uint8_t p = 0; p < 8; ++p) {
        const std::string line = veskPpcDolbyCommand(p, 0);
        EXPECT_EQ(line.substr(line.rfind(' ') + 1), names[p]);
        EXPECT_LT(line.size(), 250u);
    }
}

TEST_F(PageModelTest, LevelsAreCheckedStoredAndReapplied)
{
    struct Case {
        uint32_t id, level;
        int result;
    };
    const Case cases[] = {
        {20, 12, 0},  {20, 13, -1}, {21, 12, 0},  {21, 255, -1},      {24, 12, 0},
        {24, 13, -1}, {32, 0, 0},   {32, 13, -1}, {33, 12, 0},        {33, 13, -1},
        {34, 13, -1}, {35, 6, 0},   {35, 7, -1},  {20, 0x100 + 3, 0},  // only the low byte counts
    };
    for (const Case& c : cases) {
        const size_t from = logSize();
        EXPECT_EQ(call(c.id, {c.level, 0}), c.result) << "id " << c.id << " level " << c.level;
        if (c.result != 0) {
            EXPECT_EQ(logSize(), from) << "id " << c.id << " level " << c.level;
        }
    }
    // Bass 3 was the last accepted; a refused 13 left it stored, and a page step re-applies it.
    EXPECT_EQ(call(20, {13, 0}), -1);
    EXPECT_EQ(call(29, {0, 0}), 0);
    const auto bass = veskPpcBlockGet(21, VESK_PPC_SLOT_BASS);
    ASSERT_TRUE(bass);
    for (size_t j = 0; j < 5; ++j) {
        EXPECT_EQ(entryCoefs(*bass, 15, j), coefs(VeskPpcTone::Bass, 3, j));
    }
    // EQ modes 6 and 7 flatten the bass.
    EXPECT_EQ(call(18, {7, 0}), 0);
    const auto flat = veskPpcBlockGet(27, VESK_PPC_SLOT_BASS);
    EXPECT_EQ(entryCoefs(*flat, 15, 0), coefs(VeskPpcTone::Bass, 6, 0));
}

TEST_F(PageModelTest, BlocksBelongToTheirPage)
{
    EXPECT_EQ(call(29, {0, 0}), 0);  // page 21
    EXPECT_EQ(call(20, {12, 0}), 0);
    const auto bass21 = veskPpcBlockGet(21, VESK_PPC_SLOT_BASS);
    ASSERT_TRUE(bass21);
    EXPECT_EQ(u32At(*bass21, 0), veskPpcToneElement(VeskPpcTone::Bass, 21));
    EXPECT_EQ(u32At(*bass21, 7824) & 0xffff, 0x8000u);
    // Only row 15 changed: row 14 keeps the template's flat filter.
    EXPECT_EQ(entryCoefs(*bass21, 14, 0), coefs(VeskPpcTone::Bass, 6, 0));
    EXPECT_EQ(entryCoefs(*bass21, 15, 4), coefs(VeskPpcTone::Bass, 12, 4));
    // Entries outside the entry mask keep the template.
    EXPECT_EQ(entryCoefs(*bass21, 15, 5), coefs(VeskPpcTone::Bass, 6, 5));

    // Away and back without re-applying: page 21 still holds its coefficients.
    EXPECT_EQ(call(18, {1, 1}), 0);
    EXPECT_EQ(call(18, {0, 1}), 0);
    EXPECT_EQ(veskPpcBlockGet(21, VESK_PPC_SLOT_BASS), bass21);

    // A treble change on page 20 leaves page 27's treble block alone.
    const auto treble27 = veskPpcBlockGet(27, VESK_PPC_SLOT_TREBLE);
    EXPECT_EQ(call(18, {7, 1}), 0);
    EXPECT_EQ(call(37, {1, 0}), 0);
    ASSERT_EQ(veskPpcPageIdxGet(), 20u);
    EXPECT_EQ(call(21, {9, 0}), 0);
    EXPECT_EQ(veskPpcBlockGet(27, VESK_PPC_SLOT_TREBLE), treble27);
    const auto treble20 = veskPpcBlockGet(20, VESK_PPC_SLOT_TREBLE);
    for (size_t row : {0, 1, 2, 3, 4, 6, 7}) {
        EXPECT_EQ(entryCoefs(*treble20, row, 2), coefs(VeskPpcTone::Treble, 9, 2)) << row;
    }
    EXPECT_EQ(entryCoefs(*treble20, 5, 2), coefs(VeskPpcTone::Treble, 6, 2));
}

TEST_F(PageModelTest, ChannelGainsFollowSurroundAndHeight)
{
    EXPECT_EQ(call(29, {0, 0}), 0);  // page 21
    size_t from = logSize();
    EXPECT_EQ(call(24, {12, 0}), 0);
    std::vector<int64_t> gains(16, VESK_PPC_UNITY_GAIN);
    for (size_t ch : {3, 4, 6, 7}) {
        gains[ch] = kVeskPpcSurroundGain[12];
    }
    gains[8] = gains[9] = kVeskPpcHeightGain[0];
    const ParamWrite surround{0x50001 + 2 * 21, 0x51000, 16, le64(gains)};
    EXPECT_EQ(writesSince(from), std::vector<ParamWrite>{surround});

    from = logSize();
    EXPECT_EQ(call(35, {3, 0}), 0);
    gains[8] = gains[9] = VESK_PPC_UNITY_GAIN;
    EXPECT_EQ(writesSince(from), (std::vector<ParamWrite>{{0x50001 + 2 * 21, 0x51000, 16, le64(gains)}}));

    // Surround left and right resend the block unchanged.
    from = logSize();
    EXPECT_EQ(call(33, {5, 0}), 0);
    EXPECT_EQ(call(34, {5, 0}), 0);
    const ParamWrite same{0x50001 + 2 * 21, 0x51000, 16, le64(gains)};
    EXPECT_EQ(writesSince(from), (std::vector<ParamWrite>{same, same}));
}

TEST_F(PageModelTest, UserEqWritesOnlyOnTheUserEqPages)
{
    auto points = [](std::vector<std::pair<uint16_t, int16_t>> list) {
        std::vector<uint32_t> words;
        for (auto [f, g] : list) {
            words.push_back(f | static_cast<uint32_t>(static_cast<uint16_t>(g)) << 16);
        }
        words.resize(10, 0);
        return words;
    };
    const auto curve = points(
        {{31, 0}, {62, 0}, {125, 0}, {250, 0}, {500, 0}, {1000, 35}, {2000, 0}, {4000, 70}, {0, -60}, {16000, -65}});
    EXPECT_EQ(call(29, {0, 0}), 0);  // page 21: no user EQ
    size_t from = logSize();
    EXPECT_EQ(call(19, curve), 0);
    EXPECT_TRUE(writesSince(from).empty());

    EXPECT_EQ(call(18, {7, 1}), 0);  // page 27
    from = logSize();
    EXPECT_EQ(call(19, curve), 0);
    const auto writes = writesSince(from);
    ASSERT_EQ(writes.size(), 1u + 8u * 12u);
    EXPECT_EQ(writes[0], (ParamWrite{0x70000 + 27, 0x7B000, 1, le64({0})}));
    EXPECT_EQ(writes[1],
              (ParamWrite{0x70000 + 27, 0x7A000, 16, le64({10, 10, 10, 10, 10, 5, 10, 10, 0, 0, 0, 0, 0, 0, 0, 0})}));
    // Set k of 0x71001 (the second parameter) is 0x70001 + 16k; bands: 1000 Hz at +3 dB (35 tenths),
    // 16000 Hz at -6 dB (-65 tenths); 4000 Hz at +7 dB has no row; frequency 0 is skipped.
    for (uint32_t k = 0; k < 9; ++k) {
        const ParamWrite& w = writes[1 + 12 + 1 + k];
        EXPECT_EQ(w.param, 0x70001 + 16 * k);
        ASSERT_EQ(w.count, 50u);
        std::vector<int64_t> expect(50, 0);
        for (size_t b : {0, 1, 2, 3, 4, 6}) {
            const auto& c = veskPpcEqCoefRow(kVeskPpcEqBands[b], 0)->sets[k];
            std::copy(c.begin(), c.end(), expect.begin() + static_cast<long>(b * 5));
        }
        const auto& c1k = veskPpcEqCoefRow(1000, 3)->sets[k];
        std::copy(c1k.begin(), c1k.end(), expect.begin() + 25);
        const auto& c16k = veskPpcEqCoefRow(16000, -6)->sets[k];
        std::copy(c16k.begin(), c16k.end(), expect.begin() + 45);
        EXPECT_EQ(w.data, le64(expect)) << "set " << k;
    }
    const ParamWrite& last = writes.back();
    EXPECT_EQ(last.param, 0x7100Fu);
    EXPECT_EQ(last.count, 64u);
    std::array<VeskEqPoint, 10> decoded{};
    for (size_t i = 0; i < 10; ++i) {
        decoded[i] = {static_cast<uint16_t>(curve[i] & 0xffff), static_cast<int16_t>(curve[i] >> 16)};
    }
    const auto set = veskPpcUserEqSet(decoded);
    EXPECT_EQ(last.data, le64({set.begin(), set.end()}));
    EXPECT_EQ(set[4 + 6 * 5 + 2], 3 * 65536);
    EXPECT_EQ(set[4 + 6 * 9 + 2], -6 * 65536);
}

TEST_F(PageModelTest, DescriptionsAreBuiltFromChannelMasks)
{
    EXPECT_EQ(call(7, {2, 32, 1, 2, 3, 4, 6, 0x3C}), 0);
    EXPECT_TRUE(contains(vesk2State(sandbox),
                         "vesk_set_device_desc_ext 2 list0=2,3,4,5,5,5 list1=2,3,4,5,5,5 format=32 w3=1 "
                         "name=(null) w5=2 w6=3 w7=4"));
    EXPECT_EQ(call(2, {8, 16, 0, 0, 0, 0, 0xFFFFFFFF, 0x3}), 0);  // a negative count: empty lists
    EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_set_device_connection_ext 8 list0= list1= format=16 w3=0 "
                                              "name=(null) w5=0 w6=0 w7=0"));
    const size_t from = logSize();
    EXPECT_EQ(call(7, {2, 32, 0, 0, 0, 0, 25, 0xFFFFFFFF}), -1);
    EXPECT_EQ(logSize(), from);

    VeskStereoDescIpcArg stereo{};
    stereo.desc[2] = 16;
    stereo.desc[0] = stereo.desc[1] = stereo.desc[4] = 0xDEADBEEF;  // addresses in the library's record: ignored
    stereo.list[0] = {2, {0, 1}};
    stereo.list[1] = {2, {1, 0}};
    const auto bytes = veskIpcEncode(stereo);
    EXPECT_EQ(vesk_ipc_app_callback(3, bytes.data(), bytes.size(), 0, 0), 0);
    EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_set_device_connection_ext 64 list0=0,1 list1=1,0 format=16 "
                                              "w3=0 name=(null) w5=0 w6=0 w7=0"));
    stereo.list[1].num = 25;
    const auto bad = veskIpcEncode(stereo);
    EXPECT_EQ(vesk_ipc_app_callback(3, bad.data(), bad.size(), 0, 0), -1);

    EXPECT_EQ(call(4, {8, 0}), 0);
    EXPECT_FALSE(contains(vesk2State(sandbox), "vesk_set_device_connection_ext 8 list0= list1= format=16 w3=0 "
                                               "name=(null) w5=0 w6=0 w7=0"));
}

TEST_F(PageModelTest, BufferRuleTakesAnOptionalFifthWord)
{
    EXPECT_EQ(call(5, {6, 4, 12, 1}), 0);
    EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_set_out_buffer_rule 6 4 12 1 0"));
    EXPECT_EQ(call(5, {6, 4, 12, 1, 9}), 0);
    EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_set_out_buffer_rule 6 4 12 1 9"));
    EXPECT_EQ(call(6, {0, 44100}), 0);
    EXPECT_EQ(call(8, {1, 77}), 0);
    EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_set_out_samplerate_rule 0 44100"));
    EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_set_bt_le_io_handle 1 77"));
}

TEST_F(PageModelTest, AcceptedCallsWithoutEffectAnswerZero)
{
    const size_t from = logSize();
    for (uint32_t id : {22u, 23u, 28u, 30u, 36u, 38u}) {
        EXPECT_EQ(call(id, {1, 0}), 0) << id;
    }
    EXPECT_EQ(call(31, {5, 0}), 0);
    EXPECT_EQ(call(31, {6, 0}), -1);
    EXPECT_EQ(logSize(), from);
    // An empty record is a missing one, whatever the pointer.
    const uint32_t word = 0;
    for (uint32_t id : {23u, 28u, 38u}) {
        EXPECT_EQ(vesk_ipc_app_callback(id, &word, 0, 0, 0), -1) << id;
    }
}

TEST(ChannelListTest, TakesSetBitsUpwardsAndRepeatsTheHighest)
{
    struct Case {
        int32_t num;
        uint32_t mask;
        std::vector<uint32_t> list;
    };
    const Case cases[] = {
        {6, 0x3C, {2, 3, 4, 5, 5, 5}},
        {2, 0x3C, {2, 3}},
        {3, 0, {0, 0, 0}},
        {0, 0xFF, {}},
        {-4, 0xFF, {}},
        {2, 0x80000001, {0, 31}},
        {24, 0x1, std::vector<uint32_t>(24, 0)},
    };
    for (const Case& c : cases) {
        VeskChList list{};
        vesk_chmap_deparse(c.num, c.mask, &list);
        EXPECT_EQ(std::vector<uint32_t>(list.ch, list.ch + list.num), c.list) << c.num << " " << c.mask;
    }
}

}  // namespace
