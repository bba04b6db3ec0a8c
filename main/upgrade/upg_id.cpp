#include "main/upgrade/upg_id.h"

#include "main/cli/dbg_level.h"
#include "main/upgrade/upg_log.h"
#include "platform/sbroot/sb_root.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kKeyLineLen = 64;        // 63 characters and the terminator
constexpr size_t kChecksumLineLen = 128;  // 127 characters and the terminator
constexpr int kSaveAttempts = 5;
constexpr size_t kCopyBlock = 512;
constexpr long kIdConnectTimeoutMs = 1000;
constexpr long kIdTransferTimeoutS = 5;
// "/tmp" is RAM on the board: a server that never ends the body must not fill it. The largest ID
// file its fields allow is a few kilobytes.
constexpr size_t kIdFileMaxBytes = 64 * 1024;

// Where the ID file's body goes while it arrives.
struct IdFileSink {
    FILE* fp;
    size_t written;
};

struct UpgIdState {
    // Written by the console thread, read by the application, console and download threads.
    std::mutex lock;
    char gDlIdUrl[UPG_URL_LEN] = {};
    char gDlPkgUrl[UPG_URL_LEN] = {};
};

UpgIdState gId;

bool fileExists(const char* systemPath)
{
    struct stat st {};
    return stat(sb::path(systemPath).c_str(), &st) == 0;
}

// Reads one line cut to size - 1 characters; the rest of a longer line is skipped, so a tail can
// never pass for a line of its own. False at the end of the file.
bool readLine(FILE* f, char* buf, size_t size)
{
    if (fgets(buf, static_cast<int>(size), f) == nullptr) {
        return false;
    }
    const size_t len = strlen(buf);
    if (len > 0 && buf[len - 1] != '\n' && !feof(f)) {
        int c = 0;
        while ((c = fgetc(f)) != EOF && c != '\n') {
        }
    }
    return true;
}

// What "%d" reads, refused when it does not fit 32 bits.
bool parseInt(const char* text, int32_t* out, const char** rest = nullptr)
{
    errno = 0;
    char* end = nullptr;
    const long long value = strtoll(text, &end, 10);
    if (end == text || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) {
        return false;
    }
    *out = static_cast<int32_t>(value);
    if (rest != nullptr) {
        *rest = end;
    }
    return true;
}

const char* skipBlanks(const char* p)
{
    while (*p != '\0' && isspace(static_cast<unsigned char>(*p))) {
        ++p;
    }
    return p;
}

// The value after "key=" when the line starts with it.
const char* keyValue(const char* line, const char* key)
{
    const size_t len = strlen(key);
    if (strncmp(line, key, len) != 0 || line[len] != '=') {
        return nullptr;
    }
    return line + len + 1;
}

// What "%s" followed by a test for "true" reads: a word that begins with true.
bool parseFlag(const char* value, uint8_t* out)
{
    const char* word = skipBlanks(value);
    if (*word == '\0') {
        return false;
    }
    *out = strncmp(word, "true", 4) == 0 ? 1 : 0;
    return true;
}

bool parseKeyLine(const char* line, upg_id_info* info)
{
    const char* v = nullptr;
    if ((v = keyValue(line, "Force_Update")) != nullptr) {
        return parseFlag(v, &info->Force_Update);
    }
    if ((v = keyValue(line, "Version")) != nullptr) {
        return parseInt(v, &info->Version);
    }
    if ((v = keyValue(line, "File_Size")) != nullptr) {
        return parseInt(v, &info->File_Size);
    }
    if ((v = keyValue(line, "Low_Memory")) != nullptr) {
        return parseFlag(v, &info->Low_Memory);
    }
    if ((v = keyValue(line, "Image_Count")) != nullptr) {
        return parseInt(v, &info->Image_Count);
    }
    return false;
}

// Reads "<name> | <first> - <last> | <64 characters>" as the format "%s | %d - %d | %64c" would,
// except that a name that does not fit the record refuses the line.
bool parseChecksumLine(const char* line, UpgDlChecksumRec* rec)
{
    const char* p = skipBlanks(line);
    size_t n = 0;
    while (p[n] != '\0' && !isspace(static_cast<unsigned char>(p[n]))) {
        ++n;
    }
    if (n == 0 || n >= sizeof rec->name) {
        return false;
    }
    memcpy(rec->name, p, n);
    rec->name[n] = '\0';
    p = skipBlanks(p + n);
    if (*p++ != '|' || !parseInt(p, &rec->offset, &p)) {
        return false;
    }
    p = skipBlanks(p);
    if (*p++ != '-' || !parseInt(p, &rec->end, &p)) {
        return false;
    }
    p = skipBlanks(p);
    if (*p++ != '|') {
        return false;
    }
    p = skipBlanks(p);
    if (strnlen(p, UPG_SHA256_HEX_LEN) < UPG_SHA256_HEX_LEN) {
        return false;
    }
    memcpy(rec->sha256, p, UPG_SHA256_HEX_LEN);
    rec->sha256[UPG_SHA256_HEX_LEN] = '\0';
    return true;
}

size_t upgDlIdFileCallback(char* data, size_t size, size_t nmemb, void* userp)
{
    auto* sink = static_cast<IdFileSink*>(userp);
    const size_t n = size * nmemb;
    if (n > kIdFileMaxBytes - sink->written) {
        upgLog(DBG_LEVEL_ERROR, "ID file larger than %d bytes, refused\n", static_cast<int>(kIdFileMaxBytes));
        return 0;
    }
    if (fwrite(data, 1, n, sink->fp) != n) {
        upgLog(DBG_LEVEL_ERROR, "write ID file failed");
        return 0;
    }
    fflush(sink->fp);
    sink->written += n;
    return n;
}

bool copyFile(FILE* from, FILE* to)
{
    char block[kCopyBlock];
    size_t got = 0;
    while ((got = fread(block, 1, sizeof block, from)) > 0) {
        const size_t put = fwrite(block, 1, got, to);
        if (put != got) {
            upgLog(DBG_LEVEL_ERROR, "write id file error: Rd: %d, Wt:%d\n", static_cast<int>(got),
                   static_cast<int>(put));
            return false;
        }
    }
    return ferror(from) == 0;
}

}  // namespace

int32_t upgDlSetUrl(const char* id_url, const char* pkg_url)
{
    if (id_url == nullptr) {
        upgLog(DBG_LEVEL_INFO, "ERROR: URL is NULL");
        return 0;
    }
    if (strnlen(id_url, UPG_URL_LEN) >= UPG_URL_LEN) {
        upgLog(DBG_LEVEL_ERROR, " Lenth of idUrl too long");
        return -1;
    }
    if (pkg_url != nullptr && strnlen(pkg_url, UPG_URL_LEN) >= UPG_URL_LEN) {
        upgLog(DBG_LEVEL_ERROR, " Lenth of pkgUrl too long");
        return -1;
    }
    std::lock_guard<std::mutex> guard(gId.lock);
    snprintf(gId.gDlIdUrl, sizeof gId.gDlIdUrl, "%s", id_url);
    snprintf(gId.gDlPkgUrl, sizeof gId.gDlPkgUrl, "%s", pkg_url != nullptr ? pkg_url : "");
    if (pkg_url == nullptr) {
        upgLog(DBG_LEVEL_INFO, "use basic URL: %s\n", gId.gDlIdUrl);
    } else {
        upgLog(DBG_LEVEL_INFO, "ID file use absolute URL: %s\n", gId.gDlIdUrl);
        upgLog(DBG_LEVEL_INFO, "package file use absolute URL: %s\n", gId.gDlPkgUrl);
    }
    return 0;
}

void upgDlGetUrls(char* id_url, char* pkg_url)
{
    std::lock_guard<std::mutex> guard(gId.lock);
    memcpy(id_url, gId.gDlIdUrl, UPG_URL_LEN);
    memcpy(pkg_url, gId.gDlPkgUrl, UPG_URL_LEN);
}

int32_t upgCtrlCliSetUrl(int argc, char** argv)
{
    char first[UPG_URL_LEN] = {};
    char second[UPG_URL_LEN] = {};
    const int args = argc - 1;
    if (args >= 1 && args <= 2 && strnlen(argv[1], UPG_URL_LEN) < UPG_URL_LEN - 1) {
        snprintf(first, sizeof first, "%s", argv[1]);
    }
    int32_t result = 0;
    if (args == 2 && strnlen(argv[2], UPG_URL_LEN) < UPG_URL_LEN - 1) {
        snprintf(second, sizeof second, "%s", argv[2]);
        result = upgDlSetUrl(first, second);
    } else {
        result = upgDlSetUrl(first, nullptr);
    }
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, " upgDlSetUrl fail");
        return -1;
    }
    return 0;
}

int32_t upgDlCreateDestDir(const char* dir)
{
    const std::string path = sb::path(dir);
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return 0;
    }
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
        upgLog(DBG_LEVEL_ERROR, "can not mkdir %s\n", dir);
        return -1;
    }
    return 0;
}

void upgDlGetIdFileInit(upg_id_info* info)
{
    char idUrl[UPG_URL_LEN];
    char pkgUrl[UPG_URL_LEN];
    upgDlGetUrls(idUrl, pkgUrl);
    // With a package URL of its own, the ID URL names the ID file itself.
    const std::string url = std::string(idUrl) + (pkgUrl[0] == '\0' ? UPG_ID_FILE_NAME : "");
    // A cut URL would name another file on the server: an empty one fails the fetch instead.
    info->url[0] = '\0';
    if (url.size() < sizeof info->url) {
        memcpy(info->url, url.c_str(), url.size() + 1);
    }
    snprintf(info->path, sizeof info->path, "%s%s", UPG_ID_TMP_DIR, UPG_ID_FILE_NAME);
    upgLog(DBG_LEVEL_INFO, "ID file URL = %s\n", info->url);
    upgLog(DBG_LEVEL_INFO, "ID file path = %s\n", UPG_ID_TMP_DIR);
}

int32_t upgDlGetIdFile(const char* url, const char* path)
{
    const std::string file = sb::path(path);
    if (access(file.c_str(), F_OK) == 0 && remove(file.c_str()) != 0) {
        upgLog(DBG_LEVEL_ERROR, "remove %s failed\n", path);
    }
    FILE* fp = fopen(file.c_str(), "wb");
    if (fp == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "create/open ID file failed: %s\n", path);
        return -1;
    }
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "curl_easy_init error");
        fclose(fp);
        remove(file.c_str());
        return -1;
    }
    char errorBuf[CURL_ERROR_SIZE] = {};
    IdFileSink sink{fp, 0};
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, upgDlIdFileCallback);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    // A body announced larger than the bound is refused before any of it arrives.
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kIdFileMaxBytes));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, kIdConnectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kIdTransferTimeoutS);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuf);
    curl_easy_setopt(curl, CURLOPT_URL, url);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    // An error page is not an ID file.
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    upgLog(DBG_LEVEL_INFO, "[Download Start] ID file");
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    fclose(fp);
    if (code != CURLE_OK) {
        upgLog(DBG_LEVEL_ERROR, "[Download Failed] error: %s. %s\n", curl_easy_strerror(code), errorBuf);
        remove(file.c_str());
        return -1;
    }
    upgLog(DBG_LEVEL_INFO, "[Download Finish] ID file");
    return 0;
}

int32_t upgDlGetIdInfo(upg_id_info* info, uint32_t source)
{
    const char* path = nullptr;
    switch (source) {
    case UPG_ID_SRC_LOCAL:
        path = UPG_ID_LOCAL_PATH;
        if (!fileExists(path)) {
            upgLog(DBG_LEVEL_INFO, "No ID file found in %s\r\n", path);
            return 0;
        }
        upgLog(DBG_LEVEL_INFO, "got ID file from %s\n", path);
        break;
    case UPG_ID_SRC_REMOTE: {
        const int32_t made = upgDlCreateDestDir(UPG_ID_TMP_DIR);
        if (made != 0) {
            upgLog(DBG_LEVEL_ERROR, "upgDlCreateDestDir failed");
            return made;
        }
        upgDlGetIdFileInit(info);
        const int32_t fetched = info->url[0] == '\0' ? -1 : upgDlGetIdFile(info->url, info->path);
        if (fetched != 0) {
            upgLog(DBG_LEVEL_ERROR, "download id file failed");
            return fetched;
        }
        path = info->path;
        break;
    }
    case UPG_ID_SRC_FETCHED:
        path = UPG_ID_TMP_PATH;
        if (!fileExists(path)) {
            upgLog(DBG_LEVEL_ERROR, "No ID file found in %s\r\n", path);
            return -1;
        }
        upgLog(DBG_LEVEL_INFO, "got ID file from %s\n", path);
        break;
    default:
        upgLog(DBG_LEVEL_ERROR, "invail parameter!");
        return -1;
    }
    const int32_t parsed = upgDlParseIdInfo(info, path);
    if (parsed != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlParseIdInfo failed");
    }
    return parsed;
}

int32_t upgDlParseIdInfo(upg_id_info* info, const char* path)
{
    FILE* fp = fopen(sb::path(path).c_str(), "rb");
    if (fp == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "fail to open id file %s\n", path);
        return -1;
    }
    int keys = 0;
    char line[kKeyLineLen];
    while (readLine(fp, line, sizeof line)) {
        if (parseKeyLine(line, info)) {
            ++keys;
        }
    }
    fclose(fp);
    if (keys == 0) {
        upgLog(DBG_LEVEL_ERROR, "param number:%d, parse ID file failed\n", keys);
        return -1;
    }
    upgLog(DBG_LEVEL_INFO, "Version: %d\n", info->Version);
    upgLog(DBG_LEVEL_INFO, "ForceUpdate: %d\n", info->Force_Update);
    upgLog(DBG_LEVEL_INFO, "Low Memory Mode: %d\n", info->Low_Memory);
    upgLog(DBG_LEVEL_INFO, "Package Size: %d\n", info->File_Size);
    upgLog(DBG_LEVEL_INFO, "Image Count: %d\n", info->Image_Count);
    upgLog(DBG_LEVEL_INFO, "Parse ID file done");
    return 0;
}

int32_t upgCtrlCheckIdInfo(void)
{
    upg_id_info local{};
    upg_id_info remote{};
    (void)upgDlGetIdInfo(&local, UPG_ID_SRC_LOCAL);
    // Without the remote file there is nothing to compare, and nothing to download.
    if (upgDlGetIdInfo(&remote, UPG_ID_SRC_REMOTE) != 0) {
        upgLog(DBG_LEVEL_ERROR, "get remote ID info failed");
        return -1;
    }
    if (remote.Force_Update == 1) {
        upgLog(DBG_LEVEL_INFO, "remote force to upgrade");
        return 0;
    }
    if (local.Version >= remote.Version) {
        upgLog(DBG_LEVEL_INFO, "system is up-to-date");
        return -1;
    }
    return 0;
}

int32_t upgCtrlVerifyIdFile(void)
{
    upg_id_info local{};
    upg_id_info fetched{};
    (void)upgDlGetIdInfo(&local, UPG_ID_SRC_LOCAL);
    (void)upgDlGetIdInfo(&fetched, UPG_ID_SRC_FETCHED);
    if (local.Version == fetched.Version) {
        upgLog(DBG_LEVEL_INFO, "Verify Id file pass, System version updated");
        return 0;
    }
    upgLog(DBG_LEVEL_ERROR, "System version not updated, verify Id file failed");
    return -1;
}

int32_t upgCtrlSaveNewId(void)
{
    if (!fileExists(UPG_ID_TMP_PATH)) {
        upgLog(DBG_LEVEL_ERROR, "%s not found save new ID file failed\n", UPG_ID_TMP_PATH);
        return -1;
    }
    const std::string to = sb::path(UPG_ID_LOCAL_PATH);
    const std::string from = sb::path(UPG_ID_TMP_PATH);
    for (int attempt = 0; attempt < kSaveAttempts; ++attempt) {
        FILE* dst = fopen(to.c_str(), "w");
        if (dst == nullptr) {
            upgLog(DBG_LEVEL_ERROR, "open local id file failed");
            continue;
        }
        FILE* src = fopen(from.c_str(), "r");
        if (src == nullptr) {
            upgLog(DBG_LEVEL_ERROR, "open new id file failed");
            fclose(dst);
            continue;
        }
        (void)copyFile(src, dst);
        fflush(dst);
        fsync(fileno(dst));
        fclose(dst);
        fclose(src);
        if (upgCtrlVerifyIdFile() == 0) {
            upgLog(DBG_LEVEL_INFO, "save new id file to %s\n", UPG_ID_LOCAL_PATH);
            return 0;
        }
        upgLog(DBG_LEVEL_ERROR, "upgCtrlVerifyIdFile failed");
    }
    upgLog(DBG_LEVEL_ERROR, "Try %d times to save new ID file failed\n", kSaveAttempts);
    return -1;
}

int32_t upgDlCmpChecksum(const UpgDlChecksumRec* rec)
{
    // Only a whole digest can be compared; an empty one would match every line.
    if (rec == nullptr || strnlen(rec->sha256, sizeof rec->sha256) != UPG_SHA256_HEX_LEN ||
        strnlen(rec->name, sizeof rec->name) == sizeof rec->name) {
        upgLog(DBG_LEVEL_ERROR, "benchmark not match, data verify failed");
        return -1;
    }
    FILE* fp = fopen(sb::path(UPG_ID_TMP_PATH).c_str(), "rb");
    if (fp == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "open %s failed\n", UPG_ID_TMP_PATH);
        return -1;
    }
    char line[kChecksumLineLen];
    const size_t nameLen = strlen(rec->name);
    while (readLine(fp, line, sizeof line)) {
        UpgDlChecksumRec found{};
        if (!parseChecksumLine(line, &found)) {
            continue;
        }
        if (found.offset == rec->offset && found.end == rec->end && strncmp(found.name, rec->name, nameLen) == 0 &&
            strncmp(found.sha256, rec->sha256, UPG_SHA256_HEX_LEN) == 0) {
            fclose(fp);
            line[strcspn(line, "\r\n")] = '\0';
            upgLog(DBG_LEVEL_INFO, "BenchMark: %s\n", line);
            upgLog(DBG_LEVEL_INFO, "data verify pass");
            return 0;
        }
    }
    fclose(fp);
    upgLog(DBG_LEVEL_ERROR, "benchmark not match, data verify failed");
    return -1;
}
