#include "platform/sbalsa/sb_alsa.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace sb {
namespace {

// The file name stem of a PCM name: its argument separators dropped or turned into '_'.
std::string stem(std::string_view pcm)
{
    std::string s;
    for (char c : pcm) {
        if (c == ':') {
            continue;
        }
        s += c == ',' ? '_' : c;
    }
    return s;
}

// One PCM on the file plugin; `name` is either a quoted file stem or a concat expression over the
// PCM's arguments. With a keeper, what is played goes through it (the plugin fills in the rate,
// channels and sample bits when the stream is set up).
std::string filePcm(const std::string& dir, const std::string& keeper, const std::string& head,
                    const std::string& stemExpr)
{
    const std::string out = keeper.empty() ? "\"" + dir + "/\" " + stemExpr + " \".out\""
                                           : "\"|" + keeper + " keep " + dir + "/\" " + stemExpr + " \".out %r %c %b\"";
    std::string s = head;
    s += "  type file\n";
    s += "  slave.pcm { type null }\n";
    s += "  format \"raw\"\n";
    s += "  perm 0644\n";
    s += "  file { @func concat strings [ " + out + " ] }\n";
    s += "  infile { @func concat strings [ \"" + dir + "/\" " + stemExpr + " \".in\" ] }\n";
    s += "}\n";
    return s;
}

std::string configText(const std::string& dir, const std::string& keeper)
{
    std::string s = "# Written for this root: the board's PCM names on the file and null plugins.\n";
    for (const char* name : {"main", "sub0", "sub1", "line_in"}) {
        s += filePcm(dir, keeper, std::string("pcm.") + name + " {\n", std::string("\"") + name + "\"");
    }
    s += filePcm(dir, keeper,
                 "pcm.track {\n"
                 "  @args [ DEV ]\n"
                 "  @args.DEV { type integer default 0 }\n",
                 "\"track\" $DEV");
    // "hw:C,D" (and "hw:C,D,S"): the capture and TDM devices of the board.
    s += filePcm(dir, keeper,
                 "pcm.hw {\n"
                 "  @args [ CARD DEV SUBDEV ]\n"
                 "  @args.CARD { type string default \"0\" }\n"
                 "  @args.DEV { type integer default 0 }\n"
                 "  @args.SUBDEV { type integer default -1 }\n",
                 "\"hw\" $CARD \"_\" $DEV");
    return s;
}

bool makeDirs(const std::string& path)
{
    for (size_t pos = 1; pos != std::string::npos;) {
        pos = path.find('/', pos + 1);
        const std::string part = path.substr(0, pos);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string writeAlsaConfig(const std::string& rootDir, const std::string& keeper)
{
    const std::string dir = rootDir + SB_ALSA_DIR;
    if (!makeDirs(dir)) {
        return {};
    }
    const std::string file = rootDir + SB_ALSA_CONFIG;
    FILE* out = fopen(file.c_str(), "w");
    if (out == nullptr) {
        return {};
    }
    const std::string text = configText(dir, keeper);
    const bool ok = fwrite(text.data(), 1, text.size(), out) == text.size();
    return fclose(out) == 0 && ok ? file : std::string{};
}

std::string pcmOutput(std::string_view pcm)
{
    return std::string(SB_ALSA_DIR "/") + stem(pcm) + ".out";
}

std::string pcmInput(std::string_view pcm)
{
    return std::string(SB_ALSA_DIR "/") + stem(pcm) + ".in";
}

}  // namespace sb
