// Input selection on the HDMI transmitter "/dev/hdmitx" through the device seam.
#pragma once

#include <array>
#include <cstdint>

// The argument of KVX_HDMI_SET_INPUT_MODE: the input (0 ARC, 1 HDMI input, 2 aux, 3 bt ext in,
// 4 optical), 0, 1 for the HDMI input else 0, 1, 0.
using HdmiInputModeArg = std::array<uint32_t, 5>;
static_assert(sizeof(HdmiInputModeArg) == 20, "the driver takes five 32-bit words");

// Selects the input of `hdmi_src_type` (0 optical, 1 ARC, 2 HDMI input, 4 bt ext in, 5 aux in);
// other types issue no request. 0 done or nothing to do, 1 driver failure.
int32_t vSetHdmiModeCtrl(uint32_t hdmiSrcType);

// One request on "/dev/hdmitx" (opened and closed around it); 0 success, 1 any failure.
int32_t earcIoctl(uint32_t request, void* argument);
