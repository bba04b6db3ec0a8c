// The sound-effect page model: the user's sound settings as last sent by corvand, the effect
// page they select (one of 42, sent to the server as mode page + 1) and the remote calls 16 to 38
// that change them. Runs on the remote-call server thread only, one call at a time.
#pragma once

#include "common/vesk_ipc/vesk_ipc_records.h"

#include <cstdint>
#include <string>

constexpr uint32_t VESK_PPC_START_PAGE = 29;
constexpr uint32_t VESK_PPC_MODE_BYPASS = 43;
constexpr uint32_t VESK_PPC_MODE_1D8_POWER = 30;

// Allocates every page's parameter blocks from the templates and puts the model in its start
// state: page 29 current, every setting 0, no Dolby command run yet.
void veskPpcPageInit(void);

uint32_t veskPpcPageIdxGet(void);
// A page above 41 is refused and the current page kept.
void veskPpcPageIdxSet(uint32_t page);

// The page for an EQ mode, upmix flag and format mode (without running the Dolby command).
uint32_t veskPpcPageFor(uint8_t eqMode, uint8_t upmix, uint32_t formatMode);

// The audio-setting tool's command line for a Dolby profile; empty when it would not fit the
// 250-byte command buffer.
std::string veskPpcDolbyCommand(uint8_t profile, uint8_t upmix);

// Handlers of remote calls 16 to 38. The dispatcher has checked that the record holds the words
// the handler reads; `extra` is not used.
int veskPpcSetBypass(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetSurroundMode(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetEqMode(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetEqPoint(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetBass(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetTreble(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetBassBoost(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetLatency(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetSurroundVol(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSet1d8Power(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetVirtualX(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetAcoustics(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetStandardTest(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetFormatMode(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetEqTest(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetSourceGain(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetCenter(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetSurroundLeft(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetSurroundRight(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetHeight(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetDtsCompGain(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetXupmix(const VeskIpcBytes& args, uint32_t extra);
int veskPpcSetUserEq(const VeskIpcBytes& args, uint32_t extra);
