// The upgrade ID file "upg_id_file.bin": the server URLs set on the console, the fetch of the ID
// file into "/tmp/", its keys, the decision whether an upgrade is due, the lookup of its SHA-256
// lines and, after an upgrade, its save as the local copy in "/data/misc/".
//
// Format: text lines in any order. Key lines ("Version=%d", "Force_Update=true...",
// "File_Size=%d", "Low_Memory=true...", "Image_Count=%d") start in the first column and are read
// in at most 63 characters. Checksum lines read "<name> | <first> - <last> | <64 hex digits>".
#pragma once

#include <cstdint>

constexpr uint32_t UPG_URL_LEN = 256;
constexpr const char* UPG_ID_FILE_NAME = "upg_id_file.bin";
#define UPG_ID_TMP_DIR "/tmp/"
#define UPG_ID_LOCAL_PATH "/data/misc/upg_id_file.bin"
#define UPG_ID_TMP_PATH "/tmp/upg_id_file.bin"

enum upg_id_source : uint32_t {
    UPG_ID_SRC_LOCAL = 0,    // the installed version's copy
    UPG_ID_SRC_REMOTE = 1,   // fetched from the server now
    UPG_ID_SRC_FETCHED = 2,  // the copy fetched before
};

struct upg_id_info {
    int32_t Version;
    int32_t File_Size;
    int32_t Image_Count;
    char url[UPG_URL_LEN];
    char path[UPG_URL_LEN];
    uint8_t Low_Memory;
    uint8_t Force_Update;
};

constexpr uint32_t UPG_CHECKSUM_NAME_LEN = 64;
constexpr uint32_t UPG_SHA256_HEX_LEN = 64;

struct UpgDlChecksumRec {
    char name[UPG_CHECKSUM_NAME_LEN];
    int32_t offset;  // first byte
    int32_t end;     // last byte
    char sha256[UPG_SHA256_HEX_LEN + 1];
};

// @return 0 (a null id_url changes nothing); -1 when a URL is longer than 255 characters.
int32_t upgDlSetUrl(const char* id_url, const char* pkg_url);
// Console `set_url`: none clears both URLs, one sets the base URL, two set the ID file's and the
// package's own URLs. @return 0 or -1.
int32_t upgCtrlCliSetUrl(int argc, char** argv);
// Copies the URLs as set: the ID file's (or the base) URL and the package URL (empty when the
// package URL is derived from the base URL). Both buffers hold UPG_URL_LEN bytes.
void upgDlGetUrls(char* id_url, char* pkg_url);

// @return 0 when the directory exists or was made; -1.
int32_t upgDlCreateDestDir(const char* dir);
void upgDlGetIdFileInit(upg_id_info* info);
// Fetches url to the system path `path`. @return 0; -1 on a failed transfer or an HTTP error
// status, which leave no file behind.
int32_t upgDlGetIdFile(const char* url, const char* path);
// @return 0 or an error; a missing local copy (source 0) leaves the record as it is and returns 0.
int32_t upgDlGetIdInfo(upg_id_info* info, uint32_t source);
// @return 0; -1 when the file cannot be opened or holds no key line.
int32_t upgDlParseIdInfo(upg_id_info* info, const char* path);
// @return 0 when an upgrade is due; -1 when the system is up to date or the remote file could not
// be had.
int32_t upgCtrlCheckIdInfo(void);
// @return 0 when the local and the fetched ID file name the same version; -1.
int32_t upgCtrlVerifyIdFile(void);
// Copies the fetched ID file over the local one (up to 5 attempts). @return 0 or -1.
int32_t upgCtrlSaveNewId(void);
// @return 0 when the fetched ID file holds a line for rec's name, offsets and digest; -1.
int32_t upgDlCmpChecksum(const UpgDlChecksumRec* rec);
