#include "main/acfg/acfg_item_priv.h"

#include "main/acfg/acfg_log_priv.h"

#include <array>
#include <atomic>

namespace {

struct ItemTable {
    std::array<AcfgItem, ACFG_ITEM_NUM> items{};
    // Set once the table is filled: readers on other threads acquire it before any field.
    std::atomic<bool> fgPublished{false};
};

const AcfgItem kUnusedItem{};

ItemTable gTable;

}  // namespace

AcfgItem* acfgGetItem(uint16_t idx)
{
    if (idx >= ACFG_ITEM_NUM) {
        ACFG_SM_ERR("Err: index out of range for ACFG.\n");
        return nullptr;
    }
    return &gTable.items[idx];
}

const AcfgItem* acfgGetFilledItem(uint16_t idx)
{
    if (idx >= ACFG_ITEM_NUM) {
        ACFG_SM_ERR("Err: index out of range for ACFG.\n");
        return nullptr;
    }
    return gTable.fgPublished.load(std::memory_order_acquire) ? &gTable.items[idx] : &kUnusedItem;
}

void acfgItemTableClear(void)
{
    gTable.fgPublished.store(false, std::memory_order_release);
    gTable.items.fill(AcfgItem{});
}

void acfgItemTablePublish(void)
{
    gTable.fgPublished.store(true, std::memory_order_release);
}
