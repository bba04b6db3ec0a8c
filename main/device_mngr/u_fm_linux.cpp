#include "main/device_mngr/u_fm_linux.h"

#include "main/device_mngr/dm_log.h"

int32_t uFmInit(void)
{
    // No partition is mounted yet, so there is nothing to keep.
    DM_INFO("[FM] %s: #%d: \n", __func__, __LINE__);
    return 0;
}
