// Roku TV-partner protocol: its messages in CEC vendor commands.
#pragma once

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperRokuInit(void);
void guiWrapperRokuExit(void);
