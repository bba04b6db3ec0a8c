// Stand-in for the EzPlay TV-partner protocol until it is built: nothing to start.
#include "main/gui/wrapper/wrapper_ezplay.h"

void guiWrapperEzplayInit(void)
{
}

void guiWrapperEzplayExit(void)
{
}
