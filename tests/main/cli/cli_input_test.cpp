#include "main/cli/cli_input.h"
#include "tests/main/cli/pty_link.h"
#include "tests/support/sandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

const std::string kUp = "\x1b[A";
const std::string kDown = "\x1b[B";
const std::string kSetUpDone = "open /dev/ttyS0 OK\nSet input mode\n";
const std::string kRootHelp = "[Help]\n\r";

// The console driver program, prefixed with the emulator in a cross build.
std::vector<std::string> driverCommand(const char* mode)
{
    std::vector<std::string> words = sbtest::programArgv("tests/main/cli/cli_console_driver");
    words.push_back(mode);
    return words;
}

// The console in the driver program, its standard input and output on pipes: the test types as
// a person at the serial line would and reads what the console shows.
class ConsoleProcess {
public:
    explicit ConsoleProcess(const char* mode)
    {
        int toConsole[2];
        int fromConsole[2];
        if (pipe2(toConsole, O_CLOEXEC) != 0 || pipe2(fromConsole, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "pipe: " << strerror(errno);
            return;
        }
        std::vector<std::string> command = driverCommand(mode);
        std::vector<char*> argv;
        for (std::string& word : command) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toConsole[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromConsole[1], STDOUT_FILENO);
        const int spawned = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(toConsole[0]);
        close(fromConsole[1]);
        input_ = toConsole[1];
        output_ = fromConsole[0];
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << command.front() << ": " << strerror(spawned);
            pid_ = -1;
        }
    }

    ~ConsoleProcess()
    {
        closeInput();
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(output_);
    }

    ConsoleProcess(const ConsoleProcess&) = delete;
    ConsoleProcess& operator=(const ConsoleProcess&) = delete;

    pid_t pid() const { return pid_; }

    void type(const std::string& text)
    {
        // Short inputs fit the pipe at once.
        EXPECT_EQ(static_cast<ssize_t>(text.size()), write(input_, text.data(), text.size()));
    }

    void closeInput()
    {
        if (input_ >= 0) {
            close(input_);
            input_ = -1;
        }
    }

    // Reads until `text` has been shown (or, with an empty text, until the console closes its
    // output); everything shown so far.
    const std::string& readUntil(const std::string& text = {})
    {
        char buf[4096];
        while (text.empty() || shown_.find(text) == std::string::npos) {
            pollfd p{output_, POLLIN, 0};
            if (poll(&p, 1, 60000) <= 0) {
                ADD_FAILURE() << "console went quiet; shown so far: " << shown_;
                break;
            }
            const ssize_t n = read(output_, buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            shown_.append(buf, static_cast<size_t>(n));
        }
        return shown_;
    }

    // The exit status once the program has ended by itself.
    int exitStatus()
    {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string shown_;
};

struct Transcript {
    std::string output;
    int status;
};

// Types `input` at a console that runs on the driver's main thread, up to its end.
Transcript typeAtConsole(const std::string& input)
{
    ConsoleProcess console("loop");
    console.type(input);
    console.closeInput();
    Transcript t{console.readUntil(), 0};
    t.status = console.exitStatus();
    return t;
}

std::string erase(size_t count)
{
    std::string s;
    for (size_t i = 0; i < count; ++i) {
        s += "\b \b";
    }
    return s;
}

// The lines the console ran through `rec`, in order.
std::vector<std::string> ranLines(const std::string& output)
{
    std::vector<std::string> lines;
    for (size_t at = output.find("ran"); at != std::string::npos; at = output.find("ran", at + 1)) {
        if (at == 0 || output[at - 1] == '\r' || output[at - 1] == '\n') {
            lines.push_back(output.substr(at, output.find('\n', at) - at));
        }
    }
    return lines;
}

class ConsoleTest : public sbtest::SandboxTest {
protected:
    sbtest::PtyLink console{sandbox, "/dev/ttyS0"};

    // Everything the console printed after setting up the terminal.
    std::string type(const std::string& input)
    {
        const Transcript t = typeAtConsole(input);
        EXPECT_EQ(0, t.status);
        EXPECT_THAT(t.output, StartsWith(kSetUpDone));
        return t.output.substr(std::min(t.output.size(), kSetUpDone.size()));
    }
};

TEST_F(ConsoleTest, BackspaceEditsTheLineBeforeItRuns)
{
    EXPECT_EQ(erase(1) + "\n\r"
                         "Invalid command\n\r"
                         "\n\rCommand>"
                         "\n\r"
                         "Exit cli prog\n",
              type("ab\bc\rquit\r"));

    struct Case {
        const char* keys;
        const char* ran;
        size_t erased;
    };
    const Case cases[] = {
        {"rex\bc 1\r", "ran 1", 1},
        {"rex\x1b[Dc 2\r", "ran 2", 1},  // left arrow erases like backspace
        {"r\x1bxec 3\r", "ran 3", 0},    // ESC and the character after it are dropped
        {"re\x1b[Cc 4\r", "ran 4", 0},   // right arrow does nothing
        {"r\x7f\x01\x09\x1b"
         "e"
         "ec 5\r",
         "ran 5", 0},                 // control characters and DEL are ignored
        {"\b\brec 6\r", "ran 6", 0},  // nothing to erase on an empty line
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        const std::string out = type(std::string(c.keys) + "quit\r");
        EXPECT_EQ(std::vector<std::string>{c.ran}, ranLines(out));
        EXPECT_EQ(erase(c.erased) + "\n\r" + c.ran + "\n", out.substr(0, 3 * c.erased + 3 + std::strlen(c.ran)));
    }
    EXPECT_THAT(type("\x1b[Z\rquit\r"), StartsWith(std::string(1, '\0') + "\n\r"));
}

TEST_F(ConsoleTest, ArrowsWalkTheHistory)
{
    const std::string typed = "rec 1\rrec 2\rrec 3\r";
    struct Case {
        std::string keys;
        std::vector<std::string> ran;
    };
    const Case cases[] = {
        {kUp, {"ran 3"}},
        {kUp + kUp, {"ran 2"}},
        {kUp + kUp + kUp, {"ran 1"}},
        {kUp + kUp + kUp + kUp, {}},  // the walk stops once at the empty edit entry
        {kUp + kUp + kUp + kUp + kUp, {"ran 3"}},
        {kDown, {"ran 1"}},
        {kUp + kUp + kDown, {"ran 3"}},
        {"re" + kUp, {"ran 3"}},  // the typed text is replaced
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        std::vector<std::string> ran = {"ran 1", "ran 2", "ran 3"};
        ran.insert(ran.end(), c.ran.begin(), c.ran.end());
        EXPECT_EQ(ran, ranLines(type(typed + c.keys + "\rquit\r")));
    }

    // The shown line is erased before the next one is printed.
    EXPECT_THAT(type(typed + kUp + kUp + "\rquit\r"), HasSubstr("rec 3" + erase(5) + "rec 2\n\r"));
    // With an empty history the up arrow leaves an empty line: its Enter shows help.
    EXPECT_EQ("\n\r" + kRootHelp, type(kUp + "\rquit\r").substr(0, 2 + kRootHelp.size()));
}

TEST_F(ConsoleTest, HistoryKeepsTheLastFifteenLinesAndSkipsEmptyOnes)
{
    std::string typed;
    std::vector<std::string> ran;
    for (int i = 1; i <= 16; ++i) {
        typed += "rec " + std::to_string(i) + "\r";
        ran.push_back("ran " + std::to_string(i));
    }
    std::string up15;
    for (int i = 0; i < 15; ++i) {
        up15 += kUp;
    }
    ran.push_back("ran 2");
    EXPECT_EQ(ran, ranLines(type(typed + up15 + "\rquit\r")));
    ran.back() = "ran 16";
    EXPECT_EQ(ran, ranLines(type(typed + up15 + kUp + kUp + "\rquit\r")));

    // An empty line shows help and takes no history entry: fifteen of them do not push a line out.
    const std::string out = type("rec 1\r" + std::string(15, '\r') + kUp + "\rquit\r");
    EXPECT_EQ((std::vector<std::string>{"ran 1", "ran 1"}), ranLines(out));
    EXPECT_THAT(out, HasSubstr("\n\rCommand>\n\r" + kRootHelp));
}

TEST_F(ConsoleTest, DirectoriesPromptsAndErrorsAsTheOperatorSeesThem)
{
    std::string out = type("cd app\r\ncd nosuch\rtd.broken\rexec ls -l /tmp\rquit\r");
    EXPECT_THAT(out, HasSubstr("\n\rCommand.app>"));
    // A terminal sending CR LF produces an empty line after the command: its help follows.
    EXPECT_THAT(out, HasSubstr("\n\rCommand.app>\n\r[Help]\n\rtimerd(td):"));
    EXPECT_THAT(out, HasSubstr("\n\rInvalid directory\n\r\n\rCommand.app>"));
    EXPECT_THAT(out, HasSubstr("\n\rCommand execution error\n\r"));
    EXPECT_THAT(out, HasSubstr("\n\rcall ls -l /tmp\n\n\rCommand.app>"));
    EXPECT_EQ((std::vector<std::string>{"chown tty:users /dev/ttyS0", "chmod 664 /dev/ttyS0", "ls -l /tmp"}),
              sandbox.quoridLog());

    // While a layer is masked the console prints nothing of its own.
    EXPECT_EQ("\n\r"
              "\n\rCommand>"
              "\n\r"
              "Exit cli prog\n",
              type("dis_log app\rnosuch\rls\rdis_log\rquit\r"));
}

TEST_F(ConsoleTest, QuitEndsTheConsoleWhateverFollowsIt)
{
    EXPECT_EQ("\n\rExit cli prog\n", type("quitnow\rrec 1\r"));
    EXPECT_EQ("\n\rExit cli prog\n", type("~V}b4a\rrec 1\r"));
}

TEST_F(ConsoleTest, ScrambledLinesRunDecodedAndStayDecodedInTheHistory)
{
    EXPECT_THAT(type("~#Ha\rquit\r"), StartsWith("\n\r" + kRootHelp + "exec:"));
    EXPECT_EQ((std::vector<std::string>{"ran a_b c", "ran a_b c"}), ranLines(type("~hYfex^jiXz\r" + kUp + "\rquit\r")));
    // Only a key, or nothing after the "~": an empty command, and no history entry.
    for (const char* line : {"~\r", "~a\r"}) {
        SCOPED_TRACE(line);
        const std::string out = type(std::string("rec 1\r") + line + kUp + "\rquit\r");
        EXPECT_THAT(out, Not(HasSubstr("Invalid command")));
        EXPECT_EQ((std::vector<std::string>{"ran 1", "ran 1"}), ranLines(out));
    }
}

TEST_F(ConsoleTest, LineStopsAt1027Characters)
{
    const std::string out = type("rec " + std::string(1100, 'x') + "\rquit\r");
    const std::string w(255, 'x');
    EXPECT_EQ(std::vector<std::string>{"ran " + w + " " + w + " " + w + " " + w + " xxx"}, ranLines(out));
}

TEST_F(ConsoleTest, SetUpMakesTheSerialLineRaw)
{
    type("quit\r");
    const termios attrs = console.attributes();
    EXPECT_EQ(0u, attrs.c_lflag & (ICANON | ECHO | ECHOE | ECHOK | ECHONL));
    EXPECT_EQ(1, attrs.c_cc[VMIN]);
    EXPECT_EQ(0, attrs.c_cc[VTIME]);
    EXPECT_EQ(_POSIX_VDISABLE, attrs.c_cc[VINTR]);
}

TEST(ConsoleSetUp, MissingSerialLineIsReportedAndTheConsoleRuns)
{
    sbtest::Sandbox sandbox;
    const Transcript t = typeAtConsole("rec 1\rquit\r");
    EXPECT_EQ(0, t.status);
    EXPECT_THAT(t.output, StartsWith("Can not open /dev/ttyS0\n"
                                     "Can not get the attribution of the terminal\n"
                                     "errno is 9, strerrno is "));
    EXPECT_THAT(t.output, HasSubstr("\nSet input mode error\n\n\rran 1\n"));
}

TEST(ConsoleThread, StartsOnItsOwnThreadAndEndsWithQuit)
{
    sbtest::Sandbox sandbox;
    sbtest::PtyLink line(sandbox, "/dev/ttyS0");
    ConsoleProcess console("thread");
    console.type("exec echo hi\r");
    EXPECT_THAT(console.readUntil("call echo hi\n"), StartsWith(kSetUpDone + "\n\rcall echo hi\n"));

    std::vector<std::string> threads;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(console.pid()) + "/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        threads.push_back(name);
    }
    EXPECT_THAT(threads, Contains("cli_thread"));

    console.type("quit\r");
    EXPECT_THAT(console.readUntil("Exit cli prog\n"), HasSubstr("\n\rCommand>\n\rExit cli prog\n"));
}

TEST(ScrambledLine, DecodesWorkedExamples)
{
    struct Case {
        const char* scrambled;
        const char* plain;
    };
    const Case cases[] = {
        {"~#Ha", "ls"},
        {"~wna", "ls"},                // lower-case letters are shifted before decoding
        {"~Xfexl:Q", "cd app"},        // an upper-case key counts as lower case; '-' is a space
        {"~hYfex^jiXz", "rec a_b c"},  // ':' is an underscore
        {"~V}b4a", "quit"},
        {"~a", ""},
        {"~", ""},
        {"plain", "plain"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scrambled);
        std::string line = c.scrambled;
        cli_decode_scrambled(line.data());
        EXPECT_STREQ(c.plain, line.c_str());
    }
}

}  // namespace
