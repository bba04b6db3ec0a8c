// Parameter blocks of the sound-effect pages and the writers that edit and send them.
//
// Every page owns six blocks of VESK_PPC_BLOCK_SIZE bytes: u32 block type, one unused u32, then
// the payload. Slot 0 (type 0) and slot 5 (type 3) are kept but never sent; slot 1 holds the
// channel gains (type 1); slots 2, 3 and 4 the treble, bass and centre biquads (type 2).
// Multi-byte fields are little-endian. Writers act on the current page and return 0, or -1 when
// the current page is above 41 or the audio server is not up.
#pragma once

#include "common/vesk_ipc/vesk_ipc_records.h"
#include "pellant/vesk_ppc_tables.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

constexpr size_t VESK_PPC_BLOCK_SIZE = 7840;
constexpr size_t VESK_PPC_PAYLOAD_OFFSET = 8;

enum VeskPpcSlot : uint32_t {
    VESK_PPC_SLOT_GENERAL = 0,
    VESK_PPC_SLOT_CHANNEL_GAIN = 1,
    VESK_PPC_SLOT_TREBLE = 2,
    VESK_PPC_SLOT_BASS = 3,
    VESK_PPC_SLOT_CENTRE = 4,
    VESK_PPC_SLOT_AUX = 5,
};

// Layout of a type 1 (and 3) payload, in words: element id, parameter id, count, data.
constexpr size_t VESK_PPC_T1_ELEMENT_WORD = 0;
constexpr size_t VESK_PPC_T1_PARAM_WORD = 6;
constexpr size_t VESK_PPC_T1_COUNT_WORD = 7;
constexpr size_t VESK_PPC_T1_DATA_WORD = 8;
constexpr size_t VESK_PPC_CHANNEL_NUM = 16;

// Layout of a type 2 payload: element id in word 0, then from word 36 sixteen rows of ten
// entries of twelve words {parameter id, count, five 64-bit coefficients}, then the row mask
// (bit r = row r) and the entry mask (bit j = entry j of every selected row).
constexpr size_t VESK_PPC_T2_ROW_WORD = 36;
constexpr size_t VESK_PPC_T2_ROW_NUM = 16;
constexpr size_t VESK_PPC_T2_ENTRY_WORDS = 12;
constexpr size_t VESK_PPC_T2_ROW_MASK_BYTE = 7824;
constexpr size_t VESK_PPC_T2_ENTRY_MASK_BYTE = 7826;
static_assert(VESK_PPC_T2_ROW_MASK_BYTE ==
              (VESK_PPC_T2_ROW_WORD + VESK_PPC_T2_ROW_NUM * VESK_PPC_ENTRY_NUM * VESK_PPC_T2_ENTRY_WORDS) * 4);
static_assert(VESK_PPC_PAYLOAD_OFFSET + VESK_PPC_T2_ENTRY_MASK_BYTE + 2 <= VESK_PPC_BLOCK_SIZE);

// Channel selectors of the channel-gain writer (bit n = channel n).
constexpr uint16_t VESK_PPC_SEL_SURROUND = 216;  // channels 3, 4, 6, 7
constexpr uint16_t VESK_PPC_SEL_HEIGHT = 768;    // channels 8, 9

using VeskPpcBlock = std::array<uint8_t, VESK_PPC_BLOCK_SIZE>;

// Builds every page's blocks from the templates.
void veskPpcBlocksAlloc(void);

// A copy of a page's block; nothing for a page or slot out of range or before allocation.
std::optional<VeskPpcBlock> veskPpcBlockGet(uint32_t page, uint32_t slot);

// The template a slot starts from.
VeskPpcBlock veskPpcBlockTemplate(uint32_t slot);

int veskPpcChannelGainWrite(uint16_t selector, uint8_t level);
// Sends the current page's channel-gain block as it is.
int veskPpcChannelGainResend(void);
int veskPpcToneWrite(VeskPpcTone tone, uint8_t level);
int veskPpcUserEqWrite(const std::array<VeskEqPoint, VESK_EQ_POINT_NUM>& points);

// The 64 values of a user-EQ set: value 0 the band count, values 1..3 zero, then per band b at
// 4 + 6b: {1 (enabled), frequency in Hz, gain in whole dB as 16.16, Q as 16.16, 0 (peaking), 0}.
constexpr uint32_t VESK_PPC_EQ_SET_COUNT = 64;
std::array<int64_t, VESK_PPC_EQ_SET_COUNT> veskPpcUserEqSet(const std::array<VeskEqPoint, VESK_EQ_POINT_NUM>& points);
