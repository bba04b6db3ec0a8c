// The amplifier wrapper's calls that the music wrapper and the fan-out make, under the names that
// wrapper declares them by; its own header replaces this one once it is in the tree.
#pragma once

#include <cstdint>

void guiWrapperAmpVolSet(const uint8_t* vol);
void guiWrapperAmpMuteSet(uint8_t mute);
