// Shared by the stand-in elements: paths under the root, the properties file, the stream
// messages and the IEC 61937 burst finder.
#pragma once

#include <gst/gst.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace sbgst {

// A system path mapped under the root.
std::string rootPath(const char* systemPath);

// Gives a pass-through filter its "sink" and "src" pads, both taking any caps.
void addAnyCapsPads(GstElementClass* element);

// Writes the element's own properties (not those of its base classes) to its properties file.
void writeProps(GstElement* element, const char* factory);

// The stream messages the board's parser posts.
void postDataParse(GstElement* element, guint type, guint value);
void postAudioInfo(GstElement* element, guint streamType, gint compGain);
void postAtmosInfo(GstElement* element, guint64 streamType, guint64 procType);

// Takes the first block of the script file (the rest stays for the next pipeline) and posts its
// messages from `element`.
void runScript(GstElement* element);

// Finds IEC 61937 burst preambles (Pa 0xF872, Pb 0x4E1F as little-endian 16-bit words) across
// the buffers of one stream and reports the data type of each burst: the low five bits of Pc,
// with the DTS type-IV subtype in the second byte (0x211 for DTS-HD master audio).
class IecFinder {
public:
    // The data type of the last burst whose preamble ends in `data`.
    std::optional<uint32_t> scan(const uint8_t* data, size_t size);

private:
    uint8_t tail_[7] = {};
    size_t tailLen_ = 0;
};

// GStreamer's codec family of a burst data type: 2 AC-3, 4 E-AC-3, 5 TrueHD/MAT, 3 DTS, 0 other
// (the values of the parser's codec-type property).
int codecFamily(uint32_t dataType);

}  // namespace sbgst

GType kvxalsasrc_get_type();
GType sievra_get_type();
GType halvorn_get_type();
GType kvxalsasink_get_type();
