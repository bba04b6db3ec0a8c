// The CEC name that the Bluetooth module sets: stored as the CEC OSD name of the boot parameters.
#include "main/gui/gui_widget.h"

#include "main/gui/wrapper/wrapper_nand.h"
#include "main/timerd/gui_log.h"

#include <array>
#include <cstring>

namespace {

constexpr size_t kCecNameSize = 14;
constexpr size_t kCecNameOffset = 12;  // bytes into the parameter record
static_assert(kCecNameOffset + kCecNameSize <= GUI_WRAPPER_NAND_REC_WORDS * sizeof(uint32_t));

}  // namespace

void guiWidgetNandParamSetProcess(const GuiMsg* msg)
{
    if (msg == nullptr || msg->msg_size < kCecNameSize) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    std::array<char, kCecNameSize> name{};
    std::memcpy(name.data(), msg->data, name.size());
    name.back() = '\0';
    std::array<uint32_t, GUI_WRAPPER_NAND_REC_WORDS> rec{};
    rec[0] = 1;  // dirty
    std::memcpy(reinterpret_cast<uint8_t*>(rec.data()) + kCecNameOffset, name.data(), name.size());
    guiWrapperNandParamSet(GUI_WRAPPER_NAND_ITEM_CEC_NAME, rec.data());
    GUI_LOG_INFO("cec name: %s", name.data());
}
