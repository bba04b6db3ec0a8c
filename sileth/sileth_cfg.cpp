#include "sileth/sileth_cfg.h"

#include "platform/sbroot/sb_root.h"
#include "sileth/sileth_log.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

struct Row {
    const char* title;
    const char* key;
    const char* value;
};

constexpr Row kDefaults[] = {
    {"[GLOBAL]", "spdif_in", "spdif_in"},
    {"[GLOBAL]", "arc_in", "arc_in"},
    {"[GLOBAL]", "earc_in", "earc_in"},
    {"[GLOBAL]", "hdmi_in", "hdmi_in"},
    {"[GLOBAL]", "playback", "main"},
    {"[GLOBAL]", "dolby_sink_channel_map", "lr:c:lrs:lfe:lrtf:lrtr"},
    {"[GLOBAL]", "dolby_sink_channel_num", "10"},
    {"[GLOBAL]", "dts_decoder_speaker", "speaker-config=lr:c:lrs:lfe:lre:lrse"},
    {"[GLOBAL]", "dts_sink_channel_map", "lr:c:lfe:lrs:lrtf:lrtr"},
    {"[GLOBAL]", "dts_sink_channel_num", "10"},
    {"[GLOBAL]", "dts_direct_mode", "enable-direct-mode=1"},
    {"[GLOBAL]", "drc-percent", "drc-percent=0"},
    {"[GLOBAL]", "dialog-control", "dialog-control=0"},

    {"[PCM_CFG]", "bufrule", "bufrule 6 12 24 0 0"},
    {"[PCM_CFG]", "src_period_time", "10000"},
    {"[PCM_CFG]", "src_buffer_time", "70000"},
    {"[PCM_CFG]", "sink_period_time", "10000"},
    {"[PCM_CFG]", "sink_buffer_time", "70000"},
    {"[PCM_CFG]", "alsa_thres_hold", "0"},

    {"[DETECT_CFG]", "src_period_time", "2000"},
    {"[DETECT_CFG]", "src_buffer_time", "8000"},

    {"[PCM_DTSX_CERTIFICATION_CFG]", "bufrule", "bufrule 6 12 24 0 0"},
    {"[PCM_DTSX_CERTIFICATION_CFG]", "src_period_time", "10000"},
    {"[PCM_DTSX_CERTIFICATION_CFG]", "src_buffer_time", "700000"},
    {"[PCM_DTSX_CERTIFICATION_CFG]", "sink_period_time", "10000"},
    {"[PCM_DTSX_CERTIFICATION_CFG]", "sink_buffer_time", "700000"},
    {"[PCM_DTSX_CERTIFICATION_CFG]", "alsa_thres_hold", "5"},

    {"[AC3_CFG]", "bufrule", "bufrule 4 9 4 0 0"},
    {"[AC3_CFG]", "src_period_time", "2000"},
    {"[AC3_CFG]", "src_buffer_time", "96000"},
    {"[AC3_CFG]", "sink_period_time", "4000"},
    {"[AC3_CFG]", "sink_buffer_time", "24000"},
    {"[AC3_CFG]", "alsa_thres_hold", "0"},

    {"[AC3_MOD3_CFG]", "bufrule", "6 12 24 0 0"},
    {"[AC3_MOD3_CFG]", "src_period_time", "2000"},
    {"[AC3_MOD3_CFG]", "src_buffer_time", "8000"},
    {"[AC3_MOD3_CFG]", "sink_period_time", "20000"},
    {"[AC3_MOD3_CFG]", "sink_buffer_time", "2000000"},
    {"[AC3_MOD3_CFG]", "alsa_thres_hold", "6"},

    {"[TRUEHD_CFG]", "bufrule", "bufrule 256 7 1536 1 0"},
    {"[TRUEHD_CFG]", "src_period_time", "2000"},
    {"[TRUEHD_CFG]", "src_buffer_time", "72000"},
    {"[TRUEHD_CFG]", "sink_period_time", "4000"},
    {"[TRUEHD_CFG]", "sink_buffer_time", "48000"},
    {"[TRUEHD_CFG]", "alsa_thres_hold", "0"},

    {"[TRUEHD_MATPCM_CFG]", "bufrule", "2 30 20 0 0"},
    {"[TRUEHD_MATPCM_CFG]", "src_period_time", "2000"},
    {"[TRUEHD_MATPCM_CFG]", "src_buffer_time", "96000"},
    {"[TRUEHD_MATPCM_CFG]", "sink_period_time", "2000"},
    {"[TRUEHD_MATPCM_CFG]", "sink_buffer_time", "24000"},
    {"[TRUEHD_MATPCM_CFG]", "alsa_thres_hold", "0"},
    {"[TRUEHD_MATPCM_CFG]", "parse_mode", "10"},
    {"[TRUEHD_MATPCM_CFG]", "extra_setOnOff", "TRUE"},

    {"[TRUEHD_MOD2_CFG]", "bufrule", "bufrule 10 6 20 0 0"},
    {"[TRUEHD_MOD2_CFG]", "src_period_time", "2000"},
    {"[TRUEHD_MOD2_CFG]", "src_buffer_time", "72000"},
    {"[TRUEHD_MOD2_CFG]", "sink_period_time", "3000"},
    {"[TRUEHD_MOD2_CFG]", "sink_buffer_time", "36000"},
    {"[TRUEHD_MOD2_CFG]", "alsa_thres_hold", "9"},

    {"[TRUEHD_MOD3_CFG]", "bufrule", "bufrule 10 30 100 0 0"},
    {"[TRUEHD_MOD3_CFG]", "src_period_time", "4000"},
    {"[TRUEHD_MOD3_CFG]", "src_buffer_time", "2000000"},
    {"[TRUEHD_MOD3_CFG]", "sink_period_time", "20000"},
    {"[TRUEHD_MOD3_CFG]", "sink_buffer_time", "2000000"},
    {"[TRUEHD_MOD3_CFG]", "alsa_thres_hold", "6"},

    {"[DTS_CFG]", "bufrule", "bufrule 6 12 24 0 0"},
    {"[DTS_CFG]", "src_period_time", "2000"},
    {"[DTS_CFG]", "src_buffer_time", "96000"},
    {"[DTS_CFG]", "sink_period_time", "4000"},
    {"[DTS_CFG]", "sink_buffer_time", "24000"},
    {"[DTS_CFG]", "alsa_thres_hold", "3"},

    {"[DTS_CERTFICA_CFG]", "bufrule", "bufrule 10 18 60 0 0"},
    {"[DTS_CERTFICA_CFG]", "src_period_time", "8000"},
    {"[DTS_CERTFICA_CFG]", "src_buffer_time", "640000"},
    {"[DTS_CERTFICA_CFG]", "sink_period_time", "20000"},
    {"[DTS_CERTFICA_CFG]", "sink_buffer_time", "200000"},
    {"[DTS_CERTFICA_CFG]", "alsa_thres_hold", "6"},

    {"[DTSCD_CFG]", "bufrule", "bufrule 10 18 6 0 0"},
    {"[DTSCD_CFG]", "src_period_time", "8000"},
    {"[DTSCD_CFG]", "src_buffer_time", "640000"},
    {"[DTSCD_CFG]", "sink_period_time", "20000"},
    {"[DTSCD_CFG]", "sink_buffer_time", "300000"},
    {"[DTSCD_CFG]", "alsa_thres_hold", "12"},
};
static_assert(sizeof(kDefaults) / sizeof(kDefaults[0]) == SILETH_CFG_ROWS, "the table has 83 rows");

constexpr size_t kLineMax = 127;
constexpr size_t kTitleMax = sizeof(sileth_cfg_item_t::title) - 1;
constexpr size_t kValueMax = sizeof(sileth_cfg_item_t::value) - 1;

struct CfgState {
    sileth_cfg_item_t table[SILETH_CFG_ROWS];
    CfgState() { vSilethCfgDefaults(table); }
};

CfgState gCfg;

template <size_t N>
void copyField(char (&to)[N], std::string_view from)
{
    const size_t n = from.size() < N - 1 ? from.size() : N - 1;
    std::memcpy(to, from.data(), n);
    std::memset(to + n, 0, N - n);
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool isComment(std::string_view line)
{
    return startsWith(line, "//") || startsWith(line, "#");
}

// The section line as the matcher sees it: its first 31 characters, newline included.
std::string sectionOf(std::string_view line)
{
    return std::string(line.substr(0, kTitleMax));
}

// One line as both the reader and the writer walk the file: a comment is skipped and a section
// header remembered in `section`; the position of the '=' of a setting line, npos for any other.
size_t settingEq(std::string_view line, std::string& section)
{
    if (isComment(line)) {
        return std::string_view::npos;
    }
    if (line.front() == '[') {
        section = sectionOf(line);
        return std::string_view::npos;
    }
    return line.find('=');
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Where a setting line's value starts (after "=" and blanks) and ends (before the newline).
struct ValueSpan {
    size_t begin;
    size_t end;
};

ValueSpan valueOf(std::string_view line, size_t eq)
{
    size_t begin = eq + 1;
    while (begin < line.size() && isBlank(line[begin])) {
        ++begin;
    }
    size_t end = line.size();
    if (end > begin && line[end - 1] == '\n') {
        --end;
    }
    return {begin, end};
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

sileth_cfg_item_t* pSilethCfgTable()
{
    return gCfg.table;
}

void vSilethCfgDefaults(sileth_cfg_item_t* table)
{
    for (int i = 0; i < SILETH_CFG_ROWS; ++i) {
        copyField(table[i].title, kDefaults[i].title);
        copyField(table[i].key, kDefaults[i].key);
        copyField(table[i].value, kDefaults[i].value);
    }
}

std::string silethCfgFileText(const sileth_cfg_item_t* table, int rows)
{
    std::string text;
    const char* section = "";
    for (int i = 0; i < rows; ++i) {
        if (std::strcmp(section, table[i].title) != 0) {
            section = table[i].title;
            text += std::string(text.empty() ? "" : "\n") + section + "\n";
        }
        text += std::string(table[i].key) + "=" + table[i].value + "\n";
    }
    return text;
}

void vSilethGetAllCfg(const char* path, sileth_cfg_item_t* table, int rows)
{
    const auto start = std::chrono::steady_clock::now();
    FILE* file = std::fopen(sb::path(path).c_str(), "r");
    if (file == nullptr) {
        APP_ERR("%s , open configuration file failed \n", path);
        return;
    }
    std::string section;
    char buf[kLineMax + 1];
    while (std::fgets(buf, sizeof(buf), file) != nullptr) {
        std::string_view line(buf);
        if (line.empty()) {
            continue;  // a NUL byte first: nothing to read on this line
        }
        if (line.back() != '\n' && !std::feof(file)) {
            // An over-long line is dropped whole: its tail is no setting of its own.
            int c = 0;
            while ((c = std::fgetc(file)) != EOF && c != '\n') {
            }
            continue;
        }
        const size_t eq = settingEq(line, section);
        if (eq == std::string_view::npos) {
            continue;
        }
        const std::string_view key = line.substr(0, eq);
        const ValueSpan v = valueOf(line, eq);
        for (int i = 0; i < rows; ++i) {
            if (startsWith(section, table[i].title) && startsWith(key, table[i].key)) {
                copyField(table[i].value, line.substr(v.begin, v.end - v.begin));
                break;
            }
        }
    }
    std::fclose(file);
    APP_INFO("OUT, time:%f \n", secondsSince(start));
}

const char* pSilethGetValue(const sileth_cfg_item_t* table, const char* title, const char* key)
{
    for (int i = 0; i < SILETH_CFG_ROWS; ++i) {
        if (startsWith(table[i].title, title) && startsWith(table[i].key, key)) {
            return table[i].value;
        }
    }
    APP_ERR("Cannot get value, title:%s key:%s \n", title, key);
    return nullptr;
}

sileth_cfg_item_t* pSilethSetValue(sileth_cfg_item_t* table, const char* title, const char* key, const char* value)
{
    for (int i = 0; i < SILETH_CFG_ROWS; ++i) {
        if (startsWith(table[i].title, title) && startsWith(table[i].key, key)) {
            copyField(table[i].value, value);
            APP_INFO("Set value, title:%s key:%s val:%s\n", title, key, table[i].value);
            return &table[i];
        }
    }
    return nullptr;
}

void vSilethSetCfg(const char* path, const char* title, const char* key, const char* value)
{
    const auto start = std::chrono::steady_clock::now();
    const int fd = open(sb::path(path).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        APP_ERR("%s , open configuration file failed \n", path);
        return;
    }
    // The whole file in memory, however long: a rebuilt file is never cut to a fixed buffer.
    std::string text;
    char chunk[1024];
    ssize_t n = 0;
    while ((n = read(fd, chunk, sizeof(chunk))) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) {
            text.append(chunk, static_cast<size_t>(n));
        }
    }
    const std::string_view newValue(value);
    std::string section;
    size_t at = 0;
    bool written = false;
    while (at < text.size() && !written) {
        const size_t nl = text.find('\n', at);
        const size_t next = nl == std::string::npos ? text.size() : nl + 1;
        const std::string_view line(text.data() + at, next - at);
        const size_t lineStart = at;
        at = next;
        const size_t eq = settingEq(line, section);
        if (eq == std::string_view::npos) {
            continue;
        }
        APP_DBG("====len=%d\n", static_cast<int>(line.size()));
        if (!startsWith(section, title) || !startsWith(line.substr(0, eq), key)) {
            continue;
        }
        const ValueSpan v = valueOf(line, eq);
        const size_t oldLen = v.end - v.begin;
        std::string newLine(line.substr(0, v.begin));
        newLine += newValue;
        APP_DBG("strlen=%d \n", static_cast<int>(newValue.size()));
        if (newValue.size() <= oldLen) {
            newLine.append(oldLen - newValue.size(), ' ');
            newLine += '\n';
            written = pwrite(fd, newLine.data(), newLine.size(), static_cast<off_t>(lineStart)) ==
                      static_cast<ssize_t>(newLine.size());
        } else {
            APP_DBG("start=%d,old=%d,new_line=%s\n", static_cast<int>(lineStart), static_cast<int>(oldLen),
                    newLine.c_str());
            std::string rebuilt = text.substr(0, lineStart);
            rebuilt += newLine;
            rebuilt += '\n';
            rebuilt += text.substr(next);
            written = pwrite(fd, rebuilt.data(), rebuilt.size(), 0) == static_cast<ssize_t>(rebuilt.size());
        }
        APP_DBG("[%d]:sLine = %s\n", static_cast<int>(lineStart), newLine.c_str());
        if (!written) {
            APP_ERR("%s , write configuration file failed \n", path);
            break;
        }
    }
    fsync(fd);
    close(fd);
    APP_INFO("OUT, time:%f \n", secondsSince(start));
}
