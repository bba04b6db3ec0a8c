// The configuration store's item table: 63 slots, each describing one persistent setting (its
// name, size, default, validation rule). Values live in the store's cache, not here; the group
// initialisers that fill the slots are in acfg_group_priv.h.
#pragma once

#include "main/acfg/acfg_item_idx.h"

#include <cstdint>

constexpr uint32_t ACFG_ITEM_NAME_LEN = 32;

// Answers non-zero to accept `size` bytes at `value` for the item with `key`, 0 to refuse.
using AcfgValidateFct = int32_t (*)(uint16_t key, const void* value, uint32_t size);
// Runs after a set has stored a new value, and once per slot at the end of start-up.
using AcfgUpdateFct = void (*)(uint16_t key);

// One slot. A slot that no group initialiser fills stays all zero: disabled, element size 0.
struct AcfgItem {
    char szName[ACFG_ITEM_NAME_LEN];  // the IDX_ name, zero-padded; also the record name in the file
    uint16_t ui2Key;                  // group in bits 8-15 (0 system, 1 Bluetooth, 2 network, 3 CEC)
    uint32_t ui4Type;                 // element size in bytes: 1, 2, 4 or 8
    uint16_t ui2Count;                // number of elements
    const void* pvDefault;
    uint16_t ui2DefaultCount;
    AcfgValidateFct pfValidate;  // absent: every value is accepted
    AcfgUpdateFct pfUpdate;      // absent: skipped
    uint8_t ui1Enable;
    uint32_t ui4CacheOffset;  // of the value in the cache, written once when the cache is built
};

// The descriptor of slot idx; null (logged) when idx >= ACFG_ITEM_NUM.
AcfgItem* acfgGetItem(uint16_t idx);

// The descriptor of slot idx as the store's users read it, on any thread: all zero (not in use)
// until the store has filled the table and built its cache. Null when idx >= ACFG_ITEM_NUM.
const AcfgItem* acfgGetFilledItem(uint16_t idx);

// Zeroes every slot; the store does it at each start before the group initialisers run.
void acfgItemTableClear(void);
// Hands the filled table, cache offsets included, to the other threads.
void acfgItemTablePublish(void);
