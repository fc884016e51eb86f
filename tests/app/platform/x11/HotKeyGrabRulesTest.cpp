#include "app/platform/x11/X11HotKeyBackend.h"

#include <gtest/gtest.h>

using platform::x11::GrabTable;

namespace {

constexpr std::uint16_t shiftSuper = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;

TEST(GrabTable, PressesMatchWhateverTheLocksButNoOtherModifier) {
    GrabTable table;
    table.add(1, {13, shiftSuper, 1});
    table.add(2, {9, 0, 999});
    EXPECT_EQ(table.press(13, shiftSuper, 100), 1u);
    EXPECT_EQ(table.press(13, shiftSuper | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK | XCB_BUTTON_MASK_1, 5000), 1u);
    EXPECT_FALSE(table.press(13, shiftSuper | XCB_MOD_MASK_CONTROL, 9000));
    EXPECT_FALSE(table.press(14, shiftSuper, 9000));
    EXPECT_EQ(table.press(9, XCB_MOD_MASK_2, 9000), 999u);
    EXPECT_TRUE(table.contains(13, shiftSuper));
    EXPECT_FALSE(table.contains(13, XCB_MOD_MASK_4));
}

TEST(GrabTable, AutorepeatFiresOnlyOnce) {
    GrabTable table;
    table.add(1, {13, shiftSuper, 1});
    // Presses without releases come from detectable autorepeat...
    EXPECT_EQ(table.press(13, shiftSuper, 1000), 1u);
    EXPECT_FALSE(table.press(13, shiftSuper, 1500));
    EXPECT_FALSE(table.press(13, shiftSuper, 1530));
    // ...a release and a press at the same moment from the classic kind.
    table.release(13, 1560);
    EXPECT_FALSE(table.press(13, shiftSuper, 1560));
    table.release(13, 1700);
    EXPECT_EQ(table.press(13, shiftSuper, 1800), 1u);
    // A release we never saw does not swallow a later real press.
    EXPECT_EQ(table.press(13, shiftSuper, 4000), 1u);
}

} // namespace
