// The Bluetooth module's protocol without the line: the parser on bursts of exactly their size,
// the framer, and every row of the received-command table from frame to status record, key call,
// module event and reply.
#include "main/gui/link/protocol_ats2853.h"
#include "main/gui/link/wireless_drv.h"
#include "main/gui/wrapper/wrapper_bt.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Event {
    uint16_t evt;
    Bytes param;  // the first bytes of the parameter, as many as the case names
};

std::vector<Bytes> gWrites;
std::vector<Event> gEvents;
std::vector<std::pair<uint32_t, uint32_t>> gKeys;
size_t gParamBytes = 0;

int32_t recordWrite(uint16_t, const uint8_t* buf, uint32_t len)
{
    gWrites.emplace_back(buf, buf + len);
    return static_cast<int32_t>(len);
}

void recordEvent(uint16_t evt, const uint8_t* param)
{
    gEvents.push_back({evt, param != nullptr ? Bytes(param, param + gParamBytes) : Bytes{}});
}

void recordKey(uint32_t type, uint32_t value)
{
    gKeys.emplace_back(type, value);
}

Bytes frame(uint8_t group, uint8_t id, const Bytes& payload)
{
    Bytes f = {ATS2853_HEAD_RCV, static_cast<uint8_t>(payload.size() + 5), group, id};
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(guiWrapperProtocolAts2853ChkSum(f.data(), static_cast<uint32_t>(f.size())));
    return f;
}

// The burst in a heap block of exactly its size, so a read past it is caught.
void receive(const Bytes& burst)
{
    auto block = std::make_unique<uint8_t[]>(burst.size());
    std::memcpy(block.get(), burst.data(), burst.size());
    guiWrapperProtocolAts2853PacketRcv(block.get(), static_cast<uint32_t>(burst.size()));
}

class Ats2853Test : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        gWrites.clear();
        gEvents.clear();
        gKeys.clear();
        gParamBytes = 0;
        const GuiWirelessDevOps ops{nullptr, nullptr, nullptr, recordWrite};
        guiWrapperWirelessDrvRegister(WIRELESS_DEV_E_ATS2853, &ops);
        guiWrapperProtocolAts2853RcvRegisterCbk(recordEvent);
        guiWrapperProtocolAts2853KeyRegisterCbk(recordKey);
    }
    void TearDown() override { guiWrapperWirelessDrvUnRegister(WIRELESS_DEV_E_ATS2853); }
};

TEST_F(Ats2853Test, ParserTakesOnlyAWholeFrameWithinTheBytesReceived)
{
    struct Case {
        const char* what;
        Bytes burst;
        int32_t ret;
        uint8_t id;
    };
    const std::vector<Case> cases = {
        {"a whole frame", {0x28, 0x06, 0x21, 0x02, 0x00, 0xAE}, 0, 0x02},
        {"garbage before the header", {0x00, 0x28, 0x06, 0x21, 0x04, 0x00, 0xAC}, 0, 0x04},
        {"two frames: the first", {0x28, 0x06, 0x21, 0x04, 0x00, 0xAC, 0x28, 0x06, 0x21, 0x02, 0x00, 0xAE}, 0, 0x04},
        {"bad checksum", {0x28, 0x06, 0x21, 0x02, 0x00, 0xAF}, -1, 0},
        {"no payload", {0x28, 0x05, 0x21, 0x02, 0xAF, 0x00}, -1, 0},
        {"cut before the checksum", {0x28, 0x07, 0x21, 0x02, 0x00, 0x00}, -1, 0},
        {"length byte past the burst", {0x28, 0xFF, 0x21, 0x02, 0x00, 0x01, 0x02, 0x03}, -1, 0},
        {"an id-0xAA frame cut by its burst", {0x28, 0x06, 0x21, 0xAA, 0x00, 0x00}, -1, 0},
        {"shorter than any frame", {0x28, 0x06, 0x21, 0x02, 0x00}, -1, 0},
        {"longer than a frame may be", Bytes(257, 0x28), -1, 0},
        {"all garbage", Bytes(40, 0x55), -1, 0},
    };
    for (const Case& c : cases) {
        auto block = std::make_unique<uint8_t[]>(c.burst.size());
        std::memcpy(block.get(), c.burst.data(), c.burst.size());
        Ats2853Packet pkt{};
        EXPECT_EQ(c.ret, guiWrapperProtocolAts2853UnPack(&pkt, block.get(), static_cast<uint32_t>(c.burst.size())))
            << c.what;
        if (c.ret == 0) {
            EXPECT_EQ(0x21, pkt.group) << c.what;
            EXPECT_EQ(c.id, pkt.id) << c.what;
        }
    }
}

TEST_F(Ats2853Test, AFrameCutByItsBurstDoesNotSwallowTheNext)
{
    gParamBytes = 0;
    receive({0x28, 0x06, 0x21, 0xAA, 0x00, 0x00});
    receive({0x28, 0x06, 0x21, 0x02});
    receive({0x00, 0xAE, 0x28, 0x06, 0x21});
    EXPECT_TRUE(gEvents.empty());
    receive({0x28, 0x06, 0x21, 0x02, 0x00, 0xAE});
    ASSERT_EQ(1u, gEvents.size());
    EXPECT_EQ(28, gEvents[0].evt);
}

TEST_F(Ats2853Test, FramerSendsOnlyItsOwnMessagesOfFiveTo64Bytes)
{
    EXPECT_EQ(0, guiWrapperBtSndPacket(0x81, 0x2D, 1, Bytes{1}.data()));
    const uint8_t phoneApp[] = {0xBB, 0x01, 0x00, 0x02, 0x03, 0x10};
    guiWrapperProtocolAts2853PacketSnd(phoneApp, sizeof(phoneApp));
    const uint8_t ota[] = {0x8A, 0x00, 0x06, 0x02, 0x00};
    guiWrapperProtocolAts2853PacketSnd(ota, sizeof(ota));
    Ats2853Packet tooLong{};
    tooLong.len = ATS2853_FRAME_MAX + 1;
    __guiWrapperProtocolAts2853PacketSnd(&tooLong);
    EXPECT_EQ(-1, guiWrapperBtSndPacket(0x81, 0x01, 33, Bytes(33, 1).data()));
    const Bytes payload(32, 0x11);
    EXPECT_EQ(0, guiWrapperBtSndPacket(0x8F, 0x04, 32, payload.data()));

    ASSERT_EQ(2u, gWrites.size());
    EXPECT_EQ((Bytes{0x82, 0x06, 0x81, 0x2D, 0x01, 0xC8}), gWrites[0]);
    ASSERT_EQ(37u, gWrites[1].size());
    EXPECT_EQ(guiWrapperProtocolAts2853ChkSum(gWrites[1].data(), 36), gWrites[1][36]);

    guiWrapperWirelesConnStateReport();
    guiWrapperWirelesDisconnStateReport();
    ASSERT_EQ(4u, gWrites.size());
    EXPECT_EQ((Bytes{0x82, 0x06, 0x81, 0x2D, 0x01, 0xC8}), gWrites[2]);
    EXPECT_EQ((Bytes{0x82, 0x06, 0x81, 0x2D, 0x00, 0xC9}), gWrites[3]);
}

// One row of the command table as the module drives it.
struct Row {
    uint8_t group;
    uint8_t id;
    Bytes payload;
    int evt;      // -1: none
    Bytes param;  // what the event's parameter begins with
    int btSts;    // -1: left as it was
    int playSts;  // -1: left as it was
};

std::vector<Row> commandRows()
{
    std::vector<Row> rows = {
        {0x21, 0x02, {0}, 28, {}, 4, -1},
        {0x21, 0x04, {0}, 26, {}, 2, -1},
        {0x21, 0x03, {0}, 27, {}, 2, -1},
        {0x21, 0x05, {0}, 27, {}, 2, -1},
        {0x21, 0x07, {0x19}, 33, {0x19}, -1, -1},
        {0x21, 0x0E, {1}, 30, {}, -1, 1},
        {0x21, 0x0E, {0}, 29, {}, -1, 0},
        {0x21, 0x0E, {7}, -1, {}, -1, -1},
        {0x21, 0xAA, {0}, -1, {}, -1, -1},
        {0x21, 0x01, {0}, 69, {}, -1, -1},
        {0x21, 0x15, {0}, 73, {}, -1, -1},
        {0x21, 0x16, {3}, 68, {3}, -1, -1},
        {0x21, 0x0F, {0}, 71, {}, -1, -1},
        {0x21, 0x10, {0}, 75, {}, -1, -1},
        {0x21, 0x11, {0}, 76, {}, -1, -1},
        {0x21, 0x12, {0}, -1, {}, -1, -1},
        {0x21, 0x18, {5}, 35, {5}, -1, -1},
        {0x21, 0x19, {6}, 36, {6}, -1, -1},
        {0x21, 0x1B, {40}, 72, {40}, -1, -1},
        {0x21, 0x1C, {1}, -1, {}, -1, -1},
        {0x21, 0x25, {4}, 77, {4}, -1, -1},
        {0x21, 0x26, {1}, 78, {1}, -1, -1},
        {0x21, 0x27, {1}, 80, {0}, -1, -1},
        {0x21, 0x27, {2}, 80, {1}, -1, -1},
        {0x21, 0x27, {5}, 80, {5}, -1, -1},
        {0x21, 0x28, {6}, 79, {3}, -1, -1},
        {0x21, 0x28, {2}, 79, {2}, -1, -1},
        {0x21, 0x30, {2}, 21, {2}, -1, -1},
        {0x21, 0x06, {1}, -1, {}, 3, -1},
        {0x21, 0x06, {0}, -1, {}, 2, -1},
        {0x21, 0xBB, {0}, 88, {}, -1, -1},
        {0x21, 0xF0, {0}, 85, {}, -1, -1},
        {0x21, 0xF1, {0}, 81, {}, -1, -1},
        {0x21, 0xF2, {0}, 86, {}, -1, -1},
        {0x21, 0xF3, {1, 2, 3}, 87, {1, 2, 3}, -1, -1},
        {0x21, 0xF4, {0}, 9, {}, -1, -1},
        {0x21, 0xF7, {1}, 82, {}, -1, -1},
        {0x21, 0xF7, {0}, -1, {}, -1, -1},
        {0x21, 0xF6, {0}, 67, {}, -1, -1},
        {0x2F, 0x01, {1}, -1, {}, -1, 1},
        {0x2F, 0x01, {0}, -1, {}, -1, 0},
        {0x2F, 0x01, {9}, -1, {}, -1, -1},
        {0x2F, 0x02, {0}, -1, {}, -1, -1},
        {0x24, 0x27, {1}, -1, {}, -1, -1},
        {0x25, 0x01, {0}, -1, {}, -1, -1},
    };
    const uint8_t pdt[] = {0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x14};
    for (int i = 0; i < 7; ++i) {
        rows.push_back({0x21, pdt[i], {0}, 60 + i, {}, -1, -1});
    }
    for (int i = 0; i < 4; ++i) {
        rows.push_back({0x21, static_cast<uint8_t>(0x1D + i), {0}, 22 + i, {}, -1, -1});
        rows.push_back({0x21, static_cast<uint8_t>(0x21 + i), {0}, 38 + i, {}, -1, -1});
    }
    for (uint8_t id : {0x01, 0x02, 0x03, 0x04, 0x10, 0x11, 0x12, 0x13}) {
        rows.push_back({0x22, id, {0}, -1, {}, -1, -1});
    }
    return rows;
}

std::vector<uint8_t> keyIds()
{
    std::vector<uint8_t> ids = {0x01};
    for (uint8_t id = 0x2F; id <= 0x4B; ++id) {
        ids.push_back(id);
    }
    return ids;
}

TEST_F(Ats2853Test, EveryCommandRowFromFrameToRecordAndEvent)
{
    ProtocolAts2853Db* db = guiWrapperProtocolAts2853DBget();
    for (const Row& r : commandRows()) {
        gEvents.clear();
        gParamBytes = r.param.size();
        db->bt_sts = 0xFF;
        db->play_sts = 0xFF;
        testing::internal::CaptureStdout();
        receive(frame(r.group, r.id, r.payload));
        const std::string log = testing::internal::GetCapturedStdout();
        const std::string what = "row " + std::to_string(r.group) + "/" + std::to_string(r.id);
        if (r.evt < 0) {
            EXPECT_TRUE(gEvents.empty()) << what;
        } else {
            ASSERT_EQ(1u, gEvents.size()) << what;
            EXPECT_EQ(r.evt, gEvents[0].evt) << what;
            EXPECT_EQ(r.param, gEvents[0].param) << what;
        }
        EXPECT_EQ(r.btSts < 0 ? 0xFFu : static_cast<uint32_t>(r.btSts), db->bt_sts) << what;
        EXPECT_EQ(r.playSts < 0 ? 0xFFu : static_cast<uint32_t>(r.playSts), db->play_sts) << what;
        if (r.group == 0x25) {
            EXPECT_EQ(std::string::npos, log.find("<ATS2853>[guiWrapperProtocolAts2853RcvProcess"))
                << "an unknown command is dropped without a word";
        }
    }
    EXPECT_TRUE(gKeys.empty());
    EXPECT_TRUE(gWrites.empty());
}

TEST_F(Ats2853Test, TouchKeysGoToTheKeyCallback)
{
    ProtocolAts2853Db* db = guiWrapperProtocolAts2853DBget();
    for (uint8_t id : keyIds()) {
        gKeys.clear();
        receive(frame(0x23, id, {2}));
        ASSERT_EQ(1u, gKeys.size()) << static_cast<int>(id);
        EXPECT_EQ(std::make_pair(2u, static_cast<uint32_t>(id)), gKeys[0]);
        EXPECT_EQ(id, db->key_value);
        EXPECT_EQ(2u, db->key_type);
    }
    EXPECT_TRUE(gEvents.empty());
}

TEST_F(Ats2853Test, ReadsAndReportsOfTheModule)
{
    ProtocolAts2853Db* db = guiWrapperProtocolAts2853DBget();
    receive(frame(0x2F, 0x03, {0x42}));
    EXPECT_EQ(0x42, db->bt_version);
    receive(frame(0x2F, 0x05, {0x17}));
    EXPECT_EQ(0x17, db->touch_version);
    receive(frame(0x24, 0x27, {1}));
    EXPECT_EQ(1, db->le_aud_pwr_sts);
    gParamBytes = 6;
    receive(frame(0x2F, 0x04, {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6}), Bytes(db->mac, db->mac + 6));
    ASSERT_EQ(1u, gEvents.size());
    EXPECT_EQ(37, gEvents[0].evt);
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6}), gEvents[0].param);
}

TEST_F(Ats2853Test, UpgradePercentIsReportedOncePerValue)
{
    gParamBytes = 2;
    receive(frame(0x21, 0x17, {0x31}));
    receive(frame(0x21, 0x17, {0x31}));
    receive(frame(0x21, 0x17, {0x32}));
    ASSERT_EQ(2u, gEvents.size());
    const uint16_t first = 0x31;
    const uint16_t second = 0x32;
    EXPECT_EQ(34, gEvents[0].evt);
    EXPECT_EQ(Bytes(reinterpret_cast<const uint8_t*>(&first), reinterpret_cast<const uint8_t*>(&first) + 2),
              gEvents[0].param);
    EXPECT_EQ(Bytes(reinterpret_cast<const uint8_t*>(&second), reinterpret_cast<const uint8_t*>(&second) + 2),
              gEvents[1].param);
}

TEST_F(Ats2853Test, CecNameKeepsThirteenCharactersAndGoesByValue)
{
    gParamBytes = ATS2853_CEC_NAME_LEN;
    const std::string twenty = "ABCDEFGHIJKLMNOPQRST";
    for (uint8_t group : {0x21, 0x2F}) {
        gEvents.clear();
        const uint8_t id = group == 0x21 ? 0x1A : 0x06;
        receive(frame(group, id, Bytes(twenty.begin(), twenty.end())));
        ASSERT_EQ(1u, gEvents.size());
        EXPECT_EQ(59, gEvents[0].evt);
        Bytes expected(twenty.begin(), twenty.begin() + 13);
        expected.push_back(0);
        EXPECT_EQ(expected, gEvents[0].param);
        EXPECT_STREQ("ABCDEFGHIJKLM", guiWrapperProtocolAts2853DBget()->cec_name);
    }
    gEvents.clear();
    receive(frame(0x21, 0x1A, {'T', 'V'}));
    ASSERT_EQ(1u, gEvents.size());
    EXPECT_EQ((Bytes{'T', 'V', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), gEvents[0].param) << "a short name leaves no rest";
}

TEST_F(Ats2853Test, VersionRequestIsAnsweredWithTwelveBytes)
{
    receive(frame(0x21, 0xF5, {0}));
    ASSERT_EQ(1u, gWrites.size());
    const Bytes& w = gWrites[0];
    ASSERT_EQ(17u, w.size());
    EXPECT_EQ((Bytes{0x82, 0x11, 0x8F, 0x06}), Bytes(w.begin(), w.begin() + 4));
    const Bytes reply(w.begin() + 4, w.begin() + 16);
    EXPECT_EQ(0, reply[0]);
    EXPECT_EQ('3', reply[1]);
    EXPECT_EQ('3', reply[2]);
    EXPECT_EQ(0, reply[6]);
    EXPECT_EQ(0, reply[9]);
    EXPECT_EQ(guiWrapperProtocolAts2853ChkSum(w.data(), 16), w[16]);
}

}  // namespace
