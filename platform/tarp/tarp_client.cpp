#include "platform/tarp/tarp_client.h"

#include "platform/sbroot/sb_root.h"
#include "platform/tarp/tarp_wire.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kMaxClients = 16;

struct ClientSlot {
    std::mutex lock;  // serialises the calls on one handle
    int fd = -1;
};

struct ClientState {
    std::mutex tableLock;
    std::array<ClientSlot, kMaxClients> slots;
};

ClientState& state()
{
    static ClientState s;
    return s;
}

ClientSlot* slotOf(uint32_t handle)
{
    if (handle == 0 || handle > kMaxClients) {
        return nullptr;
    }
    return &state().slots[handle - 1];
}

int connectTo(const char* path)
{
    const std::string mapped = sb::path(path);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (mapped.size() >= sizeof(addr.sun_path)) {
        return -ENAMETOOLONG;
    }
    std::memcpy(addr.sun_path, mapped.c_str(), mapped.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -errno;
    }
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        const int err = -errno;
        close(fd);
        return err;
    }
    return fd;
}

}  // namespace

extern "C" int tarpc_create(uint32_t* handle, const char* path)
{
    if (handle == nullptr || path == nullptr) {
        return -EINVAL;
    }
    const int fd = connectTo(path);
    if (fd < 0) {
        return fd;
    }
    ClientState& s = state();
    std::lock_guard<std::mutex> table(s.tableLock);
    for (size_t i = 0; i < kMaxClients; ++i) {
        std::lock_guard<std::mutex> guard(s.slots[i].lock);
        if (s.slots[i].fd < 0) {
            s.slots[i].fd = fd;
            *handle = static_cast<uint32_t>(i + 1);
            return 0;
        }
    }
    close(fd);
    return -EMFILE;
}

extern "C" int tarpc_func_call(uint32_t handle, uint32_t func_id, const void* args, uint32_t size)
{
    ClientSlot* slot = slotOf(handle);
    if (slot == nullptr) {
        return -EBADF;
    }
    if (size > tarp::kMaxArgLen) {
        return -EMSGSIZE;
    }
    if (size > 0 && args == nullptr) {
        return -EINVAL;
    }
    std::vector<uint8_t> frame(tarp::kHeaderSize + size);
    const auto header = tarp::encodeHeader({func_id, size});
    std::memcpy(frame.data(), header.data(), header.size());
    if (size > 0) {
        std::memcpy(frame.data() + tarp::kHeaderSize, args, size);
    }
    std::lock_guard<std::mutex> guard(slot->lock);
    if (slot->fd < 0) {
        return -EBADF;
    }
    std::array<uint8_t, tarp::kResultSize> result{};
    const int fd = slot->fd;
    const bool sent = tarp::moveAll(
        frame.size(), [&](size_t at) { return send(fd, frame.data() + at, frame.size() - at, MSG_NOSIGNAL); });
    if (!sent ||
        !tarp::moveAll(result.size(), [&](size_t at) { return recv(fd, result.data() + at, result.size() - at, 0); })) {
        return -EPIPE;
    }
    return tarp::decodeResult(result.data());
}

extern "C" int tarpc_destroy(uint32_t handle)
{
    ClientSlot* slot = slotOf(handle);
    if (slot == nullptr) {
        return -EBADF;
    }
    std::lock_guard<std::mutex> table(state().tableLock);
    std::lock_guard<std::mutex> guard(slot->lock);
    if (slot->fd < 0) {
        return -EBADF;
    }
    close(slot->fd);
    slot->fd = -1;
    return 0;
}
