// Start of the application manager during corvand's start-up.
#pragma once

#include "main/am/aee/aee.h"
#include "main/mw/os_pthread/os_err.h"
#include "main/mw/os_pthread/os_sema.h"

#include <cstdint>

// Start-up steps that must not fail end the process, naming corvand and the line.
#define CORVAND_ASSERT(expression) \
    ((expression) ? static_cast<void>(0) : osAssertFail(#expression, "corvand", __LINE__, __func__))

// Starts "app_mngr" synchronously; every failure ends the process. Returns 0.
int32_t xAppInit(void);

// What xAppInit waits on while the manager runs its init.
struct app_mngr_start_wait_t {
    sema_t* prSema;
    uint32_t ui4Ok;
};

// Notify function of the manager's start: the tag points at an app_mngr_start_wait_t.
int32_t appMngrNfyFct(handle_t app, aee_nfy_tag_t tag, uint32_t code);
