#include "common/vesk_ipc/vesk_ipc_records.h"

#include "common/support/support.h"

namespace {

// Appends words to a zeroed record; words past the record's end are dropped.
template <size_t N>
class WordWriter {
public:
    WordWriter& put(uint32_t value)
    {
        if (pos_ + 4 <= N) {
            sb::storeLe32(bytes_.data() + pos_, value);
        }
        pos_ += 4;
        return *this;
    }
    template <size_t M>
    WordWriter& put(const uint32_t (&values)[M])
    {
        for (uint32_t v : values) {
            put(v);
        }
        return *this;
    }
    const std::array<uint8_t, N>& bytes() const { return bytes_; }

private:
    std::array<uint8_t, N> bytes_{};
    size_t pos_ = 0;
};

// Reads words in order from a record already checked to be long enough.
class WordReader {
public:
    explicit WordReader(const VeskIpcBytes& in) : in_(in) {}
    uint32_t get() { return in_.word(index_++); }
    template <size_t M>
    void get(uint32_t (&values)[M])
    {
        for (uint32_t& v : values) {
            v = get();
        }
    }

private:
    const VeskIpcBytes& in_;
    size_t index_ = 0;
};

bool holds(const VeskIpcBytes& in, size_t size)
{
    return in.data != nullptr && in.len >= size;
}

}  // namespace

uint32_t VeskIpcBytes::word(size_t index) const
{
    if (data == nullptr || index >= len / 4) {
        return 0;
    }
    return sb::loadLe32(data + index * 4);
}

std::array<uint8_t, VESK_IPC_VALUE_ARG_SIZE> veskIpcEncode(const VeskIpcValueArg& arg)
{
    return WordWriter<VESK_IPC_VALUE_ARG_SIZE>().put(arg.first).put(arg.second).bytes();
}

std::array<uint8_t, VESK_IPC_DEV_DESC_SIZE> veskIpcEncode(const VeskDevDescIpcArg& arg)
{
    return WordWriter<VESK_IPC_DEV_DESC_SIZE>().put(arg.dev).put(arg.desc).put(arg.ch_num).put(arg.ch_mask).bytes();
}

std::array<uint8_t, VESK_IPC_BUF_RULE_SIZE> veskIpcEncode(const VeskBufRuleIpcArg& arg)
{
    return WordWriter<VESK_IPC_BUF_RULE_SIZE>()
        .put(arg.period_time)
        .put(arg.period_num)
        .put(arg.start_threshold)
        .put(arg.type)
        .bytes();
}

std::array<uint8_t, VESK_IPC_ACOUSTICS_SIZE> veskIpcEncode(const VeskAcousticsParam& arg)
{
    return WordWriter<VESK_IPC_ACOUSTICS_SIZE>()
        .put(arg.latency)
        .put(arg.bass_level)
        .put(arg.center_level)
        .put(arg.treble_level)
        .put(arg.eq_mode)
        .put(arg.sur_vol)
        .put(arg.sur_en)
        .put(arg.bassboost_en)
        .put(arg.virtual_x_en)
        .put(arg.sur_left)
        .put(arg.sur_right)
        .put(arg.height)
        .put(arg.xupmix_en)
        .put(0)
        .bytes();
}

std::array<uint8_t, VESK_IPC_USER_EQ_SIZE> veskIpcEncode(const VeskUserEqIpcArg& arg)
{
    return WordWriter<VESK_IPC_USER_EQ_SIZE>().put(arg.value).put(0).bytes();
}

std::array<uint8_t, VESK_IPC_EQ_POINTS_SIZE> veskIpcEncode(const std::array<VeskEqPoint, VESK_EQ_POINT_NUM>& points)
{
    WordWriter<VESK_IPC_EQ_POINTS_SIZE> out;
    for (const auto& p : points) {
        out.put(static_cast<uint32_t>(p.freq) | static_cast<uint32_t>(static_cast<uint16_t>(p.gain)) << 16);
    }
    return out.bytes();
}

std::array<uint8_t, VESK_IPC_STEREO_DESC_SIZE> veskIpcEncode(const VeskStereoDescIpcArg& arg)
{
    WordWriter<VESK_IPC_STEREO_DESC_SIZE> out;
    out.put(arg.desc);
    for (const auto& list : arg.list) {
        out.put(list.num).put(list.ch);
    }
    return out.bytes();
}

std::optional<VeskIpcValueArg> veskIpcDecodeValueArg(const VeskIpcBytes& in)
{
    if (!holds(in, VESK_IPC_VALUE_ARG_SIZE)) {
        return std::nullopt;
    }
    WordReader r(in);
    VeskIpcValueArg arg{};
    arg.first = r.get();
    arg.second = r.get();
    return arg;
}

std::optional<VeskDevDescIpcArg> veskIpcDecodeDevDesc(const VeskIpcBytes& in)
{
    if (!holds(in, VESK_IPC_DEV_DESC_SIZE)) {
        return std::nullopt;
    }
    WordReader r(in);
    VeskDevDescIpcArg arg{};
    arg.dev = r.get();
    r.get(arg.desc);
    arg.ch_num = r.get();
    arg.ch_mask = r.get();
    return arg;
}

std::optional<VeskAcousticsParam> veskIpcDecodeAcoustics(const VeskIpcBytes& in)
{
    if (!holds(in, sizeof(VeskAcousticsParam))) {
        return std::nullopt;
    }
    WordReader r(in);
    VeskAcousticsParam p{};
    p.latency = r.get();
    p.bass_level = r.get();
    p.center_level = r.get();
    p.treble_level = r.get();
    p.eq_mode = r.get();
    p.sur_vol = r.get();
    p.sur_en = r.get();
    p.bassboost_en = r.get();
    p.virtual_x_en = r.get();
    p.sur_left = r.get();
    p.sur_right = r.get();
    p.height = r.get();
    p.xupmix_en = r.get();
    return p;
}

std::optional<std::array<VeskEqPoint, VESK_EQ_POINT_NUM>> veskIpcDecodeEqPoints(const VeskIpcBytes& in)
{
    if (!holds(in, VESK_IPC_EQ_POINTS_SIZE)) {
        return std::nullopt;
    }
    std::array<VeskEqPoint, VESK_EQ_POINT_NUM> points{};
    for (size_t i = 0; i < points.size(); ++i) {
        const uint32_t w = in.word(i);
        points[i].freq = static_cast<uint16_t>(w & 0xffff);
        points[i].gain = static_cast<int16_t>(static_cast<uint16_t>(w >> 16));
    }
    return points;
}

std::optional<VeskStereoDescIpcArg> veskIpcDecodeStereoDesc(const VeskIpcBytes& in)
{
    if (!holds(in, VESK_IPC_STEREO_DESC_SIZE)) {
        return std::nullopt;
    }
    WordReader r(in);
    VeskStereoDescIpcArg arg{};
    r.get(arg.desc);
    for (auto& list : arg.list) {
        list.num = r.get();
        r.get(list.ch);
    }
    return arg;
}
