// The parser's side of starting and resetting the console; the input side (cli_input.cpp), which
// owns the console's thread, runs the start.
#pragma once

#include <cstdint>

// Everything of a start but the input: the built-in tables and the root location.
// CLIR_ALREADY_INIT while started; CLIR_INIT_FAILED when a built-in table was refused.
int32_t cliPrepareStart();
void cliSetStarted(bool started);
// Back to no groups, the root, every layer printing, not started.
void cliResetParser();
