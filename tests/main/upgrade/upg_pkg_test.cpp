// Whole upgrade attempts against the loopback server: the package walk, normal mode (one package,
// one flash) and segment mode (unit by unit), with good and hostile packages.
#include "main/upgrade/upg_pkg.h"

#include "main/upgrade/upg_ctrl.h"
#include "main/upgrade/upg_id.h"
#include "main/upgrade/upg_log.h"
#include "main/upgrade/upg_seg.h"
#include "tests/main/upgrade/upg_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using upgtest::checksumLine;
using upgtest::MtdPart;
using upgtest::patternBytes;
using upgtest::ZipEntry;

constexpr uint32_t kUnit = 2097152;

uint32_t le16(const std::string& b, size_t at)
{
    return static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8);
}

uint32_t le32(const std::string& b, size_t at)
{
    return le16(b, at) | (le16(b, at + 2) << 16);
}

// Offsets of the local headers and of the central directory, read the way a zip reader would.
struct Layout {
    std::vector<uint32_t> headers;
    std::vector<uint32_t> data;
    uint32_t central = 0;
};

Layout layoutOf(const std::string& zip)
{
    Layout l;
    uint32_t at = 0;
    while (le32(zip, at) == 0x04034b50) {
        l.headers.push_back(at);
        const uint32_t data = at + 30 + le16(zip, at + 26) + le16(zip, at + 28);
        l.data.push_back(data);
        at = data + le32(zip, at + 18);
    }
    l.central = at;
    return l;
}

std::string range(uint32_t from)
{
    return "bytes=" + std::to_string(from) + "-";
}

using UpgPkgMapTest = sbtest::SandboxTest;

TEST_F(UpgPkgMapTest, ImagesMapToPartitionsFoundInProcMtd)
{
    struct MapCase {
        const char* image;
        const char* partition;  // null: no row
        bool exact;
    };
    const MapCase maps[] = {
        {"boot.img", "boot_a", true},       {"boot.img.signed", "boot_a", false}, {"bl2.img", "bl2", true},
        {"recovery.ubi", "recovery", true}, {"kernel.img", nullptr, false},       {"../boot.img", nullptr, false},
    };
    for (const auto& m : maps) {
        SCOPED_TRACE(m.image);
        char out[64] = {};
        EXPECT_EQ(upgDlMapPartitionName(m.image, out, sizeof out), m.partition ? 0 : -1);
        EXPECT_STREQ(out, m.partition ? m.partition : "");
        EXPECT_EQ(upgDlIsMappedImageName(m.image), m.exact);
    }

    upgtest::writeMtd(
        sandbox,
        {{"bl2_backup", 0x1000, 0x100}, {"bl2", 0x2000, 0x200}, {"boot_a", 0x3000, 0x300}, {"boot_b", 0x4000, 0x400}});
    UpgDlImageRec rec{};
    ASSERT_EQ(upgUtlGetPartInfoByName("boot_a", &rec), 0);
    EXPECT_EQ(rec.mPartSize, 0x3000u);
    EXPECT_EQ(rec.mEraseSize, 0x300u);
    ASSERT_EQ(upgUtlGetPartInfoByName("bl2", &rec), 0);
    EXPECT_EQ(rec.mPartSize, 0x1000u);  // the first name beginning with it
    EXPECT_EQ(upgUtlGetPartInfoByName("system_a", &rec), -1);

    UpgDlControl& ctrl = gDlControl;
    ctrl.mImgCount = 1;
    snprintf(ctrl.mImg[0].mName, sizeof ctrl.mImg[0].mName, "boot.img");
    ctrl.mImg[0].mPartSize = 0x3000;
    ctrl.mImg[0].mHeader.uncomp_size = 0x3000;
    EXPECT_EQ(upgDlCheckPartSize(&ctrl), 0);  // a full partition fits
    ctrl.mImg[0].mHeader.uncomp_size = 0x3001;
    EXPECT_EQ(upgDlCheckPartSize(&ctrl), -1);
    ctrl.mImg[0].mHeader.uncomp_size = 0x80000000u;  // no negative size slips through
    EXPECT_EQ(upgDlCheckPartSize(&ctrl), -1);
}

TEST_F(UpgPkgMapTest, AFlashUnitIsTheSmallestWholeNumberOfEraseBlocksFromTwoMebibytes)
{
    const struct {
        uint32_t erase;
        int32_t result;
        int32_t unit;
    } cases[] = {{0x10000, 0, 2097152}, {0x20000, 0, 2097152},  {0x40000, 0, 2097152},
                 {0x30000, 0, 2162688}, {0x400000, 0, 4194304}, {0, -1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.erase);
        UpgDlControl& ctrl = gDlControl;
        ctrl.mImgCount = 1;
        ctrl.mImg[0].mEraseSize = c.erase;
        ctrl.mImg[0].mFlashUnit = 0;
        EXPECT_EQ(upgDlSegSetFlashUnitSize(&ctrl), c.result);
        EXPECT_EQ(ctrl.mImg[0].mFlashUnit, c.unit);
    }
}

TEST_F(UpgPkgMapTest, LocalHeadersWithNamesBeyondTheRecordOrTheFetchAreRefused)
{
    uint8_t buf[UPG_PKG_HEADER_FETCH] = {};
    const auto header = [&](uint16_t nameLen, char fill) {
        memset(buf, 0, sizeof buf);
        const uint8_t fixed[] = {0x50, 0x4b, 0x03, 0x04};
        memcpy(buf, fixed, sizeof fixed);
        buf[26] = static_cast<uint8_t>(nameLen);
        buf[27] = static_cast<uint8_t>(nameLen >> 8);
        memset(buf + 30, fill, sizeof buf - 30);
    };
    UpgZipLocalHeader hdr{};
    char name[UPG_IMG_NAME_LEN];
    header(65, 'a');
    ASSERT_EQ(upgDlParseImgHeader(buf, &hdr, name), 0);
    EXPECT_EQ(strlen(name), 65u);
    for (uint16_t len : {uint16_t{0}, uint16_t{66}, uint16_t{98}, uint16_t{99}, uint16_t{0xffff}}) {
        SCOPED_TRACE(len);
        header(len, 'a');
        EXPECT_EQ(upgDlParseImgHeader(buf, &hdr, name), -1);
    }
    header(8, 'b');
    buf[33] = 0;  // a NUL inside the name
    EXPECT_EQ(upgDlParseImgHeader(buf, &hdr, name), -1);
    buf[0] = 0x51;
    EXPECT_EQ(upgDlParseImgHeader(buf, &hdr, name), -1);
}

class UpgPkgTest : public upgtest::UpgAppTest {
protected:
    void SetUp() override
    {
        UpgAppTest::SetUp();
        sandbox.write(UPG_ID_LOCAL_PATH, "Version=7\n");
        upgtest::writeMtd(sandbox, {{"bl2", 0x100000, 0x20000},
                                    {"boot_a", 0x800000, 0x20000},
                                    {"boot_b", 0x800000, 0x20000},
                                    {"system_a", 0x1000000, 0x20000}});
    }

    // Serves a normal-mode package with its ID file.
    void serveNormal(const std::string& zip, int imageCount, const std::string& checksums)
    {
        server.setFile("/update.zip", zip);
        idFile = "Version=8\nFile_Size=" + std::to_string(zip.size()) + "\nImage_Count=" + std::to_string(imageCount) +
                 "\n" + checksums;
        server.setFile("/upg_id_file.bin", idFile);
    }

    std::vector<std::string> rangesOf(const std::string& path) const
    {
        std::vector<std::string> out;
        for (const auto& r : server.requests()) {
            if (r.path == path) {
                out.push_back(r.range);
            }
        }
        return out;
    }

    std::string idFile;
};

TEST_F(UpgPkgTest, NormalModeWalksTheHeadersFetchesVerifiesFlashesAndReboots)
{
    const std::string boot = patternBytes(3000, 11);
    const std::string system = patternBytes(5000, 12);
    const std::string zip = upgtest::makeZip(sandbox, {{"boot.img", boot}, {"system.ubi", system}});
    serveNormal(zip, 2, checksumLine("update.zip", zip, 0, zip.size() - 1) + "\n");

    ASSERT_EQ(runAttempt(), static_cast<uint32_t>(UPG_STATUS_DONE));

    const Layout l = layoutOf(zip);
    ASSERT_EQ(l.headers.size(), 2u);
    // The probe, the header walk (both entries and the central directory; the one at 0 needs no
    // Range), then the package from 0.
    const std::vector<std::string> expected{"", "", range(l.headers[1]), range(l.central), ""};
    EXPECT_EQ(rangesOf("/update.zip"), expected);
    const auto calls = upgtest::quellipCalls(sandbox);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args, "/data/misc/update.zip");
    EXPECT_EQ(calls[0].length, std::to_string(zip.size()));
    EXPECT_EQ(calls[0].sha256, upgtest::sha256Hex(zip));
    const auto quorid = sandbox.quoridLog();
    ASSERT_FALSE(quorid.empty());
    EXPECT_EQ(quorid.back(), "reboot -f");
    EXPECT_EQ(sandbox.read(UPG_ID_LOCAL_PATH), idFile);
    EXPECT_FALSE(sandbox.exists("/data/misc/update.zip"));
}

TEST_F(UpgPkgTest, ADroppedPackageIsResumedAndStillFlashedWhole)
{
    const std::string boot = patternBytes(400000, 13);
    const std::string zip = upgtest::makeZip(sandbox, {{"boot.img", boot}});
    serveNormal(zip, 1, checksumLine("update.zip", zip, 0, zip.size() - 1) + "\n");
    // Every response runs to the end of the file unless the client stops reading: the probe and the
    // first header fetch pass byte 250000 too, then the whole package is dropped there.
    server.dropAt("/update.zip", 250000, 3);

    ASSERT_EQ(runAttempt(), static_cast<uint32_t>(UPG_STATUS_DONE));
    const auto ranges = rangesOf("/update.zip");
    ASSERT_FALSE(ranges.empty());
    EXPECT_EQ(ranges.back(), range(250000));
    const auto calls = upgtest::quellipCalls(sandbox);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].sha256, upgtest::sha256Hex(zip));
}

TEST_F(UpgPkgTest, BadPackagesAreNeverFlashed)
{
    const std::string boot = patternBytes(3000, 21);
    const std::string system = patternBytes(5000, 22);
    struct Case {
        const char* what;
        std::vector<ZipEntry> entries;
        int imageCount;
        int checksum;  // 0 right, 1 wrong digest, 2 upper case
        uint32_t bootPartition;
        const char* logged;
    };
    const std::vector<Case> cases{
        {"wrong digest", {{"boot.img", boot}}, 1, 1, 0x800000, "benchmark not match, data verify failed"},
        {"upper-case digest", {{"boot.img", boot}}, 1, 2, 0x800000, "benchmark not match, data verify failed"},
        {"image larger than its partition",
         {{"boot.img", boot}},
         1,
         0,
         2999,
         "boot.img: Image size:3000 > Partition size:2999"},
        {"an image of no partition",
         {{"kernel.img", boot}},
         1,
         0,
         0x800000,
         "Mapping kernel.img to partition failed unsupported image"},
        {"a path for a name",
         {{"../boot.img", boot}},
         1,
         0,
         0x800000,
         "Mapping ../boot.img to partition failed unsupported image"},
        {"five entries",
         {{"boot.img", boot}, {"bl2.img", boot}, {"system.ubi", system}, {"tee.img", boot}, {"recovery.ubi", boot}},
         5,
         0,
         0x800000,
         "request imgs num: 5, only support 4 images"},
        {"image count differs",
         {{"boot.img", boot}, {"system.ubi", system}},
         1,
         0,
         0x800000,
         "Image number incorrect, ImgCnt in ID:1, ImgCnt in pkg:2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        upgtest::writeMtd(sandbox, {{"boot_a", c.bootPartition, 0x20000}, {"system_a", 0x1000000, 0x20000}});
        const std::string zip = upgtest::makeZip(sandbox, c.entries);
        std::remove(sandbox.path("/sim/quellip.log").c_str());
        std::string other = zip;
        other[0] = static_cast<char>(other[0] ^ 1);
        std::string line = checksumLine("update.zip", c.checksum == 1 ? other : zip, 0, zip.size() - 1);
        if (c.checksum == 2) {
            std::transform(line.begin(), line.end(), line.begin(), ::toupper);
            line.replace(0, 10, "update.zip");
        }
        serveNormal(zip, c.imageCount, line + "\n");
        EXPECT_EQ(runAttempt(), static_cast<uint32_t>(UPG_STATUS_FAILED));
        EXPECT_NE(sandbox.read(UPG_LOG_FILE).find(c.logged), std::string::npos) << sandbox.read(UPG_LOG_FILE);
        EXPECT_TRUE(upgtest::quellipCalls(sandbox).empty());
        EXPECT_FALSE(sandbox.exists("/data/misc/update.zip"));
        EXPECT_EQ(sandbox.read(UPG_ID_LOCAL_PATH), "Version=7\n");
    }
    for (const auto& line : sandbox.quoridLog()) {
        EXPECT_EQ(line.find("reboot"), std::string::npos) << line;
    }
}

class UpgSegTest : public UpgPkgTest {
protected:
    // Serves a segment-mode package of one stored image with a checksum line per unit.
    void serveSegments(const std::string& name, const std::string& image, bool deflate = false,
                       std::vector<bool> lines = {true, true, true})
    {
        zip = upgtest::makeZip(sandbox, {{name, image, deflate}});
        server.setFile("/update.bin", zip);
        std::string checks;
        for (size_t first = 0, unit = 0; first < image.size(); first += kUnit, ++unit) {
            const size_t last = std::min<size_t>(first + kUnit, image.size()) - 1;
            if (unit >= lines.size() || lines[unit]) {
                checks += checksumLine(name, image, first, last) + "\n";
            }
        }
        idFile = "Version=8\nLow_Memory=true\nFile_Size=" + std::to_string(zip.size()) + "\nImage_Count=1\n" + checks;
        server.setFile("/upg_id_file.bin", idFile);
        dataAt = layoutOf(zip).data.empty() ? 0 : layoutOf(zip).data[0];
    }

    std::vector<std::string> unitRanges() const
    {
        auto ranges = rangesOf("/update.bin");
        // The probe and the two header fetches come first.
        return std::vector<std::string>(ranges.begin() + std::min<size_t>(3, ranges.size()), ranges.end());
    }

    std::string zip;
    uint32_t dataAt = 0;
};

TEST_F(UpgSegTest, AnImageIsFetchedCheckedAndFlashedOneUnitAtATime)
{
    const std::string image = patternBytes(5000000, 31);
    serveSegments("boot.img", image);

    ASSERT_EQ(runAttempt(), static_cast<uint32_t>(UPG_STATUS_DONE));
    const std::vector<std::string> ranges{range(dataAt), range(dataAt + kUnit), range(dataAt + 2 * kUnit)};
    EXPECT_EQ(unitRanges(), ranges);
    const auto calls = upgtest::quellipCalls(sandbox);
    ASSERT_EQ(calls.size(), 3u);
    const struct {
        const char* args;
        size_t first;
        size_t length;
    } expected[] = {{"boot.img 0 2097152 0", 0, kUnit},
                    {"boot.img 2097152 2097152 0", kUnit, kUnit},
                    {"boot.img 4194304 805696 1", 2 * kUnit, 805696}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(calls[i].args, expected[i].args);
        EXPECT_EQ(calls[i].file, "/tmp/update/update.bin");
        EXPECT_EQ(calls[i].length, std::to_string(expected[i].length));
        EXPECT_EQ(calls[i].sha256, upgtest::sha256Hex(image.substr(expected[i].first, expected[i].length)));
    }
    EXPECT_EQ(sandbox.quoridLog().back(), "reboot -f");
    EXPECT_EQ(sandbox.read(UPG_ID_LOCAL_PATH), idFile);
    EXPECT_FALSE(sandbox.exists("/tmp/update/update.bin"));
}

TEST_F(UpgSegTest, AUnitThatFailsItsCheckIsFetchedAgainAtTheSameOffset)
{
    const std::string image = patternBytes(5000000, 32);
    serveSegments("boot.img", image);
    // The probe, the first header fetch and the first unit's response pass that byte too; the second
    // unit's first response carries it altered.
    server.corruptAt("/update.bin", dataAt + kUnit + 1000, 4);

    ASSERT_EQ(runAttempt(), static_cast<uint32_t>(UPG_STATUS_DONE));
    const std::vector<std::string> ranges{range(dataAt), range(dataAt + kUnit), range(dataAt + kUnit),
                                          range(dataAt + 2 * kUnit)};
    EXPECT_EQ(unitRanges(), ranges);
    EXPECT_EQ(upgtest::quellipCalls(sandbox).size(), 3u);
}

TEST_F(UpgSegTest, AUnitThatNeverVerifiesEndsTheAttemptAfterTheBudget)
{
    const std::string image = patternBytes(kUnit + 1000, 33);
    serveSegments("boot.img", image, false, {true, false});

    ASSERT_EQ(runAttempt(), static_cast<uint32_t>(UPG_STATUS_FAILED));
    const auto ranges = unitRanges();
    EXPECT_EQ(std::count(ranges.begin(), ranges.end(), range(dataAt + kUnit)), 30);
    const auto calls = upgtest::quellipCalls(sandbox);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args, "boot.img 0 2097152 0");
    EXPECT_FALSE(sandbox.exists("/tmp/update/update.bin"));
}

TEST_F(UpgSegTest, AFlashingFailureStopsTheRemainingFetches)
{
    const std::string image = patternBytes(5000000, 34);
    serveSegments("boot.img", image);
    upgtest::setQuellipStatus(sandbox, 1, "boot.img 2097152");

    ASSERT_EQ(runAttempt(), static_cast<uint32_t>(UPG_STATUS_FAILED));
    const std::vector<std::string> ranges{range(dataAt), range(dataAt + kUnit)};
    EXPECT_EQ(unitRanges(), ranges);
    EXPECT_EQ(upgtest::quellipCalls(sandbox).size(), 2u);
    for (const auto& line : sandbox.quoridLog()) {
        EXPECT_EQ(line.find("reboot"), std::string::npos) << line;
    }
}

TEST_F(UpgSegTest, OnlyStoredImagesOfTheMapReachTheFlashingProgram)
{
    const std::string image = patternBytes(300000, 35);
    struct Case {
        const char* name;
        bool deflate;
    };
    const Case cases[] = {{"boot.img;reboot", false}, {"boot.img.signed", false}, {"boot.img", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(sandbox.path("/sim/quellip.log").c_str());
        serveSegments(c.name, image, c.deflate);
        EXPECT_EQ(runAttempt(), static_cast<uint32_t>(UPG_STATUS_FAILED));
        EXPECT_TRUE(upgtest::quellipCalls(sandbox).empty());
    }
    for (const auto& line : sandbox.quoridLog()) {
        EXPECT_EQ(line.find("reboot"), std::string::npos) << line;
    }
}

}  // namespace
