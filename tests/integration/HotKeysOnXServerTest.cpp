// Global hot keys and key labels against the real X server, in process.

#include <gtest/gtest.h>

#include <vector>

#include "CaptureTestSupport.h"
#include "OtherXClient.h"
#include "ProcessHarness.h"
#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"
#include "app/platform/x11/KeyboardLayout.h"
#include "app/shortcuts/ShortcutService.h"
#include "kit/HotKeyBindings.h"

using capturetest::xdotool;
using kit::CaptureAction;
using kit::HotKeyCombination;

namespace {

constexpr int badAccess = 10;
constexpr std::uint16_t shiftSuper = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;

std::unique_ptr<AppSettings> settingsIn(const testsupport::TempDir& dir) {
    return std::make_unique<AppSettings>(std::make_unique<SettingsStore>(dir / "settings.json"),
                                         platform::x11::currentLayoutText());
}

TEST(HotKeysOnXServer, GrabsFireActionsAndReportKeysHeldElsewhere) {
    XServer::require("xdotool");
    OtherXClient other;
    const xcb_keycode_t four = other.key(21), three = other.key(20);
    // Another application holds Shift+Super+4 (without the lock variants, as most do).
    ASSERT_EQ(other.grab(four, shiftSuper), 0);

    testsupport::TempDir dir;
    auto settings = settingsIn(dir);
    std::vector<CaptureAction> pressed;
    auto service = std::make_unique<ShortcutService>(*settings, [&](CaptureAction a) { pressed.push_back(a); });
    service->start();

    ASSERT_EQ(service->failures().size(), 1u);
    EXPECT_TRUE(service->failures().contains(CaptureAction::area));

    xdotool({"key", "shift+super+3"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return pressed.size() == 1; }));
    EXPECT_EQ(pressed.front(), CaptureAction::fullscreen);

    // Once the other application lets go, the next registration takes the key.
    other.ungrab(four, shiftSuper);
    settings->setHotKeyOverride(CaptureAction::window, HotKeyCombination{13, HotKeyCombination::control, "W"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return service->failures().empty(); }));
    EXPECT_EQ(other.grab(four, shiftSuper | XCB_MOD_MASK_2), badAccess);

    // Every grab is given back when the service goes.
    service.reset();
    EXPECT_TRUE(other.canGrab(four, shiftSuper | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK));
    EXPECT_TRUE(other.canGrab(three, shiftSuper));
    // Exactly once: a second firing would have arrived by now.
    EXPECT_EQ(pressed.size(), 1u);
}

// Print is the desktop's screenshot key: a stored override of it alone is read back, grabbed and
// fires. On a server of its own: the shared one's openbox binds Print to scrot, as desktops do.
TEST(HotKeysOnXServer, AStoredPrintShortcutIsGrabbedAndFires) {
    XServer::require("xdotool");
    XServer x({{"A", 0, 0, 1280, 800}}, false);
    GlimpoProcessHome home;
    QDir(home.path("config")).mkpath("org.glimpo.Glimpo");
    {
        auto settings = std::make_unique<AppSettings>(
            std::make_unique<SettingsStore>(std::filesystem::path(home.path("config").toStdString()) /
                                            "org.glimpo.Glimpo" / "settings.json"),
            platform::x11::currentLayoutText());
        settings->setHotKeyOverride(CaptureAction::window, HotKeyCombination{108, 0, "Print"});
    }
    GlimpoProcess glimpo(home);
    QProcessEnvironment env = home.environment();
    env.insert("DISPLAY", x.display());
    glimpo.process().setProcessEnvironment(env);
    glimpo.start();
    // The three default shortcuts and Print.
    ASSERT_TRUE(glimpo.waitForLog("shortcuts registered count=4 failed=0")) << glimpo.log().toStdString();
    ASSERT_TRUE(glimpo.waitForLog("launched")) << glimpo.log().toStdString();
    x.run("xdotool", {"key", "Print"});
    EXPECT_TRUE(glimpo.waitForLog("action=window")) << glimpo.log().toStdString();
}

// Switches the server's layout for one test and back.
class ScopedLayout {
public:
    explicit ScopedLayout(const QString& layout) { sharedXServer->run("setxkbmap", {layout}); }
    ~ScopedLayout() {
        try {
            sharedXServer->run("setxkbmap", {"us"});
        } catch (...) {
        }
    }
};

TEST(HotKeysOnXServer, LabelsComeFromTheLayoutInUse) {
    XServer::require("setxkbmap");
    platform::x11::XkbKeyboardLayout keyboard;
    ASSERT_TRUE(keyboard.isAvailable());
    EXPECT_EQ(keyboard.layoutText(12), "Q");

    ScopedLayout french("fr");
    EXPECT_EQ(keyboard.layoutText(12), "A");
    // Labels are capitals in full Unicode: the French 2 key types "é".
    EXPECT_EQ(keyboard.layoutText(19), "\u00C9");
    // The circumflex is a dead key there; it is still named by its accent.
    EXPECT_EQ(keyboard.layoutText(33), "^");
    // Keypad keys are named by their digits; keys that type nothing have no text.
    EXPECT_EQ(keyboard.layoutText(83), "1");
    EXPECT_EQ(keyboard.layoutText(36), "");
    EXPECT_EQ(keyboard.keyCode(*keyboard.x11KeyCode(12)), 12u);
}

} // namespace
