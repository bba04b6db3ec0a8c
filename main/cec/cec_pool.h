// The transmit side: every CEC frame the soundbar sends passes through cecCtrlSendMessage, which
// keeps it as a pending event in a fixed pool of 128 until the exchange is over, hands it to the
// driver tagged with the event's identity and arms the event's own 1800 ms timer. When no transmit
// status comes in time a directed frame is sent again, at most three times (a broadcast never);
// when an acknowledged request gets no reply in time its event is released.
//
// Events are taken from the head of the free list and appended to the occupied list, and released
// events go to the tail of the free list, so the occupied list runs from the oldest pending frame
// to the newest. One lock (a recursive framework mutex) covers the lists and every event's fields.
#pragma once

#include "main/cec/cec_frame.h"
#include "main/timerd/os_timer.h"

#include <cstddef>
#include <cstdint>

// Which group of messages an event's sender belongs to: part of the key that releases it.
enum CecKind : uint32_t {
    CEC_KIND_FREE = 0,
    CEC_KIND_POLLING = 1,
    CEC_KIND_ACTIVE_SOURCE = 2,  // Active Source, Text View On
    CEC_KIND_ARC = 3,            // Initiate and Terminate ARC
    CEC_KIND_FEATURE_ABORT = 4,
    CEC_KIND_ROUTING = 5,
    CEC_KIND_STANDBY = 6,
    CEC_KIND_OSD_NAME = 7,
    CEC_KIND_OSD_STRING = 8,
    CEC_KIND_POWER_STATUS = 9,
    CEC_KIND_SYSTEM_AUDIO = 10,  // system audio mode and its status, audio descriptors, audio status
    CEC_KIND_DEVICE_INFO = 11,   // menu language, physical address, CEC version
    CEC_KIND_AUDIO_RATE = 12,
    CEC_KIND_VENDOR_ID = 13,
};

enum CecEventState : uint32_t {
    CEC_EVT_FREE = 0,
    CEC_EVT_SENT = 1,        // waiting for the transmit status
    CEC_EVT_WAIT_REPLY = 2,  // acknowledged request, waiting for its reply
};

constexpr uint32_t CEC_EVENT_POOL_SIZE = 128;
constexpr uint32_t CEC_EVENT_OPERAND_MAX = 14;
constexpr uint32_t CEC_ACK_TIMEOUT_MS = 1800;
constexpr uint32_t CEC_REPLY_TIMEOUT_MS = 1800;
constexpr uint8_t CEC_MAX_RESEND = 3;

// One pending transmission.
struct CecEvent {
    uint32_t ui4Opcode;       // CEC_OPCODE_POLLING while free
    uint32_t ui4Initiator;    // CEC_LA_NONE while free
    uint32_t ui4Destination;  // CEC_LA_NONE while free
    uint8_t ui1OperandCount;
    uint8_t aui1Operand[CEC_EVENT_OPERAND_MAX];
    uint8_t ui1Retry;
    uint32_t ui4Kind;  // CecKind
    uint32_t ui4State;  // CecEventState
    os_timer_t* prTimer;  // the event's own, for the pool's life
    CecEvent* prPrev;
    CecEvent* prNext;
    // The event's identity towards the driver and in its timer's record: its index plus one.
    uint32_t ui4Tag;
    // Counts the event's allocations, so a time-out that was already queued when its event was
    // released and taken again is told from the new one's.
    uint32_t ui4Serial;
    uint8_t ui1Pending;  // on the occupied list
};

// The 48-byte record every timer of the subsystem carries: the u32 at byte 32 tells what expired
// (an event's state, or 0 for the fake-plug-in guard). An event's record holds its fields at the
// board's offsets and, where the board keeps its timer and list links, its tag (byte 36) and
// serial (byte 40).
constexpr uint32_t CEC_TIMER_REC_SIZE = 48;
constexpr size_t CEC_TIMER_REC_OFF_STATE = 32;
constexpr size_t CEC_TIMER_REC_OFF_TAG = 36;
constexpr size_t CEC_TIMER_REC_OFF_SERIAL = 40;

void cecEventToTimerRec(const CecEvent& event, uint8_t out[CEC_TIMER_REC_SIZE]);
// A copy of the event the record stands for (no timer, no links). @return false when the record
// is null or shorter than CEC_TIMER_REC_SIZE.
bool cecEventFromTimerRec(const void* data, uint32_t size, CecEvent* out);

// The pool's lock, created by the application's start before cecCtrlInit.
int32_t cecSemaMtxCreate(void);
int32_t cecSemaMtxDelet(void);
// @return 0, or -1 when the wait failed.
int32_t cecSemaMtxLock(void);
int32_t cecSemaMtxNulock(void);

// Allocates the pool and its timers, then runs cecCtrlOpenDriver. @return its result; -2 when
// started already; -7 without memory; -4 when a timer cannot be created (the pool stays unstarted).
int32_t cecCtrlInit(void);
// Clears the started flag only. @return 0; -4 when not started.
int32_t cecCtrlUninit(void);
bool cecCtrlIsInited(void);

// A free event moved to the occupied list, or null.
CecEvent* cecCtrlAllocEvent(void);
// Releases the oldest pending event with the key's kind, opcode and initiator (the destination is
// not compared); the key may be a pool event or a copy. @return 1 when one was released, else 0.
int32_t cecCtrlFreeEvent(const CecEvent* key);
// The oldest pending event with that opcode, destination and state, or null. Only the
// application's thread may change or release it.
CecEvent* cecCtrlSearchActionEvent(uint32_t opcode, uint32_t destination, uint32_t state);
// The pool event of a driver tag, or null for a tag that names none (0 or beyond the pool).
CecEvent* cecCtrlEventFromTag(uint32_t tag);
// The numbers of pending and free events.
void cecCtrlEventCounts(uint8_t* occupied, uint8_t* free);
// Logs every pending event and both counts (information level). @return 0.
int32_t cecCtrlNumberOfEventPool(void);

// Arms the event's timer once for `ms` with its record as the data. @return 0 or the timer's error.
int32_t cecCtrlStartEventTimer(CecEvent* event, uint32_t ms);

// Sends one frame as a pending event of `kind`. @return 0; -4 when the pool is empty, the timer
// could not be armed or the driver refused the frame (nothing stays pending then).
int32_t cecCtrlSendMessage(uint32_t kind, const CecFrame* frame);
// Sends a pending event again under the same tag. @return 0, or -4 (the event is released).
int32_t cecCtrlSendMessageByEvent(CecEvent* event);

// Time-outs, called with the timer's copy on the application's thread: no transmit status (state
// 1) resends or releases, no reply (state 2) releases.
void cecHandleAckTimeout(const CecEvent* expired);
void cecHandleFrameTimeout(const CecEvent* expired);
