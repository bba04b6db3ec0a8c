// The music wrapper's effect change, for this folder and its tests only.
#pragma once

#include <cstdint>

// 1 while an effect change is under way: its timer armed or its end still restoring the volume.
// A test waits for 0 before it reads the amplifiers, which the end of the change writes again.
uint8_t guiWrapperMusicEffectPendingForTest(void);
