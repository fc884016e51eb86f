#include "kit/HotKeyCombination.h"
#include "kit/ShortcutText.h"

#include <unordered_set>

#include <gtest/gtest.h>

namespace kit {
namespace {

// Storing combinations is the bindings' round trip and the decoder fuzzer's.
TEST(HotKeyCombination, LabelTakesPartInEqualityAndHash) {
    const std::unordered_set<HotKeyCombination> set{{0, 256, "A"}, {0, 256, "Q"}, {0, 256, "A"}};
    EXPECT_EQ(set.size(), 2u);
}

// Labels as the recorder reads them from a US, a French (AZERTY), a German and a Russian layout.
TEST(ShortcutText, ModifierWordsInTheDesktopsOrderThenTheKey) {
    constexpr std::uint32_t shiftSuper = 512 | 256, ctrlAlt = 4096 | 2048, all = 256 | 512 | 2048 | 4096;
    EXPECT_EQ((HotKeyCombination{21, shiftSuper, "4"}).displayString(), "Shift+Super+4");
    EXPECT_EQ((HotKeyCombination{21, shiftSuper, "'"}).displayString(), "Shift+Super+'");
    EXPECT_EQ((HotKeyCombination{6, 4096, "Y"}).displayString(), "Ctrl+Y");
    EXPECT_EQ((HotKeyCombination{13, ctrlAlt, "Ц"}).displayString(), "Ctrl+Alt+Ц");
    EXPECT_EQ((HotKeyCombination{43, 4096, ","}).displayString(), "Ctrl+,");
    EXPECT_EQ((HotKeyCombination{108, 0, "Print"}).displayString(), "Print");
    // Keys stored under another platform's glyphs are shown by their names.
    EXPECT_EQ((HotKeyCombination{36, all, "↩"}).displayString(), "Shift+Ctrl+Alt+Super+Return");

    const ShortcutText::Style kde{.order = ShortcutText::Style::Order::metaFirst, .command = "Meta"};
    EXPECT_EQ(ShortcutText::shown({49, all, "Space"}, kde), "Meta+Ctrl+Alt+Shift+Space");
    const ShortcutText::Style italian{.shift = "Maiusc"};
    EXPECT_EQ(ShortcutText::join(shiftSuper, "Spazio", italian), "Maiusc+Super+Spazio");
}

TEST(EventFlags, TranslateOnlyTheFourModifiers) {
    const std::uint64_t capsLock = 0x10000, numericPad = 0x200000, function = 0x800000, deviceBits = 0x108;
    EXPECT_EQ(EventFlags::toCarbonModifiers(0x100000 | 0x20000 | capsLock | numericPad | function | deviceBits), 768u);
    EXPECT_EQ(EventFlags::fromCarbonModifiers(768), 0x120000u);
    EXPECT_EQ(EventFlags::fromCarbonModifiers(256 | 512 | 2048 | 4096 | 1 | 0x8000), 0x1E0000u);
}

} // namespace
} // namespace kit
