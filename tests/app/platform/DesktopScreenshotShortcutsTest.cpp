#include "app/platform/desktop/DesktopScreenshotShortcuts.h"

#include "app/platform/desktop/DesktopKeys.h"
#include "app/platform/x11/KeyNames.h"
#include "kit/SystemScreenshotShortcuts.h"
#include "tests/app/TestSupport.h"

#include <gtest/gtest.h>

using namespace platform::desktop;
using kit::CaptureAction;
using kit::SystemShortcutKey;
namespace flags = kit::EventFlags;

namespace {

constexpr std::uint32_t print = platform::x11::KeyNames::printKeyCode;

// A sample of the desktop's own file or listing.
std::string sample(const char* name) {
    return testsupport::readFile(std::filesystem::path(GLIMPO_SOURCE_DIR) / "tests/data/desktop-shortcuts" / name);
}

std::set<CaptureAction> conflictsWithDefaults(const std::vector<DesktopShortcut>& shortcuts) {
    const auto bindings = kit::HotKeyBindings::active({});
    return kit::SystemScreenshotShortcuts::conflicts(DesktopScreenshotShortcuts::preferences(shortcuts, bindings),
                                                     bindings);
}

} // namespace

TEST(DesktopKeys, GtkAcceleratorsAndQtShortcutsAsKdeStoresThemBecomeKeyCodesAndEventFlags) {
    EXPECT_EQ(parseGtkAccelerator("<Shift><Super>4"), (SystemShortcutKey{21, flags::shift | flags::command}));
    EXPECT_EQ(parseGtkAccelerator("<Primary><Alt>Print"), (SystemShortcutKey{print, flags::control | flags::option}));
    // A shifted symbol names the digit key with Shift.
    EXPECT_EQ(parseGtkAccelerator("<Super>dollar"), (SystemShortcutKey{21, flags::shift | flags::command}));
    EXPECT_EQ(parseGtkAccelerator("<Super>KP_5"), (SystemShortcutKey{87, flags::command}));
    EXPECT_EQ(parseQtShortcut("Meta+Shift+Print"), (SystemShortcutKey{print, flags::command | flags::shift}));
    EXPECT_EQ(parseQtShortcut("Meta+$"), (SystemShortcutKey{21, flags::command | flags::shift}));
    EXPECT_EQ(parseQtShortcut("Ctrl++"), (SystemShortcutKey{24, flags::control | flags::shift}));

    // What no shortcut of ours can be never collides, so it is not read at all.
    for (const char* unreadable : {"disabled", "<Hyper>4", "<Super>NoSuchKey", "<Super"}) {
        EXPECT_EQ(parseGtkAccelerator(unreadable), std::nullopt) << unreadable;
    }
    for (const char* unreadable : {"none", "Meta+", "Hyper+4"}) {
        EXPECT_EQ(parseQtShortcut(unreadable), std::nullopt) << unreadable;
    }
}

TEST(DesktopScreenshotShortcuts, GSettingsListingKeepsOnlyScreenshotKeys) {
    const auto shortcuts = DesktopScreenshotShortcuts::parseGSettings(sample("gsettings-list-recursively.txt"));
    const std::vector<DesktopShortcut> expected{
        {ScreenshotFunction::fullScreen, {20, flags::shift | flags::command}},
        {ScreenshotFunction::screenshotUI, {print, 0}},
        {ScreenshotFunction::screenshotUI, {21, flags::shift | flags::command}},
        {ScreenshotFunction::areaToClipboard, {print, flags::control | flags::shift}},
        {ScreenshotFunction::fullScreen, {53, flags::command}},
    };
    EXPECT_EQ(shortcuts, expected);
}

TEST(DesktopScreenshotShortcuts, KdeFileInBothForms) {
    // The older form: "current,default,name", several current shortcuts separated by \t.
    const auto plasma5 = DesktopScreenshotShortcuts::parseKGlobalShortcuts(sample("kglobalshortcutsrc-plasma5"));
    const std::vector<DesktopShortcut> expected5{
        {ScreenshotFunction::window, {43, flags::command}},
        {ScreenshotFunction::area, {21, flags::command | flags::shift}},
        {ScreenshotFunction::area, {1, flags::command | flags::shift}},
    };
    EXPECT_EQ(plasma5, expected5);

    // The newer form stores only changes to the tool's own defaults.
    const auto defaults = DesktopScreenshotShortcuts::parseDesktopActionShortcuts(sample("kde-screenshot-tool-desktop-entry"));
    const auto plasma6 = DesktopScreenshotShortcuts::parseKGlobalShortcuts(sample("kglobalshortcutsrc-plasma6"), defaults);
    const std::vector<DesktopShortcut> expected6{
        {ScreenshotFunction::fullScreen, {20, flags::command | flags::shift}},
        {ScreenshotFunction::recording, {15, flags::command | flags::shift}},
        {ScreenshotFunction::recording, {23, flags::command | flags::shift}},
    };
    EXPECT_EQ(plasma6, expected6);
    EXPECT_EQ(conflictsWithDefaults(plasma6), (std::set<CaptureAction>{CaptureAction::fullscreen, CaptureAction::allInOne}));
}

TEST(DesktopScreenshotShortcuts, PreferencesHoldEveryIdAndNoCollisionIsLost) {
    // Nothing read: every id is present and off, so nothing collides (an empty map would mean
    // all of them on).
    const auto none = DesktopScreenshotShortcuts::preferences({});
    for (const auto id : kit::SystemScreenshotShortcuts::ids) {
        EXPECT_EQ(none.at(std::string(id)), (nlohmann::json{{"enabled", false}})) << id;
    }
    EXPECT_TRUE(conflictsWithDefaults({}).empty());

    // Eight desktop keys for five ids: the ones that collide get in, whatever their order.
    std::vector<DesktopShortcut> many;
    for (std::uint32_t letter : {0u, 1u, 2u, 3u, 4u, 5u, 6u}) {
        many.push_back({ScreenshotFunction::recording, {letter, flags::command | flags::control}});
    }
    many.push_back({ScreenshotFunction::window, {23, flags::shift | flags::command}});
    EXPECT_EQ(conflictsWithDefaults(many), std::set<CaptureAction>{CaptureAction::allInOne});
}
