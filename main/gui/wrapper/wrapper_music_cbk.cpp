#include "main/gui/wrapper/wrapper_music_cbk_priv.h"

#include <atomic>

namespace {

std::atomic<GuiWrapperMusicCbk> gGuiWrapperMusicCbk{nullptr};

}  // namespace

void guiWrapperMusicRegisterCbk(GuiWrapperMusicCbk cbk)
{
    if (cbk != nullptr) {
        gGuiWrapperMusicCbk = cbk;
    }
}

GuiWrapperMusicCbk guiWrapperMusicCbkGet(void)
{
    return gGuiWrapperMusicCbk.load();
}
