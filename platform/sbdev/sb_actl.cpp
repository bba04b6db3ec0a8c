#include "platform/sbdev/sb_actl.h"

#include "platform/sbdev/sb_wire.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <poll.h>
#include <string>

namespace {

struct Watch {
    sb_actl* owner = nullptr;
    std::string name;
    sb_actl_cb cb = nullptr;
    void* ctx = nullptr;
};

}  // namespace

// One handle is either libasound's hctl on the card or a connection to the simulator.
struct sb_actl {
    snd_hctl_t* hctl = nullptr;
    std::recursive_mutex lock;
    sbwire::Connection conn;
    std::map<std::string, std::unique_ptr<Watch>> watches;
};

namespace {

// Fields go newline-separated: element ids may hold blanks.
sbwire::Reply simRequest(sb_actl* h, std::initializer_list<std::string> fields)
{
    std::string line;
    for (const std::string& f : fields) {
        if (!line.empty()) {
            line += '\n';
        }
        line += f;
    }
    return h->conn.request(sbwire::Type::Actl, std::vector<uint8_t>(line.begin(), line.end()));
}

int simResult(const sbwire::Reply& reply)
{
    if (reply.result < 0) {
        return -(reply.error != 0 ? reply.error : EIO);
    }
    return static_cast<int>(reply.result);
}

snd_hctl_elem_t* findElem(snd_hctl_t* hctl, const char* name)
{
    snd_ctl_elem_id_t* id = nullptr;
    snd_ctl_elem_id_alloca(&id);
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_id_set_name(id, name);
    return snd_hctl_find_elem(hctl, id);
}

int onElemEvent(snd_hctl_elem_t* elem, unsigned int mask)
{
    auto* watch = static_cast<Watch*>(snd_hctl_elem_get_callback_private(elem));
    if (watch != nullptr && watch->cb != nullptr) {
        watch->cb(watch->ctx, watch->name.c_str(), mask);
    }
    return 0;
}

void runSimEvent(sb_actl* h, const std::vector<uint8_t>& payload)
{
    if (payload.size() < 4) {
        return;
    }
    const unsigned int mask = sbwire::getU32(payload.data());
    const std::string name(payload.begin() + 4, payload.end());
    auto it = h->watches.find(name);
    if (it != h->watches.end() && it->second->cb != nullptr) {
        it->second->cb(it->second->ctx, it->second->name.c_str(), mask);
    }
}

}  // namespace

int sb_actl_open(sb_actl** handle, const char* card)
{
    if (handle == nullptr || card == nullptr) {
        return -EINVAL;
    }
    auto h = std::make_unique<sb_actl>();
    if (sbwire::simulatorPresent()) {
        if (!h->conn.connect()) {
            return -ENODEV;
        }
        const int r = simResult(simRequest(h.get(), {"open", card}));
        if (r < 0) {
            return r;
        }
    } else {
        int r = snd_hctl_open(&h->hctl, card, SND_CTL_NONBLOCK);
        if (r < 0) {
            return r;
        }
        r = snd_hctl_load(h->hctl);
        if (r < 0) {
            snd_hctl_close(h->hctl);
            return r;
        }
    }
    *handle = h.release();
    return 0;
}

void sb_actl_close(sb_actl* handle)
{
    if (handle == nullptr) {
        return;
    }
    if (handle->hctl != nullptr) {
        snd_hctl_close(handle->hctl);
    }
    std::unique_ptr<sb_actl> owned(handle);
}

int sb_actl_read(sb_actl* h, const char* name, int32_t* values, int max)
{
    if (h == nullptr || name == nullptr || (values == nullptr && max > 0)) {
        return -EINVAL;
    }
    std::lock_guard<std::recursive_mutex> guard(h->lock);
    if (h->hctl == nullptr) {
        const sbwire::Reply reply = simRequest(h, {"read", name});
        const int count = simResult(reply);
        if (count < 0) {
            return count;
        }
        const int have = static_cast<int>(reply.data.size() / 4);
        for (int i = 0; i < std::min({count, max, have}); ++i) {
            values[i] = static_cast<int32_t>(sbwire::getU32(reply.data.data() + 4 * i));
        }
        return count;
    }
    snd_hctl_elem_t* elem = findElem(h->hctl, name);
    if (elem == nullptr) {
        return -ENOENT;
    }
    snd_ctl_elem_info_t* info = nullptr;
    snd_ctl_elem_info_alloca(&info);
    int r = snd_hctl_elem_info(elem, info);
    if (r < 0) {
        return r;
    }
    if (snd_ctl_elem_info_get_type(info) != SND_CTL_ELEM_TYPE_INTEGER) {
        return -EINVAL;
    }
    const int count = static_cast<int>(snd_ctl_elem_info_get_count(info));
    snd_ctl_elem_value_t* value = nullptr;
    snd_ctl_elem_value_alloca(&value);
    r = snd_hctl_elem_read(elem, value);
    if (r < 0) {
        return r;
    }
    for (int i = 0; i < std::min(count, max); ++i) {
        values[i] = static_cast<int32_t>(snd_ctl_elem_value_get_integer(value, static_cast<unsigned>(i)));
    }
    return count;
}

int sb_actl_write(sb_actl* h, const char* name, int index, int32_t v)
{
    if (h == nullptr || name == nullptr || index < 0) {
        return -EINVAL;
    }
    std::lock_guard<std::recursive_mutex> guard(h->lock);
    if (h->hctl == nullptr) {
        const int r = simResult(simRequest(h, {"write", name, std::to_string(index), std::to_string(v)}));
        return r < 0 ? r : 0;
    }
    snd_hctl_elem_t* elem = findElem(h->hctl, name);
    if (elem == nullptr) {
        return -ENOENT;
    }
    snd_ctl_elem_value_t* value = nullptr;
    snd_ctl_elem_value_alloca(&value);
    int r = snd_hctl_elem_read(elem, value);
    if (r < 0) {
        return r;
    }
    snd_ctl_elem_value_set_integer(value, static_cast<unsigned>(index), v);
    r = snd_hctl_elem_write(elem, value);
    return r < 0 ? r : 0;
}

int sb_actl_write_ascii(sb_actl* h, const char* idText, const char* valueText)
{
    if (h == nullptr || idText == nullptr || valueText == nullptr) {
        return -EINVAL;
    }
    std::lock_guard<std::recursive_mutex> guard(h->lock);
    if (h->hctl == nullptr) {
        const int r = simResult(simRequest(h, {"ascii", idText, valueText}));
        return r < 0 ? r : 0;
    }
    snd_ctl_elem_id_t* id = nullptr;
    snd_ctl_elem_info_t* info = nullptr;
    snd_ctl_elem_value_t* value = nullptr;
    snd_ctl_elem_id_alloca(&id);
    snd_ctl_elem_info_alloca(&info);
    snd_ctl_elem_value_alloca(&value);
    int r = snd_ctl_ascii_elem_id_parse(id, idText);
    if (r < 0) {
        return r;
    }
    snd_hctl_elem_t* elem = snd_hctl_find_elem(h->hctl, id);
    if (elem == nullptr) {
        return -ENOENT;
    }
    r = snd_hctl_elem_info(elem, info);
    if (r < 0) {
        return r;
    }
    snd_ctl_elem_info_get_id(info, id);
    snd_ctl_elem_value_set_id(value, id);
    r = snd_hctl_elem_read(elem, value);
    if (r < 0) {
        return r;
    }
    r = snd_ctl_ascii_value_parse(snd_hctl_ctl(h->hctl), value, info, valueText);
    if (r < 0) {
        return r;
    }
    r = snd_hctl_elem_write(elem, value);
    return r < 0 ? r : 0;
}

int sb_actl_watch(sb_actl* h, const char* name, sb_actl_cb cb, void* ctx)
{
    if (h == nullptr || name == nullptr) {
        return -EINVAL;
    }
    std::lock_guard<std::recursive_mutex> guard(h->lock);
    auto watch = std::make_unique<Watch>();
    watch->owner = h;
    watch->name = name;
    watch->cb = cb;
    watch->ctx = ctx;
    if (h->hctl == nullptr) {
        const int r = simResult(simRequest(h, {"watch", name}));
        if (r < 0) {
            return r;
        }
    } else {
        snd_hctl_elem_t* elem = findElem(h->hctl, name);
        if (elem == nullptr) {
            return -ENOENT;
        }
        snd_hctl_elem_set_callback_private(elem, watch.get());
        snd_hctl_elem_set_callback(elem, onElemEvent);
    }
    h->watches[name] = std::move(watch);
    return 0;
}

int sb_actl_wait(sb_actl* h, int timeoutMs)
{
    if (h == nullptr) {
        return -EINVAL;
    }
    if (h->hctl != nullptr) {
        return snd_hctl_wait(h->hctl, timeoutMs);
    }
    int fd = -1;
    {
        std::lock_guard<std::recursive_mutex> guard(h->lock);
        if (h->conn.hasQueuedEvent()) {
            return 1;
        }
        fd = h->conn.fd();
    }
    pollfd p{fd, POLLIN, 0};
    const int r = poll(&p, 1, timeoutMs);
    if (r < 0) {
        return -errno;
    }
    if (r > 0 && (p.revents & (POLLHUP | POLLERR)) != 0 && (p.revents & POLLIN) == 0) {
        return -ENODEV;
    }
    return r > 0 ? 1 : 0;
}

int sb_actl_handle_events(sb_actl* h)
{
    if (h == nullptr) {
        return -EINVAL;
    }
    if (h->hctl != nullptr) {
        return snd_hctl_handle_events(h->hctl);
    }
    std::lock_guard<std::recursive_mutex> guard(h->lock);
    int handled = 0;
    while (auto event = h->conn.nextEvent(false)) {
        runSimEvent(h, *event);
        ++handled;
    }
    return handled;
}
