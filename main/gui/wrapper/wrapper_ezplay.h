// EzPlay TV-partner protocol: its messages in CEC vendor commands.
#pragma once

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperEzplayInit(void);
void guiWrapperEzplayExit(void);
