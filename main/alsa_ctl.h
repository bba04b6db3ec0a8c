// Writing one ALSA control element by its text id and text value, through the ALSA-control seam.
#pragma once

#include "platform/sbdev/sb_actl.h"

#include <cstdint>

// Parses `id` (name='element name'), then has the card parse `value` against the element and
// write it. The first negative result is returned and logged with the step that gave it.
int alsa_ctl_write(sb_actl* ctl, const char* id, const char* value);

// Forces the TDM output of card "hw:0" on or off.
void alsa_etdm_out_set(uint8_t on);
