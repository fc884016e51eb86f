// Global hot keys, key labels and the shortcut recorder against the real X server, in process.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

#include "OtherXClient.h"
#include "XServer.h"
#include "app/core/AppDelegate.h"
#include "app/base/AppSettings.h"
#include "app/base/GlimpoUIState.h"
#include "app/base/Log.h"
#include "app/base/SettingsStore.h"
#include "app/platform/x11/KeyboardLayout.h"
#include "app/shortcuts/HotKeyCapture.h"
#include "app/shortcuts/HotKeyRecorder.h"
#include "app/shortcuts/ShortcutService.h"
#include "kit/HotKeyBindings.h"
#include "tests/app/TestSupport.h"

extern XServer* sharedXServer;

using kit::CaptureAction;
using kit::HotKeyCombination;

namespace {

constexpr int badAccess = 10;
constexpr std::uint16_t shiftSuper = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;
constexpr std::uint32_t escapeKeyCode = 53;

void xdotool(const QStringList& args) { sharedXServer->run("xdotool", args); }

std::unique_ptr<AppSettings> settingsIn(const testsupport::TempDir& dir) {
    return std::make_unique<AppSettings>(std::make_unique<SettingsStore>(dir / "settings.json"),
                                         platform::x11::currentLayoutText());
}

TEST(HotKeysOnXServer, GrabsFireActionsWhateverTheLocksAndReportKeysHeldElsewhere) {
    XServer::require("xdotool");
    OtherXClient other;
    const xcb_keycode_t four = other.key(21), three = other.key(20);
    // Another application holds Shift+Super+4 (without the lock variants, as most do).
    ASSERT_EQ(other.grab(four, shiftSuper), 0);

    testsupport::TempDir dir;
    MemoryLogSink logs;
    auto settings = settingsIn(dir);
    std::vector<CaptureAction> pressed;
    auto service = std::make_unique<ShortcutService>(*settings, [&](CaptureAction a) { pressed.push_back(a); });
    service->start();

    ASSERT_EQ(service->failures().size(), 1u);
    EXPECT_EQ(service->failures().at(CaptureAction::area),
              "This shortcut is already used by the desktop or another app. Turn it off there or choose a different "
              "one.");
    EXPECT_TRUE(logs.contains("shortcut", "shortcut registration failed action=area status=-9878"));
    EXPECT_TRUE(logs.contains("shortcut", "shortcuts registered count=2 failed=1"));

    xdotool({"key", "shift+super+3"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return pressed.size() == 1; }));
    EXPECT_EQ(pressed.front(), CaptureAction::fullscreen);

    xdotool({"key", "Num_Lock"});
    xdotool({"key", "shift+super+3"});
    const bool pressedWithNumLock = testsupport::waitUntil([&] { return pressed.size() == 2; });
    xdotool({"key", "Num_Lock"});
    EXPECT_TRUE(pressedWithNumLock);
    // Exactly once each: nothing else fired meanwhile.
    testsupport::waitUntil([] { return false; }, 300);
    EXPECT_EQ(pressed.size(), 2u);

    // Once the other application lets go, the next registration takes the key.
    other.ungrab(four, shiftSuper);
    settings->setHotKeyOverride(CaptureAction::window, HotKeyCombination{13, HotKeyCombination::control, "W"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return service->failures().empty(); }));
    EXPECT_EQ(other.grab(four, shiftSuper | XCB_MOD_MASK_2), badAccess);

    // Every grab is given back when the service goes.
    service.reset();
    EXPECT_TRUE(other.canGrab(four, shiftSuper | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK));
    EXPECT_TRUE(other.canGrab(three, shiftSuper));
}

// A recorder that records nothing, only says whether it runs.
class IdleRecorder : public ScreenRecorder {
public:
    Observed<std::optional<Elapsed>> running;
    int stops = 0;

    std::optional<Elapsed> elapsed() const override { return running.get(); }
    QCoro::Task<void> start(std::optional<kit::Rect>, std::uint32_t, bool, bool) override {
        running.set(Elapsed(0));
        co_return;
    }
    QCoro::Task<std::optional<FinishedRecordingCapture>> stop() override {
        ++stops;
        running.set(std::nullopt);
        co_return std::nullopt;
    }
};

TEST(HotKeysOnXServer, EscapeIsHeldOnlyWhileARecordingRunsAndNoGlimpoSurfaceIsOpen) {
    XServer::require("xdotool");
    OtherXClient other;
    const xcb_keycode_t escape = other.key(escapeKeyCode);

    testsupport::TempDir dir;
    IdleRecorder* recorder = nullptr;
    AppDelegate::Environment environment;
    environment.store = std::make_unique<SettingsStore>(dir / "settings.json");
    environment.cacheFolder = dir / "cache";
    environment.screenPermission = [] { return true; };
    environment.makeServices = [&](AppSettings&) {
        CaptureCoordinator::Services services;
        auto idle = std::make_unique<IdleRecorder>();
        recorder = idle.get();
        services.recorder = std::move(idle);
        return services;
    };
    struct Shown : CapturePresenter {
        void show(const Capture&, const std::optional<std::string>&) override {}
    };
    struct Notices : NoticePresenter {
        void show(const std::string&, const std::string&, std::optional<double>) override {}
    };
    environment.makeCapturePresenter = [](CaptureLibrary&, AppSettings&) { return std::make_unique<Shown>(); };
    environment.makeNoticePresenter = [] { return std::make_unique<Notices>(); };
    environment.makeHotKeys = [] { return platform::x11::makeHotKeyBackend(); };
    environment.openFolder = [](const std::filesystem::path&, std::function<void()>) {};
    environment.setupPlatform = SetupGuide::Platform::standard;
    AppDelegate delegate(std::move(environment));
    delegate.applicationDidFinishLaunching();
    ASSERT_NE(recorder, nullptr);
    HotKeyCenter& center = delegate.shortcuts()->center();
    EXPECT_TRUE(other.canGrab(escape, 0));

    recorder->running.set(ScreenRecorder::Elapsed(1));
    ASSERT_TRUE(testsupport::waitUntil([&] { return center.isTransientArmed(); }));
    EXPECT_EQ(other.grab(escape, 0), badAccess);
    EXPECT_EQ(other.grab(escape, XCB_MOD_MASK_2), badAccess);

    // A shortcut field takes keys: Escape is its own again.
    HotKeyCapture capture;
    capture.start([](const HotKeyCombination&) {});
    ASSERT_TRUE(testsupport::waitUntil([&] { return !center.isTransientArmed(); }));
    EXPECT_TRUE(other.canGrab(escape, 0));
    capture.stop();
    ASSERT_TRUE(testsupport::waitUntil([&] { return center.isTransientArmed(); }));
    EXPECT_EQ(other.grab(escape, 0), badAccess);

    // Escape pressed anywhere stops the recording, and is let go with it.
    xdotool({"key", "Escape"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return recorder->stops == 1; }));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !center.isTransientArmed(); }));
    EXPECT_TRUE(other.canGrab(escape, 0));
}

// Brings the window to the front with the keyboard, as a click would.
bool activate(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
    if (testsupport::waitUntil([&] { return QApplication::activeWindow() == &window; }, 3000)) return true;
    sharedXServer->run("xdotool", {"windowactivate", "--sync", QString::number(window.winId())});
    return testsupport::waitUntil([&] { return QApplication::activeWindow() == &window; }, 3000);
}

TEST(HotKeysOnXServer, TheRecorderTakesRealKeyPresses) {
    XServer::require("xdotool");
    testsupport::TempDir dir;
    auto settings = settingsIn(dir);
    int changes = 0;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* recorder = new HotKeyRecorder(*settings, CaptureAction::window, [&] { ++changes; });
    layout->addWidget(recorder);
    ASSERT_TRUE(activate(window));
    EXPECT_EQ(recorder->recordButton()->text(), "Record Shortcut");

    recorder->recordButton()->click();
    xdotool({"key", "shift+super+a"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return !recorder->capture().isRecording(); }));
    EXPECT_EQ(settings->hotKeyOverrides().at(CaptureAction::window), (HotKeyCombination{0, 768, "A"}));
    EXPECT_EQ(recorder->recordButton()->text().toStdString(), "\u21E7\u2318A");
    EXPECT_EQ(changes, 1);

    recorder->recordButton()->click();
    xdotool({"key", "alt+a"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return recorder->hintLabel()->isVisible(); }));
    EXPECT_EQ(recorder->hintLabel()->text().toStdString(), "Include \u2318 or \u2303 in the shortcut.");
    EXPECT_TRUE(recorder->capture().isRecording());

    xdotool({"key", "Escape"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return !recorder->capture().isRecording(); }));
    EXPECT_FALSE(recorder->capture().hint());
    EXPECT_EQ(settings->hotKeyOverrides().at(CaptureAction::window), (HotKeyCombination{0, 768, "A"}));
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(GlimpoUIState::shared().openSurfaces().contains("shortcutRecorder"));
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
    EXPECT_EQ(keyboard.layoutText(21), "4");
    EXPECT_EQ(keyboard.layoutText(12), "Q");

    ScopedLayout french("fr");
    EXPECT_EQ(keyboard.layoutText(21), "'");
    EXPECT_EQ(keyboard.layoutText(12), "A");
    EXPECT_EQ(keyboard.layoutText(0), "Q");
    // Labels are capitals in full Unicode: the French 2 key types "é".
    EXPECT_EQ(keyboard.layoutText(19), "\u00C9");
    // The circumflex is a dead key there; it is still named by its accent.
    EXPECT_EQ(keyboard.layoutText(33), "^");
    // Keypad keys are named by their digits; keys that type nothing have no text.
    EXPECT_EQ(keyboard.layoutText(83), "1");
    EXPECT_EQ(keyboard.layoutText(105), "");
    EXPECT_EQ(keyboard.layoutText(36), "");
    EXPECT_EQ(keyboard.keyCode(*keyboard.x11KeyCode(12)), 12u);

    const auto text = [&](std::uint32_t code) { return keyboard.layoutText(code); };
    EXPECT_EQ(kit::HotKeyBindings::combination(21, kit::EventFlags::command, text(21))->keyLabel, "'");
    EXPECT_EQ(kit::HotKeyBindings::combination(49, kit::EventFlags::control, text(49))->keyLabel, "Space");
    EXPECT_EQ(kit::HotKeyBindings::combination(36, kit::EventFlags::command, text(36))->keyLabel, "\u21A9");
    EXPECT_FALSE(kit::HotKeyBindings::combination(105, kit::EventFlags::command, text(105)));

    // Shortcuts stored under another layout are shown under this one.
    testsupport::TempDir dir;
    {
        SettingsStore store(dir / "settings.json");
        store.setString("hotKeyOverrides", kit::HotKeyBindings::encode({
                                               {CaptureAction::area, HotKeyCombination{12, 768, "Q"}},
                                               {CaptureAction::text, HotKeyCombination{49, 4096, "Space"}},
                                           }));
    }
    const auto settings = settingsIn(dir);
    EXPECT_EQ(settings->hotKeyOverrides().at(CaptureAction::area)->keyLabel, "A");
    EXPECT_EQ(settings->hotKeyOverrides().at(CaptureAction::text)->keyLabel, "Space");
}

} // namespace
