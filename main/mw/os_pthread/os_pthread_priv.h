// Internals of the OS layer, for its own sources only: monotonic-clock conditions and deadlines for
// the timed waits, and the circular doubly linked lists through a record's own prNext/prPrev fields
// in which it keeps its threads, queues and thread-private values (the caller guards the list).
#pragma once

#include <pthread.h>

#include <cstdint>
#include <ctime>

inline int osCondInitMonotonic(pthread_cond_t* cond)
{
    pthread_condattr_t attr;
    int ret = pthread_condattr_init(&attr);
    if (ret != 0) {
        return ret;
    }
    ret = pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    if (ret == 0) {
        ret = pthread_cond_init(cond, &attr);
    }
    pthread_condattr_destroy(&attr);
    return ret;
}

inline timespec osDeadlineAfterMs(uint32_t ms)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t nsec = static_cast<uint64_t>(now.tv_nsec) + static_cast<uint64_t>(ms % 1000) * 1000000u;
    timespec deadline{};
    deadline.tv_sec = now.tv_sec + static_cast<time_t>(ms / 1000) + static_cast<time_t>(nsec / 1000000000u);
    deadline.tv_nsec = static_cast<long>(nsec % 1000000000u);
    return deadline;
}

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
