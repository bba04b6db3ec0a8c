#include "main/cli/cli.h"
#include "main/mw/handle/handle.h"
#include "main/mw/handle/handle_cli.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

constexpr handle_type kType = 100;  // a type of neither counted group

// Free functions and callbacks report to the running test through this.
struct Calls {
    int frees = 0;
    handle_t lastHandle = NULL_HANDLE;
    uint8_t lastFlag = 0xFF;
    uint32_t lastTag = 0;
    void* lastObj = nullptr;
    int32_t answer = 1;                   // what the free function answers
    handle_link_t* delinkFrom = nullptr;  // the free function delinks its member from here
    int auxLeaves = 0;
    void* auxHeadObj = nullptr;
};
Calls* gCalls = nullptr;

int32_t recordFree(handle_t handle, handle_type, void* obj, uint32_t tag, uint8_t flag)
{
    ++gCalls->frees;
    gCalls->lastHandle = handle;
    gCalls->lastFlag = flag;
    gCalls->lastTag = tag;
    gCalls->lastObj = obj;
    if (gCalls->answer != 0 && gCalls->delinkFrom != nullptr) {
        EXPECT_EQ(HR_OK, uHandleDelink(gCalls->delinkFrom, handle));
    }
    return gCalls->answer;
}

int32_t freeObject(handle_t, handle_type, void* obj, uint32_t, uint8_t)
{
    free(obj);
    return 1;
}

void recordAuxLeave(void* headObj)
{
    ++gCalls->auxLeaves;
    gCalls->auxHeadObj = headObj;
}

class HandleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gCalls = &calls;
        ASSERT_EQ(HR_OK, uHandleUsrInit(256));
    }
    void TearDown() override { uHandleUsrUninit(); }

    handle_t alloc(handle_type type = kType, void* obj = nullptr, uint32_t tag = 0)
    {
        handle_t handle = NULL_HANDLE;
        EXPECT_EQ(HR_OK, uHandleAlloc(type, obj, tag, recordFree, &handle));
        return handle;
    }

    static void* objOf(handle_t handle)
    {
        void* obj = nullptr;
        EXPECT_EQ(HR_OK, handleGetObj(handle, &obj));
        return obj;
    }

    static handle_stats_t stats()
    {
        handle_stats_t stats{};
        EXPECT_EQ(HR_OK, handleGetStats(&stats));
        return stats;
    }

    Calls calls;
};

TEST(HandlePoolTest, NothingWorksBeforeInitAndInitIsCheckedOnce)
{
    handle_t handle = NULL_HANDLE;
    void* obj = nullptr;
    handle_type type = 0;
    handle_link_t list{};
    EXPECT_EQ(HR_NOT_INIT, uHandleAlloc(kType, nullptr, 0, freeObject, &handle));
    EXPECT_EQ(HR_NOT_INIT, uHandleFree(0x10100, 0));
    EXPECT_EQ(HR_NOT_INIT, handleGetObj(0x10100, &obj));
    EXPECT_EQ(HR_NOT_INIT, handleGetObj(0x10100, nullptr));
    EXPECT_EQ(HR_NOT_INIT, handleAllocAndObj(kType, 0, 16, freeObject, &handle, &obj));
    EXPECT_EQ(nullptr, obj);
    EXPECT_EQ(HR_NOT_INIT, handleLinkInit(&list));
    EXPECT_EQ(HR_NOT_INIT, uHandleGetTypeObj(0x10100, &type, &obj));
    EXPECT_EQ(HR_NOT_INIT, uHandleLink(&list, 0x10100));
    EXPECT_EQ(HR_NOT_INIT, uHandleAllocAuxLinkHead(nullptr, nullptr, &handle));
    EXPECT_EQ(HR_NOT_INIT, handleNumAuxLinks(0x10100));

    EXPECT_EQ(HR_INV_ARG, uHandleUsrInit(0));
    EXPECT_EQ(HR_INV_ARG, uHandleUsrInit(65535));
    ASSERT_EQ(HR_OK, uHandleUsrInit(16));
    EXPECT_EQ(HR_ALREADY_INIT, uHandleUsrInit(16));
    uHandleUsrUninit();
    EXPECT_EQ(HR_NOT_INIT, uHandleAlloc(kType, nullptr, 0, freeObject, &handle));
}

TEST_F(HandleTest, FirstHandleIsTheLastRecordWithSequenceOne)
{
    EXPECT_EQ(0x10100u, alloc());
    EXPECT_EQ(0x100FFu, alloc());
}

TEST_F(HandleTest, AllocRefusesBadArguments)
{
    handle_t handle = NULL_HANDLE;
    EXPECT_EQ(HR_INV_ARG, uHandleAlloc(kType, nullptr, 0, recordFree, nullptr));
    EXPECT_EQ(HR_INV_ARG, uHandleAlloc(kType, nullptr, 0, nullptr, &handle));
    EXPECT_EQ(HR_INV_HANDLE_TYPE, uHandleAlloc(0, nullptr, 0, recordFree, &handle));
}

TEST_F(HandleTest, PoolGrowsByAThousandWhenTenAreLeftAndLiveHandlesStayValid)
{
    std::vector<handle_t> handles;
    std::vector<int> objects(300);
    for (int i = 0; i < 245; ++i) {
        handles.push_back(alloc(kType, &objects[i]));
    }
    EXPECT_EQ(256, stats().ui2Size);
    handles.push_back(alloc(kType, &objects[245]));
    const handle_stats_t grown = stats();
    EXPECT_EQ(1256, grown.ui2Size);
    EXPECT_EQ(1010, grown.ui2Free);
    EXPECT_EQ(246, grown.ui2Peak);
    // The new records are handed out from the top.
    EXPECT_EQ(0x10000u | 1256u, alloc(kType, &objects[246]));
    for (size_t i = 0; i < handles.size(); ++i) {
        EXPECT_EQ(&objects[i], objOf(handles[i])) << i;
    }
}

TEST_F(HandleTest, FreedHandleIsStaleEvenWhenItsRecordIsReused)
{
    int first = 1;
    int second = 2;
    const handle_t old = alloc(kType, &first, 0x1234);
    ASSERT_EQ(HR_OK, uHandleFree(old, 5));
    EXPECT_EQ(1, calls.frees);
    EXPECT_EQ(old, calls.lastHandle);
    EXPECT_EQ(5, calls.lastFlag);
    EXPECT_EQ(0x1234u, calls.lastTag);
    EXPECT_EQ(&first, calls.lastObj);

    const handle_t reused = alloc(kType, &second);
    EXPECT_EQ(old & 0xFFFF, reused & 0xFFFF);
    EXPECT_NE(old, reused);

    void* obj = nullptr;
    handle_type type = 0;
    handle_link_t list{};
    EXPECT_EQ(HR_INV_HANDLE, handleGetObj(old, &obj));
    EXPECT_EQ(HR_INV_HANDLE, uHandleGetTypeObj(old, &type, &obj));
    EXPECT_EQ(HR_INV_HANDLE, uHandleSetObj(old, &first));
    EXPECT_EQ(HR_INV_HANDLE, uHandleLink(&list, old));
    EXPECT_EQ(HR_INV_HANDLE, uHandleFree(old, 0));
    EXPECT_EQ(1, calls.frees);
    EXPECT_EQ(&second, objOf(reused));

    for (handle_t invalid : {0u, 0x10000u, 0x1000000u | (reused & 0xFFFFFFu), 0x10000u | 1257u}) {
        EXPECT_EQ(HR_INV_HANDLE, handleGetObj(invalid, &obj)) << std::hex << invalid;
    }
}

TEST_F(HandleTest, RefusingFreeFunctionKeepsTheHandleAndIsAskedAgain)
{
    int object = 0;
    const handle_t handle = alloc(kType, &object);
    calls.answer = 0;
    EXPECT_EQ(HR_FREE_NOT_ALLOWED, uHandleFree(handle, 1));
    EXPECT_EQ(&object, objOf(handle));
    EXPECT_EQ(HR_FREE_NOT_ALLOWED, uHandleFree(handle, 1));
    EXPECT_EQ(2, calls.frees);
    calls.answer = 1;
    EXPECT_EQ(HR_OK, uHandleFree(handle, 0));
    EXPECT_EQ(3, calls.frees);
}

TEST_F(HandleTest, ObjectAndTypeCanBeReadAndReplaced)
{
    int a = 0;
    int b = 0;
    const handle_t handle = alloc(129, &a);
    handle_type type = 0;
    void* obj = nullptr;
    ASSERT_EQ(HR_OK, uHandleGetTypeObj(handle, &type, &obj));
    EXPECT_EQ(129, type);
    EXPECT_EQ(&a, obj);
    EXPECT_EQ(HR_OK, uHandleSetObj(handle, &b));
    EXPECT_EQ(&b, objOf(handle));
    EXPECT_EQ(HR_INV_ARG, handleGetObj(handle, nullptr));
    EXPECT_EQ(HR_INV_ARG, uHandleGetTypeObj(handle, nullptr, &obj));
}

TEST_F(HandleTest, AllocAndObjHandsOutAZeroedObject)
{
    handle_t handle = NULL_HANDLE;
    void* obj = nullptr;
    ASSERT_EQ(HR_OK, handleAllocAndObj(kType, 0, 64, freeObject, &handle, &obj));
    ASSERT_NE(nullptr, obj);
    EXPECT_EQ(obj, objOf(handle));
    const std::vector<uint8_t> zeros(64, 0);
    EXPECT_EQ(0, memcmp(obj, zeros.data(), zeros.size()));
    EXPECT_EQ(HR_OK, uHandleFree(handle, 0));

    ASSERT_EQ(HR_OK, handleAllocAndObj(kType, 0, 0, freeObject, &handle, &obj));
    EXPECT_EQ(nullptr, obj);
    EXPECT_EQ(HR_OK, uHandleFree(handle, 0));
    // A failed allocation gives the object back (the leak check sees it otherwise).
    EXPECT_EQ(HR_INV_HANDLE_TYPE, handleAllocAndObj(0, 0, 64, freeObject, &handle, &obj));
}

TEST_F(HandleTest, GroupsAreCountedAndShownByTheStatsCommand)
{
    alloc(1);
    alloc(64);
    alloc(65);
    const handle_t gone = alloc(65);
    alloc(129);
    ASSERT_EQ(HR_OK, uHandleFree(gone, 0));
    CaptureStdout();
    char name[] = "stats";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(0, handleCliStats(1, argv));
    EXPECT_EQ("Group:     0  Used:     1\n"
              "Group:     1  Used:     2\n"
              "Total:   256  Used:     4  Free:   252  Peak used:     5\n",
              GetCapturedStdout());
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...)
{
    char buffer[256];
    va_list args;
    va_start(args, fmt);
    vsnprintf(buffer, sizeof(buffer), fmt, args);
    va_end(args);
    return buffer;
}

std::string runInfo(const char* text)
{
    char name[] = "info";
    std::string arg = text;
    char* argv[] = {name, arg.data(), nullptr};
    CaptureStdout();
    EXPECT_EQ(0, handleCliInfo(2, argv));
    return GetCapturedStdout();
}

TEST_F(HandleTest, InfoCommandShowsOneRecord)
{
    int object = 0;
    handle_link_t list{};
    const handle_t head = [] {
        handle_t h = NULL_HANDLE;
        EXPECT_EQ(HR_OK, uHandleAllocAuxLinkHead(nullptr, recordAuxLeave, &h));
        return h;
    }();
    const handle_t first = alloc(70, &object, 0xBEEF);
    const handle_t second = alloc(70);
    ASSERT_EQ(HR_OK, uHandleLink(&list, first));
    ASSERT_EQ(HR_OK, uHandleLink(&list, second));
    ASSERT_EQ(HR_OK, uHandleLinkToAux(head, first));

    const std::string hex = format("0x%x", first);
    EXPECT_EQ(format("Handle: %s\n", hex.c_str()) + "Type:    70  (Group:   1  Idx:   6)  Flags: 0x05\n" +
                  format("  Obj: 0x%08" PRIxPTR "  Free funct: 0x%08" PRIxPTR "\n",
                         reinterpret_cast<uintptr_t>(&object), reinterpret_cast<uintptr_t>(&recordFree)) +
                  format("Link Next [h]: %7u  Prev [h]: %7u\n", second, 0u) +
                  format("AUX Link  Next [h]: %7u  Prev [h]: %7u\n", 0u, 0u) +
                  format("  Tag: 0x%08x  AUX Link Head [h]: %7u\n", 0xBEEFu, head),
              runInfo(hex.c_str()));

    const std::string decimal = std::to_string(head);
    const std::string headInfo = runInfo(decimal.c_str());
    EXPECT_NE(std::string::npos, headInfo.find("Type:     1  (Group:   0  Idx:   1)  Flags: 0x01\n"));
    EXPECT_NE(std::string::npos, headInfo.find(format("AUX Link  Next [h]: %7u  Prev [h]: %7u\n", first, 0u)));
    EXPECT_NE(std::string::npos, headInfo.find(format("  AUX free funct: 0x%08" PRIxPTR "  Num AUX linked: %5d\n",
                                                      reinterpret_cast<uintptr_t>(&recordAuxLeave), 1)));

    EXPECT_EQ("Handle 0x1 is invalid or free\n", runInfo("0x1"));
    char name[] = "info";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(HR_OUT_OF_MEMORY, handleCliInfo(1, argv));

    ASSERT_EQ(HR_OK, uHandleDelink(&list, first));
    ASSERT_EQ(HR_OK, uHandleDelink(&list, second));
}

// Link lists ---------------------------------------------------------------------------------------

class LinkTest : public HandleTest {
protected:
    void SetUp() override
    {
        HandleTest::SetUp();
        ASSERT_EQ(HR_OK, handleLinkInit(&list));
        for (int i = 0; i < 4; ++i) {
            members.push_back(alloc(kType, &objects[i], static_cast<uint32_t>(i)));
            ASSERT_EQ(HR_OK, uHandleLink(&list, members.back()));
        }
    }

    handle_link_t list{};
    std::vector<handle_t> members;
    int objects[4] = {};
};

// What the parse callback saw, and what it does at each call.
struct Visit {
    uint16_t pos;
    uint16_t count;
    handle_t handle;
    uint32_t tag;
};
struct ParseScript {
    std::vector<Visit> visits;
    std::function<int32_t(const Visit&)> act = [](const Visit&) { return HP_NEXT; };
};

int32_t scriptedVisit(uint16_t pos, uint16_t count, handle_t handle, handle_type, void*, uint32_t tag, void* arg)
{
    auto* script = static_cast<ParseScript*>(arg);
    script->visits.push_back({pos, count, handle, tag});
    return script->act(script->visits.back());
}

TEST_F(LinkTest, MembersAreWalkedInOrderAndCounted)
{
    EXPECT_EQ(4, handleNumLinks(&list));
    EXPECT_FALSE(handleLinkIsEmpty(&list));
    EXPECT_TRUE(handleLinkIsEmpty(nullptr));
    ParseScript script;
    ASSERT_EQ(HR_OK, handleParse(&list, scriptedVisit, &script));
    ASSERT_EQ(4u, script.visits.size());
    for (uint16_t i = 0; i < 4; ++i) {
        EXPECT_EQ(i, script.visits[i].pos);
        EXPECT_EQ(4, script.visits[i].count);
        EXPECT_EQ(members[i], script.visits[i].handle);
        EXPECT_EQ(i, script.visits[i].tag);
    }
}

TEST_F(LinkTest, LinkAndDelinkRefuseWhatDoesNotBelong)
{
    handle_link_t other{};
    const handle_t low = alloc(63);
    EXPECT_EQ(HR_INV_ARG, uHandleLink(nullptr, members[0]));
    EXPECT_EQ(HR_ALREADY_LINKED, uHandleLink(&other, members[0]));
    EXPECT_EQ(HR_INV_HANDLE, uHandleLink(&other, low));
    EXPECT_EQ(HR_INV_HANDLE, uHandleDelink(&list, low));
    EXPECT_EQ(HR_NOT_LINKED, uHandleDelink(&other, members[0]));
    EXPECT_EQ(HR_NOT_LINKED, uHandleDelink(&other, alloc()));

    // A member of another list is refused wherever it stands in that list, and both lists stay whole.
    const handle_t alone = alloc();
    ASSERT_EQ(HR_OK, uHandleLink(&other, alone));
    for (handle_t member : members) {
        EXPECT_EQ(HR_NOT_LINKED, uHandleDelink(&other, member)) << std::hex << member;
    }
    EXPECT_EQ(HR_NOT_LINKED, uHandleDelink(&list, alone));
    EXPECT_EQ(4, handleNumLinks(&list));
    EXPECT_EQ(1, handleNumLinks(&other));
    ParseScript whole;
    ASSERT_EQ(HR_OK, handleParse(&list, scriptedVisit, &whole));
    ASSERT_EQ(4u, whole.visits.size());
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(members[i], whole.visits[i].handle);
    }
    EXPECT_EQ(HR_OK, uHandleDelink(&other, alone));

    // Taking one from the middle and the ends keeps the chain whole.
    EXPECT_EQ(HR_OK, uHandleDelink(&list, members[1]));
    EXPECT_EQ(HR_NOT_LINKED, uHandleDelink(&list, members[1]));
    EXPECT_EQ(HR_OK, uHandleDelink(&list, members[3]));
    EXPECT_EQ(HR_OK, uHandleDelink(&list, members[0]));
    EXPECT_EQ(1, handleNumLinks(&list));
    ParseScript script;
    ASSERT_EQ(HR_OK, handleParse(&list, scriptedVisit, &script));
    ASSERT_EQ(1u, script.visits.size());
    EXPECT_EQ(members[2], script.visits[0].handle);
    EXPECT_EQ(HR_OK, uHandleLink(&list, members[0]));
    EXPECT_EQ(2, handleNumLinks(&list));
}

TEST_F(LinkTest, WalkMayRemoveTheVisitedMemberOnly)
{
    ParseScript script;
    script.act = [this](const Visit& visit) {
        if (visit.handle == members[1] || visit.handle == members[2]) {
            EXPECT_EQ(HR_NOT_ALLOWED, uHandleDelink(&list, members[3]));
            EXPECT_EQ(HR_OK, uHandleDelink(&list, visit.handle));
        }
        return HP_NEXT;
    };
    ASSERT_EQ(HR_OK, handleParse(&list, scriptedVisit, &script));
    ASSERT_EQ(4u, script.visits.size());
    const uint16_t expectedPos[] = {0, 1, 1, 1};
    const uint16_t expectedCount[] = {4, 4, 3, 2};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(members[i], script.visits[i].handle);
        EXPECT_EQ(expectedPos[i], script.visits[i].pos);
        EXPECT_EQ(expectedCount[i], script.visits[i].count);
    }
    EXPECT_EQ(2, handleNumLinks(&list));
    // The walk is over: any member may leave again.
    EXPECT_EQ(HR_OK, uHandleDelink(&list, members[3]));
}

TEST_F(LinkTest, CallbackAnswersStopRestartOrAbandonTheWalk)
{
    ParseScript stop;
    stop.act = [](const Visit& visit) { return visit.pos == 1 ? HP_BREAK : HP_NEXT; };
    ASSERT_EQ(HR_OK, handleParse(&list, scriptedVisit, &stop));
    EXPECT_EQ(2u, stop.visits.size());

    ParseScript restart;
    restart.act = [&restart](const Visit& visit) {
        return visit.pos == 2 && restart.visits.size() == 3 ? HP_RESTART : HP_NEXT;
    };
    ASSERT_EQ(HR_OK, handleParse(&list, scriptedVisit, &restart));
    ASSERT_EQ(7u, restart.visits.size());
    EXPECT_EQ(members[0], restart.visits[3].handle);
    EXPECT_EQ(0, restart.visits[3].pos);

    ParseScript abandon;
    abandon.act = [](const Visit&) { return 7; };
    CaptureStdout();
    ASSERT_EQ(HR_OK, handleParse(&list, scriptedVisit, &abandon));
    EXPECT_NE(std::string::npos, GetCapturedStdout().find(",exit code = 2"));
    EXPECT_EQ(1u, abandon.visits.size());

    ParseScript dropTwo;
    dropTwo.act = [this](const Visit& visit) {
        EXPECT_EQ(HR_OK, uHandleDelink(&list, visit.handle));
        // Only the visited member may be delinked during the walk, so freeing everything else
        // goes behind the list's back: the walk notices the count dropping by more than one.
        --list.ui2Count;
        return HP_NEXT;
    };
    CaptureStdout();
    ASSERT_EQ(HR_OK, handleParse(&list, scriptedVisit, &dropTwo));
    EXPECT_NE(std::string::npos, GetCapturedStdout().find(",exit code = 1"));
    EXPECT_EQ(1u, dropTwo.visits.size());
    ++list.ui2Count;
}

TEST_F(LinkTest, NestedWalksAndFreeingDuringAWalkAreRefused)
{
    ParseScript script;
    script.act = [this](const Visit&) {
        ParseScript inner;
        EXPECT_EQ(HR_RECURSION_NOT_ALLOWED, handleParse(&list, scriptedVisit, &inner));
        EXPECT_EQ(HR_NOT_ALLOWED, uHandleFreeAll(&list));
        return HP_BREAK;
    };
    ASSERT_EQ(HR_OK, handleParse(&list, scriptedVisit, &script));
    EXPECT_EQ(HR_INV_ARG, handleParse(nullptr, scriptedVisit, &script));
    EXPECT_EQ(HR_INV_ARG, handleParse(&list, nullptr, &script));
}

TEST_F(LinkTest, FreeAllReleasesEveryMemberThroughItsFreeFunction)
{
    calls.delinkFrom = &list;
    ASSERT_EQ(HR_OK, uHandleFreeAll(&list));
    EXPECT_EQ(4, calls.frees);
    EXPECT_EQ(0, calls.lastFlag);
    EXPECT_TRUE(handleLinkIsEmpty(&list));
    void* obj = nullptr;
    for (handle_t member : members) {
        EXPECT_EQ(HR_INV_HANDLE, handleGetObj(member, &obj));
    }
    EXPECT_EQ(HR_OK, uHandleFreeAll(&list));
}

TEST_F(LinkTest, FreeAllStopsAtARefusal)
{
    calls.delinkFrom = &list;
    calls.answer = 0;
    EXPECT_EQ(HR_FREE_NOT_ALLOWED, uHandleFreeAll(&list));
    EXPECT_EQ(1, calls.frees);
    EXPECT_EQ(4, handleNumLinks(&list));
    EXPECT_EQ(&objects[0], objOf(members[0]));
    // The refusal left nothing marked: a second attempt asks again.
    calls.answer = 1;
    EXPECT_EQ(HR_OK, uHandleFreeAll(&list));
    EXPECT_EQ(5, calls.frees);
}

TEST_F(LinkTest, MemberStillLinkedAfterItsFreeFunctionAgreedIsKeptAndNotAskedAgain)
{
    CaptureStdout();
    EXPECT_EQ(HR_FREE_NOT_ALLOWED, uHandleFree(members[1], 0));
    EXPECT_NE(std::string::npos, GetCapturedStdout().find("handle,"));
    EXPECT_EQ(1, calls.frees);
    EXPECT_EQ(&objects[1], objOf(members[1]));
    EXPECT_EQ(HR_FREE_NOT_ALLOWED, uHandleFree(members[1], 0));
    EXPECT_EQ(1, calls.frees);

    // Freeing the whole list that way ends at the first such member instead of going round.
    CaptureStdout();
    EXPECT_EQ(HR_FREE_NOT_ALLOWED, uHandleFreeAll(&list));
    GetCapturedStdout();
    EXPECT_EQ(2, calls.frees);
    EXPECT_EQ(4, handleNumLinks(&list));
}

// Auxiliary lists ----------------------------------------------------------------------------------

class AuxTest : public HandleTest {
protected:
    void SetUp() override
    {
        HandleTest::SetUp();
        ASSERT_EQ(HR_OK, uHandleAllocAuxLinkHead(&owner, recordAuxLeave, &head));
    }

    int owner = 0;
    handle_t head = NULL_HANDLE;
};

std::vector<handle_t> auxMembers(handle_t head)
{
    std::vector<handle_t> found;
    handle_t next = head;
    while (uHandleNextAuxLinked(next, &next) == HR_OK && next != NULL_HANDLE) {
        found.push_back(next);
    }
    return found;
}

TEST_F(AuxTest, MembersJoinAtTheFrontAndLeaveByDelinkOrFree)
{
    const handle_t a = alloc();
    const handle_t b = alloc();
    const handle_t c = alloc();
    for (handle_t member : {a, b, c}) {
        ASSERT_EQ(HR_OK, uHandleLinkToAux(head, member));
    }
    EXPECT_EQ((std::vector<handle_t>{c, b, a}), auxMembers(head));
    EXPECT_EQ(3, handleNumAuxLinks(head));
    EXPECT_EQ(1, handleIsBeLinked(b));
    EXPECT_EQ(0, handleIsBeLinked(head));

    EXPECT_EQ(HR_OK, uHandleDelinkFromAux(b));
    EXPECT_EQ(1, calls.auxLeaves);
    EXPECT_EQ(&owner, calls.auxHeadObj);
    EXPECT_EQ(HR_NOT_LINKED, uHandleDelinkFromAux(b));
    EXPECT_EQ(0, handleIsBeLinked(b));
    EXPECT_EQ((std::vector<handle_t>{c, a}), auxMembers(head));

    // The head refuses to go while it has members; releasing a member takes it off.
    EXPECT_EQ(HR_FREE_NOT_ALLOWED, uHandleFree(head, 0));
    EXPECT_EQ(HR_OK, uHandleFree(c, 0));
    EXPECT_EQ(2, calls.auxLeaves);
    EXPECT_EQ((std::vector<handle_t>{a}), auxMembers(head));
    EXPECT_EQ(HR_OK, uHandleDelinkFromAux(a));
    EXPECT_EQ(0, handleNumAuxLinks(head));
    EXPECT_EQ(HR_OK, uHandleFree(head, 0));
    EXPECT_EQ(0, handleNumAuxLinks(head));
}

TEST_F(AuxTest, OnlyLiveHandlesOfTypeSixtyFourAndUpJoinOneList)
{
    handle_t otherHead = NULL_HANDLE;
    ASSERT_EQ(HR_OK, uHandleAllocAuxLinkHead(nullptr, nullptr, &otherHead));
    const handle_t member = alloc(64);
    const handle_t plain = alloc(129);
    EXPECT_EQ(HR_ALREADY_LINKED, uHandleLinkToAux(head, otherHead));
    EXPECT_EQ(HR_ALREADY_LINKED, uHandleLinkToAux(head, alloc(63)));
    EXPECT_EQ(HR_INV_AUX_HEAD, uHandleLinkToAux(plain, member));
    EXPECT_EQ(HR_INV_AUX_HEAD, uHandleLinkToAux(0x10000u | 3u, member));
    EXPECT_EQ(HR_INV_HANDLE, uHandleLinkToAux(head, 0x10000u | 3u));
    ASSERT_EQ(HR_OK, uHandleLinkToAux(head, member));
    EXPECT_EQ(HR_ALREADY_LINKED, uHandleLinkToAux(otherHead, member));
    EXPECT_EQ(0, handleNumAuxLinks(plain));
    EXPECT_EQ(HR_INV_HANDLE, uHandleDelinkFromAux(otherHead));
    // A head without a member callback lets members go silently.
    ASSERT_EQ(HR_OK, uHandleLinkToAux(otherHead, plain));
    EXPECT_EQ(HR_OK, uHandleDelinkFromAux(plain));
    EXPECT_EQ(0, calls.auxLeaves);
}

// Auto-free tables ---------------------------------------------------------------------------------

std::vector<std::pair<handle_t, handle_type>> gAutoFreed;

int32_t autoFreeOk(handle_t handle, handle_type type)
{
    gAutoFreed.emplace_back(handle, type);
    return 0;
}

int32_t autoFreeFails(handle_t, handle_type)
{
    return -1;
}

TEST_F(HandleTest, AutoFreeRunsTheEntryOfTheTypesGroupAndLogsWhatIsMissing)
{
    static handle_autofree_fct table[HT_GROUP_SIZE] = {};
    table[1] = autoFreeOk;
    table[2] = autoFreeFails;
    EXPECT_EQ(HR_INV_ARG, uHandleSetAutoFreeTbl(129, table));
    EXPECT_EQ(HR_INV_ARG, uHandleSetAutoFreeTbl(64, nullptr));
    ASSERT_EQ(HR_OK, uHandleSetAutoFreeTbl(64, table));

    gAutoFreed.clear();
    const handle_t ok = alloc(65);
    EXPECT_EQ(HR_OK, uHandleAutoFree(ok));
    ASSERT_EQ(1u, gAutoFreed.size());
    EXPECT_EQ(ok, gAutoFreed[0].first);
    EXPECT_EQ(65, gAutoFreed[0].second);

    const struct {
        handle_t handle;
        std::string log;
    } cases[] = {
        {alloc(66), ",exit code = 8"}, {alloc(67), ",exit code = 5"}, {alloc(3), "eType = 3\n"},
        {alloc(129), "eType = 129\n"}, {0x10000u | 2u, ""},
    };
    for (const auto& c : cases) {
        CaptureStdout();
        EXPECT_NE(HR_OK, uHandleAutoFree(c.handle));
        const std::string out = GetCapturedStdout();
        if (c.log.empty()) {
            EXPECT_EQ("", out);
        } else {
            EXPECT_NE(std::string::npos, out.find("handle,")) << out;
            EXPECT_NE(std::string::npos, out.find(c.log)) << out;
        }
    }
    EXPECT_EQ(1u, gAutoFreed.size());
}

TEST(HandlePoolTest, AutoFreeTableMayBeSetBeforeThePoolStarts)
{
    static handle_autofree_fct table[HT_GROUP_SIZE] = {};
    table[1] = autoFreeOk;
    ASSERT_EQ(HR_OK, uHandleSetAutoFreeTbl(64, table));
    ASSERT_EQ(HR_OK, uHandleUsrInit(8));
    handle_t handle = NULL_HANDLE;
    ASSERT_EQ(HR_OK, uHandleAlloc(65, nullptr, 0, freeObject, &handle));
    gAutoFreed.clear();
    EXPECT_EQ(HR_OK, uHandleAutoFree(handle));
    EXPECT_EQ(1u, gAutoFreed.size());
    uHandleUsrUninit();

    // The table belongs to no pool: a pool started again finds it set.
    ASSERT_EQ(HR_OK, uHandleUsrInit(8));
    ASSERT_EQ(HR_OK, uHandleAlloc(65, nullptr, 0, freeObject, &handle));
    EXPECT_EQ(HR_OK, uHandleAutoFree(handle));
    EXPECT_EQ(2u, gAutoFreed.size());
    uHandleUsrUninit();
}

// Concurrency --------------------------------------------------------------------------------------

TEST_F(HandleTest, ThreadsAllocateAndFreeConcurrently)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([] {
            std::vector<handle_t> mine;
            for (int i = 0; i < kRounds; ++i) {
                handle_t handle = NULL_HANDLE;
                void* obj = nullptr;
                ASSERT_EQ(HR_OK, handleAllocAndObj(64, 0, 16, freeObject, &handle, &obj));
                mine.push_back(handle);
                if (i % 3 == 2) {
                    ASSERT_EQ(HR_OK, uHandleFree(mine.front(), 0));
                    mine.erase(mine.begin());
                }
            }
            for (handle_t handle : mine) {
                ASSERT_EQ(HR_OK, uHandleFree(handle, 0));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const handle_stats_t after = stats();
    EXPECT_EQ(after.ui2Size, after.ui2Free);
    EXPECT_EQ(0, after.aui2GroupUsed[1]);
}

}  // namespace

namespace {

TEST_F(HandleTest, ConsoleTableRunsInTheMwDirectoryOnlyWhileAttached)
{
    cli_test_reset();
    EXPECT_EQ(-14, handleRegCli());  // console not started
    ASSERT_EQ(0, cli_init_phase1());
    CaptureStdout();
    EXPECT_EQ(0, handleRegCli());
    EXPECT_EQ(0, u_cli_parser("mw.handle.s"));
    const std::string out = GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find("handleRegCli success return"));
    EXPECT_NE(std::string::npos, out.find("Total:   256  Used:     0"));
    EXPECT_EQ(0, handleUnregCli());
    EXPECT_EQ(-10, u_cli_parser("mw.handle.s"));
    EXPECT_EQ(-14, handleUnregCli());
    cli_test_reset();
}

}  // namespace
