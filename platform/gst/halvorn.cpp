// The board's immersive-audio decoder: here a pass-through that keeps its output channel count
// and upmix switch for the properties file.
#include "platform/gst/gst_sb_priv.h"

#include <gst/base/gstbasetransform.h>

namespace {

enum { PROP_0, PROP_OUTPUT_CHANNELS, PROP_NOUPMIX };

}  // namespace

struct Halvorn {
    GstBaseTransform parent;
    gint outputChannels;
    gboolean noupmix;
    gboolean started;
};

struct HalvornClass {
    GstBaseTransformClass parent_class;
};

G_DEFINE_TYPE(Halvorn, halvorn, GST_TYPE_BASE_TRANSFORM)

namespace {

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec)
{
    auto* self = reinterpret_cast<Halvorn*>(object);
    switch (id) {
    case PROP_OUTPUT_CHANNELS:
        self->outputChannels = g_value_get_int(value);
        break;
    case PROP_NOUPMIX:
        self->noupmix = g_value_get_int(value);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    if (self->started) {
        sbgst::writeProps(GST_ELEMENT(self), "halvorn");
    }
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec)
{
    auto* self = reinterpret_cast<Halvorn*>(object);
    switch (id) {
    case PROP_OUTPUT_CHANNELS:
        g_value_set_int(value, self->outputChannels);
        break;
    case PROP_NOUPMIX:
        g_value_set_int(value, self->noupmix);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        break;
    }
}

gboolean start(GstBaseTransform* base)
{
    auto* self = reinterpret_cast<Halvorn*>(base);
    self->started = TRUE;
    sbgst::writeProps(GST_ELEMENT(self), "halvorn");
    return TRUE;
}

gboolean stop(GstBaseTransform* base)
{
    reinterpret_cast<Halvorn*>(base)->started = FALSE;
    return TRUE;
}

GstFlowReturn transformIp(GstBaseTransform*, GstBuffer*)
{
    return GST_FLOW_OK;
}

}  // namespace

static void halvorn_init(Halvorn* self)
{
    self->outputChannels = 2;
    self->noupmix = 0;
    self->started = FALSE;
    gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), TRUE);
}

static void halvorn_class_init(HalvornClass* klass)
{
    GObjectClass* object = G_OBJECT_CLASS(klass);
    object->set_property = setProperty;
    object->get_property = getProperty;
    constexpr auto rw = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS);
    g_object_class_install_property(
        object, PROP_OUTPUT_CHANNELS,
        g_param_spec_int("output-channels", "Output channels", "Channels the decoder renders", 0, G_MAXINT, 2, rw));
    g_object_class_install_property(
        object, PROP_NOUPMIX,
        g_param_spec_int("noupmix", "No upmix", "Non-zero turns the upmixer off", 0, G_MAXINT, 0, rw));

    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(element, "Immersive-audio decoder", "Codec/Decoder/Audio",
                                          "Pass-through with the decoder's output-channel and upmix settings",
                                          "soundbar");
    sbgst::addAnyCapsPads(element);

    GstBaseTransformClass* base = GST_BASE_TRANSFORM_CLASS(klass);
    base->start = start;
    base->stop = stop;
    base->transform_ip = transformIp;
}
