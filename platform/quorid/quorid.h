// Client of the platform's shell-command daemon: runs one command line and returns its status
// (-1 when the command could not be run at all).
//
// Host stand-in: no shell is ever run. Every command line is appended to QUORID_LOG_PATH under the
// root. The status comes from QUORID_RESULTS_PATH (lines "<status> [<command prefix>]", first match
// wins, 0 when none matches). With status 0, the file commands the system relies on for their
// effect (touch, mkdir, rm, rmdir, cp, mv, chmod, echo > / >>, unzip) are carried out inside the root;
// "quellip" lines run the flashing program's stand-in (platform/quellip) with the root in its
// environment, its exit status being the command's; "/sbin/mount.exfat-fuse" lines always run the
// FUSE exFAT mounter's stand-in (platform/exfatfuse), which answers the status the results file
// gives the line (QUORID_STATUS in its environment) or 1;
// "echo ... > /sys/..." goes to the sysfs node through the sysfs seam (the board simulator's node on a
// host where one runs), so a missing node fails as it would on the board.
// A test gives a program a canned report in QUORID_REPORTS_DIR/<program name>: a command line of
// that program that redirects its output ("> path" or ">> path", relative paths from "/") gets
// the report written there, when its status is 0.
#pragma once

#define QUORID_LOG_PATH "/sim/quorid.log"
#define QUORID_RESULTS_PATH "/sim/quorid.results"
#define QUORID_REPORTS_DIR "/sim/quorid.reports"

extern "C" int quorid_exec(const char* command, int flag);
