// The hotplug side's two lists (device records, registrations): a scoped hold of their
// read-write locks, and the push and unlink of their intrusive next/pprev links.
#pragma once

#include "main/mw/rwlock/rwlock.h"

class DmhRwHold {
public:
    DmhRwHold(handle_t lock, bool write)
        : lock_(lock), held_((write ? uRwlWriteLock(lock, RWL_OPTION_WAIT) : uRwlReadLock(lock, RWL_OPTION_WAIT)) ==
                             RWLR_OK)
    {
    }
    ~DmhRwHold()
    {
        if (held_) {
            uRwlReleaseLock(lock_);
        }
    }
    DmhRwHold(const DmhRwHold&) = delete;
    DmhRwHold& operator=(const DmhRwHold&) = delete;
    bool held() const { return held_; }

private:
    handle_t lock_;
    bool held_;
};

// Pushes `node` at the head of the list.
template <typename Node>
void dmhPushHead(Node*& head, Node* node)
{
    node->next = head;
    if (node->next != nullptr) {
        node->next->pprev = &node->next;
    }
    node->pprev = &head;
    head = node;
}

// Takes `node` out of its list (it is not freed).
template <typename Node>
void dmhUnlink(Node* node)
{
    if (node->pprev != nullptr) {
        *node->pprev = node->next;
    }
    if (node->next != nullptr) {
        node->next->pprev = node->pprev;
    }
    node->next = nullptr;
    node->pprev = nullptr;
}
