// Reads the phone app's usage report back from the frames the soundbar wrote: each category's
// packets reassembled in order, every 4-byte tail compared with OpenSSL's MD5 of its chunk, and the
// text parsed by Python's json, a parser other than the one that wrote it.
#pragma once

#include <openssl/evp.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace brontal_check {

using Bytes = std::vector<uint8_t>;

struct Report {
    std::vector<int> order;              // category indexes in the order they were sent
    std::map<int, std::string> text;     // category index to its text
    std::map<int, int> packets;          // category index to its packet count
    std::string error;                   // empty when every packet checked out
};

inline Bytes md5(const uint8_t* data, size_t n)
{
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(data, n, md, &len, EVP_md5(), nullptr);
    return Bytes(md, md + len);
}

// `frames`: whole frames towards the app; those of group 4, id 2 are taken.
inline Report reassemble(const std::vector<Bytes>& frames)
{
    Report r;
    int expectNumber = 0;
    for (const Bytes& f : frames) {
        if (f.size() < 6 || f[0] != 0xBB || f[3] != 0x04 || f[4] != 0x02) {
            continue;
        }
        const size_t len = f[1] | (f[2] << 8);
        if (f.size() != len + 6 || len < 12) {
            r.error += "bad frame length; ";
            continue;
        }
        const uint8_t* p = f.data() + 5;
        const int index = p[0];
        const int count = p[2] | (p[3] << 8);
        const int number = p[4] | (p[5] << 8);
        const size_t chunk = p[6] | (p[7] << 8);
        if (chunk + 12 != len || chunk > 30 || p[1] != 0) {
            r.error += "bad chunk length; ";
            continue;
        }
        if (number == 0) {
            r.order.push_back(index);
            r.packets[index] = count;
            expectNumber = 0;
        }
        if (number != expectNumber++ || r.packets[index] != count) {
            r.error += "packet out of order in category " + std::to_string(index) + "; ";
        }
        const Bytes digest = md5(p + 8, chunk);
        if (!std::equal(digest.begin() + 12, digest.end(), p + 8 + chunk)) {
            r.error += "md5 tail wrong in category " + std::to_string(index) + "; ";
        }
        r.text[index].append(reinterpret_cast<const char*>(p + 8), chunk);
    }
    return r;
}

// The counters of a category's text as "key value" or "key/item value" lines, sorted; or the
// parser's complaint.
inline std::string parseJson(const std::string& text)
{
    char path[] = "/tmp/brontal_json.XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        return "no temporary file";
    }
    ::close(fd);
    std::ofstream(path) << text;
    const std::string cmd = std::string("/usr/bin/python3 -c '") +
                            "import json,sys\n"
                            "d=json.load(open(sys.argv[1]))\n"
                            "out=[]\n"
                            "for k,v in d.items():\n"
                            "    if isinstance(v,dict):\n"
                            "        out+=[\"%s/%s %d\"%(k,i,n) for i,n in v.items()]\n"
                            "    else:\n"
                            "        out.append(\"%s %d\"%(k,v))\n"
                            "print(\"\\n\".join(sorted(out)))' " +
                            path + " 2>&1";
    std::string result;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[256];
        size_t n = 0;
        while ((n = fread(buf, 1, sizeof(buf), p)) > 0) {
            result.append(buf, n);
        }
        pclose(p);
    }
    ::unlink(path);
    return result;
}

}  // namespace brontal_check
