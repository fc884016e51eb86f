#include <gtest/gtest.h>

#include "app/base/Log.h"
#include "app/ui/StatusItemController.h"
#include "tests/app/TestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

#include <cmath>
#include <limits>
#include <vector>

using namespace std::chrono_literals;

namespace {

// The menu as text: separators as "-".
std::vector<QString> menuTexts(const StatusItemController& controller) {
    std::vector<QString> texts;
    for (const QAction* action : controller.menu()->actions()) {
        texts.push_back(action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return texts;
}

QAction* item(const StatusItemController& controller, const QString& title) {
    for (QAction* action : controller.menu()->actions()) {
        if (action->text() == title || action->text().startsWith(title + QLatin1Char('\t'))) {
            return action;
        }
    }
    return nullptr;
}

const std::map<std::string, std::string> defaultHints{
    {"Capture Area", "⇧⌘4"}, {"Capture Fullscreen", "⇧⌘3"}, {"All-in-One", "⇧⌘5"}};

} // namespace

TEST(StatusItemController, TheOpenMenuAnswersItsOwnKeys) {
    int settingsOpened = 0;
    MenuActions actions;
    actions.openSettings = [&] { ++settingsOpened; };
    StatusItemController controller{actions};
    // No key sequences: Qt would show them as "Ctrl+Q" beside the hints, so the menu answers itself.
    for (const QAction* action : controller.menu()->actions()) EXPECT_TRUE(action->shortcut().isEmpty());
    int quits = 0;
    QObject::connect(item(controller, "Quit Glimpo"), &QAction::triggered, [&] { ++quits; });
    const auto press = [&](int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(controller.menu(), &event);
    };
    press(Qt::Key_Comma, Qt::ControlModifier);
    press(Qt::Key_Q, Qt::MetaModifier | Qt::ShiftModifier);
    EXPECT_EQ(settingsOpened + quits, 0);
    press(Qt::Key_Comma, Qt::MetaModifier);
    EXPECT_EQ(settingsOpened, 1);
    press(Qt::Key_Q, Qt::MetaModifier);
    EXPECT_EQ(quits, 1);
}

TEST(StatusItemController, RecordingPutsStopFirstAndABadgeAndEndingRemovesThem) {
    StatusItemController controller{MenuActions{}};
    const qint64 idleIcon = controller.icon().cacheKey();
    controller.setRecordingElapsed(65s);
    // Opening the menu is what rebuilds it.
    emit controller.menu()->aboutToShow();
    auto texts = menuTexts(controller);
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0], "Stop Recording");
    EXPECT_EQ(texts[2], "Capture Area");
    EXPECT_EQ(controller.toolTip(), " 01:05");
    EXPECT_NE(controller.icon().cacheKey(), idleIcon);
    // The badge is drawn, not blank.
    const QImage badge = controller.icon().pixmap(32, 32).toImage();
    EXPECT_GT(qAlpha(badge.pixel(16, 16)), 200);
    EXPECT_EQ(qAlpha(badge.pixel(0, 0)), 0);

    controller.setRecordingElapsed(std::nullopt);
    emit controller.menu()->aboutToShow();
    EXPECT_EQ(menuTexts(controller).front(), "Capture Area");
    EXPECT_EQ(controller.toolTip(), "Glimpo");
}

TEST(StatusItemController, HintsShowBesideBoundItemsAndVanishWhenCleared) {
    StatusItemController controller{MenuActions{}};
    controller.setShortcutHints(defaultHints);
    controller.rebuildMenu();
    EXPECT_EQ(item(controller, "Capture Area")->text(), "Capture Area\t⇧⌘4");
    EXPECT_EQ(item(controller, "Capture Window")->text(), "Capture Window");

    auto cleared = defaultHints;
    cleared.erase("Capture Area");
    controller.setShortcutHints(cleared);
    EXPECT_EQ(item(controller, "Capture Area")->text(), "Capture Area\t⇧⌘4") << "until reopened";
    controller.rebuildMenu();
    EXPECT_EQ(item(controller, "Capture Area")->text(), "Capture Area");

    // '&' would otherwise be eaten as a mnemonic marker.
    controller.setShortcutHints({{"Capture Text", "⌃&"}});
    controller.rebuildMenu();
    EXPECT_EQ(item(controller, "Capture Text")->text(), "Capture Text\t⌃&&");
}

TEST(StatusItemController, ElapsedTitleCountsWholeSecondsWithoutWrappingMinutes) {
    EXPECT_EQ(StatusItemController::elapsedTitle(0s), " 00:00");
    EXPECT_EQ(StatusItemController::elapsedTitle(59.9s), " 00:59");
    EXPECT_EQ(StatusItemController::elapsedTitle(65s), " 01:05");
    EXPECT_EQ(StatusItemController::elapsedTitle(6000s), " 100:00");
    // Nonsense from a clock must not reach an undefined conversion.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(StatusItemController::elapsedTitle(StatusItemController::Elapsed(nan)), " 00:00");
    EXPECT_EQ(StatusItemController::elapsedTitle(StatusItemController::Elapsed(-3)), " 00:00");
    EXPECT_FALSE(StatusItemController::elapsedTitle(StatusItemController::Elapsed(inf)).isEmpty());
}

TEST(StatusItemController, AnItemMayRebuildTheMenuFromItsOwnHandler) {
    MenuActions actions;
    StatusItemController* controller = nullptr;
    int runs = 0;
    actions.captureArea = [&] {
        controller->rebuildMenu();
        ++runs;
    };
    StatusItemController owner{actions};
    controller = &owner;
    QPointer<QAction> area = item(owner, "Capture Area");
    area->trigger();
    EXPECT_EQ(runs, 1);
    testsupport::processEvents();
    EXPECT_TRUE(area.isNull()) << "the replaced item is released once the loop runs";
    EXPECT_NE(item(owner, "Capture Area"), nullptr);
}

TEST(StatusItemController, WithoutATrayTheMenuStillWorksAndTheRefusalIsLogged) {
    MemoryLogSink sink;
    int calls = 0;
    MenuActions actions;
    actions.captureWindow = [&calls] { ++calls; };
    StatusItemController controller{actions};
    if (controller.trayAvailable()) {
        GTEST_SKIP() << "this platform has a system tray";
    }
    bool logged = false;
    for (const LogRecord& record : sink.records()) {
        logged = logged || (record.category == "app" && record.message == "tray unavailable" &&
                            record.level == LogLevel::notice);
    }
    EXPECT_TRUE(logged);
    item(controller, "Capture Window")->trigger();
    EXPECT_EQ(calls, 1);
    controller.showMessage("Text copied", 1.5); // nothing to show it on; must not fail
}
