#include "pellant/vesk_ppc_page.h"

#include "pellant/vesk_app.h"
#include "pellant/vesk_ppc_param.h"
#include "pellant/vesk_ppc_tables.h"
#include "platform/quorid/quorid.h"
#include "platform/vesk2/vesk2.h"

#include <cstdio>

namespace {

constexpr size_t kDolbyCommandSize = 250;
constexpr uint8_t kNoDolbyCommand = 8;

// The settings as last sent; only eq_mode, xupmix_en and format_mode choose the page.
struct SoundState {
    uint8_t virtual_x_en = 0;
    uint8_t sur_en = 0;
    uint8_t xupmix_en = 0;
    uint8_t sur_vol = 0;
    uint8_t eq_mode = 0;
    uint8_t bass_level = 0;
    uint8_t treble_level = 0;
    uint8_t bassboost_en = 0;
    uint8_t latency = 0;
    uint8_t center_level = 0;
    uint8_t sur_left = 0;
    uint8_t sur_right = 0;
    uint8_t height = 0;
    uint32_t format_mode = 0;
};

struct PageState {
    SoundState sound;
    uint32_t page = VESK_PPC_START_PAGE;
    uint8_t dolbyProfile = kNoDolbyCommand;  // the last Dolby command run
    uint8_t dolbyUpmix = kNoDolbyCommand;
};

PageState gPage;

uint8_t lowByte(const VeskIpcBytes& args)
{
    return static_cast<uint8_t>(args.word(0) & 0xff);
}

const char* profileName(uint8_t profile)
{
    switch (profile) {
    case 1:
        return "movie";
    case 2:
        return "game";
    case 3:
        return "voice";
    case 4:
        return "dynamic";
    case 5:
        return "night";
    default:
        return "music";
    }
}

void runDolbyCommand(uint8_t profile, uint8_t upmix)
{
    if (profile == gPage.dolbyProfile && upmix == gPage.dolbyUpmix) {
        return;
    }
    gPage.dolbyProfile = profile;
    gPage.dolbyUpmix = upmix;
    if (profile > 7) {
        return;
    }
    const std::string command = veskPpcDolbyCommand(profile, upmix);
    if (command.empty()) {
        printf("[%s,%d]:dolby command too long!\n", __func__, __LINE__);
        return;
    }
    quorid_exec(command.c_str(), 0);
    quorid_exec("mervane -u dolby", 0);
}

// Re-applies the user's levels to the current page's blocks.
void reapplyGains()
{
    if (veskAppHandle() == nullptr) {
        return;
    }
    const SoundState& s = gPage.sound;
    if (s.bass_level <= VESK_PPC_LEVEL_MAX) {
        veskPpcToneWrite(VeskPpcTone::Bass, (s.eq_mode == 6 || s.eq_mode == 7) ? 6 : s.bass_level);
    }
    if (s.treble_level <= VESK_PPC_LEVEL_MAX) {
        veskPpcToneWrite(VeskPpcTone::Treble, s.treble_level);
    }
    if (s.center_level <= VESK_PPC_LEVEL_MAX) {
        veskPpcToneWrite(VeskPpcTone::Centre, s.center_level);
    }
    if (s.sur_vol <= VESK_PPC_LEVEL_MAX) {
        veskPpcChannelGainWrite(VESK_PPC_SEL_SURROUND, s.sur_vol);
    }
    if (s.height <= VESK_PPC_HEIGHT_MAX) {
        veskPpcChannelGainWrite(VESK_PPC_SEL_HEIGHT, s.height);
    }
}

// Recomputes and selects the page from the stored settings; the server's answer is the result.
int pageStep(bool reapply)
{
    const SoundState& s = gPage.sound;
    if (s.format_mode == 2 || s.format_mode == 3) {
        runDolbyCommand(s.eq_mode == 7 ? 6 : s.eq_mode, s.xupmix_en);
    }
    veskPpcPageIdxSet(veskPpcPageFor(s.eq_mode, s.xupmix_en, s.format_mode));
    if (reapply) {
        reapplyGains();
    }
    return vesk_ppc_set_mode(veskAppHandle(), veskPpcPageIdxGet() + 1);
}

bool serverUp(const char* func, int line)
{
    if (veskAppHandle() == nullptr) {
        printf("[%s,%d]:Param error!\n", func, line);
        return false;
    }
    return true;
}

// Stores a level and writes it; levels above `max` are refused.
int levelStep(const VeskIpcBytes& args, uint8_t max, uint8_t& stored, const char* func, int line)
{
    const uint8_t level = lowByte(args);
    if (level > max) {
        printf("[%s,%d]:level=%d error!\n", func, line, level);
        return -1;
    }
    stored = level;
    return 0;
}

}  // namespace

void veskPpcPageInit(void)
{
    veskPpcBlocksAlloc();
    gPage = PageState{};
}

uint32_t veskPpcPageIdxGet(void)
{
    printf("[%s,%d]:page_idx = %d!\n", __func__, __LINE__, static_cast<int>(gPage.page));
    return gPage.page;
}

void veskPpcPageIdxSet(uint32_t page)
{
    if (page >= VESK_PPC_PAGE_NUM) {
        printf("[%s,%d]:set page_idx=%d error!\n", __func__, __LINE__, static_cast<int>(page));
        return;
    }
    gPage.page = page;
}

uint32_t veskPpcPageFor(uint8_t e, uint8_t u, uint32_t f)
{
    const uint32_t base = u != 0 ? 0 : 7;
    switch (f) {
    case 0:
        return e == 7 ? (u != 0 ? 20 : 27) : base + 14 + e;
    case 1:
        if (e == 7) {
            return u != 0 ? 34 : 41;
        }
        return e == 3 ? base + 33 : e == 5 ? base + 31 : base + 28 + e;
    case 2:
    case 3:
        return base + (e == 7 ? 6 : e);
    default:
        return 0;
    }
}

std::string veskPpcDolbyCommand(uint8_t profile, uint8_t upmix)
{
    char line[kDolbyCommandSize];
    const int n = snprintf(line, sizeof(line),
                           "mervane -w dolby -speakers lr:c:lrs:lrrs:lfe -config file=%s:endpoint=internal_speaker%s "
                           "-drc drc-mode=disable -profile %s",
                           kVeskAppPreloads[0], upmix != 0 ? ":virt-enable" : " ", profileName(profile));
    if (n < 0 || static_cast<size_t>(n) >= sizeof(line)) {
        return {};
    }
    return line;
}

int veskPpcSetBypass(const VeskIpcBytes&, uint32_t)
{
    if (!serverUp(__func__, __LINE__)) {
        return -1;
    }
    return vesk_ppc_set_mode(veskAppHandle(), VESK_PPC_MODE_BYPASS);
}

int veskPpcSetSurroundMode(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__)) {
        return -1;
    }
    gPage.sound.sur_en = lowByte(args);
    return pageStep(true);
}

int veskPpcSetEqMode(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__)) {
        return -1;
    }
    gPage.sound.eq_mode = lowByte(args);
    return pageStep((args.word(1) & 0xffff) == 0);
}

int veskPpcSetEqPoint(const VeskIpcBytes& args, uint32_t)
{
    const auto points = veskIpcDecodeEqPoints(args);
    if (!points || !serverUp(__func__, __LINE__)) {
        return -1;
    }
    return veskPpcUserEqWrite(*points);
}

int veskPpcSetBass(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__) ||
        levelStep(args, VESK_PPC_LEVEL_MAX, gPage.sound.bass_level, __func__, __LINE__) != 0) {
        return -1;
    }
    const SoundState& s = gPage.sound;
    return veskPpcToneWrite(VeskPpcTone::Bass, (s.eq_mode == 6 || s.eq_mode == 7) ? 6 : s.bass_level);
}

int veskPpcSetTreble(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__) ||
        levelStep(args, VESK_PPC_LEVEL_MAX, gPage.sound.treble_level, __func__, __LINE__) != 0) {
        return -1;
    }
    return veskPpcToneWrite(VeskPpcTone::Treble, gPage.sound.treble_level);
}

int veskPpcSetBassBoost(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__)) {
        return -1;
    }
    gPage.sound.bassboost_en = lowByte(args);
    return 0;
}

int veskPpcSetLatency(const VeskIpcBytes&, uint32_t)
{
    return 0;
}

int veskPpcSetSurroundVol(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__) ||
        levelStep(args, VESK_PPC_LEVEL_MAX, gPage.sound.sur_vol, __func__, __LINE__) != 0) {
        return -1;
    }
    return veskPpcChannelGainWrite(VESK_PPC_SEL_SURROUND, gPage.sound.sur_vol);
}

int veskPpcSet1d8Power(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__)) {
        return -1;
    }
    return args.word(0) != 0 ? vesk_ppc_set_mode(veskAppHandle(), VESK_PPC_MODE_1D8_POWER) : 0;
}

int veskPpcSetVirtualX(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__)) {
        return -1;
    }
    gPage.sound.virtual_x_en = lowByte(args);
    return pageStep(true);
}

int veskPpcSetAcoustics(const VeskIpcBytes& args, uint32_t)
{
    const auto p = veskIpcDecodeAcoustics(args);
    if (!p || !serverUp(__func__, __LINE__)) {
        return -1;
    }
    auto low = [](uint32_t v) { return static_cast<uint8_t>(v & 0xff); };
    SoundState& s = gPage.sound;
    s.latency = low(p->latency);
    s.bass_level = low(p->bass_level);
    s.center_level = low(p->center_level);
    s.treble_level = low(p->treble_level);
    s.eq_mode = low(p->eq_mode);
    s.sur_vol = low(p->sur_vol);
    s.sur_en = low(p->sur_en);
    s.bassboost_en = low(p->bassboost_en);
    s.virtual_x_en = low(p->virtual_x_en);
    s.sur_left = low(p->sur_left);
    s.sur_right = low(p->sur_right);
    s.height = low(p->height);
    s.xupmix_en = low(p->xupmix_en);
    return pageStep(true);
}

int veskPpcSetStandardTest(const VeskIpcBytes&, uint32_t)
{
    return serverUp(__func__, __LINE__) ? 0 : -1;
}

int veskPpcSetFormatMode(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__)) {
        return -1;
    }
    gPage.sound.format_mode = lowByte(args);
    return pageStep(true);
}

int veskPpcSetEqTest(const VeskIpcBytes&, uint32_t)
{
    return serverUp(__func__, __LINE__) ? 0 : -1;
}

int veskPpcSetSourceGain(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__)) {
        return -1;
    }
    if (lowByte(args) > 5) {
        printf("[%s,%d]:gain=%d error!\n", __func__, __LINE__, lowByte(args));
        return -1;
    }
    return 0;
}

int veskPpcSetCenter(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__) ||
        levelStep(args, VESK_PPC_LEVEL_MAX, gPage.sound.center_level, __func__, __LINE__) != 0) {
        return -1;
    }
    return veskPpcToneWrite(VeskPpcTone::Centre, gPage.sound.center_level);
}

int veskPpcSetSurroundLeft(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__) ||
        levelStep(args, VESK_PPC_LEVEL_MAX, gPage.sound.sur_left, __func__, __LINE__) != 0) {
        return -1;
    }
    return veskPpcChannelGainResend();
}

int veskPpcSetSurroundRight(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__) ||
        levelStep(args, VESK_PPC_LEVEL_MAX, gPage.sound.sur_right, __func__, __LINE__) != 0) {
        return -1;
    }
    return veskPpcChannelGainResend();
}

int veskPpcSetHeight(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__) ||
        levelStep(args, VESK_PPC_HEIGHT_MAX, gPage.sound.height, __func__, __LINE__) != 0) {
        return -1;
    }
    return veskPpcChannelGainWrite(VESK_PPC_SEL_HEIGHT, gPage.sound.height);
}

int veskPpcSetDtsCompGain(const VeskIpcBytes&, uint32_t)
{
    return serverUp(__func__, __LINE__) ? 0 : -1;
}

int veskPpcSetXupmix(const VeskIpcBytes& args, uint32_t)
{
    if (!serverUp(__func__, __LINE__)) {
        return -1;
    }
    gPage.sound.xupmix_en = lowByte(args);
    return pageStep(true);
}

int veskPpcSetUserEq(const VeskIpcBytes&, uint32_t)
{
    return serverUp(__func__, __LINE__) ? 0 : -1;
}
