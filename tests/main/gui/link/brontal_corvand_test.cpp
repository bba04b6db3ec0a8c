// corvand on the board simulator with the phone app played through the Bluetooth module's UART
// ("/dev/ttyS2"): the app powers the soundbar on, reads and sets its volume, standby time and EQ,
// reads the usage report, and sees the soundbar's own changes come back as frames.
#include "tests/main/gui/link/brontal_report_check.h"
#include "tests/main/program_runner.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using sbtest::ProgramRunner;
using brontal_check::Bytes;

struct Frame {
    double time;
    Bytes bytes;
};

class BrontalCorvandTest : public sbtest::SimTest {
protected:
    // One frame from the app, checksum added, as one burst.
    void app(uint8_t group, uint8_t id, const Bytes& payload = {})
    {
        unsigned sum = 0xAA + group + id;
        std::string line = "serial write /dev/ttyS2 AA";
        char b[8];
        std::snprintf(b, sizeof(b), " %02X %02X", static_cast<unsigned>(payload.size() & 0xFF),
                      static_cast<unsigned>(payload.size() >> 8));
        line += b;
        for (uint8_t v : Bytes{group, id}) {
            std::snprintf(b, sizeof(b), " %02X", v);
            line += b;
        }
        for (uint8_t v : payload) {
            sum += v;
            std::snprintf(b, sizeof(b), " %02X", v);
            line += b;
        }
        std::snprintf(b, sizeof(b), " %02X", sum & 0xFF);
        line += b;
        sim.ctl(line);
    }

    // The phone-app frames the soundbar wrote on the UART, with the simulator's times.
    std::vector<Frame> appFrames() const
    {
        std::vector<Frame> frames;
        std::istringstream log(sim.ctl("log serial"));
        std::string line;
        while (std::getline(log, line)) {
            std::istringstream words(line);
            double time = 0;
            std::string port;
            if (!(words >> time >> port) || port != "/dev/ttyS2") {
                continue;
            }
            Bytes bytes;
            std::string hex;
            while (words >> hex) {
                if (hex.size() != 2 || !std::isxdigit(static_cast<unsigned char>(hex[0])) ||
                    !std::isxdigit(static_cast<unsigned char>(hex[1]))) {
                    bytes.clear();
                    break;  // the line that names the port's pty
                }
                bytes.push_back(static_cast<uint8_t>(std::stoi(hex, nullptr, 16)));
            }
            for (size_t i = 0; i + 5 < bytes.size();) {
                const size_t len = bytes[i + 1] | (bytes[i + 2] << 8);
                if (bytes[i] == 0xBB && i + len + 6 <= bytes.size()) {
                    frames.push_back({time, Bytes(bytes.begin() + i, bytes.begin() + i + len + 6)});
                    i += len + 6;
                } else if (bytes[i] == 0x82) {
                    i += std::max<size_t>(bytes[i + 1], 1);
                } else {
                    ++i;
                }
            }
        }
        return frames;
    }

    // Waits until the soundbar has written `want` to the app since frame `from`.
    bool wrote(const Bytes& want, size_t from) const
    {
        for (int i = 0; i < 100; ++i) {
            const auto frames = appFrames();
            for (size_t f = from; f < frames.size(); ++f) {
                if (frames[f].bytes == want) {
                    return true;
                }
            }
            usleep(50 * 1000);
        }
        return false;
    }

    size_t frameCount() const { return appFrames().size(); }

    // The frames written since `from`, for a failure's message.
    std::string dump(size_t from) const
    {
        std::string text;
        const auto frames = appFrames();
        for (size_t f = from; f < frames.size(); ++f) {
            for (uint8_t b : frames[f].bytes) {
                char h[4];
                std::snprintf(h, sizeof(h), "%02x ", b);
                text += h;
            }
            text += "\n";
        }
        return text;
    }

    // The usage report's frames so far.
    std::vector<Frame> reportFrames() const
    {
        std::vector<Frame> report;
        for (const Frame& f : appFrames()) {
            if (f.bytes[3] == 0x04 && f.bytes[4] == 0x02) {
                report.push_back(f);
            }
        }
        return report;
    }

    bool displayShows(const std::string& text) const
    {
        for (int i = 0; i < 100; ++i) {
            if (sandbox.read("/sim/display.log").find(text) != std::string::npos) {
                return true;
            }
            usleep(50 * 1000);
        }
        return false;
    }

    static bool storeReads(ProgramRunner& corvand, int item, const std::string& value)
    {
        for (int i = 0; i < 50; ++i) {
            const size_t asked = corvand.output().size();
            corvand.send("app.acfg.get " + std::to_string(item));
            if (corvand.waitFor("INT: " + value, asked, std::chrono::milliseconds(200))) {
                return true;
            }
        }
        return false;
    }
};

Bytes eqPoints(uint8_t appMode, const std::vector<std::pair<uint16_t, int16_t>>& points)
{
    Bytes p = {appMode};
    for (const auto& [f, g] : points) {
        p.insert(p.end(), {static_cast<uint8_t>(f & 0xFF), static_cast<uint8_t>(f >> 8),
                           static_cast<uint8_t>(static_cast<uint16_t>(g) & 0xFF),
                           static_cast<uint8_t>(static_cast<uint16_t>(g) >> 8)});
    }
    return p;
}

TEST_F(BrontalCorvandTest, ThePhoneAppControlsTheSoundbarAndReadsItsUsage)
{
    sandbox.write("/tmp/vesk_ipc_app_ready", "");
    ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(corvand.waitFor("<GUI>Power Idle!")) << corvand.output();
    ASSERT_TRUE(corvand.waitFor("open dev success!")) << corvand.output();
    corvand.send("app.acfg.set_volume 20");
    ASSERT_TRUE(storeReads(corvand, 0, "20")) << corvand.output();
    corvand.send("app.gui_manager.sdl all");

    // The app powers the soundbar on and waits for a source state.
    size_t from = corvand.output().size();
    app(0x02, 0x09, {1});
    ASSERT_TRUE(corvand.waitFor("evt = 0x1000", from)) << corvand.output().substr(from);
    ASSERT_TRUE(corvand.waitFor("sys_evt = 0x8002", from)) << corvand.output().substr(from);

    size_t frames = frameCount();
    app(0x01, 0x07);
    EXPECT_TRUE(wrote({0xBB, 0x01, 0x00, 0x01, 0x07, 0x14, 0xC6}, frames)) << dump(frames) << corvand.output();

    // A new volume goes to the GUI, which shows it and tells the app.
    from = corvand.output().size();
    frames = frameCount();
    app(0x02, 0x03, {30});
    ASSERT_TRUE(corvand.waitFor("evt = 0x103c", from)) << corvand.output().substr(from);
    EXPECT_TRUE(displayShows("\"  30")) << sandbox.read("/sim/display.log");
    // The GUI's own report of the change: the same bytes as an echo would be.
    EXPECT_TRUE(wrote({0xBB, 0x01, 0x00, 0x02, 0x03, 0x1E, 0xCD}, frames));
    // The volume in use is echoed and posts nothing. Each frame waits for its answer: two frames in
    // one burst would be one frame.
    from = corvand.output().size();
    frames = frameCount();
    app(0x02, 0x03, {30});
    EXPECT_TRUE(wrote({0xBB, 0x01, 0x00, 0x02, 0x03, 0x1E, 0xCD}, frames));
    EXPECT_EQ(std::string::npos, corvand.output().find("evt = 0x103c", from));

    // 100 minutes is no choice: never.
    from = corvand.output().size();
    frames = frameCount();
    app(0x02, 0x15, {100, 0});
    EXPECT_TRUE(wrote({0xBB, 0x02, 0x00, 0x02, 0x15, 0x00, 0x00, 0xC1}, frames));
    EXPECT_TRUE(corvand.waitFor("evt = 0x1004", from)) << corvand.output().substr(from);
    EXPECT_TRUE(storeReads(corvand, 23, "8")) << corvand.output().substr(from);

    // The custom curve: ten points set it whole, then three change only their bands; the GUI
    // applies each and the soundbar sends the curve back.
    std::vector<std::pair<uint16_t, int16_t>> ten;
    const uint16_t freq[] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    for (int i = 0; i < 10; ++i) {
        ten.emplace_back(freq[i], static_cast<int16_t>(i - 4));
    }
    from = corvand.output().size();
    frames = frameCount();
    app(0x02, 0x04, eqPoints(8, ten));
    ASSERT_TRUE(corvand.waitFor("evt = 0x102c", from)) << corvand.output().substr(from);
    Bytes curve = eqPoints(8, ten);
    Bytes echo = {0xBB, 41, 0x00, 0x02, 0x04};
    echo.insert(echo.end(), curve.begin(), curve.end());
    unsigned sum = 0xAA;
    for (size_t i = 3; i < echo.size(); ++i) {
        sum += echo[i];
    }
    echo.push_back(static_cast<uint8_t>(sum));
    EXPECT_TRUE(wrote(echo, frames));

    from = corvand.output().size();
    frames = frameCount();
    app(0x02, 0x04, eqPoints(8, {{31, 9}, {1000, -9}, {16000, 7}}));
    ASSERT_TRUE(corvand.waitFor("evt = 0x102c", from)) << corvand.output().substr(from);
    ten[0].second = 9;
    ten[5].second = -9;
    ten[9].second = 7;
    curve = eqPoints(8, ten);
    echo = {0xBB, 41, 0x00, 0x02, 0x04};
    echo.insert(echo.end(), curve.begin(), curve.end());
    sum = 0xAA;
    for (size_t i = 3; i < echo.size(); ++i) {
        sum += echo[i];
    }
    echo.push_back(static_cast<uint8_t>(sum));
    EXPECT_TRUE(wrote(echo, frames));

    // The app reads the curve back: a custom curve comes as the whole EQ payload.
    frames = frameCount();
    app(0x01, 0x08);
    echo[3] = 0x01;
    echo[4] = 0x08;
    echo.back() = static_cast<uint8_t>(echo.back() - 0x02 - 0x04 + 0x01 + 0x08);
    EXPECT_TRUE(wrote(echo, frames)) << dump(frames);

    // The usage report: 19 categories in order, 100 ms apart, each as the counters read.
    frames = frameCount();
    app(0x04, 0x01);
    EXPECT_TRUE(wrote({0xBB, 0x02, 0x00, 0x04, 0x01, 0x13, 0x00, 0xC2}, frames));
    frames = frameCount();
    from = corvand.output().size();
    app(0x04, 0x02);
    // The last packet is category "20"'s only one; the simulator is left alone until then, so
    // that it stamps each packet as it comes.
    const std::string last = "{\"20\":0}";
    const Bytes lastMd5 = brontal_check::md5(reinterpret_cast<const uint8_t*>(last.data()), last.size());
    std::string lastHex;
    for (uint8_t b : lastMd5) {
        char h[4];
        std::snprintf(h, sizeof(h), "%02x", b);
        lastHex += h;
    }
    ASSERT_TRUE(corvand.waitFor("=== md5:" + lastHex, from, std::chrono::seconds(30))) << corvand.output().substr(from);
    usleep(200 * 1000);
    const std::vector<Frame> report = reportFrames();
    std::vector<Bytes> bytes;
    std::vector<double> times;
    for (const Frame& f : report) {
        bytes.push_back(f.bytes);
        times.push_back(f.time);
    }
    const brontal_check::Report r = brontal_check::reassemble(bytes);
    EXPECT_EQ("", r.error);
    ASSERT_EQ(19u, r.order.size());
    for (int i = 0; i < 19; ++i) {
        EXPECT_EQ(i, r.order[i]);
    }
    // A pause of 100 ms follows each packet. The simulator stamps each read, and a read that comes
    // late may take two packets at once: the span is what holds.
    ASSERT_GE(times.size(), 19u);
    EXPECT_GE(times.back() - times.front(), 0.1 * static_cast<double>(times.size() - 2));
    // The stand-in counters read (category + 1) * 100 + item; category "20" reads 0.
    EXPECT_EQ("1 100\n", brontal_check::parseJson(r.text.at(0)));
    EXPECT_EQ("4/0 400\n4/1 401\n4/2 402\n4/3 403\n4/4 404\n4/5 405\n", brontal_check::parseJson(r.text.at(3)));
    EXPECT_EQ("20 0\n", brontal_check::parseJson(r.text.at(18)));

    corvand.signal(SIGTERM);
    corvand.wait();
}

}  // namespace
