#include "main/playback/usb/usb_playlist.h"

#include "main/device_mngr/dm_mount.h"
#include "main/gui/wrapper/wrapper_usb.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/playback/usb/usb_pb_log.h"
#include "main/playback/usb/usb_pb_msg.h"
#include "main/state_mngr/state_mngr.h"
#include "platform/sbroot/sb_root.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct Playlist {
    UsbPbNode* head = nullptr;
    UsbPbNode* current = nullptr;
    uint32_t trackCount = 0;
    // Read by the player's reply thread when it reports the status to the GUI.
    std::atomic<int32_t> currentIndex{0};
    // Set by the GUI's wrapper on its own thread.
    std::atomic<uint32_t> playMode{USB_PLAY_MODE_ORDERED_LOOP};
};
Playlist g;

// Directories waiting to be read; it starts with room for 2000 and grows.
class DirStack {
public:
    DirStack() { paths_.reserve(capacity_); }
    void push(std::string path)
    {
        if (paths_.size() == capacity_) {
            USB_PB_INFO("stack full, realloc memory for stack!!\n");
            capacity_ *= 2;
            paths_.reserve(capacity_);
        }
        paths_.push_back(std::move(path));
    }
    bool empty() const { return paths_.empty(); }
    std::string pop()
    {
        std::string top = std::move(paths_.back());
        paths_.pop_back();
        return top;
    }

private:
    size_t capacity_ = USB_PB_DIR_STACK_CAPACITY;
    std::vector<std::string> paths_;
};

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

bool isTrackName(const char* name)
{
    if (name[0] == '.') {
        return false;
    }
    std::string lower(name);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower.find(".mp3") != std::string::npos;
}

UsbPbNode* newNode(uint32_t index, const std::string& path)
{
    auto* node = static_cast<UsbPbNode*>(calloc(1, sizeof(UsbPbNode)));
    if (node == nullptr) {
        return nullptr;
    }
    node->path = strdup(path.c_str());
    if (node->path == nullptr) {
        free(node);
        return nullptr;
    }
    node->index = index;
    return node;
}

const char* lastComponent(const char* path)
{
    const char* slash = strrchr(path, '/');
    return slash != nullptr ? slash + 1 : nullptr;
}

}  // namespace

UsbPbNode* playbackUsbDepthFirstSearch(uint32_t* count, const char* root)
{
    if (count == nullptr || root == nullptr) {
        return nullptr;
    }
    UsbPbNode* first = nullptr;
    UsbPbNode* last = nullptr;
    uint32_t tracks = 0;
    DirStack stack;
    stack.push(root);
    while (!stack.empty()) {
        const std::string dirPath = stack.pop();
        std::unique_ptr<DIR, DirCloser> dir(opendir(sb::path(dirPath).c_str()));
        if (!dir) {
            if (errno == ENOTDIR) {
                USB_PB_ERR("%s is not a dir\n", dirPath.c_str());
            } else {
                USB_PB_ERR("open %s fail, errno=%d\n", dirPath.c_str(), errno);
            }
            continue;
        }
        for (;;) {
            errno = 0;
            const dirent* entry = readdir(dir.get());
            if (entry == nullptr) {
                if (errno != 0) {
                    USB_PB_ERR("read %s fail, errno=%d\n", dirPath.c_str(), errno);
                }
                break;
            }
            if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0) {
                continue;
            }
            std::string path = dirPath + "/" + entry->d_name;
            struct stat st {};
            if (lstat(sb::path(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                stack.push(std::move(path));
                continue;
            }
            if (!isTrackName(entry->d_name)) {
                continue;
            }
            // The player takes the path whole; a cut one would name another file.
            if (path.size() >= PLAYER_URL_SIZE) {
                USB_PB_ERR("path too long for the player (%zu), skip %s\n", path.size(), path.c_str());
                continue;
            }
            UsbPbNode* node = newNode(tracks + 1, path);
            if (node == nullptr) {
                USB_PB_ERR("failed to malloc: %zu\n", path.size());
                continue;
            }
            ++tracks;
            if (last == nullptr) {
                first = node;
            } else {
                last->next = node;
                node->prev = last;
            }
            last = node;
        }
    }
    *count = tracks;
    USB_PB_INFO("USB Playback List Length is %u\n", tracks);
    if (first == nullptr) {
        USB_PB_ERR("USB Playback List create fail at line %d\n", __LINE__);
    }
    return first;
}

UsbPbNode* playbackUsbCreateList(uint32_t* count)
{
    DmMntInfo info{};
    const int32_t ret = uDmGetMntInfo(&info);
    if (ret != DMR_OK) {
        USB_PB_ERR("get mnt info failed(ret:%d)!\n", ret);
        return nullptr;
    }
    USB_PB_INFO("usb device path:%s\n", info.acMntPath);
    return playbackUsbDepthFirstSearch(count, USB_PB_MOUNT_DIR);
}

int32_t playbackUsbUpdatePlaybackList(void)
{
    if (g.current != nullptr || g.head != nullptr) {
        playbackUsbFreeList(g.current != nullptr ? &g.current : &g.head);
        g.head = nullptr;
        g.current = nullptr;
    }
    UsbPbNode* first = playbackUsbCreateList(&g.trackCount);
    g.head = first;
    g.current = first;
    if (first == nullptr) {
        USB_PB_ERR("playbackUsbUpdatePlaybackList failed \n");
        g.currentIndex.store(-1);
        guiWrapperUsbUDiskMusicStsCbk(1, 0);
        return -1;
    }
    USB_PB_INFO("playback list num is %u\n", g.trackCount);
    return 0;
}

void playbackUsbFreeList(UsbPbNode** current)
{
    if (current == nullptr || *current == nullptr) {
        return;
    }
    UsbPbNode* node = *current;
    while (node->prev != nullptr) {
        node = node->prev;
    }
    while (node != nullptr) {
        UsbPbNode* next = node->next;
        free(node->path);
        free(node);
        node = next;
    }
    *current = nullptr;
}

int32_t playbackUsbLocateByIndex(UsbPbNode* first, int32_t index)
{
    if (first == nullptr) {
        USB_PB_ERR("Wav playback list is NULL!\n");
        return -1;
    }
    UsbPbNode* node = first;
    for (int32_t n = 1; n < index && node->next != nullptr; ++n) {
        node = node->next;
    }
    g.current = node;
    return 0;
}

int32_t playbackGstGetNextMusic(void)
{
    if (g.current == nullptr) {
        USB_PB_ERR("playback list delet or error\n");
        return -1;
    }
    if (g.playMode.load() == USB_PLAY_MODE_ORDERED_LOOP) {
        g.current = g.current->next != nullptr ? g.current->next : g.head;
        g.currentIndex.store(static_cast<int32_t>(g.current->index));
    }
    USB_PB_INFO("next music %s\n", g.current->path);
    return 0;
}

int32_t playbackGstGetPrevMusic(void)
{
    if (g.current == nullptr) {
        USB_PB_ERR("playback list delet or error\n");
        return -1;
    }
    if (g.playMode.load() != USB_PLAY_MODE_ORDERED_LOOP) {
        USB_PB_INFO("prev music %s\n", g.current->path);
        return 0;
    }
    if (g.current->prev != nullptr) {
        g.current = g.current->prev;
    } else {
        while (g.current->next != nullptr) {
            g.current = g.current->next;
        }
    }
    g.currentIndex.store(static_cast<int32_t>(g.current->index));
    USB_PB_INFO("prev index:%u, prev music:%s\n", g.current->index, g.current->path);
    return 0;
}

int32_t playbackUsbWriteResumeRecord(void)
{
    if (g.current == nullptr) {
        return -1;
    }
    std::array<char, USB_PB_RESUME_RECORD_SIZE> record{};
    snprintf(record.data(), record.size(), "%u:%s", g.current->index, g.current->path);
    FILE* out = fopen(sb::path(USB_PB_RESUME_FILE).c_str(), "wb");
    if (out == nullptr) {
        USB_PB_TRACE("open %s fail, errno=%d", USB_PB_RESUME_FILE, errno);
        return -1;
    }
    const size_t written = fwrite(record.data(), 1, record.size(), out);
    const int closed = fclose(out);
    if (written != record.size() || closed != 0) {
        USB_PB_TRACE("write %s fail", USB_PB_RESUME_FILE);
        return -1;
    }
    return 0;
}

int32_t playbackUsbChooseResumeTrack(void)
{
    FILE* in = fopen(sb::path(USB_PB_RESUME_FILE).c_str(), "rb");
    if (in == nullptr) {
        return 0;
    }
    std::array<char, USB_PB_RESUME_RECORD_SIZE> line{};
    const bool read = fgets(line.data(), static_cast<int>(line.size()), in) != nullptr;
    fclose(in);
    if (!read) {
        line[0] = '\0';
    }
    USB_PB_INFO("music read info is %s\n", line.data());
    int index = 0;
    if (sscanf(line.data(), "%d:", &index) != 1) {
        index = 0;
    }
    const char* colon = strchr(line.data(), ':');
    if (colon == nullptr || colon[1] == '\0') {
        gIsSourceSwitchSeekPlay.store(0);
        return 0;
    }
    const char* savedPath = colon + 1;
    USB_PB_INFO("find music index is %d, udisk uuid is %s\n", index, savedPath);
    UsbPbNode* node = g.current;
    while (node != nullptr && static_cast<int64_t>(node->index) != index) {
        node = node->next;
    }
    if (node == nullptr) {
        gIsSourceSwitchSeekPlay.store(0);
        return 0;
    }
    USB_PB_INFO("find same music index.music index is %d,music name is %s\n", index, node->path);
    const char* savedName = lastComponent(savedPath);
    const char* name = lastComponent(node->path);
    if (savedName == nullptr || name == nullptr) {
        gIsSourceSwitchSeekPlay.store(0);
        return 0;
    }
    USB_PB_INFO("save music name is %s,current music name is %s\n", savedName, name);
    if (strcmp(savedName, name) != 0) {
        gIsSourceSwitchSeekPlay.store(0);
        return 0;
    }
    g.current = node;
    USB_PB_INFO("find same music index and name, index is %d, music name is %s\n", index, node->path);
    return 1;
}

UsbPbNode* playbackUsbGetPlaylistHead(void)
{
    return g.head;
}

UsbPbNode* playbackUsbGetCurrentEntry(void)
{
    return g.current;
}

uint32_t playbackUsbGetTrackCount(void)
{
    return g.trackCount;
}

int32_t playbackUsbGetCurrentIndex(void)
{
    return g.currentIndex.load();
}

void playbackUsbSetCurrentIndex(int32_t index)
{
    g.currentIndex.store(index);
}

uint32_t playbackUsbGetPlayMode(void)
{
    return g.playMode.load();
}

void playbackUsbSetPlayMode(uint32_t mode)
{
    g.playMode.store(mode);
}

void playbackUsbDeletePlaylist(void)
{
    playbackUsbFreeList(&g.head);
    g.current = nullptr;
}

void playbackUsbResetPlaylist(void)
{
    playbackUsbFreeList(&g.head);
    g.current = nullptr;
    g.trackCount = 0;
    g.currentIndex.store(0);
    g.playMode.store(USB_PLAY_MODE_ORDERED_LOOP);
}
