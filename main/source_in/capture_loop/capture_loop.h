// One capture-to-play loop, the common core of the playback_tdm_in and playback_uac_capture
// applications: a record thread reads 16-bit stereo PCM at 44100 Hz from "hw:0,1" period by period
// into a ring buffer, and a play thread writes the same bytes to the application's playback
// device. Driven only by the application's private messages (start, pause or resume, stop); it
// takes no part in the state manager's arbitration.
#pragma once

#include "main/am/aee/aee.h"
#include "main/source_in/capture_link/capture_link.h"

#include <atomic>
#include <cstdint>
#include <pthread.h>

// The 16-byte body of the private message E_APP_PRI_ALSA_PB_MSG.
struct CaptureLoopMsg {
    uint32_t ui4Id;            // CAPTURE_LOOP_START, CAPTURE_LOOP_PAUSE_RESUME, CAPTURE_LOOP_STOP
    uint32_t aui4Reserved[3];  // sent as 0, not read
};
static_assert(sizeof(CaptureLoopMsg) == 16, "the private message body is 16 bytes");

constexpr uint32_t CAPTURE_LOOP_START = 0;
constexpr uint32_t CAPTURE_LOOP_PAUSE_RESUME = 1;
constexpr uint32_t CAPTURE_LOOP_STOP = 2;

// What tells the two applications apart.
struct CaptureLoopConfig {
    const char* tag;         // "<tdm_in>"
    const char* playDevice;  // "hw:1,0"
    uint32_t ringBytes;
    const char* msgIdLine;            // "tdmin msg id [%d]\n"
    const char* recordCreateFailure;  // "tdm_in record thread create failed!"
    const char* playCreateFailure;
    bool openFailureWithError;  // the record-side open failure line carries the error
    bool progressLines;         // the record and play sides log their progress
    uint16_t (*dbgLevel)(void);
};

class CaptureLoop {
public:
    explicit CaptureLoop(const CaptureLoopConfig& config) : config_(config) {}

    // Start function of the application: the loop's state cleared, the handle kept.
    void init(handle_t app);
    // Exit function: stops a running loop and waits for its threads; -1 when not initialised.
    int32_t exit();
    bool inited() const { return initialised_.load() != 0; }
    void setInited() { initialised_.store(1); }

    // Process function: -1 when not initialised or no payload; 0 otherwise.
    int32_t process(uint32_t msgId, const void* data, uint32_t size);
    // Posts a private message to the application itself: 0, or -1.
    int32_t send(const CaptureLoopMsg* msg);

    bool running() const { return link_.running.load() != 0; }
    bool paused() const { return link_.paused.load() != 0; }

private:
    static void* loopThread(void* self);
    static void* recordThread(void* self);
    static void* playThread(void* self);
    void handle(uint32_t id);
    void start();
    void joinEnded();
    void runLoop();
    void record();
    void play();

    const CaptureLoopConfig config_;
    handle_t app_ = 0;  // touched only on the application's thread
    std::atomic<uint8_t> initialised_{0};
    CaptureLink link_;
    pthread_t loop_{};  // joined before the next start and by exit
    bool loopStarted_ = false;
    pthread_t record_{};
    pthread_t play_{};
};
