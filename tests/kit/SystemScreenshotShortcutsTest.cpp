#include "kit/SystemScreenshotShortcuts.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace kit {
namespace {

using nlohmann::json;
using Actions = std::set<CaptureAction>;
using SystemScreenshotShortcuts::conflicts;

constexpr std::int64_t shiftCommandFlags = 0x120000;

json entry(json enabled, json parameters = nullptr) {
    json value = json::object();
    if (!enabled.is_null()) value["enabled"] = std::move(enabled);
    if (!parameters.is_null()) value["value"] = {{"parameters", std::move(parameters)}};
    return value;
}

// Every desktop screenshot shortcut switched off.
json allOff() {
    json preferences = json::object();
    for (const auto id : SystemScreenshotShortcuts::ids) preferences[std::string(id)] = entry(false);
    return preferences;
}

const ActiveBindings defaults = HotKeyBindings::active({});

TEST(SystemScreenshotShortcuts, MissingPreferencesMeanFactoryKeysAreOnAndSwitchedOffOnesDoNotConflict) {
    const Actions all{CaptureAction::area, CaptureAction::fullscreen, CaptureAction::allInOne};
    EXPECT_EQ(conflicts(json::object(), defaults), all);
    // Unreadable preferences count as empty, and so do entries that aren't maps.
    EXPECT_EQ(conflicts(json(), defaults), all);
    EXPECT_EQ(conflicts(json{{"28", 1}, {"30", "on"}, {"184", json::array()}}, defaults), all);

    // Without "enabled" an entry is off whatever it holds; so is an empty one.
    json preferences = allOff();
    preferences["30"] = entry(nullptr, {52, 21, shiftCommandFlags});
    preferences["28"] = json::object();
    preferences["184"] = entry("yes");
    EXPECT_TRUE(conflicts(preferences, defaults).empty());
}

TEST(SystemScreenshotShortcuts, ReadsTheStoredKeyOrFallsBackToTheFactoryKey) {
    const Actions area{CaptureAction::area};
    json preferences = allOff();
    preferences["30"] = entry(1, {52, 21, shiftCommandFlags});
    EXPECT_EQ(conflicts(preferences, defaults), area);

    for (const json& unreadable : {json{52, 21}, json{52, -21, shiftCommandFlags}, json("x")}) {
        preferences["30"] = entry(true, unreadable);
        EXPECT_EQ(conflicts(preferences, defaults), area) << unreadable.dump();
    }

    // Bits beyond the four modifiers (numeric pad, function) are masked away.
    preferences["30"] = entry(true, {65535, 21, shiftCommandFlags | 0x200000 | 0x800000 | 0x10000});
    EXPECT_EQ(conflicts(preferences, defaults), area);

    // A function the user moved elsewhere holds its new key; modifiers must match exactly.
    preferences["30"] = entry(true, {97, 0, shiftCommandFlags});
    const ActiveBindings onA{{CaptureAction::text, HotKeyCombination{0, 768, "A"}},
                             {CaptureAction::window, HotKeyCombination{0, 2048 | 768, "A"}}};
    EXPECT_EQ(conflicts(preferences, onA), Actions{CaptureAction::text});
    const ActiveBindings controlShiftCommand4{{CaptureAction::area, HotKeyCombination{21, 4096 | 768, "4"}}};
    EXPECT_EQ(conflicts(json::object(), controlShiftCommand4), area);
}

} // namespace
} // namespace kit
