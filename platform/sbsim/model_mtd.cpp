// MTD partitions "/dev/mtdN" backed by files "/sim/mtd/<name>.bin" under the root, with "/proc/mtd"
// written to match: erase size, page size and bad blocks settable; erase, read, write and the
// bad-block query as the NAND driver answers them.
#include "platform/sbsim/sim_board_priv.h"

#include <array>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <mtd/mtd-user.h>
#include <set>
#include <sys/ioctl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace sbsim {
namespace {

constexpr uint32_t kDefaultErase = 0x20000;
constexpr uint32_t kDefaultPage = 0x800;
constexpr uint32_t kOobSize = 64;

struct Partition {
    std::string name;
    int number = 0;
    uint32_t size = 0;
    uint32_t erase = 0;
    uint32_t page = 0;
    std::set<uint32_t> bad;  // block numbers
    std::string file;
};

class MtdDevice : public DevHandle {
public:
    MtdDevice(Board& board, Partition& part) : board_(board), part_(part) {}

    Result read(uint32_t len) override
    {
        Bytes out(std::min<uint64_t>(len, pos_ < part_.size ? part_.size - pos_ : 0));
        if (!io(false, out)) {
            return Result::fail(EIO);
        }
        pos_ += out.size();
        return Result::ok(static_cast<int64_t>(out.size()), out);
    }

    Result write(const Bytes& data) override
    {
        if (pos_ % part_.page != 0 || data.size() % part_.page != 0) {
            return Result::fail(EINVAL);
        }
        if (pos_ + data.size() > part_.size) {
            return Result::fail(ENOSPC);
        }
        if (touchesBad(pos_, data.size())) {
            board_.log("mtd", part_.name + " write refused at bad block, offset " + std::to_string(pos_));
            return Result::fail(EIO);
        }
        Bytes copy = data;
        if (!io(true, copy)) {
            return Result::fail(EIO);
        }
        board_.log("mtd", part_.name + " write " + std::to_string(data.size()) + " bytes at " + std::to_string(pos_));
        pos_ += data.size();
        return Result::ok(static_cast<int64_t>(data.size()));
    }

    Result lseek(int64_t offset, int whence) override
    {
        const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<int64_t>(pos_) : part_.size;
        if ((whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) || base + offset < 0 ||
            base + offset > part_.size) {
            return Result::fail(EINVAL);
        }
        pos_ = static_cast<uint64_t>(base + offset);
        return Result::ok(static_cast<int64_t>(pos_));
    }

    Result ioctl(uint32_t request, sbwire::IoctlArg kind, uint64_t, const Bytes& in) override
    {
        if (kind != sbwire::IoctlArg::Pointer) {
            return Result::fail(ENOTTY);
        }
        switch (request) {
        case MEMGETINFO: {
            Bytes out;
            sbwire::putU32(out, MTD_NANDFLASH);  // type in byte 0, then padding to the flags
            sbwire::putU32(out, MTD_CAP_NANDFLASH);
            sbwire::putU32(out, part_.size);
            sbwire::putU32(out, part_.erase);
            sbwire::putU32(out, part_.page);
            sbwire::putU32(out, kOobSize);
            sbwire::putU64(out, 0);
            static_assert(sizeof(mtd_info_user) == 32, "mtd_info_user is 32 bytes on every target");
            return Result::ok(0, out);
        }
        case MEMERASE: {
            if (in.size() != sizeof(erase_info_user)) {
                return Result::fail(EINVAL);
            }
            const uint32_t start = sbwire::getU32(in.data());
            const uint32_t length = sbwire::getU32(in.data() + 4);
            if (start % part_.erase != 0 || length % part_.erase != 0 || length == 0 ||
                static_cast<uint64_t>(start) + length > part_.size) {
                return Result::fail(EINVAL);
            }
            if (touchesBad(start, length)) {
                board_.log("mtd", part_.name + " erase refused at bad block, offset " + std::to_string(start));
                return Result::fail(EIO);
            }
            Bytes blank(length, 0xFF);
            const uint64_t saved = pos_;
            pos_ = start;
            const bool ok = io(true, blank);
            pos_ = saved;
            board_.log("mtd", part_.name + " erase " + std::to_string(length) + " bytes at " + std::to_string(start));
            return ok ? Result::ok() : Result::fail(EIO);
        }
        case MEMGETBADBLOCK:
        case MEMSETBADBLOCK: {
            if (in.size() != sizeof(loff_t)) {
                return Result::fail(EINVAL);
            }
            const uint64_t offset = sbwire::getU64(in.data());
            if (offset >= part_.size) {
                return Result::fail(EINVAL);
            }
            const auto block = static_cast<uint32_t>(offset / part_.erase);
            if (request == MEMSETBADBLOCK) {
                part_.bad.insert(block);
                return Result::ok();
            }
            return Result::ok(part_.bad.count(block) != 0 ? 1 : 0);
        }
        default:
            return Result::fail(ENOTTY);
        }
    }

private:
    bool touchesBad(uint64_t offset, uint64_t len) const
    {
        for (uint64_t b = offset / part_.erase; b * part_.erase < offset + len; ++b) {
            if (part_.bad.count(static_cast<uint32_t>(b)) != 0) {
                return true;
            }
        }
        return false;
    }

    bool io(bool writing, Bytes& data)
    {
        const int fd = ::open(part_.file.c_str(), (writing ? O_WRONLY : O_RDONLY) | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        const ssize_t n = writing ? pwrite(fd, data.data(), data.size(), static_cast<off_t>(pos_))
                                  : pread(fd, data.data(), data.size(), static_cast<off_t>(pos_));
        ::close(fd);
        return n == static_cast<ssize_t>(data.size());
    }

    Board& board_;
    Partition& part_;
    uint64_t pos_ = 0;
};

class Mtd : public Model {
public:
    explicit Mtd(Board& board) : board_(board)
    {
        add("misc", 4 * kDefaultErase, kDefaultErase, kDefaultPage);
        add("custom", 4 * kDefaultErase, kDefaultErase, kDefaultPage);
    }
    const char* name() const override { return "mtd"; }
    const char* usage() const override
    {
        return "mtd add NAME SIZE ERASESIZE PAGESIZE   a partition at the next mtdN\n"
               "mtd set NAME SIZE ERASESIZE PAGESIZE   new geometry for a partition (blank, no bad blocks)\n"
               "mtd bad NAME BLOCK              mark an erase block bad\n"
               "mtd list                        \"/proc/mtd\" as the system reads it\n";
    }

    std::unique_ptr<DevHandle> open(const std::string& path, int, const Pusher&, int& error) override
    {
        error = 0;
        if (path.rfind("/dev/mtd", 0) != 0) {
            return nullptr;
        }
        for (Partition& p : parts_) {
            if (path == "/dev/mtd" + std::to_string(p.number)) {
                return std::make_unique<MtdDevice>(board_, p);
            }
        }
        error = ENOENT;
        return nullptr;
    }

    bool control(const Words& w, const Pusher&, std::string& out) override
    {
        std::array<int64_t, 3> n{};
        const bool geometry = w.size() == 6 && parseNumber(w[3], n[0]) && parseNumber(w[4], n[1]) &&
                              parseNumber(w[5], n[2]) && n[1] > 0 && n[2] > 0 && n[0] > 0 && n[0] % n[1] == 0 &&
                              n[1] % n[2] == 0 && n[0] <= 0x4000000;
        if (geometry && w[1] == "add" && find(w[2]) == nullptr) {
            add(w[2], static_cast<uint32_t>(n[0]), static_cast<uint32_t>(n[1]), static_cast<uint32_t>(n[2]));
            return true;
        }
        if (geometry && w[1] == "set" && find(w[2]) != nullptr) {
            Partition& p = *find(w[2]);
            p.size = static_cast<uint32_t>(n[0]);
            p.erase = static_cast<uint32_t>(n[1]);
            p.page = static_cast<uint32_t>(n[2]);
            p.bad.clear();
            blank(p);
            writeProc();
            return true;
        }
        Partition* p = w.size() == 4 ? find(w[2]) : nullptr;
        if (w.size() == 4 && w[1] == "bad" && p != nullptr && parseNumber(w[3], n[0]) && n[0] >= 0 &&
            n[0] < p->size / p->erase) {
            p->bad.insert(static_cast<uint32_t>(n[0]));
            return true;
        }
        if (w.size() == 2 && w[1] == "list") {
            out = procText();
            return true;
        }
        out = "mtd: unknown command, partition or size (sizes are whole erase blocks of whole pages)\n";
        return false;
    }

private:
    Partition* find(const std::string& name)
    {
        for (Partition& p : parts_) {
            if (p.name == name) {
                return &p;
            }
        }
        return nullptr;
    }

    void add(const std::string& name, uint32_t size, uint32_t erase, uint32_t page)
    {
        Partition p;
        p.name = name;
        p.number = static_cast<int>(parts_.size());
        p.size = size;
        p.erase = erase;
        p.page = page;
        p.file = board_.path("/sim/mtd/" + name + ".bin");
        std::error_code ec;
        fs::create_directories(fs::path(p.file).parent_path(), ec);
        if (!fs::exists(p.file) || fs::file_size(p.file, ec) != size) {
            blank(p);
        }
        parts_.push_back(p);
        const int node =
            ::open(board_.path("/dev/mtd" + std::to_string(p.number)).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (node >= 0) {
            ::close(node);
        }
        writeProc();
    }

    // An erased partition: every byte 0xFF.
    static void blank(const Partition& p)
    {
        const int fd = ::open(p.file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const Bytes erased(p.size, 0xFF);
        if (fd >= 0) {
            const ssize_t n = ::write(fd, erased.data(), erased.size());
            (void)n;
            ::close(fd);
        }
    }

    void writeProc()
    {
        std::error_code ec;
        fs::create_directories(board_.path("/proc"), ec);
        const std::string text = procText();
        const int fd = ::open(board_.path("/proc/mtd").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const ssize_t n = ::write(fd, text.data(), text.size());
            (void)n;
            ::close(fd);
        }
    }

    std::string procText() const
    {
        std::string text = "dev:    size   erasesize  name\n";
        char line[128];
        for (const Partition& p : parts_) {
            std::snprintf(line, sizeof(line), "mtd%d: %08x %08x \"%s\"\n", p.number, p.size, p.erase, p.name.c_str());
            text += line;
        }
        return text;
    }

    Board& board_;
    std::deque<Partition> parts_;  // handles keep references: a deque never moves its elements
};

}  // namespace

std::unique_ptr<Model> makeMtd(Board& board)
{
    return std::make_unique<Mtd>(board);
}

}  // namespace sbsim
