// The console's input side: serial-line set-up, one character at a time from standard input, line
// editing with a 16-line history, scrambled "~" lines, and the hand-over of each line to cli_parser.
#pragma once

#include <cstdint>

constexpr uint32_t CLI_HISTORY_LINES = 16;
constexpr uint32_t CLI_CHAR_DELAY_MS = 40;

// The input loop; returns 0 after a "quit" line.
int32_t cli_input_loop();

// Thread entry of "cli_thread": the input loop.
void cli_input_thread(void* arg);

// Zeroes the edit index, browse index and line length.
void cli_input_reset();

// Pause after every character read (CLI_CHAR_DELAY_MS on the board; tests shorten it).
void cli_set_char_delay_ms(uint32_t ms);

// Turns a scrambled line ("~" text key) back into the plain command, in place.
void cli_decode_scrambled(char* line);
