// The board's stream parser: here a pass-through that posts the stream messages of the test
// script when data first flows, and reports the IEC 61937 data type it finds in the stream
// ("data_parse" type 256 for the codec it was built for, type 1 when the stream carries another).
#include "platform/gst/gst_sb_priv.h"

#include <gst/base/gstbasetransform.h>

namespace {

enum { PROP_0, PROP_CODEC_TYPE };

}  // namespace

struct Sievra {
    GstBaseTransform parent;
    gint codecType;
    gboolean started;
    gboolean scripted;
    sbgst::IecFinder* finder;
    gint64 lastType;  // -1 until a burst is seen
};

struct SievraClass {
    GstBaseTransformClass parent_class;
};

G_DEFINE_TYPE(Sievra, sievra, GST_TYPE_BASE_TRANSFORM)

namespace {

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec)
{
    auto* self = reinterpret_cast<Sievra*>(object);
    if (id != PROP_CODEC_TYPE) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    self->codecType = g_value_get_int(value);
    if (self->started) {
        sbgst::writeProps(GST_ELEMENT(self), "sievra");
    }
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec)
{
    auto* self = reinterpret_cast<Sievra*>(object);
    if (id != PROP_CODEC_TYPE) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    g_value_set_int(value, self->codecType);
}

void finalize(GObject* object)
{
    delete reinterpret_cast<Sievra*>(object)->finder;
    G_OBJECT_CLASS(sievra_parent_class)->finalize(object);
}

gboolean start(GstBaseTransform* base)
{
    auto* self = reinterpret_cast<Sievra*>(base);
    *self->finder = sbgst::IecFinder();
    self->lastType = -1;
    self->scripted = FALSE;
    self->started = TRUE;
    sbgst::writeProps(GST_ELEMENT(self), "sievra");
    return TRUE;
}

gboolean stop(GstBaseTransform* base)
{
    reinterpret_cast<Sievra*>(base)->started = FALSE;
    return TRUE;
}

GstFlowReturn transformIp(GstBaseTransform* base, GstBuffer* buffer)
{
    auto* self = reinterpret_cast<Sievra*>(base);
    if (!self->scripted) {
        self->scripted = TRUE;
        sbgst::runScript(GST_ELEMENT(self));
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return GST_FLOW_OK;
    }
    const auto type = self->finder->scan(map.data, map.size);
    gst_buffer_unmap(buffer, &map);
    if (type && static_cast<gint64>(*type) != self->lastType) {
        self->lastType = *type;
        const bool same = sbgst::codecFamily(*type) == self->codecType;
        sbgst::postDataParse(GST_ELEMENT(self), same ? 256 : 1, *type);
    }
    return GST_FLOW_OK;
}

}  // namespace

static void sievra_init(Sievra* self)
{
    self->codecType = 0;
    self->started = FALSE;
    self->scripted = FALSE;
    self->finder = new sbgst::IecFinder();
    self->lastType = -1;
    gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), TRUE);
}

static void sievra_class_init(SievraClass* klass)
{
    GObjectClass* object = G_OBJECT_CLASS(klass);
    object->set_property = setProperty;
    object->get_property = getProperty;
    object->finalize = finalize;
    g_object_class_install_property(
        object, PROP_CODEC_TYPE,
        g_param_spec_int("codec-type", "Codec type",
                         "Codec the pipeline was built for (2 AC-3, 3 DTS, 4 E-AC-3, 5 MAT)", 0, G_MAXINT, 0,
                         static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));

    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(element, "Stream parser", "Filter/Audio",
                                          "Posts the stream messages of a test script or of the IEC 61937 bursts it "
                                          "finds",
                                          "soundbar");
    sbgst::addAnyCapsPads(element);

    GstBaseTransformClass* base = GST_BASE_TRANSFORM_CLASS(klass);
    base->start = start;
    base->stop = stop;
    base->transform_ip = transformIp;
    base->passthrough_on_same_caps = TRUE;
}
