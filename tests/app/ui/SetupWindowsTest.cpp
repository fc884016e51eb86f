#include "app/ui/SettingsView.h"
#include "app/shortcuts/HotKeyRecorder.h"
#include "app/ui/SetupControls.h"
#include "app/ui/WelcomeView.h"

#include "app/base/AppSettings.h"
#include "app/base/Log.h"
#include "tests/app/TestSupport.h"
#include "tests/app/ui/FakeSetupSystem.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using kit::CaptureAction;
using kit::HotKeyCombination;
using platform::desktop::ScreenshotFunction;
using platform::desktop::SettingsPage;
namespace flags = kit::EventFlags;

namespace {

template <class W = QWidget> W* named(const QWidget& root, const QString& name) {
    return root.findChild<W*>(name);
}

QPushButton* button(const QWidget& root, const QString& text) {
    for (QPushButton* candidate : root.findChildren<QPushButton*>()) {
        if (candidate->text() == text) return candidate;
    }
    return nullptr;
}

QCheckBox* checkBox(const QWidget& root, const QString& text) {
    for (QCheckBox* candidate : root.findChildren<QCheckBox*>()) {
        if (candidate->text() == text) return candidate;
    }
    return nullptr;
}

// Visible as far as the window goes: the views are tested without being shown.
bool shows(const QWidget* widget, const QWidget& root) { return widget != nullptr && widget->isVisibleTo(&root); }

bool showsButton(const QWidget& root, const QString& text) { return shows(button(root, text), root); }

bool showsLabel(const QWidget& root, const QString& text) {
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (label->text() == text && label->isVisibleTo(&root)) return true;
    }
    return false;
}

// The desktop keeping ⇧⌘4 and ⇧⌘3, as its screenshot shortcuts.
const std::vector<platform::desktop::DesktopShortcut> collidingDesktop{
    {ScreenshotFunction::area, {21, flags::shift | flags::command}},
    {ScreenshotFunction::fullScreen, {20, flags::shift | flags::command}},
};

class SetupWindowsTest : public testing::Test {
protected:
    std::unique_ptr<SettingsView> makeSettings(SettingsView::FolderChooser chooser = {}) {
        auto recorder = [this](CaptureAction action, QWidget* parent) -> QWidget* {
            recorders.push_back(action);
            return new QPushButton(QString::fromUtf8(action.rawValue()), parent);
        };
        auto readFailures = [this] { return failures.get(); };
        return std::make_unique<SettingsView>(settings, *guide, recorder, readFailures, [this] { ++welcomeRequests; },
                                              std::move(chooser));
    }

    testsupport::TempDir dir;
    testsupport::ScopedEnv home{"HOME", (dir / "home").string()};
    AppSettings settings{std::make_unique<SettingsStore>(dir / "settings.json")};
    FakeSetupSystem system;
    std::unique_ptr<SetupGuide> guide = std::make_unique<SetupGuide>(settings, system.platform());
    Observed<std::map<CaptureAction, std::string>> failures;
    std::vector<CaptureAction> recorders;
    int welcomeRequests = 0;
    MemoryLogSink logs;
};

} // namespace

TEST_F(SetupWindowsTest, SettingsEditsLandInTheStore) {
    std::optional<fs::path> answer = dir / "Shots";
    fs::path startedAt;
    auto view = makeSettings([&](QWidget*, const fs::path& start) {
        startedAt = start;
        return answer;
    });

    button(*view, "Choose…")->click();
    EXPECT_EQ(startedAt, dir / "home" / "Desktop");
    EXPECT_EQ(settings.saveFolder(), dir / "Shots");
    testsupport::processEvents();
    EXPECT_EQ(named<QLabel>(*view, "saveFolderName")->text(), "Shots");
    // Cancelling changes nothing.
    answer.reset();
    button(*view, "Choose…")->click();
    EXPECT_EQ(settings.saveFolder(), dir / "Shots");

    auto* seconds = named<QSpinBox>(*view, "thumbnailSeconds");
    seconds->stepUp();
    EXPECT_DOUBLE_EQ(settings.thumbnailSeconds(), 7.0);

    checkBox(*view, "Play sounds")->click();
    EXPECT_FALSE(settings.playsSounds());

    button(*view, "Show Welcome Guide…")->click();
    EXPECT_EQ(welcomeRequests, 1);
}

TEST_F(SetupWindowsTest, SettingsShowsStoredSecondsWholeWithoutRewritingThem) {
    settings.setThumbnailSeconds(6.7);
    auto view = makeSettings();
    EXPECT_EQ(named<QSpinBox>(*view, "thumbnailSeconds")->text(), "6 s");
    EXPECT_DOUBLE_EQ(settings.thumbnailSeconds(), 6.7);

    // Changes from elsewhere show up.
    settings.setThumbnailSeconds(12);
    settings.setPlaysSounds(false);
    testsupport::processEvents();
    EXPECT_EQ(named<QSpinBox>(*view, "thumbnailSeconds")->text(), "12 s");
    EXPECT_FALSE(checkBox(*view, "Play sounds")->isChecked());
}

TEST_F(SetupWindowsTest, SettingsFollowsFailuresAndDesktopConflicts) {
    system.desktopShortcuts = collidingDesktop;
    guide->refresh();
    failures.set({{CaptureAction::area, "This shortcut is already used by the desktop or another app. Turn it off there "
                                        "or choose a different one."}});
    auto view = makeSettings();

    auto* areaFailure = named<QLabel>(*view, "failure-area");
    EXPECT_TRUE(shows(areaFailure, *view));
    EXPECT_TRUE(areaFailure->text().startsWith("This shortcut is already used by the desktop"));
    EXPECT_FALSE(shows(named(*view, "failure-fullscreen"), *view));
    auto* warning = named(*view, "conflictWarning");
    EXPECT_TRUE(shows(warning, *view));
    button(*warning, "Open Keyboard Shortcuts…")->click();
    EXPECT_EQ(system.opened, std::vector<SettingsPage>{SettingsPage::keyboardShortcuts});

    failures.set({{CaptureAction::fullscreen, "The desktop refused the shortcut (error 1)."}});
    testsupport::processEvents();
    EXPECT_FALSE(shows(areaFailure, *view));
    EXPECT_TRUE(shows(named(*view, "failure-fullscreen"), *view));

    // A recorder's edit refreshes the guide: clearing both colliding shortcuts ends the warning.
    settings.setHotKeyOverride(CaptureAction::area, std::nullopt);
    testsupport::processEvents();
    EXPECT_TRUE(shows(warning, *view));
    settings.setHotKeyOverride(CaptureAction::fullscreen, HotKeyCombination{20, HotKeyCombination::command, "3"});
    EXPECT_TRUE(testsupport::waitUntil([&] { return !shows(warning, *view); }));
}

TEST_F(SetupWindowsTest, SettingsLoginItemToggle) {
    auto view = makeSettings();
    auto* login = checkBox(*view, "Open at login");
    login->click();
    EXPECT_EQ(system.login, LaunchAtLogin::State::on);
    EXPECT_TRUE(login->isChecked());

    // A refused change snaps back to what the system reports, and says why.
    system.loginFailure = "Permission denied.";
    login->click();
    EXPECT_TRUE(login->isChecked());
    testsupport::processEvents();
    auto* error = named<QLabel>(*view, "errorMessage");
    EXPECT_TRUE(shows(error, *view));
    EXPECT_EQ(error->text(), "The login item couldn't be changed: Permission denied.");
}

TEST_F(SetupWindowsTest, WelcomeShowsTheFourStepsAsTheGuideStands) {
    system.screen = false;
    system.desktopShortcuts = collidingDesktop;
    system.microphone = MicrophoneAuthorization::restricted;
    guide->refresh();
    int done = 0;
    WelcomeView view(*guide, [&] { ++done; });
    const auto rows = view.findChildren<SetupStepRow*>();
    ASSERT_EQ(rows.size(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(rows[i]->badge().isDone()) << i;
    // A desktop keeping its key still leaves the command line.
    EXPECT_TRUE(showsLabel(rows[1]->controls(), "Where the desktop keeps a key for itself, set it to run a command such "
                                                "as glimpo --area (glimpo --help lists them)."));
    EXPECT_TRUE(showsButton(rows[2]->controls(), "Open Microphone Settings…"));
    EXPECT_FALSE(showsButton(rows[3]->controls(), "Disable"));
    // Asking for screen capture comes before its settings page.
    button(rows[0]->controls(), "Open Privacy Settings…")->click();
    button(rows[1]->controls(), "Open Keyboard Shortcuts…")->click();
    EXPECT_EQ(system.screenRequests, 1);
    EXPECT_EQ(system.opened, (std::vector<SettingsPage>{SettingsPage::screenRecording, SettingsPage::keyboardShortcuts}));

    // The system changes; the steps follow after the next refresh.
    system.screen = true;
    system.desktopShortcuts.clear();
    system.microphone = MicrophoneAuthorization::authorized;
    guide->refresh();
    button(rows[3]->controls(), "Enable")->click();
    EXPECT_TRUE(testsupport::waitUntil([&] { return rows[2]->badge().isDone(); }));
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(rows[i]->badge().isDone()) << i;
    EXPECT_TRUE(showsButton(rows[3]->controls(), "Disable"));

    // The footer never follows the user's bindings.
    settings.setHotKeyOverride(CaptureAction::area, std::nullopt);
    testsupport::processEvents();
    EXPECT_TRUE(showsLabel(view, "Press ⇧⌘4 to capture an area."));
    auto* doneButton = button(view, "Done");
    EXPECT_TRUE(doneButton->isDefault());
    doneButton->click();
    EXPECT_EQ(done, 1);
}

TEST_F(SetupWindowsTest, WelcomeErrorLineAndReturnKey) {
    system.loginFailure = "Read-only file system.";
    int done = 0;
    WelcomeView view(*guide, [&] { ++done; });
    auto* error = named<QLabel>(view, "errorMessage");
    EXPECT_FALSE(shows(error, view));
    button(view, "Enable")->click();
    testsupport::processEvents();
    EXPECT_TRUE(shows(error, view));
    EXPECT_EQ(error->text(), "The login item couldn't be changed: Read-only file system.");

    // Return means Done wherever the focus is.
    view.show();
    view.activateWindow();
    ASSERT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == &view; }));
    button(view, "Enable")->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(button(view, "Enable"), &press);
    EXPECT_EQ(done, 1);
}

TEST_F(SetupWindowsTest, TabReachesEveryControlOfTheSettingsInOrder) {
    SettingsView view(settings, *guide, [this](CaptureAction action, QWidget* parent) -> QWidget* {
        return new HotKeyRecorder(settings, action, {}, parent);
    }, {}, {});
    view.show();
    view.activateWindow();
    ASSERT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == &view; }));
    button(view, "Choose…")->setFocus();
    std::vector<QString> order;
    for (int step = 0; step < 16; ++step) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        if (auto* spin = qobject_cast<QSpinBox*>(focused->parentWidget())) focused = spin;
        const auto* control = qobject_cast<QAbstractButton*>(focused);
        order.push_back(control ? control->text() : focused->objectName());
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
    }
    const std::vector<QString> expected{
        "Choose…",         "thumbnailSeconds", "Play sounds",     "Open at login",   "⇧⌘4",
        "Remove Shortcut", "⇧⌘3",              "Remove Shortcut", "Record Shortcut", "Record Shortcut",
        "Record Shortcut", "⇧⌘5",              "Remove Shortcut", "Show Welcome Guide…", "Choose…",
        "thumbnailSeconds"};
    EXPECT_EQ(order, expected);
}
