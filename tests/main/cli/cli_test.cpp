#include "main/cli/cli.h"
#include "main/cli/dbg_level.h"
#include "tests/main/cli/pty_link.h"
#include "tests/support/sandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

using Call = std::vector<std::string>;
std::vector<Call> gCalls;

Call callOf(int argc, char** argv)
{
    return Call(argv, argv + argc);
}

int recordTimerd(int argc, char** argv)
{
    gCalls.push_back(callOf(argc, argv));
    return 100;
}

int recordAm(int argc, char** argv)
{
    gCalls.push_back(callOf(argc, argv));
    return 200;
}

int recordHandle(int argc, char** argv)
{
    gCalls.push_back(callOf(argc, argv));
    return 300;
}

int recordRoot(int argc, char** argv)
{
    gCalls.push_back(callOf(argc, argv));
    return 0;
}

const cli_cmd_t kTimerdCmds[] = {
    {"gdl", nullptr, recordTimerd, nullptr, "Get debug level", CLI_ACCESS_NORMAL},
    {"sdl", nullptr, recordTimerd, nullptr, "Set debug level", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};
const cli_cmd_t kTimerdTbl[] = {
    {"timerd", "td", nullptr, kTimerdCmds, "timerd commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kInnerCmds[] = {
    {"inner", nullptr, recordAm, nullptr, "Inner command", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};
const cli_cmd_t kAmCmds[] = {
    {"gdl", nullptr, recordAm, nullptr, "Get debug level", CLI_ACCESS_NORMAL},
    {"broken", nullptr, nullptr, nullptr, "Neither handler nor sub-table", CLI_ACCESS_NORMAL},
    {"both", nullptr, recordAm, kInnerCmds, "Handler and sub-table", CLI_ACCESS_NORMAL},
    {"secret", nullptr, recordAm, nullptr, "Hidden command", CLI_ACCESS_HIDDEN},
    CLI_LAST_CMD,
};
const cli_cmd_t kAmTbl[] = {
    {"am", nullptr, nullptr, kAmCmds, "am commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kHandleCmds[] = {
    {"gdl", nullptr, recordHandle, nullptr, "Get debug level", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};
const cli_cmd_t kHandleTbl[] = {
    {"handle", nullptr, nullptr, kHandleCmds, "handle commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kRecTbl[] = {
    {"rec", nullptr, recordRoot, nullptr, "Record the words", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

class CliTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        gCalls.clear();
        cli_test_reset();
        ASSERT_EQ(0, cli_init_phase1());
    }
    void TearDown() override { cli_test_reset(); }

    void attachModules()
    {
        ASSERT_EQ(0, u_cli_attach_cmd_tbl(kTimerdTbl, CLI_GRP_APP, 0, 0));
        ASSERT_EQ(0, u_cli_attach_cmd_tbl(kAmTbl, CLI_GRP_APP, 0, 0));
        ASSERT_EQ(0, u_cli_attach_cmd_tbl(kHandleTbl, CLI_GRP_MW, 0, 0));
        ASSERT_EQ(0, u_cli_attach_cmd_tbl(kRecTbl, CLI_GRP_ROOT, 0, 0));
    }

    // Runs one line and returns what the console printed.
    std::string run(const std::string& line, int32_t* result = nullptr)
    {
        ::testing::internal::CaptureStdout();
        const int32_t r = u_cli_parser(line.c_str());
        if (result != nullptr) {
            *result = r;
        }
        return ::testing::internal::GetCapturedStdout();
    }

    int32_t result(const std::string& line)
    {
        int32_t r = 0;
        run(line, &r);
        return r;
    }
};

std::string helpLine(const std::string& namePart, const std::string& help)
{
    std::string line = namePart;
    line.resize(24, ' ');
    return line + help + "\n\r";
}

TEST_F(CliTest, FindsCommandsByDottedPathAndAbbreviation)
{
    attachModules();
    struct Case {
        const char* where;  // cd argument before the line, or nullptr for the root
        const char* line;
        int32_t result;
        Call call;  // empty when no handler runs
    };
    const Case cases[] = {
        {nullptr, "app.timerd.gdl", 100, {"gdl"}},
        {nullptr, "app.td.gdl", 100, {"gdl"}},
        {nullptr, "app.td.sdl ea", 100, {"sdl", "ea"}},
        {nullptr, "mw.handle.gdl", 300, {"gdl"}},
        {nullptr, "timerd.gdl", -10, {}},
        {nullptr, "app.TD.gdl", -10, {}},
        {nullptr, "app.tim.gdl", -10, {}},
        {nullptr, "app.td", 1, {}},
        {nullptr, "app.td x", -10, {}},
        {nullptr, "app", 1, {}},
        {nullptr, "app.am.broken", -5, {}},
        {nullptr, "app.am.both", 1, {}},
        {nullptr, "app.am.both x", 200, {"both", "x"}},
        {nullptr, "app.am.both.inner", 200, {"inner"}},
        {nullptr, "nosuch", -10, {}},
        {"app", "timerd.gdl", 100, {"gdl"}},
        {"app", "td.gdl", 100, {"gdl"}},
        {"app", "TD.gdl", -10, {}},
        {"app", "tim.gdl", -10, {}},
        {"app", "timerd", 1, {}},
        {"app", "timerd x", -10, {}},
        {"app", "app.td.gdl", -10, {}},
        {"app", "setbr 9600", -10, {}},
        {"app", "rec", -10, {}},
        {"app.td", "gdl", 100, {"gdl"}},
        {"app.td", "exec", 0, {}},
        {"app.td", "ls", 0, {}},
        {"app.td", "dis_log", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.where ? c.where : "/") + ": " + c.line);
        ASSERT_EQ(0, result("cd /"));
        if (c.where != nullptr) {
            ASSERT_EQ(0, result(std::string("cd ") + c.where));
        }
        gCalls.clear();
        EXPECT_EQ(c.result, result(c.line));
        EXPECT_EQ(c.call.empty() ? std::vector<Call>{} : std::vector<Call>{c.call}, gCalls);
    }
}

TEST_F(CliTest, RootHelpHidesLevelOneRowsAndLsAllShowsThem)
{
    const std::string help = "[Help]\n\r" + helpLine("exec:", "execute linux command") +
                             helpLine("app:", "Application") + helpLine("mw:", "Middleware") +
                             helpLine("setbaudrate(setbr):", "Set uart baudrate");
    int32_t r = -1;
    EXPECT_EQ(help, run("ls", &r));
    EXPECT_EQ(0, r);
    EXPECT_EQ(help, run("", &r));
    EXPECT_EQ(0, r);

    auto all = [](const char* prefix, const std::string& namePart, const std::string& text, int level) {
        std::string line = helpLine(namePart, text);
        line.resize(line.size() - 2);
        return prefix + line + "access light is " + std::to_string(level) + "\n\r";
    };
    EXPECT_EQ("[Help]\n\r" + all("   ", "cd:", "Change directory", 1) + all("   ", "ls:", "List commands", 1) +
                  all("   ", "dis_log:", "disable layer app,driver,mmw,mw,sys", 1) +
                  all("   ", "exec:", "execute linux command", 0) + all("cd ", "app:", "Application", 0) +
                  all("cd ", "mw:", "Middleware", 0) + all("   ", "setbaudrate(setbr):", "Set uart baudrate", 0),
              run("ls all"));
}

TEST_F(CliTest, TableHelpListsRowsUpToTheFirstWithoutHelp)
{
    attachModules();
    int32_t r = 0;
    EXPECT_EQ("[Help]\n\r" + helpLine("gdl:", "Get debug level") +
                  helpLine("broken:", "Neither handler nor sub-table") + helpLine("both:", "Handler and sub-table"),
              run("app.am", &r));
    EXPECT_EQ(1, r);
    EXPECT_EQ("[Help]\n\r" + helpLine("am:", "am commands") + helpLine("timerd(td):", "timerd commands"),
              run("app", &r));
    EXPECT_EQ(1, r);
}

TEST_F(CliTest, HelpRowsBeyondTheRowLimitAreLeftOutAndLongNamesCut)
{
    // Name, "(abbreviation)", help and terminator may take 128 characters at most.
    const std::string fits(126, 'h');
    const std::string tooLong(127, 'h');
    const std::string fitsWithAbbr(123, 'h');
    const std::string tooLongWithAbbr(124, 'h');
    const cli_cmd_t cmds[] = {
        {"x", nullptr, recordRoot, nullptr, fits.c_str(), CLI_ACCESS_NORMAL},
        {"y", nullptr, recordRoot, nullptr, tooLong.c_str(), CLI_ACCESS_NORMAL},
        {"z", "q", recordRoot, nullptr, fitsWithAbbr.c_str(), CLI_ACCESS_NORMAL},
        {"w", "q", recordRoot, nullptr, tooLongWithAbbr.c_str(), CLI_ACCESS_NORMAL},
        {"a_very_long_command_name_here", "lng", recordRoot, nullptr, "cut", CLI_ACCESS_NORMAL},
        CLI_LAST_CMD,
    };
    const cli_cmd_t tbl[] = {{"long", nullptr, nullptr, cmds, "long rows", CLI_ACCESS_NORMAL}, CLI_LAST_CMD};
    ASSERT_EQ(0, u_cli_attach_cmd_tbl(tbl, CLI_GRP_APP, 0, 0));
    EXPECT_EQ("[Help]\n\r" + helpLine("x:", fits) + helpLine("z(q):", fitsWithAbbr) +
                  "a_very_long_command_name"
                  "cut\n\r",
              run("app.long"));
}

TEST_F(CliTest, DirectoryKeepsNameOrderAndReplacesSameNameAndAbbreviation)
{
    const cli_cmd_t zeta[] = {{"zeta", nullptr, nullptr, kTimerdCmds, "zeta commands", 0}, CLI_LAST_CMD};
    const cli_cmd_t alpha[] = {{"alpha", nullptr, nullptr, kTimerdCmds, "alpha commands", 0}, CLI_LAST_CMD};
    const cli_cmd_t timerdAgain[] = {{"timerd", "td", nullptr, kAmCmds, "new timerd", 0}, CLI_LAST_CMD};
    const cli_cmd_t timerdOther[] = {{"timerd", "tmd", nullptr, kAmCmds, "other timerd", 0}, CLI_LAST_CMD};
    const cli_cmd_t plainA[] = {{"plain", nullptr, nullptr, kTimerdCmds, "plain one", 0}, CLI_LAST_CMD};
    const cli_cmd_t plainB[] = {{"plain", "pl", nullptr, kAmCmds, "plain two", 0}, CLI_LAST_CMD};

    EXPECT_EQ(-11, result("cd app"));
    ASSERT_EQ(0, u_cli_attach_cmd_tbl(zeta, CLI_GRP_APP, 0, 0));
    ASSERT_EQ(0, u_cli_attach_cmd_tbl(alpha, CLI_GRP_APP, 0, 0));
    ASSERT_EQ(0, u_cli_attach_cmd_tbl(kTimerdTbl, CLI_GRP_APP, 0, 0));
    EXPECT_EQ("[Help]\n\r" + helpLine("alpha:", "alpha commands") + helpLine("timerd(td):", "timerd commands") +
                  helpLine("zeta:", "zeta commands"),
              run("app"));

    // Same name and abbreviation: replaced in place.
    ASSERT_EQ(0, u_cli_attach_cmd_tbl(timerdAgain, CLI_GRP_APP, 0, 2));
    EXPECT_EQ(200, result("app.td.gdl"));
    // Same name, other abbreviation: a second entry, found after the first.
    ASSERT_EQ(0, u_cli_attach_cmd_tbl(timerdOther, CLI_GRP_APP, 0, 0));
    EXPECT_EQ("[Help]\n\r" + helpLine("alpha:", "alpha commands") + helpLine("timerd(td):", "new timerd") +
                  helpLine("timerd(tmd):", "other timerd") + helpLine("zeta:", "zeta commands"),
              run("app"));
    // An attached row without abbreviation is replaced by any table of its name.
    ASSERT_EQ(0, u_cli_attach_cmd_tbl(plainA, CLI_GRP_APP, 0, 0));
    ASSERT_EQ(0, u_cli_attach_cmd_tbl(plainB, CLI_GRP_APP, 0, 0));
    EXPECT_EQ(200, result("app.pl.gdl"));
    EXPECT_THAT(run("app"), Not(HasSubstr("plain one")));

    // The root group keeps attach order.
    ASSERT_EQ(0, u_cli_attach_cmd_tbl(alpha, CLI_GRP_ROOT, 0, 0));
    EXPECT_THAT(run("ls"),
                HasSubstr(helpLine("setbaudrate(setbr):", "Set uart baudrate") + helpLine("alpha:", "alpha commands")));

    EXPECT_EQ(0, result("cd app"));
    EXPECT_STREQ("Command.app>", cli_get_prompt_str_buf());

    // The directory follows its first table, and is gone with its last.
    EXPECT_EQ(0, result("cd /"));
    for (const cli_cmd_t* t : {alpha, plainB, timerdAgain, timerdOther}) {
        ASSERT_EQ(0, u_cli_detach_cmd_tbl(t, CLI_GRP_APP, 0, t == timerdAgain ? 2 : 0));
        EXPECT_EQ(0, result("cd app"));
        EXPECT_EQ(0, result("cd /"));
    }
    ASSERT_EQ(0, u_cli_detach_cmd_tbl(zeta, CLI_GRP_APP, 0, 0));
    EXPECT_EQ(-11, result("cd app"));
    EXPECT_EQ(-10, result("app"));
}

TEST_F(CliTest, AttachAndDetachRefuseBadRequests)
{
    const cli_cmd_t unnamed[] = {CLI_LAST_CMD};
    EXPECT_EQ(-4, u_cli_attach_cmd_tbl(nullptr, CLI_GRP_APP, 0, 0));
    EXPECT_EQ(-4, u_cli_attach_cmd_tbl(unnamed, CLI_GRP_APP, 0, 0));
    EXPECT_EQ(-4, u_cli_attach_cmd_tbl(kTimerdTbl, 3, 0, 0));
    EXPECT_EQ(-14, u_cli_detach_cmd_tbl(kTimerdTbl, CLI_GRP_MW, 0, 0));

    ASSERT_EQ(0, u_cli_attach_cmd_tbl(kTimerdTbl, CLI_GRP_APP, 2, 0));
    EXPECT_EQ(-10, u_cli_detach_cmd_tbl(kTimerdTbl, CLI_GRP_APP, 0, 0));
    EXPECT_EQ(-10, u_cli_detach_cmd_tbl(kAmTbl, CLI_GRP_APP, 2, 0));
    EXPECT_EQ(100, result("app.td.gdl"));
    EXPECT_EQ(0, u_cli_detach_cmd_tbl(kTimerdTbl, CLI_GRP_APP, 2, 0));
    EXPECT_EQ(-10, result("app.td.gdl"));

    // 128 tables fill a group.
    std::vector<std::string> names;
    std::vector<std::array<cli_cmd_t, 2>> tables(CLI_MAX_TBL_PER_GRP + 1);
    for (size_t i = 0; i < tables.size(); ++i) {
        names.push_back("m" + std::to_string(1000 + i));
    }
    for (size_t i = 0; i < tables.size(); ++i) {
        tables[i] = {{{names[i].c_str(), nullptr, nullptr, kTimerdCmds, "module", 0}, CLI_LAST_CMD}};
    }
    for (size_t i = 0; i < CLI_MAX_TBL_PER_GRP; ++i) {
        ASSERT_EQ(0, u_cli_attach_cmd_tbl(tables[i].data(), CLI_GRP_MW, 0, 0));
    }
    EXPECT_EQ(-8, u_cli_attach_cmd_tbl(tables.back().data(), CLI_GRP_MW, 0, 0));
    EXPECT_EQ(100, result("mw.m1127.gdl"));

    cli_test_reset();
    EXPECT_EQ(-1, u_cli_attach_cmd_tbl(kTimerdTbl, CLI_GRP_APP, 0, 0));
    EXPECT_EQ(-1, u_cli_detach_cmd_tbl(kTimerdTbl, CLI_GRP_APP, 0, 0));
    int32_t r = 0;
    EXPECT_EQ("cli is not init\n", run("ls", &r));
    EXPECT_EQ(-1, r);
    EXPECT_FALSE(cli_is_inited());
}

TEST_F(CliTest, CdWalksDirectoriesAndBuildsThePrompt)
{
    const cli_cmd_t level7[] = {{"l7", nullptr, nullptr, kInnerCmds, "seven", 0}, CLI_LAST_CMD};
    const cli_cmd_t level6[] = {{"l6", nullptr, nullptr, level7, "six", 0}, CLI_LAST_CMD};
    const cli_cmd_t level5[] = {{"l5", nullptr, nullptr, level6, "five", 0}, CLI_LAST_CMD};
    const cli_cmd_t level4[] = {{"l4", nullptr, nullptr, level5, "four", 0}, CLI_LAST_CMD};
    const cli_cmd_t level3[] = {{"l3", nullptr, nullptr, level4, "three", 0}, CLI_LAST_CMD};
    const cli_cmd_t level2[] = {{"l2", nullptr, nullptr, level3, "two", 0}, CLI_LAST_CMD};
    const cli_cmd_t deep[] = {{"deep", "dp", nullptr, level2, "deep commands", 0}, CLI_LAST_CMD};
    attachModules();
    ASSERT_EQ(0, u_cli_attach_cmd_tbl(deep, CLI_GRP_APP, 0, 0));

    EXPECT_STREQ("Command>", cli_get_prompt_str_buf());
    struct Step {
        const char* line;
        int32_t result;
        const char* prompt;
    };
    const Step steps[] = {
        {"cd app", 0, "Command.app>"},
        {"cd td", 0, "Command.app.td>"},
        {"cd ..", 0, "Command.app>"},
        {"cd ..", 0, "Command>"},
        {"cd ..", 0, "Command>"},
        {"cd app.timerd", 0, "Command.app.td>"},
        {"cd /mw.handle", 0, "Command.mw.handle>"},
        {"cd nosuch", -11, "Command.mw.handle>"},
        {"cd /app.nosuch", -11, "Command.app>"},
        {"cd .", -11, "Command.app>"},
        {"cd", 1, "Command.app>"},
        {"cd a b", 1, "Command.app>"},
        {"cd /", 0, "Command>"},
        {"cd cd", -11, "Command>"},
        {"cd setbr", -11, "Command>"},
        {"cd mw..app", 0, "Command.app>"},
        {"cd /app.dp.l2.l3.l4.l5.l6", 0, "Command.app.dp.l2.l3.l4.l5.l6>"},
        {"cd inner", -11, "Command.app.dp.l2.l3.l4.l5.l6>"},
        {"cd ..", 0, "Command.app.dp.l2.l3.l4.l5>"},
        {"cd l6", 0, "Command.app.dp.l2.l3.l4.l5.l6>"},
        // Seven levels are entered: one more goes back to the root instead.
        {"cd l7", 0, "Command>"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.line);
        EXPECT_EQ(s.result, result(s.line));
        EXPECT_STREQ(s.prompt, cli_get_prompt_str_buf());
    }

    // The location shows in the help of an empty line.
    EXPECT_EQ(0, result("cd app.td"));
    EXPECT_EQ("[Help]\n\r" + helpLine("gdl:", "Get debug level") + helpLine("sdl:", "Set debug level"), run(""));
}

TEST_F(CliTest, PromptStaysWithinItsBuffer)
{
    std::vector<std::string> names;
    for (char c = 'a'; c <= 'f'; ++c) {
        names.push_back(std::string(200, c));
    }
    // Below "mw", six nested levels named by 200 characters each: the last does not fit.
    std::array<std::array<cli_cmd_t, 2>, 6> levels{};
    for (size_t i = levels.size(); i-- > 0;) {
        const cli_cmd_t* sub = i + 1 < levels.size() ? levels[i + 1].data() : kInnerCmds;
        levels[i] = {{{names[i].c_str(), nullptr, nullptr, sub, "level", 0}, CLI_LAST_CMD}};
    }
    ASSERT_EQ(0, u_cli_attach_cmd_tbl(levels[0].data(), CLI_GRP_MW, 0, 0));
    ASSERT_EQ(0, result("cd mw"));
    std::string expected = "Command.mw";
    for (const std::string& name : names) {
        ASSERT_EQ(0, result("cd " + name));
        if (expected.size() + 1 + name.size() + 1 < CLI_PROMPT_BUF_SIZE) {
            expected += "." + name;
        }
    }
    EXPECT_EQ(expected + ">", cli_get_prompt_str_buf());
    EXPECT_EQ(std::string::npos, expected.find('f'));
    EXPECT_EQ(200, result("inner"));
}

TEST_F(CliTest, SplitsWordsWithQuotesCommentsAndLimits)
{
    attachModules();
    const std::string longWord(300, 'w');
    std::string manyWords = "rec";
    for (int i = 1; i <= 70; ++i) {
        manyWords += " " + std::to_string(i);
    }
    Call many = {"rec"};
    for (int i = 1; i <= 63; ++i) {
        many.push_back(std::to_string(i));
    }
    struct Case {
        std::string line;
        std::vector<Call> calls;
    };
    const Case cases[] = {
        {"rec 'a b' c", {{"rec", "a b", "c"}}},
        {"rec \"\" x", {{"rec", "", "x"}}},
        {"rec a\"b c\"d", {{"rec", "ab c", "d"}}},
        {"rec 'it\"s'", {{"rec", "it\"s"}}},
        {"rec \"open ended", {{"rec", "open ended"}}},
        {"\t rec\ta\x01"
         "b\r\n",
         {{"rec", "a", "b"}}},
        {"# rec x", {}},
        {"rec \"x\"#y z", {{"rec", "x"}}},
        {"rec x#y", {{"rec", "x#y"}}},
        {"rec " + longWord, {{"rec", std::string(255, 'w'), std::string(45, 'w')}}},
        {"rec \"" + std::string(254, 'q') + " x y\"", {{"rec", std::string(254, 'q') + " ", "x y"}}},
        {manyWords, {many}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        gCalls.clear();
        EXPECT_EQ(0, result(c.line));
        EXPECT_EQ(c.calls, gCalls);
    }
    EXPECT_EQ(-4, cli_parser(nullptr));
}

TEST_F(CliTest, DisLogMasksLayersAndSilencesTheConsole)
{
    struct Case {
        const char* line;
        uint32_t mask;
    };
    const Case cases[] = {
        {"dis_log app mw", 0x500},  {"dis_log app nosuch sys", 0x100},
        {"dis_log sys on", 0xff00}, {"dis_log on sys", 0x800},
        {"dis_log mw", 0x400},      {"dis_log", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        gUi4DisablePrint = 0x1234;
        EXPECT_EQ(0, result(c.line));
        EXPECT_EQ(c.mask, gUi4DisablePrint.load());
    }

    // Masking any layer silences the console's own listings too.
    EXPECT_EQ(0, result("dis_log mw"));
    EXPECT_EQ("", run("ls"));
    EXPECT_EQ("", run("exec"));
    EXPECT_EQ(0, result("dis_log"));
    EXPECT_THAT(run("ls"), HasSubstr("[Help]"));
}

TEST_F(CliTest, DebugLevelWordsAndDisplay)
{
    struct Case {
        const char* word;
        int32_t result;
        uint16_t level;
    };
    const Case cases[] = {
        {"ea", 0, 3},  {"none", -4, 0}, {"n", 0, 0},    {"all", 0, 7}, {"E", 0, 1},
        {"AiE", 0, 7}, {"N", 0, 0},     {"eax", -4, 3}, {"al", -4, 2}, {"", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        std::string word = c.word;
        char name[] = "sdl";
        char* argv[] = {name, word.data(), nullptr};
        uint16_t level = 0xffff;
        EXPECT_EQ(c.result, u_cli_parse_dbg_level(2, argv, &level));
        EXPECT_EQ(c.level, level);
    }
    char name[] = "sdl";
    char* noWord[] = {name, nullptr};
    uint16_t level = 5;
    EXPECT_EQ(-4, u_cli_parse_dbg_level(1, noWord, &level));
    EXPECT_EQ(-4, u_cli_parse_dbg_level(2, noWord, &level));
    EXPECT_EQ(5, level);

    ::testing::internal::CaptureStdout();
    EXPECT_EQ(0, u_cli_show_dbg_level(5));
    EXPECT_EQ(0, u_cli_show_dbg_level(0x100));
    EXPECT_EQ(0, u_cli_show_dbg_level(0x107));
    EXPECT_EQ("Debug level = ei\n\rDebug level = none\n\rDebug level = eai\n\r",
              ::testing::internal::GetCapturedStdout());

    cli_test_reset();
    EXPECT_EQ(-1, u_cli_show_dbg_level(1));
    char word[] = "e";
    char* argv[] = {name, word, nullptr};
    EXPECT_EQ(-1, u_cli_parse_dbg_level(2, argv, &level));
}

TEST_F(CliTest, ExecHandsTheJoinedWordsToTheShellCommandClient)
{
    const std::string longest(250, 'y');
    const std::string tooLong(251, 'y');
    struct Case {
        std::string line;
        std::string printed;
        std::vector<std::string> handed;
    };
    const Case cases[] = {
        {"exec \"ls -l\" /tmp", "call ls -l /tmp\n", {"ls -l /tmp"}},
        {"exec ls -l /tmp", "call ls -l /tmp\n", {"ls -l /tmp"}},
        {"exec a b c d e", "call a b c d e\n", {"a b c d e"}},
        {"exec a b c d e f", "no arg call \n", {""}},
        {"exec", "Invalid cmd! \ne.g: exec programx\n", {}},
        {"exec echo " + longest, "call echo " + longest + "\n", {"echo " + longest}},
        {"exec echo " + tooLong, "snprintf copy fail!\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        sandbox.write("/sim/quorid.log", "");
        int32_t r = -1;
        EXPECT_EQ(c.printed, run(c.line, &r));
        EXPECT_EQ(0, r);
        EXPECT_EQ(c.handed, sandbox.quoridLog());
    }
}

TEST_F(CliTest, SetBaudrateSetsTheLineSpeedAtTheRootOnly)
{
    sbtest::PtyLink uart(sandbox, "/dev/ttyKV0");
    struct Case {
        const char* line;
        speed_t speed;
    };
    const Case cases[] = {
        {"setbaudrate 921600", B921600}, {"setbr 460800", B460800}, {"setbr 0x38400", B230400},
        {"setbr 57600", B57600},         {"setbr 9600", B9600},     {"setbr 12x", B115200},
        {"setbr 9601", B115200},         {"setbr 0x", B115200},     {"setbr 0x0000E1009", B57600},
        {"setbr 00000096001", B9600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        if (!uart.holds(c.speed)) {
            continue;  // the emulator's terminal layer may not carry every speed
        }
        EXPECT_EQ(0, result("setbr 9600"));
        EXPECT_EQ(0, result(c.line));
        const termios attrs = uart.attributes();
        EXPECT_EQ(c.speed, cfgetospeed(&attrs));
        EXPECT_EQ(c.speed, cfgetispeed(&attrs));
    }
    EXPECT_EQ("Err:set baudrate, please give the bandrate value\n", run("setbr"));
}

TEST_F(CliTest, InitTwiceIsRefusedAndFormattedLinesRun)
{
    attachModules();
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(-2, cli_init_phase1());
    EXPECT_EQ("CLI already init.\n", ::testing::internal::GetCapturedStdout());
    EXPECT_TRUE(cli_is_inited());
    EXPECT_EQ(100, u_cli_parser_arg("app.%s.%s %d", "td", "sdl", 7));
    EXPECT_EQ((std::vector<Call>{{"sdl", "7"}}), gCalls);

    // A formatted line is cut to 1027 characters.
    gCalls.clear();
    EXPECT_EQ(0, u_cli_parser_arg("rec %s", std::string(2000, 'x').c_str()));
    const std::string w(255, 'x');
    EXPECT_EQ((std::vector<Call>{{"rec", w, w, w, w, "xxx"}}), gCalls);
}

}  // namespace
