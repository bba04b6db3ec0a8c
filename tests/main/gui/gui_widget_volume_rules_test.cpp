// The volume widgets' steps, limits and unmute thresholds.
#include "main/gui/gui_widget_volume_priv.h"

#include <gtest/gtest.h>

namespace {

constexpr uint8_t kUp = GUI_WIDGET_VOL_DIR_UP;
constexpr uint8_t kDown = GUI_WIDGET_VOL_DIR_DOWN;

TEST(GuiWidgetVolumeRules, OnePressStopsAtTheLimits)
{
    struct Case {
        uint8_t vol;
        uint8_t dir;
        uint8_t next;
        bool limit;
    };
    const Case cases[] = {
        {50, kUp, 51, false},   {99, kUp, 100, false}, {100, kUp, 100, true},
        {50, kDown, 49, false}, {1, kDown, 0, false},  {0, kDown, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.vol) << " dir " << int(c.dir));
        bool limit = !c.limit;
        EXPECT_EQ(guiWidgetVolOnceStep(c.vol, c.dir, &limit), c.next);
        EXPECT_EQ(limit, c.limit);
    }
}

TEST(GuiWidgetVolumeRules, HeldKeyStepsByEightAndStopsAtTheLimits)
{
    struct Case {
        uint8_t vol;
        uint8_t dir;
        uint8_t next;
    };
    const Case cases[] = {
        {50, kUp, 58},   {91, kUp, 99}, {92, kUp, 100}, {95, kUp, 100}, {100, kUp, 100},
        {50, kDown, 42}, {9, kDown, 1}, {8, kDown, 0},  {5, kDown, 0},  {0, kDown, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.vol) << " dir " << int(c.dir));
        EXPECT_EQ(guiWidgetVolRepeatStep(c.vol, c.dir, 8), c.next);
    }
}

TEST(GuiWidgetVolumeRules, OutsideVolumesAreKeptToTheTables)
{
    EXPECT_EQ(guiWidgetVolClamp(0), 0);
    EXPECT_EQ(guiWidgetVolClamp(100), 100);
    EXPECT_EQ(guiWidgetVolClamp(101), 100);
    EXPECT_EQ(guiWidgetVolClamp(150), 100);
    EXPECT_EQ(guiWidgetVolClamp(255), 100);
}

TEST(GuiWidgetVolumeRules, WhenAVolumeEndsTheMute)
{
    // Muted at 90.
    EXPECT_FALSE(guiWidgetVolSetUnmutes(85, 90));
    EXPECT_TRUE(guiWidgetVolSetUnmutes(95, 90));
    EXPECT_TRUE(guiWidgetVolSetUnmutes(80, 90));
    EXPECT_FALSE(guiWidgetVolSetUnmutes(0, 90));

    EXPECT_FALSE(guiWidgetVolKeyUnmutes(kDown, 89));
    EXPECT_TRUE(guiWidgetVolKeyUnmutes(kUp, 91));
    EXPECT_TRUE(guiWidgetVolKeyUnmutes(kDown, 80));  // muted at 81, one press down

    EXPECT_TRUE(guiWidgetVolBtUnmutes(79, 90));
    EXPECT_FALSE(guiWidgetVolBtUnmutes(80, 90));
    EXPECT_FALSE(guiWidgetVolBtUnmutes(90, 90));
    EXPECT_TRUE(guiWidgetVolBtUnmutes(91, 90));
}

}  // namespace
