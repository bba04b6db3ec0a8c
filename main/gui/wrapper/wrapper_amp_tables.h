// The amplifiers' register and volume tables. The register sets' coefficients are the product's
// tuning data; the build generates them (amp_tablegen) with neutral values in the chip's framing.
#pragma once

#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/wrapper_amp.h"

#include <cstdint>

constexpr uint16_t GUI_WRAPPER_AMP_INIT_ROWS = 12;
constexpr uint16_t GUI_WRAPPER_AMP_LR_ROWS = 1135;
constexpr uint16_t GUI_WRAPPER_AMP_LRS_ROWS = 1135;
constexpr uint16_t GUI_WRAPPER_AMP_CENTER_ROWS = 1134;
constexpr uint16_t GUI_WRAPPER_AMP_BYPASS_ROWS = 1134;

extern const GuiWrapperAmpReg gGuiWrapperAmpAcm8625sLRInitialization[GUI_WRAPPER_AMP_INIT_ROWS];
extern const GuiWrapperAmpReg gGuiWrapperAmpAcm8625sLRsInitialization[GUI_WRAPPER_AMP_INIT_ROWS];
extern const GuiWrapperAmpReg gGuiWrapperAmpAcm8625sCenterInitialization[GUI_WRAPPER_AMP_INIT_ROWS];

extern const GuiWrapperAmpReg gGuiWrapperAmpAcm8625sLRRegister[GUI_WRAPPER_AMP_LR_ROWS];
extern const GuiWrapperAmpReg gGuiWrapperAmpAcm8625sLRsRegister[GUI_WRAPPER_AMP_LRS_ROWS];
extern const GuiWrapperAmpReg gGuiWrapperAmpAcm8625sCenterRegister[GUI_WRAPPER_AMP_CENTER_ROWS];
extern const GuiWrapperAmpReg gGuiWrapperAmpAcm8625sLRBypassRegister[GUI_WRAPPER_AMP_BYPASS_ROWS];
extern const GuiWrapperAmpReg gGuiWrapperAmpAcm8625sLRsBypassRegister[GUI_WRAPPER_AMP_BYPASS_ROWS];
extern const GuiWrapperAmpReg gGuiWrapperAmpAcm8625sCenterBypassRegister[GUI_WRAPPER_AMP_BYPASS_ROWS];

// Gain coefficients by volume 0..100, 32-bit big-endian, 2^23 is unity.
extern const uint8_t gGuiWrapperAmpAcm8625SLrVolTab[GUI_VOL_MAX + 1][4];
extern const uint8_t gGuiWrapperAmpAcm8625SLrsVolTab[GUI_VOL_MAX + 1][4];
extern const uint8_t gGuiWrapperAmpAcm8625SCenterVolTab[GUI_VOL_MAX + 1][4];
