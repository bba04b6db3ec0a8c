#include "main/cli/cli_input.h"

#include "main/cli/cli.h"
#include "main/cli/cli_priv.h"
#include "main/mw/os_pthread/os_thread.h"
#include "platform/quorid/quorid.h"
#include "platform/sbdev/sb_dev.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kBackspace = 8;
constexpr int kEscape = 27;
constexpr uint32_t kMaxLineLength = CLI_LINE_BUF_SIZE - 1;
constexpr const char* kConsoleDevice = "/dev/ttyS0";
constexpr const char* kThreadName = "cli_thread";
constexpr uint32_t kThreadStackSize = 32768;
constexpr uint8_t kThreadPriority = 135;

using Line = std::array<char, CLI_LINE_BUF_SIZE>;

struct InputState {
    std::array<Line, CLI_HISTORY_LINES> history;
    uint32_t editIdx = 0;
    uint32_t browseIdx = 0;
    uint32_t length = 0;
    std::atomic<uint32_t> charDelayMs{CLI_CHAR_DELAY_MS};
};

InputState gInput;

// Keeps the thread from spinning when standard input is at its end or non-blocking.
void pauseAfterChar()
{
    uThreadDelay(gInput.charDelayMs.load(std::memory_order_relaxed));
}

// End of input reads as 255 and is taken as 0, like a 0xFF byte.
int readChar()
{
    const auto c = static_cast<unsigned char>(getchar());
    pauseAfterChar();
    return c == 255 ? 0 : c;
}

void onSigttou(int)
{
}

bool setUpTerminal()
{
    quorid_exec("chown tty:users /dev/ttyS0", 0);
    quorid_exec("chmod 664 /dev/ttyS0", 0);

    const int fd = sb_dev_open(kConsoleDevice, O_RDWR | O_CLOEXEC);
    cli_print(fd < 0 ? "Can not open /dev/ttyS0\n" : "open /dev/ttyS0 OK\n");
    termios attrs{};
    if (tcgetattr(fd, &attrs) != 0) {
        const int error = errno;
        cli_print("Can not get the attribution of the terminal\n");
        cli_print("errno is %d, strerrno is %s\n", error, strerror(error));
        if (fd >= 0) {
            sb_dev_close(fd);
        }
        return false;
    }
    cli_print("Set input mode\n");
    attrs.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHOE | ECHOK | ECHONL);
    attrs.c_cc[VMIN] = 1;
    attrs.c_cc[VTIME] = 0;
    attrs.c_cc[VINTR] = _POSIX_VDISABLE;
    const bool applied = tcsetattr(fd, TCSANOW, &attrs) == 0;
    if (signal(SIGTTOU, onSigttou) == SIG_ERR) {
        cli_print("Change Int error\n");
    }
    sb_dev_close(fd);
    if (!applied) {
        cli_print("Cannot set the attribution of the terminal\n");
    }
    return applied;
}

void eraseShown(uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        cli_print("%c%c%c", kBackspace, ' ', kBackspace);
    }
}

void eraseOne()
{
    if (gInput.length > 0) {
        eraseShown(1);
        --gInput.length;
    }
}

// Up (step 15) or down (step 1): the next non-empty entry, or the edit entry once the walk
// comes round to it.
void recall(uint32_t step)
{
    eraseShown(gInput.length);
    Line& edit = gInput.history[gInput.editIdx];
    edit.fill('\0');
    do {
        gInput.browseIdx = (gInput.browseIdx + step) % CLI_HISTORY_LINES;
    } while (gInput.browseIdx != gInput.editIdx && gInput.history[gInput.browseIdx][0] == '\0');
    edit = gInput.history[gInput.browseIdx];
    cli_print("%s", edit.data());
    gInput.length = static_cast<uint32_t>(std::strlen(edit.data()));
}

void handleEscape()
{
    if (readChar() != '[') {
        return;
    }
    switch (readChar()) {
    case 'A':
        recall(CLI_HISTORY_LINES - 1);
        break;
    case 'B':
        recall(1);
        break;
    case 'C':
        break;
    case 'D':
        eraseOne();
        break;
    default:
        cli_print("%c", '\0');
        break;
    }
}

void append(int c)
{
    if (gInput.length < kMaxLineLength) {
        gInput.history[gInput.editIdx][gInput.length++] = static_cast<char>(c);
    }
}

void reportResult(int32_t result)
{
    if (result == CLIR_CMD_NOT_FOUND) {
        cli_print("Invalid command\n\r");
    } else if (result == CLIR_DIR_NOT_FOUND) {
        cli_print("Invalid directory\n\r");
    } else if (result < 0) {
        cli_print("Command execution error\n\r");
    }
}

// Runs the line being typed; false after a "quit" line.
bool finishLine()
{
    char* line = gInput.history[gInput.editIdx].data();
    line[gInput.length] = '\0';
    cli_print("\n\r");
    if (line[0] == '~') {
        cli_decode_scrambled(line);
    }
    if (std::strncmp(line, "quit", 4) == 0) {
        cli_print("Exit cli prog\n");
        return false;
    }
    reportResult(cli_parser(line));
    if (line[0] != '\0') {
        gInput.editIdx = (gInput.editIdx + 1) % CLI_HISTORY_LINES;
        gInput.history[gInput.editIdx].fill('\0');
    }
    gInput.length = 0;
    gInput.browseIdx = gInput.editIdx;
    cli_print("\n\r%s", cli_get_prompt_str_buf());
    return true;
}

char foldLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char foldUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The parser's start and a fresh input state (kept as it is when the console runs already).
int32_t prepareStart()
{
    const int32_t result = cliPrepareStart();
    if (result != CLIR_ALREADY_INIT) {
        cli_input_reset();
    }
    return result;
}

}  // namespace

int32_t cli_input_loop()
{
    if (!setUpTerminal()) {
        cli_print("Set input mode error\n");
    }
    for (Line& line : gInput.history) {
        line[0] = '\0';
    }
    for (;;) {
        const int c = readChar();
        if (c == kBackspace) {
            eraseOne();
        } else if (c == '\n' || c == '\r') {
            if (!finishLine()) {
                fflush(stdout);
                return 0;
            }
        } else if (c == kEscape) {
            handleEscape();
        } else if (c >= ' ' && c <= '~') {
            append(c);
        }
        fflush(stdout);
    }
}

void cli_input_thread(void*)
{
    cli_input_loop();
}

void cli_input_reset()
{
    gInput.editIdx = 0;
    gInput.browseIdx = 0;
    gInput.length = 0;
}

void cli_set_char_delay_ms(uint32_t ms)
{
    gInput.charDelayMs.store(ms, std::memory_order_relaxed);
}

// "~" t[0] .. t[n-2] k: each character is shifted back by the previous one (the key character k
// for the first), within the 46 characters '-' .. 'Z'.
void cli_decode_scrambled(char* line)
{
    if (line == nullptr || line[0] != '~') {
        return;
    }
    char* text = line + 1;
    const size_t n = std::strlen(text);
    if (n < 2) {
        line[0] = '\0';
        return;
    }
    const size_t count = n - 1;
    for (size_t i = 0; i < count; ++i) {
        if (text[i] >= 'a' && text[i] <= 'z') {
            text[i] = static_cast<char>(text[i] - 38);
        }
    }
    int key = static_cast<unsigned char>(foldLower(text[count]));
    for (size_t i = 0; i < count; ++i) {
        // line[i] overlaps text[i - 1], which is already consumed.
        const int scrambled = static_cast<unsigned char>(text[i]);
        int d = static_cast<unsigned char>(foldUpper(text[i])) - key % 46;
        if (d < 45) {
            d += 46;
        }
        char plain = foldLower(static_cast<char>(d));
        if (plain == '-') {
            plain = ' ';
        } else if (plain == ':') {
            plain = '_';
        }
        line[i] = plain;
        key = scrambled;
    }
    line[count] = '\0';
}

// The console's start: the parser's tables, then the input on its thread or the caller's.

int32_t cli_init()
{
    const int32_t result = prepareStart();
    if (result != CLIR_OK) {
        return result;
    }
    os_thread_t thread = nullptr;
    if (uThreadCreate(&thread, kThreadName, kThreadStackSize, kThreadPriority, cli_input_thread, 0, nullptr) != 0) {
        return CLIR_INIT_FAILED;
    }
    cliSetStarted(true);
    return CLIR_OK;
}

int32_t u_cli_init()
{
    return cli_init();
}

int32_t cli_init_phase1()
{
    const int32_t result = prepareStart();
    if (result == CLIR_OK) {
        cliSetStarted(true);
    }
    return result;
}

int32_t u_cli_tset_init_phase1()
{
    return cli_init_phase1();
}

int32_t cli_init_phase2()
{
    return cli_input_loop();
}

int32_t u_cli_test_init_phase2()
{
    return cli_init_phase2();
}

void cli_test_reset()
{
    cliResetParser();
    cli_input_reset();
}
