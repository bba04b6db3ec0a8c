#include "main/mw/handle/handle.h"

#include "main/mw/os_pthread/os_crit.h"
#include "main/mw/os_pthread/os_err.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kFile = "handle";

constexpr uint8_t HF_IN_USE = 0x01;
constexpr uint8_t HF_VISITED = 0x02;
constexpr uint8_t HF_IN_LINK = 0x04;
constexpr uint8_t HF_BEING_FREED = 0x08;

constexpr uint8_t LF_WALKING = 0x01;
constexpr uint8_t LF_FREEING = 0x02;

constexpr uint32_t kSeqShift = 16;
constexpr handle_t kHandleLimit = 0x1000000;
constexpr uint16_t kSpareRecords = 5;
constexpr uint16_t kGrowStep = 1000;
constexpr uint16_t kMinFree = 11;
constexpr uint32_t kMaxPoolSize = 0xFFFE;

// Exit codes of the log line for the failures that are only logged.
constexpr uint32_t kParseCountDropped = 1;
constexpr uint32_t kParseBadResult = 2;
constexpr uint32_t kFreeStillLinked = 4;
constexpr uint32_t kAutoFreeNoEntry = 5;
constexpr uint32_t kAutoFreeNoTable = 6;
constexpr uint32_t kAutoFreeLookup = 7;
constexpr uint32_t kAutoFreeFailed = 8;

struct handle_rec_t {
    union {
        uint32_t ui4Tag;
        handle_aux_member_fct pfAuxMember;  // of an auxiliary head
    };
    void* pvObj;
    handle_free_fct pfFree;
    uint16_t ui2LinkNext;  // also chains the free list
    uint16_t ui2LinkPrev;
    uint16_t ui2AuxNext;  // in a head: its first member
    uint16_t ui2AuxPrev;
    uint16_t ui2AuxHead;
    uint16_t ui2AuxCount;
    handle_type eType;
    uint8_t ui1Seq;
    uint8_t ui1Flags;
};

struct HandlePool {
    handle_rec_t* recs = nullptr;  // size + spare records; record 0 is never used
    uint16_t size = 0;
    uint16_t freeHead = 0;
    uint16_t freeCount = 0;
    uint16_t peak = 0;
    uint16_t groupUsed[HT_NUM_AUTOFREE_GROUPS] = {};
    const handle_autofree_fct* autoFree[HT_NUM_AUTOFREE_GROUPS] = {};
    bool started = false;
};

HandlePool gPool;

class Crit {
public:
    Crit() : depth_(uCritStart()) {}
    ~Crit() { uCritEnd(depth_); }
    Crit(const Crit&) = delete;
    Crit& operator=(const Crit&) = delete;

private:
    uint32_t depth_;
};

// A member leaving an auxiliary list is announced to its head's callback after the critical
// section is left.
struct AuxLeave {
    handle_aux_member_fct fct = nullptr;
    void* headObj = nullptr;

    void run() const
    {
        if (fct != nullptr) {
            fct(headObj);
        }
    }
};

// Records are addressed by index only: the pool moves when it grows.
handle_rec_t& rec(uint16_t index)
{
    return gPool.recs[index];
}

uint16_t indexOf(handle_t handle)
{
    return static_cast<uint16_t>(handle & 0xFFFFu);
}

handle_t handleOf(uint16_t index)
{
    return index == 0 ? NULL_HANDLE : index | static_cast<handle_t>(rec(index).ui1Seq) << kSeqShift;
}

handle_rec_t* liveRec(handle_t handle)
{
    const uint16_t index = indexOf(handle);
    if (handle >= kHandleLimit || index == 0 || index > gPool.size) {
        return nullptr;
    }
    handle_rec_t& r = rec(index);
    if ((r.ui1Flags & HF_IN_USE) == 0 || r.ui1Seq != static_cast<uint8_t>(handle >> kSeqShift)) {
        return nullptr;
    }
    return &r;
}

// Inside the critical section: the live record of a handle, or why there is none.
int32_t lookupLocked(handle_t handle, handle_rec_t** out)
{
    if (!gPool.started) {
        return HR_NOT_INIT;
    }
    *out = liveRec(handle);
    return *out == nullptr ? HR_INV_HANDLE : HR_OK;
}

// Inside the critical section: a record that may join or leave a link list (type 64 and up).
int32_t linkableLocked(const handle_link_t* list, handle_t handle, handle_rec_t** out)
{
    if (!gPool.started) {
        return HR_NOT_INIT;
    }
    if (list == nullptr) {
        return HR_INV_ARG;
    }
    *out = liveRec(handle);
    return *out == nullptr || (*out)->eType < HT_GROUP_SIZE ? HR_INV_HANDLE : HR_OK;
}

// Inside the critical section: whether the linked record `index` is a member of `list` and not of
// another list. Its chain ends at a first and a last member, which are this list's head and tail
// exactly when it belongs here; both ends are sought at once, so the cost is the distance to the
// nearer end.
bool isMemberLocked(const handle_link_t* list, uint16_t index)
{
    uint16_t back = index;
    uint16_t ahead = index;
    for (uint32_t steps = 0; steps <= gPool.size; ++steps) {
        if (rec(back).ui2LinkPrev == 0) {
            return back == list->ui2Head;
        }
        if (rec(ahead).ui2LinkNext == 0) {
            return ahead == list->ui2Tail;
        }
        back = rec(back).ui2LinkPrev;
        ahead = rec(ahead).ui2LinkNext;
    }
    return false;
}

int32_t groupOf(handle_type type)
{
    return type / HT_GROUP_SIZE;
}

void pushFree(uint16_t index)
{
    rec(index).ui2LinkNext = gPool.freeHead;
    gPool.freeHead = index;
    ++gPool.freeCount;
}

// Lays the pool over `buffer` of `bytes` bytes with records 1..n free, n on top.
int32_t handleInit(uint16_t n, handle_rec_t* buffer, size_t bytes)
{
    if (gPool.started) {
        return HR_ALREADY_INIT;
    }
    if (n == 0 || n == 0xFFFF || buffer == nullptr) {
        return HR_INV_ARG;
    }
    if (bytes < (static_cast<size_t>(n) + kSpareRecords) * sizeof(handle_rec_t)) {
        return HR_OUT_OF_MEMORY;
    }
    memset(static_cast<void*>(buffer), 0, bytes);
    gPool.recs = buffer;
    gPool.size = n;
    gPool.freeHead = 0;
    gPool.freeCount = 0;
    gPool.peak = 0;
    for (uint16_t i = 1; i <= n; ++i) {
        pushFree(i);
    }
    memset(gPool.groupUsed, 0, sizeof(gPool.groupUsed));
    gPool.started = true;
    return HR_OK;
}

bool growLocked()
{
    const uint32_t newSize = static_cast<uint32_t>(gPool.size) + kGrowStep;
    if (newSize > kMaxPoolSize) {
        return false;
    }
    void* grown = realloc(static_cast<void*>(gPool.recs), (newSize + kSpareRecords) * sizeof(handle_rec_t));
    if (grown == nullptr) {
        return false;
    }
    gPool.recs = static_cast<handle_rec_t*>(grown);
    memset(static_cast<void*>(&rec(static_cast<uint16_t>(gPool.size + 1))), 0,
           (newSize + kSpareRecords - gPool.size - 1) * sizeof(handle_rec_t));
    for (uint32_t i = gPool.size + 1u; i <= newSize; ++i) {
        pushFree(static_cast<uint16_t>(i));
    }
    gPool.size = static_cast<uint16_t>(newSize);
    return true;
}

int32_t allocLocked(handle_type type, void* obj, uint32_t tag, handle_free_fct freeFct, handle_t* out)
{
    const uint16_t index = gPool.freeHead;
    if (index == 0) {
        return HR_OUT_OF_HANDLES;
    }
    gPool.freeHead = rec(index).ui2LinkNext;
    --gPool.freeCount;
    if (gPool.freeCount < kMinFree && !growLocked()) {
        pushFree(index);
        return HR_OUT_OF_HANDLES;
    }
    if (groupOf(type) < HT_NUM_AUTOFREE_GROUPS) {
        ++gPool.groupUsed[groupOf(type)];
    }
    const uint16_t used = static_cast<uint16_t>(gPool.size - gPool.freeCount);
    if (used > gPool.peak) {
        gPool.peak = used;
    }
    handle_rec_t& r = rec(index);
    const uint8_t seq = static_cast<uint8_t>(r.ui1Seq + 1);
    r = handle_rec_t{};
    r.ui4Tag = tag;
    r.pvObj = obj;
    r.pfFree = freeFct;
    r.eType = type;
    r.ui1Flags = HF_IN_USE;
    r.ui1Seq = seq;
    *out = handleOf(index);
    return HR_OK;
}

AuxLeave delinkAuxLocked(handle_rec_t& r)
{
    handle_rec_t& head = rec(r.ui2AuxHead);
    const AuxLeave leave{head.pfAuxMember, head.pvObj};
    if (r.ui2AuxPrev == 0) {
        head.ui2AuxNext = r.ui2AuxNext;
    } else {
        rec(r.ui2AuxPrev).ui2AuxNext = r.ui2AuxNext;
    }
    if (r.ui2AuxNext != 0) {
        rec(r.ui2AuxNext).ui2AuxPrev = r.ui2AuxPrev;
    }
    r.ui2AuxNext = r.ui2AuxPrev = r.ui2AuxHead = 0;
    if (head.ui2AuxCount > 0) {
        --head.ui2AuxCount;
    }
    return leave;
}

// The free function agreed: give the record back, unless it is still in a link list, where it
// stays marked as being freed so that its free function is never asked again.
int32_t releaseLocked(uint16_t index, AuxLeave* leave)
{
    handle_rec_t& r = rec(index);
    if ((r.ui1Flags & HF_IN_LINK) != 0) {
        OS_LOG_EXIT_CODE(kFile, kFreeStillLinked);
        return HR_FREE_NOT_ALLOWED;
    }
    if (r.ui2AuxHead != 0) {
        *leave = delinkAuxLocked(r);
    }
    const int32_t group = groupOf(r.eType);
    const uint8_t seq = static_cast<uint8_t>(r.ui1Seq + 1);
    r = handle_rec_t{};
    r.ui1Seq = seq;
    pushFree(index);
    if (group < HT_NUM_AUTOFREE_GROUPS && gPool.groupUsed[group] > 0) {
        --gPool.groupUsed[group];
    }
    return HR_OK;
}

// The whole release of one handle: the free function runs outside the critical section.
int32_t freeHandle(handle_t handle, uint8_t flag)
{
    handle_free_fct freeFct = nullptr;
    handle_type type = 0;
    void* obj = nullptr;
    uint32_t tag = 0;
    {
        Crit crit;
        handle_rec_t* r = nullptr;
        if (const int32_t found = lookupLocked(handle, &r); found != HR_OK) {
            return found;
        }
        if ((r->ui1Flags & HF_BEING_FREED) != 0) {
            return HR_FREE_NOT_ALLOWED;
        }
        r->ui1Flags |= HF_BEING_FREED;
        freeFct = r->pfFree;
        type = r->eType;
        obj = r->pvObj;
        tag = type == HT_AUX_LINK_HEAD ? 0 : r->ui4Tag;
    }
    const bool agreed = freeFct(handle, type, obj, tag, flag) != 0;
    AuxLeave leave;
    int32_t result = HR_OK;
    {
        Crit crit;
        handle_rec_t* r = liveRec(handle);
        if (r == nullptr) {
            return HR_INV_HANDLE;
        }
        if (!agreed) {
            r->ui1Flags &= static_cast<uint8_t>(~HF_BEING_FREED);
            return HR_FREE_NOT_ALLOWED;
        }
        result = releaseLocked(indexOf(handle), &leave);
    }
    leave.run();
    return result;
}

int32_t auxHeadFree(handle_t handle, handle_type, void*, uint32_t, uint8_t)
{
    Crit crit;
    const handle_rec_t* head = liveRec(handle);
    return head != nullptr && head->ui2AuxCount == 0 ? 1 : 0;
}

}  // namespace

int32_t uHandleUsrInit(uint16_t n)
{
    const size_t bytes = (static_cast<size_t>(n) + kSpareRecords) * sizeof(handle_rec_t);
    auto* buffer = static_cast<handle_rec_t*>(malloc(bytes));
    if (buffer == nullptr) {
        printf("malloc HANDLE buffer failed\n");
        return HR_INV_ARG;
    }
    Crit crit;
    const int32_t result = handleInit(n, buffer, bytes);
    if (result != HR_OK) {
        free(buffer);
    }
    return result;
}

void uHandleUsrUninit(void)
{
    Crit crit;
    free(gPool.recs);
    // The auto-free tables are not part of the pool: start-up sets them before the pool exists,
    // so they stay for a pool started again.
    const HandlePool kept = gPool;
    gPool = HandlePool{};
    for (uint16_t g = 0; g < HT_NUM_AUTOFREE_GROUPS; ++g) {
        gPool.autoFree[g] = kept.autoFree[g];
    }
}

int32_t uHandleAlloc(handle_type type, void* obj, uint32_t tag, handle_free_fct freeFct, handle_t* handle)
{
    Crit crit;
    if (!gPool.started) {
        return HR_NOT_INIT;
    }
    if (handle == nullptr || freeFct == nullptr) {
        return HR_INV_ARG;
    }
    if (type == 0) {
        return HR_INV_HANDLE_TYPE;
    }
    return allocLocked(type, obj, tag, freeFct, handle);
}

int32_t handleAllocAndObj(handle_type type, uint32_t tag, uint32_t size, handle_free_fct freeFct, handle_t* handle,
                          void** obj)
{
    {
        Crit crit;
        if (!gPool.started) {
            return HR_NOT_INIT;
        }
    }
    void* newObj = nullptr;
    if (obj != nullptr && size != 0) {
        newObj = calloc(1, size);
        if (newObj == nullptr) {
            return HR_OUT_OF_MEMORY;
        }
    }
    const int32_t result = uHandleAlloc(type, newObj, tag, freeFct, handle);
    if (result != HR_OK) {
        free(newObj);
        return result;
    }
    if (obj != nullptr) {
        *obj = newObj;
    }
    return HR_OK;
}

int32_t uHandleFree(handle_t handle, uint8_t flag)
{
    return freeHandle(handle, flag);
}

int32_t handleGetObj(handle_t handle, void** obj)
{
    Crit crit;
    if (obj == nullptr) {
        return gPool.started ? HR_INV_ARG : HR_NOT_INIT;
    }
    handle_rec_t* r = nullptr;
    if (const int32_t found = lookupLocked(handle, &r); found != HR_OK) {
        return found;
    }
    *obj = r->pvObj;
    return HR_OK;
}

int32_t uHandleGetTypeObj(handle_t handle, handle_type* type, void** obj)
{
    Crit crit;
    if (type == nullptr || obj == nullptr) {
        return gPool.started ? HR_INV_ARG : HR_NOT_INIT;
    }
    handle_rec_t* r = nullptr;
    if (const int32_t found = lookupLocked(handle, &r); found != HR_OK) {
        return found;
    }
    *type = r->eType;
    *obj = r->pvObj;
    return HR_OK;
}

int32_t uHandleSetObj(handle_t handle, void* obj)
{
    Crit crit;
    handle_rec_t* r = nullptr;
    if (const int32_t found = lookupLocked(handle, &r); found != HR_OK) {
        return found;
    }
    r->pvObj = obj;
    return HR_OK;
}

int32_t uHandleLink(handle_link_t* list, handle_t handle)
{
    Crit crit;
    handle_rec_t* r = nullptr;
    if (const int32_t found = linkableLocked(list, handle, &r); found != HR_OK) {
        return found;
    }
    if ((r->ui1Flags & HF_IN_LINK) != 0) {
        return HR_ALREADY_LINKED;
    }
    const uint16_t index = indexOf(handle);
    r->ui2LinkPrev = list->ui2Tail;
    r->ui2LinkNext = 0;
    if (list->ui2Tail == 0) {
        list->ui2Head = index;
    } else {
        rec(list->ui2Tail).ui2LinkNext = index;
    }
    list->ui2Tail = index;
    ++list->ui2Count;
    r->ui1Flags |= HF_IN_LINK;
    return HR_OK;
}

int32_t uHandleDelink(handle_link_t* list, handle_t handle)
{
    Crit crit;
    handle_rec_t* r = nullptr;
    if (const int32_t found = linkableLocked(list, handle, &r); found != HR_OK) {
        return found;
    }
    const uint16_t index = indexOf(handle);
    if ((r->ui1Flags & HF_IN_LINK) == 0 || !isMemberLocked(list, index)) {
        return HR_NOT_LINKED;
    }
    if ((list->ui1Flags & LF_WALKING) != 0 && (r->ui1Flags & HF_VISITED) == 0) {
        return HR_NOT_ALLOWED;
    }
    if (r->ui2LinkPrev == 0) {
        list->ui2Head = r->ui2LinkNext;
    } else {
        rec(r->ui2LinkPrev).ui2LinkNext = r->ui2LinkNext;
    }
    if (r->ui2LinkNext == 0) {
        list->ui2Tail = r->ui2LinkPrev;
    } else {
        rec(r->ui2LinkNext).ui2LinkPrev = r->ui2LinkPrev;
    }
    r->ui2LinkNext = r->ui2LinkPrev = 0;
    r->ui1Flags &= static_cast<uint8_t>(~HF_IN_LINK);
    --list->ui2Count;
    return HR_OK;
}

int32_t handleLinkInit(handle_link_t* list)
{
    Crit crit;
    if (!gPool.started) {
        return HR_NOT_INIT;
    }
    if (list == nullptr) {
        return HR_INV_ARG;
    }
    *list = handle_link_t{};
    return HR_OK;
}

bool handleLinkIsEmpty(const handle_link_t* list)
{
    return list == nullptr || list->ui2Count == 0;
}

uint16_t handleNumLinks(const handle_link_t* list)
{
    return list == nullptr ? 0 : list->ui2Count;
}

int32_t handleParse(handle_link_t* list, handle_parse_fct callback, void* arg)
{
    uint16_t index = 0;
    {
        Crit crit;
        if (!gPool.started) {
            return HR_NOT_INIT;
        }
        if (list == nullptr || callback == nullptr) {
            return HR_INV_ARG;
        }
        if ((list->ui1Flags & LF_WALKING) != 0) {
            return HR_RECURSION_NOT_ALLOWED;
        }
        list->ui1Flags |= LF_WALKING;
        index = list->ui2Head;
    }
    uint16_t pos = 0;
    while (index != 0) {
        handle_t handle = NULL_HANDLE;
        handle_type type = 0;
        void* obj = nullptr;
        uint32_t tag = 0;
        uint16_t countBefore = 0;
        uint16_t savedNext = 0;
        {
            Crit crit;
            handle_rec_t& r = rec(index);
            r.ui1Flags |= HF_VISITED;
            handle = handleOf(index);
            type = r.eType;
            obj = r.pvObj;
            tag = r.ui4Tag;
            savedNext = r.ui2LinkNext;
            countBefore = list->ui2Count;
        }
        const int32_t answer = callback(pos, countBefore, handle, type, obj, tag, arg);
        Crit crit;
        if (handle_rec_t* r = liveRec(handle); r != nullptr) {
            r->ui1Flags &= static_cast<uint8_t>(~HF_VISITED);
        }
        if (answer == HP_NEXT) {
            if (list->ui2Count == countBefore - 1) {
                index = savedNext;
            } else if (list->ui2Count < countBefore) {
                OS_LOG_EXIT_CODE(kFile, kParseCountDropped);
                index = 0;
            } else {
                index = rec(index).ui2LinkNext;
                ++pos;
            }
        } else if (answer == HP_BREAK) {
            index = 0;
        } else if (answer == HP_RESTART) {
            index = list->ui2Head;
            pos = 0;
        } else {
            OS_LOG_EXIT_CODE(kFile, kParseBadResult);
            index = 0;
        }
    }
    Crit crit;
    list->ui1Flags &= static_cast<uint8_t>(~LF_WALKING);
    return HR_OK;
}

int32_t uHandleFreeAll(handle_link_t* list)
{
    {
        Crit crit;
        if (!gPool.started) {
            return HR_NOT_INIT;
        }
        if (list == nullptr) {
            return HR_INV_ARG;
        }
        if ((list->ui1Flags & LF_WALKING) != 0) {
            return HR_NOT_ALLOWED;
        }
        if ((list->ui1Flags & LF_FREEING) != 0) {
            return HR_RECURSION_NOT_ALLOWED;
        }
        list->ui1Flags |= LF_FREEING;
    }
    int32_t result = HR_OK;
    for (;;) {
        handle_t head = NULL_HANDLE;
        {
            Crit crit;
            head = handleOf(list->ui2Head);
        }
        if (head == NULL_HANDLE) {
            break;
        }
        // A refusal, a member being freed already, or a release that left the member in the list
        // ends the loop: the same head would come round again.
        result = freeHandle(head, 0);
        if (result != HR_OK) {
            break;
        }
    }
    Crit crit;
    list->ui1Flags &= static_cast<uint8_t>(~LF_FREEING);
    return result;
}

int32_t uHandleAllocAuxLinkHead(void* obj, handle_aux_member_fct memberFct, handle_t* head)
{
    Crit crit;
    const int32_t result = uHandleAlloc(HT_AUX_LINK_HEAD, obj, 0, auxHeadFree, head);
    if (result == HR_OK) {
        rec(indexOf(*head)).pfAuxMember = memberFct;
    }
    return result;
}

int32_t uHandleLinkToAux(handle_t head, handle_t handle)
{
    Crit crit;
    if (!gPool.started) {
        return HR_NOT_INIT;
    }
    // A head on its way out takes no new members: its free function agreed on the count it saw.
    handle_rec_t* h = liveRec(head);
    if (h == nullptr || h->eType != HT_AUX_LINK_HEAD || (h->ui1Flags & HF_BEING_FREED) != 0) {
        return HR_INV_AUX_HEAD;
    }
    handle_rec_t* r = liveRec(handle);
    if (r == nullptr) {
        return HR_INV_HANDLE;
    }
    if (r->eType < HT_GROUP_SIZE || r->ui2AuxHead != 0) {
        return HR_ALREADY_LINKED;
    }
    const uint16_t index = indexOf(handle);
    r->ui2AuxNext = h->ui2AuxNext;
    r->ui2AuxPrev = 0;
    if (h->ui2AuxNext != 0) {
        rec(h->ui2AuxNext).ui2AuxPrev = index;
    }
    h->ui2AuxNext = index;
    r->ui2AuxHead = indexOf(head);
    ++h->ui2AuxCount;
    return HR_OK;
}

int32_t uHandleDelinkFromAux(handle_t handle)
{
    AuxLeave leave;
    {
        Crit crit;
        handle_rec_t* r = nullptr;
        if (const int32_t found = lookupLocked(handle, &r); found != HR_OK) {
            return found;
        }
        if (r->eType < HT_GROUP_SIZE) {
            return HR_INV_HANDLE;
        }
        if (r->ui2AuxHead == 0) {
            return HR_NOT_LINKED;
        }
        leave = delinkAuxLocked(*r);
    }
    leave.run();
    return HR_OK;
}

int32_t uHandleNextAuxLinked(handle_t handle, handle_t* next)
{
    Crit crit;
    if (next == nullptr) {
        return gPool.started ? HR_INV_ARG : HR_NOT_INIT;
    }
    handle_rec_t* r = nullptr;
    if (const int32_t found = lookupLocked(handle, &r); found != HR_OK) {
        return found;
    }
    *next = handleOf(r->ui2AuxNext);
    return HR_OK;
}

int32_t handleNumAuxLinks(handle_t head)
{
    Crit crit;
    if (!gPool.started) {
        return HR_NOT_INIT;
    }
    const handle_rec_t* h = liveRec(head);
    return h != nullptr && h->eType == HT_AUX_LINK_HEAD ? h->ui2AuxCount : 0;
}

int32_t handleIsBeLinked(handle_t handle)
{
    Crit crit;
    if (!gPool.started) {
        return HR_NOT_INIT;
    }
    const handle_rec_t* r = liveRec(handle);
    return r != nullptr && r->ui2AuxHead != 0 ? 1 : 0;
}

int32_t uHandleSetAutoFreeTbl(handle_type type, const handle_autofree_fct* table)
{
    if (groupOf(type) >= HT_NUM_AUTOFREE_GROUPS || table == nullptr) {
        return HR_INV_ARG;
    }
    Crit crit;
    gPool.autoFree[groupOf(type)] = table;
    return HR_OK;
}

int32_t uHandleAutoFree(handle_t handle)
{
    handle_type type = 0;
    void* obj = nullptr;
    const int32_t found = uHandleGetTypeObj(handle, &type, &obj);
    if (found != HR_OK) {
        if (found != HR_INV_HANDLE) {
            OS_LOG_EXIT_CODE(kFile, kAutoFreeLookup);
        }
        return found;
    }
    handle_autofree_fct fct = nullptr;
    {
        Crit crit;
        const handle_autofree_fct* table =
            groupOf(type) < HT_NUM_AUTOFREE_GROUPS ? gPool.autoFree[groupOf(type)] : nullptr;
        if (table == nullptr) {
            printf("eType = %d\n", type);
            OS_LOG_EXIT_CODE(kFile, kAutoFreeNoTable);
            return HR_INV_HANDLE_TYPE;
        }
        fct = table[type % HT_GROUP_SIZE];
    }
    if (fct == nullptr) {
        OS_LOG_EXIT_CODE(kFile, kAutoFreeNoEntry);
        return HR_INV_HANDLE_TYPE;
    }
    if (fct(handle, type) != 0) {
        OS_LOG_EXIT_CODE(kFile, kAutoFreeFailed);
        return HR_FREE_NOT_ALLOWED;
    }
    return HR_OK;
}

int32_t handleGetStats(handle_stats_t* stats)
{
    Crit crit;
    if (!gPool.started) {
        return HR_NOT_INIT;
    }
    if (stats == nullptr) {
        return HR_INV_ARG;
    }
    stats->ui2Size = gPool.size;
    stats->ui2Free = gPool.freeCount;
    stats->ui2Peak = gPool.peak;
    for (uint16_t g = 0; g < HT_NUM_AUTOFREE_GROUPS; ++g) {
        stats->aui2GroupUsed[g] = gPool.groupUsed[g];
    }
    return HR_OK;
}

int32_t handleGetInfo(handle_t handle, handle_info_t* info)
{
    Crit crit;
    if (info == nullptr) {
        return gPool.started ? HR_INV_ARG : HR_NOT_INIT;
    }
    handle_rec_t* r = nullptr;
    if (const int32_t found = lookupLocked(handle, &r); found != HR_OK) {
        return found;
    }
    *info = handle_info_t{};
    info->eType = r->eType;
    info->ui1Flags = r->ui1Flags;
    info->uiObj = reinterpret_cast<uintptr_t>(r->pvObj);
    info->uiFreeFct = reinterpret_cast<uintptr_t>(r->pfFree);
    info->tLinkNext = handleOf(r->ui2LinkNext);
    info->tLinkPrev = handleOf(r->ui2LinkPrev);
    info->tAuxNext = handleOf(r->ui2AuxNext);
    info->tAuxPrev = handleOf(r->ui2AuxPrev);
    info->fgAuxHead = r->eType == HT_AUX_LINK_HEAD;
    if (info->fgAuxHead) {
        info->uiAuxMemberFct = reinterpret_cast<uintptr_t>(r->pfAuxMember);
        info->ui2AuxCount = r->ui2AuxCount;
    } else {
        info->ui4Tag = r->ui4Tag;
        info->tAuxHead = handleOf(r->ui2AuxHead);
    }
    return HR_OK;
}
