#include "main/device_mngr/dm_netmon.h"

#include "main/device_mngr/dm_core.h"
#include "main/device_mngr/dm_log.h"
#include "platform/sbdev/sb_netif.h"

#include <net/if.h>
#include <pthread.h>
#include <unistd.h>

namespace {

constexpr unsigned kPeriodS = 1;

void* dmNetworkMonitorThread(void*)
{
    pthread_setname_np(pthread_self(), "network_monitor");
    uint32_t last = 0;
    for (;;) {
        short flags = 0;
        const uint32_t up = sb_netif_flags("eth0", &flags) == 0 && (flags & IFF_RUNNING) != 0 ? 1 : 0;
        if (up != last) {
            last = up;
            dmBroadcastNetworkMsg(up);
        }
        sleep(kPeriodS);
    }
    return nullptr;
}

}  // namespace

int32_t dmNetworkMonitorStart(void)
{
    pthread_t thread;
    if (pthread_create(&thread, nullptr, dmNetworkMonitorThread, nullptr) != 0) {
        DM_ERR("[DM] %s: network monitor not started\n", __func__);
        return -1;
    }
    pthread_detach(thread);
    return 0;
}
