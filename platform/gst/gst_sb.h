// What the host's stand-ins for the board's GStreamer elements read and write under the root, so
// tests and a person running the system can feed a stream in and see what came out.
//
// - kvxalsasrc plays the file SB_GST_CAPTURE_DIR/<alsa-device> (raw bytes: PCM, or IEC 61937
//   bursts for coded streams) in a loop, or silence when it is missing or empty.
// - sievra posts the stream messages of the first block of SB_GST_SCRIPT (and removes that block),
//   and reports the IEC 61937 data type it finds in the stream.
// - every element writes its own properties, one "name=value" line each, to
//   SB_GST_OUT_DIR/<pid>.<element>.props when it starts (and again when one changes while it runs);
//   kvxalsasink appends what it receives to SB_GST_OUT_DIR/<pid>.kvxalsasink.data, which keeps
//   its last 2 MB (the 2 MB before move to <pid>.kvxalsasink.data.1).
// - while SB_GST_SINK_STALL exists, kvxalsasink does not return from stopping.
//
// Script lines (blocks end at a line "--"; one block per pipeline, taken when data first flows):
//   data_parse <msg-type> <msg-value>
//   audio_info <stream-type> <dts-comp-gain>
//   atmos_audio_info <stream-type> <proc-type>
// Numbers are decimal or 0x-prefixed hexadecimal.
#pragma once

#define SB_GST_CAPTURE_DIR "/tmp/kvxalsasrc"
#define SB_GST_OUT_DIR "/tmp/gstout"
#define SB_GST_SCRIPT "/tmp/sievra.script"
#define SB_GST_SINK_STALL "/tmp/kvxalsasink.stall"
