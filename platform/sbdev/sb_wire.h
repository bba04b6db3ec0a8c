// The board simulator's wire: length-framed messages over a Unix stream socket at
// "/sim/board.sock" under the root. Every frame is {u32 type, u32 payload length} little-endian,
// then the payload. A client connection is one opened device, one event subscription or one
// control session; requests are answered in order by one REPLY each, and a connection that
// subscribed to events may get EVENT frames in between.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sbwire {

constexpr const char* kSocketPath = "/sim/board.sock";
constexpr size_t kHeaderSize = 8;
constexpr uint32_t kMaxPayload = 4u << 20;  // a whole MTD erase block fits

enum class Type : uint32_t {
    Open = 1,     // u32 flags, path text
    Read = 2,     // u32 most bytes
    Write = 3,    // bytes
    Ioctl = 4,    // u32 request, u32 argument kind, u64 value, argument bytes
    Lseek = 5,    // i64 offset, u32 whence
    Control = 6,  // one control-command line
    UeventSubscribe = 7,
    Actl = 8,     // one ALSA-control line: "read N", "write N I V", "ascii ID V", "watch N"
    TakePty = 9,  // system path of a serial port; the reply carries its master descriptor
    Call = 10,    // a system call the board serves: its name, then its arguments, one per line
    Reply = 100,  // i64 result, i32 errno, data
    Event = 101,  // what the subscription delivers
};

enum class IoctlArg : uint32_t { Value = 0, Pointer = 1, I2cRdwr = 2 };

struct Frame {
    Type type = Type::Reply;
    std::vector<uint8_t> payload;
};

struct Reply {
    int64_t result = -1;
    int32_t error = 0;
    std::vector<uint8_t> data;
};

// Input records travel as {i64 sec, i64 usec, u16 type, u16 code, i32 value}, whatever the
// reader's own struct input_event looks like.
struct InputRecord {
    int64_t sec = 0;
    int64_t usec = 0;
    uint16_t type = 0;
    uint16_t code = 0;
    int32_t value = 0;
};
constexpr size_t kInputRecordSize = 24;

// Little-endian byte helpers; every reader checks the length before it reads.
void putU16(std::vector<uint8_t>& out, uint16_t v);
void putU32(std::vector<uint8_t>& out, uint32_t v);
void putU64(std::vector<uint8_t>& out, uint64_t v);
void putBytes(std::vector<uint8_t>& out, const void* data, size_t len);
uint16_t getU16(const uint8_t* p);
uint32_t getU32(const uint8_t* p);
uint64_t getU64(const uint8_t* p);

std::vector<uint8_t> encodeReply(const Reply& reply);
std::optional<Reply> decodeReply(const std::vector<uint8_t>& payload);
std::vector<uint8_t> encodeInput(const InputRecord& rec);
std::optional<InputRecord> decodeInput(const std::vector<uint8_t>& payload);

// Whole-frame I/O on a blocking stream socket. Send never raises SIGPIPE; a descriptor to pass
// (fdToPass >= 0) goes with the frame. Receive returns false at end of stream, on an error or on a
// frame longer than kMaxPayload; a passed descriptor lands in *receivedFd when given.
bool sendFrame(int fd, Type type, const void* payload, size_t len, int fdToPass = -1);
bool recvFrame(int fd, Frame& frame, int* receivedFd = nullptr);

// A client connection to the simulator of the current root.
class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects to the simulator under `root` (empty: the current root); false when none listens.
    bool connect(const std::string& root = {});
    int fd() const { return fd_; }
    // Hands the socket to the caller (who closes it).
    int release();

    // Sends one request and waits for its reply; event frames that come first are queued. No reply
    // (the simulator went away) gives result -1 with EIO.
    Reply request(Type type, const std::vector<uint8_t>& payload, int* receivedFd = nullptr);
    // The next event: a queued one, else one read from the socket (blocking when `wait`).
    std::optional<std::vector<uint8_t>> nextEvent(bool wait);
    bool hasQueuedEvent() const { return !events_.empty(); }

private:
    int fd_ = -1;
    std::deque<std::vector<uint8_t>> events_;
};

// Path of the simulator socket under `root` (empty: the current root).
std::string socketPath(const std::string& root = {});

// True when a simulator socket exists under the current root.
bool simulatorPresent();

}  // namespace sbwire
