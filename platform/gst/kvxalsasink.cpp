// The board's ALSA playback sink: here it appends what it receives to a data file of its process
// and keeps its settings in the properties file. In parse mode 1 (PCM) it reports IEC 61937
// bursts found in the "PCM" as a codec change, as the board's sink does.
#include "platform/gst/gst_sb.h"
#include "platform/gst/gst_sb_priv.h"

#include <gst/base/gstbasesink.h>

#include <array>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

constexpr int kPcmParseMode = 1;
// A pipeline may run for hours: its data file keeps the last of it, then moves to ".1".
constexpr size_t kDataLimit = 2 * 1024 * 1024;
constexpr gulong kStallPollUs = 5000;

// The integer properties, in id order after the two strings.
struct IntProp {
    const char* name;
    const char* blurb;
};
constexpr std::array<IntProp, 14> kIntProps{{
    {"silence-detect", "Silence detection flags"},
    {"parse-mode", "How the received data is framed (1 PCM)"},
    {"alsa-thres-hold", "Start threshold"},
    {"alsa-period-time", "ALSA period time in us"},
    {"alsa-buffer-time", "ALSA buffer time in us"},
    {"level-upload-time", "Level report interval in ms"},
    {"alsa-sample-rate", "Playback rate in Hz"},
    {"alsa-channels", "Playback channel count"},
    {"extra-header-bufctl", "Header buffer control"},
    {"extra-header-prepend-zero-conf", "Header zero-prepend switch"},
    {"extra-header-prepend-zero-value", "Header zero-prepend amount"},
    {"extra-timeout-level", "Timeout level"},
    {"extra-timeout-bufctl", "Timeout buffer control"},
    {"extra-timeout-pad-zero", "Timeout zero padding"},
}};

enum { PROP_0, PROP_DEVICE, PROP_CHMAP, PROP_FIRST_INT };

int intIndex(const char* name)
{
    for (size_t i = 0; i < kIntProps.size(); ++i) {
        if (std::string(kIntProps[i].name) == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

struct Kvxalsasink {
    GstBaseSink parent;
    gchar* device;
    gchar* chmap;
    gint ints[kIntProps.size()];
    gboolean started;
    gboolean reported;
    FILE* data;
    size_t dataSize;
    sbgst::IecFinder* finder;
};

struct KvxalsasinkClass {
    GstBaseSinkClass parent_class;
};

G_DEFINE_TYPE(Kvxalsasink, kvxalsasink, GST_TYPE_BASE_SINK)

namespace {

std::string dataPath()
{
    return sbgst::rootPath(SB_GST_OUT_DIR) + "/" + std::to_string(getpid()) + ".kvxalsasink.data";
}

// Appends to the data file, starting it again (the old one becomes ".1") at its limit.
void keepData(Kvxalsasink* self, const uint8_t* data, size_t size)
{
    if (self->data != nullptr && self->dataSize + size > kDataLimit) {
        std::fclose(self->data);
        const std::string file = dataPath();
        std::rename(file.c_str(), (file + ".1").c_str());
        self->data = std::fopen(file.c_str(), "wb");
        self->dataSize = 0;
    }
    if (self->data != nullptr) {
        self->dataSize += std::fwrite(data, 1, size, self->data);
        std::fflush(self->data);
    }
}

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec)
{
    auto* self = reinterpret_cast<Kvxalsasink*>(object);
    if (id == PROP_DEVICE) {
        g_free(self->device);
        self->device = g_value_dup_string(value);
    } else if (id == PROP_CHMAP) {
        g_free(self->chmap);
        self->chmap = g_value_dup_string(value);
    } else if (id >= PROP_FIRST_INT && id < PROP_FIRST_INT + kIntProps.size()) {
        self->ints[id - PROP_FIRST_INT] = g_value_get_int(value);
    } else {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    if (self->started) {
        sbgst::writeProps(GST_ELEMENT(self), "kvxalsasink");
    }
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec)
{
    auto* self = reinterpret_cast<Kvxalsasink*>(object);
    if (id == PROP_DEVICE) {
        g_value_set_string(value, self->device);
    } else if (id == PROP_CHMAP) {
        g_value_set_string(value, self->chmap);
    } else if (id >= PROP_FIRST_INT && id < PROP_FIRST_INT + kIntProps.size()) {
        g_value_set_int(value, self->ints[id - PROP_FIRST_INT]);
    } else {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    }
}

void finalize(GObject* object)
{
    auto* self = reinterpret_cast<Kvxalsasink*>(object);
    g_free(self->device);
    g_free(self->chmap);
    delete self->finder;
    G_OBJECT_CLASS(kvxalsasink_parent_class)->finalize(object);
}

gboolean start(GstBaseSink* base)
{
    auto* self = reinterpret_cast<Kvxalsasink*>(base);
    sbgst::writeProps(GST_ELEMENT(self), "kvxalsasink");
    self->data = std::fopen(dataPath().c_str(), "ab");
    self->dataSize = self->data != nullptr ? static_cast<size_t>(std::ftell(self->data)) : 0;
    *self->finder = sbgst::IecFinder();
    self->reported = FALSE;
    self->started = TRUE;
    return self->data != nullptr;
}

gboolean stop(GstBaseSink* base)
{
    auto* self = reinterpret_cast<Kvxalsasink*>(base);
    // The switch makes a sink that never lets go of its device, for the daemon's kill path.
    const std::string stall = sbgst::rootPath(SB_GST_SINK_STALL);
    while (access(stall.c_str(), F_OK) == 0) {
        g_usleep(kStallPollUs);
    }
    if (self->data != nullptr) {
        std::fclose(self->data);
        self->data = nullptr;
    }
    self->started = FALSE;
    return TRUE;
}

GstFlowReturn render(GstBaseSink* base, GstBuffer* buffer)
{
    auto* self = reinterpret_cast<Kvxalsasink*>(base);
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return GST_FLOW_ERROR;
    }
    keepData(self, map.data, map.size);
    std::optional<uint32_t> type;
    if (self->ints[intIndex("parse-mode")] == kPcmParseMode && !self->reported) {
        type = self->finder->scan(map.data, map.size);
    }
    gst_buffer_unmap(buffer, &map);
    if (type) {
        self->reported = TRUE;
        sbgst::postDataParse(GST_ELEMENT(self), 1, *type);
    }
    return GST_FLOW_OK;
}

}  // namespace

static void kvxalsasink_init(Kvxalsasink* self)
{
    self->device = nullptr;
    self->chmap = nullptr;
    for (auto& v : self->ints) {
        v = 0;
    }
    self->started = FALSE;
    self->reported = FALSE;
    self->data = nullptr;
    self->dataSize = 0;
    self->finder = new sbgst::IecFinder();
}

static void kvxalsasink_class_init(KvxalsasinkClass* klass)
{
    GObjectClass* object = G_OBJECT_CLASS(klass);
    object->set_property = setProperty;
    object->get_property = getProperty;
    object->finalize = finalize;
    constexpr auto rw = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS);
    g_object_class_install_property(
        object, PROP_DEVICE, g_param_spec_string("alsa-device", "ALSA device", "Playback device name", nullptr, rw));
    g_object_class_install_property(
        object, PROP_CHMAP, g_param_spec_string("alsa-chmap", "Channel map", "Playback channel map", nullptr, rw));
    for (size_t i = 0; i < kIntProps.size(); ++i) {
        g_object_class_install_property(
            object, PROP_FIRST_INT + i,
            g_param_spec_int(kIntProps[i].name, kIntProps[i].name, kIntProps[i].blurb, 0, G_MAXINT, 0, rw));
    }

    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(element, "Playback sink", "Sink/Audio",
                                          "Writes what it receives and its settings to files under the root",
                                          "soundbar");
    static GstStaticPadTemplate sinkTemplate =
        GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
    gst_element_class_add_static_pad_template(element, &sinkTemplate);

    GstBaseSinkClass* base = GST_BASE_SINK_CLASS(klass);
    base->start = start;
    base->stop = stop;
    base->render = render;
}
