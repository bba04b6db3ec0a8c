// The store's cache and file: layout, loading with fallback to the backup, and what every kind of
// damaged file does at the next start.
#include "main/acfg/acfg_flash_priv.h"
#include "main/acfg/acfg_group_priv.h"
#include "main/acfg/acfg_item_priv.h"

#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kMain = "/data/misc/app.cfg";
constexpr const char* kBackup = "/data/misc/app.cfg.backup";
constexpr size_t kFileSize = 2945;

uint32_t le32(const std::string& s, size_t at)
{
    return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 | static_cast<uint8_t>(s[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

void putLe16(std::string& s, size_t at, uint16_t v)
{
    s[at] = static_cast<char>(v & 0xff);
    s[at + 1] = static_cast<char>(v >> 8);
}

void putLe32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        s[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
    }
}

// One record as the file holds it: name padded to 32 bytes, type, count, value.
std::string record(const std::string& name, uint16_t type, const std::string& value)
{
    std::string r(36, '\0');
    memcpy(r.data(), name.data(), name.size());
    putLe16(r, 32, type);
    putLe16(r, 34, static_cast<uint16_t>(value.size() / (type == 0 ? 1 : type)));
    return r + value;
}

std::string image(const std::vector<std::string>& records)
{
    std::string body;
    for (const std::string& r : records) {
        body += r;
    }
    std::string header(16, '\0');
    putLe32(header, 0, 0xACF6FADA);
    putLe32(header, 4, static_cast<uint32_t>(records.size()));
    putLe32(header, 8, static_cast<uint32_t>(body.size()));
    return header + body;
}

// Offset of the value of the record named `name`, found by walking the file independently.
size_t valueOffset(const std::string& file, const std::string& name)
{
    const uint32_t count = le32(file, 4);
    size_t at = 16;
    for (uint32_t i = 0; i < count && at + 36 <= file.size(); ++i) {
        const std::string recName(file.c_str() + at);
        const size_t size = static_cast<uint8_t>(file[at + 34]) | static_cast<uint8_t>(file[at + 35]) << 8;
        if (recName == name) {
            return at + 36;
        }
        at += 36 + size;
    }
    return std::string::npos;
}

uint8_t fileByte(const std::string& file, const std::string& name)
{
    const size_t at = valueOffset(file, name);
    return at == std::string::npos || at >= file.size() ? 0xEE : static_cast<uint8_t>(file[at]);
}

class AcfgFlashTest : public sbtest::SandboxTest {
protected:
    void TearDown() override { acfgFlashUninit(); }

    // What the store's start does with the table and the files.
    void start()
    {
        acfgFlashUninit();
        acfgItemTableClear();
        acfgGrpBluetoothInit();
        acfgGrpNetworkInit();
        acfgGrpCecInit();
        acfgGrpSystemInit();
        ASSERT_EQ(acfgFlashInit(), 0);
    }

    uint8_t cached(uint16_t idx)
    {
        uint8_t value[256] = {};
        uint32_t size = 0;
        EXPECT_EQ(acfgFlashGet(idx, value, &size), 0);
        return value[0];
    }

    void set(uint16_t idx, uint8_t value) { ASSERT_EQ(acfgFlashSet(idx, &value, 1), 0); }

    // Both files holding volume 70, source 9 and Bluetooth enabled.
    std::string goodFiles()
    {
        start();
        set(IDX_VOLUME, 70);
        set(IDX_SOURCE, 9);
        set(IDX_BLUETOOTH_ENABLE, 1);
        EXPECT_EQ(acfgFlashStore(), 0);
        const std::string file = sandbox.read(kMain);
        EXPECT_EQ(sandbox.read(kBackup), file);
        return file;
    }

    void expectGoodSettings(const char* why)
    {
        SCOPED_TRACE(why);
        EXPECT_EQ(cached(IDX_VOLUME), 70);
        EXPECT_EQ(cached(IDX_SOURCE), 9);
        EXPECT_EQ(cached(IDX_BLUETOOTH_ENABLE), 1);
    }

    void expectDefaults(const char* why)
    {
        SCOPED_TRACE(why);
        EXPECT_EQ(cached(IDX_VOLUME), 50);
        EXPECT_EQ(cached(IDX_SOURCE), 6);
        EXPECT_EQ(cached(IDX_BLUETOOTH_ENABLE), 0);
    }
};

TEST_F(AcfgFlashTest, FirstStartWritesBothFilesWithTheDefaults)
{
    start();
    const std::string file = sandbox.read(kMain);
    ASSERT_EQ(file.size(), kFileSize);
    EXPECT_EQ(sandbox.read(kBackup), file);
    const uint8_t header[16] = {0xDA, 0xFA, 0xF6, 0xAC, 0x3D, 0, 0, 0, 0x71, 0x0B, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(file.substr(0, 16), std::string(reinterpret_cast<const char*>(header), 16));
    // The first records in slot order: volume, mute, tone volume, source.
    EXPECT_EQ(file.substr(16, 36), record("IDX_VOLUME", 1, "").substr(0, 32) + std::string("\x01\x00\x01\x00", 4));
    EXPECT_EQ(static_cast<uint8_t>(file[52]), 50);
    EXPECT_EQ(file.substr(16 + 3 * 37, 10), "IDX_SOURCE");
    EXPECT_EQ(static_cast<uint8_t>(file[16 + 3 * 37 + 36]), 6);
    EXPECT_EQ(valueOffset(file, "IDX_HW_SPEAKER_CHMAP"), std::string::npos);
    EXPECT_EQ(file.substr(valueOffset(file, "IDX_CEC_OSD_NAME"), 14), std::string("soundbar\0\0\0\0\0\0", 14));
    EXPECT_EQ(le32(file, valueOffset(file, "IDX_BASS_TIMES") + 48), 1u);
    EXPECT_EQ(le32(file, valueOffset(file, "IDX_LCD_DIMMER_TIMES") + 12), 1u);
}

TEST_F(AcfgFlashTest, ItemTableHoldsSixtyOneItemsWithTheirSizes)
{
    start();
    int enabled = 0;
    uint32_t valueBytes = 0;
    for (uint16_t idx = 0; idx < ACFG_ITEM_NUM; ++idx) {
        const AcfgItem* item = acfgGetItem(idx);
        enabled += item->ui1Enable;
        valueBytes += item->ui4Type * item->ui2Count;
    }
    EXPECT_EQ(enabled, 61);
    EXPECT_EQ(valueBytes, 733u);
    EXPECT_EQ(acfgGetItem(IDX_HW_SPEAKER_CHMAP)->ui1Enable, 0);
    EXPECT_EQ(acfgGetItem(IDX_USER_SPEAKER_CHMAP)->ui1Enable, 0);
    EXPECT_EQ(acfgGetItem(63), nullptr);
    EXPECT_EQ(acfgGetItem(IDX_LED_DIMMER)->ui2Key, acfgGetItem(IDX_LCD_DIMMER)->ui2Key);
    EXPECT_EQ(acfgGetItem(IDX_WLAN_AP)->ui2Key, 514);
    for (uint16_t idx : {IDX_BASS_TIMES, IDX_MID_TIMES, IDX_TREBLE_TIMES, IDX_SUR_TIMES}) {
        EXPECT_EQ(acfgGetItem(idx)->ui2Count, 52) << idx;
    }
}

TEST_F(AcfgFlashTest, ValidatorsTestTheFirstByte)
{
    struct Case {
        AcfgValidateFct fct;
        uint8_t accepted;
        uint8_t refused;
    };
    const Case cases[] = {
        {acfgVolumeValidate, 100, 101}, {acfgMuteValidate, 1, 2},      {acfgSourceValidate, 15, 16},
        {acfgCurappValidate, 1, 2},     {acfgBluetoothValidate, 1, 2},
    };
    for (const Case& c : cases) {
        EXPECT_NE(c.fct(0, &c.accepted, 1), 0);
        EXPECT_EQ(c.fct(0, &c.refused, 1), 0);
        EXPECT_EQ(c.fct(0, nullptr, 1), 0);
    }
}

TEST_F(AcfgFlashTest, SetCopiesAtMostTheItemAndGetCopiesItWhole)
{
    start();
    const uint8_t name[] = "abcdefghijklmn";  // 14 bytes and a zero
    EXPECT_EQ(acfgFlashSet(IDX_CEC_OSD_NAME, name, 15), -5);
    EXPECT_EQ(acfgFlashSet(IDX_CEC_OSD_NAME, "xy", 2), 0);  // overwrites only the first two bytes
    char out[64] = {};
    uint32_t size = 0;
    EXPECT_EQ(acfgFlashGet(IDX_CEC_OSD_NAME, out, &size), 0);
    EXPECT_EQ(size, 14u);
    EXPECT_EQ(std::string(out, 14), std::string("xyundbar\0\0\0\0\0\0", 14));
    EXPECT_EQ(acfgFlashSet(63, name, 1), -5);
    EXPECT_EQ(acfgFlashGet(63, out, &size), -5);
}

TEST_F(AcfgFlashTest, StoredValuesComeBackAtTheNextStart)
{
    goodFiles();
    start();
    expectGoodSettings("main file");
}

TEST_F(AcfgFlashTest, MissingMainFileLoadsTheBackupAndRestoresTheMainFile)
{
    const std::string good = goodFiles();
    std::remove(sandbox.path(kMain).c_str());
    start();
    expectGoodSettings("backup");
    EXPECT_EQ(sandbox.read(kMain), good);
}

TEST_F(AcfgFlashTest, UnusableMainFileFallsBackToTheBackup)
{
    const std::string good = goodFiles();
    struct Case {
        const char* what;
        std::string content;
    };
    std::string badMagic = good;
    badMagic[0] = 0;
    std::string longer = good + "x";
    std::string hugeDataSize = good;
    putLe32(hugeDataSize, 8, 0xFFFFFFF0u);
    std::string moreRecords = good;
    putLe32(moreRecords, 4, 62);
    std::string unknownType = good;
    putLe16(unknownType, 16 + 32, 5);
    std::string wrongCount = good;  // the count no longer matches the bytes that follow
    putLe16(wrongCount, valueOffset(good, "IDX_TREBLE_TIMES") - 2, 16);
    const Case cases[] = {
        {"empty", ""},
        {"wrong magic", badMagic},
        {"data size beyond the file", hugeDataSize},
        {"bytes behind the records", longer},
        {"more records announced than present", moreRecords},
        {"unknown type code", unknownType},
        {"count inconsistent with the content", wrongCount},
        {"a directory", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::remove(sandbox.path(kMain).c_str());
        if (std::string(c.what) == "a directory") {
            ASSERT_EQ(mkdir(sandbox.path(kMain).c_str(), 0755), 0);
        } else {
            sandbox.write(kMain, c.content);
        }
        start();
        expectGoodSettings(c.what);
        EXPECT_EQ(sandbox.read(kBackup), good);
        if (std::string(c.what) == "a directory") {
            rmdir(sandbox.path(kMain).c_str());
        } else {
            EXPECT_EQ(sandbox.read(kMain), good) << "the main file is made whole again";
        }
    }
}

TEST_F(AcfgFlashTest, MainFileCutAtAnyLengthLosesNothing)
{
    const std::string good = goodFiles();
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 16; ++n) {
        lengths.push_back(n);
    }
    for (size_t n = 17; n < good.size(); n += 41) {
        lengths.push_back(n);
    }
    lengths.push_back(good.size() - 1);
    for (size_t n : lengths) {
        SCOPED_TRACE("main cut at " + std::to_string(n));
        sandbox.write(kMain, good.substr(0, n));
        sandbox.write(kBackup, good);
        start();
        expectGoodSettings("from the backup");
    }
}

TEST_F(AcfgFlashTest, BackupCutAtAnyLengthLosesNothingAndIsRepaired)
{
    const std::string good = goodFiles();
    for (size_t n : {size_t{0}, size_t{7}, size_t{16}, size_t{53}, size_t{1500}, good.size() - 1}) {
        SCOPED_TRACE("backup cut at " + std::to_string(n));
        sandbox.write(kMain, good);
        sandbox.write(kBackup, good.substr(0, n));
        start();
        expectGoodSettings("from the main file");
        EXPECT_EQ(sandbox.read(kBackup), good);
    }
}

TEST_F(AcfgFlashTest, WithoutABackupADamagedMainFileKeepsEveryCompleteRecord)
{
    // The second-last record carries a value too, so a cut inside the last record shows that
    // every record before the cut is kept, not only the first ones.
    start();
    set(IDX_VOLUME, 70);
    set(IDX_SOURCE, 9);
    set(IDX_BLUETOOTH_ENABLE, 1);
    set(IDX_XUPMIX_OFF_TIMES, 7);
    set(IDX_FLASH_WRITTEN, 'Z');
    ASSERT_EQ(acfgFlashStore(), 0);
    const std::string good = sandbox.read(kMain);
    const size_t lastRecord = valueOffset(good, "IDX_FLASH_WRITTEN") - 36;

    struct Case {
        const char* what;
        std::string content;
        bool lastKept;
    };
    std::string moreRecords = good;
    putLe32(moreRecords, 4, le32(good, 4) + 1);
    const Case cases[] = {
        {"more records announced than present", moreRecords, true},
        {"bytes behind the records", good + "xyz", true},
        {"cut in the middle of the last record's head", good.substr(0, lastRecord + 20), false},
        {"cut in the middle of the last record's value", good.substr(0, good.size() - 1), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sandbox.write(kMain, c.content);
        std::remove(sandbox.path(kBackup).c_str());
        start();
        expectGoodSettings(c.what);
        EXPECT_EQ(cached(IDX_XUPMIX_OFF_TIMES), 7);
        EXPECT_EQ(cached(IDX_FLASH_WRITTEN), c.lastKept ? 'Z' : 0);
        const std::string main = sandbox.read(kMain);
        EXPECT_EQ(main.size(), kFileSize) << "both files are whole again";
        EXPECT_EQ(sandbox.read(kBackup), main);
        EXPECT_EQ(fileByte(main, "IDX_VOLUME"), 70);
    }
}

TEST_F(AcfgFlashTest, MainFileNewerThanTheBackupIsNeverRolledBack)
{
    // A store cut off between its two writes leaves the main file newer than the backup; the next
    // store's main write cut off as well must not bring the older backup's values back.
    const std::string older = goodFiles();
    set(IDX_VOLUME, 80);
    ASSERT_EQ(acfgFlashStore(), 0);
    const std::string newer = sandbox.read(kMain);
    sandbox.write(kBackup, older);

    start();
    EXPECT_EQ(cached(IDX_VOLUME), 80);
    EXPECT_EQ(sandbox.read(kBackup), newer) << "the backup is brought up at once";

    sandbox.write(kMain, "");
    start();
    EXPECT_EQ(cached(IDX_VOLUME), 80);
    EXPECT_EQ(sandbox.read(kMain), newer);
}

TEST_F(AcfgFlashTest, AStoreWritesOneSnapshotToBothFiles)
{
    goodFiles();
    std::atomic<bool> done{false};
    std::thread setter([&] {
        for (uint8_t v = 0; !done.load(); v = static_cast<uint8_t>((v + 1) % 100)) {
            acfgFlashSet(IDX_VOLUME, &v, 1);
        }
    });
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(acfgFlashStore(), 0);
        const std::string main = sandbox.read(kMain);
        ASSERT_EQ(sandbox.read(kBackup), main) << "store " << i;
    }
    done.store(true);
    setter.join();
}

TEST_F(AcfgFlashTest, NeitherFileUsableStartsFromDefaultsAndRewritesBoth)
{
    goodFiles();
    const std::string cases[][2] = {
        {"junk", "junk"},
        {"", std::string(16, '\0')},
    };
    for (const auto& c : cases) {
        sandbox.write(kMain, c[0]);
        sandbox.write(kBackup, c[1]);
        start();
        expectDefaults("both damaged");
        EXPECT_EQ(sandbox.read(kMain).size(), kFileSize);
        EXPECT_EQ(sandbox.read(kBackup), sandbox.read(kMain));
        EXPECT_EQ(fileByte(sandbox.read(kMain), "IDX_VOLUME"), 50);
    }
    // With no backup at all, a damaged main file also leaves a working store.
    std::remove(sandbox.path(kBackup).c_str());
    sandbox.write(kMain, "bad");
    start();
    expectDefaults("damaged main, no backup");
    EXPECT_EQ(sandbox.read(kBackup).size(), kFileSize);
}

TEST_F(AcfgFlashTest, BackupFailuresAreLoggedAsTheBackups)
{
    goodFiles();
    struct Case {
        const char* what;
        const char* backup;  // null: no backup file
        const char* line;
    };
    const Case cases[] = {
        {"no backup", nullptr, "Err: open backup "},
        {"short backup", "short", "Err: Fail to read backup file header(5)"},
        {"backup with a wrong magic", "0123456789abcdef", "Err: magic number of backup file is wrong.\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sandbox.write(kMain, "bad");
        std::remove(sandbox.path(kBackup).c_str());
        if (c.backup != nullptr) {
            sandbox.write(kBackup, c.backup);
        }
        testing::internal::CaptureStdout();
        start();
        fflush(stdout);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find(c.line), std::string::npos) << out;
        EXPECT_NE(out.find("Save data to flash success for backup!(Flash Written/5mins)"), std::string::npos)
            << "both files are rewritten as a store writes them:\n"
            << out;
        for (const Case& other : cases) {
            if (&other != &c) {
                EXPECT_EQ(out.find(other.line), std::string::npos) << out;
            }
        }
    }
}

TEST_F(AcfgFlashTest, RecordsOfOtherTablesLoadItemByItem)
{
    // An unknown record, a record whose size differs from the item's, and a record of another type
    // around known records: only the known ones with matching type and count load.
    const std::string file = image({
        record("IDX_VOLUME", 1, std::string(1, 70)),
        record("IDX_OLD_ITEM", 1, "abc"),
        record("IDX_TREBLE_TIMES", 1, std::string(16, '\x07')),
        record("IDX_SOURCE", 2, std::string("\x09\x00", 2)),
        record("IDX_BLUETOOTH_ENABLE", 1, std::string(1, 1)),
    });
    sandbox.write(kMain, file);
    sandbox.write(kBackup, file);
    start();
    EXPECT_EQ(cached(IDX_VOLUME), 70);
    EXPECT_EQ(cached(IDX_BLUETOOTH_ENABLE), 1);
    EXPECT_EQ(cached(IDX_SOURCE), 6);
    uint8_t treble[64] = {};
    uint32_t size = 0;
    ASSERT_EQ(acfgFlashGet(IDX_TREBLE_TIMES, treble, &size), 0);
    EXPECT_EQ(size, 52u);
    EXPECT_EQ(treble[0], 0);
    EXPECT_EQ(treble[48], 1);
}

TEST_F(AcfgFlashTest, FailedMainWriteLeavesTheBackupAlone)
{
    const std::string good = goodFiles();
    std::remove(sandbox.path(kMain).c_str());
    ASSERT_EQ(mkdir(sandbox.path(kMain).c_str(), 0755), 0);
    set(IDX_VOLUME, 10);
    EXPECT_EQ(acfgFlashStore(), -5);
    EXPECT_EQ(sandbox.read(kBackup), good);
    rmdir(sandbox.path(kMain).c_str());
    EXPECT_EQ(acfgFlashStore(), 0);
    EXPECT_EQ(fileByte(sandbox.read(kMain), "IDX_VOLUME"), 10);
    EXPECT_EQ(fileByte(sandbox.read(kBackup), "IDX_VOLUME"), 10);
}

}  // namespace
