#include "kit/HotKeyCombination.h"

#include <unordered_set>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "kit/Error.h"

namespace kit {
namespace {

using nlohmann::json;

TEST(HotKeyCombination, DisplayStringPutsGlyphsInFixedOrder) {
    EXPECT_EQ((HotKeyCombination{21, 768, "4"}).displayString(), "⇧⌘4");
    EXPECT_EQ((HotKeyCombination{49, 256 | 512 | 2048 | 4096, "Space"}).displayString(), "⌃⌥⇧⌘Space");
}

TEST(HotKeyCombination, LabelTakesPartInEqualityAndHash) {
    const HotKeyCombination a{0, 256, "A"};
    const HotKeyCombination q{0, 256, "Q"};
    EXPECT_NE(a, q);
    EXPECT_NE(std::hash<HotKeyCombination>{}(a), std::hash<HotKeyCombination>{}(q));
    const std::unordered_set<HotKeyCombination> set{a, q, HotKeyCombination{0, 256, "A"}};
    EXPECT_EQ(set.size(), 2u);
}

TEST(HotKeyCombinationJson, RoundTripsIncludingTheExtremes) {
    for (const HotKeyCombination& combination :
         {HotKeyCombination{21, 768, "4"}, HotKeyCombination{0xFFFFFFFF, 0xFFFFFFFF, "É"}, HotKeyCombination{}}) {
        const json encoded = toJson(combination);
        EXPECT_EQ(combinationFromJson(json::parse(encoded.dump())), combination) << encoded.dump();
    }
    EXPECT_EQ(toJson(HotKeyCombination{0, 6144, "A"}),
              json::parse(R"({"keyCode": 0, "carbonModifiers": 6144, "keyLabel": "A"})"));
}

TEST(HotKeyCombinationJson, RejectsEveryMalformedShapeWithASentence) {
    const char* bad[] = {
        R"({"keyCode": 0, "carbonModifiers": 256})",
        R"({"keyCode": "0", "carbonModifiers": 256, "keyLabel": "A"})",
        R"({"keyCode": -1, "carbonModifiers": 256, "keyLabel": "A"})",
        R"({"keyCode": 4294967296, "carbonModifiers": 256, "keyLabel": "A"})",
        R"({"keyCode": 0, "carbonModifiers": 2.5, "keyLabel": "A"})",
    };
    for (const char* text : bad) {
        try {
            combinationFromJson(json::parse(text));
            ADD_FAILURE() << "accepted " << text;
        } catch (const Error& error) {
            EXPECT_EQ(error.description().back(), '.') << text;
        }
    }
    // A signed number that a program built in memory is still a whole number.
    EXPECT_EQ(combinationFromJson(json{{"keyCode", std::int64_t{5}}, {"carbonModifiers", 0}, {"keyLabel", "A"}}).keyCode,
              5u);
}

TEST(EventFlags, TranslateOnlyTheFourModifiers) {
    const std::uint64_t capsLock = 0x10000, numericPad = 0x200000, function = 0x800000, deviceBits = 0x108;
    EXPECT_EQ(EventFlags::toCarbonModifiers(0x100000 | 0x20000 | capsLock | numericPad | function | deviceBits), 768u);
    EXPECT_EQ(EventFlags::fromCarbonModifiers(768), 0x120000u);
    EXPECT_EQ(EventFlags::fromCarbonModifiers(256 | 512 | 2048 | 4096 | 1 | 0x8000), 0x1E0000u);
    for (std::uint32_t carbon = 0; carbon < 0x2000; carbon += 256) {
        const std::uint32_t known = carbon & (256 | 512 | 2048 | 4096);
        EXPECT_EQ(EventFlags::toCarbonModifiers(EventFlags::fromCarbonModifiers(carbon)), known);
    }
}

} // namespace
} // namespace kit
