#include "main/app_init.h"

#include "main/am/am.h"
#include "main/am/amb/amb.h"
#include "main/mw/os_pthread/os_sema.h"

int32_t appMngrNfyFct(handle_t, aee_nfy_tag_t tag, uint32_t code)
{
    if (tag == 0 || (code != AEE_NFY_INIT_OK && code != AEE_NFY_INIT_FAIL)) {
        return 0;
    }
    auto* wait = reinterpret_cast<app_mngr_start_wait_t*>(tag);
    if (code == AEE_NFY_INIT_OK) {
        wait->ui4Ok = 1;
    }
    CORVAND_ASSERT(uSemaUnlock(wait->prSema) == 0);
    return 0;
}

int32_t xAppInit(void)
{
    app_mngr_start_wait_t wait{nullptr, 0};
    CORVAND_ASSERT(uSemaCreate(&wait.prSema, SEMA_TYPE_BINARY, 0) == 0);
    amb_register_info_t info{};
    u_am_init(&info);
    app_start_param_t param{};
    amStartParamFromRecord(&info, 0, &param);
    handle_t app = 0;
    CORVAND_ASSERT(
        u_app_start(&info.tFct, &param, info.acName, appMngrNfyFct, reinterpret_cast<aee_nfy_tag_t>(&wait), &app) == 0);
    CORVAND_ASSERT(uSemaLock(wait.prSema, SEMA_OPTION_WAIT) == 0);
    CORVAND_ASSERT(wait.ui4Ok == 1);
    CORVAND_ASSERT(uSemaDelete(wait.prSema) == 0);
    return 0;
}
