// The mount calls: every call is logged with its arguments, the mounted paths are kept (an
// unmount succeeds only on a mounted path), and each (type, data) is answered from a table: by
// default every mount succeeds; "mount refuse TYPE [DATA]" makes that type (with that data) fail.
// A successful mount of a stick's partition shows the stick's files in the mount directory, and its
// unmount takes them away again.
#include "platform/sbsim/sim_board_priv.h"

#include <filesystem>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace sbsim {
namespace {

// A field as the seam sends it: "none" or a quoted text.
std::string unquote(const std::string& field)
{
    return field.size() >= 2 && field.front() == '"' && field.back() == '"' ? field.substr(1, field.size() - 2) : "";
}

class Mount : public Model {
public:
    explicit Mount(Board& board) : board_(board)
    {
        board_.calls["mount"] = [this](const Words& f) { return mount(f); };
        board_.calls["umount"] = [this](const Words& f) { return unmount(f, "umount(" + field(f, 1) + ")"); };
        board_.calls["umount2"] = [this](const Words& f) {
            return unmount(f, "umount2(" + field(f, 1) + ", " + field(f, 2) + ")");
        };
    }
    const char* name() const override { return "mount"; }
    const char* usage() const override
    {
        return "mount refuse TYPE [DATA]        mounts of that file system (with those options) fail\n"
               "mount allow TYPE [DATA]         takes such a refusal back\n"
               "mount keep-mounted PATH         unmounting PATH fails (busy)\n"
               "mount list                      the mounted paths\n";
    }

    bool control(const Words& w, const Pusher&, std::string& out) override
    {
        if ((w.size() == 3 || w.size() == 4) && (w[1] == "refuse" || w[1] == "allow")) {
            const std::string key = w[2] + (w.size() == 4 ? "\n" + w[3] : "");
            if (w[1] == "refuse") {
                refused_.insert(key);
            } else {
                refused_.erase(key);
            }
            return true;
        }
        if (w.size() == 3 && w[1] == "keep-mounted") {
            kept_.insert(w[2]);
            return true;
        }
        if (w.size() == 2 && w[1] == "list") {
            for (const std::string& p : mounted_) {
                out += p + "\n";
            }
            return true;
        }
        out = "mount: usage: mount refuse|allow TYPE [DATA] | mount keep-mounted PATH | mount list\n";
        return false;
    }

private:
    static std::string field(const Words& f, size_t i) { return i < f.size() ? f[i] : "none"; }

    Result mount(const Words& f)
    {
        if (f.size() != 6) {
            return Result::fail(EINVAL);
        }
        board_.log("mount", "mount(" + f[1] + ", " + f[2] + ", " + f[3] + ", " + f[4] + ", " + f[5] + ")");
        const std::string source = unquote(f[1]);
        const std::string target = unquote(f[2]);
        const std::string type = unquote(f[3]);
        const std::string data = unquote(f[5]);
        if (refused_.count(type) != 0 || refused_.count(type + "\n" + data) != 0) {
            return Result::fail(EINVAL);
        }
        if (!fs::is_directory(board_.path(target))) {
            return Result::fail(ENOENT);
        }
        if (mounted_.count(target) != 0) {
            return Result::fail(EBUSY);
        }
        mounted_.insert(target);
        auto files = board_.mediaFiles.find(source);
        if (files != board_.mediaFiles.end()) {
            std::error_code ec;
            fs::copy(files->second, board_.path(target), fs::copy_options::recursive | fs::copy_options::overwrite_existing,
                     ec);
            shown_[target] = files->second;
        }
        return Result::ok();
    }

    Result unmount(const Words& f, const std::string& shown)
    {
        board_.log("mount", shown);
        const std::string target = unquote(field(f, 1));
        if (mounted_.count(target) == 0) {
            return Result::fail(EINVAL);
        }
        if (kept_.count(target) != 0) {
            return Result::fail(EBUSY);
        }
        mounted_.erase(target);
        hideFiles(target);
        return Result::ok();
    }

    void hideFiles(const std::string& target)
    {
        auto shown = shown_.find(target);
        if (shown == shown_.end()) {
            return;
        }
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(shown->second, ec)) {
            fs::remove_all(fs::path(board_.path(target)) / entry.path().filename(), ec);
        }
        shown_.erase(shown);
    }

    Board& board_;
    std::map<std::string, std::string> shown_;  // mount directory -> the files shown in it
    std::set<std::string> refused_;
    std::set<std::string> kept_;
    std::set<std::string> mounted_;
};

}  // namespace

std::unique_ptr<Model> makeMount(Board& board)
{
    return std::make_unique<Mount>(board);
}

}  // namespace sbsim
