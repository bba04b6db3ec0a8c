#include "pellant/vesk_ppc_param.h"

#include "common/support/support.h"
#include "pellant/vesk_app.h"
#include "pellant/vesk_ppc_page.h"
#include "platform/vesk2/vesk2.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr uint32_t kTypeGeneral = 0;
constexpr uint32_t kTypeChannel = 1;
constexpr uint32_t kTypeRows = 2;
constexpr uint32_t kTypeAux = 3;

constexpr uint16_t kBassRowMask = 0x8000;  // row 15
constexpr uint16_t kToneRowMask = 0xDF;    // rows 0..4, 6, 7
constexpr uint16_t kEntryMask = 0x001F;    // five output channels carry a tone filter
constexpr std::array<uint32_t, 8> kUserEqParams = {0x71000, 0x71001, 0x71002, 0x71003,
                                                   0x71004, 0x71006, 0x71007, 0x7100F};
constexpr std::array<uint32_t, 6> kUserEqPages = {6, 13, 20, 27, 34, 41};
constexpr size_t kUserEqCoefNum = VESK_PPC_EQ_BAND_NUM * VESK_PPC_COEF_NUM;

struct ParamState {
    std::vector<std::array<VeskPpcBlock, VESK_PPC_BLOCK_NUM>> pages;
    uint32_t userEqElement = 0;  // the last user-EQ element written
};

ParamState gParam;

size_t payloadWordOffset(size_t word)
{
    return VESK_PPC_PAYLOAD_OFFSET + word * 4;
}

uint32_t loadU32(const VeskPpcBlock& b, size_t offset)
{
    return sb::loadLe32(b.data() + offset);
}

void storeU32(VeskPpcBlock& b, size_t offset, uint32_t value)
{
    sb::storeLe32(b.data() + offset, value);
}

uint32_t payloadWord(const VeskPpcBlock& b, size_t word)
{
    return loadU32(b, payloadWordOffset(word));
}

void setPayloadWord(VeskPpcBlock& b, size_t word, uint32_t value)
{
    storeU32(b, payloadWordOffset(word), value);
}

void setPayloadU64(VeskPpcBlock& b, size_t word, int64_t value)
{
    const auto v = static_cast<uint64_t>(value);
    setPayloadWord(b, word, static_cast<uint32_t>(v));
    setPayloadWord(b, word + 1, static_cast<uint32_t>(v >> 32));
}

uint16_t payloadU16(const VeskPpcBlock& b, size_t byte)
{
    return sb::loadLe16(b.data() + VESK_PPC_PAYLOAD_OFFSET + byte);
}

void setPayloadU16(VeskPpcBlock& b, size_t byte, uint16_t value)
{
    sb::storeLe16(b.data() + VESK_PPC_PAYLOAD_OFFSET + byte, value);
}

size_t entryWord(size_t row, size_t entry)
{
    return VESK_PPC_T2_ROW_WORD + (row * VESK_PPC_ENTRY_NUM + entry) * VESK_PPC_T2_ENTRY_WORDS;
}

// One parameter write from a block, never reading past the block's end.
int sendFrom(vesk_handle_t h, const VeskPpcBlock& b, uint32_t element, size_t paramWord, size_t countWord,
             size_t dataWord)
{
    const uint32_t count = payloadWord(b, countWord);
    const size_t offset = payloadWordOffset(dataWord);
    if (count > (b.size() - offset) / 8) {  // no multiplication: it would wrap in 32 bits
        std::printf("[%s,%d]:count=%u does not fit the block!\n", __func__, __LINE__, count);
        return -1;
    }
    return vesk_ppc_set_parameter(h, element, payloadWord(b, paramWord), count, b.data() + offset);
}

// Sends a block by its type; the result is the last parameter write's.
int sendBlock(vesk_handle_t h, const VeskPpcBlock& b)
{
    const uint32_t element = payloadWord(b, 0);
    switch (loadU32(b, 0)) {
    case kTypeGeneral:
        return sendFrom(h, b, element, 2, 3, 4);
    case kTypeChannel:
    case kTypeAux:
        return sendFrom(h, b, element, VESK_PPC_T1_PARAM_WORD, VESK_PPC_T1_COUNT_WORD, VESK_PPC_T1_DATA_WORD);
    case kTypeRows: {
        const uint16_t rows = payloadU16(b, VESK_PPC_T2_ROW_MASK_BYTE);
        const uint16_t entries = payloadU16(b, VESK_PPC_T2_ENTRY_MASK_BYTE);
        int result = 0;
        for (size_t r = 0; r < VESK_PPC_T2_ROW_NUM; ++r) {
            for (size_t j = 0; j < VESK_PPC_ENTRY_NUM; ++j) {
                if ((rows >> r & 1) && (entries >> j & 1)) {
                    const size_t w = entryWord(r, j);
                    if (payloadWord(b, w + 1) > VESK_PPC_COEF_NUM) {
                        result = -1;  // an entry holds five coefficients at most
                        continue;
                    }
                    result = sendFrom(h, b, element, w, w + 1, w + 2);
                }
            }
        }
        return result;
    }
    default:
        return -1;
    }
}

VeskPpcBlock typedBlock(uint32_t type)
{
    VeskPpcBlock b{};
    storeU32(b, 0, type);
    return b;
}

VeskPpcBlock toneTemplate(VeskPpcTone tone, uint32_t paramBase)
{
    VeskPpcBlock b = typedBlock(kTypeRows);
    for (size_t r = 0; r < VESK_PPC_T2_ROW_NUM; ++r) {
        for (size_t j = 0; j < VESK_PPC_ENTRY_NUM; ++j) {
            const size_t w = entryWord(r, j);
            setPayloadWord(b, w, paramBase + static_cast<uint32_t>(r * 16 + j));
            setPayloadWord(b, w + 1, VESK_PPC_COEF_NUM);
            const VeskPpcBiquad& flat = veskPpcToneCoef(tone, 6, j);
            for (size_t c = 0; c < VESK_PPC_COEF_NUM; ++c) {
                setPayloadU64(b, w + 2 + 2 * c, flat[c]);
            }
        }
    }
    setPayloadU16(b, VESK_PPC_T2_ENTRY_MASK_BYTE, kEntryMask);
    return b;
}

struct Target {
    vesk_handle_t h;
    VeskPpcBlock* block;
    uint32_t page;
};

// The current page's block of a slot, or nothing (logged) when it cannot be written.
std::optional<Target> currentBlock(uint32_t slot)
{
    const vesk_handle_t h = veskAppHandle();
    const uint32_t page = veskPpcPageIdxGet();
    if (h == nullptr || page >= gParam.pages.size()) {
        std::printf("[%s,%d]:page_idx=%u, Param error!\n", __func__, __LINE__, page);
        return std::nullopt;
    }
    return Target{h, &gParam.pages[page][slot], page};
}

template <size_t N>
std::array<uint8_t, N * 8> encodeValues(const std::array<int64_t, N>& values)
{
    std::array<uint8_t, N * 8> bytes{};
    for (size_t i = 0; i < N; ++i) {
        const auto v = static_cast<uint64_t>(values[i]);
        for (size_t k = 0; k < 8; ++k) {
            bytes[i * 8 + k] = static_cast<uint8_t>(v >> (8 * k));
        }
    }
    return bytes;
}

template <size_t N>
int writeValues(vesk_handle_t h, uint32_t element, uint32_t param, uint32_t count, const std::array<int64_t, N>& values)
{
    static_assert(N <= VESK_PARAM_COUNT_MAX);
    const auto bytes = encodeValues(values);
    return vesk_ppc_set_parameter(h, element, param, count <= N ? count : N, bytes.data());
}

int32_t wholeDb(int16_t tenths)
{
    return tenths / 10;  // truncated towards zero
}

}  // namespace

VeskPpcBlock veskPpcBlockTemplate(uint32_t slot)
{
    VeskPpcBlock b{};
    switch (slot) {
    case VESK_PPC_SLOT_GENERAL:
        b = typedBlock(kTypeGeneral);
        setPayloadWord(b, 0, 0x40000);
        setPayloadWord(b, 2, 0x40100);
        setPayloadWord(b, 3, 16);
        break;
    case VESK_PPC_SLOT_CHANNEL_GAIN:
        b = typedBlock(kTypeChannel);
        setPayloadWord(b, VESK_PPC_T1_PARAM_WORD, 0x51000);
        setPayloadWord(b, VESK_PPC_T1_COUNT_WORD, VESK_PPC_CHANNEL_NUM);
        for (size_t ch = 0; ch < VESK_PPC_CHANNEL_NUM; ++ch) {
            setPayloadU64(b, VESK_PPC_T1_DATA_WORD + 2 * ch, VESK_PPC_UNITY_GAIN);
        }
        break;
    case VESK_PPC_SLOT_TREBLE:
        b = toneTemplate(VeskPpcTone::Treble, 0x62000);
        break;
    case VESK_PPC_SLOT_BASS:
        b = toneTemplate(VeskPpcTone::Bass, 0x63000);
        break;
    case VESK_PPC_SLOT_CENTRE:
        b = toneTemplate(VeskPpcTone::Centre, 0x64000);
        break;
    case VESK_PPC_SLOT_AUX:
        b = typedBlock(kTypeAux);
        setPayloadWord(b, 0, 0x40001);
        setPayloadWord(b, VESK_PPC_T1_PARAM_WORD, 0x40200);
        setPayloadWord(b, VESK_PPC_T1_COUNT_WORD, 1);
        break;
    default:
        break;
    }
    return b;
}

void veskPpcBlocksAlloc(void)
{
    std::array<VeskPpcBlock, VESK_PPC_BLOCK_NUM> templates{};
    for (uint32_t slot = 0; slot < VESK_PPC_BLOCK_NUM; ++slot) {
        templates[slot] = veskPpcBlockTemplate(slot);
    }
    gParam.pages.assign(VESK_PPC_PAGE_NUM, templates);
}

std::optional<VeskPpcBlock> veskPpcBlockGet(uint32_t page, uint32_t slot)
{
    if (page >= gParam.pages.size() || slot >= VESK_PPC_BLOCK_NUM) {
        return std::nullopt;
    }
    return gParam.pages[page][slot];
}

int veskPpcChannelGainWrite(uint16_t selector, uint8_t level)
{
    const auto t = currentBlock(VESK_PPC_SLOT_CHANNEL_GAIN);
    if (!t) {
        return -1;
    }
    VeskPpcBlock& b = *t->block;
    setPayloadWord(b, VESK_PPC_T1_ELEMENT_WORD, veskPpcChannelGainElement(t->page));
    auto setGain = [&b](size_t ch, int64_t gain) { setPayloadU64(b, VESK_PPC_T1_DATA_WORD + 2 * ch, gain); };
    if (selector == VESK_PPC_SEL_SURROUND) {
        if (level > VESK_PPC_LEVEL_MAX) {
            return -1;
        }
        // The surround level decides channels 3, 4, 6 and 7; channel 15 stays at unity.
        for (size_t ch : {3, 4, 6, 7}) {
            setGain(ch, kVeskPpcSurroundGain[level]);
        }
        setGain(15, kVeskPpcSurroundGain[6]);
    } else if (selector == VESK_PPC_SEL_HEIGHT) {
        if (level > VESK_PPC_HEIGHT_MAX) {
            return -1;
        }
        setGain(8, kVeskPpcHeightGain[level]);
        setGain(9, kVeskPpcHeightGain[level]);
    }
    sendBlock(t->h, b);
    return 0;
}

int veskPpcChannelGainResend(void)
{
    const auto t = currentBlock(VESK_PPC_SLOT_CHANNEL_GAIN);
    if (!t) {
        return -1;
    }
    setPayloadWord(*t->block, VESK_PPC_T1_ELEMENT_WORD, veskPpcChannelGainElement(t->page));
    sendBlock(t->h, *t->block);
    return 0;
}

int veskPpcToneWrite(VeskPpcTone tone, uint8_t level)
{
    if (level > VESK_PPC_LEVEL_MAX) {
        return -1;
    }
    const uint32_t slot = tone == VeskPpcTone::Treble ? VESK_PPC_SLOT_TREBLE
                          : tone == VeskPpcTone::Bass ? VESK_PPC_SLOT_BASS
                                                      : VESK_PPC_SLOT_CENTRE;
    const auto t = currentBlock(slot);
    if (!t) {
        return -1;
    }
    VeskPpcBlock& b = *t->block;
    setPayloadWord(b, 0, veskPpcToneElement(tone, t->page));
    const uint16_t rows = tone == VeskPpcTone::Bass ? kBassRowMask : kToneRowMask;
    setPayloadU16(b, VESK_PPC_T2_ROW_MASK_BYTE, rows);
    const uint16_t entries = payloadU16(b, VESK_PPC_T2_ENTRY_MASK_BYTE);
    for (size_t r = 0; r < VESK_PPC_T2_ROW_NUM; ++r) {
        for (size_t j = 0; j < VESK_PPC_ENTRY_NUM; ++j) {
            if (!(rows >> r & 1) || !(entries >> j & 1)) {
                continue;
            }
            const size_t w = entryWord(r, j);
            const uint32_t count = std::min<uint32_t>(payloadWord(b, w + 1), VESK_PPC_COEF_NUM);
            const VeskPpcBiquad& coef = veskPpcToneCoef(tone, level, j);
            for (size_t c = 0; c < count; ++c) {
                setPayloadU64(b, w + 2 + 2 * c, coef[c]);
            }
        }
    }
    sendBlock(t->h, b);
    return 0;
}

std::array<int64_t, VESK_PPC_EQ_SET_COUNT> veskPpcUserEqSet(const std::array<VeskEqPoint, VESK_EQ_POINT_NUM>& points)
{
    constexpr int64_t kQ = 46341;  // 0.7071 in 16.16
    std::array<int64_t, VESK_PPC_EQ_SET_COUNT> set{};
    set[0] = VESK_PPC_EQ_BAND_NUM;
    for (size_t b = 0; b < points.size(); ++b) {
        int64_t* band = &set[4 + 6 * b];
        band[0] = 1;
        band[1] = points[b].freq;
        band[2] = static_cast<int64_t>(wholeDb(points[b].gain)) * 65536;
        band[3] = kQ;
    }
    return set;
}

int veskPpcUserEqWrite(const std::array<VeskEqPoint, VESK_EQ_POINT_NUM>& points)
{
    const vesk_handle_t h = veskAppHandle();
    if (h == nullptr) {
        return -1;
    }
    const uint32_t page = veskPpcPageIdxGet();
    if (std::find(kUserEqPages.begin(), kUserEqPages.end(), page) == kUserEqPages.end()) {
        return 0;  // only the pages of EQ modes 6 and 7 carry a user EQ
    }
    gParam.userEqElement = 0x70000 + page;
    const uint32_t el = gParam.userEqElement;
    writeValues<1>(h, el, 0x7B000, 1, {0});
    // Counts are in 64-bit values: the two sets of sixteen carry eight values and eight zeros.
    const std::array<int64_t, 16> values7A = {10, 10, 10, 10, 10, 5, 10, 10};
    const std::array<int64_t, 16> values7C = {1, 1, 1, 1, 1, 0, 1, 1};
    const auto set = veskPpcUserEqSet(points);
    std::array<int64_t, kUserEqCoefNum> coefs{};
    for (uint32_t param : kUserEqParams) {
        writeValues(h, el, 0x7A000, 16, values7A);
        for (uint32_t k = 0; k < VESK_PPC_EQ_SET_NUM; ++k) {
            for (const auto& p : points) {
                if (p.freq == 0) {
                    continue;
                }
                const VeskPpcEqCoefRow* row = veskPpcEqCoefRow(p.freq, wholeDb(p.gain));
                const auto band = std::find(kVeskPpcEqBands.begin(), kVeskPpcEqBands.end(), p.freq);
                if (row == nullptr || band == kVeskPpcEqBands.end()) {
                    continue;
                }
                const size_t at = static_cast<size_t>(band - kVeskPpcEqBands.begin()) * VESK_PPC_COEF_NUM;
                std::copy(row->sets[k].begin(), row->sets[k].end(), coefs.begin() + static_cast<std::ptrdiff_t>(at));
            }
            writeValues(h, el, (param & ~0x1000u) + 16 * k, kUserEqCoefNum, coefs);
        }
        writeValues(h, el, 0x7C000, 16, values7C);
        writeValues(h, el, param, VESK_PPC_EQ_SET_COUNT, set);
    }
    return 0;
}
