// The mixer controls of an ALSA card ("hw:0") by element name: integer reads and writes, text
// writes in ALSA's ascii forms, and change callbacks (`Spdif_In_Info`, `Multi_In_Info`,
// `Spdif_In_Port_Select`, `Etdm_Force_On_Enable`).
//
// On the board this is libasound's hctl interface on the card. On a host with a board simulator
// the simulator keeps the card's controls and raises their change events. Results are 0 or a
// count on success, a negative errno on failure (-ENOENT for a control the card does not have,
// -EINVAL for a value or element kind that does not fit).
#pragma once

#include <cstdint>

struct sb_actl;

constexpr unsigned int SB_ACTL_MASK_VALUE = 1u;            // the element's value changed
constexpr unsigned int SB_ACTL_MASK_REMOVE = 0xFFFFFFFFu;  // the element went away

// Called from sb_actl_handle_events with the element's name and the event mask.
using sb_actl_cb = void (*)(void* ctx, const char* name, unsigned int mask);

// Opens the card's controls ("hw:0"); 0 and the handle, or a negative errno.
int sb_actl_open(sb_actl** handle, const char* card);

// Closes the handle; nullptr is ignored.
void sb_actl_close(sb_actl* handle);

// Reads the integer values of element `name` into `values` (at most `max`); the element's value
// count (which may exceed `max`), or a negative errno (-EINVAL for a non-integer element).
int sb_actl_read(sb_actl* handle, const char* name, int32_t* values, int max);

// Sets value `index` of integer element `name`, keeping the others; 0 or a negative errno.
int sb_actl_write(sb_actl* handle, const char* name, int index, int32_t value);

// Writes element `id` (ascii id such as "name='Etdm_Force_On_Enable'") from an ascii value
// ("On", "off", "3", "1,2"); 0 or a negative errno.
int sb_actl_write_ascii(sb_actl* handle, const char* id, const char* value);

// Calls `cb` for every change event of element `name` from now on; 0 or a negative errno.
int sb_actl_watch(sb_actl* handle, const char* name, sb_actl_cb cb, void* ctx);

// Waits up to `timeoutMs` for change events; 1 when some are waiting, 0 on timeout, or a negative
// errno.
int sb_actl_wait(sb_actl* handle, int timeoutMs);

// Runs the callbacks of every waiting event without blocking; the number of events handled, or a
// negative errno.
int sb_actl_handle_events(sb_actl* handle);
