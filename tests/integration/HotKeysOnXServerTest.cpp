// Global hot keys and key labels against the real X server, in process; and the program on a
// bare X server of its own: no tray, no window manager, and no desktop binding Print (the shared
// server's openbox binds it to scrot, as desktops do).

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPushButton>
#include <QScopeGuard>

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "CaptureTestSupport.h"
#include "ProcessHarness.h"
#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"
#include "app/platform/x11/KeyboardLayout.h"
#include "app/platform/x11/X11HotKeyBackend.h"
#include "app/shortcuts/HotKeyRecorder.h"
#include "app/shortcuts/ShortcutService.h"
#include "kit/HotKeyBindings.h"

using capturetest::OtherXClient;
using capturetest::xdotool;
using kit::CaptureAction;
using kit::HotKeyCombination;

namespace {

constexpr int badAccess = 10;
constexpr std::uint16_t shiftSuper = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;

TEST(HotKeysOnXServer, GrabsFireActionsAndReportKeysHeldElsewhere) {
    OtherXClient other;
    platform::x11::XkbKeyboardLayout keyboard;
    const xcb_keycode_t four = *keyboard.x11KeyCode(21), three = *keyboard.x11KeyCode(20);
    // Another application holds Shift+Super+4 (without the lock variants, as most do).
    ASSERT_EQ(other.grab(four, shiftSuper), 0);

    testsupport::TempDir dir;
    auto settings = std::make_unique<AppSettings>(std::make_unique<SettingsStore>(dir / "settings.json"),
                                                  platform::x11::currentLayoutText());
    std::vector<CaptureAction> pressed;
    auto service = std::make_unique<ShortcutService>(*settings, std::make_unique<platform::x11::X11HotKeyBackend>());
    QObject::connect(service.get(), &ShortcutService::pressed, [&](CaptureAction a) { pressed.push_back(a); });
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

// The desktop's keys reach the recorder only as XInput's raw events.
TEST(HotKeysOnXServer, TheRecorderNamesAKeyAnotherClientHoldsAndTakesAFreeOne) {
    OtherXClient other;
    platform::x11::XkbKeyboardLayout keyboard;
    const xcb_keycode_t k = *keyboard.x11KeyCode(40);
    const std::uint16_t controlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
    ASSERT_EQ(other.grab(k, controlShift), 0);
    const auto release = qScopeGuard([&] { other.ungrab(k, controlShift); });

    testsupport::TempDir dir;
    AppSettings settings(std::make_unique<SettingsStore>(dir / "settings.json"), platform::x11::currentLayoutText());
    HotKeyRecorder recorder(settings, CaptureAction::text);
    recorder.show();
    recorder.activateWindow();
    ASSERT_TRUE(testsupport::waitUntil([&] { return QGuiApplication::focusWindow() == recorder.windowHandle(); }));
    recorder.recordButton()->click();

    xdotool({"key", "ctrl+shift+k"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return recorder.capture().hint().has_value(); }, 3000));
    EXPECT_EQ(*recorder.capture().hint(),
              "The desktop uses Shift+Ctrl+K itself. Free it in the desktop's keyboard settings or choose another.");
    EXPECT_TRUE(recorder.capture().isRecording());

    xdotool({"key", "ctrl+shift+j"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return !recorder.capture().isRecording(); }));
    EXPECT_EQ(settings.hotKeyOverrides().at(CaptureAction::text),
              (HotKeyCombination{38, HotKeyCombination::control | HotKeyCombination::shift, "J"}));
    // A press that arrived is no one else's.
    testsupport::waitUntil([] { return false; }, 2 * HotKeyCapture::arrivalMilliseconds);
    EXPECT_FALSE(recorder.capture().hint());
}

TEST(HotKeysOnXServer, LabelsComeFromTheLayoutInUse) {
    XServer::require("setxkbmap");
    platform::x11::XkbKeyboardLayout keyboard;
    ASSERT_TRUE(keyboard.isAvailable());
    EXPECT_EQ(keyboard.layoutText(12), "Q");

    sharedXServer->run("setxkbmap", {"fr"});
    const auto back = qScopeGuard([] { sharedXServer->output("setxkbmap", {"us"}); });
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

TEST(AppLaunch, OnABareXServerWithoutTrayItLaunchesAndAStoredPrintShortcutFires) {
    XServer::require("xdotool");
    XServer x({{"A", 0, 0, 1280, 800}}, false);
    GlimpoProcessHome home;
    SettingsStore((home.path("config") + "/org.glimpo.Glimpo/settings.json").toStdString())
        .setString("hotKeyOverrides", kit::HotKeyBindings::encode({{CaptureAction::window,
                                                                    HotKeyCombination{108, 0, "Print"}}}));
    GlimpoProcess glimpo(home);
    QProcessEnvironment env = home.environment();
    env.insert("DISPLAY", x.display());
    glimpo.process().setProcessEnvironment(env);
    glimpo.start();
    // The three default shortcuts and Print, alone: a key that stands on its own.
    ASSERT_TRUE(glimpo.waitForLog("shortcuts registered count=4 failed=0")) << glimpo.log().toStdString();
    ASSERT_TRUE(glimpo.waitForLog("launched")) << glimpo.log().toStdString();
    EXPECT_TRUE(glimpo.log().contains("tray unavailable")) << glimpo.log().toStdString();
    x.run("xdotool", {"key", "Print"});
    EXPECT_TRUE(glimpo.waitForLog("action=window")) << glimpo.log().toStdString();
}

} // namespace
