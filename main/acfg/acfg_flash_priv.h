// The configuration store's cache and its file. The cache is byte for byte the image of the file
// "/data/misc/app.cfg" (and of its copy "/data/misc/app.cfg.backup"): a 16-byte header, then one
// named record per enabled item in slot order. Item values are copied inside the cache; a store
// writes the whole image, to the main file first and to the backup after it.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr const char* ACFG_FILE_PATH = "/data/misc/app.cfg";
constexpr const char* ACFG_FILE_BACKUP_PATH = "/data/misc/app.cfg.backup";
constexpr uint32_t ACFG_FILE_MAGIC = 0xACF6FADA;

// File header, little-endian, at offset 0.
struct AcfgFileHeader {
    uint32_t ui4Magic;
    uint32_t ui4ItemCount;  // records that follow
    uint32_t ui4DataSize;   // file size - 16
    uint32_t ui4Reserved;   // 0
};
constexpr size_t ACFG_FILE_HEADER_SIZE = 16;
static_assert(sizeof(AcfgFileHeader) == ACFG_FILE_HEADER_SIZE);
static_assert(offsetof(AcfgFileHeader, ui4ItemCount) == 4);
static_assert(offsetof(AcfgFileHeader, ui4DataSize) == 8);
static_assert(offsetof(AcfgFileHeader, ui4Reserved) == 12);

// Head of one record, little-endian, packed; the value (element size x count bytes) follows it.
struct AcfgFileRecord {
    char szName[32];   // the item's IDX_ name, zero-padded
    uint16_t ui2Type;  // element size code
    uint16_t ui2Count;
};
constexpr size_t ACFG_FILE_RECORD_HEAD_SIZE = 36;
static_assert(sizeof(AcfgFileRecord) == ACFG_FILE_RECORD_HEAD_SIZE);
static_assert(offsetof(AcfgFileRecord, ui2Type) == 32);
static_assert(offsetof(AcfgFileRecord, ui2Count) == 34);

// The one encode/decode pair of the file layout. `bytes` holds at least the record's size.
void acfgFileHeaderEncode(const AcfgFileHeader& header, uint8_t* bytes);
AcfgFileHeader acfgFileHeaderDecode(const uint8_t* bytes);
void acfgFileRecordEncode(const AcfgFileRecord& record, uint8_t* bytes);
AcfgFileRecord acfgFileRecordDecode(const uint8_t* bytes);

// Builds the cache from the item table (every item at its default) and loads the file over it.
// 0; -1 when the cache lock cannot be created; -5 when the cache cannot be allocated.
int32_t acfgFlashInit(void);

// Loads the main file, or the backup when the main file is not one complete image, over the cache
// built for `recordCount` records, and makes both files complete again: a backup that differs
// from the loaded main file is brought up to it, a main file replaced by the backup is rewritten.
// With neither file complete, the complete records of what is left are kept (the main file's
// over the backup's) and the defaults stand only for the rest. 0, or -5 without a cache.
int32_t acfgFlashLoad(uint16_t recordCount);

// Writes one snapshot of the cache to the main file (created or truncated, then synced), then the
// same snapshot to the backup, so the backup is never newer than the main file. 0 when the main
// file was written, else -5; the backup's result is only logged.
int32_t acfgFlashStore(void);
int32_t acfgFlashStoreBackup(void);

// Copies `count` elements into item idx's place in the cache. -5 for idx out of range, a count
// above the item's or an element size other than 1, 2, 4 or 8.
int32_t acfgFlashSet(uint16_t idx, const void* value, uint16_t count);

// Copies item idx's whole value to out and its size to *size; -5 for idx out of range or a slot
// that has no place in the cache.
int32_t acfgFlashGet(uint16_t idx, void* out, uint32_t* size);

// Frees the cache; 0. The cache lock stays for the life of the process.
int32_t acfgFlashUninit(void);
