// Building WAV files byte by byte for tests: little-endian fields, chunks and the RIFF header.
#pragma once

#include <cstdint>
#include <string>

namespace wavbytes {

// The low `bytes` bytes of v, least significant first.
inline std::string le(uint32_t v, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i) {
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    return s;
}

inline std::string le16(uint16_t v)
{
    return le(v, 2);
}

inline std::string le32(uint32_t v)
{
    return le(v, 4);
}

// A chunk whose length field says `length`, which a test may make disagree with the payload. No
// pad byte is added.
inline std::string chunk(const std::string& id, const std::string& payload, uint32_t length)
{
    return id + le32(length) + payload;
}

inline std::string chunk(const std::string& id, const std::string& payload)
{
    return chunk(id, payload, static_cast<uint32_t>(payload.size()));
}

// The 16 bytes of a "fmt " payload.
inline std::string fmtPayload(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits)
{
    return le16(tag) + le16(channels) + le32(rate) + le32(rate * blockAlign) + le16(blockAlign) + le16(bits);
}

// The RIFF header around `chunks`.
inline std::string riff(const std::string& chunks)
{
    return "RIFF" + le32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

}  // namespace wavbytes
