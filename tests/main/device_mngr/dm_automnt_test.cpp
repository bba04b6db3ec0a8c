// The approval rule of automatic mounting, and the two lookups over a descriptor tree built here.
#include "main/device_mngr/dm_automnt.h"

#include "main/device_mngr/dm_core_priv.h"
#include "main/device_mngr/dm_dev_query.h"
#include "main/mw/rwlock/rwlock.h"
#include "tests/main/am/app_harness.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

namespace {

TEST(DmApprovalTest, TheBuildsRowsApproveUsbMediaAndTwoIdeTypes)
{
    const DmAutoMntRow rows[] = {{5, 516}, {5, 517}, {4, 512}, {6, 512}};
    auto approved = [&](uint32_t hw, uint32_t dev) {
        for (const DmAutoMntRow& r : rows) {
            if (dmDecApprove(r, hw, dev)) {
                return true;
            }
        }
        return false;
    };
    struct Case {
        uint32_t hw;
        uint32_t dev;
        bool approved;
    };
    const Case cases[] = {
        {4, 522, true},  {4, 523, true},  {4, 516, true},  {6, 523, true},  {4, 264, false},
        {4, 266, false}, {5, 516, true},  {5, 517, true},  {5, 522, false}, {5, 523, false},
        {0, 523, false}, {7, 523, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(approved(c.hw, c.dev), c.approved) << c.hw << " " << c.dev;
    }
    // Wildcards: a row of 0 takes anything; the socket class its own members only.
    EXPECT_TRUE(dmDecApprove({0, 0}, 9, 999));
    EXPECT_TRUE(dmDecApprove({0, 256}, 9, 264));
    EXPECT_FALSE(dmDecApprove({0, 256}, 9, 522));
}

// A tree of root, USB disk and partition under a lock of its own, as the callback thread keeps it.
class DmQueryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { apptest::startExecEnv(); }
    void SetUp() override
    {
        ASSERT_EQ(uRwlCreateLock(&dmCoreGet().h_dev_lock), 0);
        // Under an IDE root: nothing here asks the hotplug side for a USB path.
        root_ = add(nullptr, 5, 261, 0, 1);
        disk_ = add(root_, 5, 522, 0, 1);
        part_ = add(disk_, 5, 523, 1, 1);
        std::strcpy(part_->pDevName, "sda1");
    }
    void TearDown() override
    {
        dmCoreGet().t_dev_list = nullptr;
        for (auto& d : descs_) {
            uHandleFree(d->h_self, 0);
        }
        uRwlDeleteLock(dmCoreGet().h_dev_lock);
        dmCoreGet().h_dev_lock = 0;
    }
    DmDevDesc* add(DmDevDesc* parent, uint32_t hw, uint32_t dev, uint32_t match, uint8_t avail)
    {
        descs_.push_back(std::make_unique<DmDevDesc>());
        DmDevDesc* d = descs_.back().get();
        d->tHwType = hw;
        d->tDevType = dev;
        d->ui4_match = match;
        d->ui4_skt_no = 1;
        d->b_avail = avail;
        d->i4_fd = -1;
        d->pt_prnt_dev = parent;
        d->pt_root = parent == nullptr ? d : parent->pt_root;
        EXPECT_EQ(uHandleAlloc(DM_HT_DEV_DESC, d, 0, [](handle_t, handle_type, void*, uint32_t, uint8_t) { return 1; },
                               &d->h_self),
                  HR_OK);
        DmDevDesc** tail = &dmCoreGet().t_dev_list;
        while (*tail != nullptr) {
            tail = &(*tail)->pt_next;
        }
        *tail = d;
        return d;
    }
    std::vector<std::unique_ptr<DmDevDesc>> descs_;
    DmDevDesc* root_ = nullptr;
    DmDevDesc* disk_ = nullptr;
    DmDevDesc* part_ = nullptr;
};

TEST_F(DmQueryTest, GetDeviceByItsTypes)
{
    struct Case {
        std::array<uint32_t, 3> key;
        int32_t result;
        const DmDevDesc* found;
    };
    const Case cases[] = {
        {{5, 523, 1}, 0, part_}, {{5, 522, 0}, 0, disk_},
        {{5, 523, 2}, -1, nullptr},            {{4, 523, 1}, -1, nullptr},
        {{0, 523, 1}, -2, nullptr},            {{5, 0, 1}, -2, nullptr},
        {{5, 512, 1}, -2, nullptr},            {{5, 256, 1}, -2, nullptr},
    };
    for (const Case& c : cases) {
        handle_t h = 0;
        EXPECT_EQ(uDmGetDevice(c.key.data(), &h), c.result) << c.key[1] << " " << c.key[2];
        if (c.found != nullptr) {
            EXPECT_EQ(h, c.found->h_self);
        }
    }
    handle_t h = 0;
    EXPECT_EQ(uDmGetDevice(nullptr, &h), -2);
    EXPECT_EQ(uDmGetDevice(std::array<uint32_t, 3>{5, 523, 1}.data(), nullptr), -2);
}

TEST_F(DmQueryTest, DeviceInfoOfADescriptorItsRootAndParent)
{
    DmDevInfo info{};
    ASSERT_EQ(uDmGetDeviceInfo(part_->h_self, &info), 0);
    EXPECT_EQ(info.t_id.tHwType, 5u);
    EXPECT_EQ(info.t_id.tDevType, 523u);
    EXPECT_EQ(info.t_id.ui4_match, 1u);
    EXPECT_EQ(info.b_avail, 1);
    EXPECT_EQ(info.t_root.h_dev, root_->h_self);
    EXPECT_EQ(info.t_root.t_id.tDevType, 261u);
    EXPECT_EQ(info.b_has_prnt, 1);
    EXPECT_EQ(info.t_prnt.h_dev, disk_->h_self);
    EXPECT_EQ(info.t_prnt.t_id.tDevType, 522u);

    // Not usable: the type words only. Under a parent that is not usable: refused.
    disk_->b_avail = 0;
    ASSERT_EQ(uDmGetDeviceInfo(disk_->h_self, &info), 0);
    EXPECT_EQ(info.t_id.tDevType, 522u);
    EXPECT_EQ(info.t_root.h_dev, 0u);
    EXPECT_EQ(uDmGetDeviceInfo(part_->h_self, &info), -15);

    handle_t lock = 0;
    ASSERT_EQ(uRwlCreateLock(&lock), 0);
    EXPECT_EQ(uDmGetDeviceInfo(lock, &info), -5);
    uRwlDeleteLock(lock);
    EXPECT_EQ(uDmGetDeviceInfo(part_->h_self, nullptr), -2);
}

}  // namespace
