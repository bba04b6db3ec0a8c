// The application "audio_setting": applies the parameter file of the audio-setting tool mervane
// (master volume, stream volumes, the output sample-rate rule and channel set) to the audio
// server through the remote-call client, once at start and again whenever mervane posts its
// reload message on its System V queue. Its own application queue is not used.
#pragma once

#include "main/am/amb/amb.h"

#include <cstdint>

constexpr const char* AUDIO_SETTING_PARAM_PATH = "/data/mervane/vesk-param.conf";
// The queue is keyed by ftok of mervane's program path with this id.
constexpr const char* MERVANE_PROGRAM_PATH = "/usr/bin/mervane";
constexpr int MERVANE_QUEUE_ID = 1;
// mervane's reload message: mtype 1003, a 4-byte int body 3.
constexpr long MERVANE_RELOAD_MTYPE = 1003;
constexpr int32_t MERVANE_RELOAD_VALUE = 3;

constexpr uint32_t MERVANE_WORD_MAX = 32;
constexpr uint32_t MERVANE_WORD_LEN = 100;  // a word and its terminator
constexpr uint32_t MERVANE_CHANNEL_MAX = 24;

// The words of the parameter file, one per line.
struct MervaneParam {
    int32_t i4Argc;
    char acArgv[MERVANE_WORD_MAX][MERVANE_WORD_LEN];
};
static_assert(sizeof(MervaneParam) == 3204);

// Fills the registration record of "audio_setting" (only while it is not running).
void a_audio_setting_manager_register(amb_register_info_t* info);

// Reads the file at `path` (a system path) into the record, one word per line; the last word
// read is dropped, as mervane ends the file with a line of its own. 0, or -1 for a missing or
// empty file.
int32_t vGetParamString(MervaneParam* record, const char* path);
// Turns the record's options into remote calls; the result of the last call made (0 for none).
int32_t veskSetting(const MervaneParam* record);
