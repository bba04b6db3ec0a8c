// The board's PCM devices on a development host: an ALSA configuration inside the root that
// defines the board's PCM names on ALSA's own `file` and `null` plugins. What is played on a PCM
// lands in SB_ALSA_DIR/<pcm>.out; what is captured from it is read from SB_ALSA_DIR/<pcm>.in,
// which a test or a person prepares (a missing input fails the capture open). Neither is paced:
// a capture past the end of its input goes on returning the last period (but a fifo as input
// paces a capture at its writer's speed). A capture left running thus writes its copy and what is
// played from it as fast as it can: the test sandbox bounds the size of every file, so that it
// ends with SIGXFSZ instead of filling the disk.
//
//   "main", "sub0", "sub1", "line_in"  ->  main.out, main.in, ...
//   "track:N"                          ->  trackN.out, trackN.in
//   "hw:C,D"                           ->  hwC_D.out, hwC_D.in
//
// The configuration replaces the host's own (ALSA_CONFIG_PATH), so no host sound card is ever
// touched.
#pragma once

#include <string>
#include <string_view>

#define SB_ALSA_DIR "/sim/alsa"
#define SB_ALSA_CONFIG SB_ALSA_DIR "/asound.conf"

namespace sb {

// Writes the configuration for the root `rootDir` (creating SB_ALSA_DIR in it) and returns the
// configuration file's path; empty when it could not be written. With `keeper`, the path of the
// program sbpcm, every output goes through "sbpcm keep" instead: kept to its last seconds (<pcm>.out, then <pcm>.out.1), as the simulated soundbar needs for
// a run of hours; captures stay as they are, and a fifo fed by "sbpcm tone" paces them.
std::string writeAlsaConfig(const std::string& rootDir, const std::string& keeper = {});

// System path (to map with sb::path) of the file that receives what is played on `pcm`, and of
// the file that a capture of `pcm` reads: pcmOutput("track:4") is "/sim/alsa/track4.out".
std::string pcmOutput(std::string_view pcm);
std::string pcmInput(std::string_view pcm);

}  // namespace sb
