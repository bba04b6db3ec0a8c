#include "main/gui/wrapper/wrapper_dolby.h"

#include "main/gui/wrapper/wrapper_decoder_priv.h"
#include "main/gui/wrapper/wrapper_general.h"
#include "platform/quorid/quorid.h"

#include <array>
#include <atomic>
#include <cstdio>

namespace {

// The audio-input daemon's upmix setting and the value byte it reads.
constexpr uint32_t kGstSetXupmix = 29;
constexpr size_t kGstSetXupmixByte = 3;

constexpr uint8_t kNoProfile = 8;
constexpr uint8_t kLastProfile = 7;
constexpr size_t kCommandSize = 200;
// The first effect configuration the audio-server host preloads; it also configures Dolby.
constexpr const char* kDolbyConfig = "/res/xml/ppc_dolby.xml";
constexpr std::array<const char*, kLastProfile + 1> kProfiles = {"music",   "movie", "game",        "voice",
                                                                 "dynamic", "night", "personalize", "personalize"};

struct DolbyObj {
    std::atomic<uint8_t> init{0};
    std::atomic<uint8_t> xupmix{0};
    std::atomic<GuiWrapperDolbyGstSetFct> gstSet{nullptr};
    std::atomic<uint8_t> lastMode{kNoProfile};
};

DolbyObj gGuiWrapperDolbyThisObj;

}  // namespace

void guiWrapperDolbyInit(void)
{
    DolbyObj& o = gGuiWrapperDolbyThisObj;
    if (o.init.load() != 0) {
        return;
    }
    o.xupmix = 0;
    o.init = 1;
    DECODER_LOG("guiWrapperDolbyInit %d!", o.init.load());
}

void guiWrapperDolbyExit(void)
{
    gGuiWrapperDolbyThisObj.init = 0;
}

void guiWrapperDolbyGstSetRegister(GuiWrapperDolbyGstSetFct fct)
{
    gGuiWrapperDolbyThisObj.gstSet = fct;
}

void guiWrapperDolbyXupmixSet(const uint8_t*, const uint8_t* xupmix)
{
    if (xupmix == nullptr) {
        DECODER_LOG("Param Error!");
        return;
    }
    DECODER_LOG("xupmix_set =%d", *xupmix);
    gGuiWrapperDolbyThisObj.xupmix = *xupmix;
    std::array<uint8_t, 4> values{};
    values[kGstSetXupmixByte] = *xupmix;
    const GuiWrapperDolbyGstSetFct send = gGuiWrapperDolbyThisObj.gstSet.load();
    if (send != nullptr) {
        send(kGstSetXupmix, values.data());
    }
}

uint8_t guiWrapperDolbyXupmixGet(void)
{
    return gGuiWrapperDolbyThisObj.xupmix.load();
}

void guiWrapperUpmix_set(uint8_t eqMode, uint8_t virtEn)
{
    DolbyObj& o = gGuiWrapperDolbyThisObj;
    DECODER_LOG("last_mode=%d, eq_mode=%d!", o.lastMode.load(), eqMode);
    if (o.lastMode.exchange(eqMode) == eqMode || eqMode > kLastProfile) {
        return;
    }
    std::array<char, kCommandSize> line{};
    const int n =
        snprintf(line.data(), line.size(),
                 "mervane -w dolby -speakers lr:c:lrs:lrrs:lfe -config file=%s:endpoint=internal_speaker"
                 "%s %s %s",
                 kDolbyConfig, virtEn != 0 ? ":virt-enable" : " ", "-drc drc-mode=disable -profile", kProfiles[eqMode]);
    // A line cut short would run the tool with a profile it was not meant to get.
    if (n < 0 || static_cast<size_t>(n) >= line.size()) {
        DECODER_LOG("command too long: %d", n);
        return;
    }
    quorid_exec(line.data(), 0);
    quorid_exec("mervane -u dolby", 0);
}

int32_t guiWrapperDolbyMsgSnd(uint32_t cmd)
{
    const int32_t ret = guiWrapperMsgSnd(cmd);
    if (ret != 0) {
        DECODER_LOG("guiWrapperDolbyMsgSnd failed, ret[%d]", static_cast<int>(ret));
        return -1;
    }
    return 0;
}

void guiWrapperDolbyPowerOn(const void*)
{
}
void guiWrapperDolbyPowerOff(const void*)
{
}
void guiWrapperDolbyFactoryReset(const void*)
{
}
void guiWrapperDolbySurEnSet(const void*)
{
}
void guiWrapperDolbyEqSet(const void*)
{
}
void guiWrapperDolbyMuteSet(const void*)
{
}
void guiWrapperDolbyVolSet(const void*)
{
}
void guiWrapperDolbyBassSet(const void*)
{
}
void guiWrapperDolbyTrebleSet(const void*)
{
}
