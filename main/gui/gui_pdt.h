// Production-test events: the factory's commands, handed over by the GUI manager's routing.
#pragma once

#include "main/gui/msg/gui_msg.h"

void guiPdtInit(void);
void guiPdtExit(void);

void guiPdtEvtProcess(const GuiMsg* msg);
