#include "platform/gst/gst_sb.h"
#include "platform/gst/gst_sb_priv.h"

#include "platform/sbroot/sb_root.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sbgst {

std::string rootPath(const char* systemPath)
{
    // Taken afresh at every use: a process loads the plugin once but may move to another root
    // (a test program gives each of its cases a root of its own).
    const char* root = std::getenv("SOUNDBAR_ROOT");
    sb::setRoot(root != nullptr ? root : "");
    return sb::path(systemPath);
}

void addAnyCapsPads(GstElementClass* element)
{
    static GstStaticPadTemplate sinkTemplate =
        GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
    static GstStaticPadTemplate srcTemplate =
        GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
    gst_element_class_add_static_pad_template(element, &sinkTemplate);
    gst_element_class_add_static_pad_template(element, &srcTemplate);
}

void writeProps(GstElement* element, const char* factory)
{
    const std::string dir = rootPath(SB_GST_OUT_DIR);
    mkdir(dir.c_str(), 0777);
    const std::string file = dir + "/" + std::to_string(getpid()) + "." + factory + ".props";
    const std::string tmp = file + ".new";
    FILE* out = std::fopen(tmp.c_str(), "w");
    if (out == nullptr) {
        return;
    }
    guint count = 0;
    GParamSpec** specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(element), &count);
    for (guint i = 0; i < count; ++i) {
        if (specs[i]->owner_type != G_OBJECT_TYPE(element)) {
            continue;
        }
        GValue value = G_VALUE_INIT;
        g_value_init(&value, specs[i]->value_type);
        g_object_get_property(G_OBJECT(element), specs[i]->name, &value);
        gchar* text = G_VALUE_HOLDS_STRING(&value) ? g_value_dup_string(&value) : gst_value_serialize(&value);
        std::fprintf(out, "%s=%s\n", specs[i]->name, text != nullptr ? text : "");
        g_free(text);
        g_value_unset(&value);
    }
    g_free(specs);
    std::fclose(out);
    // Readers never see a half-written file.
    std::rename(tmp.c_str(), file.c_str());
}

void postDataParse(GstElement* element, guint type, guint value)
{
    GstStructure* s =
        gst_structure_new("data_parse", "msg-type", G_TYPE_UINT, type, "msg-value", G_TYPE_UINT, value, nullptr);
    gst_element_post_message(element, gst_message_new_element(GST_OBJECT(element), s));
}

void postAudioInfo(GstElement* element, guint streamType, gint compGain)
{
    GstStructure* s = gst_structure_new("audio_info", "stream-type", G_TYPE_UINT, streamType, "dts-comp-gain",
                                        G_TYPE_INT, compGain, nullptr);
    gst_element_post_message(element, gst_message_new_element(GST_OBJECT(element), s));
}

void postAtmosInfo(GstElement* element, guint64 streamType, guint64 procType)
{
    GstStructure* s = gst_structure_new("atmos_audio_info", "stream-type", G_TYPE_UINT64, streamType, "proc-type",
                                        G_TYPE_UINT64, procType, nullptr);
    gst_element_post_message(element, gst_message_new_element(GST_OBJECT(element), s));
}

namespace {

bool number(const std::string& word, long long* out)
{
    if (word.empty()) {
        return false;
    }
    char* end = nullptr;
    *out = std::strtoll(word.c_str(), &end, 0);
    return end != nullptr && *end == '\0';
}

void runLine(GstElement* element, const std::string& line)
{
    std::istringstream in(line);
    std::string name;
    std::string a;
    std::string b;
    in >> name >> a >> b;
    long long x = 0;
    long long y = 0;
    if (!number(a, &x) || !number(b, &y)) {
        if (!name.empty()) {
            GST_WARNING_OBJECT(element, "script line not understood: %s", line.c_str());
        }
        return;
    }
    if (name == "data_parse") {
        postDataParse(element, static_cast<guint>(x), static_cast<guint>(y));
    } else if (name == "audio_info") {
        postAudioInfo(element, static_cast<guint>(x), static_cast<gint>(y));
    } else if (name == "atmos_audio_info") {
        postAtmosInfo(element, static_cast<guint64>(x), static_cast<guint64>(y));
    } else {
        GST_WARNING_OBJECT(element, "script line not understood: %s", line.c_str());
    }
}

}  // namespace

void runScript(GstElement* element)
{
    const std::string file = rootPath(SB_GST_SCRIPT);
    std::ifstream in(file);
    if (!in) {
        return;
    }
    std::vector<std::string> block;
    std::string rest;
    std::string line;
    bool inBlock = true;
    while (std::getline(in, line)) {
        if (inBlock) {
            if (line == "--") {
                inBlock = false;
            } else {
                block.push_back(line);
            }
        } else {
            rest += line + "\n";
        }
    }
    in.close();
    const std::string tmp = file + ".new";
    if (rest.empty()) {
        std::remove(file.c_str());
    } else {
        std::ofstream out(tmp, std::ios::trunc);
        out << rest;
        out.close();
        std::rename(tmp.c_str(), file.c_str());
    }
    for (const auto& l : block) {
        runLine(element, l);
    }
}

std::optional<uint32_t> IecFinder::scan(const uint8_t* data, size_t size)
{
    // Pa, Pb and Pc: six bytes, so a preamble split between buffers is found with the tail kept.
    constexpr size_t kPreamble = 6;
    std::optional<uint32_t> found;
    std::vector<uint8_t> window(tail_, tail_ + tailLen_);
    window.insert(window.end(), data, data + size);
    for (size_t i = 0; i + kPreamble <= window.size(); ++i) {
        if (window[i] == 0x72 && window[i + 1] == 0xF8 && window[i + 2] == 0x1F && window[i + 3] == 0x4E) {
            const uint32_t pc = window[i + 4] | (static_cast<uint32_t>(window[i + 5]) << 8);
            uint32_t type = pc & 0x1F;
            if (type == 0x11) {
                type |= ((pc >> 8) & 0x07) << 8;
            }
            found = type;
            i += kPreamble - 1;
        }
    }
    tailLen_ = std::min(window.size(), kPreamble - 1);
    std::memcpy(tail_, window.data() + window.size() - tailLen_, tailLen_);
    return found;
}

int codecFamily(uint32_t dataType)
{
    switch (dataType & 0xFF) {
    case 0x01:
        return 2;
    case 0x15:
        return 4;
    case 0x16:
        return 5;
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x11:
        return 3;
    default:
        return 0;
    }
}

}  // namespace sbgst

namespace {

gboolean pluginInit(GstPlugin* plugin)
{
    return gst_element_register(plugin, "kvxalsasrc", GST_RANK_NONE, kvxalsasrc_get_type()) &&
           gst_element_register(plugin, "sievra", GST_RANK_NONE, sievra_get_type()) &&
           gst_element_register(plugin, "halvorn", GST_RANK_NONE, halvorn_get_type()) &&
           gst_element_register(plugin, "kvxalsasink", GST_RANK_NONE, kvxalsasink_get_type());
}

}  // namespace

#define PACKAGE "soundbar"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, soundbar,
                  "Host stand-ins for the board's capture, parser, decoder and playback elements", pluginInit, "1.0",
                  "Proprietary", "soundbar", "https://localhost/")
