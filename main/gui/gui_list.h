// Two small containers of the GUI and the device layer: an intrusive circular doubly linked list
// and a fixed-capacity FIFO of {pointer, length} entries. Neither locks; callers hold their own.
#pragma once

#include <cstdint>

// Embedded in the caller's record. A head is a node of its own; an empty list (or a detached
// node) points to itself both ways.
struct GuiListNode {
    GuiListNode* prev;
    GuiListNode* next;
};

void gui_list_init(GuiListNode* head);
// Inserts `node` right after `head` (front) or right before it (back).
void gui_list_add(GuiListNode* node, GuiListNode* head);
void gui_list_add_tail(GuiListNode* node, GuiListNode* head);
// Unlinks `node`; it keeps its stale links.
void gui_list_del(GuiListNode* node);
// Unlinks `node` and points it to itself.
void gui_list_del_init(GuiListNode* node);
// `newNode` takes the place of `old` in its list, and `old` becomes an empty list; when `old` is an
// empty list, `newNode` becomes one too and 1 is returned. Else 0.
int32_t gui_list_replace(GuiListNode* old, GuiListNode* newNode);
void gui_list_move(GuiListNode* node, GuiListNode* head);
void gui_list_move_tail(GuiListNode* node, GuiListNode* head);
int32_t gui_list_empty(const GuiListNode* head);

// The ring. Entries carry a pointer-sized value, so a pointer survives on 64-bit hosts too.
struct GuiRing {
    uint16_t num;    // capacity
    uint16_t read;   // oldest entry
    uint16_t write;  // next free entry
    uint16_t count;
    uintptr_t* ptrs;
    uint32_t* lens;
};

// A ring of `num` entries, all zero; null when an allocation fails (logged).
GuiRing* gui_ring_malloc(uint16_t num);
void gui_ring_free(GuiRing* ring);
int32_t gui_ring_isFull(const GuiRing* ring);
int32_t gui_ring_isEmpty(const GuiRing* ring);
uint16_t gui_ring_getCount(const GuiRing* ring);
// Appends {ptr, len}; a full ring drops it. A null ring or a zero ptr is refused ("param error!").
void gui_ring_enqueue(GuiRing* ring, uintptr_t ptr, uint32_t len);
// Takes the oldest entry: its pointer goes to `ptr`, its length is returned. An empty ring returns
// 0 and leaves `ptr`.
uint32_t gui_ring_dequeue(GuiRing* ring, uintptr_t* ptr);
