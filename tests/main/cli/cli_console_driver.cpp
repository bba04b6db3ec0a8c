// Runs the console as corvand does, for tests that type at it through its standard input and
// read its standard output.
#include "main/cli/cli.h"
#include "main/cli/cli_input.h"
#include "main/mw/os_pthread/os_thread.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// Prints its words so the transcript shows which line ran.
int recordWords(int argc, char** argv)
{
    std::string line = "ran";
    for (int i = 1; i < argc; ++i) {
        line.append(" ").append(argv[i]);
    }
    printf("%s\n", line.c_str());
    return 0;
}

const cli_cmd_t kTestCmds[] = {
    {"rec", nullptr, recordWords, nullptr, "Record the words", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kTimerdCmds[] = {
    {"gdl", nullptr, recordWords, nullptr, "Get debug level", CLI_ACCESS_NORMAL},
    {"broken", nullptr, nullptr, nullptr, "Neither handler nor sub-table", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};
const cli_cmd_t kTimerdTbl[] = {
    {"timerd", "td", nullptr, kTimerdCmds, "timerd commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

bool attachTestTables()
{
    return u_cli_attach_cmd_tbl(kTestCmds, CLI_GRP_ROOT, 0, 0) == 0 &&
           u_cli_attach_cmd_tbl(kTimerdTbl, CLI_GRP_APP, 0, 0) == 0;
}

}  // namespace

// "loop": the input loop on the main thread, to its "quit" line. "thread": the console thread as
// corvand starts it; the program then waits to be killed.
int main(int argc, char** argv)
{
    const std::string mode = argc == 2 ? argv[1] : "";
    cli_set_char_delay_ms(0);
    if (mode == "loop") {
        if (cli_init_phase1() != 0 || !attachTestTables()) {
            return 2;
        }
        const int32_t result = cli_init_phase2();
        fflush(stdout);
        return result == 0 ? 0 : 1;
    }
    if (mode == "thread") {
        if (osThreadInit() != 0 || u_cli_init() != 0) {
            return 2;
        }
        for (;;) {
            pause();
        }
    }
    fprintf(stderr, "usage: cli_console_driver loop|thread\n");
    return 2;
}
