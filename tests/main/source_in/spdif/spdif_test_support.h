// What the digital-input tests share: the applications around pb_spdif_in (the real timer service,
// store and state manager, recording applications in the places of "cec" and "gui_namager"), the
// console, and the simulator's and the wrappers' logs.
#pragma once

#include "main/am/aee/aee.h"
#include "tests/main/am/app_harness.h"
#include "tests/support/app_support.h"
#include "tests/support/sandbox.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace spdiftest {

using apptest::console;
using apptest::eventually;

// The state-manager word (ui4_msg_type) and sender of a recorded application message.
uint32_t wordOf(const apptest::ReceivedMsg& m);
uint32_t senderOf(const apptest::ReceivedMsg& m);

// Registers (once per process) and starts timerd, acfg, state_mngr and the recording "cec" and
// "gui_namager", and registers pb_spdif_in without starting it; stopApps exits the five again.
void registerApps();
void stopApps();
apptest::TestApp& cecApp();
apptest::TestApp& guiApp();

// The argument words ("4,0,0,1,0") of every input selection the HDMI transmitter saw, in order.
std::vector<std::string> inputModes(const sbtest::Sandbox& sandbox);
// Every line of the wrapper stand-ins' two call logs (the device wrappers', then the music
// wrapper's signal detection and the module links').
std::vector<std::string> wrapperCalls(const sbtest::Sandbox& sandbox);
bool wrapperGets(const sbtest::Sandbox& sandbox, const std::string& line);
// The state manager's current source and its play status reach these values.
bool smSees(uint32_t source, int32_t status);
// The GUI manager was posted this event.
bool guiGets(uint16_t event);

}  // namespace spdiftest
