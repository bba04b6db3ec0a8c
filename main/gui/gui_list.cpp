#include "main/gui/gui_list.h"

#include "main/timerd/gui_log.h"

#include <cstdlib>

namespace {

void link(GuiListNode* node, GuiListNode* prev, GuiListNode* next)
{
    next->prev = node;
    node->next = next;
    node->prev = prev;
    prev->next = node;
}

}  // namespace

void gui_list_init(GuiListNode* head)
{
    head->prev = head;
    head->next = head;
}

void gui_list_add(GuiListNode* node, GuiListNode* head)
{
    link(node, head, head->next);
}

void gui_list_add_tail(GuiListNode* node, GuiListNode* head)
{
    link(node, head->prev, head);
}

void gui_list_del(GuiListNode* node)
{
    node->prev->next = node->next;
    node->next->prev = node->prev;
}

void gui_list_del_init(GuiListNode* node)
{
    gui_list_del(node);
    gui_list_init(node);
}

int32_t gui_list_replace(GuiListNode* old, GuiListNode* newNode)
{
    if (gui_list_empty(old) != 0) {
        gui_list_init(newNode);
        return 1;
    }
    newNode->next = old->next;
    newNode->next->prev = newNode;
    newNode->prev = old->prev;
    newNode->prev->next = newNode;
    gui_list_init(old);
    return 0;
}

void gui_list_move(GuiListNode* node, GuiListNode* head)
{
    gui_list_del(node);
    gui_list_add(node, head);
}

void gui_list_move_tail(GuiListNode* node, GuiListNode* head)
{
    gui_list_del(node);
    gui_list_add_tail(node, head);
}

int32_t gui_list_empty(const GuiListNode* head)
{
    return head->next == head ? 1 : 0;
}

GuiRing* gui_ring_malloc(uint16_t num)
{
    auto* ring = static_cast<GuiRing*>(calloc(1, sizeof(GuiRing)));
    if (ring == nullptr) {
        GUI_LOG_ERR("malloc ringbuf failed! size:%d", static_cast<int>(sizeof(GuiRing)));
        return nullptr;
    }
    ring->ptrs = static_cast<uintptr_t*>(calloc(num, sizeof(uintptr_t)));
    ring->lens = static_cast<uint32_t*>(calloc(num, sizeof(uint32_t)));
    if (num == 0 || ring->ptrs == nullptr || ring->lens == nullptr) {
        GUI_LOG_ERR("malloc buf failed! num:%d", num);
        gui_ring_free(ring);
        return nullptr;
    }
    ring->num = num;
    return ring;
}

void gui_ring_free(GuiRing* ring)
{
    if (ring == nullptr) {
        return;
    }
    free(ring->ptrs);
    free(ring->lens);
    free(ring);
}

int32_t gui_ring_isFull(const GuiRing* ring)
{
    return ring != nullptr && ring->count == ring->num ? 1 : 0;
}

int32_t gui_ring_isEmpty(const GuiRing* ring)
{
    return ring == nullptr || ring->count == 0 ? 1 : 0;
}

uint16_t gui_ring_getCount(const GuiRing* ring)
{
    return ring == nullptr ? 0 : ring->count;
}

void gui_ring_enqueue(GuiRing* ring, uintptr_t ptr, uint32_t len)
{
    if (ring == nullptr || ptr == 0) {
        GUI_LOG_ERR("param error!");
        return;
    }
    if (ring->count == ring->num) {
        return;
    }
    ring->ptrs[ring->write] = ptr;
    ring->lens[ring->write] = len;
    ring->write = static_cast<uint16_t>((ring->write + 1) % ring->num);
    ++ring->count;
}

uint32_t gui_ring_dequeue(GuiRing* ring, uintptr_t* ptr)
{
    if (ring == nullptr || ptr == nullptr) {
        GUI_LOG_ERR("param error!");
        return 0;
    }
    if (ring->count == 0) {
        return 0;
    }
    *ptr = ring->ptrs[ring->read];
    const uint32_t len = ring->lens[ring->read];
    ring->read = static_cast<uint16_t>((ring->read + 1) % ring->num);
    --ring->count;
    return len;
}
