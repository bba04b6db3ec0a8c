// Handles: 32-bit names for objects that cross module boundaries. A handle names a record in one
// process-wide pool (index in the low 16 bits, an 8-bit sequence number above it, so stale handles
// fail); the record holds the object, a type, a tag and the free function that decides whether
// and how the object goes away. Records can be chained in link lists owned by the caller, and hung
// on an auxiliary list of an owner. All pool state is guarded by the OS critical section.
#pragma once

#include <cstdint>

typedef uint32_t handle_t;
typedef uint16_t handle_type;

constexpr handle_t NULL_HANDLE = 0;

// Group = type >> 6, index in the group = type & 63. Groups 0 and 1 are counted and may have an
// auto-free table; types from 128 up belong to neither.
constexpr handle_type HT_AUX_LINK_HEAD = 1;
constexpr handle_type HT_GROUP_SIZE = 64;
constexpr uint16_t HT_NUM_AUTOFREE_GROUPS = 2;

enum handle_result : int32_t {
    HR_OK = 0,
    HR_INV_ARG = -1,
    HR_INV_HANDLE = -2,
    HR_OUT_OF_HANDLES = -3,
    HR_OUT_OF_MEMORY = -4,
    HR_ALREADY_INIT = -5,
    HR_NOT_INIT = -6,
    HR_RECURSION_NOT_ALLOWED = -7,  // the list is being walked, or freed, already
    HR_NOT_ALLOWED = -8,            // not while the list is being walked
    HR_ALREADY_LINKED = -9,
    HR_NOT_LINKED = -10,
    HR_FREE_NOT_ALLOWED = -11,
    HR_INV_AUX_HEAD = -12,
    HR_INV_HANDLE_TYPE = -13,
    HR_CLI_ERROR = -14,
};

// Decides the release of a handle: non-zero agrees (and has disposed of the object as it sees
// fit), 0 refuses and the handle stays valid. Runs outside the critical section.
typedef int32_t (*handle_free_fct)(handle_t handle, handle_type type, void* obj, uint32_t tag, uint8_t flag);

// Told, with the head's object, that a member leaves an auxiliary list. Runs outside the critical
// section.
typedef void (*handle_aux_member_fct)(void* headObj);

// One entry per type of a group; non-zero means the automatic release failed.
typedef int32_t (*handle_autofree_fct)(handle_t handle, handle_type type);

// What a handleParse callback answers.
enum handle_parse_result : int32_t {
    HP_NEXT = 0,
    HP_BREAK = 1,
    HP_RESTART = 2,
};

// `count` is the number of members before the call. The callback may delink the visited member
// (and only that one).
typedef int32_t (*handle_parse_fct)(uint16_t pos, uint16_t count, handle_t handle, handle_type type, void* obj,
                                    uint32_t tag, void* arg);

// A link list header, owned and guarded by the caller; zero it with handleLinkInit.
struct handle_link_t {
    uint16_t ui2Head;
    uint16_t ui2Tail;
    uint16_t ui2Count;
    uint8_t ui1Flags;
};

// Room for n records (the first allocation takes record n); 1..65534.
int32_t uHandleUsrInit(uint16_t n);
// Frees and forgets the pool; every handle becomes invalid. The auto-free tables stay set.
void uHandleUsrUninit(void);

// Everything below answers HR_NOT_INIT before uHandleUsrInit, except handleLinkIsEmpty and
// handleNumLinks, which only read the header, and uHandleSetAutoFreeTbl, which needs no pool.
int32_t uHandleAlloc(handle_type type, void* obj, uint32_t tag, handle_free_fct freeFct, handle_t* handle);
// Also allocates a zeroed object of `size` bytes (when obj is given and size is not 0) and makes it
// the handle's object; the free function releases it with free().
int32_t handleAllocAndObj(handle_type type, uint32_t tag, uint32_t size, handle_free_fct freeFct, handle_t* handle,
                          void** obj);
int32_t uHandleFree(handle_t handle, uint8_t flag);

int32_t handleGetObj(handle_t handle, void** obj);
int32_t uHandleGetTypeObj(handle_t handle, handle_type* type, void** obj);
int32_t uHandleSetObj(handle_t handle, void* obj);

// Link lists take handles of type 64 and up; a record is in at most one list, and delinking it
// from any other list gives HR_NOT_LINKED.
int32_t uHandleLink(handle_link_t* list, handle_t handle);
int32_t uHandleDelink(handle_link_t* list, handle_t handle);
int32_t handleLinkInit(handle_link_t* list);
bool handleLinkIsEmpty(const handle_link_t* list);
uint16_t handleNumLinks(const handle_link_t* list);
// Calls `callback` for each member from the head, outside the critical section.
int32_t handleParse(handle_link_t* list, handle_parse_fct callback, void* arg);
// Frees every member with flag 0; each free function is expected to delink its member.
int32_t uHandleFreeAll(handle_link_t* list);

// An auxiliary head (type 1) can be freed only once it has no members.
int32_t uHandleAllocAuxLinkHead(void* obj, handle_aux_member_fct memberFct, handle_t* head);
int32_t uHandleLinkToAux(handle_t head, handle_t handle);
int32_t uHandleDelinkFromAux(handle_t handle);
// For a head its first member, for a member the next one; NULL_HANDLE at the end.
int32_t uHandleNextAuxLinked(handle_t handle, handle_t* next);
int32_t handleNumAuxLinks(handle_t head);
int32_t handleIsBeLinked(handle_t handle);

// `table` holds HT_GROUP_SIZE entries and must outlive its use; groups 0 and 1 only.
int32_t uHandleSetAutoFreeTbl(handle_type type, const handle_autofree_fct* table);
// Runs the auto-free entry of the handle's type; failures are logged.
int32_t uHandleAutoFree(handle_t handle);

// Snapshots for the console.
struct handle_stats_t {
    uint16_t ui2Size;
    uint16_t ui2Free;
    uint16_t ui2Peak;
    uint16_t aui2GroupUsed[HT_NUM_AUTOFREE_GROUPS];
};

struct handle_info_t {
    handle_type eType;
    uint8_t ui1Flags;
    uintptr_t uiObj;
    uintptr_t uiFreeFct;
    handle_t tLinkNext;
    handle_t tLinkPrev;
    handle_t tAuxNext;
    handle_t tAuxPrev;
    bool fgAuxHead;
    uintptr_t uiAuxMemberFct;  // of a head
    uint16_t ui2AuxCount;      // of a head
    uint32_t ui4Tag;           // of any other record
    handle_t tAuxHead;         // of any other record
};

int32_t handleGetStats(handle_stats_t* stats);
int32_t handleGetInfo(handle_t handle, handle_info_t* info);
