#include <gtest/gtest.h>

#include "app/ui/StatusItemController.h"
#include "tests/app/TestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

#include <cmath>

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
    int quits = 0;
    QObject::connect(item(controller, "Quit Glimpo"), &QAction::triggered, [&] { ++quits; });
    const auto press = [&](int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(controller.menu(), &event);
    };
    press(Qt::Key_Q, Qt::MetaModifier | Qt::ShiftModifier);
    EXPECT_EQ(quits, 0);
    press(Qt::Key_Comma, Qt::MetaModifier);
    EXPECT_EQ(settingsOpened, 1);
    press(Qt::Key_Q, Qt::MetaModifier);
    EXPECT_EQ(quits, 1);
}

TEST(StatusItemController, RecordingPutsStopFirstAndABadgeAndEndingRemovesThem) {
    StatusItemController controller{MenuActions{}};
    const qint64 idleIcon = controller.icon().cacheKey();
    controller.setRecordingElapsed(StatusItemController::Elapsed(std::nan("")));
    EXPECT_EQ(controller.toolTip(), " 00:00") << "nonsense from a clock";
    controller.setRecordingElapsed(65s);
    // Opening the menu is what rebuilds it.
    emit controller.menu()->aboutToShow();
    auto texts = menuTexts(controller);
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0], "Stop Recording");
    EXPECT_EQ(texts[2], "Capture Area");
    EXPECT_EQ(controller.toolTip(), " 01:05");
    EXPECT_NE(controller.icon().cacheKey(), idleIcon);

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
