#include "main/cli/cli.h"

#include "main/cli/cli_priv.h"
#include "main/cli/dbg_level.h"
#include "platform/quorid/quorid.h"
#include "platform/sbdev/sb_dev.h"

#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <string_view>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr uint32_t kMaxDepth = 7;
constexpr size_t kHelpRowLimit = 128;
constexpr size_t kHelpNameWidth = 24;
constexpr size_t kExecLineSize = 256;
constexpr int kExecMaxArgs = 5;
constexpr const char* kPromptRoot = "Command";

int cliCd(int argc, char** argv);
int cliLs(int argc, char** argv);
int cliDisLog(int argc, char** argv);
int cliExec(int argc, char** argv);
int cliSetBaudrate(int argc, char** argv);

const cli_cmd_t kRootCmds[] = {
    {"cd", nullptr, cliCd, nullptr, "Change directory", CLI_ACCESS_HIDDEN},
    {"ls", nullptr, cliLs, nullptr, "List commands", CLI_ACCESS_HIDDEN},
    {"dis_log", nullptr, cliDisLog, nullptr, "disable layer app,driver,mmw,mw,sys", CLI_ACCESS_HIDDEN},
    {"exec", nullptr, cliExec, nullptr, "execute linux command", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};
// Directory rows: their sub-table is the first table of their group (CliState::dirSub).
const cli_cmd_t kAppDir[] = {
    {"app", nullptr, nullptr, nullptr, "Application", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};
const cli_cmd_t kMwDir[] = {
    {"mw", nullptr, nullptr, nullptr, "Middleware", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};
const cli_cmd_t kUartCmds[] = {
    {"setbaudrate", "setbr", cliSetBaudrate, nullptr, "Set uart baudrate", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

struct BuiltinTable {
    const cli_cmd_t* table;
    uint32_t group;
    const char* failure;
};
const BuiltinTable kBuiltins[] = {
    {kRootCmds, CLI_GRP_ROOT, "Err:initial man cli cmd table fail\n"},
    {kAppDir, CLI_GRP_ROOT, "Err:initial app cli cmd table fail\n"},
    {kMwDir, CLI_GRP_ROOT, "Err:initial mw cli cmd table fail\n"},
    {kUartCmds, CLI_GRP_ROOT, "Err:initial uart cli cmd table fail\n"},
};

struct AttachedTable {
    const cli_cmd_t* table;
    uint64_t mask;
};

struct Group {
    std::array<AttachedTable, CLI_MAX_TBL_PER_GRP> entries;
    uint32_t count;
};

// Where commands are looked up: a directory (root, "app", "mw") searches every table of its group;
// a table is a module's sub-table.
struct Location {
    bool directory;
    uint32_t group;
    const cli_cmd_t* table;
};
constexpr Location kRoot = {true, CLI_GRP_ROOT, nullptr};

struct CliState {
    // Tables are attached from the applications' threads while the console thread may be
    // looking them up; rows themselves are static and outlive every lookup.
    std::mutex groupsLock;
    std::array<Group, CLI_GRP_COUNT> groups;
    std::array<const cli_cmd_t*, CLI_GRP_COUNT> dirSub;

    // Touched by the thread that parses (the console thread).
    Location location = kRoot;
    std::array<const cli_cmd_t*, kMaxDepth> stack;
    uint32_t depth = 0;
    std::array<char, CLI_PROMPT_BUF_SIZE> prompt;
    std::array<std::array<char, CLI_MAX_ARG_LEN + 1>, CLI_MAX_ARGS> args;
    std::array<char*, CLI_MAX_ARGS + 1> argv;

    std::atomic<bool> started{false};
};

CliState gCli;

Location directoryOf(uint32_t group)
{
    return {true, group, nullptr};
}
Location tableOf(const cli_cmd_t* table)
{
    return {false, 0, table};
}

// The group a directory row opens, or -1 for any other row.
int dirGroup(const cli_cmd_t* row)
{
    if (row == &kAppDir[0]) {
        return CLI_GRP_APP;
    }
    if (row == &kMwDir[0]) {
        return CLI_GRP_MW;
    }
    return -1;
}

const cli_cmd_t* subTableOf(const cli_cmd_t* row)
{
    const int group = dirGroup(row);
    if (group < 0) {
        return row->subTable;
    }
    std::lock_guard<std::mutex> guard(gCli.groupsLock);
    return gCli.dirSub[group];
}

Location locationOf(const cli_cmd_t* row)
{
    const int group = dirGroup(row);
    return group >= 0 ? directoryOf(group) : tableOf(row->subTable);
}

bool sameText(const char* a, const char* b)
{
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    return std::strcmp(a, b) == 0;
}

std::string_view textOf(const char* s)
{
    return s != nullptr ? std::string_view(s) : std::string_view();
}

// --- Groups ---------------------------------------------------------------------------------

void clearGroups()
{
    std::lock_guard<std::mutex> guard(gCli.groupsLock);
    for (Group& g : gCli.groups) {
        g.count = 0;
    }
    gCli.dirSub.fill(nullptr);
}

int32_t attachTable(const cli_cmd_t* table, uint32_t group, uint64_t mask)
{
    if (table == nullptr || table[0].name == nullptr || group >= CLI_GRP_COUNT) {
        return CLIR_INV_ARG;
    }
    std::lock_guard<std::mutex> guard(gCli.groupsLock);
    Group& g = gCli.groups[group];
    if (g.count >= CLI_MAX_TBL_PER_GRP) {
        return CLIR_TBL_FULL;
    }
    const cli_cmd_t& row = table[0];
    uint32_t at = g.count;
    bool replace = false;
    for (uint32_t i = 0; i < g.count; ++i) {
        const cli_cmd_t& old = g.entries[i].table[0];
        if (std::strcmp(old.name, row.name) != 0) {
            continue;
        }
        if (old.abbr == nullptr || (row.abbr != nullptr && std::strcmp(old.abbr, row.abbr) == 0)) {
            at = i;
            replace = true;
        }
        break;
    }
    if (!replace && group != CLI_GRP_ROOT) {
        // Directories list their modules in name order.
        for (uint32_t i = 0; i < g.count; ++i) {
            if (std::strcmp(g.entries[i].table[0].name, row.name) > 0) {
                at = i;
                break;
            }
        }
        for (uint32_t i = g.count; i > at; --i) {
            g.entries[i] = g.entries[i - 1];
        }
    }
    g.entries[at] = {table, mask};
    if (!replace) {
        ++g.count;
    }
    if (at == 0 && group != CLI_GRP_ROOT) {
        gCli.dirSub[group] = table;
    }
    return CLIR_OK;
}

int32_t detachTable(const cli_cmd_t* table, uint32_t group, uint64_t mask)
{
    if (table == nullptr || table[0].name == nullptr || group >= CLI_GRP_COUNT) {
        return CLIR_INV_ARG;
    }
    std::lock_guard<std::mutex> guard(gCli.groupsLock);
    Group& g = gCli.groups[group];
    if (g.count == 0) {
        return CLIR_GRP_EMPTY;
    }
    for (uint32_t i = 0; i < g.count; ++i) {
        const AttachedTable& e = g.entries[i];
        if (std::strcmp(e.table[0].name, table[0].name) == 0 && sameText(e.table[0].abbr, table[0].abbr) &&
            e.table == table && e.mask == mask) {
            for (uint32_t j = i + 1; j < g.count; ++j) {
                g.entries[j - 1] = g.entries[j];
            }
            --g.count;
            if (i == 0 && group != CLI_GRP_ROOT) {
                gCli.dirSub[group] = g.count > 0 ? g.entries[0].table : nullptr;
            }
            return CLIR_OK;
        }
    }
    return CLIR_CMD_NOT_FOUND;
}

uint64_t maskOf(uint32_t low, uint32_t high)
{
    return (static_cast<uint64_t>(high) << 32) | low;
}

// --- Lookup ---------------------------------------------------------------------------------

bool rowMatches(const cli_cmd_t& row, std::string_view component)
{
    return component == row.name || (row.abbr != nullptr && component == row.abbr);
}

const cli_cmd_t* findInTable(const cli_cmd_t* table, std::string_view component)
{
    for (const cli_cmd_t* row = table; row->name != nullptr; ++row) {
        if (rowMatches(*row, component)) {
            return row;
        }
    }
    return nullptr;
}

const cli_cmd_t* findRow(const Location& where, std::string_view component, bool skipRootTable = false)
{
    if (!where.directory) {
        return findInTable(where.table, component);
    }
    std::lock_guard<std::mutex> guard(gCli.groupsLock);
    const Group& g = gCli.groups[where.group];
    for (uint32_t i = skipRootTable ? 1 : 0; i < g.count; ++i) {
        if (const cli_cmd_t* row = findInTable(g.entries[i].table, component)) {
            return row;
        }
    }
    return nullptr;
}

// The table holding cd, ls, dis_log and exec: entry 0 of the root group.
const cli_cmd_t* rootTable()
{
    std::lock_guard<std::mutex> guard(gCli.groupsLock);
    const Group& g = gCli.groups[CLI_GRP_ROOT];
    return g.count > 0 ? g.entries[0].table : kRootCmds;
}

// --- Help -----------------------------------------------------------------------------------

// "name(abbr):" padded to 24 columns, then the help text; empty when the row is too long to show.
std::string helpText(const cli_cmd_t& row)
{
    const std::string_view name = textOf(row.name);
    const std::string_view abbr = textOf(row.abbr);
    const std::string_view help = textOf(row.help);
    const size_t size = name.size() + (row.abbr != nullptr ? abbr.size() + 2 : 0) + help.size() + 1;
    if (size > kHelpRowLimit) {
        return {};
    }
    std::string text(name);
    if (row.abbr != nullptr) {
        text.append("(").append(abbr).append(")");
    }
    text += ':';
    text.resize(kHelpNameWidth, ' ');
    text.append(help);
    return text;
}

bool endsDirectoryTable(const cli_cmd_t& row)
{
    return row.name == nullptr && row.abbr == nullptr && row.help == nullptr;
}

// Calls show(row) for every row a listing of `where` walks, in order.
template <typename Show>
void forEachListedRow(const Location& where, Show&& show)
{
    if (!where.directory) {
        for (const cli_cmd_t* row = where.table; row->help != nullptr; ++row) {
            show(*row);
        }
        return;
    }
    std::lock_guard<std::mutex> guard(gCli.groupsLock);
    const Group& g = gCli.groups[where.group];
    for (uint32_t i = 0; i < g.count; ++i) {
        for (const cli_cmd_t* row = g.entries[i].table; !endsDirectoryTable(*row); ++row) {
            show(*row);
        }
    }
}

bool directoryIsEmpty(const Location& where)
{
    std::lock_guard<std::mutex> guard(gCli.groupsLock);
    return gCli.groups[where.group].count == 0;
}

void showHelp(const Location& where)
{
    if (!where.directory || !directoryIsEmpty(where)) {
        cli_print("[Help]\n\r");
    }
    forEachListedRow(where, [](const cli_cmd_t& row) {
        if (row.access == CLI_ACCESS_HIDDEN) {
            return;
        }
        const std::string text = helpText(row);
        if (!text.empty()) {
            cli_print("%s\n\r", text.c_str());
        }
    });
}

void listAll(const Location& where)
{
    if (where.directory) {
        cli_print("[Help]\n\r");
    }
    forEachListedRow(where, [](const cli_cmd_t& row) {
        const std::string text = helpText(row);
        if (!text.empty()) {
            cli_print("%s%saccess light is %u\n\r", row.handler == nullptr ? "cd " : "   ", text.c_str(), row.access);
        }
    });
}

// --- Location and prompt --------------------------------------------------------------------

void rebuildPrompt()
{
    std::string prompt = kPromptRoot;
    for (uint32_t i = 0; i < gCli.depth; ++i) {
        const cli_cmd_t* row = gCli.stack[i];
        const std::string_view part = textOf(row->abbr != nullptr ? row->abbr : row->name);
        if (prompt.size() + 1 + part.size() + 1 >= CLI_PROMPT_BUF_SIZE) {
            break;
        }
        prompt.append(".").append(part);
    }
    prompt += '>';
    std::memcpy(gCli.prompt.data(), prompt.c_str(), prompt.size() + 1);
}

void goRoot()
{
    gCli.location = kRoot;
    gCli.depth = 0;
    rebuildPrompt();
}

void goUp()
{
    if (gCli.depth == 0) {
        return;
    }
    --gCli.depth;
    gCli.location = gCli.depth == 0 ? kRoot : locationOf(gCli.stack[gCli.depth - 1]);
    rebuildPrompt();
    showHelp(gCli.location);
}

void enter(const cli_cmd_t* row)
{
    if (gCli.depth == kMaxDepth) {
        goRoot();
    } else {
        gCli.stack[gCli.depth++] = row;
        gCli.location = locationOf(row);
        rebuildPrompt();
    }
    showHelp(gCli.location);
}

// --- Parser ---------------------------------------------------------------------------------

bool isBlank(unsigned char c)
{
    return c == ' ' || (c >= 1 && c <= 31);
}

// Splits `line` into the argument store. Quotes group words and are not copied; '#' at the start
// of the line or right after a closing quote begins a comment.
int tokenise(const char* line)
{
    int argc = 0;
    const char* p = line;
    if (*p == '#') {
        return 0;
    }
    char quote = 0;
    while (argc < static_cast<int>(CLI_MAX_ARGS)) {
        // A word cut at full length inside quotes carries on quoted, without skipping.
        if (quote == 0) {
            while (isBlank(static_cast<unsigned char>(*p))) {
                ++p;
            }
        }
        if (*p == '\0') {
            break;
        }
        char* out = gCli.args[argc].data();
        size_t length = 0;
        bool closedQuote = false;
        while (*p != '\0') {
            const char c = *p;
            if (quote != 0) {
                if (c == quote) {
                    quote = 0;
                    closedQuote = true;
                    ++p;
                    break;
                }
            } else if (isBlank(static_cast<unsigned char>(c))) {
                break;
            } else if (c == '\'' || c == '"') {
                quote = c;
                ++p;
                continue;
            }
            if (length == CLI_MAX_ARG_LEN) {
                break;
            }
            out[length++] = c;
            ++p;
        }
        out[length] = '\0';
        gCli.argv[argc++] = out;
        if (closedQuote && *p == '#') {
            break;
        }
    }
    gCli.argv[argc] = nullptr;
    return argc;
}

int32_t runWords(const Location& where, int argc, char** argv)
{
    const std::string_view word(argv[0]);
    const size_t dot = word.find('.');
    const bool last = dot == std::string_view::npos;
    const cli_cmd_t* row = findRow(where, word.substr(0, dot));
    if (row == nullptr) {
        return CLIR_CMD_NOT_FOUND;
    }
    const bool directoryRow = dirGroup(row) >= 0;
    const cli_cmd_t* sub = subTableOf(row);
    if (row->handler == nullptr && sub == nullptr && !directoryRow) {
        return CLIR_INV_CMD_ROW;
    }
    if (row->handler != nullptr && (sub == nullptr || (last && argc >= 2))) {
        return row->handler(argc, argv);
    }
    if (sub == nullptr) {
        return CLIR_CMD_NOT_FOUND;
    }
    const Location next = directoryRow ? directoryOf(dirGroup(row)) : tableOf(sub);
    if (!last) {
        argv[0] += dot + 1;
        return runWords(next, argc, argv);
    }
    if (argc == 1) {
        showHelp(next);
        return 1;
    }
    return CLIR_CMD_NOT_FOUND;
}

// --- Built-in commands ----------------------------------------------------------------------

int cliCd(int argc, char** argv)
{
    if (argc != 2) {
        showHelp(gCli.location);
        return 1;
    }
    const char* p = argv[1];
    while (*p != '\0') {
        if (*p == '/') {
            goRoot();
            showHelp(gCli.location);
            ++p;
            continue;
        }
        if (p[0] == '.' && p[1] == '.') {
            goUp();
            p += 2;
        } else if (*p == '.') {
            return CLIR_DIR_NOT_FOUND;
        } else {
            const char* end = std::strchr(p, '.');
            if (end == nullptr) {
                end = p + std::strlen(p);
            }
            const bool atRoot = gCli.location.directory && gCli.location.group == CLI_GRP_ROOT;
            const cli_cmd_t* row = findRow(gCli.location, std::string_view(p, end - p), atRoot);
            if (row == nullptr || subTableOf(row) == nullptr) {
                return CLIR_DIR_NOT_FOUND;
            }
            enter(row);
            p = end;
        }
        // A single '.' separates components; ".." right after one is a component itself.
        if (p[0] == '.' && p[1] != '.') {
            ++p;
        }
    }
    return CLIR_OK;
}

int cliLs(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "all") == 0) {
        listAll(gCli.location);
    } else {
        showHelp(gCli.location);
    }
    return CLIR_OK;
}

int cliDisLog(int argc, char** argv)
{
    uint32_t app = 0;
    uint32_t mw = 0;
    uint32_t sys = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word(argv[i]);
        if (word == "app") {
            app = DBG_LAYER_APP;
        } else if (word == "mw") {
            mw = DBG_LAYER_MW;
        } else if (word == "sys") {
            sys = DBG_LAYER_SYS;
        } else if (word == "on") {
            sys = DBG_LAYER_MASK;
        } else {
            break;
        }
    }
    gUi4DisablePrint.store(app | mw | sys, std::memory_order_relaxed);
    return CLIR_OK;
}

// The operator's own command line goes to the shell-command daemon as typed.
int cliExec(int argc, char** argv)
{
    if (argc < 2) {
        cli_print("Invalid cmd! \ne.g: exec programx\n");
        return CLIR_OK;
    }
    std::string command;
    if (argc - 1 > kExecMaxArgs) {
        cli_print("no arg ");
    } else {
        for (int i = 1; i < argc; ++i) {
            command.append(i > 1 ? " " : "").append(argv[i]);
        }
    }
    // A cut command line could run something other than what was typed: refuse it instead.
    if (command.size() >= kExecLineSize) {
        cli_print("snprintf copy fail!\n");
        return CLIR_OK;
    }
    quorid_exec(command.c_str(), 0);
    cli_print("call %s\n", command.c_str());
    return CLIR_OK;
}

uint32_t digitValue(char c)
{
    if (c >= '0' && c <= '9') {
        return static_cast<uint32_t>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<uint32_t>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<uint32_t>(c - 'A' + 10);
    }
    return 0xff;
}

// "0x..." (more than two characters) as up to 8 hex digits, anything else as up to 10 decimal
// digits; a character outside the digits of the base gives 0.
uint32_t readNumber(std::string_view text)
{
    uint32_t base = 10;
    size_t maxDigits = 10;
    if (text.size() > 2 && text.substr(0, 2) == "0x") {
        text.remove_prefix(2);
        base = 16;
        maxDigits = 8;
    }
    uint32_t value = 0;
    for (char c : text.substr(0, maxDigits)) {
        const uint32_t digit = digitValue(c);
        if (digit >= base) {
            return 0;
        }
        value = value * base + digit;
    }
    return value;
}

speed_t speedOf(uint32_t baud)
{
    switch (baud) {
    case 921600:
        return B921600;
    case 460800:
        return B460800;
    case 230400:
        return B230400;
    case 115200:
        return B115200;
    case 57600:
        return B57600;
    case 9600:
        return B9600;
    default:
        return B115200;
    }
}

int cliSetBaudrate(int argc, char** argv)
{
    if (argc < 2) {
        cli_print("Err:set baudrate, please give the bandrate value\n");
        return CLIR_OK;
    }
    const speed_t speed = speedOf(readNumber(argv[1]));
    const int fd = sb_dev_open("/dev/ttyKV0", O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return CLIR_OK;
    }
    fcntl(fd, F_SETFL, 0);
    termios attrs{};
    if (tcgetattr(fd, &attrs) == 0) {
        cfsetispeed(&attrs, speed);
        cfsetospeed(&attrs, speed);
        tcsetattr(fd, TCSANOW, &attrs);
    }
    sb_dev_close(fd);
    return CLIR_OK;
}

// --- Start ----------------------------------------------------------------------------------

}  // namespace

void cli_print(const char* format, ...)
{
    if (!dbgConsoleMayPrint()) {
        return;
    }
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
}

int32_t u_cli_attach_cmd_tbl(const cli_cmd_t* table, uint32_t group, uint32_t maskLow, uint32_t maskHigh)
{
    if (!gCli.started) {
        return CLIR_NOT_INIT;
    }
    return attachTable(table, group, maskOf(maskLow, maskHigh));
}

int32_t u_cli_detach_cmd_tbl(const cli_cmd_t* table, uint32_t group, uint32_t maskLow, uint32_t maskHigh)
{
    if (!gCli.started) {
        return CLIR_NOT_INIT;
    }
    return detachTable(table, group, maskOf(maskLow, maskHigh));
}

int32_t cli_parser(const char* line)
{
    if (line == nullptr) {
        return CLIR_INV_ARG;
    }
    const int argc = tokenise(line);
    if (argc == 0) {
        showHelp(gCli.location);
        return CLIR_OK;
    }
    char** argv = gCli.argv.data();
    const int32_t result = runWords(tableOf(rootTable()), argc, argv);
    if (result != CLIR_CMD_NOT_FOUND) {
        return result;
    }
    argv[0] = gCli.args[0].data();
    return runWords(gCli.location, argc, argv);
}

int32_t u_cli_parser(const char* line)
{
    if (!gCli.started) {
        cli_print("cli is not init\n");
        return CLIR_NOT_INIT;
    }
    return cli_parser(line);
}

int32_t u_cli_parser_arg(const char* format, ...)
{
    std::array<char, CLI_LINE_BUF_SIZE> line{};
    va_list args;
    va_start(args, format);
    const int written = vsnprintf(line.data(), line.size(), format, args);
    va_end(args);
    if (written < 0) {
        cli_print("vsnprintf sBuf failed!\n");
        line[0] = '\0';
    }
    return u_cli_parser(line.data());
}

int32_t u_cli_parse_dbg_level(int argc, char** argv, uint16_t* level)
{
    if (!gCli.started) {
        return CLIR_NOT_INIT;
    }
    if (argc < 2 || argv == nullptr || argv[1] == nullptr || level == nullptr) {
        return CLIR_INV_ARG;
    }
    *level = 0;
    const std::string_view word(argv[1]);
    if (word.size() > 1 && word.find_first_of("nN") != std::string_view::npos) {
        return CLIR_INV_ARG;
    }
    if (word == "all") {
        *level = DBG_LEVEL_ALL;
        return CLIR_OK;
    }
    for (char c : word) {
        switch (c) {
        case 'e':
        case 'E':
            *level |= DBG_LEVEL_ERROR;
            break;
        case 'a':
        case 'A':
            *level |= DBG_LEVEL_API;
            break;
        case 'i':
        case 'I':
            *level |= DBG_LEVEL_INFO;
            break;
        case 'n':
        case 'N':
            *level = 0;
            break;
        default:
            return CLIR_INV_ARG;
        }
    }
    return CLIR_OK;
}

int32_t u_cli_show_dbg_level(uint16_t level)
{
    if (!gCli.started) {
        return CLIR_NOT_INIT;
    }
    std::string letters;
    if (level & DBG_LEVEL_ERROR) {
        letters += 'e';
    }
    if (level & DBG_LEVEL_API) {
        letters += 'a';
    }
    if (level & DBG_LEVEL_INFO) {
        letters += 'i';
    }
    cli_print("Debug level = %s\n\r", letters.empty() ? "none" : letters.c_str());
    return CLIR_OK;
}

const char* cli_get_prompt_str_buf()
{
    return gCli.prompt.data();
}

bool cli_is_inited()
{
    return gCli.started;
}

int32_t cliPrepareStart()
{
    if (gCli.started) {
        cli_print("CLI already init.\n");
        return CLIR_ALREADY_INIT;
    }
    clearGroups();
    int32_t result = CLIR_OK;
    for (const BuiltinTable& b : kBuiltins) {
        if (attachTable(b.table, b.group, 0) != CLIR_OK) {
            cli_print("%s", b.failure);
            result = CLIR_INIT_FAILED;
        }
    }
    goRoot();
    return result == CLIR_OK ? CLIR_OK : CLIR_INIT_FAILED;
}

void cliSetStarted(bool started)
{
    gCli.started = started;
}

void cliResetParser()
{
    clearGroups();
    goRoot();
    gUi4DisablePrint = 0;
    gCli.started = false;
}
