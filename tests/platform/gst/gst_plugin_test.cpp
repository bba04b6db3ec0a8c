// The host's stand-ins for the board's GStreamer elements: what gst-inspect-1.0 shows of them, the
// stream messages the parser and the sink post for IEC 61937 bursts and for the test script, and
// the files the source reads and the sink writes under the root.
#include "platform/gst/gst_sb.h"
#include "platform/gst/gst_tsan_hooks.h"
#include "tests/support/sandbox.h"

#include <gmock/gmock.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using ::testing::HasSubstr;

struct Posted {
    std::string name;
    guint type = 0;
    guint value = 0;
};

class GstPluginTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        setenv("XDG_CACHE_HOME", sandbox.path("/data").c_str(), 1);
        setenv("GST_PLUGIN_PATH", (sbtest::buildDir() + "/platform/gst").c_str(), 1);
        gst_init(nullptr, nullptr);
    }

    // Runs `description` until `buffers` buffers have passed (a fakesink at the end counts them)
    // and returns the element messages it posted.
    std::vector<Posted> run(const std::string& description, int buffers = 8) const
    {
        GError* error = nullptr;
        GstElement* pipeline = gst_parse_launch(
            (description + " ! fakesink sync=false num-buffers=-1 signal-handoffs=false").c_str(), &error);
        EXPECT_EQ(nullptr, error) << (error != nullptr ? error->message : "");
        g_clear_error(&error);
        std::vector<Posted> posted;
        if (pipeline == nullptr) {
            return posted;
        }
        GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
        if (src != nullptr) {
            g_object_set(src, "num-buffers", buffers, nullptr);
            gst_object_unref(src);
        }
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        GstBus* bus = gst_element_get_bus(pipeline);
        for (;;) {
            GstMessage* msg = gst_bus_timed_pop_filtered(
                bus, 30 * GST_SECOND,
                static_cast<GstMessageType>(GST_MESSAGE_ELEMENT | GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
            if (msg == nullptr) {
                ADD_FAILURE() << "no end of stream";
                break;
            }
            const bool done = GST_MESSAGE_TYPE(msg) != GST_MESSAGE_ELEMENT;
            if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
                ADD_FAILURE() << "pipeline error";
            } else if (!done) {
                const GstStructure* s = gst_message_get_structure(msg);
                Posted p;
                p.name = gst_structure_get_name(s);
                gst_structure_get_uint(s, "msg-type", &p.type);
                if (!gst_structure_get_uint(s, "msg-value", &p.value)) {
                    guint64 v = 0;
                    gst_structure_get_uint64(s, "stream-type", &v);
                    gst_structure_get_uint(s, "stream-type", &p.value);
                    p.value = p.value != 0 ? p.value : static_cast<guint>(v);
                }
                posted.push_back(p);
            }
            gst_message_unref(msg);
            if (done) {
                break;
            }
        }
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        return posted;
    }
};

// gst_parse_launch cannot set the base class's num-buffers before the source's name is known,
// so sources are named "src" and limited by run().
const char* const kSource = "kvxalsasrc name=src alsa-device=spdif_in alsa-sample-rate=48000 alsa-channels=2";

// A stream of 16-bit stereo frames with one burst preamble of data type `pc` at byte `at`.
std::string burstAt(size_t at, unsigned pc, size_t size)
{
    std::string s(size, '\0');
    const char preamble[] = {'\x72', '\xF8', '\x1F', '\x4E', static_cast<char>(pc & 0xFF), static_cast<char>(pc >> 8)};
    s.replace(at, sizeof(preamble), preamble, sizeof(preamble));
    return s;
}

TEST_F(GstPluginTest, InspectListsTheFourElementsWithEveryProperty)
{
    if (!sbtest::emulator().empty()) {
        GTEST_SKIP() << "the host's gst-inspect-1.0 cannot load the ARM build's plugin";
    }
    const std::pair<const char*, std::vector<const char*>> elements[] = {
        {"kvxalsasrc",
         {"alsa-device", "alsa-period-time", "alsa-buffer-time", "alsa-sample-rate", "alsa-channels", "format"}},
        {"sievra", {"codec-type"}},
        {"halvorn", {"output-channels", "noupmix"}},
        {"kvxalsasink",
         {"silence-detect", "parse-mode", "alsa-thres-hold", "alsa-period-time", "level-upload-time",
          "alsa-buffer-time", "alsa-sample-rate", "alsa-chmap", "alsa-channels", "alsa-device", "extra-header-bufctl",
          "extra-header-prepend-zero-conf", "extra-header-prepend-zero-value", "extra-timeout-level",
          "extra-timeout-bufctl", "extra-timeout-pad-zero"}},
    };
    for (const auto& [element, properties] : elements) {
        const std::string command = "gst-inspect-1.0 " + std::string(element) + " 2>&1";
        FILE* out = popen(command.c_str(), "r");
        ASSERT_NE(nullptr, out);
        std::string text;
        char chunk[4096];
        size_t n = 0;
        while ((n = fread(chunk, 1, sizeof(chunk), out)) > 0) {
            text.append(chunk, n);
        }
        EXPECT_EQ(0, pclose(out)) << text;
        EXPECT_THAT(text, HasSubstr("Plugin Details")) << element;
        // Property lines read "  name<blanks>: blurb" (a long name meets its colon).
        std::set<std::string> listed;
        std::istringstream lines(text.substr(std::min(text.size(), text.find("Element Properties:"))));
        std::string line;
        while (std::getline(lines, line)) {
            const auto colon = line.find(':');
            if (line.rfind("  ", 0) == 0 && line[2] != ' ' && colon != std::string::npos) {
                listed.insert(line.substr(2, line.find_first_of(" :", 2) - 2));
            }
        }
        for (const char* property : properties) {
            EXPECT_EQ(1u, listed.count(property)) << element << " lacks " << property;
        }
    }
}

TEST_F(GstPluginTest, BurstsAreReportedAsTheCodecOrAsAChange)
{
    struct Case {
        const char* element;  // what follows the source
        unsigned pc;
        size_t at;  // where the preamble starts; 1917 splits it between the first two buffers
        const char* name;
        guint type;
        guint value;
    };
    const Case cases[] = {
        {"sievra codec-type=2", 0x0001, 0, "data_parse", 256, 0x01},
        {"sievra codec-type=2", 0x0016, 100, "data_parse", 1, 0x16},
        {"sievra codec-type=3", 0x0211, 1917, "data_parse", 256, 0x211},
        {"sievra codec-type=4", 0x0015, 1917, "data_parse", 256, 0x15},
        {"kvxalsasink parse-mode=1", 0x0001, 1917, "data_parse", 1, 0x01},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        sandbox.write(std::string(SB_GST_CAPTURE_DIR) + "/spdif_in", burstAt(c.at, c.pc, 1920 * 4));
        const bool sink = std::string(c.element).rfind("kvxalsasink", 0) == 0;
        // A sink ends its branch; the tee's other branch ends in run()'s fakesink.
        const auto posted = sink ? run(std::string(kSource) + " ! tee name=t t. ! queue ! " + c.element + " t. ! queue")
                                 : run(std::string(kSource) + " ! " + c.element);
        ASSERT_EQ(1u, posted.size());
        EXPECT_EQ(c.name, posted[0].name);
        EXPECT_EQ(c.type, posted[0].type);
        EXPECT_EQ(c.value, posted[0].value);
    }
    // A sink that is not told the stream is PCM, and a stream without bursts, post nothing.
    EXPECT_TRUE(run(std::string(kSource) + " ! tee name=t t. ! queue ! kvxalsasink parse-mode=2 t. ! queue").empty());
    sandbox.write(std::string(SB_GST_CAPTURE_DIR) + "/spdif_in", std::string(1920, '\x01'));
    EXPECT_TRUE(run(std::string(kSource) + " ! sievra codec-type=2").empty());
}

TEST_F(GstPluginTest, EachPipelineTakesOneBlockOfTheScript)
{
    sandbox.write(SB_GST_SCRIPT, "data_parse 100 6\natmos_audio_info 3 1\n--\naudio_info 0x2 -5\n");
    auto first = run(std::string(kSource) + " ! sievra");
    ASSERT_EQ(2u, first.size());
    EXPECT_EQ("data_parse", first[0].name);
    EXPECT_EQ(100u, first[0].type);
    EXPECT_EQ(6u, first[0].value);
    EXPECT_EQ("atmos_audio_info", first[1].name);
    EXPECT_EQ(3u, first[1].value);
    EXPECT_EQ("audio_info 0x2 -5\n", sandbox.read(SB_GST_SCRIPT));

    auto second = run(std::string(kSource) + " ! sievra");
    ASSERT_EQ(1u, second.size());
    EXPECT_EQ("audio_info", second[0].name);
    EXPECT_EQ(2u, second[0].value);
    EXPECT_FALSE(sandbox.exists(SB_GST_SCRIPT));
    EXPECT_TRUE(run(std::string(kSource) + " ! sievra").empty());
}

TEST_F(GstPluginTest, SourcePlaysItsFileInALoopAndTheSinkWritesItAndItsSettings)
{
    sandbox.write(std::string(SB_GST_CAPTURE_DIR) + "/hdmi_in", "abc");
    run("kvxalsasrc name=src alsa-device=hdmi_in alsa-sample-rate=8000 alsa-channels=1 ! tee name=t t. ! queue ! "
        "kvxalsasink alsa-device=main alsa-chmap=lr:c parse-mode=2 extra-timeout-level=200 t. ! queue",
        2);
    const std::string prefix = std::string(SB_GST_OUT_DIR) + "/" + std::to_string(getpid());
    // 8000 Hz mono 16-bit: 160 bytes per 10 ms buffer, the three bytes over and over.
    const std::string data = sandbox.read(prefix + ".kvxalsasink.data");
    ASSERT_EQ(320u, data.size());
    EXPECT_EQ("abcabcab", data.substr(0, 8));
    EXPECT_EQ("cabc", data.substr(158, 4));
    const std::string props = sandbox.read(prefix + ".kvxalsasink.props");
    EXPECT_THAT(props, HasSubstr("alsa-device=main\n"));
    EXPECT_THAT(props, HasSubstr("alsa-chmap=lr:c\n"));
    EXPECT_THAT(props, HasSubstr("parse-mode=2\n"));
    EXPECT_THAT(props, HasSubstr("extra-timeout-level=200\n"));
    EXPECT_THAT(sandbox.read(prefix + ".kvxalsasrc.props"), HasSubstr("alsa-sample-rate=8000\n"));
}

}  // namespace
