#include "kit/HotKeyBindings.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "kit/Error.h"

namespace kit {
namespace {

const HotKeyCombination controlOptionA{0, HotKeyCombination::control | HotKeyCombination::option, "A"};

constexpr std::uint64_t commandFlag = EventFlags::command;
constexpr std::uint64_t controlFlag = EventFlags::control;

TEST(HotKeyBindingsActive, OverridesReplaceClearOrAddToTheDefaults) {
    ASSERT_EQ(HotKeyBindings::active({}).size(), 3u);
    const ActiveBindings edited = HotKeyBindings::active({
        {CaptureAction::area, std::nullopt},
        {CaptureAction::window, controlOptionA},
        {CaptureAction::allInOne, controlOptionA},
    });
    EXPECT_FALSE(edited.contains(CaptureAction::area));
    EXPECT_EQ(edited.at(CaptureAction::window), controlOptionA);
    // Duplicates are left for registration to report; each names the other, labels aside.
    EXPECT_EQ(edited.at(CaptureAction::allInOne), controlOptionA);
    EXPECT_EQ(HotKeyBindings::otherOwner(edited, CaptureAction::allInOne, controlOptionA), CaptureAction::window);
    EXPECT_EQ(HotKeyBindings::otherOwner(edited, CaptureAction::window, {0, controlOptionA.carbonModifiers, "Q"}),
              CaptureAction::allInOne);
    EXPECT_FALSE(HotKeyBindings::otherOwner(edited, CaptureAction::text, {0, HotKeyCombination::control, "A"}));
}

TEST(HotKeyBindingsStoredForm, RoundTripsClearedAndSetEntries) {
    EXPECT_EQ(HotKeyBindings::encode({}), "{}");
    EXPECT_TRUE(HotKeyBindings::decode("{}").empty());

    const HotKeyOverrides overrides{{CaptureAction::area, controlOptionA},
                                    {CaptureAction::fullscreen, std::nullopt},
                                    {CaptureAction::text, HotKeyCombination{49, 4096, "Space"}}};
    const std::string encoded = HotKeyBindings::encode(overrides);
    EXPECT_EQ(nlohmann::json::parse(encoded)["fullscreen"], nlohmann::json::object());
    EXPECT_EQ(encoded.find_first_of(" \n"), std::string::npos) << "not compact: " << encoded;
    EXPECT_EQ(HotKeyBindings::decode(encoded), overrides);
    // An invalid label fails instead of writing garbage.
    EXPECT_THROW(HotKeyBindings::encode({{CaptureAction::area, HotKeyCombination{0, 256, "\xc3"}}}), Error);
}

TEST(HotKeyBindingsStoredForm, DecodesTheDocumentedShapeAndSkipsUnknownNames) {
    const auto decoded = HotKeyBindings::decode(R"({
        "fullscreen": {},
        "area": {"combination": {"keyCode": 0, "carbonModifiers": 6144, "keyLabel": "A"}},
        "window": {"combination": null},
        "Area": {"combination": {"keyCode": 1, "carbonModifiers": 256, "keyLabel": "S"}},
        "future": {"somethingElse": true}
    })");
    const HotKeyOverrides expected{{CaptureAction::area, controlOptionA},
                                   {CaptureAction::fullscreen, std::nullopt},
                                   {CaptureAction::window, std::nullopt}};
    EXPECT_EQ(decoded, expected);
}

TEST(HotKeyBindingsStoredForm, RejectsMalformedDataAsAWhole) {
    const char* bad[] = {
        "not json",
        "null",
        R"({"area": {}, "unknown": 3})",
        R"({"fullscreen": {}, "area": {"combination": {"keyCode": 0, "carbonModifiers": 256}}})",
        R"({"area": {"combination": {"keyCode": 99999999999, "carbonModifiers": 256, "keyLabel": "A"}}})",
        "{\"area\": {\"combination\": {\"keyCode\": 0, \"carbonModifiers\": 256, \"keyLabel\": \"\xff\"}}}",
    };
    for (const char* data : bad) {
        EXPECT_THROW(HotKeyBindings::decode(data), Error) << data;
    }
}

TEST(HotKeyBindingsKeyPress, NeedsCommandOrControlAndALabel) {
    EXPECT_EQ(HotKeyBindings::combination(0, EventFlags::shift, "a"), std::nullopt);
    EXPECT_EQ(HotKeyBindings::combination(49, EventFlags::option, " "), std::nullopt);

    EXPECT_EQ(HotKeyBindings::combination(49, controlFlag, " "), (HotKeyCombination{49, 4096, "Space"}));
    // Print and the keys beyond F12 stand alone; other keys without text do not, nor a nameless one (Menu) with Ctrl.
    EXPECT_EQ(HotKeyBindings::combination(108, 0, ""), (HotKeyCombination{108, 0, "Print"}));
    EXPECT_EQ(HotKeyBindings::combination(90, 0, ""), (HotKeyCombination{90, 0, "F20"}));
    EXPECT_EQ(HotKeyBindings::combination(112, EventFlags::shift, ""), (HotKeyCombination{112, 512, "Scroll Lock"}));
    EXPECT_EQ(HotKeyBindings::combination(114, 0, ""), std::nullopt);
    EXPECT_EQ(HotKeyBindings::combination(110, controlFlag, ""), std::nullopt);
    EXPECT_EQ(HotKeyBindings::combination(19, 0x10000 | EventFlags::shift | commandFlag, "É"), (HotKeyCombination{19, 768, "É"}));
}

TEST(HotKeyBindingsKeyPress, RelabelFollowsTheLayoutButNeverLosesTheLabel) {
    const HotKeyCombination stored{12, 256, "Q"};
    EXPECT_EQ(HotKeyBindings::relabel(stored, "A").keyLabel, "A");
    EXPECT_EQ(HotKeyBindings::relabel(stored, "").keyLabel, "Q");
    EXPECT_EQ(HotKeyBindings::relabel(HotKeyCombination{53, 256, "old"}, "\x1b").keyLabel, "⎋");
}

} // namespace
} // namespace kit
