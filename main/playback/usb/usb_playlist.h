// The USB music playlist: the tracks found on the mounted stick by a depth-first walk of
// "/data/mnt", the current entry and how the next, previous or a numbered track is chosen, and
// the resume record "/data/misc/Music.play" that brings playback back to the same track after a
// source switch, the stick's removal or fake standby.
//
// Everything here runs on the USB playback application's thread, except the play mode and the
// index reported to the GUI, which other threads read.
#pragma once

#include <cstdint>

#define USB_PB_MOUNT_DIR "/data/mnt"
#define USB_PB_RESUME_FILE "/data/misc/Music.play"

constexpr uint32_t USB_PB_RESUME_RECORD_SIZE = 512;
constexpr uint32_t USB_PB_DIR_STACK_CAPACITY = 2000;

enum UsbPlayMode : uint32_t {
    USB_PLAY_MODE_ORDERED_LOOP = 0,  // walks the list in order, wrapping at both ends
    USB_PLAY_MODE_SINGLE_LOOP = 1,   // repeats the current track
};

// One playlist entry; entries and their paths are heap blocks owned by the list.
struct UsbPbNode {
    uint32_t index;  // 1-based position in list order
    char* path;      // "<directory>/<name>" as read, a system path ("/data/mnt/...")
    UsbPbNode* prev;
    UsbPbNode* next;
};

// A new list of the tracks below `root` (a system path), or NULL when there is none; *count gets
// the number of entries. Tracks whose path does not fit the player's url field are left out.
UsbPbNode* playbackUsbDepthFirstSearch(uint32_t* count, const char* root);
// The search of "/data/mnt" when the device manager reports a mount; NULL (count untouched) when not.
UsbPbNode* playbackUsbCreateList(uint32_t* count);
// Replaces the list and makes its first entry current. -1 when no list results: the index
// reported to the GUI becomes -1 and the GUI is told "no playlist".
int32_t playbackUsbUpdatePlaybackList(void);
// Frees the whole list that `current` points into and clears the pointer.
void playbackUsbFreeList(UsbPbNode** current);
// Makes the entry with that 1-based index current (0 and 1 give the first, a larger index than
// the count gives the last). -1 when first is NULL.
int32_t playbackUsbLocateByIndex(UsbPbNode* first, int32_t index);
// Moves by play mode and sets the reported index to the new entry's; -1 without a current entry.
int32_t playbackGstGetNextMusic(void);
int32_t playbackGstGetPrevMusic(void);

// Writes "<index>:<path>" of the current entry, zero-padded to 512 bytes. -1 without a current
// entry or when the file cannot be written.
int32_t playbackUsbWriteResumeRecord(void);
// Makes the recorded track current when the list has the same file name at the same index;
// otherwise keeps the first entry and clears gIsSourceSwitchSeekPlay (a missing record clears
// nothing). Returns 1 when the recorded track was found, else 0.
int32_t playbackUsbChooseResumeTrack(void);

UsbPbNode* playbackUsbGetPlaylistHead(void);
UsbPbNode* playbackUsbGetCurrentEntry(void);
uint32_t playbackUsbGetTrackCount(void);
// The 1-based index last reported to the GUI; -1 after a failed search.
int32_t playbackUsbGetCurrentIndex(void);
void playbackUsbSetCurrentIndex(int32_t index);
uint32_t playbackUsbGetPlayMode(void);
void playbackUsbSetPlayMode(uint32_t mode);
// Frees the list; there is no current entry until the next build.
void playbackUsbDeletePlaylist(void);
// Back to no list, index 0, ordered loop (the application's start).
void playbackUsbResetPlaylist(void);
