// corvand: brings the framework up in a fixed order, starts the application manager and every
// application of the table, then hands over to the last phase of start-up, which never returns.
#include "main/am/aee/aee.h"
#include "main/app_init.h"
#include "main/app_table.h"
#include "main/cli/cli.h"
#include "main/dbg_backtrace.h"
#include "main/mw/handle/handle.h"
#include "main/mw/os_pthread/os_thread.h"
#include "main/startup_handover.h"
#include "platform/sbroot/sb_root.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint16_t kHandlePoolSize = 256;
// The version banner is printed only above 3.
uint32_t gUi4StartupPrintLevel = 4;

}  // namespace

int main()
{
    // Log lines must come out as they happen, also when standard output is not a terminal.
    setvbuf(stdout, nullptr, _IOLBF, 0);

    struct stat logAll {};
    (void)stat(sb::path("/data/log_all").c_str(), &logAll);

    printf("<corvand>**************************************************\n");
    printf("<corvand>child process id is %d\n", static_cast<int>(getpid()));
    printf("<corvand>Appcliation Init Begin\n");
    printf("<corvand>Audio Vesk process Init\n");
    if (gUi4StartupPrintLevel > 3) {
        printf("[%s,%d]:<corvand>#####################FW_VERSION=V0.21#####################\r\n\r\n", __func__,
               __LINE__);
    }

    printf("<corvand>OS thread Init\n");
    CORVAND_ASSERT(osThreadInit() == 0);
    printf("<corvand>Cli Init\n");
    CORVAND_ASSERT(u_cli_init() == 0);
    printf("<corvand>Dbg Backtrace Init\n");
    CORVAND_ASSERT(dbgInit() == 0);
    printf("<corvand>AEE Init\n");
    CORVAND_ASSERT(aee_init() == 0);
    printf("<corvand>Handle Usr Init\n");
    CORVAND_ASSERT(uHandleUsrInit(kHandlePoolSize) == 0);
    printf("<corvand>Am Init\n");
    CORVAND_ASSERT(xAppInit() == 0);

    appTableStart(gAppTable);

    printf("<corvand>Appcliation Init Finish\n");
    printf("<corvand>**********************************************\n");
    startupHandOver();
}
