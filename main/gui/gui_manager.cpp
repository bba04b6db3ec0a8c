#include "main/gui/gui_manager.h"

#include "main/am/aee/aee.h"
#include "main/am/am.h"
#include "main/gui/gui_log_priv.h"

int32_t guiManagerAppMsgSnd(const GuiMsg* msg)
{
    if (msg == nullptr) {
        return 0;
    }
    handle_t gui = 0;
    int32_t ret = u_am_get_app_handle_from_name(&gui, GUI_MANAGER_APP_NAME);
    if (ret == 0) {
        ret = u_app_send_appmsg(gui, E_APP_MSG_TYPE_GUI, 0, 0, msg, sizeof(*msg));
    }
    if (ret != 0) {
        GUI_LOG_ERR("Send Msg To GUI Manager Failed, ret[%ld]", static_cast<long>(ret));
    }
    return 0;
}
