#include "main/mw/handle/handle_cli.h"

#include "main/cli/cli.h"
#include "main/mw/handle/handle.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

int handleCliStats(int /*argc*/, char** /*argv*/)
{
    handle_stats_t stats{};
    const int32_t result = handleGetStats(&stats);
    if (result != HR_OK) {
        return result;
    }
    for (int group = 0; group < HT_NUM_AUTOFREE_GROUPS; ++group) {
        printf("Group:   %3d  Used: %5d\n", group, stats.aui2GroupUsed[group]);
    }
    if (stats.ui2Free > stats.ui2Size) {
        printf("Total: %5d  Used: -----  Free: %5d  Peak used: %5d\n", stats.ui2Size, stats.ui2Free, stats.ui2Peak);
    } else {
        printf("Total: %5d  Used: %5d  Free: %5d  Peak used: %5d\n", stats.ui2Size, stats.ui2Size - stats.ui2Free,
               stats.ui2Free, stats.ui2Peak);
    }
    return 0;
}

int handleCliInfo(int argc, char** argv)
{
    if (argc < 2 || argv == nullptr || argv[1] == nullptr) {
        return HR_OUT_OF_MEMORY;
    }
    const char* text = argv[1];
    const auto handle = static_cast<handle_t>(strtoul(text, nullptr, 0));
    handle_info_t info{};
    if (handleGetInfo(handle, &info) != HR_OK) {
        printf("Handle %s is invalid or free\n", text);
        return 0;
    }
    printf("Handle: %s\n", text);
    printf("Type: %5d  (Group: %3d  Idx: %3d)  Flags: 0x%02x\n", info.eType, info.eType / HT_GROUP_SIZE,
           info.eType % HT_GROUP_SIZE, info.ui1Flags);
    printf("  Obj: 0x%08" PRIxPTR "  Free funct: 0x%08" PRIxPTR "\n", info.uiObj, info.uiFreeFct);
    printf("Link Next [h]: %7u  Prev [h]: %7u\n", info.tLinkNext, info.tLinkPrev);
    printf("AUX Link  Next [h]: %7u  Prev [h]: %7u\n", info.tAuxNext, info.tAuxPrev);
    if (info.fgAuxHead) {
        printf("  AUX free funct: 0x%08" PRIxPTR "  Num AUX linked: %5d\n", info.uiAuxMemberFct, info.ui2AuxCount);
    } else {
        printf("  Tag: 0x%08x  AUX Link Head [h]: %7u\n", info.ui4Tag, info.tAuxHead);
    }
    return 0;
}

namespace {

const cli_cmd_t kHandleCmds[] = {
    {"stats", "s", handleCliStats, nullptr, "Returns handle statistics.", CLI_ACCESS_NORMAL},
    {"info", "i", handleCliInfo, nullptr, "Returns the info of an individual handle", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kHandleTbl[] = {
    {"handle", nullptr, nullptr, kHandleCmds, "HANDLE module commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

constexpr int32_t kCliRefused = -14;

}  // namespace

int32_t handleRegCli()
{
    printf("handleRegCli called\n");
    printf("bInit\n");
    printf("cli supported\n");
    if (u_cli_attach_cmd_tbl(kHandleTbl, CLI_GRP_MW, 0, 0) != CLIR_OK) {
        return kCliRefused;
    }
    printf("handleRegCli success return\n");
    return 0;
}

int32_t handleUnregCli()
{
    return u_cli_detach_cmd_tbl(kHandleTbl, CLI_GRP_MW, 0, 0) == CLIR_OK ? 0 : kCliRefused;
}
