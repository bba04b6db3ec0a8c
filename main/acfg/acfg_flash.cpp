#include "main/acfg/acfg_flash_priv.h"

#include "common/support/support.h"
#include "main/acfg/acfg_item_priv.h"
#include "main/acfg/acfg_log_priv.h"
#include "main/mw/os_pthread/os_sema.h"
#include "platform/sbroot/sb_root.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

// A file larger than this is not a store image of this system (the image is a few KiB).
constexpr uint64_t kMaxFileSize = 1u << 20;

// Bytes per element of each type code a record may carry.
constexpr uint32_t kTypeCodeSize[] = {0, 1, 2, 4, 8};
constexpr uint32_t kTypeCodeCount = sizeof(kTypeCodeSize) / sizeof(kTypeCodeSize[0]);

struct FlashState {
    // The cache lock: value copies against each other and against the file writes. Created by the
    // first build and kept for the process, since other threads may still reach for it while the
    // store exits.
    std::atomic<sema_t*> lock{nullptr};
    std::vector<uint8_t> cache;  // the file image; empty until built
    // Serialises the writers of the files (taken before the cache lock), so that the files are
    // written snapshot after snapshot and the main file is never older than the backup.
    std::mutex writes;
};

FlashState gFlash;

// Holds the cache lock for a scope; a lock that cannot be taken is logged and reported by ok().
class CacheLock {
public:
    CacheLock() : sema_(gFlash.lock.load())
    {
        locked_ = sema_ != nullptr && uSemaLock(sema_, SEMA_OPTION_WAIT) == 0;
        if (!locked_) {
            ACFG_ERR("Err: Call API uSemaLock fail\n");
        }
    }
    ~CacheLock()
    {
        if (locked_ && uSemaUnlock(sema_) != 0) {
            ACFG_ERR("Err: Call API uSemaUnlock fail\n");
        }
    }
    CacheLock(const CacheLock&) = delete;
    CacheLock& operator=(const CacheLock&) = delete;
    bool ok() const { return locked_; }

private:
    sema_t* sema_;
    bool locked_ = false;
};

bool validElementSize(uint32_t size)
{
    return size == 1 || size == 2 || size == 4 || size == 8;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now so that a failing close can be reported.
    int close()
    {
        const int ret = ::close(fd_);
        fd_ = -1;
        return ret;
    }

private:
    int fd_;
};

// Writes the whole image to `path` and syncs it. The caller holds the cache lock.
bool writeImage(const std::string& path, const std::vector<uint8_t>& image)
{
    // Checked before the file is truncated: a broken cache must not cost the file its content.
    if (image.size() < ACFG_FILE_HEADER_SIZE || acfgFileHeaderDecode(image.data()).ui4Magic != ACFG_FILE_MAGIC) {
        ACFG_ERR("Err: magic number is wrong.\r\n");
        return false;
    }
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0) {
        ACFG_ERR("Err: open %s fail!\r\n", path.c_str());
        return false;
    }
    size_t done = 0;
    while (done < image.size()) {
        const ssize_t n = ::write(fd.get(), image.data() + done, image.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ACFG_ERR("Err: Fail to write file(%d), err:%s\n", static_cast<int>(done), strerror(errno));
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd.get()) != 0) {
        ACFG_ERR("Err: Fail to write file(%d), err:%s\n", static_cast<int>(done), strerror(errno));
        return false;
    }
    return fd.close() == 0;
}

bool fileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// What a file holds for the loader. A complete image is exactly what a store writes. A partial one
// has a sound header but is cut short, announces more records than it holds, or holds bytes after
// them; its complete records are still worth more than the defaults.
enum class ImageState { Unusable, Partial, Complete };

struct LoadedFile {
    ImageState state = ImageState::Unusable;
    std::vector<uint8_t> image;
};

// Walks the records of `image` as far as they are whole: within the data the header announces
// and the bytes present, up to the announced count; a record that would run past the data, or
// whose type code has no size, ends the walk. Calls `visit` with each record's offset. True when
// the walk read every announced record and the data ends exactly behind the last.
template <typename Visit>
bool walkRecords(const std::vector<uint8_t>& image, Visit visit)
{
    const AcfgFileHeader header = acfgFileHeaderDecode(image.data());
    const uint64_t announced = uint64_t{header.ui4DataSize} + ACFG_FILE_HEADER_SIZE;
    const uint64_t end = announced < image.size() ? announced : image.size();
    uint64_t offset = ACFG_FILE_HEADER_SIZE;
    for (uint32_t i = 0; i < header.ui4ItemCount; ++i) {
        if (end - offset < ACFG_FILE_RECORD_HEAD_SIZE) {
            return false;
        }
        const AcfgFileRecord record = acfgFileRecordDecode(image.data() + offset);
        if (record.ui2Type >= kTypeCodeCount) {
            ACFG_ERR("Err: invalid type.\n");
            return false;
        }
        const uint64_t valueSize = uint64_t{record.ui2Count} * kTypeCodeSize[record.ui2Type];
        if (end - offset - ACFG_FILE_RECORD_HEAD_SIZE < valueSize) {
            return false;
        }
        visit(static_cast<size_t>(offset));
        offset += ACFG_FILE_RECORD_HEAD_SIZE + valueSize;
    }
    return offset == announced && announced == image.size();
}

// The backup's failures are logged as the backup's.
LoadedFile readImage(const std::string& path, bool backup)
{
    LoadedFile file;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (backup) {
            ACFG_ERR("Err: open backup %s fail!\r\n", path.c_str());
        } else {
            ACFG_ERR("Err: open %s fail!\r\n", path.c_str());
        }
        return file;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        return file;
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    if (size < ACFG_FILE_HEADER_SIZE) {
        if (backup) {
            ACFG_ERR("Err: Fail to read backup file header(%d), err:%s\n", static_cast<int>(size), "short file");
        } else {
            ACFG_ERR("Err: Fail to read file header(%d), err:%s\n", static_cast<int>(size), "short file");
        }
        return file;
    }
    if (size > kMaxFileSize) {
        ACFG_ERR("Err: Fail to read file content(%d), err:%s\n", static_cast<int>(size), "file too large");
        return file;
    }
    file.image.resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < file.image.size()) {
        const ssize_t n = ::read(fd.get(), file.image.data() + done, file.image.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ACFG_ERR("Err: Fail to read file content(%d), err:%s\n", static_cast<int>(done),
                     n < 0 ? strerror(errno) : "end of file");
            return file;
        }
        done += static_cast<size_t>(n);
    }
    if (acfgFileHeaderDecode(file.image.data()).ui4Magic != ACFG_FILE_MAGIC) {
        if (backup) {
            ACFG_ERR("Err: magic number of backup file is wrong.\r\n");
        } else {
            ACFG_ERR("Err: magic number is wrong.\r\n");
        }
        return file;
    }
    if (walkRecords(file.image, [](size_t) {})) {
        file.state = ImageState::Complete;
    } else {
        ACFG_ERR("Err: Fail to read file content(%d), err:%s\n", static_cast<int>(size), path.c_str());
        file.state = ImageState::Partial;
    }
    return file;
}

// Offset of the record whose 32 name bytes are `name`, in the cache built from the item table.
std::optional<size_t> findCacheRecord(const std::vector<uint8_t>& cache, const char* name)
{
    const AcfgFileHeader header = acfgFileHeaderDecode(cache.data());
    size_t offset = ACFG_FILE_HEADER_SIZE;
    for (uint32_t i = 0; i < header.ui4ItemCount; ++i) {
        const AcfgFileRecord record = acfgFileRecordDecode(cache.data() + offset);
        if (memcmp(record.szName, name, sizeof(record.szName)) == 0) {
            return offset;
        }
        offset += ACFG_FILE_RECORD_HEAD_SIZE + size_t{record.ui2Type} * record.ui2Count;
    }
    return std::nullopt;
}

// Copies every whole record of the image whose name, type and count equal a cache record's;
// unknown names and records of another type or count are passed over.
void applyImage(std::vector<uint8_t>& cache, const std::vector<uint8_t>& image)
{
    ACFG_INFO("Copy record data to cache.\n");
    walkRecords(image, [&](size_t offset) {
        const AcfgFileRecord record = acfgFileRecordDecode(image.data() + offset);
        const size_t valueSize = size_t{record.ui2Count} * kTypeCodeSize[record.ui2Type];
        const std::optional<size_t> at = findCacheRecord(cache, record.szName);
        if (!at) {
            return;
        }
        const AcfgFileRecord own = acfgFileRecordDecode(cache.data() + *at);
        if (own.ui2Type == record.ui2Type && own.ui2Count == record.ui2Count &&
            size_t{own.ui2Type} * own.ui2Count == valueSize) {
            memcpy(cache.data() + *at + ACFG_FILE_RECORD_HEAD_SIZE, image.data() + offset + ACFG_FILE_RECORD_HEAD_SIZE,
                   valueSize);
        }
    });
}

std::vector<uint8_t> buildCache()
{
    uint32_t size = ACFG_FILE_HEADER_SIZE;
    uint32_t records = 0;
    for (uint16_t idx = 0; idx < ACFG_ITEM_NUM; ++idx) {
        const AcfgItem* item = acfgGetItem(idx);
        if (item->ui1Enable == 1) {
            size += ACFG_FILE_RECORD_HEAD_SIZE + item->ui4Type * item->ui2Count;
            ++records;
        }
    }
    std::vector<uint8_t> cache(size, 0);
    acfgFileHeaderEncode({ACFG_FILE_MAGIC, records, size - static_cast<uint32_t>(ACFG_FILE_HEADER_SIZE), 0},
                         cache.data());
    uint32_t offset = ACFG_FILE_HEADER_SIZE;
    for (uint16_t idx = 0; idx < ACFG_ITEM_NUM; ++idx) {
        AcfgItem* item = acfgGetItem(idx);
        if (item->ui1Enable != 1) {
            continue;
        }
        AcfgFileRecord record{};
        memcpy(record.szName, item->szName, sizeof(record.szName));
        record.ui2Type = static_cast<uint16_t>(item->ui4Type);
        record.ui2Count = item->ui2Count;
        acfgFileRecordEncode(record, cache.data() + offset);
        const uint32_t defaultCount = item->ui2DefaultCount > item->ui2Count ? item->ui2Count : item->ui2DefaultCount;
        if (item->pvDefault != nullptr) {
            memcpy(cache.data() + offset + ACFG_FILE_RECORD_HEAD_SIZE, item->pvDefault, item->ui4Type * defaultCount);
        }
        item->ui4CacheOffset = offset + ACFG_FILE_RECORD_HEAD_SIZE;
        offset += ACFG_FILE_RECORD_HEAD_SIZE + item->ui4Type * item->ui2Count;
    }
    return cache;
}

// One half of a store, the main file or the backup.
bool storeImage(bool backup, const std::vector<uint8_t>& image)
{
    if (backup) {
        ACFG_INFO("Start save data to flash for backup.\n");
    } else {
        ACFG_INFO("Start save data to flash.\n");
    }
    if (!writeImage(sb::path(backup ? ACFG_FILE_BACKUP_PATH : ACFG_FILE_PATH), image)) {
        return false;
    }
    if (backup) {
        ACFG_INFO("Save data to flash success for backup!(Flash Written/5mins)\n");
    } else {
        ACFG_INFO("Save data to flash success!\n");
    }
    return true;
}

// The backup is touched only once the main file is whole again.
void storeBoth(const std::vector<uint8_t>& image)
{
    if (storeImage(false, image)) {
        storeImage(true, image);
    }
}

// One snapshot of the cache, taken under the cache lock; empty when the lock fails.
std::vector<uint8_t> snapshot()
{
    CacheLock lock;
    return lock.ok() ? gFlash.cache : std::vector<uint8_t>{};
}

}  // namespace

void acfgFileHeaderEncode(const AcfgFileHeader& header, uint8_t* bytes)
{
    sb::storeLe32(bytes + offsetof(AcfgFileHeader, ui4Magic), header.ui4Magic);
    sb::storeLe32(bytes + offsetof(AcfgFileHeader, ui4ItemCount), header.ui4ItemCount);
    sb::storeLe32(bytes + offsetof(AcfgFileHeader, ui4DataSize), header.ui4DataSize);
    sb::storeLe32(bytes + offsetof(AcfgFileHeader, ui4Reserved), header.ui4Reserved);
}

AcfgFileHeader acfgFileHeaderDecode(const uint8_t* bytes)
{
    return {sb::loadLe32(bytes + offsetof(AcfgFileHeader, ui4Magic)),
            sb::loadLe32(bytes + offsetof(AcfgFileHeader, ui4ItemCount)),
            sb::loadLe32(bytes + offsetof(AcfgFileHeader, ui4DataSize)),
            sb::loadLe32(bytes + offsetof(AcfgFileHeader, ui4Reserved))};
}

void acfgFileRecordEncode(const AcfgFileRecord& record, uint8_t* bytes)
{
    memcpy(bytes + offsetof(AcfgFileRecord, szName), record.szName, sizeof(record.szName));
    sb::storeLe16(bytes + offsetof(AcfgFileRecord, ui2Type), record.ui2Type);
    sb::storeLe16(bytes + offsetof(AcfgFileRecord, ui2Count), record.ui2Count);
}

AcfgFileRecord acfgFileRecordDecode(const uint8_t* bytes)
{
    AcfgFileRecord record{};
    memcpy(record.szName, bytes + offsetof(AcfgFileRecord, szName), sizeof(record.szName));
    record.ui2Type = sb::loadLe16(bytes + offsetof(AcfgFileRecord, ui2Type));
    record.ui2Count = sb::loadLe16(bytes + offsetof(AcfgFileRecord, ui2Count));
    return record;
}

int32_t acfgFlashInit(void)
{
    ACFG_INFO("acfg_flash_init\n");
    if (gFlash.lock.load() == nullptr) {
        sema_t* sema = nullptr;
        const int32_t ret = uSemaCreate(&sema, SEMA_TYPE_MUTEX, 1);
        if (ret != OSR_OK) {
            ACFG_ERR("Err:return fail:%d\r\n", static_cast<int>(ret));
            return -1;
        }
        gFlash.lock.store(sema);
    }
    uint16_t records = 0;
    {
        CacheLock lock;
        if (!lock.ok()) {
            return -5;
        }
        gFlash.cache = buildCache();
        records = static_cast<uint16_t>(acfgFileHeaderDecode(gFlash.cache.data()).ui4ItemCount);
    }
    const int32_t ret = acfgFlashLoad(records);
    if (ret != 0) {
        ACFG_ERR("Err:return fail:%d\r\n", static_cast<int>(ret));
        return -5;
    }
    return 0;
}

int32_t acfgFlashLoad(uint16_t recordCount)
{
    ACFG_INFO("Loading acfg data!\n");
    const std::string mainPath = sb::path(ACFG_FILE_PATH);
    const std::string backupPath = sb::path(ACFG_FILE_BACKUP_PATH);
    const std::lock_guard<std::mutex> writes(gFlash.writes);
    CacheLock lock;
    if (!lock.ok() || gFlash.cache.size() < ACFG_FILE_HEADER_SIZE ||
        acfgFileHeaderDecode(gFlash.cache.data()).ui4ItemCount != recordCount) {
        return -5;
    }
    if (!fileExists(mainPath) && !fileExists(backupPath)) {
        ACFG_INFO("Create %s\n", mainPath.c_str());
        storeBoth(gFlash.cache);
        return 0;
    }
    const LoadedFile main = readImage(mainPath, false);
    if (main.state == ImageState::Complete) {
        applyImage(gFlash.cache, main.image);
        ACFG_INFO("Load acfg data success.\n");
        // A backup older than the main file (cut off between the two writes) would bring old
        // values back if the next write of the main file were cut off too: bring it up now.
        const LoadedFile backup = readImage(backupPath, true);
        if (backup.state != ImageState::Complete || backup.image != gFlash.cache) {
            storeImage(true, gFlash.cache);
        }
        return 0;
    }
    if (gUi4EnableAllLog.load() == 1) {
        printf("if app.cfg is error, start backup!\n");
    }
    const LoadedFile backup = readImage(backupPath, true);
    if (backup.state == ImageState::Complete) {
        applyImage(gFlash.cache, backup.image);
        ACFG_INFO("Load acfg data success.\n");
        storeImage(false, gFlash.cache);
        return 0;
    }
    // Neither file is whole: keep every complete record that is left, the main file's over the
    // older backup's, and the defaults only for the rest.
    for (const LoadedFile* file : {&backup, &main}) {
        if (file->state == ImageState::Partial) {
            applyImage(gFlash.cache, file->image);
        }
    }
    // The backup first: cut off, it leaves the damaged main file's records for the next start.
    if (storeImage(true, gFlash.cache)) {
        storeImage(false, gFlash.cache);
    }
    return 0;
}

int32_t acfgFlashStore(void)
{
    const std::lock_guard<std::mutex> writes(gFlash.writes);
    const std::vector<uint8_t> image = snapshot();
    if (!storeImage(false, image)) {
        return -5;
    }
    storeImage(true, image);
    return 0;
}

int32_t acfgFlashStoreBackup(void)
{
    const std::lock_guard<std::mutex> writes(gFlash.writes);
    return storeImage(true, snapshot()) ? 0 : -5;
}

int32_t acfgFlashSet(uint16_t idx, const void* value, uint16_t count)
{
    CacheLock lock;
    if (!lock.ok()) {
        return -5;
    }
    const AcfgItem* item = idx < ACFG_ITEM_NUM ? acfgGetItem(idx) : nullptr;
    if (item == nullptr || count > item->ui2Count || value == nullptr) {
        ACFG_ERR("Err: invalid param\n");
        return -5;
    }
    if (!validElementSize(item->ui4Type)) {
        ACFG_ERR("Err: invalid type\n");
        return -5;
    }
    const size_t size = size_t{item->ui4Type} * count;
    if (uint64_t{item->ui4CacheOffset} + size > gFlash.cache.size() || item->ui4CacheOffset == 0) {
        ACFG_ERR("Err: invalid param\n");
        return -5;
    }
    memcpy(gFlash.cache.data() + item->ui4CacheOffset, value, size);
    return 0;
}

int32_t acfgFlashGet(uint16_t idx, void* out, uint32_t* size)
{
    CacheLock lock;
    if (!lock.ok()) {
        return -5;
    }
    const AcfgItem* item = idx < ACFG_ITEM_NUM ? acfgGetItem(idx) : nullptr;
    if (item == nullptr || out == nullptr || item->ui4CacheOffset == 0) {
        ACFG_ERR("Err: invalid param\n");
        return -5;
    }
    const size_t bytes = size_t{item->ui4Type} * item->ui2Count;
    if (uint64_t{item->ui4CacheOffset} + bytes > gFlash.cache.size()) {
        ACFG_ERR("Err: invalid param\n");
        return -5;
    }
    memcpy(out, gFlash.cache.data() + item->ui4CacheOffset, bytes);
    if (size != nullptr) {
        *size = static_cast<uint32_t>(bytes);
    }
    return 0;
}

int32_t acfgFlashUninit(void)
{
    if (gFlash.lock.load() == nullptr) {
        return 0;
    }
    CacheLock lock;
    gFlash.cache.clear();
    gFlash.cache.shrink_to_fit();
    return 0;
}
