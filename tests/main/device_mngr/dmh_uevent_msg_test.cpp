#include "main/device_mngr/dmh_uevent_msg.h"

#include "main/cli/dbg_level.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace {

// A datagram as the kernel sends it: the header, then each string with its NUL.
std::string datagram(const std::string& header, const std::vector<std::string>& keys)
{
    std::string d = header;
    d += '\0';
    for (const std::string& k : keys) {
        d += k;
        d += '\0';
    }
    return d;
}

// Parses as the hotplug thread does: the bytes in a buffer one longer, terminated after them.
std::unique_ptr<DmhUeventMsg> parse(const std::string& bytes)
{
    std::vector<char> buf(bytes.begin(), bytes.end());
    buf.push_back('\0');
    return dmhGetNetlinkDev(buf.data(), bytes.size());
}

TEST(DmhUeventMsgTest, KeyRules)
{
    const auto m = parse(datagram("add@/devices/x/sda", {
                                                           "ACTION=add",
                                                           "DEVPATH=/devices/first",
                                                           "SUBSYSTEM=block",
                                                           "DEVPATH=/devices/x/sda",
                                                           "SUBSYSTEM=usb",
                                                           "MAJOR=8",
                                                           "MINOR=abc",
                                                           "BUSNUM=300",
                                                           "SEQNUM=99999999999",
                                                           "SWITCH_STATE=101",
                                                           "DEVTYPE=disk",
                                                           "DEVNUM=001",
                                                       }));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->p_subsystem, "block");           // the first SUBSYSTEM wins
    EXPECT_EQ(m->p_dev_path, "/devices/x/sda");   // the last DEVPATH wins
    EXPECT_EQ(m->uMajor, 8u);
    EXPECT_EQ(m->uMinor, 0u);    // a number that does not convert
    EXPECT_EQ(m->uBusNum, 44);   // cut to 8 bits
    EXPECT_EQ(m->uSeqNum, 0u);   // out of the u32 range
    EXPECT_EQ(m->uSwitchState, 101);
    EXPECT_EQ(m->uDevNum, 1u);
    EXPECT_EQ(m->p_dev_type, "disk");
    EXPECT_FALSE(m->p_driver.has_value());
}

TEST(DmhUeventMsgTest, RefusedAndCutDatagrams)
{
    struct Case {
        const char* what;
        std::string bytes;
        bool parses;
    };
    const std::string longHeader = "add@/" + std::string(4090, 'a');
    const std::vector<Case> cases = {
        {"three bytes", "a@/", false},
        {"four-character text", std::string("a@/b\0", 5), true},
        {"no @/", datagram("add-devices-x", {"ACTION=add"}), false},
        {"header of 4095 characters", longHeader, false},
        {"empty", "", false},
        {"last string open", std::string("change@/x\0SWITCH_STATE=3", 24), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse(c.bytes) != nullptr, c.parses) << c.what;
    }
    const auto open = parse(std::string("change@/x\0SWITCH_STATE=3", 24));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->uSwitchState, 3);

    // Strings after an empty one are not read.
    const auto stop = parse(std::string("add@/x\0\0MAJOR=5\0", 16));
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->uMajor, 0u);

    std::unique_ptr<DmhUeventMsg> freed = parse(datagram("add@/x", {"MAJOR=1"}));
    EXPECT_EQ(dmhFreeNetlinkDev(&freed), 0);
    EXPECT_EQ(freed, nullptr);
    EXPECT_EQ(dmhFreeNetlinkDev(&freed), -2);
    EXPECT_EQ(dmhFreeNetlinkDev(nullptr), -2);
}

// Random and mutated datagrams of every length up to the buffer: each is refused or parsed within
// its bytes (AddressSanitizer watches the reads).
TEST(DmhUeventMsgTest, Fuzz)
{
    gUi4EnableAllLog.store(0);  // thousands of refusals would only fill the output
    std::mt19937 rng(20240611);
    const std::string seed = datagram("change@/devices/virtual/switch/cec_hdmi",
                                      {"ACTION=change", "DEVPATH=/devices/virtual/switch/cec_hdmi", "SUBSYSTEM=switch",
                                       "SWITCH_NAME=cec_hdmi", "SWITCH_STATE=3", "MAJOR=8", "MINOR=1"});
    const char alphabet[] = {'\0', '@', '/', '=', 'A', 'M', 'S', '0', '9', '\xff', 'x'};
    for (int round = 0; round < 4000; ++round) {
        std::string bytes;
        if (round % 2 == 0) {
            bytes = seed;
            const int edits = 1 + static_cast<int>(rng() % 8);
            for (int e = 0; e < edits; ++e) {
                const size_t at = rng() % bytes.size();
                switch (rng() % 3) {
                case 0:
                    bytes[at] = alphabet[rng() % sizeof(alphabet)];
                    break;
                case 1:
                    bytes.erase(at, 1 + rng() % 4);
                    break;
                default:
                    bytes.insert(at, std::string(1 + rng() % 64, alphabet[rng() % sizeof(alphabet)]));
                    break;
                }
                if (bytes.empty()) {
                    bytes = "x";
                }
            }
        } else {
            bytes.resize(rng() % DMH_UEVENT_BUF_SIZE);
            for (char& c : bytes) {
                c = alphabet[rng() % sizeof(alphabet)];
            }
        }
        bytes.resize(std::min(bytes.size(), DMH_UEVENT_BUF_SIZE - 1));
        const auto m = parse(bytes);
        if (m && m->p_dev_path) {
            EXPECT_LT(m->p_dev_path->size(), DMH_UEVENT_BUF_SIZE);
        }
    }
    gUi4EnableAllLog.store(1);
}

}  // namespace
