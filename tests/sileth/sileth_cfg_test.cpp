// The settings table and file: overlay from the file, prefix lookups, and the in-place rewrite.
#include "sileth/sileth_cfg.h"

#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class SilethCfgTest : public sbtest::SandboxTest {
protected:
    SilethCfgTest() { vSilethCfgDefaults(table); }

    std::string value(const char* title, const char* key) const
    {
        const char* v = pSilethGetValue(table, title, key);
        return v != nullptr ? v : "(none)";
    }

    void load(const std::string& text)
    {
        sandbox.write(SILETH_CFG_PATH, text);
        vSilethGetAllCfg(SILETH_CFG_PATH, table, SILETH_CFG_ROWS);
    }

    sileth_cfg_item_t table[SILETH_CFG_ROWS];
};

TEST_F(SilethCfgTest, FileOverlaysMatchingRowsOnly)
{
    load("// comment\n"
         "# src_period_time=1\n"
         "src_period_time=2\n"  // before any section: no row
         "[PCM_CFG]\n"
         "src_period_time =  3000\n"  // a blank before "=" still matches the row's key
         "bufrule=bufrule 1 1 1 0 0\n"
         "no equals sign here\n"
         "[GLOBAL]\n"
         "playback=sub0\n"
         "unknown_key=7\n"
         "[DTSCD_CFG]\n"
         "bufrule=" +
         std::string(100, 'x') + "\n");  // cut to 63 characters
    EXPECT_EQ("3000", value("[PCM_CFG]", "src_period_time"));
    EXPECT_EQ("bufrule 1 1 1 0 0", value("[PCM_CFG]", "bufrule"));
    EXPECT_EQ("bufrule 6 12 24 0 0", value("[PCM_DTSX_CERTIFICATION_CFG]", "bufrule"));
    EXPECT_EQ("2000", value("[DETECT_CFG]", "src_period_time"));
    EXPECT_EQ("sub0", value("[GLOBAL]", "playback"));
    EXPECT_EQ(std::string(63, 'x'), value("[DTSCD_CFG]", "bufrule"));
}

TEST_F(SilethCfgTest, MissingFileAndOverlongLinesLeaveTheDefaults)
{
    vSilethGetAllCfg("/res/missing.cfg", table, SILETH_CFG_ROWS);
    EXPECT_EQ("main", value("[GLOBAL]", "playback"));
    // The tail of an over-long line is not read as a line of its own.
    load("[GLOBAL]\n# " + std::string(125, 'c') + "playback=wrong\n");
    EXPECT_EQ("main", value("[GLOBAL]", "playback"));
}

TEST_F(SilethCfgTest, LookupsMatchPrefixesInTableOrder)
{
    EXPECT_EQ("lr:c:lfe:lrs:lrtf:lrtr", value("[GLOBAL]", "dts_sink"));
    EXPECT_EQ("10", value("[TRUEHD_MATPCM_CFG]", "parse_mode"));
    EXPECT_EQ("(none)", value("[AC3_CFG]", "parse_mode"));
    EXPECT_EQ("drc-percent=0", value("[GLOBAL]", "drc-percent"));

    ASSERT_NE(nullptr, pSilethSetValue(table, "[GLOBAL]", "drc-percent", "drc-percent=25"));
    EXPECT_EQ("drc-percent=25", value("[GLOBAL]", "drc-percent"));
    EXPECT_EQ(nullptr, pSilethSetValue(table, "[GLOBAL]", "no-such-key", "x"));
    pSilethSetValue(table, "[GLOBAL]", "playback", std::string(80, 'y').c_str());
    EXPECT_EQ(std::string(63, 'y'), value("[GLOBAL]", "playback"));
}

TEST_F(SilethCfgTest, RewriteKeepsTheFileAroundTheChangedLine)
{
    const std::string head = "[GLOBAL]\n";
    const std::string tail = "dialog-control=dialog-control=0\n[PCM_CFG]\ndrc-percent=other\n";
    struct Case {
        const char* name;
        std::string before;
        const char* value;
        std::string after;
    };
    const Case cases[] = {
        {"shorter value is blank-padded", head + "drc-percent=drc-percent=100\n" + tail, "drc-percent=5",
         head + "drc-percent=drc-percent=5  \n" + tail},
        {"equal length is written over", head + "drc-percent=drc-percent=10\n" + tail, "drc-percent=25",
         head + "drc-percent=drc-percent=25\n" + tail},
        {"longer value rebuilds the file", head + "drc-percent=drc-percent=0\n" + tail, "drc-percent=25",
         head + "drc-percent=drc-percent=25\n" + tail},
        {"blanks after = are kept", head + "drc-percent =  drc-percent=0\n" + tail, "drc-percent=100",
         head + "drc-percent =  drc-percent=100\n" + tail},
        {"last line without newline", head + "drc-percent=drc-percent=0", "drc-percent=25",
         head + "drc-percent=drc-percent=25\n"},
        {"no matching line", "[PCM_CFG]\ndrc-percent=drc-percent=0\n", "drc-percent=25",
         "[PCM_CFG]\ndrc-percent=drc-percent=0\n"},
        // Longer than any fixed buffer: the whole file survives the rebuild.
        {"long file", head + "drc-percent=0\n" + std::string(6000, '#') + "\n" + tail, "drc-percent=25",
         head + "drc-percent=drc-percent=25\n" + std::string(6000, '#') + "\n" + tail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sandbox.write(SILETH_CFG_PATH, c.before);
        vSilethSetCfg(SILETH_CFG_PATH, "[GLOBAL]", "drc-percent", c.value);
        EXPECT_EQ(c.after, sandbox.read(SILETH_CFG_PATH));
    }
}

TEST_F(SilethCfgTest, RewrittenFileReadsBackAsTheNewValue)
{
    sandbox.write(SILETH_CFG_PATH, "[GLOBAL]\ndrc-percent=drc-percent=100\n");
    vSilethSetCfg(SILETH_CFG_PATH, "[GLOBAL]", "drc-percent", "drc-percent=5");
    vSilethGetAllCfg(SILETH_CFG_PATH, table, SILETH_CFG_ROWS);
    // The padding blanks are read back as part of the value, as the file holds them.
    EXPECT_EQ("drc-percent=5  ", value("[GLOBAL]", "drc-percent"));
}

}  // namespace
