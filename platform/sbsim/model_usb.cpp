// The USB host controller and one stick port: the root hub "usb1" is there from the start; an
// inserted stick lays out its device, interface, SCSI disk and partitions in sysfs, its lines in
// "/proc/diskstats" and its device nodes, then raises the kernel's add events in order (device,
// interface, disk, partitions); removal raises the remove events in the reverse order.
#include "platform/sbsim/sim_board_priv.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace sbsim {
namespace {

constexpr const char* kRootHub = "/devices/platform/KvxUsbHcd.0/usb1";
// 42 characters with "/sys": a partition reads its USB ids from that prefix of its own path.
constexpr const char* kDevice = "/devices/platform/KvxUsbHcd.0/usb1/1-1";
constexpr const char* kInterface = "/devices/platform/KvxUsbHcd.0/usb1/1-1/1-1:1.0";
constexpr const char* kScsi = "/devices/platform/KvxUsbHcd.0/usb1/1-1/1-1:1.0/host0/target0:0:0/0:0:0:0";
constexpr const char* kDisk = "/devices/platform/KvxUsbHcd.0/usb1/1-1/1-1:1.0/host0/target0:0:0/0:0:0:0/block/sda";
constexpr int64_t kSector = 512;

// "8G", "512M", "64K" or a plain count of bytes; false for anything else.
bool parseSize(const std::string& text, int64_t& bytes)
{
    if (text.empty()) {
        return false;
    }
    int64_t unit = 1;
    std::string digits = text;
    switch (text.back()) {
    case 'K':
        unit = 1024;
        break;
    case 'M':
        unit = 1024 * 1024;
        break;
    case 'G':
        unit = 1024LL * 1024 * 1024;
        break;
    default:
        break;
    }
    if (unit != 1) {
        digits.pop_back();
    }
    int64_t v = 0;
    if (!parseNumber(digits, v) || v < 0) {
        return false;
    }
    bytes = v * unit;
    return true;
}

std::string hex4(int64_t v)
{
    char b[8];
    std::snprintf(b, sizeof(b), "%04llx", static_cast<long long>(v & 0xFFFF));
    return b;
}

class Usb : public Model {
public:
    explicit Usb(Board& board) : board_(board)
    {
        fs::create_directories(board_.path("/proc/bus/usb"));
        fs::create_directories(board_.path("/sys/devices/virtual/block"));
        const std::string hub = std::string("/sys") + kRootHub;
        put(hub, "idVendor", "1d6b");
        put(hub, "idProduct", "0002");
        put(hub, "devnum", "1");
        put(hub, "maxchild", "1");
        put(hub, "speed", "480");
        put(hub, "manufacturer", "Linux xhci-hcd");
        put(hub, "product", "KVX Host Controller");
        put(hub, "version", " 2.00");
        put(hub, "uevent",
            "MAJOR=189\nMINOR=0\nDEVNAME=bus/usb/001/001\nDEVTYPE=usb_device\nDRIVER=usb\nPRODUCT=1d6b/2/404\n"
            "TYPE=9/0/1\nBUSNUM=001\nDEVNUM=001\n");
        put(hub + "/1-0:1.0", "uevent", "DEVTYPE=usb_interface\nDRIVER=hub\nINTERFACE=9/0/0\n");
        if (!fs::exists(board_.path("/proc/diskstats"))) {
            std::ofstream(board_.path("/proc/diskstats"));
        }
    }
    const char* name() const override { return "usb"; }
    const char* usage() const override
    {
        return "usb insert VENDOR PRODUCT DISKSIZE [PARTSIZE...] [--files DIR]\n"
               "                                a stick on the port (sizes 8G, 512M, 64K or bytes; DISKSIZE 0 is a\n"
               "                                card reader without a card; DIR's files show in its mounts)\n"
               "usb remove                      pulls the stick out\n"
               "usb state                       the stick on the port, or \"empty\"\n";
    }

    bool control(const Words& w, const Pusher&, std::string& out) override
    {
        if (w.size() == 2 && w[1] == "remove") {
            if (!present_) {
                out = "usb: no stick on the port\n";
                return false;
            }
            remove();
            return true;
        }
        if (w.size() == 2 && w[1] == "state") {
            out = present_ ? "stick " + hex4(vendor_) + ":" + hex4(product_) + " partitions " +
                                 std::to_string(partitions_.size()) + "\n"
                           : "empty\n";
            return true;
        }
        if (w.size() >= 5 && w[1] == "insert") {
            return insert(w, out);
        }
        out = "usb: usage: usb insert VENDOR PRODUCT DISKSIZE [PARTSIZE...] [--files DIR] | usb remove\n";
        return false;
    }

private:
    void put(const std::string& dir, const std::string& file, const std::string& text)
    {
        const fs::path p = board_.path(dir) + "/" + file;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::trunc) << text << (text.empty() || text.back() == '\n' ? "" : "\n");
    }

    bool insert(const Words& w, std::string& out)
    {
        if (present_) {
            out = "usb: a stick is on the port already\n";
            return false;
        }
        int64_t vendor = 0;
        int64_t product = 0;
        int64_t disk = 0;
        std::vector<int64_t> parts;
        std::string files;
        for (size_t i = 5; i < w.size(); ++i) {
            int64_t size = 0;
            if (w[i] == "--files" && i + 1 < w.size()) {
                files = w[++i];
            } else if (parseSize(w[i], size) && size > 0) {
                parts.push_back(size);
            } else {
                out = "usb: bad partition size " + w[i] + "\n";
                return false;
            }
        }
        if (!parseNumber(w[2], vendor) || !parseNumber(w[3], product) || !parseSize(w[4], disk) || vendor < 0 ||
            vendor > 0xFFFF || product < 0 || product > 0xFFFF) {
            out = "usb: usage: usb insert VENDOR PRODUCT DISKSIZE [PARTSIZE...] [--files DIR]\n";
            return false;
        }
        if (disk == 0 && !parts.empty()) {
            out = "usb: a card reader without a card has no partitions\n";
            return false;
        }
        present_ = true;
        vendor_ = vendor;
        product_ = product;
        partitions_ = parts;
        layOut(disk, files);
        raiseAdds();
        return true;
    }

    void layOut(int64_t disk, const std::string& files)
    {
        const std::string dev = std::string("/sys") + kDevice;
        put(dev, "idVendor", hex4(vendor_));
        put(dev, "idProduct", hex4(product_));
        put(dev, "devnum", "2");
        put(dev, "maxchild", "0");
        put(dev, "speed", "480");
        put(dev, "manufacturer", "Simulated");
        put(dev, "product", "USB Stick");
        put(dev, "version", " 2.00");
        put(dev, "uevent",
            "MAJOR=189\nMINOR=1\nDEVNAME=bus/usb/001/002\nDEVTYPE=usb_device\nDRIVER=usb\nPRODUCT=" + productKey() +
                "\nTYPE=0/0/0\nBUSNUM=001\nDEVNUM=002\n");
        put(std::string("/sys") + kInterface, "uevent",
            "DEVTYPE=usb_interface\nDRIVER=usb-storage\nPRODUCT=" + productKey() +
                "\nTYPE=0/0/0\nINTERFACE=8/6/80\nMODALIAS=usb:v" + hex4(vendor_) + "p" + hex4(product_) + "\n");
        const std::string scsi = std::string("/sys") + kScsi;
        put(scsi, "uevent", "DEVTYPE=scsi_device\nDRIVER=sd\nMODALIAS=scsi:t-0x00\n");
        put(scsi, "model", "USB Stick       ");
        put(scsi, "vendor", "Simulat ");
        put(scsi, "rev", "1.00");
        put(scsi, "state", "running");
        const std::string block = std::string("/sys") + kDisk;
        put(block, "uevent", "MAJOR=8\nMINOR=0\nDEVNAME=sda\nDEVTYPE=disk\n");
        put(block, "size", std::to_string(disk / kSector));
        put(block, "queue/hw_sector_size", "512");
        put(block, "removable", "1");
        std::string stats = line(0, "sda");
        std::ofstream(board_.path("/dev/sda"));
        for (size_t i = 0; i < partitions_.size(); ++i) {
            const std::string name = "sda" + std::to_string(i + 1);
            put(block + "/" + name, "uevent",
                "MAJOR=8\nMINOR=" + std::to_string(i + 1) + "\nDEVNAME=" + name + "\nDEVTYPE=partition\nPARTN=" +
                    std::to_string(i + 1) + "\n");
            put(block + "/" + name, "size", std::to_string(partitions_[i] / kSector));
            stats += line(static_cast<int>(i + 1), name);
            std::ofstream(board_.path("/dev/" + name));
            if (!files.empty()) {
                board_.mediaFiles["/dev/" + name] = files;
            }
        }
        if (partitions_.empty() && !files.empty() && disk > 0) {
            board_.mediaFiles["/dev/sda"] = files;
        }
        std::ofstream(board_.path("/proc/diskstats"), std::ios::trunc) << stats;
    }

    static std::string line(int minor, const std::string& name)
    {
        char b[128];
        std::snprintf(b, sizeof(b), "   8       %d %s 0 0 0 0 0 0 0 0 0 0 0\n", minor, name.c_str());
        return b;
    }

    std::string productKey() const
    {
        char b[32];
        std::snprintf(b, sizeof(b), "%llx/%llx/100", static_cast<long long>(vendor_), static_cast<long long>(product_));
        return b;
    }

    Words usbProps(const std::string& devtype) const
    {
        Words p{"SUBSYSTEM=usb", "DEVTYPE=" + devtype, "PRODUCT=" + productKey(), "TYPE=0/0/0"};
        if (devtype == "usb_device") {
            p.insert(p.end(), {"MAJOR=189", "MINOR=1", "DEVNAME=bus/usb/001/002", "BUSNUM=001", "DEVNUM=002"});
        } else {
            p.insert(p.end(), {"INTERFACE=8/6/80", "MODALIAS=usb:v" + hex4(vendor_) + "p" + hex4(product_)});
        }
        return p;
    }

    static Words blockProps(int minor, const std::string& name, bool partition)
    {
        return {"SUBSYSTEM=block", "MAJOR=8", "MINOR=" + std::to_string(minor), "DEVNAME=" + name,
                std::string("DEVTYPE=") + (partition ? "partition" : "disk")};
    }

    void raiseAdds()
    {
        board_.raiseUevent("add", kDevice, usbProps("usb_device"));
        board_.raiseUevent("add", kInterface, usbProps("usb_interface"));
        board_.raiseUevent("add", kDisk, blockProps(0, "sda", false));
        for (size_t i = 0; i < partitions_.size(); ++i) {
            const std::string name = "sda" + std::to_string(i + 1);
            board_.raiseUevent("add", std::string(kDisk) + "/" + name, blockProps(static_cast<int>(i + 1), name, true));
        }
        board_.log("usb", "insert " + hex4(vendor_) + ":" + hex4(product_) + " partitions " +
                              std::to_string(partitions_.size()));
    }

    void remove()
    {
        for (size_t i = partitions_.size(); i > 0; --i) {
            const std::string name = "sda" + std::to_string(i);
            board_.raiseUevent("remove", std::string(kDisk) + "/" + name, blockProps(static_cast<int>(i), name, true));
            board_.mediaFiles.erase("/dev/" + name);
            std::error_code ec;
            fs::remove(board_.path("/dev/" + name), ec);
        }
        board_.raiseUevent("remove", kDisk, blockProps(0, "sda", false));
        board_.raiseUevent("remove", kInterface, usbProps("usb_interface"));
        board_.raiseUevent("remove", kDevice, usbProps("usb_device"));
        std::error_code ec;
        fs::remove_all(board_.path(std::string("/sys") + kDevice), ec);
        fs::remove(board_.path("/dev/sda"), ec);
        board_.mediaFiles.erase("/dev/sda");
        std::ofstream(board_.path("/proc/diskstats"), std::ios::trunc);
        board_.log("usb", "remove");
        present_ = false;
        partitions_.clear();
    }

    Board& board_;
    bool present_ = false;
    int64_t vendor_ = 0;
    int64_t product_ = 0;
    std::vector<int64_t> partitions_;
};

}  // namespace

std::unique_ptr<Model> makeUsb(Board& board)
{
    return std::make_unique<Usb>(board);
}

}  // namespace sbsim
