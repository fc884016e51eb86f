#include "kit/HotKeyCombination.h"

#include <unordered_set>

#include <gtest/gtest.h>

namespace kit {
namespace {

// Storing combinations is the bindings' round trip and the decoder fuzzer's.
TEST(HotKeyCombination, LabelTakesPartInEqualityAndHash) {
    const std::unordered_set<HotKeyCombination> set{{0, 256, "A"}, {0, 256, "Q"}, {0, 256, "A"}};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ((HotKeyCombination{49, 256 | 512 | 2048 | 4096, "Space"}).displayString(), "⌃⌥⇧⌘Space");
}

TEST(EventFlags, TranslateOnlyTheFourModifiers) {
    const std::uint64_t capsLock = 0x10000, numericPad = 0x200000, function = 0x800000, deviceBits = 0x108;
    EXPECT_EQ(EventFlags::toCarbonModifiers(0x100000 | 0x20000 | capsLock | numericPad | function | deviceBits), 768u);
    EXPECT_EQ(EventFlags::fromCarbonModifiers(768), 0x120000u);
    EXPECT_EQ(EventFlags::fromCarbonModifiers(256 | 512 | 2048 | 4096 | 1 | 0x8000), 0x1E0000u);
}

} // namespace
} // namespace kit
