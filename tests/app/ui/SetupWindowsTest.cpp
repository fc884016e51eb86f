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
#include <QFormLayout>
#include <QGroupBox>
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

bool hasLabel(const QWidget& root, const QString& text) {
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (label->text() == text) return true;
    }
    return false;
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

TEST_F(SetupWindowsTest, SettingsLaysOutItsThreeSectionsInOrder) {
    auto view = makeSettings();
    EXPECT_EQ(view->width(), 480);

    const auto sections = view->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(sections.size(), 3);
    EXPECT_EQ(sections[1]->title(), "Keyboard Shortcuts");

    // General: the rows and their labels, in order.
    auto* general = static_cast<QFormLayout*>(sections[0]->layout());
    ASSERT_GE(general->rowCount(), 4);
    const auto labelOf = [](QFormLayout* form, int row) {
        auto* item = form->itemAt(row, QFormLayout::LabelRole);
        auto* label = item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
        return label ? label->text() : QString();
    };
    EXPECT_EQ(labelOf(general, 0), "Save to");
    EXPECT_EQ(labelOf(general, 1), "Thumbnail stays for");
    EXPECT_EQ(named<QLabel>(*view, "saveFolderName")->text(), "Desktop");
    EXPECT_TRUE(showsButton(*view, "Choose…"));
    auto* seconds = named<QSpinBox>(*view, "thumbnailSeconds");
    EXPECT_EQ(seconds->minimum(), 3);
    EXPECT_EQ(seconds->maximum(), 30);
    EXPECT_EQ(seconds->text(), "6 s");
    EXPECT_TRUE(checkBox(*view, "Play sounds")->isChecked());
    EXPECT_FALSE(checkBox(*view, "Open at login")->isChecked());
    EXPECT_FALSE(shows(named(*view, "errorMessage"), *view));

    // One recorder row per action, in the actions' order, titled with the action.
    const std::vector<CaptureAction> order(CaptureAction::allCases().begin(), CaptureAction::allCases().end());
    EXPECT_EQ(recorders, order);
    auto* shortcuts = static_cast<QFormLayout*>(sections[1]->layout());
    ASSERT_EQ(shortcuts->rowCount(), 6);
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(labelOf(shortcuts, row), QString::fromUtf8(order[row].title()));
    }

    EXPECT_TRUE(showsButton(*sections[2], "Show Welcome Guide…"));
    button(*view, "Show Welcome Guide…")->click();
    EXPECT_EQ(welcomeRequests, 1);
}

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
    seconds->setValue(100);
    EXPECT_DOUBLE_EQ(settings.thumbnailSeconds(), 30.0);
    seconds->setValue(0);
    EXPECT_DOUBLE_EQ(settings.thumbnailSeconds(), 3.0);

    checkBox(*view, "Play sounds")->click();
    EXPECT_FALSE(settings.playsSounds());

    // Everything is in the file, as the next launch reads it.
    SettingsStore stored(dir / "settings.json");
    EXPECT_EQ(stored.stringValue("saveFolderPath"), (dir / "Shots").string());
    EXPECT_DOUBLE_EQ(stored.doubleValue("thumbnailSeconds"), 3.0);
    EXPECT_FALSE(stored.boolValue("playsShutterSound"));
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
    EXPECT_TRUE(hasLabel(*warning, "The desktop still uses some of these shortcuts for its own screenshots."));
    button(*warning, "Open Keyboard Shortcuts…")->click();
    EXPECT_EQ(system.opened, std::vector<SettingsPage>{SettingsPage::keyboardShortcuts});

    failures.set({{CaptureAction::fullscreen, "The desktop refused the shortcut (error 1)."}});
    testsupport::processEvents();
    EXPECT_FALSE(shows(areaFailure, *view));
    EXPECT_TRUE(shows(named(*view, "failure-fullscreen"), *view));

    // A recorder's edit refreshes the guide: clearing both colliding shortcuts ends the warning.
    settings.setHotKeyOverride(CaptureAction::area, std::nullopt);
    testsupport::processEvents();
    EXPECT_EQ(guide->systemShortcutConflicts(), std::set<CaptureAction>{CaptureAction::fullscreen});
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
    EXPECT_EQ(view.width(), 520);
    EXPECT_TRUE(hasLabel(view, "Welcome to Glimpo"));
    EXPECT_TRUE(hasLabel(view, "Screenshots and recordings from the menu bar. Two steps are required, the others are optional."));

    const auto rows = view.findChildren<SetupStepRow*>();
    ASSERT_EQ(rows.size(), 4);
    const std::vector<QString> titles{"Allow Screen Recording", "Turn off the desktop's screenshot shortcuts",
                                      "Microphone (optional)", "Open at login"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rows[i]->findChild<QLabel*>("title")->text(), titles[i]);
        EXPECT_EQ(rows[i]->badge().number(), i + 1);
        EXPECT_FALSE(rows[i]->badge().isDone()) << i;
        EXPECT_EQ(rows[i]->badge().accessibleName(), QString("Step %1").arg(i + 1));
    }
    EXPECT_EQ(rows[0]->findChild<QLabel*>("detail")->text(),
              "Glimpo needs it to take screenshots and recordings. Nothing leaves your computer.");
    EXPECT_EQ(rows[1]->findChild<QLabel*>("detail")->text(),
              "Glimpo uses ⇧⌘3, ⇧⌘4 and ⇧⌘5. Turn off the \"Screenshots\" shortcuts in Keyboard Shortcuts.");
    EXPECT_TRUE(showsButton(rows[0]->controls(), "Open Privacy Settings…"));
    EXPECT_TRUE(showsLabel(rows[0]->controls(), "Turn on Glimpo, then reopen it."));
    EXPECT_TRUE(showsButton(rows[1]->controls(), "Open Keyboard Shortcuts…"));
    EXPECT_TRUE(showsButton(rows[2]->controls(), "Open Microphone Settings…"));
    EXPECT_FALSE(showsButton(rows[2]->controls(), "Allow Microphone"));
    EXPECT_TRUE(showsButton(rows[3]->controls(), "Enable"));
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
    testsupport::processEvents();
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(rows[i]->badge().isDone()) << i;
        EXPECT_EQ(rows[i]->badge().accessibleName(), QString("Step %1, done").arg(i + 1));
    }
    EXPECT_TRUE(showsLabel(rows[0]->controls(), "Allowed"));
    EXPECT_TRUE(showsLabel(rows[1]->controls(), "Glimpo has the shortcuts"));
    EXPECT_TRUE(showsLabel(rows[2]->controls(), "Allowed"));
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
