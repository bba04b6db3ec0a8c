// Stand-in for the production-test events until they are built: each call says it was reached.
#include "main/gui/gui_pdt.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiPdtInit(void)
{
}

void guiPdtExit(void)
{
}

void guiPdtEvtProcess(const GuiMsg*)
{
    STANDIN_NOT_BUILT();
}
