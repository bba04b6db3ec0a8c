// The simulated soundbar as a person or a script meets it: scripts/run fed through a pipe.
#include "tests/support/sandbox.h"

#include <gmock/gmock.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <poll.h>
#include <regex>
#include <sstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Generous: the whole system starts, under sanitizers, on a loaded machine.
constexpr int kLimitMs = 120000;

class RunSession {
public:
    RunSession(const std::string& tmpDir, std::vector<std::string> args)
    {
        // The run's own settings go to its environment only: this process's next case makes its
        // sandbox under the usual TMPDIR.
        std::vector<std::string> env{"SOUNDBAR_RUN_BUILD=" + sbtest::buildDir(), "TMPDIR=" + tmpDir};
        for (char** e = environ; *e != nullptr; ++e) {
            if (strncmp(*e, "SOUNDBAR_RUN_BUILD=", 19) != 0 && strncmp(*e, "TMPDIR=", 7) != 0) {
                env.emplace_back(*e);
            }
        }
        std::vector<char*> envp;
        for (auto& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        std::vector<std::string> words{"/bin/bash", std::string(SOUNDBAR_SOURCE_DIR) + "/scripts/run"};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& w : words) {
            argv.push_back(w.data());
        }
        argv.push_back(nullptr);
        int in[2];
        int out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    ~RunSession()
    {
        closeInput();
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            finish();
        }
        if (output_ >= 0) {
            close(output_);
        }
    }

    void send(const std::string& text)
    {
        ASSERT_EQ(static_cast<ssize_t>(text.size()), write(input_, text.data(), text.size()));
    }
    void closeInput()
    {
        if (input_ >= 0) {
            close(input_);
            input_ = -1;
        }
    }
    // Reads until `text` shows at or after `from` (true) or the output ends.
    bool waitFor(const std::string& text, size_t from = 0)
    {
        while (said_.find(text, from) == std::string::npos) {
            if (!readSome()) {
                return false;
            }
        }
        return true;
    }
    // Reads to the end and returns the exit status.
    int finish()
    {
        while (readSome()) {
        }
        int status = 0;
        if (pid_ <= 0) {
            return -1;
        }
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string& said() const { return said_; }

private:
    bool readSome()
    {
        pollfd p{output_, POLLIN, 0};
        if (output_ < 0 || poll(&p, 1, kLimitMs) <= 0) {
            return false;
        }
        char buf[4096];
        const ssize_t n = read(output_, buf, sizeof(buf));
        if (n <= 0) {
            return false;
        }
        said_.append(buf, static_cast<size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string said_;
};

size_t occurrences(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) {
        ++n;
    }
    return n;
}

// The roots a run made under the test's temporary folder.
std::vector<std::string> runRoots(const std::string& dir)
{
    std::vector<std::string> roots;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().filename().string().rfind("soundbar.", 0) == 0) {
            roots.push_back(entry.path());
        }
    }
    return roots;
}

// The process of `program` running in `root`, found by its environment.
pid_t findProgram(const std::string& root, const std::string& program)
{
    DIR* proc = opendir("/proc");
    pid_t found = -1;
    for (dirent* e = proc ? readdir(proc) : nullptr; e != nullptr && found < 0; e = readdir(proc)) {
        const std::string dir = std::string("/proc/") + e->d_name;
        std::ifstream comm(dir + "/comm");
        std::string name;
        if (!std::getline(comm, name) || name != program) {
            continue;
        }
        std::ifstream env(dir + "/environ", std::ios::binary);
        std::string all((std::istreambuf_iterator<char>(env)), std::istreambuf_iterator<char>());
        if (all.find(std::string("SOUNDBAR_ROOT=") + root + '\0') != std::string::npos) {
            found = static_cast<pid_t>(std::atoi(e->d_name));
        }
    }
    if (proc != nullptr) {
        closedir(proc);
    }
    return found;
}

class RunScriptTest : public sbtest::SandboxTest {
protected:
    std::string tmp() const { return sandbox.path("/tmp"); }
};

TEST_F(RunScriptTest, EveryPipedLineIsAnsweredAndEndOfInputStopsCleanly)
{
    RunSession run(tmp(), {});
    run.send("app.acfg.get_volume\napp.td.gdl\n");
    run.closeInput();
    EXPECT_EQ(0, run.finish()) << run.said();
    EXPECT_THAT(run.said(), HasSubstr("get_volume(50) success"));
    EXPECT_THAT(run.said(), HasSubstr("Debug level"));
    EXPECT_THAT(run.said(), HasSubstr("soundbar: console ready"));
    EXPECT_THAT(run.said(), HasSubstr("soundbar: stopped"));
    EXPECT_THAT(run.said(), Not(HasSubstr("Termination signal")));
    EXPECT_THAT(run.said(), Not(HasSubstr("No record of process")));
    EXPECT_TRUE(runRoots(tmp()).empty());
}

TEST_F(RunScriptTest, ThirtyLinesWithoutQuitAreAllAnsweredAndALastLineWithoutNewlineToo)
{
    RunSession run(tmp(), {});
    std::string lines;
    for (int i = 0; i < 29; ++i) {
        lines += "ls\n";
    }
    run.send(lines + "ls");
    run.closeInput();
    EXPECT_EQ(0, run.finish()) << run.said();
    EXPECT_EQ(30u, occurrences(run.said(), "[Help]"));
}

TEST_F(RunScriptTest, QuitStopsEveryProgramWithoutTerminationLines)
{
    RunSession run(tmp(), {});
    run.send("ls\nquit\napp.acfg.get_volume\n");
    EXPECT_EQ(0, run.finish()) << run.said();
    EXPECT_THAT(run.said(), HasSubstr("[Help]"));
    EXPECT_THAT(run.said(), HasSubstr("Exit cli prog"));
    EXPECT_THAT(run.said(), Not(HasSubstr("get_volume(")));
    EXPECT_THAT(run.said(), Not(HasSubstr("Termination signal")));
    EXPECT_THAT(run.said(), Not(HasSubstr("died")));
}

TEST_F(RunScriptTest, HelpPrintsUsageAndStartsNothing)
{
    RunSession run(tmp(), {"--help"});
    EXPECT_EQ(0, run.finish());
    EXPECT_THAT(run.said(), HasSubstr("usage: scripts/run"));
    EXPECT_THAT(run.said(), HasSubstr(":key KEY"));
    EXPECT_THAT(run.said(), Not(HasSubstr("starting in")));
    EXPECT_TRUE(runRoots(tmp()).empty());

    RunSession wrong(tmp(), {"--bogus"});
    EXPECT_EQ(2, wrong.finish());
}

TEST_F(RunScriptTest, KeepLeavesTheRootWithEveryLogAndSaysWhere)
{
    RunSession run(tmp(), {"--keep"});
    run.send("ls\n:key volup\n:panel power press\n:sim input list\n:bogus\n");
    run.closeInput();
    EXPECT_EQ(0, run.finish()) << run.said();
    const auto roots = runRoots(tmp());
    ASSERT_EQ(1u, roots.size());
    EXPECT_THAT(run.said(), HasSubstr("the root is kept at " + roots[0]));
    for (const char* log : {"/sim/corvand.log", "/sim/pellant.log", "/sim/input.log"}) {
        EXPECT_TRUE(std::filesystem::exists(roots[0] + log)) << log;
    }
    std::ifstream input(roots[0] + "/sim/input.log");
    const std::string keys((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    EXPECT_THAT(keys, HasSubstr("\"KVX_Remote_Controller\" type 1 code 103 value 1"));
    EXPECT_THAT(keys, HasSubstr("\"kvx-kpd\" type 1 code 116 value 1"));
    EXPECT_THAT(run.said(), HasSubstr("/dev/input/event1 \"kvx-kpd\""));
    EXPECT_THAT(run.said(), HasSubstr("unknown :bogus"));
}

TEST_F(RunScriptTest, ChoosingTheTvInputPlaysItThroughTheDaemon)
{
    RunSession run(tmp(), {});
    run.send("app.sm.request_play 9\n");
    ASSERT_TRUE(run.waitFor("recv GST_PLAY_DONE by Sileth")) << run.said();
    run.send("app.sm.show_source\n");
    run.closeInput();
    EXPECT_EQ(0, run.finish()) << run.said();
    EXPECT_THAT(run.said(), HasSubstr("source:[9] status:[1]"));
}

// The indented lines of the README's code block that follows the paragraph holding `anchor`, each
// without its "# ..." note.
std::vector<std::string> readmeBlock(const std::string& anchor)
{
    std::ifstream in(std::string(SOUNDBAR_SOURCE_DIR) + "/README.md");
    std::string line;
    bool found = false;
    bool inBlock = false;
    std::vector<std::string> commands;
    while (std::getline(in, line)) {
        if (!found) {
            found = line.find(anchor) != std::string::npos;
            continue;
        }
        if (line.rfind("    ", 0) == 0) {
            inBlock = true;
            std::string command = line.substr(4, line.find(" #") == std::string::npos ? std::string::npos
                                                                                     : line.find(" #") - 4);
            command.erase(command.find_last_not_of(' ') + 1);
            commands.push_back(command);
        } else if (inBlock) {
            break;
        }
    }
    return commands;
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Waits (a generous bound) until `ok`; false when it never held.
template <typename F>
bool eventually(F ok)
{
    for (int i = 0; i < kLimitMs / 100; ++i) {
        if (ok()) {
            return true;
        }
        usleep(100000);
    }
    return ok();
}

// Runs a second terminal's command, verbatim, in a folder where "build/run" is this build tree;
// its output, and its exit status in `status`.
std::string shell(const std::string& dir, const std::string& root, const std::string& command, int& status)
{
    const std::string line = "cd '" + dir + "' && SOUNDBAR_ROOT='" + root + "' bash -c '" + command + "' 2>&1";
    FILE* p = popen(line.c_str(), "r");
    std::string out;
    char buf[4096];
    size_t n = 0;
    while (p != nullptr && (n = fread(buf, 1, sizeof(buf), p)) > 0) {
        out.append(buf, n);
    }
    const int raw = p != nullptr ? pclose(p) : -1;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

// Every command example of the README, typed as it stands, against a simulated soundbar: the
// first session in the console and on the keys, then the second terminal's commands; each one's
// effect is checked, and an example without a check here (or a check without its example) fails.
TEST_F(RunScriptTest, EveryCommandExampleOfTheReadmeDoesWhatItSays)
{
    const std::vector<std::string> session = readmeBlock("A first session, typed in this order");
    const std::vector<std::string> terminal = readmeBlock("From a second terminal");
    ASSERT_FALSE(session.empty());
    ASSERT_FALSE(terminal.empty());
    ASSERT_EQ("quit", session.back());

    RunSession run(tmp(), {});
    ASSERT_TRUE(run.waitFor("soundbar: console ready")) << run.said();
    const auto roots = runRoots(tmp());
    ASSERT_EQ(1u, roots.size());
    const std::string root = roots[0];
    const auto shows = [&](const std::string& text) {
        return fileText(root + "/sim/display.log").find(text) != std::string::npos;
    };
    const auto display = [&](const std::string& text) { return eventually([&] { return shows(text); }); };
    size_t from = 0;
    const auto answer = [&](const std::string& text) { return run.waitFor(text, from); };
    const auto grows = [&](const std::string& file) {
        return eventually([&] {
            const auto size = [&] {
                std::error_code ec;
                return std::filesystem::file_size(file, ec) + std::filesystem::file_size(file + ".1", ec);
            };
            const auto before = size();
            usleep(300000);
            return before > 0 && size() != before;
        });
    };
    // What each console line and key does, by its text in the README.
    const std::map<std::string, std::function<bool()>> sessionChecks{
        {":key power", [&] { return display(" ARC "); }},
        {":key volup", [&] { return shows("\"  51 \""); }},
        {":key voldown", [&] { return shows("\"  50 \""); }},
        {":key hdmi", [&] { return shows("HDIN"); }},
        {":sim i2c get 3 0x2d 4 0x7c", [&] { return answer("\n0x"); }},
        {"app.acfg.get_volume", [&] { return answer("get_volume(50) success"); }},
        {"app.sm.request_play 14", [&] { return grows(root + "/sim/alsa/main.out"); }},
        {"app.sm.show_source", [&] { return answer("source:[14] status:[1]"); }},
        {"ls", [&] { return answer("[Help]"); }},
        {"cd app", [&] { return answer("Command.app>"); }},
        {"sm.show_source", [&] { return answer("source:[14] status:[1]"); }},
        {"cd ..", [&] { return answer("\rCommand>"); }},
        {"quit", [] { return true; }},
    };
    for (const std::string& line : session) {
        ASSERT_TRUE(sessionChecks.count(line)) << "no check for the README's example " << line;
        if (line == "quit") {
            break;
        }
        // A key that comes while the soundbar still powers on is ignored, and scripts/run says so:
        // the person presses it again.
        bool done = false;
        for (int tries = 0; tries < 30 && !done; ++tries) {
            from = run.said().size();
            run.send(line + "\n");
            if (line.rfind(":key ", 0) == 0 && line != ":key power") {
                const std::string ignored = "[key] " + line.substr(5) + " ignored";
                eventually([&] { return sessionChecks.at(line)() || run.said().find(ignored, from) != std::string::npos; });
                if (run.said().find(ignored, from) != std::string::npos) {
                    continue;
                }
            }
            done = sessionChecks.at(line)();
        }
        EXPECT_TRUE(done) << line << "\n" << run.said();
    }
    EXPECT_EQ(sessionChecks.size(), session.size());
    EXPECT_THAT(run.said(), Not(HasSubstr("Invalid command")));

    // The second terminal: "build/run" is this build tree, SOUNDBAR_ROOT the run's root.
    const std::string dir = sandbox.path("/tmp/terminal");
    std::filesystem::create_directories(dir + "/build");
    std::filesystem::create_directory_symlink(sbtest::buildDir(), dir + "/build/run");
    const size_t shown51 = occurrences(fileText(root + "/sim/display.log"), "\"  51 \"");
    std::map<std::string, std::function<bool(const std::string&)>> terminalChecks{
        {"export SOUNDBAR_ROOT=/tmp/soundbar.XXXXXX", [](const std::string&) { return true; }},
        {"build/run/platform/sbsim/sbsimctl help",
         [](const std::string& out) { return out.find("input keys") != std::string::npos; }},
        {"build/run/platform/sbsim/sbsimctl input keys",
         [](const std::string& out) { return out.find("volup=103") != std::string::npos; }},
        {"build/run/platform/sbsim/sbsimctl input key KVX_Remote_Controller volup",
         [&](const std::string&) {
             return eventually(
                 [&] { return occurrences(fileText(root + "/sim/display.log"), "\"  51 \"") > shown51; });
         }},
        {"build/run/platform/sbsim/sbsimctl input list",
         [](const std::string& out) { return out.find("\"kvx-kpd\"") != std::string::npos; }},
        {"build/run/platform/sbsim/sbsimctl log display",
         [](const std::string& out) { return out.find("\"  51 \"") != std::string::npos; }},
        {"build/run/platform/sbsim/sbsimctl i2c fail 3 0x2c 2", [](const std::string&) { return true; }},
        {"build/run/platform/sbsim/sbsimctl uevent switch eARC 1", [](const std::string&) { return true; }},
        {"build/run/platform/sbqpeer/sbqpeer send sileth 2 cmd=9 drc_percent=25",
         [&](const std::string&) {
             return eventually(
                 [&] { return fileText(root + "/res/sileth.cfg").find("drc-percent=25") != std::string::npos; });
         }},
    };
    for (const std::string& command : terminal) {
        ASSERT_TRUE(terminalChecks.count(command)) << "no check for the README's example " << command;
        if (command.rfind("export SOUNDBAR_ROOT=", 0) == 0) {
            continue;  // the run's own root stands for the one it printed
        }
        int status = -1;
        const std::string out = shell(dir, root, command, status);
        EXPECT_EQ(0, status) << command << "\n" << out;
        EXPECT_TRUE(terminalChecks.at(command)(out)) << command << "\n" << out;
    }
    EXPECT_EQ(terminalChecks.size(), terminal.size());

    run.send("quit\n");
    EXPECT_EQ(0, run.finish()) << run.said();
    EXPECT_THAT(run.said(), HasSubstr("Exit cli prog"));
}

// A factory reset ends in a reboot: the programs start again in the same root and the store
// answers its defaults.
TEST_F(RunScriptTest, AnInsertedStickIsMountedAndUsbPlaybackSendsItsFirstTrackToThePlayer)
{
    const std::string music = tmp() + "/music";
    std::filesystem::create_directories(music);
    for (const char* f : {"a.mp3", "b.mp3", "c.mp3"}) {
        std::ofstream(music + "/" + f) << "ID3";
    }
    RunSession run(tmp(), {});
    ASSERT_TRUE(run.waitFor("soundbar: console ready")) << run.said();
    const auto roots = runRoots(tmp());
    ASSERT_EQ(1u, roots.size());
    const std::string root = roots[0];
    run.send(":key power\n:sim usb insert 0x0781 0x5567 8G 8G --files " + music + "\n");
    ASSERT_TRUE(eventually([&] { return std::filesystem::exists(root + "/data/mnt/sda1/c.mp3"); })) << run.said();
    run.send("app.sm.request_play 13\n");
    ASSERT_TRUE(eventually([&] { return fileText(root + "/sim/velmor.log").find("PLAY 0 /data/mnt/sda1/") != std::string::npos; }))
        << fileText(root + "/sim/velmor.log");
    run.closeInput();
    EXPECT_EQ(0, run.finish()) << run.said();
}

TEST_F(RunScriptTest, AFactoryResetRebootsTheSystemWhichComesBackWithDefaults)
{
    RunSession run(tmp(), {});
    run.send("app.acfg.set_volume 30\napp.acfg.factory_reset\n");
    ASSERT_TRUE(run.waitFor("soundbar: rebooting")) << run.said();
    ASSERT_TRUE(run.waitFor("soundbar: console ready again")) << run.said();
    run.send("app.acfg.get_volume\n");
    run.closeInput();
    EXPECT_EQ(0, run.finish()) << run.said();
    EXPECT_THAT(run.said(), HasSubstr("get_volume(50) success"));
    EXPECT_THAT(run.said(), Not(HasSubstr("died")));
}

TEST_F(RunScriptTest, AProgramThatDiesIsReportedAndTheRunFails)
{
    RunSession run(tmp(), {});
    ASSERT_TRUE(run.waitFor("soundbar: console ready")) << run.said();
    const auto roots = runRoots(tmp());
    ASSERT_EQ(1u, roots.size());
    const pid_t corvand = findProgram(roots[0], "corvand");
    ASSERT_GT(corvand, 0);
    ASSERT_EQ(0, kill(corvand, SIGKILL));
    EXPECT_EQ(1, run.finish()) << run.said();
    EXPECT_THAT(run.said(), HasSubstr("soundbar: corvand died of signal 9"));
    EXPECT_TRUE(runRoots(tmp()).empty());
}

}  // namespace
