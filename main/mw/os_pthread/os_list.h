// Circular doubly linked lists through a record's own prNext/prPrev fields, as the OS layer keeps
// its threads, queues and thread-private values. The caller guards the list.
#pragma once

template <typename T>
void osListAppend(T*& head, T* node)
{
    if (head == nullptr) {
        node->prNext = node->prPrev = node;
        head = node;
        return;
    }
    node->prNext = head;
    node->prPrev = head->prPrev;
    head->prPrev->prNext = node;
    head->prPrev = node;
}

template <typename T>
void osListRemove(T*& head, T* node)
{
    if (node->prNext == node) {
        head = nullptr;
    } else {
        node->prPrev->prNext = node->prNext;
        node->prNext->prPrev = node->prPrev;
        if (head == node) {
            head = node->prNext;
        }
    }
    node->prNext = node->prPrev = nullptr;
}

// The first node for which match(node) holds, or null.
template <typename T, typename Match>
T* osListFind(T* head, Match match)
{
    T* node = head;
    if (node == nullptr) {
        return nullptr;
    }
    do {
        if (match(node)) {
            return node;
        }
        node = node->prNext;
    } while (node != head);
    return nullptr;
}
