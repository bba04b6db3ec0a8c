// The debug console of corvand: attached command tables, the parser, and the built-in commands.
//
// A module contributes one static table whose first row names the module and points at the
// module's command rows, and attaches it from its start function:
//
//     const cli_cmd_t timerdCmds[] = {
//         {"gdl", nullptr, timerdCliGdl, nullptr, "Get debug level", CLI_ACCESS_NORMAL},
//         {"sdl", nullptr, timerdCliSdl, nullptr, "Set debug level", CLI_ACCESS_NORMAL},
//         CLI_LAST_CMD,
//     };
//     const cli_cmd_t timerdTbl[] = {
//         {"timerd", "td", nullptr, timerdCmds, "timerd commands", CLI_ACCESS_NORMAL},
//         CLI_LAST_CMD,
//     };
//     u_cli_attach_cmd_tbl(timerdTbl, CLI_GRP_APP, 0, 0);
//
// `gdl` calls u_cli_show_dbg_level(level) with the module's level; `sdl` calls
// u_cli_parse_dbg_level(argc, argv, &level), stores the level only on 0 and returns the result.
// Log lines go through dbg_level.h.
#pragma once

#include <cstdint>

// Handlers get argv[0] as the command word (last component of a dotted path) and the arguments
// after it; a negative result is an error.
using cli_cmd_fn = int (*)(int argc, char** argv);

struct cli_cmd_t {
    const char* name;           // nullptr ends the table for lookups
    const char* abbr;           // nullptr when the row has no abbreviation
    cli_cmd_fn handler;         // nullptr for a row that only leads to its sub-table
    const cli_cmd_t* subTable;  // nullptr for a plain command
    const char* help;
    uint32_t access;  // CLI_ACCESS_HIDDEN rows show only in `ls all`
};

constexpr uint32_t CLI_ACCESS_NORMAL = 0;
constexpr uint32_t CLI_ACCESS_HIDDEN = 1;

// Every table ends with this row.
constexpr cli_cmd_t CLI_LAST_CMD = {nullptr, nullptr, nullptr, nullptr, nullptr, CLI_ACCESS_HIDDEN};

// Groups a table is attached to: the root, the "app" directory, the "mw" directory.
constexpr uint32_t CLI_GRP_ROOT = 0;
constexpr uint32_t CLI_GRP_APP = 1;
constexpr uint32_t CLI_GRP_MW = 2;
constexpr uint32_t CLI_GRP_COUNT = 3;
constexpr uint32_t CLI_MAX_TBL_PER_GRP = 128;

// Results of the console calls and of the parser.
constexpr int32_t CLIR_OK = 0;
constexpr int32_t CLIR_NOT_INIT = -1;
constexpr int32_t CLIR_ALREADY_INIT = -2;
constexpr int32_t CLIR_INIT_FAILED = -3;
constexpr int32_t CLIR_INV_ARG = -4;
constexpr int32_t CLIR_INV_CMD_ROW = -5;
constexpr int32_t CLIR_TBL_FULL = -8;
constexpr int32_t CLIR_CMD_NOT_FOUND = -10;
constexpr int32_t CLIR_DIR_NOT_FOUND = -11;
constexpr int32_t CLIR_GRP_EMPTY = -14;

constexpr uint32_t CLI_MAX_ARGS = 64;
constexpr uint32_t CLI_MAX_ARG_LEN = 255;
constexpr uint32_t CLI_PROMPT_BUF_SIZE = 1028;
constexpr uint32_t CLI_LINE_BUF_SIZE = 1028;

// Clears the groups, attaches the built-in tables and starts the console thread "cli_thread".
int32_t u_cli_init();
int32_t cli_init();

// Attach or detach a module table; the mask is stored and compared on detach only.
int32_t u_cli_attach_cmd_tbl(const cli_cmd_t* table, uint32_t group, uint32_t maskLow, uint32_t maskHigh);
int32_t u_cli_detach_cmd_tbl(const cli_cmd_t* table, uint32_t group, uint32_t maskLow, uint32_t maskHigh);

// Runs one line as if typed; -1 before the console is started.
int32_t u_cli_parser(const char* line);
int32_t u_cli_parser_arg(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Runs one line at the current location (the console thread's entry into the tables).
int32_t cli_parser(const char* line);

// The `sdl` word ("e", "a", "i" in any mix, "n", "all") to a level.
int32_t u_cli_parse_dbg_level(int argc, char** argv, uint16_t* level);
// Prints "Debug level = " and the letters of bits 0..2 of `level`, or "none".
int32_t u_cli_show_dbg_level(uint16_t level);

// A module's `gdl` and `sdl` handlers from its get and set functions:
//     {"gdl", nullptr, CliDbgLevelCmds<am_get_dbg_level, am_set_dbg_level>::get, ...},
template <uint16_t (*Get)(), void (*Set)(uint16_t)>
struct CliDbgLevelCmds {
    static int get(int, char**) { return u_cli_show_dbg_level(Get()); }
    static int set(int argc, char** argv)
    {
        uint16_t level = 0;
        const int32_t res = u_cli_parse_dbg_level(argc, argv, &level);
        if (res == 0) {
            Set(level);
        }
        return res;
    }
};

// printf for the console's own output (help, prompt, messages): silent while any layer is
// masked by `dis_log` or gUi4EnableAllLog is not 1.
void cli_print(const char* format, ...) __attribute__((format(printf, 1, 2)));

const char* cli_get_prompt_str_buf();
bool cli_is_inited();

// Start in two steps without a thread: tables first, then the input loop on the calling thread.
int32_t u_cli_tset_init_phase1();
int32_t cli_init_phase1();
int32_t u_cli_test_init_phase2();
int32_t cli_init_phase2();

// Test support: back to the state before the first start (no groups, root, not started).
// Only for a process where no console thread runs.
void cli_test_reset();
