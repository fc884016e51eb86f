#include "app/ui/SettingsView.h"
#include "app/ui/SetupControls.h"
#include "app/ui/WelcomeView.h"

#include "app/base/AppSettings.h"
#include "tests/app/TestSupport.h"
#include "tests/app/ui/FakeSetupSystem.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using kit::CaptureAction;
using platform::desktop::ScreenshotFunction;
using platform::desktop::SettingsPage;
namespace flags = kit::EventFlags;

namespace {

template <class W = QWidget> W* named(const QWidget& root, const QString& name) {
    return root.findChild<W*>(name);
}

template <class B> B* withText(const QWidget& root, const QString& text) {
    for (B* candidate : root.findChildren<B*>())
        if (candidate->text() == text) return candidate;
    return nullptr;
}
QPushButton* button(const QWidget& root, const QString& text) { return withText<QPushButton>(root, text); }
QCheckBox* checkBox(const QWidget& root, const QString& text) { return withText<QCheckBox>(root, text); }

// Visible as far as the window goes: the views are tested without being shown.
bool shows(const QWidget* widget, const QWidget& root) { return widget != nullptr && widget->isVisibleTo(&root); }

// The desktop keeping ⇧⌘4 and ⇧⌘3, as its screenshot shortcuts.
const std::vector<platform::desktop::DesktopShortcut> collidingDesktop{
    {ScreenshotFunction::area, {21, flags::shift | flags::command}},
    {ScreenshotFunction::fullScreen, {20, flags::shift | flags::command}},
};

class SetupWindowsTest : public testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::ScopedEnv home{"HOME", (dir / "home").string()};
    AppSettings settings{std::make_unique<SettingsStore>(dir / "settings.json")};
    FakeSetupSystem system;
    std::unique_ptr<SetupGuide> guide = std::make_unique<SetupGuide>(settings, system.platform());
    Observed<std::map<CaptureAction, std::string>> failures;
};

} // namespace

TEST_F(SetupWindowsTest, SettingsEditsLandInTheStoreAndTheViewFollowsItsValuesFailuresAndConflicts) {
    // A stored value the spin box cannot show exactly stays as stored until the user edits it.
    settings.setThumbnailSeconds(6.7);
    system.desktopShortcuts = collidingDesktop;
    guide->refresh();
    failures.set({{CaptureAction::area, "This shortcut is already used."}});
    std::optional<fs::path> answer = dir / "home" / "Shots";
    fs::path startedAt;
    const auto recorder = [](CaptureAction action, QWidget* parent) -> QWidget* {
        return new QPushButton(QString::fromUtf8(action.rawValue()), parent);
    };
    SettingsView view(settings, *guide, recorder, [this] { return failures.get(); },
                      [&](QWidget*, const fs::path& start) {
                          startedAt = start;
                          return answer;
                      });
    EXPECT_DOUBLE_EQ(settings.thumbnailSeconds(), 6.7);

    button(view, "Choose…")->click();
    EXPECT_EQ(startedAt, dir / "home" / "Desktop");
    EXPECT_EQ(settings.saveFolder(), dir / "home" / "Shots");
    answer.reset();
    button(view, "Choose…")->click();
    EXPECT_EQ(settings.saveFolder(), dir / "home" / "Shots") << "cancelling changes nothing";
    // The path from the home folder, all of it on the tooltip.
    testsupport::processEvents();
    auto* folder = named<QLabel>(view, "saveFolderName");
    EXPECT_EQ(folder->text(), "~/Shots");
    EXPECT_EQ(folder->toolTip().toStdString(), (dir / "home" / "Shots").string());
    settings.setSaveFolder("/srv/shots");
    testsupport::processEvents();
    EXPECT_EQ(folder->text(), "/srv/shots");

    // Unsaved captures go with their thumbnails, unless every capture is saved as it is taken.
    EXPECT_TRUE(shows(named(view, "discardNote"), view));
    checkBox(view, "Save captures automatically")->click();
    EXPECT_TRUE(settings.savesAutomatically());
    testsupport::processEvents();
    EXPECT_FALSE(shows(named(view, "discardNote"), view));
    named<QSpinBox>(view, "thumbnailSeconds")->stepUp();
    EXPECT_DOUBLE_EQ(settings.thumbnailSeconds(), 7.0);
    checkBox(view, "Play sounds")->click();
    EXPECT_FALSE(settings.playsSounds());

    // A refused login change snaps back to what the system reports, and says why.
    auto* login = checkBox(view, "Open at login");
    login->click();
    EXPECT_EQ(system.login, LaunchAtLogin::State::on);
    system.loginFailure = "Permission denied.";
    login->click();
    EXPECT_TRUE(login->isChecked());
    testsupport::processEvents();
    EXPECT_TRUE(shows(named(view, "errorMessage"), view));

    // Changes from elsewhere show up.
    settings.setPlaysSounds(true);
    testsupport::processEvents();
    EXPECT_TRUE(checkBox(view, "Play sounds")->isChecked());

    EXPECT_TRUE(shows(named(view, "failure-area"), view));
    EXPECT_FALSE(shows(named(view, "failure-fullscreen"), view));
    auto* warning = named(view, "conflictWarning");
    EXPECT_TRUE(shows(warning, view));
    button(*warning, "Open Keyboard Shortcuts…")->click();
    EXPECT_EQ(system.opened, std::vector<SettingsPage>{SettingsPage::keyboardShortcuts});
    failures.set({{CaptureAction::fullscreen, "The desktop refused the shortcut (error 1)."}});
    testsupport::processEvents();
    EXPECT_FALSE(shows(named(view, "failure-area"), view));
    EXPECT_TRUE(shows(named(view, "failure-fullscreen"), view));
    // The desktop's settings still name the keys, but it let go of them: no warning.
    failures.set({});
    testsupport::processEvents();
    EXPECT_FALSE(shows(warning, view));
    failures.set({{CaptureAction::fullscreen, "The desktop refused the shortcut (error 1)."}});
    testsupport::processEvents();
    EXPECT_TRUE(shows(warning, view));

    // A recorder's edit refreshes the guide: clearing both colliding shortcuts ends the warning.
    settings.setHotKeyOverride(CaptureAction::area, std::nullopt);
    settings.setHotKeyOverride(CaptureAction::fullscreen, kit::HotKeyCombination{20, kit::HotKeyCombination::command, "3"});
    EXPECT_TRUE(testsupport::waitUntil([&] { return !shows(warning, view); }));
}

TEST_F(SetupWindowsTest, WelcomeStepsFollowTheGuideAndTheirButtonsReachTheSystem) {
    system.screen = false;
    system.desktopShortcuts = collidingDesktop;
    system.microphone = MicrophoneAuthorization::restricted;
    guide->refresh();
    WelcomeView view(*guide);
    QList<SetupStepRow*> rows;
    for (SetupStepRow* row : view.findChildren<SetupStepRow*>())
        if (shows(row, view)) rows.append(row);
    ASSERT_EQ(rows.size(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(rows[i]->badge().isDone()) << i;
    // Asking for screen capture comes before its settings page.
    button(rows[0]->controls(), "Open Privacy Settings…")->click();
    button(rows[1]->controls(), "Open Keyboard Shortcuts…")->click();
    EXPECT_EQ(system.screenRequests, 1);
    EXPECT_EQ(system.opened, (std::vector<SettingsPage>{SettingsPage::screenRecording, SettingsPage::keyboardShortcuts}));

    system.screen = true;
    system.desktopShortcuts.clear();
    system.microphone = MicrophoneAuthorization::authorized;
    guide->refresh();
    button(rows[3]->controls(), "Enable")->click();
    EXPECT_TRUE(testsupport::waitUntil([&] { return rows[2]->badge().isDone(); }));
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(rows[i]->badge().isDone()) << i;
    EXPECT_TRUE(shows(button(rows[3]->controls(), "Disable"), rows[3]->controls()));

    // Once the desktop turns Glimpo's keys down, step 2 is its own shortcut settings.
    system.desktopBindsKeys.set(true);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !shows(rows[1], view); }));
    SetupStepRow* step2 = nullptr;
    for (SetupStepRow* row : view.findChildren<SetupStepRow*>())
        if (shows(row, view) && row->badge().number() == 2) step2 = row;
    ASSERT_TRUE(step2 && shows(button(step2->controls(), "Open Keyboard Shortcuts…"), view));
    button(step2->controls(), "Open Keyboard Shortcuts…")->click();
    EXPECT_EQ(system.opened.back(), SettingsPage::keyboardShortcuts);
}
