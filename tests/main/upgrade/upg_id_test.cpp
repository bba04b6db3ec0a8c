// The ID file: its keys, its checksum lines, the URLs and the fetch.
#include "main/upgrade/upg_id.h"

#include "tests/main/upgrade/upg_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using upgtest::sha256Hex;

using UpgIdTest = sbtest::SandboxTest;

struct KeyCase {
    const char* what;
    std::string content;
    int32_t result;
    int32_t version;
    int32_t fileSize;
    int32_t imageCount;
    uint8_t lowMemory;
    uint8_t force;
};

TEST_F(UpgIdTest, KeysAreReadAsWrittenAndHostileValuesAreRefusedOrCut)
{
    const std::string longWord(200, 'x');
    const KeyCase cases[] = {
        {"all keys", "Version=8\nForce_Update=true\nFile_Size=1234\nLow_Memory=true\nImage_Count=2\n", 0, 8, 1234, 2, 1,
         1},
        {"capitals are not true", "Version=1\nForce_Update=TRUE\nLow_Memory=True\n", 0, 1, 0, 0, 0, 0},
        {"a word beginning with true is", "Force_Update=trueish\n", 0, 0, 0, 0, 0, 1},
        {"the last of a repeated key wins", "Version=3\nVersion=5\n", 0, 5, 0, 0, 0, 0},
        {"keys must start the line", " Version=9\nVersion =9\nversion=9\nImage_Count=1\n", 0, 0, 0, 1, 0, 0},
        {"only checksum lines", "update.zip | 0 - 9 | " + std::string(64, 'a') + "\n", -1, 0, 0, 0, 0, 0},
        {"empty file", "", -1, 0, 0, 0, 0, 0},
        {"a number beyond 32 bits is no key", "Version=99999999999999999999\nImage_Count=1\n", 0, 0, 0, 1, 0, 0},
        {"negative version", "Version=-4\n", 0, -4, 0, 0, 0, 0},
        {"a long value is cut, its tail is no line", "Force_Update=" + longWord + "\nVersion=2\n", 0, 2, 0, 0, 0, 0},
        {"a tail that looks like a key is not read", "X=" + std::string(61, 'y') + "Version=7\nImage_Count=3\n", 0, 0,
         0, 3, 0, 0},
        {"no newline at the end", "Version=6", 0, 6, 0, 0, 0, 0},
        {"a value without digits", "Version=abc\nFile_Size=\n", -1, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sandbox.write("/tmp/id.bin", c.content);
        upg_id_info info{};
        ASSERT_EQ(upgDlParseIdInfo(&info, "/tmp/id.bin"), c.result);
        EXPECT_EQ(info.Version, c.version);
        EXPECT_EQ(info.File_Size, c.fileSize);
        EXPECT_EQ(info.Image_Count, c.imageCount);
        EXPECT_EQ(info.Low_Memory, c.lowMemory);
        EXPECT_EQ(info.Force_Update, c.force);
    }
    upg_id_info info{};
    EXPECT_EQ(upgDlParseIdInfo(&info, "/tmp/missing.bin"), -1);
}

TEST_F(UpgIdTest, ChecksumLinesMatchOnlyWhenNameOffsetsAndLowerCaseDigestAgree)
{
    const std::string digest = sha256Hex("package");
    std::string upper = digest;
    for (auto& ch : upper) {
        ch = static_cast<char>(toupper(ch));
    }
    struct Case {
        const char* what;
        std::string line;
        bool matches;
    };
    const Case cases[] = {
        {"as written", "update.zip | 0 - 9 | " + digest, true},
        {"blanks are optional around the bars", "update.zip |0-9|" + digest, true},
        {"leading blanks", "   update.zip | 0 - 9 | " + digest, true},
        {"a longer name beginning with the wanted one", "update.zip.1 | 0 - 9 | " + digest, true},
        {"no blank after the name", "update.zip| 0 - 9 | " + digest, false},
        {"upper-case digest", "update.zip | 0 - 9 | " + upper, false},
        {"end offset one too far", "update.zip | 0 - 10 | " + digest, false},
        {"digest one short", "update.zip | 0 - 9 | " + digest.substr(0, 63), false},
        {"another name", "boot.img | 0 - 9 | " + digest, false},
        {"a 200-character name", std::string(200, 'n') + " | 0 - 9 | " + digest, false},
        {"a 64-character name", std::string(64, 'u') + " | 0 - 9 | " + digest, false},
        {"an offset beyond 32 bits", "update.zip | 0 - 99999999999999 | " + digest, false},
        {"nothing after the bars", "update.zip | 0 - 9 |", false},
    };
    UpgDlChecksumRec rec{};
    strcpy(rec.name, "update.zip");
    rec.offset = 0;
    rec.end = 9;
    strcpy(rec.sha256, digest.c_str());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sandbox.write(UPG_ID_TMP_PATH, "Version=1\n" + c.line + "\n");
        EXPECT_EQ(upgDlCmpChecksum(&rec), c.matches ? 0 : -1);
    }
    // A line far past the reading width neither matches nor spills into the next line.
    sandbox.write(UPG_ID_TMP_PATH, std::string(300, 'z') + "update.zip | 0 - 9 | " + digest + "\n");
    EXPECT_EQ(upgDlCmpChecksum(&rec), -1);
    sandbox.write(UPG_ID_TMP_PATH, std::string(300, 'z') + "\nupdate.zip | 0 - 9 | " + digest + "\n");
    EXPECT_EQ(upgDlCmpChecksum(&rec), 0);

    // A record without a whole digest matches nothing.
    UpgDlChecksumRec empty{};
    strcpy(empty.name, "update.zip");
    empty.end = 9;
    EXPECT_EQ(upgDlCmpChecksum(&empty), -1);
}

TEST_F(UpgIdTest, UrlsFromTheConsoleComposeTheIdFileUrl)
{
    upg_id_info info{};
    char set[] = "set_url";
    char base[] = "http://10.0.0.1/fw/";
    char idUrl[] = "http://10.0.0.1/id.bin";
    char pkgUrl[] = "http://10.0.0.2/pkg.zip";

    char* one[] = {set, base};
    ASSERT_EQ(upgCtrlCliSetUrl(2, one), 0);
    upgDlGetIdFileInit(&info);
    EXPECT_STREQ(info.url, "http://10.0.0.1/fw/upg_id_file.bin");
    EXPECT_STREQ(info.path, "/tmp/upg_id_file.bin");

    char* two[] = {set, idUrl, pkgUrl};
    ASSERT_EQ(upgCtrlCliSetUrl(3, two), 0);
    upgDlGetIdFileInit(&info);
    EXPECT_STREQ(info.url, "http://10.0.0.1/id.bin");
    char gotId[UPG_URL_LEN];
    char gotPkg[UPG_URL_LEN];
    upgDlGetUrls(gotId, gotPkg);
    EXPECT_STREQ(gotPkg, "http://10.0.0.2/pkg.zip");

    // A second argument too long falls back to the first as the base URL.
    std::string longUrl = "http://x/" + std::string(260, 'a');
    char* tooLong[] = {set, base, longUrl.data()};
    ASSERT_EQ(upgCtrlCliSetUrl(3, tooLong), 0);
    upgDlGetUrls(gotId, gotPkg);
    EXPECT_STREQ(gotId, base);
    EXPECT_STREQ(gotPkg, "");

    EXPECT_EQ(upgDlSetUrl(longUrl.c_str(), nullptr), -1);
    EXPECT_EQ(upgDlSetUrl(base, longUrl.c_str()), -1);
    upgDlGetUrls(gotId, gotPkg);
    EXPECT_STREQ(gotId, base);  // a refused URL changes nothing
    EXPECT_EQ(upgDlSetUrl(nullptr, nullptr), 0);

    // A base URL that leaves no room for the file name gives no URL rather than a cut one.
    const std::string nearlyFull = "http://x/" + std::string(240, 'a') + "/";
    ASSERT_EQ(upgDlSetUrl(nearlyFull.c_str(), nullptr), 0);
    upgDlGetIdFileInit(&info);
    EXPECT_STREQ(info.url, "");
    upg_id_info remote{};
    EXPECT_NE(upgDlGetIdInfo(&remote, UPG_ID_SRC_REMOTE), 0);

    char* none[] = {set};
    ASSERT_EQ(upgCtrlCliSetUrl(1, none), 0);
    upgDlGetUrls(gotId, gotPkg);
    EXPECT_STREQ(gotId, "");
    EXPECT_STREQ(gotPkg, "");
}

TEST_F(UpgIdTest, AnHttpErrorIsAFailedFetchThatLeavesNoFile)
{
    sbtest::HttpServer server;
    server.setFile("/upg_id_file.bin", "Version=8\n");
    server.setStatus("/gone.bin", 404);
    sandbox.write(UPG_ID_TMP_PATH, "Version=1\n");

    EXPECT_EQ(upgDlGetIdFile((server.url() + "gone.bin").c_str(), UPG_ID_TMP_PATH), -1);
    EXPECT_FALSE(sandbox.exists(UPG_ID_TMP_PATH));

    ASSERT_EQ(upgDlGetIdFile((server.url() + "upg_id_file.bin").c_str(), UPG_ID_TMP_PATH), 0);
    EXPECT_EQ(sandbox.read(UPG_ID_TMP_PATH), "Version=8\n");

    server.refuse(true);
    EXPECT_EQ(upgDlGetIdFile((server.url() + "upg_id_file.bin").c_str(), UPG_ID_TMP_PATH), -1);
    EXPECT_FALSE(sandbox.exists(UPG_ID_TMP_PATH));
}

TEST_F(UpgIdTest, VersionDecision)
{
    sbtest::HttpServer server;
    ASSERT_EQ(upgDlSetUrl(server.url().c_str(), nullptr), 0);
    struct Case {
        const char* what;
        const char* local;  // null: no local copy
        const char* remote;
        int32_t due;
    };
    const Case cases[] = {
        {"same version", "Version=7\n", "Version=7\n", -1},
        {"newer remote", "Version=7\n", "Version=8\n", 0},
        {"older remote", "Version=7\n", "Version=6\n", -1},
        {"forced older remote", "Version=7\n", "Version=3\nForce_Update=true\n", 0},
        {"no local copy", nullptr, "Version=1\n", 0},
        {"remote without keys", "Version=1\n", "garbage\n", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.local != nullptr) {
            sandbox.write(UPG_ID_LOCAL_PATH, c.local);
        } else {
            std::remove(sandbox.path(UPG_ID_LOCAL_PATH).c_str());
        }
        server.setFile("/upg_id_file.bin", c.remote);
        EXPECT_EQ(upgCtrlCheckIdInfo(), c.due);
    }
    // Without a remote file there is nothing to decide on, even against a negative local version.
    sandbox.write(UPG_ID_LOCAL_PATH, "Version=-1\n");
    server.setStatus("/upg_id_file.bin", 404);
    EXPECT_EQ(upgCtrlCheckIdInfo(), -1);
}

TEST_F(UpgIdTest, SavingTheNewIdFileVerifiesTheCopy)
{
    EXPECT_EQ(upgCtrlSaveNewId(), -1);  // nothing fetched
    sandbox.write(UPG_ID_TMP_PATH, "Version=9\nImage_Count=2\n");
    sandbox.write(UPG_ID_LOCAL_PATH, "Version=7\n");
    ASSERT_EQ(upgCtrlSaveNewId(), 0);
    EXPECT_EQ(sandbox.read(UPG_ID_LOCAL_PATH), "Version=9\nImage_Count=2\n");
    EXPECT_EQ(upgCtrlVerifyIdFile(), 0);
}

}  // namespace
