#include "main/gui/gui_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Item {
    int value;
    GuiListNode node;
};

Item* itemOf(GuiListNode* n)
{
    return reinterpret_cast<Item*>(reinterpret_cast<char*>(n) - offsetof(Item, node));
}

std::vector<int> values(GuiListNode* head)
{
    std::vector<int> out;
    for (GuiListNode* n = head->next; n != head; n = n->next) {
        out.push_back(itemOf(n)->value);
        EXPECT_EQ(n->next->prev, n) << "links agree both ways";
    }
    return out;
}

TEST(GuiList, AddDelMoveReplace)
{
    GuiListNode head;
    gui_list_init(&head);
    EXPECT_EQ(gui_list_empty(&head), 1);
    Item a{1, {}};
    Item b{2, {}};
    Item c{3, {}};
    gui_list_add(&a.node, &head);
    gui_list_add(&b.node, &head);
    EXPECT_EQ(values(&head), (std::vector<int>{2, 1}));
    gui_list_add_tail(&c.node, &head);
    EXPECT_EQ(values(&head), (std::vector<int>{2, 1, 3}));
    gui_list_move_tail(&b.node, &head);
    EXPECT_EQ(values(&head), (std::vector<int>{1, 3, 2}));
    gui_list_move(&c.node, &head);
    EXPECT_EQ(values(&head), (std::vector<int>{3, 1, 2}));
    gui_list_del_init(&a.node);
    EXPECT_EQ(values(&head), (std::vector<int>{3, 2}));
    EXPECT_EQ(gui_list_empty(&a.node), 1);

    GuiListNode other;
    EXPECT_EQ(gui_list_replace(&head, &other), 0);
    EXPECT_EQ(values(&other), (std::vector<int>{3, 2}));
    EXPECT_EQ(gui_list_empty(&head), 1);
    GuiListNode third{nullptr, nullptr};
    EXPECT_EQ(gui_list_replace(&head, &third), 1) << "replacing an empty list";
    EXPECT_EQ(gui_list_empty(&third), 1);
    gui_list_del(&c.node);
    EXPECT_EQ(values(&other), (std::vector<int>{2}));
}

TEST(GuiRing, FifoWrapsAndDropsWhenFull)
{
    GuiRing* ring = gui_ring_malloc(16);
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(gui_ring_isEmpty(ring), 1);
    uintptr_t out = 77;
    EXPECT_EQ(gui_ring_dequeue(ring, &out), 0u);
    EXPECT_EQ(out, 77u) << "an empty ring leaves the output";
    for (uintptr_t i = 1; i <= 17; ++i) {
        gui_ring_enqueue(ring, i * 0x1000, static_cast<uint32_t>(i));
    }
    EXPECT_EQ(gui_ring_getCount(ring), 16);
    EXPECT_EQ(gui_ring_isFull(ring), 1);
    EXPECT_EQ(gui_ring_dequeue(ring, &out), 1u);
    EXPECT_EQ(out, 0x1000u);
    gui_ring_enqueue(ring, 0x99000, 99);
    EXPECT_EQ(ring->write, 1) << "the next entry lands in the slot just freed";
    for (uint32_t i = 2; i <= 16; ++i) {
        EXPECT_EQ(gui_ring_dequeue(ring, &out), i);
    }
    EXPECT_EQ(gui_ring_dequeue(ring, &out), 99u);
    EXPECT_EQ(out, 0x99000u);
    gui_ring_enqueue(ring, 0, 5);
    gui_ring_enqueue(nullptr, 1, 5);
    EXPECT_EQ(gui_ring_getCount(ring), 0);
    EXPECT_EQ(gui_ring_dequeue(nullptr, &out), 0u);
    EXPECT_EQ(gui_ring_getCount(nullptr), 0);
    gui_ring_free(ring);
    gui_ring_free(nullptr);
    EXPECT_EQ(gui_ring_malloc(0), nullptr);
}

}  // namespace
