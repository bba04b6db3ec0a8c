#include "platform/sbdev/sb_call.h"

#include "platform/sbdev/sb_wire.h"

#include <cerrno>

namespace sbdev {

long simCall(const std::vector<std::string>& fields, std::string* out)
{
    std::string text;
    for (const std::string& f : fields) {
        text += (text.empty() ? "" : "\n") + f;
    }
    sbwire::Connection conn;
    if (!conn.connect()) {
        errno = ENODEV;
        return -1;
    }
    const sbwire::Reply reply = conn.request(sbwire::Type::Call, std::vector<uint8_t>(text.begin(), text.end()));
    if (out != nullptr) {
        out->assign(reply.data.begin(), reply.data.end());
    }
    if (reply.result < 0) {
        errno = reply.error != 0 ? reply.error : EIO;
        return -1;
    }
    return static_cast<long>(reply.result);
}

}  // namespace sbdev
