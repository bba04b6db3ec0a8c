// The board's ALSA capture source: here it plays a prepared file named after its capture device
// in a loop, in 10 ms buffers of 16-bit frames at the rate and channel count it is given, or
// silence when there is no file.
#include "platform/gst/gst_sb.h"
#include "platform/gst/gst_sb_priv.h"

#include <gst/base/gstpushsrc.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr gint kDefaultRate = 48000;
constexpr gint kDefaultChannels = 2;
constexpr gint kBufferMs = 10;
constexpr gint kBytesPerSample = 2;

enum { PROP_0, PROP_DEVICE, PROP_PERIOD, PROP_BUFFER, PROP_RATE, PROP_CHANNELS, PROP_FORMAT };

}  // namespace

struct Kvxalsasrc {
    GstPushSrc parent;
    gchar* device;
    gint periodTime;
    gint bufferTime;
    gint rate;
    gint channels;
    gint format;
    std::vector<uint8_t>* stream;  // the whole file, or empty for silence
    size_t readPos;
    guint64 frames;
    gboolean started;
};

struct KvxalsasrcClass {
    GstPushSrcClass parent_class;
};

G_DEFINE_TYPE(Kvxalsasrc, kvxalsasrc, GST_TYPE_PUSH_SRC)

namespace {

gint usedRate(const Kvxalsasrc* self)
{
    return self->rate > 0 ? self->rate : kDefaultRate;
}

gint usedChannels(const Kvxalsasrc* self)
{
    return self->channels > 0 ? self->channels : kDefaultChannels;
}

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec)
{
    auto* self = reinterpret_cast<Kvxalsasrc*>(object);
    switch (id) {
    case PROP_DEVICE:
        g_free(self->device);
        self->device = g_value_dup_string(value);
        break;
    case PROP_PERIOD:
        self->periodTime = g_value_get_int(value);
        break;
    case PROP_BUFFER:
        self->bufferTime = g_value_get_int(value);
        break;
    case PROP_RATE:
        self->rate = g_value_get_int(value);
        break;
    case PROP_CHANNELS:
        self->channels = g_value_get_int(value);
        break;
    case PROP_FORMAT:
        self->format = g_value_get_int(value);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    if (self->started) {
        sbgst::writeProps(GST_ELEMENT(self), "kvxalsasrc");
    }
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec)
{
    auto* self = reinterpret_cast<Kvxalsasrc*>(object);
    switch (id) {
    case PROP_DEVICE:
        g_value_set_string(value, self->device);
        break;
    case PROP_PERIOD:
        g_value_set_int(value, self->periodTime);
        break;
    case PROP_BUFFER:
        g_value_set_int(value, self->bufferTime);
        break;
    case PROP_RATE:
        g_value_set_int(value, self->rate);
        break;
    case PROP_CHANNELS:
        g_value_set_int(value, self->channels);
        break;
    case PROP_FORMAT:
        g_value_set_int(value, self->format);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        break;
    }
}

void finalize(GObject* object)
{
    auto* self = reinterpret_cast<Kvxalsasrc*>(object);
    g_free(self->device);
    delete self->stream;
    G_OBJECT_CLASS(kvxalsasrc_parent_class)->finalize(object);
}

gboolean start(GstBaseSrc* base)
{
    auto* self = reinterpret_cast<Kvxalsasrc*>(base);
    self->stream->clear();
    self->readPos = 0;
    self->frames = 0;
    if (self->device != nullptr && self->device[0] != '\0' &&
        std::string(self->device).find('/') == std::string::npos) {
        const std::string file = sbgst::rootPath(SB_GST_CAPTURE_DIR) + "/" + self->device;
        if (FILE* in = std::fopen(file.c_str(), "rb")) {
            uint8_t chunk[4096];
            size_t n = 0;
            while ((n = std::fread(chunk, 1, sizeof(chunk), in)) > 0) {
                self->stream->insert(self->stream->end(), chunk, chunk + n);
            }
            std::fclose(in);
        }
    }
    self->started = TRUE;
    sbgst::writeProps(GST_ELEMENT(self), "kvxalsasrc");
    return TRUE;
}

gboolean stop(GstBaseSrc* base)
{
    auto* self = reinterpret_cast<Kvxalsasrc*>(base);
    self->started = FALSE;
    return TRUE;
}

GstCaps* getCaps(GstBaseSrc* base, GstCaps* filter)
{
    auto* self = reinterpret_cast<Kvxalsasrc*>(base);
    GstCaps* caps =
        gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout", G_TYPE_STRING, "interleaved",
                            "rate", G_TYPE_INT, usedRate(self), "channels", G_TYPE_INT, usedChannels(self), nullptr);
    if (filter != nullptr) {
        GstCaps* both = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(caps);
        caps = both;
    }
    return caps;
}

GstFlowReturn create(GstPushSrc* src, GstBuffer** out)
{
    auto* self = reinterpret_cast<Kvxalsasrc*>(src);
    const gint rate = usedRate(self);
    const guint64 frames = static_cast<guint64>(rate) * kBufferMs / 1000;
    const gsize size = frames * usedChannels(self) * kBytesPerSample;
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, size, nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    const std::vector<uint8_t>& stream = *self->stream;
    for (gsize i = 0; i < size; ++i) {
        if (stream.empty()) {
            map.data[i] = 0;
            continue;
        }
        map.data[i] = stream[self->readPos];
        self->readPos = (self->readPos + 1) % stream.size();
    }
    gst_buffer_unmap(buffer, &map);
    GST_BUFFER_PTS(buffer) = gst_util_uint64_scale_int(self->frames, GST_SECOND, rate);
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale_int(frames, GST_SECOND, rate);
    self->frames += frames;
    *out = buffer;
    return GST_FLOW_OK;
}

}  // namespace

static void kvxalsasrc_init(Kvxalsasrc* self)
{
    self->device = nullptr;
    self->periodTime = 0;
    self->bufferTime = 0;
    self->rate = 0;
    self->channels = 0;
    self->format = 0;
    self->stream = new std::vector<uint8_t>();
    self->readPos = 0;
    self->frames = 0;
    self->started = FALSE;
    gst_base_src_set_format(GST_BASE_SRC(self), GST_FORMAT_TIME);
}

static void kvxalsasrc_class_init(KvxalsasrcClass* klass)
{
    GObjectClass* object = G_OBJECT_CLASS(klass);
    object->set_property = setProperty;
    object->get_property = getProperty;
    object->finalize = finalize;
    constexpr auto rw = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS);
    g_object_class_install_property(
        object, PROP_DEVICE, g_param_spec_string("alsa-device", "ALSA device", "Capture device name", nullptr, rw));
    g_object_class_install_property(
        object, PROP_PERIOD,
        g_param_spec_int("alsa-period-time", "Period time", "ALSA period time in us", 0, G_MAXINT, 0, rw));
    g_object_class_install_property(
        object, PROP_BUFFER,
        g_param_spec_int("alsa-buffer-time", "Buffer time", "ALSA buffer time in us", 0, G_MAXINT, 0, rw));
    g_object_class_install_property(
        object, PROP_RATE,
        g_param_spec_int("alsa-sample-rate", "Sample rate", "Capture rate in Hz", 0, G_MAXINT, 0, rw));
    g_object_class_install_property(
        object, PROP_CHANNELS,
        g_param_spec_int("alsa-channels", "Channels", "Capture channel count", 0, G_MAXINT, 0, rw));
    g_object_class_install_property(object, PROP_FORMAT,
                                    g_param_spec_int("format", "Format", "Capture data format", 0, G_MAXINT, 0, rw));

    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(element, "Capture source", "Source/Audio",
                                          "Plays a prepared stream file named after its capture device", "soundbar");
    static GstStaticPadTemplate srcTemplate =
        GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("audio/x-raw"));
    gst_element_class_add_static_pad_template(element, &srcTemplate);

    GstBaseSrcClass* base = GST_BASE_SRC_CLASS(klass);
    base->start = start;
    base->stop = stop;
    base->get_caps = getCaps;
    GST_PUSH_SRC_CLASS(klass)->create = create;
}
