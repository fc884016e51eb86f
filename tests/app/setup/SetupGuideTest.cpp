#include "app/setup/SetupGuide.h"

#include "app/base/AppSettings.h"
#include "app/base/Log.h"
#include "tests/app/TestSupport.h"
#include "tests/app/ui/FakeSetupSystem.h"

#include <QGuiApplication>
#include <QThread>

#include <atomic>

#include <gtest/gtest.h>

using kit::CaptureAction;
using platform::desktop::ScreenshotFunction;

namespace {

constexpr std::uint32_t shiftCommand = kit::EventFlags::shift | kit::EventFlags::command;

class SetupGuideTest : public testing::Test {
protected:
    std::unique_ptr<SetupGuide> makeGuide() { return std::make_unique<SetupGuide>(settings, system.platform()); }

    testsupport::TempDir dir;
    AppSettings settings{std::make_unique<SettingsStore>(dir / "settings.json")};
    FakeSetupSystem system;
    MemoryLogSink logs;
};

} // namespace

TEST_F(SetupGuideTest, ConflictsFollowTheBindingsAndTheDesktopShortcuts) {
    system.desktopShortcuts = {{ScreenshotFunction::area, {21, shiftCommand}}};
    auto guide = makeGuide();
    EXPECT_EQ(guide->systemShortcutConflicts(), std::set<CaptureAction>{CaptureAction::area});

    // Moving Glimpo's shortcut away ends the collision, and the desktop taking Shift+Super+3 starts one, at
    // the next refresh: nothing is cached.
    settings.setHotKeyOverride(CaptureAction::area,
                               kit::HotKeyCombination{0, kit::HotKeyCombination::command | kit::HotKeyCombination::shift, "A"});
    system.desktopShortcuts.push_back({ScreenshotFunction::fullScreen, {20, shiftCommand}});
    guide->refresh();
    EXPECT_EQ(guide->systemShortcutConflicts(), std::set<CaptureAction>{CaptureAction::fullscreen});

    // Unreadable preferences count as empty: every default screenshot shortcut of the desktop is on.
    settings.setHotKeyOverrides({});
    system.preferencesUnreadable = true;
    guide->refresh();
    EXPECT_EQ(guide->systemShortcutConflicts(),
              (std::set<CaptureAction>{CaptureAction::area, CaptureAction::fullscreen, CaptureAction::allInOne}));
    EXPECT_TRUE(logs.contains("setup", "desktop shortcuts unreadable error=The preferences are unreadable."));
}

TEST_F(SetupGuideTest, MicrophoneIsReadOnlyWhileShownAndOffTheMainThread) {
    std::atomic<int> reads = 0;
    std::atomic<bool> onMainThread = false;
    SetupGuide::Platform platform = system.platform();
    platform.microphoneAuthorization = [&] {
        ++reads;
        if (QThread::currentThread() == qApp->thread()) onMainThread = true;
        return system.microphone;
    };
    auto guide = std::make_unique<SetupGuide>(settings, platform);
    guide->refresh();
    testsupport::processEvents();
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(guide->microphone(), MicrophoneAuthorization::restricted);

    guide->watchMicrophone();
    EXPECT_TRUE(testsupport::waitUntil([&] { return guide->microphone() == MicrophoneAuthorization::authorized; }));
    system.microphone = MicrophoneAuthorization::restricted;
    guide->refresh();
    EXPECT_TRUE(testsupport::waitUntil([&] { return guide->microphone() == MicrophoneAuthorization::restricted; }));
    EXPECT_EQ(reads, 2);
    EXPECT_FALSE(onMainThread);
}

TEST_F(SetupGuideTest, LoginFailuresSayWhyAndBecomingActiveRefreshesWhatTheSystemSays) {
    system.screen = false;
    auto guide = makeGuide();
    system.loginFailure = "The autostart folder is read-only.";
    guide->setLaunchAtLogin(true);
    EXPECT_EQ(guide->errorMessage(), "The login item couldn't be changed: The autostart folder is read-only.");
    EXPECT_EQ(guide->loginItem(), LaunchAtLogin::State::off);
    system.loginFailure.reset();
    guide->setLaunchAtLogin(true);
    EXPECT_EQ(guide->errorMessage(), std::nullopt);
    EXPECT_EQ(guide->loginItem(), LaunchAtLogin::State::on);

    // Changed elsewhere, seen once Glimpo becomes active again.
    system.screen = true;
    system.login = LaunchAtLogin::State::off;
    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(guide->screenRecordingGranted());
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(guide->screenRecordingGranted());
    EXPECT_EQ(guide->loginItem(), LaunchAtLogin::State::off);
}
