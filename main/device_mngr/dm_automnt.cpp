#include "main/device_mngr/dm_automnt.h"

#include "main/device_mngr/dm_core_priv.h"
#include "main/device_mngr/dm_log.h"

int32_t dmInitAutomnt(void)
{
    // Nothing is mounted yet: the policy comes with the callback thread's descriptors.
    DM_INFO("%s,%d\n", __func__, __LINE__);
    dmCoreGet().b_automnt_init.store(1);
    return 0;
}
