#include "main/device_mngr/dmh_uevent_msg.h"

#include "main/device_mngr/dm_log.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

enum class Key { Major, Minor, SeqNum, DevNum, MediaDisappear, BusNum, SwitchState, DevType, DevPath, Driver,
                 Action, Subsystem, Product, Type, Interface, Modalias };

struct KeyRow {
    std::string_view prefix;
    Key key;
};

constexpr KeyRow kKeys[] = {
    {"MAJOR=", Key::Major},
    {"MINOR=", Key::Minor},
    {"SEQNUM=", Key::SeqNum},
    {"DEVNUM=", Key::DevNum},
    {"DISK_EVENT_MEDIA_DISAPPEAR=", Key::MediaDisappear},
    {"BUSNUM=", Key::BusNum},
    {"SWITCH_STATE=", Key::SwitchState},
    {"DEVTYPE=", Key::DevType},
    {"DEVPATH=", Key::DevPath},
    {"DRIVER=", Key::Driver},
    {"ACTION=", Key::Action},
    {"SUBSYSTEM=", Key::Subsystem},
    {"PRODUCT=", Key::Product},
    {"TYPE=", Key::Type},
    {"INTERFACE=", Key::Interface},
    {"MODALIAS=", Key::Modalias},
};

std::optional<std::string>* textField(DmhUeventMsg& msg, Key key)
{
    switch (key) {
    case Key::DevType:
        return &msg.p_dev_type;
    case Key::DevPath:
        return &msg.p_dev_path;
    case Key::Driver:
        return &msg.p_driver;
    case Key::Action:
        return &msg.p_action;
    case Key::Subsystem:
        return &msg.p_subsystem;
    case Key::Product:
        return &msg.p_product;
    case Key::Type:
        return &msg.p_type;
    case Key::Interface:
        return &msg.p_interface;
    case Key::Modalias:
        return &msg.p_modalias;
    default:
        return nullptr;
    }
}

void store(DmhUeventMsg& msg, Key key, const char* value)
{
    switch (key) {
    case Key::Major:
        msg.uMajor = dmhDecimal(value);
        return;
    case Key::Minor:
        msg.uMinor = dmhDecimal(value);
        return;
    case Key::SeqNum:
        msg.uSeqNum = dmhDecimal(value);
        return;
    case Key::DevNum:
        msg.uDevNum = dmhDecimal(value);
        return;
    case Key::MediaDisappear:
        msg.uMediaDisappear = dmhDecimal(value);
        DM_INFO("[DMH]DISK_EVENT_MEDIA_DISAPPEAR=%u\n", msg.uMediaDisappear);
        return;
    case Key::BusNum:
        msg.uBusNum = static_cast<uint8_t>(dmhDecimal(value));
        return;
    case Key::SwitchState:
        msg.uSwitchState = static_cast<uint8_t>(dmhDecimal(value));
        return;
    default:
        break;
    }
    std::optional<std::string>* field = textField(msg, key);
    if (key == Key::Subsystem && field->has_value()) {
        return;  // the first SUBSYSTEM is the device's own
    }
    *field = std::string(value);
}

}  // namespace

uint32_t dmhDecimal(const char* text)
{
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno == ERANGE || (errno != 0 && v == 0)) {
        return 0;
    }
    const char* digits = text + std::strspn(text, " \t");
    if (v > 0xFFFFFFFFull && *digits != '-') {
        return 0;  // beyond a u32, as the board's conversion reports a range error
    }
    return static_cast<uint32_t>(v);
}

std::unique_ptr<DmhUeventMsg> dmhGetNetlinkDev(const char* buf, size_t len)
{
    if (buf == nullptr) {
        return nullptr;
    }
    const size_t headerLen = strnlen(buf, len);
    if (headerLen + 1 < 5 || headerLen + 1 >= DMH_UEVENT_BUF_SIZE) {
        DM_ERR("[DMH]invalid message length \n");
        return nullptr;
    }
    if (std::string_view(buf, headerLen).find("@/") == std::string_view::npos) {
        DM_ERR("[DMH]unrecognized message header \n");
        return nullptr;
    }
    auto msg = std::make_unique<DmhUeventMsg>();
    size_t at = headerLen + 1;
    while (at < len) {
        const size_t n = strnlen(buf + at, len - at);
        if (n == 0) {
            break;
        }
        // The caller's terminator at buf[len] ends a last string that the datagram left open.
        const char* entry = buf + at;
        for (const KeyRow& row : kKeys) {
            if (std::strncmp(entry, row.prefix.data(), row.prefix.size()) == 0) {
                store(*msg, row.key, entry + row.prefix.size());
                break;
            }
        }
        at += n + 1;
    }
    return msg;
}

int32_t dmhFreeNetlinkDev(std::unique_ptr<DmhUeventMsg>* msg)
{
    if (msg == nullptr || *msg == nullptr) {
        return -2;
    }
    msg->reset();
    return 0;
}
