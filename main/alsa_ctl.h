// Writing one ALSA control element by its text id and text value.
#pragma once

#include <alsa/asoundlib.h>

#include <cstdint>

// Parses `id` (name='element name'), reads the element's info and value, parses `value` against
// the info and writes the element. The first negative ALSA result is returned and logged.
int alsa_ctl_write(snd_ctl_t* ctl, const char* id, const char* value);

// Forces the TDM output of card "hw:0" on or off.
void alsa_etdm_out_set(uint8_t on);
