// sileth: the audio-input daemon. Answers corvand's queue, follows the digital inputs' stream
// information and runs one pipeline child per stream.
#include "platform/quorid/quorid.h"
#include "platform/sbroot/sb_root.h"
#include "common/crash/crash_dbg.h"
#include "sileth/sileth_daemon.h"
#include "sileth/sileth_log.h"
#include "sileth/sileth_recv.h"

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

int main()
{
    // Lines must reach a log file as they happen, not when a buffer fills.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    APP_INFO("Dbg Backtrace Init");
    dbgInit();
    // GStreamer keeps its registry cache under /data and looks for its data under /res.
    setenv("XDG_CACHE_HOME", sb::path("/data").c_str(), 1);
    setenv("XDG_DATA_HOME", sb::path("/res").c_str(), 1);
    if (access(sb::path("/data/mervane/dolby-atmos.conf").c_str(), F_OK) != 0) {
        quorid_exec("cp -rf /res/dolby-atmos.conf /data/mervane/", 0);
    }
    // One second of silence on the main PCM.
    quorid_exec("aplay -Dmain -c2 -fS32_LE -r48000 /dev/full -d1", 0);
    if (i4SilethInit() != 0) {
        return 1;
    }
    std::thread receiver(pvGstMsgThread);
    APP_INFO("APP SpdifIn start ... ");
    receiver.join();
    return 0;
}
