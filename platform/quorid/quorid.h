// Client of the platform's shell-command daemon: runs one command line and returns its status
// (-1 when the command could not be run at all).
//
// Host stand-in: no shell is ever run. Every command line is appended to QUORID_LOG_PATH under the
// root. The status comes from QUORID_RESULTS_PATH (lines "<status> [<command prefix>]", first match
// wins, 0 when none matches). With status 0, the file commands the system relies on for their
// effect (touch, mkdir, rm, cp, mv, chmod, echo > / >>, unzip) are carried out inside the root, and
// "quellip" lines run the flashing program's stand-in (platform/quellip) with the root in its
// environment, its exit status being the command's.
#pragma once

#define QUORID_LOG_PATH "/sim/quorid.log"
#define QUORID_RESULTS_PATH "/sim/quorid.results"

extern "C" int quorid_exec(const char* command, int flag);
