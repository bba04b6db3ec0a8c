// The music wrapper's registered callback, kept apart from the wrapper itself: key input registers
// it in every program that has key input, whether or not that program carries the audio path.
#pragma once

#include "main/gui/wrapper/wrapper_music.h"

// The callback last registered, or null.
GuiWrapperMusicCbk guiWrapperMusicCbkGet(void);
