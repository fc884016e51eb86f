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

QAction* item(const StatusItemController& controller, const QString& title) {
    for (QAction* action : controller.menu()->actions())
        if (action->text() == title || action->text().startsWith(title + QLatin1Char('\t'))) return action;
    return nullptr;
}

} // namespace

TEST(StatusItemController, ItsKeysReachTheActionsAndAnItemMayRebuildTheMenuFromItsOwnHandler) {
    StatusItemController owner;
    int settingsOpened = 0, areaRuns = 0, quits = 0;
    QObject::connect(&owner.actions(), &MenuActions::openSettings, [&] { ++settingsOpened; });
    QObject::connect(&owner.actions(), &MenuActions::captureArea, [&] {
        owner.rebuildMenu();
        ++areaRuns;
    });
    QObject::connect(item(owner, "Quit Glimpo"), &QAction::triggered, [&] { ++quits; });
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier},
                                         std::pair{Qt::Key_Comma, Qt::KeyboardModifiers(Qt::ControlModifier)},
                                         std::pair{Qt::Key_Q, Qt::KeyboardModifiers(Qt::ControlModifier)}}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(owner.menu(), &event);
    }
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_EQ(quits, 1);

    QPointer<QAction> area = item(owner, "Capture Area");
    area->trigger();
    EXPECT_EQ(areaRuns, 1);
    testsupport::processEvents();
    EXPECT_TRUE(area.isNull()) << "the replaced item is released once the loop runs";
    EXPECT_NE(item(owner, "Capture Area"), nullptr);
}

TEST(StatusItemController, TheMenuFollowsTheRecordingAndTheShortcutsWhenReopened) {
    StatusItemController controller;
    controller.setRecordingElapsed(StatusItemController::Elapsed(std::nan("")));
    EXPECT_EQ(controller.toolTip(), " 00:00") << "nonsense from a clock";
    controller.setRecordingElapsed(65s);
    controller.setShortcutHints({{"Capture Area", "Shift+Super+4"}, {"Capture Text", "Ctrl+&"}});
    emit controller.menu()->aboutToShow();
    EXPECT_EQ(controller.menu()->actions().front()->text(), "Stop Recording");
    EXPECT_EQ(controller.toolTip(), " 01:05");
    EXPECT_EQ(item(controller, "Capture Area")->text(), "Capture Area\tShift+Super+4");
    // '&' would otherwise be eaten as a mnemonic marker.
    EXPECT_EQ(item(controller, "Capture Text")->text(), "Capture Text\tCtrl+&&");
    EXPECT_EQ(item(controller, "Settings…")->text(), "Settings…\tCtrl+,");

    controller.setRecordingElapsed(std::nullopt);
    emit controller.menu()->aboutToShow();
    EXPECT_EQ(controller.menu()->actions().front(), item(controller, "Capture Area"));
}
