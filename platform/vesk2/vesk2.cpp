#include "platform/vesk2/vesk2.h"

#include "platform/sbroot/sb_root.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>
#include <vector>

struct vesk_server {
    int unused = 0;
};

namespace {

struct DeviceDesc {
    std::array<std::vector<uint32_t>, 2> lists;
    uint32_t format = 0;
    uint32_t word3 = 0;
    std::optional<std::string> name;
    uint32_t word5 = 0;
    uint32_t word6 = 0;
    uint32_t word7 = 0;
};

struct Vesk2State {
    std::mutex lock;
    vesk_server server;
    bool created = false;
    bool started = false;
    std::map<uint32_t, DeviceDesc> descriptions;
    std::map<uint32_t, DeviceDesc> connections;
    std::map<std::string, std::string> settings;  // call name -> its values, for plain setters
    std::array<std::optional<uint32_t>, VESK_STREAM_MAX> streams;
    std::vector<std::pair<uint32_t, std::string>> preloads;
    std::map<std::pair<uint32_t, uint32_t>, std::pair<uint32_t, std::string>> parameters;  // -> count, hex
};

Vesk2State& state()
{
    static Vesk2State s;
    return s;
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    char buf[256];
    const int n = std::vsnprintf(buf, sizeof(buf), fmt, args);
    va_end(args);
    return std::string(buf, n < 0 ? 0 : std::min<size_t>(static_cast<size_t>(n), sizeof(buf) - 1));
}

std::string hex(const uint8_t* data, size_t len)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(len * 2);
    for (size_t i = 0; i < len; ++i) {
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 0xf];
    }
    return out;
}

// Keeps a text on one line of the state file.
std::string printable(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c <= ' ' || c > '~') {
            c = '?';
        }
    }
    return out;
}

std::optional<int> injectedFailure(std::string_view call)
{
    std::ifstream in(sb::path(VESK2_FAIL_PATH));
    std::string line;
    while (std::getline(in, line)) {
        const std::string_view view(line);
        if (view.substr(0, call.size()) != call || (view.size() > call.size() && view[call.size()] != ' ')) {
            continue;
        }
        const std::string rest(view.substr(call.size()));
        char* end = nullptr;
        const long value = std::strtol(rest.c_str(), &end, 0);
        return end == rest.c_str() ? -1 : static_cast<int>(value);
    }
    return std::nullopt;
}

void appendLine(const std::string& path, const std::string& line)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    const ssize_t n = write(fd, line.data(), line.size());
    (void)n;
    close(fd);
}

std::string describe(const DeviceDesc& d)
{
    std::string out;
    for (size_t i = 0; i < d.lists.size(); ++i) {
        out += format(" list%zu=", i);
        for (size_t k = 0; k < d.lists[i].size(); ++k) {
            out += format(k ? ",%u" : "%u", d.lists[i][k]);
        }
    }
    out += format(" format=%u w3=%u name=%s w5=%u w6=%u w7=%u", d.format, d.word3,
                  d.name ? printable(*d.name).c_str() : "(null)", d.word5, d.word6, d.word7);
    return out;
}

std::string renderState(const Vesk2State& s)
{
    std::vector<std::string> lines;
    lines.push_back(format("vesk_create %d", s.created ? 1 : 0));
    lines.push_back(format("vesk_start %d", s.started ? 1 : 0));
    for (const auto& [dev, d] : s.descriptions) {
        lines.push_back(format("vesk_set_device_desc_ext %u", dev) + describe(d));
    }
    for (const auto& [dev, d] : s.connections) {
        lines.push_back(format("vesk_set_device_connection_ext %u", dev) + describe(d));
    }
    for (const auto& [call, values] : s.settings) {
        lines.push_back(call + " " + values);
    }
    for (size_t i = 0; i < s.streams.size(); ++i) {
        if (s.streams[i]) {
            lines.push_back(format("vesk_set_stream_vol_ext %zu %u", i, *s.streams[i]));
        }
    }
    for (size_t i = 0; i < s.preloads.size(); ++i) {
        lines.push_back(format("vesk_ppc_preload %zu %u ", i, s.preloads[i].first) + s.preloads[i].second);
    }
    for (const auto& [key, value] : s.parameters) {
        lines.push_back(format("vesk_ppc_set_parameter 0x%x 0x%x %u ", key.first, key.second, value.first) +
                        value.second);
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const auto& l : lines) {
        text += l;
        text += '\n';
    }
    return text;
}

// Readers never see a half-written state: the file is replaced in one rename.
void writeState(const Vesk2State& s)
{
    const std::string path = sb::path(VESK2_STATE_PATH);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    const std::string tmp = path + ".tmp";
    const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    const std::string text = renderState(s);
    const bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    if (ok) {
        rename(tmp.c_str(), path.c_str());
    }
}

// One library call: refuses a bad handle, applies injected failures, runs `apply` under the lock,
// then logs the call and rewrites the state.
template <typename Apply>
int call(vesk_handle_t h, const char* name, const std::string& args, Apply apply, bool needsHandle = true)
{
    Vesk2State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    int result = 0;
    if (needsHandle && (h != &s.server || !s.created)) {
        result = VESK_ERR_PARAM;
    } else if (const auto failure = injectedFailure(name)) {
        result = *failure;
    } else {
        result = apply(s);
    }
    appendLine(sb::path(VESK2_LOG_PATH),
               std::string(name) + (args.empty() ? "" : " ") + args + format(" -> %d\n", result));
    writeState(s);
    return result;
}

int setting(vesk_handle_t h, const char* name, const std::string& values)
{
    return call(h, name, values, [&](Vesk2State& s) {
        s.settings[name] = values;
        return 0;
    });
}

std::optional<DeviceDesc> takeDesc(const VeskDeviceDesc* desc)
{
    if (desc == nullptr) {
        return std::nullopt;
    }
    DeviceDesc d;
    for (size_t i = 0; i < d.lists.size(); ++i) {
        const VeskChList* list = desc->ch_list[i];
        if (list == nullptr) {
            continue;
        }
        if (list->num > VESK_CH_LIST_MAX) {
            return std::nullopt;
        }
        d.lists[i].assign(list->ch, list->ch + list->num);
    }
    if (desc->name != nullptr) {
        const size_t len = strnlen(desc->name, VESK_NAME_MAX);
        if (len == VESK_NAME_MAX) {
            return std::nullopt;
        }
        d.name = std::string(desc->name, len);
    }
    d.format = desc->format;
    d.word3 = desc->word3;
    d.word5 = desc->word5;
    d.word6 = desc->word6;
    d.word7 = desc->word7;
    return d;
}

int setDescription(vesk_handle_t h, const char* name, uint32_t device, const VeskDeviceDesc* desc, bool connection)
{
    const auto d = takeDesc(desc);
    const std::string args = format("%u", device) + (d ? describe(*d) : std::string(" (invalid)"));
    return call(h, name, args, [&](Vesk2State& s) {
        if (!d) {
            return VESK_ERR_PARAM;
        }
        (connection ? s.connections : s.descriptions)[device] = *d;
        return 0;
    });
}

}  // namespace

extern "C" int vesk_create(vesk_handle_t* handle)
{
    return call(
        nullptr, "vesk_create", "",
        [&](Vesk2State& s) {
            if (handle == nullptr) {
                return VESK_ERR_PARAM;
            }
            s.created = true;
            *handle = &s.server;
            return 0;
        },
        false);
}

extern "C" int vesk_destroy(vesk_handle_t h)
{
    return call(h, "vesk_destroy", "", [](Vesk2State& s) {
        s.created = false;
        s.started = false;
        return 0;
    });
}

extern "C" int vesk_start(vesk_handle_t h)
{
    return call(h, "vesk_start", "", [](Vesk2State& s) {
        s.started = true;
        return 0;
    });
}

extern "C" int vesk_set_device_desc_ext(vesk_handle_t h, uint32_t device, const VeskDeviceDesc* desc)
{
    return setDescription(h, "vesk_set_device_desc_ext", device, desc, false);
}

extern "C" int vesk_set_device_connection_ext(vesk_handle_t h, uint32_t device, const VeskDeviceDesc* desc)
{
    return setDescription(h, "vesk_set_device_connection_ext", device, desc, true);
}

extern "C" int vesk_set_device_disconnection(vesk_handle_t h, uint32_t device)
{
    return call(h, "vesk_set_device_disconnection", format("%u", device), [&](Vesk2State& s) {
        s.connections.erase(device);
        return 0;
    });
}

extern "C" int vesk_set_out_buffer_rule(vesk_handle_t h, uint32_t period_time, uint32_t period_num,
                                        uint32_t start_threshold, uint32_t type, uint32_t last)
{
    return setting(h, "vesk_set_out_buffer_rule",
                   format("%u %u %u %u %u", period_time, period_num, start_threshold, type, last));
}

extern "C" int vesk_set_dsp_out_enable(vesk_handle_t h, uint32_t on)
{
    return setting(h, "vesk_set_dsp_out_enable", format("%u", on));
}

extern "C" int vesk_set_out_samplerate_rule(vesk_handle_t h, uint32_t rule, uint32_t rate)
{
    return setting(h, "vesk_set_out_samplerate_rule", format("%u %u", rule, rate));
}

extern "C" int vesk_set_src_type(vesk_handle_t h, uint32_t type)
{
    return setting(h, "vesk_set_src_type", format("%u", type));
}

extern "C" int vesk_set_out_mix_format(vesk_handle_t h, uint32_t a, uint32_t b)
{
    return setting(h, "vesk_set_out_mix_format", format("%u %u", a, b));
}

extern "C" int vesk_set_stream_vol_ext(vesk_handle_t h, uint32_t stream, uint32_t gain)
{
    return call(h, "vesk_set_stream_vol_ext", format("%u %u", stream, gain), [&](Vesk2State& s) {
        if (stream >= VESK_STREAM_MAX) {
            return VESK_ERR_PARAM;
        }
        s.streams[stream] = gain;
        return 0;
    });
}

extern "C" int vesk_get_stream_vol(vesk_handle_t h, uint32_t stream, uint32_t* gain)
{
    return call(h, "vesk_get_stream_vol", format("%u", stream), [&](Vesk2State& s) {
        if (stream >= VESK_STREAM_MAX || gain == nullptr) {
            return VESK_ERR_PARAM;
        }
        *gain = s.streams[stream].value_or(0);
        return 0;
    });
}

extern "C" int vesk_set_master_vol_ext(vesk_handle_t h, uint32_t gain)
{
    return setting(h, "vesk_set_master_vol_ext", format("%u", gain));
}

extern "C" int vesk_set_bt_le_io_handle(vesk_handle_t h, uint32_t type, uint32_t io_handle)
{
    return setting(h, "vesk_set_bt_le_io_handle", format("%u %u", type, io_handle));
}

extern "C" int vesk_ppc_enable(vesk_handle_t h, uint32_t a, uint32_t b)
{
    return setting(h, "vesk_ppc_enable", format("%u %u", a, b));
}

extern "C" int vesk_ppc_set_proc_type(vesk_handle_t h, uint32_t type)
{
    return setting(h, "vesk_ppc_set_proc_type", format("%u", type));
}

extern "C" int vesk_ppc_set_dec_spk_conf(vesk_handle_t h, uint32_t conf)
{
    return setting(h, "vesk_ppc_set_dec_spk_conf", format("%u", conf));
}

extern "C" int vesk_ppc_preload(vesk_handle_t h, uint32_t count, const VeskPpcPreload* entries)
{
    std::vector<std::pair<uint32_t, std::string>> list;
    bool valid = entries != nullptr && count <= VESK_PRELOAD_MAX;
    for (uint32_t i = 0; valid && i < count; ++i) {
        const size_t len = strnlen(entries[i].path, VESK_PRELOAD_PATH_MAX);
        valid = len < VESK_PRELOAD_PATH_MAX;
        list.emplace_back(entries[i].type, printable(std::string_view(entries[i].path, len)));
    }
    std::string args = format("%u", count);
    for (const auto& [type, path] : list) {
        args += format(" %u:", type) + path;
    }
    return call(h, "vesk_ppc_preload", args, [&](Vesk2State& s) {
        if (!valid) {
            return VESK_ERR_PARAM;
        }
        s.preloads = list;
        return 0;
    });
}

extern "C" int vesk_ppc_set_cfgfile_path(vesk_handle_t h, const char* path)
{
    const size_t len = path ? strnlen(path, VESK_PATH_MAX) : VESK_PATH_MAX;
    const std::string text = len < VESK_PATH_MAX ? printable(std::string_view(path, len)) : std::string("(invalid)");
    return call(h, "vesk_ppc_set_cfgfile_path", text, [&](Vesk2State& s) {
        if (len >= VESK_PATH_MAX) {
            return VESK_ERR_PARAM;
        }
        s.settings["vesk_ppc_set_cfgfile_path"] = text;
        return 0;
    });
}

extern "C" int vesk_ppc_set_mode(vesk_handle_t h, uint32_t mode)
{
    return setting(h, "vesk_ppc_set_mode", format("%u", mode));
}

extern "C" int vesk_ppc_set_parameter(vesk_handle_t h, uint32_t element_id, uint32_t param_id, uint32_t count,
                                      const void* data)
{
    const bool valid = count <= VESK_PARAM_COUNT_MAX && (count == 0 || data != nullptr);
    const std::string bytes = valid ? hex(static_cast<const uint8_t*>(data), size_t{count} * 8) : std::string("-");
    return call(h, "vesk_ppc_set_parameter", format("0x%x 0x%x %u ", element_id, param_id, count) + bytes,
                [&](Vesk2State& s) {
                    if (!valid) {
                        return VESK_ERR_PARAM;
                    }
                    s.parameters[{element_id, param_id}] = {count, bytes};
                    return 0;
                });
}
