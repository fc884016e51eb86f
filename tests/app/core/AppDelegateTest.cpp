#include "app/core/AppDelegate.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>

#include "TestSupport.h"
#include "app/base/AppSettings.h"
#include "app/base/GlimpoUIState.h"
#include "app/quickaccess/CaptureCountdown.h"
#include "app/ui/AllInOneController.h"
#include "app/ui/StatusItemController.h"
#include "app/ui/WindowPresenter.h"
#include "capture/FakeCaptureBackend.h"
#include "fakes/FakeServices.h"
#include "shortcuts/FakeHotKeyBackend.h"
#include "ui/FakeSetupSystem.h"

namespace {

using kit::CaptureAction;

class AppDelegateTest : public ::testing::Test {
protected:
    std::unique_ptr<AppDelegate> launch(bool welcomeShown = false) {
        AppDelegate::Environment environment;
        environment.store = std::make_unique<SettingsStore>(home / "settings.json");
        if (welcomeShown) environment.store->setBool("welcomeShown", true);
        environment.cacheFolder = home / "cache";
        environment.screenPermission = [this] { return permitted; };
        environment.makeServices = [this](AppSettings&) {
            CaptureCoordinator::Services services;
            services.capturer = capturefakes::service(std::make_shared<capturefakes::Backend>());
            services.makeOverlay = [this](ScreenCaptureService&) { return fakes::kept(overlay); };
            services.recorder = fakes::kept(recorder);
            services.recognizer = std::make_unique<fakes::Recognizer>();
            services.sounds = std::make_unique<fakes::Sounds>();
            services.displays = std::make_shared<fakes::Displays>();
            return services;
        };
        environment.makeHotKeys = [this] { return std::make_unique<fakes::FakeHotKeyBackend>(keys); };
        environment.makeCapturePresenter = [](CaptureLibrary&, AppSettings&, MarkupEditors&) { return std::make_unique<Silent>(); };
        environment.makeNoticePresenter = [] { return std::make_unique<Silent>(); };
        environment.setupPlatform = [this] { return setup.platform(); };
        auto delegate = std::make_unique<AppDelegate>(std::move(environment));
        delegate->applicationDidFinishLaunching();
        return delegate;
    }

    testsupport::TempDir home;
    MemoryLogSink log;
    FakeSetupSystem setup;
    bool permitted = true;
    fakes::Overlay* overlay = nullptr;
    fakes::Recorder* recorder = nullptr;
    std::shared_ptr<fakes::HotKeyDesk> keys = std::make_shared<fakes::HotKeyDesk>();

    struct Silent : CapturePresenter, NoticePresenter {
        void show(const Capture&, const std::optional<std::string>&, const CapturedImage&) override {}
        void show(const std::string&, const std::string&, std::optional<double>) override {}
    };
    // The transient Escape key, while the delegate holds it.
    std::optional<fakes::HotKeyDesk::Held> escape() const { return keys->heldWithId(999); }
};

TEST_F(AppDelegateTest, AllInOneTogglesTheBarAndReopenBringsBackTheOneSettingsWindow) {
    auto delegate = launch(true);
    EXPECT_FALSE(delegate->windows().isOpen("welcome"));
    delegate->perform(CaptureAction::allInOne);
    EXPECT_TRUE(delegate->allInOne().isOpen());
    delegate->perform(CaptureAction::allInOne);
    EXPECT_FALSE(delegate->allInOne().isOpen());
    delegate->applicationShouldHandleReopen();
    QPointer<QWidget> settingsWindow = delegate->windows().window("settings");
    ASSERT_TRUE(settingsWindow);

    // One window per name, brought back rather than doubled, and forgotten once closed.
    settingsWindow->hide();
    delegate->applicationShouldHandleReopen();
    EXPECT_EQ(delegate->windows().window("settings"), settingsWindow.data());
    EXPECT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == settingsWindow; }));
    settingsWindow->close();
    EXPECT_FALSE(delegate->windows().isOpen("settings"));
    delegate->applicationShouldHandleReopen();
    EXPECT_TRUE(delegate->windows().isOpen("settings"));
}

TEST_F(AppDelegateTest, WelcomeOpensOnFirstLaunchOrWithoutPermissionAndEveryActionButStoppingWaitsForIt) {
    EXPECT_TRUE(launch(false)->windows().isOpen("welcome"));
    EXPECT_TRUE(SettingsStore(home / "settings.json").boolValue("welcomeShown"));

    permitted = false;
    auto delegate = launch(true);
    EXPECT_TRUE(delegate->windows().isOpen("welcome"));
    delegate->perform(CaptureAction::area);
    delegate->perform(CaptureAction::allInOne);
    EXPECT_TRUE(log.contains("app", "capture blocked reason=screenPermission"));
    EXPECT_FALSE(delegate->allInOne().isOpen());
    EXPECT_EQ(overlay, nullptr);

    permitted = true;
    delegate->perform(CaptureAction::recording);
    ASSERT_NE(overlay, nullptr);
    emit overlay->finished(SelectionResult::area(kit::Rect::make(0, 0, 100, 100), 1));
    ASSERT_TRUE(testsupport::waitUntil([&] { return recorder->elapsed().has_value(); }));

    permitted = false;
    log.clear();
    delegate->perform(CaptureAction::recording);
    EXPECT_EQ(recorder->stops, 1);
    EXPECT_FALSE(log.contains("app", "capture blocked reason=screenPermission"));
}

TEST_F(AppDelegateTest, EscapeBelongsToTheRecordingOnlyWhileNoGlimpoSurfaceIsOpen) {
    auto delegate = launch(true);
    EXPECT_FALSE(escape());

    recorder->running.set(std::chrono::seconds(0));
    ASSERT_TRUE(testsupport::waitUntil([&] { return escape().has_value(); }));
    EXPECT_TRUE(delegate->statusItem()->recordingElapsed().has_value());

    GlimpoUIState::shared().insert("overlay");
    ASSERT_TRUE(testsupport::waitUntil([&] { return !escape().has_value(); }));
    GlimpoUIState::shared().remove("overlay");
    ASSERT_TRUE(testsupport::waitUntil([&] { return escape().has_value(); }));

    // Escape stops the recording without an "action=" line.
    log.clear();
    keys->press(999);
    ASSERT_TRUE(testsupport::waitUntil([&] { return recorder->stops == 1; }));
    EXPECT_TRUE(log.messages("app").empty());
    ASSERT_TRUE(testsupport::waitUntil([&] { return !escape().has_value(); }));
    EXPECT_FALSE(delegate->statusItem()->recordingElapsed().has_value());
}

TEST_F(AppDelegateTest, ADelayCountsDownHoldingEscapeWhichCancelsItAndTheOverlayOpensAfterIt) {
    auto delegate = launch(true);
    const auto begun = [&] { return overlay ? overlay->begins.size() : 0u; };
    delegate->handle(CommandLine::Request::area, 1);
    EXPECT_TRUE(delegate->countdown().isRunning());
    ASSERT_TRUE(testsupport::waitUntil([&] { return escape().has_value(); }));
    keys->press(999);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !delegate->countdown().isRunning(); }));
    EXPECT_TRUE(log.contains("app", "countdown cancelled"));
    testsupport::waitUntil([] { return false; }, 1500);
    EXPECT_EQ(begun(), 0u) << "a cancelled countdown started its capture";
    EXPECT_FALSE(escape());

    // A second request replaces the first countdown; only it goes on.
    delegate->handle(CommandLine::Request::window, 2);
    delegate->handle(CommandLine::Request::area, 1);
    EXPECT_EQ(delegate->countdown().remaining(), 1);
    ASSERT_TRUE(testsupport::waitUntil([&] { return begun() == 1; }, 3000));
    EXPECT_EQ(overlay->begins[0].mode, SelectionMode::area);
    testsupport::waitUntil([] { return false; }, 1500);
    EXPECT_EQ(begun(), 1u);
}

} // namespace
