// Stand-in for the Roku TV-partner protocol until it is built: nothing to start.
#include "main/gui/wrapper/wrapper_roku.h"

void guiWrapperRokuInit(void)
{
}

void guiWrapperRokuExit(void)
{
}
