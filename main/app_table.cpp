#include "main/app_table.h"

#include "main/acfg/acfg_app.h"
#include "main/acfg/audio_setting.h"
#include "main/cec/cec_app.h"
#include "main/device_mngr/dm_linux.h"
#include "main/gui/gui_manager.h"
#include "main/gui/user_interface.h"
#include "main/playback/usb/playback_usb.h"
#include "main/source_in/capture_loop/tdm_in.h"
#include "main/source_in/capture_loop/uac_capture.h"
#include "main/source_in/line_in/playback_line_in.h"
#include "main/source_in/spdif/pb_spdif_in.h"
#include "main/state_mngr/state_mngr.h"
#include "main/timerd/timerd.h"
#include "main/upgrade/upg_ctrl.h"
#include "platform/sbroot/sb_root.h"

#include <cstdio>

// Start order: timerd, acfg, state_mngr, upg_control, user_interface, gui_namager, pb_spdif_in,
// playback_line_in, dev_mngr, playback_usb, playback_tdm_in, playback_uac_capture, cec,
// audio_setting. An application's row goes in at its place once the application is built; each
// may rely in its init on every earlier row.
app_table_entry_t gAppTable[] = {
    {a_timerd_register, {}, "timerd"},
    {a_acfg_register, {}, "acfg"},
    {a_sm_register, {}, "state_mngr"},
    {aUpgCtrlRegister, {}, "upg_control"},
    {uiAppUserInterfaceRegister, {}, "user_interface"},
    {a_gui_manager_register, {}, "gui_namager"},
    {aPlaybackSpdifInRegister, {}, "pb_spdif_in"},
    {aPlaybackLineInRegister, {}, "playback_line_in"},
    {a_dm_register, {}, "dev_mngr"},
    {a_playback_usb_register, {}, "playback_usb"},
    {aTdmInRegister, {}, "playback_tdm_in"},
    {aUacCaptureRegister, {}, "playback_uac_capture"},
    {a_cec_register, {}, "cec"},
    {a_audio_setting_manager_register, {}, "audio_setting"},
    {nullptr, {}, nullptr},
};

namespace {

void markSetupFailure()
{
    FILE* marker = fopen(sb::path(APP_SETUP_FAIL_MARKER).c_str(), "w+");
    if (marker == nullptr) {
        printf("<corvand>fopen fail!\n");
        return;
    }
    fclose(marker);
}

}  // namespace

uint32_t appTableStart(app_table_entry_t* table)
{
    uint32_t failed = 0;
    int n = 1;
    for (app_table_entry_t* row = table; row->pfRegister != nullptr; ++row, ++n) {
        printf("<corvand>%d.%s Init Begin\n", n, row->psName);
        row->pfRegister(&row->tInfo);
        int32_t res = u_amb_register_app(&row->tInfo);
        if (res != 0) {
            printf("<corvand>%d.%s register fail ret %d\n", n, row->psName, res);
            markSetupFailure();
            ++failed;
            continue;
        }
        // The record holds the name cut to 16 characters, which is what the broker knows.
        res = u_amb_sync_start_app(row->tInfo.acName);
        if (res != 0) {
            printf("<corvand>%d.%s sync start fail ret %d\n", n, row->psName, res);
            markSetupFailure();
            ++failed;
            continue;
        }
        printf("<corvand>%d.%s Init Successful\n", n, row->psName);
    }
    return failed;
}
